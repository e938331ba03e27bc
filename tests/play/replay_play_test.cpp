// Replays in play: the save keys and a recorded play played back.
#include "play_fixture.h"

#include "app/globals.h"
#include "app/requests.h"
#include "fixtures/bytes.h"
#include "flow/cmd_control.h"
#include "flow/cmd_motion.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "play/replay.h"
#include "play/replay_play.h"

#include <cstdio>
#include <sstream>

namespace {

// What the main window was asked for.
struct cWindowLog {
    std::vector<int> sounds;
    std::vector<int> saves;
    std::string savePath; // where a save request writes, empty: nothing is written
};
cWindowLog* g_Log = nullptr;

win::LRESULT Proc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM) {
    if (msg == win::WM_USER + 5) g_Log->sounds.push_back(static_cast<int>(wParam));
    if (msg == WM_USER_SAVEREPLAY) {
        g_Log->saves.push_back(static_cast<int>(wParam));
        // What the window thread does once a name was chosen.
        if (!g_Log->savePath.empty())
            WriteReplayFile(wParam == 0 ? g_Replay : g_ReplayPrev, g_Log->savePath, g_Stage, g_StageOriginal,
                            g_SaveData);
        g_bRequestDone = 1;
    }
    return 0;
}

class ReplayPlay : public PlayTest {
  protected:
    void SetUp() override {
        PlayTest::SetUp();
        win::ResetMessageModelForTests();
        g_hWnd = win::CreateMainWindowObject(&Proc);
        g_Log = &log;
        win::ReleaseAllKeys();
        ResetReplayHotKeys();
        g_SystemData.m_nReplay = 1;
        g_Replay.ResetRecordVectors();
        g_ReplayPrev.ResetRecordVectors();
    }
    void TearDown() override {
        win::DestroyMainWindowObject(g_hWnd);
        g_hWnd = nullptr;
        g_Log = nullptr;
        win::ReleaseAllKeys();
        win::ResetMessageModelForTests();
        g_Replay.ResetRecordVectors();
        g_ReplayPrev.ResetRecordVectors();
        g_nPlayMode = 3;
        PlayTest::TearDown();
    }
    // One call of the keys with the given keys down.
    int Keys(bool f1, bool f2) {
        win::SetKeyDown(win::VK_F1, f1);
        win::SetKeyDown(win::VK_F1 + 1, f2);
        return CheckReplayHotKeys();
    }
    cWindowLog log;
};

// The trace lines written while `run` plays.
template <class F> std::vector<std::string> Traced(F run) {
    std::FILE* f = std::tmpfile();
    g_PlayTrace.SetFile(f);
    run();
    g_PlayTrace.SetFile(nullptr);
    std::rewind(f);
    std::vector<std::string> lines;
    char buf[512];
    while (std::fgets(buf, sizeof buf, f))
        lines.emplace_back(buf);
    std::fclose(f);
    return lines;
}

} // namespace

