#include "platform/keyboard.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/single_instance.h"
#include "platform/widget_events.h"
#include "platform/window.h"

#include <SDL.h>
#include <algorithm>
#include <bitset>
#include <functional>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<win::UINT> g_procCalls;
win::LRESULT RecordingProc(win::HWND, win::UINT msg, win::WPARAM, win::LPARAM) {
    g_procCalls.push_back(msg);
    return 0;
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        char tmpl[] = "/tmp/m4winXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        run = tmpl;
        setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
        win::ResetMessageModelForTests();
        g_procCalls.clear();
        win::ReleaseAllKeys();
        win::RegisterWindowClass("TestClass");
        hwnd = win::CreateMainWindowObject(&RecordingProc);
        ASSERT_TRUE(win::CreateMainWindow(hwnd, "タイトル", 100, 100, 640, 480));
        Drain();
    }
    void TearDown() override {
        win::ReleaseMainWindow(hwnd);
        win::DestroyMainWindowObject(hwnd);
        std::filesystem::remove_all(run);
        unsetenv("XDG_RUNTIME_DIR");
    }
    void Push(const SDL_Event& e) {
        SDL_Event copy = e;
        ASSERT_EQ(SDL_PushEvent(&copy), 1);
    }
    void PushWindowEvent(Uint8 what) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        Push(e);
    }
    void PushKey(bool down, SDL_Scancode sc, SDL_Keycode sym = SDLK_UNKNOWN, bool repeat = false) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = sym;
        e.key.repeat = repeat ? 1 : 0;
        Push(e);
    }
    // The messages the pump posted, in order.
    std::vector<win::MSG> Drain() {
        win::PumpWindowEvents();
        std::vector<win::MSG> out;
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE))
            out.push_back(m);
        return out;
    }
    std::filesystem::path run;
    win::HWND hwnd = nullptr;
};

TEST_F(MainWindow, HasTheRequestedClientAreaAndIsPublishedUnderItsClass) {
    win::RECT r;
    ASSERT_TRUE(win::GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);
    EXPECT_NE(win::GetMainSdlWindow(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(run / "mirelda4-window-TestClass.pid"));
    // Our own window is not "another running instance".
    EXPECT_EQ(win::FindWindowProcess("TestClass"), 0);
}

TEST_F(MainWindow, CloseBoxAndQuitBecomeWmClose) {
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    const auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 2u);
    for (const win::MSG& m : msgs) {
        EXPECT_EQ(m.message, win::WM_CLOSE);
        EXPECT_EQ(m.hwnd, hwnd);
    }
}

TEST_F(MainWindow, KeysFillTheKeyTableAndPostKeyMessages) {
    PushKey(true, SDL_SCANCODE_ESCAPE);
    PushKey(true, SDL_SCANCODE_LEFT);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].message, win::WM_KEYDOWN);
    EXPECT_EQ(msgs[0].wParam, static_cast<win::WPARAM>(win::VK_ESCAPE));
    EXPECT_EQ(msgs[1].wParam, static_cast<win::WPARAM>(win::VK_LEFT));
    EXPECT_NE(GetAsyncKeyState(win::VK_LEFT), 0);
    PushKey(false, SDL_SCANCODE_LEFT);
    msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, win::WM_KEYUP);
    EXPECT_EQ(GetAsyncKeyState(win::VK_LEFT), 0);
}

TEST_F(MainWindow, LetterKeysAreNamedByTheLayout) {
    // The French layout's A key stands where the US layout has Q.
    PushKey(true, SDL_SCANCODE_Q, SDLK_a);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].wParam, static_cast<win::WPARAM>('A'));
    EXPECT_NE(GetAsyncKeyState('A'), 0);
    EXPECT_EQ(GetAsyncKeyState('Q'), 0);
    PushKey(false, SDL_SCANCODE_Q, SDLK_a);
    Drain();
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
}

TEST_F(MainWindow, FocusBecomesActivateAppAndLosingItReleasesKeys) {
    PushKey(true, SDL_SCANCODE_Z);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    const auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[1].message, win::WM_ACTIVATEAPP);
    EXPECT_EQ(msgs[1].wParam, 0u);
    EXPECT_EQ(msgs[2].message, win::WM_ACTIVATEAPP);
    EXPECT_EQ(msgs[2].wParam, 1u);
    EXPECT_EQ(GetAsyncKeyState('Z'), 0);
}

