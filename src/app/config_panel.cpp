#include "app/config_panel.h"

#include "app/settings.h"
#include "buffers/pic_buffers.h"
#include "files/hex_text.h"
#include "pic/pic_catalogue.h"

namespace korvane {

void TConfigPanel::bind(PicImage* image, int value_device, int choice_device) {
    image_ = image;
    value_device_ = value_device;
    choice_device_ = choice_device;
}

void TConfigPanel::rebuild() {
    view_.layout = is_pic16f(value_device_)   ? ConfigLayout::Pic16F
                   : is_pic18f(value_device_) ? ConfigLayout::Pic18F
                                              : ConfigLayout::None;
    view_.conf_word_caption = view_.layout == ConfigLayout::Pic18F ? "Config 7" : "Conf Word";
    view_.items_list_enabled = true;
    if (!image_ || view_.layout == ConfigLayout::None) return;
    const PicImage& img = *image_;

    if (view_.layout == ConfigLayout::Pic18F) {
        for (int k = 0; k < 6; ++k) view_.config[k] = hex_word_text(img.config[k]);
        view_.config_word = hex_word_text(img.config[6]);
        for (int k = 0; k < 4; ++k)
            view_.id_words[k] = hex_word_text(std::uint16_t(img.id[2 * k + 1] * 256 + img.id[2 * k]));
        return;
    }

    view_.oscillator_enabled = true;
    view_.code_protect_enabled = true;
    for (int k = 0; k < 4; ++k) view_.id_words[k] = hex_word_text(img.config[k]);
    const std::uint16_t w = img.config[7];
    view_.config_word = hex_word_text(w);

    // The choices follow the device of the settings, which names the same device in normal use.
    for (Fuse f : kAllFuses) {
        FuseBox& box = view_.fuses[int(f)];
        box.enabled = fuse_enabled(choice_device_, f);
        if (box.enabled) box.checked = fuse_checked(w, f);
    }
    const auto osc = oscillator_items(choice_device_);
    view_.oscillator_items.assign(osc.begin(), osc.end());
    view_.oscillator_index = decode_oscillator(choice_device_, w);
    const auto cp = code_protect_items(choice_device_);
    view_.code_protect_items.assign(cp.begin(), cp.end());
    view_.code_protect_index = decode_code_protect(choice_device_, w);
}

void TConfigPanel::lock() {
    view_.items_list_enabled = false;
    view_.oscillator_enabled = false;
    view_.code_protect_enabled = false;
    for (auto& box : view_.fuses) box.enabled = false;
}

void TConfigPanel::show_config_word() {
    if (const std::uint16_t* w = config_word_slot()) view_.config_word = hex_word_text(*w);
}

std::uint16_t* TConfigPanel::config_word_slot() {
    if (!image_) return nullptr;
    if (is_pic16f(value_device_)) return &image_->config[7];
    if (is_pic18f(value_device_)) return &image_->config[6];
    return nullptr;
}

bool TConfigPanel::OscillatorChange(int index, bool busy) {
    if (busy || !image_ || !is_pic16f(choice_device_)) return false;
    if (index < 0 || std::size_t(index) >= oscillator_items(choice_device_).size()) return false;
    view_.oscillator_index = index;
    image_->config[7] = encode_oscillator(choice_device_, image_->config[7], index);
    show_config_word();
    return true;
}

bool TConfigPanel::CodeProtectChange(int index, bool busy, SettingsRecord& settings) {
    if (busy || !image_ || !is_pic16f(choice_device_)) return false;
    if (index < 0 || std::size_t(index) >= code_protect_items(choice_device_).size()) return false;
    view_.code_protect_index = index;
    image_->config[7] = encode_code_protect(choice_device_, image_->config[7], index);
    show_config_word();
    settings.verify_after = 0;
    return true;
}

bool TConfigPanel::FuseClick(Fuse fuse, bool checked, bool busy) {
    if (busy || !image_ || !is_pic16f(choice_device_)) return false;
    view_.fuses[int(fuse)].checked = checked;
    image_->config[7] = encode_fuse(image_->config[7], fuse, checked);
    show_config_word();
    return true;
}

void TConfigPanel::ConfigWordChange(std::string_view text) {
    view_.config_word = std::string(text);
    if (std::uint16_t* w = config_word_slot()) *w = hex_word(text);
}

void TConfigPanel::ConfigChange(int k, std::string_view text) {
    if (k < 1 || k > 6) return;
    view_.config[k - 1] = std::string(text);
    if (image_ && is_pic18f(value_device_)) image_->config[k - 1] = hex_word(text);
}

void TConfigPanel::IDWordChange(int k, std::string_view text) {
    if (k < 1 || k > 4) return;
    view_.id_words[k - 1] = std::string(text);
    if (!image_) return;
    const std::uint16_t v = hex_word(text);
    if (is_pic16f(value_device_)) {
        image_->config[k - 1] = v;
    } else if (is_pic18f(value_device_)) {
        image_->id[2 * k - 2] = std::uint8_t(v & 0xFF);
        image_->id[2 * k - 1] = std::uint8_t(v >> 8);
    }
}

void TConfigPanel::set_pic_id(std::uint16_t id) { view_.pic_id = hex_word_text(id); }

} // namespace korvane
