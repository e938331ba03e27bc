#include "ui/dialog.h"
#include "ui/widget_draw.h"

#include "platform/keyboard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace ui;

const std::string kU8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

// A small dialog: two radio buttons and a check box bound to ints, a name field of three
// characters, OK (default) and Cancel.
class TestDialog : public cDialog {
  public:
    TestDialog()
        : cDialog(
              DialogTemplate{200,
                             120,
                             80,
                             WS_POPUP | WS_CAPTION | WS_SYSMENU,
                             "Test",
                             {
                                 {10, WidgetType::RadioButton, "A", 5, 5, 30, 10, CS_TABSTOP | CS_GROUP},
                                 {11, WidgetType::RadioButton, "B", 40, 5, 30, 10, CS_TABSTOP},
                                 {12, WidgetType::CheckBox, "C", 5, 20, 40, 10, CS_TABSTOP | CS_GROUP},
                                 {13, WidgetType::Edit, "", 5, 35, 40, 14, CS_TABSTOP},
                                 {1000, WidgetType::PushButton, "OK", 5, 55, 40, 14, CS_TABSTOP | CS_DEFAULT},
                                 {1001, WidgetType::PushButton, "Cancel", 50, 55, 40, 14, CS_TABSTOP},
                             }}),
          radioA(&choice, 1), radioB(&choice, 0), check(&flag), edit(&name, 3, true) {}

    void OnInit(win::WPARAM wp, win::LPARAM lp) override {
        cDialog::OnInit(wp, lp);
        AddControl(&radioA, 10);
        AddControl(&radioB, 11);
        AddControl(&check, 12);
        AddControl(&edit, 13);
        CopyIntoControls();
    }
    win::LRESULT OnCommand(win::WPARAM wp, win::LPARAM lp) override {
        cDialog::OnCommand(wp, lp);
        if ((wp & 0xFFFF) == 1000) {
            CopyBackFromControls();
            End(1);
        } else if ((wp & 0xFFFF) == 1001) {
            End(0);
        }
        return 1;
    }
    int Draw() override {
        ++draws;
        return 0;
    }

    int choice = 1, flag = 0, draws = 0;
    std::string name = "ABC";
    cRadioCtrl radioA, radioB;
    cCheckCtrl check;
    cEditCtrl edit;
};

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        win::ReleaseAllKeys();
        SetDialogHost(&host);
    }
    void TearDown() override {
        SetDialogHost(nullptr);
        cHook::Uninstall();
    }
    // Focus on the edit field with its whole text selected.
    cScriptHost& ToEdit() { return host.Key(win::VK_TAB).Key(win::VK_TAB).Key(win::VK_TAB); }
    int Count(const TestDialog& d, win::UINT msg, win::WPARAM wp) {
        int n = 0;
        for (const auto& t : d.m_Trace)
            n += t.msg == msg && t.wParam == wp;
        return n;
    }
    cScriptHost host;
};

TEST_F(Dialogs, RunningTwiceIsRefusedAndClosingGivesZero) {
    TestDialog d;
    int nested = -1, open = 0;
    host.Do([&](cDialog& dlg) {
        nested = dlg.RunModal(0);
        open = cDialog::OpenCount();
    });
    EXPECT_EQ(d.RunModal(0), 0); // the script ends: closed
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(open, 1);
    EXPECT_EQ(cDialog::OpenCount(), 0);
    EXPECT_FALSE(d.IsOpen());

    // A click on the caption's close box closes; nothing is copied back.
    cScriptHost clicks;
    clicks.ClickItem(12).ClickItem(CLICK_CLOSE_BOX).ClickItem(1000);
    SetDialogHost(&clicks);
    TestDialog e;
    e.SetRequestedPos(100, 50);
    EXPECT_EQ(e.RunModal(0), 0);
    EXPECT_EQ(e.flag, 0);
}

TEST_F(Dialogs, RadioButtonsAndCheckBoxBindToTheirVariables) {
    TestDialog d;
    d.choice = 0; // shows B marked
    host.Do([](cDialog& dlg) {
        EXPECT_EQ(dlg.GetDlgItem(10)->checked, 0);
        EXPECT_EQ(dlg.GetDlgItem(11)->checked, 1);
    });
    // Focus starts on A; an arrow key moves within the group and marks; Tab goes on to the check box.
    host.ClickItem(10).Key(win::VK_RIGHT).Key(win::VK_TAB).Key(win::VK_SPACE).Key(win::VK_RETURN);
    EXPECT_EQ(d.RunModal(0), 1);
    EXPECT_EQ(d.choice, 0);
    EXPECT_EQ(d.flag, 1);

    TestDialog e;
    e.choice = 0;
    cScriptHost h2;
    SetDialogHost(&h2);
    h2.ClickItem(10).ClickItem(1000);
    EXPECT_EQ(e.RunModal(0), 1);
    EXPECT_EQ(e.choice, 1);
}