// An exposure is a paint message, and the next present shows the whole frame, once: the frame that
// was lost from the window has not changed, so nothing else would show it again.
TEST_F(MainWindow, AnExposureAsksOnceForTheWholeFrame) {
    (void)win::TakeWindowExposure();
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    const auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, win::WM_PAINT);
    EXPECT_TRUE(win::TakeWindowExposure());
    EXPECT_FALSE(win::TakeWindowExposure());
}

TEST_F(MainWindow, WaitReturnsOnAnEventOrAPostedMessage) {
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    win::WaitForMessageOrEvent(); // returns: the event became a message
    win::MSG m;
    ASSERT_TRUE(win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(m.message, win::WM_CLOSE);
}

// A box open on the window thread keeps the window's events moving: the game window's close box ends
// the box as the box's own close box would (a question with No), and the close is posted to go on.
TEST_F(MainWindow, TheCloseBoxEndsABoxOpenOnTheWindowThread) {
    win::SetMessageBoxPresenter([this](const win::MessageBoxRequest&, const std::function<bool()>& closed) {
        PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!closed() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return win::IDYES;
    });
    testing::internal::CaptureStderr();
    const int answer = win::MessageBox(nullptr, "text", "caption", win::MB_YESNO);
    testing::internal::GetCapturedStderr();
    win::SetMessageBoxPresenter(nullptr);
    EXPECT_EQ(answer, win::IDNO);
    const auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, win::WM_CLOSE);
}

// While a box is open the window takes no input (a key pressed is dropped, not kept for after the
// box; a key let go is let go) and keeps showing its frame, whole after an exposure.
std::vector<bool> g_repaints;
void RecordRepaint(bool whole) {
    g_repaints.push_back(whole);
}

TEST_F(MainWindow, WhileABoxIsOpenTheWindowTakesNoInputAndKeepsItsFrame) {
    struct Case {
        const char* name;
        bool zHeldBefore;                // Z is down when the box opens
        std::function<void()> duringBox; // what the display sends while the box is up
        std::vector<win::UINT> afterBox; // the messages the window then has
        bool zDownAfter;                 // Z in the key table after the box
        bool wholeRepaint;               // the whole frame shown again
    };
    const std::vector<Case> cases = {
        {"a key pressed", false, [this] { PushKey(true, SDL_SCANCODE_Z); }, {}, false, false},
        {"Escape pressed", false, [this] { PushKey(true, SDL_SCANCODE_ESCAPE); }, {}, false, false},
        {"a held key let go", true, [this] { PushKey(false, SDL_SCANCODE_Z); }, {}, false, false},
        {"an exposure",
         false,
         [this] { PushWindowEvent(SDL_WINDOWEVENT_EXPOSED); },
         {win::WM_PAINT},
         false,
         true},
        {"nothing", false, [] {}, {}, false, false},
    };
    win::SetWindowRepaint(&RecordRepaint);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win::ReleaseAllKeys();
        (void)win::TakeWindowExposure();
        if (c.zHeldBefore) PushKey(true, SDL_SCANCODE_Z);
        Drain();
        g_repaints.clear();
        bool openMeanwhile = false;
        win::SetMessageBoxPresenter([&](const win::MessageBoxRequest&, const std::function<bool()>& closed) {
            openMeanwhile = win::MessageBoxOpen();
            c.duringBox();
            for (int i = 0; i < 3; ++i)
                closed();
            return win::IDOK;
        });
        const int answer = win::MessageBox(nullptr, "text", "caption", win::MB_OK);
        win::SetMessageBoxPresenter(nullptr);
        EXPECT_EQ(answer, win::IDOK);
        EXPECT_TRUE(openMeanwhile);
        EXPECT_FALSE(win::MessageBoxOpen());
        std::vector<win::UINT> after;
        for (const win::MSG& m : Drain())
            after.push_back(m.message);
        EXPECT_EQ(after, c.afterBox);
        EXPECT_EQ(GetAsyncKeyState('Z') != 0, c.zDownAfter);
        ASSERT_FALSE(g_repaints.empty()); // the frame is shown at every look
        EXPECT_EQ(std::count(g_repaints.begin(), g_repaints.end(), true), c.wholeRepaint ? 1 : 0);
    }
    win::SetWindowRepaint(nullptr);
    // Once the box is answered, keys reach the window again.
    PushKey(true, SDL_SCANCODE_ESCAPE);
    const auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].message, win::WM_KEYDOWN);
    PushKey(false, SDL_SCANCODE_ESCAPE);
    Drain();
}

