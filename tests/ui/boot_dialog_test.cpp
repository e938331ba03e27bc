#include "ui/boot_dialog.h"
#include "ui/desktop.h"
#include "ui/dialog.h"

#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "platform/keyboard.h"
#include "platform/message_box.h"
#include "app/system_ini.h"
#include "project/boot_data.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class BootDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "user_data");
        g_BootData = cBootData();
    }
    void TearDown() override {
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
        g_BootData = cBootData();
    }
    void Answers(const char* list) {
        setenv("MIRELDA4_ANSWERS", list, 1);
        win::ResetMessageBoxAnswersForTests();
    }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cd{dir.path()};
};

} // namespace

TEST_F(BootDialog, ChoiceIsStoredAsTwoWords) {
    Answers("direct3d noask");
    EXPECT_EQ(RunBootDialog(), 1);
    EXPECT_EQ(g_BootData.nDrawMode, 1);
    EXPECT_EQ(g_BootData.bNoAsk, 1);
    fixtures::ByteWriter w;
    w.i32(732).i32(2).i32(1).i32(1).i32(0);
    EXPECT_EQ(fixtures::ReadAll((dir.path() / "user_data" / "Boot.dat").string()), w.data());

    cBootData back;
    ASSERT_TRUE(back.LoadFile("user_data\\Boot.dat"));
    EXPECT_EQ(back.nDrawMode, 1);
    EXPECT_EQ(back.bNoAsk, 1);
}

TEST_F(BootDialog, CancelAndDefaults) {
    Answers("cancel");
    EXPECT_EQ(RunBootDialog(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "user_data" / "Boot.dat"));
    Answers("");
    g_BootData.nDrawMode = 1;
    EXPECT_EQ(RunBootDialog(), 1);
    EXPECT_EQ(g_BootData.nDrawMode, 1);
    EXPECT_EQ(g_BootData.bNoAsk, 0);
    Answers("directdraw");
    EXPECT_EQ(RunBootDialog(), 1);
    EXPECT_EQ(g_BootData.nDrawMode, 0);
}

namespace {

using namespace ui;

class BootDialogWidgets : public BootDialog {
  protected:
    void SetUp() override {
        BootDialog::SetUp();
        ResetDesktopForTests();
        SetDialogHost(&host);
    }
    void TearDown() override {
        SetDialogHost(nullptr);
        g_SystemIni.English = 0;
        BootDialog::TearDown();
    }
    cScriptHost host;
};

TEST_F(BootDialogWidgets, StartStoresTheChoiceAndTheFlag) {
    g_BootData.nDrawMode = 0;
    host.Do([](cDialog& d) {
        // Placed over the middle of the game area, the cursor on the start button.
        EXPECT_EQ(d.GetWindowPos().x, 133);
        EXPECT_EQ(d.GetWindowPos().y, 104);
        win::POINT pt;
        ASSERT_TRUE(GetCursorPos(&pt));
        EXPECT_EQ(pt.x, 133 + 181);
        EXPECT_EQ(pt.y, 104 + 198);
        const win::RECT r = d.GetDlgItem(1000)->rect;
        const int cx = pt.x - 133 - d.FrameLeft(), cy = pt.y - 104 - d.FrameTop();
        EXPECT_TRUE(cx >= r.left && cx < r.right && cy >= r.top && cy < r.bottom);
        // The stored choice shows.
        EXPECT_EQ(d.GetDlgItem(1003)->checked, 1);
        EXPECT_EQ(d.GetDlgItem(1002)->checked, 0);
    });
    host.ClickItem(1002).ClickItem(1004).Key(win::VK_RETURN);
    EXPECT_EQ(RunBootDialog(), 1);
    fixtures::ByteWriter w;
    w.i32(732).i32(2).i32(1).i32(1).i32(0);
    EXPECT_EQ(fixtures::ReadAll((dir.path() / "user_data" / "Boot.dat").string()), w.data());
}

TEST_F(BootDialogWidgets, CancelOrCloseEndsWithNothingStored) {
    host.ClickItem(1004).ClickItem(1001);
    EXPECT_EQ(RunBootDialog(), 0);
    cScriptHost close;
    close.ClickItem(CLICK_CLOSE_BOX);
    SetDialogHost(&close);
    EXPECT_EQ(RunBootDialog(), 0);
    EXPECT_EQ(g_BootData.bNoAsk, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "user_data" / "Boot.dat"));
}

// A choice that cannot be kept for the next start (its file cannot be replaced) still starts this
// run with it, and the user, who asked for it to be kept, is told in a box, whether it was chosen in
// the dialog or taken from the answers.
TEST_F(BootDialogWidgets, AChoiceThatCannotBeStoredIsToldAndStillStarts) {
    struct Case {
        const char* what;
        bool widgets;
    };
    for (const Case c : {Case{"chosen in the dialog", true}, Case{"taken from the answers", false}}) {
        SCOPED_TRACE(c.what);
        g_BootData = cBootData();
        // A folder where the file should be: the write fails as on a full or read-only disk.
        std::filesystem::create_directories(dir.path() / "user_data" / "Boot.dat");
        fixtures::BoxCapture boxes;
        cScriptHost script;
        if (c.widgets) {
            script.ClickItem(1002).ClickItem(1004).Key(win::VK_RETURN);
            SetDialogHost(&script);
        } else {
            SetDialogHost(nullptr);
            Answers("direct3d noask");
        }
        EXPECT_EQ(RunBootDialog(), 1);
        EXPECT_EQ(g_BootData.nDrawMode, 1);
        EXPECT_EQ(g_BootData.bNoAsk, 1);
        ASSERT_EQ(boxes.texts().size(), 1u);
        EXPECT_NE(boxes.texts()[0].find("Boot.dat の書き込みに失敗"), std::string::npos) << boxes.texts()[0];
        EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "user_data" / "Boot.dat"));
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
    }
}

TEST_F(BootDialogWidgets, EnglishLabelsLeaveTheRadioCaptions) {
    g_SystemIni.English = 1;
    g_SystemData.m_strTitle = "Game";
    std::vector<std::string> texts;
    std::string caption;
    host.Do([&](cDialog& d) {
        caption = d.Caption();
        for (int id : {1006, 1000, 1001, 1005, 1004, 1002, 1003})
            texts.push_back(d.GetDlgItem(id)->text);
    });
    cBootDialog dialog;
    EXPECT_EQ(dialog.RunModal(0), 0);
    EXPECT_EQ(caption, "Game");
    EXPECT_EQ(texts, (std::vector<std::string>{"Drawing mode", "Start", "Cancel",
                                               "Configure the detail settings at \"System.ini\".",
                                               "Do not ask this dialog again", "Direct3D", "DirectDraw"}));
}

} // namespace
