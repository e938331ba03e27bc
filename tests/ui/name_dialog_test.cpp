#include "ui/name_dialog.h"

#include "app/system_ini.h"
#include "platform/gfx/presenter.h"
#include "platform/keyboard.h"
#include "platform/message_box.h"
#include "ui/desktop.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace ui;

std::string U8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

class NameDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDesktopForTests();
        SetDialogHost(&host);
    }
    void TearDown() override {
        SetDialogHost(nullptr);
        g_SystemIni.English = 0;
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
    }
    cScriptHost host;
};

TEST_F(NameDialog, OpensSelectedAndTypingReplaces) {
    std::string name = "AAA";
    host.Do([](cDialog& d) {
        EXPECT_EQ(d.GetWindowPos().x, 240);
        EXPECT_EQ(d.GetWindowPos().y, 220);
        win::POINT pt;
        ASSERT_TRUE(GetCursorPos(&pt));
        EXPECT_EQ(pt.x, 320);
        EXPECT_EQ(pt.y, 285);
        const cWidget* e = d.GetDlgItem(1003);
        EXPECT_EQ(d.Focus(), e);
        EXPECT_EQ(e->selStart, 0);
        EXPECT_EQ(e->selEnd, 3);
        EXPECT_EQ(d.GetDlgItem(1007)->text, "登録名(3文字まで)");
    });
    host.Text("B").Key(win::VK_RETURN);
    EXPECT_EQ(RunNameDialog(&name), 1);
    EXPECT_EQ(name, "B");
}

TEST_F(NameDialog, ThreeJapaneseCharactersAndNoMore) {
    std::string name = "AAA";
    host.Compose(U8(u8"あいうえ"))
        .Text(U8(u8"あいうえ")) // four at once: refused whole, the offered name stays selected
        .Do([](cDialog& d) {
            EXPECT_EQ(d.GetDlgItem(1003)->text, "AAA");
            EXPECT_EQ(d.GetDlgItem(1003)->selEnd, 3);
        })
        .Compose(U8(u8"あい"))
        .Key(win::VK_RETURN)
        .Text(U8(u8"あい"))
        .Text(U8(u8"ｳ"))  // half-width katakana: one byte
        .Text(U8(u8"え")) // a fourth character
        .Text(U8(u8"한")) // no Shift-JIS form
        .Key(win::VK_RETURN);
    EXPECT_EQ(RunNameDialog(&name), 1);
    EXPECT_EQ(name, "あいｳ");
    EXPECT_EQ(name.size(), 5u);
}

TEST_F(NameDialog, ClosingKeepsTheNameAndNoTargetIsHarmless) {
    std::string name = "AAA";
    host.Text("XY").Close();
    EXPECT_EQ(RunNameDialog(&name), 0);
    EXPECT_EQ(name, "AAA");
    cScriptHost again;
    again.Text("Z").Key(win::VK_RETURN);
    SetDialogHost(&again);
    EXPECT_EQ(RunNameDialog(nullptr), 1);
}

TEST_F(NameDialog, EnglishLabel) {
    g_SystemIni.English = 1;
    std::string label;
    host.Do([&](cDialog& d) { label = d.GetDlgItem(1007)->text; });
    std::string name;
    RunNameDialog(&name);
    EXPECT_EQ(label, "     Name");
}

TEST_F(NameDialog, ScriptedAnswersAndScriptedEvents) {
    SetDialogHost(nullptr);
    std::string name = "AAA";
    setenv("MIRELDA4_ANSWERS", (U8(u8"ＡＢＣＤ") + ",cancel,events:text:Q enter").c_str(), 1);
    win::ResetMessageBoxAnswersForTests();
    EXPECT_EQ(RunNameDialog(&name), 1);
    EXPECT_EQ(name, "ＡＢＣ");
    EXPECT_EQ(RunNameDialog(&name), 0);
    EXPECT_EQ(name, "ＡＢＣ");
    // Events run the real dialog, drawn into the game window's frame.
    const auto before = gfx::PublishedFrameCount();
    EXPECT_EQ(RunNameDialog(&name), 1);
    EXPECT_EQ(name, "Q");
    EXPECT_GT(gfx::PublishedFrameCount(), before);
    // No answers left and no display: the name stays.
    EXPECT_EQ(RunNameDialog(&name), 0);
    EXPECT_EQ(name, "Q");
}

} // namespace
