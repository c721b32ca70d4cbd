#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <tuple>

#include "ui/message_format.h"
#include "ui/msg_form.h"

namespace korvane::test {
namespace {

// Every field of a line format, for comparing whole formats.
auto fields(const LineFormat& f) {
    return std::tuple(int(f.align), f.bold, f.italic, f.underline, f.strike, f.point_size, f.text);
}

TEST(MessageFormat, PrefixesSelectAlignmentStyleAndSize) {
    EXPECT_EQ(fields(parse_line_format("Process Aborted")),
              fields({LineAlign::Centre, false, false, false, false, 8, "Process Aborted"}));
    EXPECT_EQ(fields(parse_line_format("lbu12~Start Time : ")),
              fields({LineAlign::Left, true, false, true, false, 12, "Start Time : "}));
    EXPECT_EQ(fields(parse_line_format("is~a~b")), fields({LineAlign::Centre, false, true, false, true, 8, "a~b"}));
    EXPECT_EQ(parse_line_format("rl~x").align, LineAlign::Right);   // r wins over l
    // The first character of the prefix is never part of the size.
    EXPECT_EQ(parse_line_format("12~x").point_size, 2);
    EXPECT_EQ(parse_line_format("9~x").point_size, 8);
    EXPECT_EQ(parse_line_format("~x").align, LineAlign::Centre);
    // A zero or absurd size still gives readable text.
    EXPECT_EQ(parse_line_format("b0~x").point_size, 8);
    EXPECT_EQ(parse_line_format("b99999999999~x").point_size, 72);
}

TEST(MessageBox, ButtonsCaptionsBoldAndLastUnderlined) {
    TMsgForm box(nullptr, {"Confirm", "Really want to program the Device ?"}, MsgKind::Question,
                 {mbYes, mbNo, 42});
    EXPECT_EQ(box.windowTitle(), "Confirm");
    ASSERT_EQ(box.buttons().size(), 3u);
    EXPECT_EQ(box.buttons()[0]->text(), "Yes");
    EXPECT_EQ(box.buttons()[1]->text(), "No");
    EXPECT_EQ(box.buttons()[2]->text(), "Ok");
    EXPECT_TRUE(box.buttons()[0]->font().bold());
    EXPECT_FALSE(box.buttons()[0]->font().underline());
    EXPECT_TRUE(box.buttons()[2]->font().bold());
    EXPECT_TRUE(box.buttons()[2]->font().underline());
    EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(button_caption(mbAll), "All");
    EXPECT_EQ(button_caption(mbIgnore), "Ignore");
}

TEST(MessageBox, EveryKindSounds) {
    std::vector<unsigned> sounds;
    TMsgForm::beep_hook = [&sounds](unsigned type) { sounds.push_back(type); };
    for (MsgKind kind : {MsgKind::Warning, MsgKind::Error, MsgKind::Information, MsgKind::Question, MsgKind::None})
        TMsgForm box(nullptr, {"Cap", "line"}, kind, {mbOK});
    TMsgForm::beep_hook = nullptr;
    EXPECT_EQ(sounds, (std::vector<unsigned>{0x30, 0x10, 0x40, 0x20, 0}));
}

TEST(MessageBox, ReturnsThePressedButtonsCode) {
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<TMsgForm*>(w); box && box->isVisible()) box->buttons()[1]->click();
    });
    EXPECT_EQ(TMsgForm::run(nullptr, {"Confirm", "?"}, MsgKind::Question, {mbYes, mbNo}), mbNo);
}

TEST(MessageBox, WithoutButtonsClosesItselfReturningOne) {
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(TMsgForm::run(nullptr, {"PIC 16F84  ", "b~Working"}, MsgKind::None, {}), 1);
    EXPECT_GE(t.elapsed(), TMsgForm::kSelfCloseMs - 50);
}

TEST(MessageBox, BodyLinesTakeTheirFormat) {
    TMsgForm box(nullptr, {"Cap", "rb14~Right", "plain"}, MsgKind::Error, {mbOK});
    auto* first = box.findChild<QLabel*>("Line1");
    auto* second = box.findChild<QLabel*>("Line2");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->text(), "Right");
    EXPECT_TRUE(first->alignment() & Qt::AlignRight);
    EXPECT_TRUE(first->font().bold());
    EXPECT_EQ(first->font().pointSize(), 14);
    EXPECT_TRUE(second->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(second->font().pointSize(), 8);
    EXPECT_NE(box.findChild<QLabel*>("Icon"), nullptr);
}

} // namespace
} // namespace korvane::test