// A key pressed into a dialog drawn in the game window is the dialog's: after the dialog the game
// sees neither it nor its repeats until it is let go and pressed again. A key held through the dialog
// stays held, and one let go in the dialog is let go.
TEST_F(MainWindow, AKeyPressedIntoADialogReachesTheGameOnlyWhenPressedAgain) {
    enum Event { Down, Repeat, Up };
    struct Case {
        const char* name;
        bool heldBefore;            // Space held when the dialog opens
        std::vector<Event> dialog;  // what the dialog takes
        bool heldAfter;             // Space in the key table after the dialog
        std::vector<Event> after;   // then, in the game window
        std::vector<win::UINT> got; // the messages those give
    };
    const std::vector<Case> cases = {
        {"pressed into the dialog", false, {Down}, false, {Repeat, Repeat}, {}},
        {"pressed into the dialog, held and let go",
         false,
         {Down, Repeat},
         false,
         {Repeat, Up},
         {win::WM_KEYUP}},
        {"held through the dialog", true, {Repeat}, true, {Repeat}, {win::WM_KEYDOWN}},
        {"held before, let go in the dialog", true, {Up}, false, {}, {}},
        {"pressed and let go in the dialog", false, {Down, Up}, false, {}, {}},
    };
    auto push = [this](Event e) { PushKey(e != Up, SDL_SCANCODE_SPACE, SDLK_SPACE, e == Repeat); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win::ReleaseAllKeys();
        if (c.heldBefore) push(Down);
        Drain();
        for (Event e : c.dialog)
            push(e);
        win::UiEvent ui;
        int taken = 0;
        while (win::PollUiEvent(ui))
            taken += ui.kind == win::UiEvent::KeyDown || ui.kind == win::UiEvent::KeyUp;
        EXPECT_EQ(taken, static_cast<int>(c.dialog.size())); // the dialog has every key event
        EXPECT_EQ(GetAsyncKeyState(win::VK_SPACE) != 0, c.heldAfter);
        for (Event e : c.after)
            push(e);
        std::vector<win::UINT> got;
        for (const win::MSG& m : Drain())
            got.push_back(m.message);
        EXPECT_EQ(got, c.got);
        EXPECT_EQ(GetAsyncKeyState(win::VK_SPACE) != 0, c.heldAfter);
        // Let go and pressed again, it reaches the game.
        push(Up);
        push(Down);
        got.clear();
        for (const win::MSG& m : Drain())
            got.push_back(m.message);
        EXPECT_EQ(got.back(), win::WM_KEYDOWN);
        EXPECT_NE(GetAsyncKeyState(win::VK_SPACE), 0);
    }
    win::ReleaseAllKeys();
}

