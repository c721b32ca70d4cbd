#include "ui/pic_side.h"

#include "pic/pic_catalogue.h"
#include "ui/main_window.h"
#include "ui/mem_grid.h"

namespace korvane {

struct PicSide::Impl {
    TMain& window;
    SettingsRecord& settings;
    bool iso;
    int device = 0;
    PicImage* image = nullptr;
};

PicSide::PicSide(TMain& window, SettingsRecord& settings, bool iso_mode)
    : impl_(std::make_unique<Impl>(Impl{window, settings, iso_mode})) {}

PicSide::~PicSide() = default;

int PicSide::device() const { return impl_->device; }

void PicSide::set_device(int index) {
    if (index < 0 || index >= kPicDeviceCount) index = 0;
    impl_->device = index;
    const TPicDevice& dev = pic_device(index);
    impl_->window.CodeWin->setByteSize(int(2 * dev.code_size));
    impl_->window.DataWin->setByteSize(int(dev.data_size));
}

void PicSide::select_image(PicImage& image) { impl_->image = &image; }
void PicSide::load_programmer_params() {}
void PicSide::set_progress_bar(IProgressBar*) {}
void PicSide::run(Task, PicImage&) {}
void PicSide::abort() {}
bool PicSide::task_running() const { return false; }

} // namespace korvane