// A button, check box or radio button goes down with Space and acts when Space is let go over it:
// Space held (its repeats included) does nothing yet, and Space let go after the focus moved on, or
// let go without having gone down in the dialog, presses nothing.
TEST_F(Dialogs, SpacePressesTheFocusedControlWhenLetGo) {
    enum Step { Down, Repeat, Up, Tab };
    struct Case {
        const char* name;
        int focus; // the control focused first
        std::vector<Step> steps;
        bool pressed; // the control is pressed by the last step (and by none before it)
    };
    const Case cases[] = {
        {"OK: down, up", 1000, {Down, Up}, true},
        {"OK: held with its repeats, then up", 1000, {Down, Repeat, Repeat, Repeat, Up}, true},
        {"Cancel: down, up", 1001, {Down, Up}, true},
        {"the check box: down, up", 12, {Down, Up}, true},
        {"the radio button: down, up", 11, {Down, Up}, true},
        {"OK: down, the focus moves on, up", 1000, {Down, Tab, Up}, false},
        {"the check box: down, the focus moves on, up", 12, {Down, Tab, Up}, false},
        {"OK: up alone", 1000, {Up}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDialog d;
        cScriptHost script;
        SetDialogHost(&script);
        script.Do([&c](cDialog& dlg) { dlg.SetFocus(dlg.GetDlgItem(c.focus)); });
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            script.Do([step = c.steps[i]](cDialog& dlg) {
                win::UiEvent e;
                e.kind = step == Up ? win::UiEvent::KeyUp : win::UiEvent::KeyDown;
                e.vk = step == Tab ? win::VK_TAB : win::VK_SPACE;
                e.repeat = step == Repeat;
                dlg.Feed(e);
                if (step == Tab) {
                    e.kind = win::UiEvent::KeyUp;
                    dlg.Feed(e);
                }
                dlg.Pump();
            });
            if (i + 1 < c.steps.size())
                script.Do(
                    [&, i](cDialog&) { EXPECT_EQ(Count(d, WM_COMMAND, c.focus), 0) << "after step " << i; });
        }
        d.RunModal(0);
        EXPECT_EQ(Count(d, WM_COMMAND, c.focus), c.pressed ? 1 : 0);
    }
}

TEST_F(Dialogs, EditLimitCountsShiftJisCharactersAndRefusalRestores) {
    TestDialog d;
    d.name = "AB";
    ToEdit()
        .Text(kU8(u8"あ")) // replaces the selection: "あ"
        .Text("x")         // "あx"
        .Key(win::VK_LEFT) // caret between them
        .Text(kU8(u8"い")) // "あいx": three characters in five bytes
        .Do([](cDialog& dlg) {
            EXPECT_EQ(dlg.GetDlgItem(13)->text, "あいx");
            EXPECT_EQ(dlg.GetDlgItem(13)->selEnd, 4);
        })
        .Text("z") // a fourth character: refused
        .Do([](cDialog& dlg) {
            const cWidget* w = dlg.GetDlgItem(13);
            EXPECT_EQ(w->text, "あいx");
            EXPECT_EQ(w->selStart, 4);
            EXPECT_EQ(w->selEnd, 4);
        })
        .Text(kU8(u8"\U0001F600")) // no Shift-JIS form: refused, nothing changes
        .Key(win::VK_RETURN);
    EXPECT_EQ(d.RunModal(0), 1);
    EXPECT_EQ(d.name, "あいx");
}

TEST_F(Dialogs, EnterWhileComposingOnlyCommits) {
    TestDialog d;
    d.name = "";
    ToEdit()
        .Compose(kU8(u8"か"))
        .Key(win::VK_RETURN) // the input method's: commits, no OK
        .Do([](cDialog& dlg) { EXPECT_TRUE(dlg.IsOpen()); })
        .Text(kU8(u8"か"))
        .Key(win::VK_RETURN);
    EXPECT_EQ(d.RunModal(0), 1);
    EXPECT_EQ(d.name, "か");
    EXPECT_EQ(Count(d, win::WM_KEYDOWN, win::VK_RETURN), 1);
}

