// When the DirectDraw back-end shows a frame on the vertical blank, run against a manual clock: the frame
// loop's own pacing (16 ms at 60 frames a second) and the 60 Hz blank together decide when each frame
// is shown, so the time that 120 frames take tells whether every frame waited for a blank.
#include "app/game_loop.h"
#include "app/scene.h"
#include "draw_fixture.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"
#include "platform/time.h"

namespace {

// The blanks keep the manual millisecond clock of the frame loop: a wait moves it to the first whole
// millisecond at or after the blank.
class ManualBlankClock final : public gfx::sim::BlankClock {
  public:
    explicit ManualBlankClock(win::ManualClock& c) : m_clock(c) {}
    long long Now() override { return static_cast<long long>(m_clock.now.load()) * 1'000'000; }
    void WaitUntil(long long ns) override {
        const long long ms = (ns + 999'999) / 1'000'000;
        if (ms > m_clock.now.load()) m_clock.Advance(static_cast<win::DWORD>(ms - m_clock.now.load()));
    }

  private:
    win::ManualClock& m_clock;
};

struct PacingCase {
    const char* name;
    int nWindowMode;
    int bSelfTimed;
    int nFrameRate;
    bool playScene;
    // Expected: the manual clock when the 120th frame has been shown, and the blanks waited for.
    win::DWORD endMs;
    unsigned long long blanks;
};

// Each frame works 2 ms. Shown on the blank, frame n appears at blank n (n / 60 s); without the blank a
// frame starts every 1000 / rate ms (integer) and the 120th is shown at 119 periods + 2 ms.
const PacingCase kCases[] = {
    {"window", 1, 1, 60, false, 2000, 120},
    {"window_menu_at_120", 1, 1, 120, false, 2000, 120}, // the rule asks for the play scene
    {"window_fast_stage", 1, 1, 120, true, 119 * 8 + 2, 0},
    {"window_stage_at_60", 1, 1, 60, true, 2000, 120},
    {"full_flip", 0, 0, 60, false, 2000, 120},
    {"full_self_timed", 0, 1, 60, false, 2000, 120},
    {"full_self_timed_fast_stage", 0, 1, 120, true, 119 * 8 + 2, 0},
    {"full_fast_stage", 0, 0, 120, true, 119 * 8 + 2, 0},
    {"full_stage_at_60", 0, 0, 60, true, 2000, 120},
};

class PresentPacing : public DrawTest, public ::testing::WithParamInterface<PacingCase> {
  protected:
    void TearDown() override {
        gfx::sim::SetBlankClock(nullptr);
        win::UseManualClock(nullptr);
        g_lpGameScene = nullptr;
        g_SceneManager.g_nFrameRate = 60;
        g_bSelfTimed = 0;
        ResetFrameTimers();
        DrawTest::TearDown();
    }
};

TEST_P(PresentPacing, FramesAreShownOnTheBlankUnlessTheRuleSkipsIt) {
    const PacingCase& c = GetParam();
    OPEN_OR_SKIP((DrawConfig{c.name, 0, 32, c.nWindowMode}));
    DDInstallFrameHooks();
    win::ManualClock clock;
    clock.now = 5000; // not on a blank
    win::UseManualClock(&clock);
    ManualBlankClock blankClock(clock);
    gfx::sim::SetBlankClock(&blankClock);
    gfx::sim::SetVerticalBlankEmulation(true);
    ResetFrameTimers();
    g_bSelfTimed = c.bSelfTimed;
    g_SceneManager.g_nFrameRate = c.nFrameRate;
    // Only whether the play scene exists matters here; it is never used.
    alignas(16) static unsigned char playScene[16];
    g_lpGameScene = c.playScene ? reinterpret_cast<cGameScene*>(playScene) : nullptr;
    const std::uint64_t shownBefore = gfx::PublishedFrameCount();

    win::DWORD start = 0;
    for (int frame = 1; frame <= 120; ++frame) {
        WaitFrame();
        if (frame == 1) start = clock.now;
        clock.Advance(2);
        PresentFrame();
    }
    EXPECT_EQ(gfx::PublishedFrameCount() - shownBefore, 120u);
    EXPECT_EQ(gfx::sim::VerticalBlankWaits(), c.blanks);
    EXPECT_EQ(start, 5000u);
    EXPECT_EQ(clock.now.load() - start, c.endMs);
}

INSTANTIATE_TEST_SUITE_P(Rules, PresentPacing, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The blank of the stand-in: 60 in every second of its clock, each wait ending at the first blank after
// it started, even one that starts on a blank.
TEST(VerticalBlank, SixtyBlanksInEverySecond) {
    using gfx::sim::NextBlankAfter;
    EXPECT_EQ(NextBlankAfter(0), 16'666'666);
    EXPECT_EQ(NextBlankAfter(16'666'665), 16'666'666);
    EXPECT_EQ(NextBlankAfter(16'666'666), 33'333'333);
    EXPECT_EQ(NextBlankAfter(999'999'999), 1'000'000'000);
    EXPECT_EQ(NextBlankAfter(1'000'000'000), 1'016'666'666);
    // Far from the clock's start nothing overflows.
    const long long late = 9'000'000'000'000'000'000LL;
    EXPECT_EQ(NextBlankAfter(late), late + 16'666'666);
    int blanks = 0;
    for (long long t = NextBlankAfter(123'456'789); t < 3'123'456'789LL; t = NextBlankAfter(t))
        ++blanks;
    EXPECT_EQ(blanks, 180);
}

} // namespace
