// The Intel HEX reader of PIC images, for every device of both families and both load modes.
// Beyond memory safety (the fuzz build checks std::array indices too): whatever the file, the
// image it leaves is written out and read back unchanged, so the writer and the reader agree
// (checked on a sample of the inputs, see fuzz_input.h).
#include <memory>
#include <string>

#include "buffers/pic_buffers.h"
#include "files/pic_hex_reader.h"
#include "files/pic_hex_writer.h"
#include "fuzz_input.h"
#include "pic/pic_catalogue.h"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto in = fuzz::split(data, size);
    const int device = (in.selector & 0x7F) % kPicDeviceCount;
    const bool loader_mode = in.selector & 0x80;

    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, device);
    read_pic_hex_text(in.bytes, *image, device, loader_mode);
    if (!fuzz::whole_image_check_due()) return 0;

    const std::string text = pic_hex_text(*image, device);
    auto back = std::make_unique<PicImage>();
    clear_pic_image(*back, device);
    fuzz::require(read_pic_hex_text(text, *back, device) == HexReadResult::Ok, "written file reads back");
    fuzz::require(pic_hex_text(*back, device) == text, "read-back image writes the same file");
    return 0;
}