TEST_F(Dialogs, HookHandsKeysToTheDialogOnce) {
    TestDialog d;
    const int installs = cHook::InstallCount();
    host.Key(win::VK_RIGHT).Key(win::VK_TAB).Key('Q').Key(win::VK_F1 + 7).Key(win::VK_F1 + 8);
    d.RunModal(0);
    EXPECT_EQ(Count(d, WM_USER_HOOKKEY, win::VK_RIGHT), 1);
    EXPECT_EQ(Count(d, win::WM_KEYDOWN, win::VK_RIGHT), 0);
    EXPECT_EQ(Count(d, win::WM_KEYUP, win::VK_RIGHT), 1);
    EXPECT_EQ(Count(d, win::WM_KEYDOWN, win::VK_TAB) + Count(d, WM_USER_HOOKKEY, win::VK_TAB), 0);
    EXPECT_EQ(Count(d, win::WM_KEYDOWN, 'Q'), 1);
    EXPECT_EQ(Count(d, WM_USER_HOOKKEY, win::VK_F1 + 7), 1);
    EXPECT_EQ(Count(d, win::WM_KEYDOWN, win::VK_F1 + 8), 1);

    // A second dialog keeps the one hook; without the hook nothing reaches the dialog.
    TestDialog e;
    cScriptHost h2;
    h2.Key(win::VK_UP);
    SetDialogHost(&h2);
    e.RunModal(0);
    EXPECT_EQ(cHook::InstallCount(), installs + 1);
    EXPECT_EQ(Count(e, WM_USER_HOOKKEY, win::VK_UP), 1);
    cHook::Uninstall();
    TestDialog f;
    cScriptHost h3;
    h3.Do([](cDialog&) { cHook::Uninstall(); }).Key(win::VK_UP);
    SetDialogHost(&h3);
    f.RunModal(0);
    EXPECT_EQ(Count(f, WM_USER_HOOKKEY, win::VK_UP), 0);
}

// Text input follows the focus: only a focused edit field gives a rectangle, and it is where the
// field is (a click at its middle focuses that field).
TEST_F(Dialogs, OnlyAFocusedTextFieldTakesTextInputWhereItIs) {
    TestDialog d;
    struct Look {
        bool field;
        win::RECT rect;
    };
    std::vector<Look> looks;
    auto look = [&](cDialog& dlg) {
        Look l{false, {}};
        l.field = FocusedTextField(dlg, l.rect);
        looks.push_back(l);
    };
    win::RECT fieldSeen{};
    auto clickTheField = [&](cDialog& dlg) {
        win::UiEvent e;
        e.kind = win::UiEvent::MouseDown;
        e.button = 1;
        e.x = (fieldSeen.left + fieldSeen.right) / 2;
        e.y = (fieldSeen.top + fieldSeen.bottom) / 2;
        dlg.Feed(e);
        e.kind = win::UiEvent::MouseUp;
        dlg.Feed(e);
    };
    // The first radio button, the second, the check box, the edit field, OK; then a click back.
    host.Do(look).Key(win::VK_TAB).Do(look).Key(win::VK_TAB).Do(look).Key(win::VK_TAB).Do(look);
    host.Do([&](cDialog&) { fieldSeen = looks.back().rect; }).Key(win::VK_TAB).Do(look);
    host.Do(clickTheField).Do(look).Close();
    d.RunModal(0);
    const bool expected[] = {false, false, false, true, false, true};
    ASSERT_EQ(looks.size(), std::size(expected));
    for (std::size_t i = 0; i < looks.size(); ++i)
        EXPECT_EQ(looks[i].field, expected[i]) << "look " << i;
    const win::RECT& r = looks[3].rect;
    EXPECT_LT(r.left, r.right);
    EXPECT_LT(r.top, r.bottom);
    EXPECT_EQ(looks[5].rect.left, r.left);
    EXPECT_EQ(looks[5].rect.top, r.top);
    EXPECT_EQ(looks[5].rect.right, r.right);
    EXPECT_EQ(looks[5].rect.bottom, r.bottom);
}

TEST_F(Dialogs, DrawsTheDialogOverTheFrame) {
    TestDialog d;
    d.SetRequestedPos(20, 30);
    std::vector<std::uint32_t> frame;
    host.Do([&](cDialog& dlg) { RenderDialog(dlg, frame); });
    d.RunModal(0);
    ASSERT_EQ(frame.size(), 640u * 480u);
    EXPECT_EQ(frame[0], 0u);                          // outside: the backdrop
    EXPECT_EQ(frame[(30 + 1) * 640 + 20], 0xFFFFFFu); // the raised frame's light edge
    EXPECT_EQ(frame[(30 + 5) * 640 + 60], 0x0A246Au); // the caption
}

} // namespace
