#include "ui/desktop.h"
#include "ui/message_names.h"
#include "ui/window_object.h"

#include "platform/keyboard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace ui;

class Geometry : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDesktopForTests();
        win::ReleaseAllKeys();
    }
    void TearDown() override {
        ResetDesktopForTests();
        win::ReleaseAllKeys();
    }
};

TEST_F(Geometry, FramesFollowTheStyle) {
    cWindow main;
    // The main window: caption, system menu, minimise and maximise boxes, no bars.
    main.SetWindowGeometry(640, 480, 100, 100, 640, 480, 0x80CB0000, false, 0, 0, 0, 0);
    EXPECT_EQ(main.FrameTop(), SM_CYCAPTION + SM_CYDLGFRAME);
    EXPECT_EQ(main.FrameLeft(), SM_CXDLGFRAME);
    EXPECT_EQ(main.WindowWidth(), 640 + 2 * SM_CXDLGFRAME);
    EXPECT_EQ(main.WindowHeight(), 480 + SM_CYCAPTION + 2 * SM_CYDLGFRAME);
    MINMAXINFO mm{};
    main.GetMinMaxInfo(&mm);
    EXPECT_EQ(mm.ptMinTrackSize.x, 100 + 2 * SM_CXDLGFRAME);
    EXPECT_EQ(mm.ptMaxTrackSize.y, 480 + SM_CYCAPTION + 2 * SM_CYDLGFRAME);

    // A sizing frame wins over the dialog frame; bars are added to the wanted view size.
    cWindow tool;
    tool.SetWindowGeometry(200, 100, 0, 0, 0, 0, WS_THICKFRAME, true, 2, 1, 0, 3);
    EXPECT_EQ(tool.FrameTop(), SM_CYFRAME + SM_CYMENU);
    EXPECT_EQ(tool.ClientWidth(), 200 + SM_CXVSCROLL);
    EXPECT_EQ(tool.ClientHeight(), 100 + 2 * TOOLBAR_ROW_HEIGHT + SM_CYHSCROLL + STATUSBAR_HEIGHT);
    const win::RECT v = tool.View();
    EXPECT_EQ(v.top, 2 * TOOLBAR_ROW_HEIGHT);
    EXPECT_EQ(v.right - v.left, 200);
    EXPECT_EQ(v.bottom - v.top, 100);
}

TEST_F(Geometry, RequestedPositionIsFittedIntoTheWorkArea) {
    SetWorkArea(win::RECT{0, 0, 1024, 768});
    cWindow w;
    w.SetWindowGeometry(300, 200, 0, 0, 0, 0, WS_POPUP | WS_DLGFRAME, false, 0, 0, 0, 0);
    const int h = w.WindowHeight();
    w.SetRequestedPos(-20, 5000);
    w.FitIntoWorkArea();
    EXPECT_EQ(w.GetWindowPos().x, 0);
    EXPECT_EQ(w.GetWindowPos().y, 768 - h);
    EXPECT_EQ(w.GetRequestedPos().y, 768 - h);

    // Touching the right edge exactly counts as reaching it; no requested position moves nothing.
    w.SetRequestedPos(1024 - w.WindowWidth(), 10);
    w.FitIntoWorkArea();
    EXPECT_EQ(w.GetWindowPos().x, 1024 - w.WindowWidth());
    cWindow still;
    still.SetWindowGeometry(10, 10, 0, 0, 0, 0, 0, false, 0, 0, 0, 0);
    still.MoveWindowTo(7, 9);
    still.FitIntoWorkArea();
    EXPECT_EQ(still.GetWindowPos().x, 7);
}

TEST_F(Geometry, CursorOutsideTheViewIsNotStored) {
    cWindow w;
    w.SetWindowGeometry(100, 100, 0, 0, 0, 0, WS_POPUP | WS_CAPTION, false, 0, 0, 0, 0);
    w.MoveWindowTo(50, 50);
    // Unknown cursor: the call goes on with the last point, logged.
    SetCursorFromMouse(50 + 3 + 10, 50 + w.FrameTop() + 20, true);
    ASSERT_EQ(w.GetClientCursorPos(0, 7), 1);
    EXPECT_EQ(w.Mouse().x, 10);
    EXPECT_EQ(w.Mouse().y, 20);
    SetCursorFromMouse(40, 60, true); // left of the view
    EXPECT_EQ(w.GetClientCursorPos(0, 7), 0);
    EXPECT_EQ(w.Mouse().x, 10);
    EXPECT_EQ(w.GetClientCursorPos(1, 7), 1);
    EXPECT_LT(w.Mouse().x, 0);
}

TEST_F(Geometry, ButtonEdgesOverSamples) {
    cWindow w;
    win::SetKeyDown(0x01, true);
    int pressed[3], held[3];
    for (int i = 0; i < 3; ++i) {
        w.SampleButtons(SAMPLE_HELD | SAMPLE_PRESSED | SAMPLE_RELEASED);
        pressed[i] = w.Mouse().lPressed;
        held[i] = w.Mouse().lHeld;
    }
    EXPECT_EQ(pressed[0], 1);
    EXPECT_EQ(pressed[1], 0);
    EXPECT_EQ(pressed[2], 0);
    EXPECT_EQ(held[2], 1);
    win::SetKeyDown(0x01, false);
    w.SampleButtons(7);
    EXPECT_EQ(w.Mouse().lReleased, 1);
    w.SampleButtons(7);
    EXPECT_EQ(w.Mouse().lReleased, 0);
    win::SetKeyDown(0x01, true);
    w.SampleButtons(7);
    EXPECT_EQ(w.Mouse().lPressed, 1);
}

class Reentrant : public cWindow {
  public:
    int commands = 0;
    win::LRESULT nested = -1;
    win::LRESULT OnCommand(win::WPARAM, win::LPARAM) override {
        ++commands;
        nested = HandleMessage(nullptr, WM_COMMAND, 5, 0);
        return 1;
    }
};

TEST(MessageHandler, GuardsNestedCommands) {
    Reentrant w;
    EXPECT_EQ(w.HandleMessage(nullptr, WM_COMMAND, 0x00020003, 0x00050006), 1);
    EXPECT_EQ(w.commands, 1);
    EXPECT_EQ(w.nested, 0); // the nested command was refused
    EXPECT_EQ(w.HandleMessage(nullptr, 1025, 0, -1), 0);
}

} // namespace