TEST_F(ReplayPlay, KeysSaveOnThePressOnly) {
    g_Replay.RecordFrame(2, 0);
    g_ReplayPrev.RecordFrame(1, 0);
    EXPECT_EQ(Keys(true, true), 1); // together: the current one
    EXPECT_EQ(Keys(true, true), 0); // held
    EXPECT_EQ(Keys(false, true), 0);
    EXPECT_EQ(Keys(false, false), 0);
    EXPECT_EQ(Keys(false, true), 1);
    EXPECT_EQ(Keys(true, true), 1); // F1 joining a held F2 is a new press: the current one
    EXPECT_EQ(log.saves, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(log.sounds, (std::vector<int>{1, 1, 1}));
}

TEST_F(ReplayPlay, NothingToSaveBuzzesOncePerCooldown) {
    // No current recording: the buzzer, then silence for 60 calls.
    EXPECT_EQ(Keys(true, false), 0);
    for (int i = 1; i < REPLAY_BUZZER_COOLDOWN; ++i)
        Keys(i % 2 == 0, false);
    EXPECT_EQ(log.sounds, std::vector<int>{3});
    Keys(false, false);
    Keys(true, false);
    EXPECT_EQ(log.sounds, (std::vector<int>{3, 3}));
    EXPECT_TRUE(log.saves.empty());
}

TEST_F(ReplayPlay, KeysDoNothingInPlaybackOrWithoutRecording) {
    g_Replay.RecordFrame(2, 0);
    g_nPlayMode = 4;
    EXPECT_EQ(Keys(true, false), 0);
    g_nPlayMode = 3;
    Keys(false, false);
    g_SystemData.m_nReplay = 0;
    EXPECT_EQ(Keys(true, false), 0);
    EXPECT_TRUE(log.sounds.empty());
    EXPECT_TRUE(log.saves.empty());
}

// A play recorded, saved with F1 and played back gives the same state frame by frame, and the
// playback ends (the stage starts again) when the recording does.
TEST_F(ReplayPlay, RecordedPlayPlaysBackIdentically) {
    fixtures::TempDir dir;
    log.savePath = dir.file("play.rpl4_732");
    FloorStage(30, 15);
    g_Stage.m_Blocks.push_back(play_fixture::Block(8, 12));
    struct Step {
        int frames;
        std::uint16_t dir, buttons;
    };
    const Step script[] = {{20, DIR_RIGHT, 0}, {3, DIR_RIGHT, 1}, {15, 0, 1},        {10, DIR_LEFT, 0},
                           {1, 0, 0},          {7, DIR_RIGHT, 2}, {12, DIR_DOWN, 1}, {30, 0, 0}};
    int frames = 0;
    const auto recorded = Traced([&] {
        Start();
        for (const Step& s : script) {
            Play(s.frames, s.dir, s.buttons);
            frames += s.frames;
        }
    });
    ASSERT_EQ(static_cast<int>(recorded.size()), frames);
    const std::int32_t seed = g_Replay.m_nSeed;
    std::uint32_t total = 0;
    for (std::uint32_t run : g_Replay.m_DirectionRuns)
        total += run;
    EXPECT_EQ(total, static_cast<std::uint32_t>(frames));
    EXPECT_EQ(g_Replay.m_Directions.size(), 7u); // runs of equal words are merged

    ASSERT_EQ(Keys(true, false), 1);
    ASSERT_EQ(log.saves, std::vector<int>{0});

    // Playback: the file is loaded as the title menu loads it, then the stage is set up.
    g_Replay.ResetRecordVectors();
    cSaveData snapshot;
    ASSERT_EQ(ReadReplayFile(g_Replay, log.savePath, g_Stage, g_StageOriginal, snapshot), 1);
    g_Stage.m_strPath = log.savePath;
    EXPECT_EQ(g_Replay.m_nSeed, seed);
    g_nPlayMode = 4;
    bool restarted = false;
    const auto played = Traced([&] {
        SetStage(*m_Scene, false, false);
        m_Scene->m_nState = GAMESTATE_PLAY;
        // The input devices are not read in playback.
        Play(frames, DIR_UP, 4);
        ASSERT_EQ(m_Scene->m_nState, GAMESTATE_PLAY);
        Play(1);
        restarted = m_Scene->m_nState == GAMESTATE_START;
    });
    EXPECT_EQ(played, recorded);
    EXPECT_TRUE(restarted);
    EXPECT_EQ(g_Replay.m_nSeed, seed);
}

// Left and right held together in the fixed layout were played as no direction (number 5); their
// recorded word plays back as the same number.
TEST_F(ReplayPlay, BothHorizontalKeysPlayBackAsTheyWerePlayed) {
    FloorStage(20, 15);
    g_nPlayMode = 4;
    g_Replay.ResetRecordVectors();
    for (int i = 0; i < 3; ++i)
        g_Replay.RecordFrame(DIR_LEFT | DIR_RIGHT | DIR_UP, 0);
    g_Replay.Rewind();
    Start();
    Play(1);
    EXPECT_EQ(g_Inputs[0].wDir, DIR_LEFT | DIR_RIGHT | DIR_UP);
    EXPECT_EQ(g_Inputs[0].nDirNumber, 2);
}

// The hero summons from the stage's own palette every half second while it plays: the replay read
// back from its file summons the same characters on the same frames.
TEST_F(ReplayPlay, SummonsFromTheStagesPaletteComeBackInPlayback) {
    fixtures::TempDir dir;
    log.savePath = dir.file("summon.rpl4_732");
    // Other tests may have left the command table and the spawners reset.
    RegisterControlCommands();
    RegisterShotCommands();
    InstallStageSpawners();
    FloorStage(30, 15);
    cEdCharaDef summoned = play_fixture::Chara(0, 0, 2);
    summoned.m_nMoveType = 1;
    g_Stage.m_PaletteCharas.resize(2);
    g_Stage.m_PaletteCharas[1] = summoned;
    cEdFlowCmd summon;
    summon.m_nKind = FCT_SUMMON_CHARA;
    summon.m_nSoundCond = 0;
    NewShot(summon.m_Shot);
    summon.m_Shot->m_nFormation = SHOT_PATTERN_SPREAD;
    summon.m_Shot->m_nCount = 1;
    summon.m_Shot->m_nSummonPalette = 1;
    summon.m_Shot->m_nSummonEntry = 1;
    cEdFlowCmd wait;
    wait.m_nKind = FCT_WAIT;
    wait.m_nSoundCond = 0;
    wait.m_nUseTime = 5;
    cEdFlow& flow = g_Stage.m_Charas.front().m_Flows.emplace_back();
    flow.m_nTrigger = FTK_ALWAYS;
    flow.m_Commands.push_back(summon);
    flow.m_Commands.push_back(wait);
    const int frames = 90;
    const auto recorded = Traced([&] {
        Start();
        Play(40, DIR_RIGHT, 0);
        Play(frames - 40, DIR_LEFT, 0);
    });
    ASSERT_GT(g_Charas.size(), 1u) << "the play summoned";
    ASSERT_EQ(Keys(true, false), 1);
    ASSERT_EQ(log.saves, std::vector<int>{0});

    g_Replay.ResetRecordVectors();
    g_Stage.m_PaletteCharas.clear(); // the playback has only what the file gives
    cSaveData snapshot;
    ASSERT_EQ(ReadReplayFile(g_Replay, log.savePath, g_Stage, g_StageOriginal, snapshot), 1);
    g_Stage.m_strPath = log.savePath;
    g_nPlayMode = 4;
    const auto played = Traced([&] {
        SetStage(*m_Scene, false, false);
        m_Scene->m_nState = GAMESTATE_PLAY;
        Play(frames);
    });
    EXPECT_EQ(played, recorded);
}