// A key whose press went to another window (the first the game window hears of it is the display's
// repeat, as when the focus comes back with the key held) is neither a close nor play input until it
// is let go and pressed again.
TEST_F(MainWindow, AKeyPressedInAnotherWindowReachesTheGameOnlyWhenPressedAgain) {
    win::ReleaseAllKeys();
    Drain();
    for (int i = 0; i < 3; ++i)
        PushKey(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, true);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(GetAsyncKeyState(win::VK_ESCAPE), 0);
    PushKey(false, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    PushKey(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    PushKey(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, true);
    std::vector<win::UINT> got;
    for (const win::MSG& m : Drain())
        got.push_back(m.message);
    EXPECT_EQ(got, (std::vector<win::UINT>{win::WM_KEYUP, win::WM_KEYDOWN, win::WM_KEYDOWN}));
    EXPECT_NE(GetAsyncKeyState(win::VK_ESCAPE), 0);
    // Pressed while another window has the focus, until the video system tells it came back.
    PushKey(false, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PushKey(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushKey(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, true);
    got.clear();
    for (const win::MSG& m : Drain())
        got.push_back(m.message);
    EXPECT_EQ(got, (std::vector<win::UINT>{win::WM_KEYUP, win::WM_ACTIVATEAPP, win::WM_ACTIVATEAPP}));
    EXPECT_EQ(GetAsyncKeyState(win::VK_ESCAPE), 0);
    win::ReleaseAllKeys();
}

// A key the game saw go down and still held when the focus comes back stays held, whichever pump (the
// game window's or a dialog's) takes the loss and the return, and is let go when the display lets it
// go (the video system, which let it go at the loss, never tells its release). Only a press the game
// window did not see stays out of play. The video system tells a loss as it does on X: every held key
// let go, then the loss.
TEST_F(MainWindow, AKeyHeldThroughAFocusChangeStaysHeld) {
    enum Pump { Game, Dialog };
    struct Case {
        const char* name;
        bool gameHeld;     // the game saw Right go down before the loss
        bool letGoInGame;  // ... and let go, before the focus went
        Pump loss, gain;   // the pumps that take the loss and the return
        bool pressTold;    // a press the video system tells before it tells the return
        bool downAtReturn; // Right down on the display's keyboard as the focus comes back
        bool heldAfter;    // Right held in the key table then
    };
    const std::vector<Case> cases = {
        {"held through", true, false, Game, Game, false, true, true},
        {"held through a dialog's focus change", true, false, Dialog, Dialog, false, true, true},
        {"held through, the loss in a dialog", true, false, Dialog, Game, false, true, true},
        {"held, let go elsewhere", true, false, Game, Game, false, false, false},
        {"let go in the game, pressed elsewhere", true, true, Game, Game, false, true, false},
        {"pressed elsewhere", false, false, Game, Game, false, true, false},
        {"pressed elsewhere, told before the return", false, false, Game, Game, true, true, false},
        {"pressed elsewhere, the loss in a dialog", false, false, Dialog, Game, true, true, false},
    };
    const std::bitset<256> none, right = std::bitset<256>().set(win::VK_RIGHT);
    auto take = [this](Pump pump) {
        if (pump == Game) return static_cast<void>(Drain());
        win::UiEvent ui;
        while (win::PollUiEvent(ui)) {
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win::SetDisplayKeysForTests(&none);
        PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
        Drain();
        win::ReleaseAllKeys();
        if (c.gameHeld) PushKey(true, SDL_SCANCODE_RIGHT);
        if (c.letGoInGame) {
            PushKey(false, SDL_SCANCODE_RIGHT);
            PushWindowEvent(SDL_WINDOWEVENT_LEAVE); // the pointer goes to the other window
        }
        Drain();
        if (c.gameHeld && !c.letGoInGame) PushKey(false, SDL_SCANCODE_RIGHT);
        PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
        take(c.loss);
        EXPECT_EQ(GetAsyncKeyState(win::VK_RIGHT), 0);
        if (c.pressTold) PushKey(true, SDL_SCANCODE_RIGHT);
        win::SetDisplayKeysForTests(c.downAtReturn ? &right : &none);
        PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
        take(c.gain);
        EXPECT_EQ(GetAsyncKeyState(win::VK_RIGHT) != 0, c.heldAfter);
        EXPECT_EQ(win::KeySwallowed(win::VK_RIGHT), c.downAtReturn && !c.heldAfter);
        // The display's repeat of a key down: a press of the held key, none of one kept out.
        if (c.downAtReturn) PushKey(true, SDL_SCANCODE_RIGHT, SDLK_UNKNOWN, true);
        EXPECT_EQ(Drain().size(), c.downAtReturn && c.heldAfter ? 1u : 0u);
        EXPECT_EQ(GetAsyncKeyState(win::VK_RIGHT) != 0, c.heldAfter);
        // Let go on the display, told or not: up, and a press counts again.
        win::SetDisplayKeysForTests(&none);
        Drain();
        EXPECT_EQ(GetAsyncKeyState(win::VK_RIGHT), 0);
        EXPECT_FALSE(win::KeySwallowed(win::VK_RIGHT));
    }
    win::SetDisplayKeysForTests(nullptr);
    win::ReleaseAllKeys();
}

// After a box in a window of its own, answered or ended with no answer (its process killed), a key
// held through it stays held and a key pressed into it stays out of play, before and after the focus
// comes back, until the display lets them go.
TEST_F(MainWindow, AKeyHeldThroughABoxStaysHeldAnsweredOrNot) {
    const std::bitset<256> none, held = std::bitset<256>().set(win::VK_RIGHT).set(win::VK_RETURN);
    for (const int answer : {win::IDOK, 0}) {
        SCOPED_TRACE(answer);
        win::SetDisplayKeysForTests(&none);
        PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
        Drain();
        win::ReleaseAllKeys();
        PushKey(true, SDL_SCANCODE_RIGHT);
        Drain();
        win::SetMessageBoxPresenter([&](const win::MessageBoxRequest&, const std::function<bool()>& closed) {
            // The box takes the focus; Return is pressed into it and held.
            PushKey(false, SDL_SCANCODE_RIGHT);
            PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
            closed();
            win::SetDisplayKeysForTests(&held);
            closed();
            return answer;
        });
        testing::internal::CaptureStderr();
        win::MessageBox(nullptr, "text", "caption", win::MB_OK);
        testing::internal::GetCapturedStderr();
        win::SetMessageBoxPresenter(nullptr);
        for (const bool focusBack : {false, true}) {
            SCOPED_TRACE(focusBack ? "the focus back" : "the box gone");
            if (focusBack) PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
            Drain();
            EXPECT_NE(GetAsyncKeyState(win::VK_RIGHT), 0);
            EXPECT_EQ(GetAsyncKeyState(win::VK_RETURN), 0);
            EXPECT_TRUE(win::KeySwallowed(win::VK_RETURN));
        }
        win::SetDisplayKeysForTests(&none);
        Drain();
        EXPECT_EQ(GetAsyncKeyState(win::VK_RIGHT), 0);
        EXPECT_FALSE(win::KeySwallowed(win::VK_RETURN));
    }
    win::SetDisplayKeysForTests(nullptr);
    win::ReleaseAllKeys();
}

// The video system starts with text input off (an input method would take the game's keys); it is on
// only while a text field has the focus.
TEST_F(MainWindow, TextInputIsOnOnlyWhileATextFieldHasTheFocus) {
    EXPECT_FALSE(SDL_IsTextInputActive() == SDL_TRUE);
    const win::RECT field{100, 200, 150, 220}, other{100, 240, 150, 260};
    struct Step {
        const win::RECT* focus;
        bool on;
    } const steps[] = {{&field, true},   {&field, true},   {&other, true},
                       {nullptr, false}, {nullptr, false}, {&other, true}};
    for (const Step& s : steps) {
        win::FollowTextField(s.focus);
        EXPECT_EQ(SDL_IsTextInputActive() == SDL_TRUE, s.on);
    }
    win::FollowTextField(nullptr);
    EXPECT_FALSE(SDL_IsTextInputActive() == SDL_TRUE);
}

TEST_F(MainWindow, DestroySendsWmDestroyAndWithdrawsTheWindow) {
    EXPECT_TRUE(win::IsWindow(hwnd));
    EXPECT_TRUE(win::DestroyWindow(hwnd));
    ASSERT_EQ(g_procCalls.size(), 1u);
    EXPECT_EQ(g_procCalls[0], win::WM_DESTROY);
    EXPECT_FALSE(win::IsWindow(hwnd));
    EXPECT_FALSE(std::filesystem::exists(run / "mirelda4-window-TestClass.pid"));
    EXPECT_FALSE(win::DestroyWindow(hwnd)); // only once
    EXPECT_EQ(g_procCalls.size(), 1u);
    // Posting to the destroyed window is harmless.
    win::PostMessage(hwnd, win::WM_CLOSE, 0, 0);
    Drain();
}

} // namespace

namespace {

TEST(SoftwareRasterizer, NamesOfRasterizersOnTheProcessorAreKnown) {
    struct Case {
        const char* name;
        bool soft;
    } cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"softpipe", true},
        {"Software Rasterizer", true},
        {"Mesa DRI swrast", true},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0)", false},
        {"NVIDIA GeForce GTX 1060/PCIe/SSE2", false},
        {"", false},
        {nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(win::IsSoftwareRasterizer(c.name), c.soft) << (c.name ? c.name : "(null)");
}

} // namespace
