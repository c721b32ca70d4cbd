#include "disasm/assembler_view.h"

#include "pic/pic_catalogue.h"

namespace korvane {

ListingOptions listing_options(const SettingsRecord& settings) {
    ListingOptions o;
    o.radix = radix_from_setting(settings.radix);
    o.show_fuses = settings.dis_fuses != 0;
    o.show_offset = settings.show_off != 0;
    o.show_opcode = settings.show_opcode != 0;
    return o;
}

bool assembler_view_available(IHost& host, int device_index) {
    if (is_pic16f(device_index)) return true;
    info_box(host, "Warning", {" Not Available For 16 Bits PIC !"});
    return false;
}

std::vector<std::string> disassemble_image(const PicImage& image, int device_index,
                                           const ListingOptions& options) {
    TDisassembler dis(image, device_index, options);
    return dis.build_listing();
}

std::optional<std::vector<std::string>> assembler_view_listing(IHost& host, const PicImage& image,
                                                               int device_index,
                                                               const SettingsRecord& settings) {
    if (!assembler_view_available(host, device_index)) return std::nullopt;
    return disassemble_image(image, device_index, listing_options(settings));
}

} // namespace korvane
