// The play scene's states run by the scene manager frame by frame: fade-in, start banner, play,
// pause menu, death, continue menu, game over, result screen, leave and a follow-up stage.
#include "play_fixture.h"

#include "app/log.h"
#include "app/memory_reserve.h"
#include "app/scene.h"
#include "app/startup_state.h"
#include "draw/dd_palette_fx.h"
#include "draw/draw.h"
#include "project/system_bitmaps.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "play/draw_frame.h"
#include "play/play_scene.h"
#include "play/play_states.h"
#include "play/stage_clear.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t CONFIRM = 1;
constexpr std::uint16_t CANCEL = 2;

// Run after the play hooks are installed for a new play scene: a test may replace one of them.
void (*g_AfterPlayHooks)() = nullptr;

class cTestSceneEnv : public cSceneEnv {
  public:
    cScene* CreateScene(int index) const override {
        if (index != SCENE_PLAY) return new cScene;
        InstallFlowEngine();
        InstallPlayHooks();
        if (g_AfterPlayHooks) g_AfterPlayHooks();
        return CreatePlayScene();
    }
    cGameScene* AsGameScene(cScene* scene) const override { return static_cast<cGameScene*>(scene); }
};
const cTestSceneEnv g_TestEnv;

std::vector<std::vector<int>> g_Loads;
std::vector<std::string> g_Reloads;

class PlayStates : public ::testing::Test {
  protected:
    void SetUp() override {
        g_nPlayMode = 3;
        g_nGameMode = 2;
        g_bRanking = 0;
        g_bStartFile = 0;
        g_SystemData.m_nReplay = 0;
        g_SystemData.m_nContinueMenu = 0;
        g_SaveData.m_bNextStart = 0;
        g_SaveData.m_nStartLives = g_SaveData.m_nLives = 3;
        g_SaveData.m_bReturnMarker = 0;
        g_Inputs.resize(1);
        UpdateInputBuffers(g_Inputs[0]);
        win::ReleaseAllKeys();
        g_Loads.clear();
        g_Reloads.clear();
        g_PlaySceneHooks = PlaySceneHooks{};
        g_PlaySceneHooks.LoadSurfaces = [](const int* list, int count) {
            g_Loads.emplace_back(list, list + count);
            return true;
        };
        g_PlaySceneHooks.BuildStagePictures = [] {};
        g_PlaySceneHooks.ReloadPlayFile = [](const std::string& path) {
            g_Reloads.push_back(path);
            return true;
        };
        // The frame drawing's part in play: the end of hero 1's defeat display comes at once.
        g_PlayStepHooks = PlayStepHooks{};
        g_PlayStepHooks.DrawFrame = [](cGameScene& scene, int, int frozen, int, int) {
            if (!frozen && !g_Heroes.empty() && g_Heroes[0].m_bDefeated) HeroDefeatEnded(scene);
        };
        std::copy(std::begin(SystemBitmapTable), std::end(SystemBitmapTable), m_Table);
        m_OldEnv = SetSceneEnv(&g_TestEnv);
        g_Stage = cEdStage();
        g_Stage.m_nWidth = 20;
        g_Stage.m_nHeight = 15;
        g_Stage.m_nExtentX = 20 * 32;
        g_Stage.m_nExtentY = 15 * 32;
        for (int x = 0; x < 20; ++x)
            g_Stage.m_Blocks.push_back(play_fixture::Block(x, 14));
        g_Stage.m_Charas.push_back(play_fixture::Hero(2, 13));
        g_Stage.m_nStartBanner1 = 1;
        g_Stage.m_strPath = "data\\stg4\\s.stg4_001";
        KeepStageSetup(g_StageOriginal, g_Stage);
        g_SceneManager.g_nPrevScene = SCENE_TITLE;
        g_SceneManager.g_nSceneIndex = SCENE_PLAY;
        g_SceneManager.g_nNextScene = SCENE_PLAY;
    }
    void TearDown() override {
        g_SceneManager.DeleteAll();
        g_SceneManager.g_nSceneIndex = SCENE_TITLE;
        SetSceneEnv(m_OldEnv);
        // The fades and the picture slots are the program's own: they go back as they were.
        DDResetFadePhases();
        std::copy(std::begin(g_BasePalette), std::end(g_BasePalette), g_Palette);
        std::copy(std::begin(m_Table), std::end(m_Table), SystemBitmapTable);
        g_Charas.clear();
        g_Items.clear();
        g_Heroes.clear();
        g_Blocks.clear();
        g_BlockCells.clear();
        g_PlayStepHooks = PlayStepHooks{};
        g_PlaySceneHooks = PlaySceneHooks{};
        g_AfterPlayHooks = nullptr;
        g_ObjectHooks = ObjectHooks{};
        g_SummonHooks = SummonHooks{};
        win::ReleaseAllKeys();
        g_nPlayMode = 3;
        g_nGameMode = 0;
    }
    cPlayScene& Scene() { return *static_cast<cPlayScene*>(g_SceneManager.SceneAt(SCENE_PLAY)); }
    int State() { return Scene().m_nState; }
    // One frame with the given input; keys are down for this frame only.
    void Frame(std::uint16_t buttons = 0, std::uint16_t dir = 0, int key = 0) {
        if (key) win::SetKeyDown(key, true);
        g_Inputs[0].wDir = dir;
        g_Inputs[0].wButtons = buttons;
        g_SceneManager.SwitchAndRun();
        if (key) win::SetKeyDown(key, false);
    }
    // Frames until play runs (the fade-in and the banner).
    void ToPlay() {
        for (int i = 0; i < 200 && !(g_SceneManager.SceneAt(SCENE_PLAY) && State() == GAMESTATE_PLAY); ++i)
            Frame();
        ASSERT_EQ(State(), GAMESTATE_PLAY);
        Frame();
    }
    // Frames until the scene has left (the fade-out).
    int ToLeave() {
        int frames = 0;
        while (g_SceneManager.SceneAt(SCENE_PLAY) && State() == GAMESTATE_LEAVE && frames < 100) {
            Frame();
            ++frames;
        }
        return frames;
    }
    const cSceneEnv* m_OldEnv = nullptr;
    SYSTEMBITMAP m_Table[SYSTEM_BITMAP_COUNT];
};

} // namespace

// Pictures that cannot be loaded (a missing file, or a close that stopped the load): the scene
// asks for the close and waits for it, without setting up, drawing or playing half a stage.
TEST_F(PlayStates, SetUpWithoutPicturesWaitsForTheClose) {
    g_PlaySceneHooks.LoadSurfaces = [](const int* list, int count) {
        g_Loads.emplace_back(list, list + count);
        return false;
    };
    static int draws;
    draws = 0;
    g_PlayStepHooks.DrawFrame = [](cGameScene&, int, int, int, int) { ++draws; };
    for (int i = 0; i < 5; ++i)
        Frame();
    EXPECT_EQ(g_Loads.size(), 1u);
    EXPECT_LT(State(), -1);
    EXPECT_EQ(draws, 0);
    EXPECT_TRUE(g_Heroes.empty());
}

// The scene's end releases, through the release hook, the pictures its set-up loaded (a harness
// that keeps the project's pictures loaded between plays relies on it), and nothing after a set-up
// that could not load them.
TEST_F(PlayStates, EndReleasesWhatTheSetUpLoaded) {
    static std::vector<std::vector<int>> releases;
    static bool loads;
    const struct {
        bool loads;
        std::size_t released;
    } cases[] = {{true, 1}, {false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loads);
        releases.clear();
        g_Loads.clear();
        loads = c.loads;
        g_PlaySceneHooks.LoadSurfaces = [](const int* list, int count) {
            g_Loads.emplace_back(list, list + count);
            return loads;
        };
        g_PlaySceneHooks.ReleaseSurfaces = [](const int* list, int count) {
            releases.emplace_back(list, list + count);
        };
        g_SceneManager.g_nSceneIndex = g_SceneManager.g_nNextScene = SCENE_PLAY;
        Frame();
        Frame();
        EXPECT_TRUE(releases.empty());
        g_SceneManager.DeleteAll();
        ASSERT_EQ(releases.size(), c.released);
        ASSERT_EQ(g_Loads.size(), 1u);
        if (c.released) {
            EXPECT_EQ(releases[0], g_Loads[0]);
        }
    }
}

namespace {

// The boxes shown, each with whether the memory reserve was held while it was up.
struct ShownBox {
    std::string text;
    bool reserveHeld;
};
std::vector<ShownBox> g_Boxes;
int RecordBox(const char* text, const char*, win::UINT) {
    g_Boxes.push_back({text, MemoryReserveHeld()});
    return win::IDOK;
}

// WM_CLOSE messages posted on this thread (the test has no window), taken from the queue.
int PostedCloses() {
    int closes = 0;
    win::MSG m;
    while (win::PeekMessage(&m, nullptr, win::WM_CLOSE, win::WM_CLOSE, win::PM_REMOVE))
        ++closes;
    return closes;
}

void ThrowBadAlloc() {
    throw std::bad_alloc();
}

} // namespace

// Memory that runs out while a stage is set up (its pictures on the first entry, the stage itself
// on the first entry, a retry from the pause menu, the restart after a death): what was built goes,
// the user is told once with the memory reserve given back first, the close is asked for once, and
// the scene neither draws nor plays again.
TEST_F(PlayStates, SetUpOutOfMemoryLetsGoTellsOnceAndWaitsForTheClose) {
    enum class Where { Pictures, FirstSetUp, Retry, AfterDeath };
    static int draws;
    struct Restore {
        ~Restore() {
            SetFullScreenMessageBox(nullptr);
            InstallPlayHooks();
            HoldMemoryReserve();
        }
    } restore;
    SetFullScreenMessageBox(&RecordBox);
    for (Where where : {Where::Pictures, Where::FirstSetUp, Where::Retry, Where::AfterDeath}) {
        SCOPED_TRACE(static_cast<int>(where));
        g_SceneManager.DeleteAll();
        g_SceneManager.g_nSceneIndex = g_SceneManager.g_nNextScene = SCENE_PLAY;
        g_SceneManager.g_nPrevScene = SCENE_TITLE;
        g_Boxes.clear();
        PostedCloses();
        ForgetOutOfMemoryTold();
        ASSERT_TRUE(HoldMemoryReserve());
        g_Stage.m_Charas.at(0).m_nSightShape = 0;
        g_Stage.m_Charas.push_back(play_fixture::Chara(8, 13));
        g_Stage.m_Items.push_back(play_fixture::Item(10, 13));
        g_AfterPlayHooks = nullptr;
        InstallPlayHooks();
        // A hero in the dark has its work surfaces made while it is set up: here they find no memory.
        const auto failDarkness = [] {
            g_Stage.m_Charas.at(0).m_nSightShape = 1;
            g_FlowHooks.CreateWorkSurfaces = &ThrowBadAlloc;
        };
        g_PlaySceneHooks.BuildStagePictures = [] {};
        draws = 0;
        g_PlayStepHooks.DrawFrame = [](cGameScene& scene, int, int frozen, int, int) {
            ++draws;
            if (!frozen && !g_Heroes.empty() && g_Heroes[0].m_bDefeated) HeroDefeatEnded(scene);
        };
        switch (where) {
        case Where::Pictures:
            g_PlaySceneHooks.BuildStagePictures = &ThrowBadAlloc;
            Frame();
            break;
        case Where::FirstSetUp:
            g_AfterPlayHooks = failDarkness;
            Frame();
            break;
        case Where::Retry:
            ToPlay();
            ASSERT_FALSE(g_Charas.empty());
            failDarkness();
            Frame(0, 0, win::VK_SPACE);
            Frame(0, DIR_DOWN);
            ASSERT_EQ(Scene().MenuRow(), 2);
            Frame(CONFIRM);
            break;
        case Where::AfterDeath:
            ToPlay();
            failDarkness();
            Scene().m_nStageEndRequest = 2;
            Frame(); // defeated
            Frame(); // its defeat display has ended: the stage is set up again
            break;
        }
        EXPECT_EQ(State(), GAMESTATE_SET_UP_FAILED);
        ASSERT_EQ(g_Boxes.size(), 1u);
        EXPECT_EQ(g_Boxes[0].text, "メモリ不足により、ステージの初期設定に失敗しました！");
        EXPECT_FALSE(g_Boxes[0].reserveHeld);
        EXPECT_EQ(PostedCloses(), 1);
        EXPECT_TRUE(g_Heroes.empty());
        EXPECT_TRUE(g_Charas.empty());
        EXPECT_TRUE(g_Items.empty());
        EXPECT_TRUE(g_Blocks.empty());
        const int drawn = draws;
        for (int i = 0; i < 5; ++i)
            Frame(CONFIRM, 0, win::VK_SPACE);
        EXPECT_EQ(draws, drawn);
        EXPECT_EQ(State(), GAMESTATE_SET_UP_FAILED);
        EXPECT_EQ(g_Boxes.size(), 1u);
        EXPECT_EQ(PostedCloses(), 0);
        g_Stage.m_Charas.resize(1);
        g_Stage.m_Items.clear();
    }
}

TEST_F(PlayStates, FadeInBannerThenPlay) {
    Frame();
    EXPECT_EQ(g_Loads.size(), 1u);
    EXPECT_EQ(g_Loads[0].size(), static_cast<std::size_t>(PLAY_SURFACE_COUNT));
    EXPECT_EQ(g_SaveData.m_nLives, 2); // the play's first life is used
    int fade = 1;
    while (State() == GAMESTATE_FADEIN) {
        Frame();
        ++fade;
    }
    EXPECT_EQ(fade, 10);
    // The banner is counted 80 times; play starts the frame after.
    int banner = 0;
    while (State() == GAMESTATE_START) {
        Frame(0, DIR_RIGHT);
        ++banner;
    }
    EXPECT_EQ(banner, START_BANNER_FRAMES);
    EXPECT_EQ(Scene().m_nPlayFrame, 0);
    Frame(0, DIR_RIGHT);
    EXPECT_EQ(Scene().m_nPlayFrame, 1);
}

// A replay starts with the lives and run totals its file gave the save data; any other play starts
// a run with its starting lives, using one unless a start file is played.
TEST_F(PlayStates, FirstEntryTakesTheLivesOfThePlayOrOfTheReplay) {
    struct Case {
        int playMode, gameMode, startFile, lives, total;
    };
    const Case cases[] = {
        {4, 3, 0, 1, 40}, // a replay chosen in the title
        {4, 3, 1, 1, 40}, // a replay given as the start file
        {3, 2, 0, 2, 0},  // free play of a stage file
        {3, 2, 1, 3, 0},  // a stage given as the start file
        {0, 0, 0, 2, 0},  // the story
    };
    for (const Case& k : cases) {
        g_nPlayMode = k.playMode;
        g_nGameMode = k.gameMode;
        g_bStartFile = k.startFile;
        g_SaveData.m_nStartLives = 3;
        g_SaveData.m_nLives = 1;
        g_SaveData.m_nTotalScore = 40;
        Frame();
        EXPECT_EQ(g_SaveData.m_nLives, k.lives)
            << "play mode " << k.playMode << ", start file " << k.startFile;
        EXPECT_EQ(g_SaveData.m_nTotalScore, k.total) << "play mode " << k.playMode;
        g_SceneManager.DeleteAll();
    }
    g_bStartFile = 0;
}

TEST_F(PlayStates, PauseContinueCancelAndRetry) {
    ToPlay();
    const int played = Scene().m_nPlayFrame;
    Frame(0, 0, win::VK_SPACE);
    ASSERT_EQ(State(), GAMESTATE_PAUSE);
    Frame();
    EXPECT_EQ(Scene().MenuRow(), 1); // on "continue"
    Frame(CONFIRM);
    EXPECT_EQ(State(), GAMESTATE_PLAY);
    EXPECT_EQ(Scene().m_nPlayFrame, played);
    EXPECT_EQ(Scene().m_bWaitClosed, 1);

    Frame(0, 0, win::VK_SPACE);
    Frame();
    Frame(CANCEL);
    EXPECT_EQ(State(), GAMESTATE_PLAY);

    // Free play offers the retry, the third item: the stage starts again with its banner.
    Frame(0, 0, win::VK_SPACE);
    Frame(0, DIR_DOWN);
    EXPECT_EQ(Scene().MenuRow(), 2);
    Frame(CONFIRM);
    EXPECT_EQ(State(), GAMESTATE_START);
    EXPECT_EQ(Scene().m_nPlayFrame, 0);

    // Without the retry the cursor wraps over two items.
    g_nGameMode = 3;
    ToPlay();
    Frame(0, 0, win::VK_SPACE);
    Frame(0, DIR_DOWN);
    EXPECT_EQ(Scene().MenuRow(), 0);
    // Up and down held together move up only.
    Frame(0, DIR_UP | DIR_DOWN);
    EXPECT_EQ(Scene().MenuRow(), 1);
}

TEST_F(PlayStates, RetryRulePerGameMode) {
    g_nGameMode = 0;
    g_SystemData.m_nPauseFullStory = 1;
    g_SaveData.m_vnStageFlags.assign(10, 0);
    g_SaveData.m_nStageNo = 6;
    EXPECT_FALSE(PauseRetryAllowed());
    g_SaveData.m_vnStageFlags[6] = 1;
    EXPECT_TRUE(PauseRetryAllowed());
    g_SaveData.m_nStageNo = 60; // outside the list: no retry, no bad index
    EXPECT_FALSE(PauseRetryAllowed());
    g_nGameMode = 1;
    g_SystemData.m_nPauseFullChallenge = 1;
    g_SaveData.m_ChallengeStages.clear();
    g_SaveData.m_ChallengeStages.resize(3);
    g_SaveData.m_nStageNo = 2;
    EXPECT_FALSE(PauseRetryAllowed());
    g_SaveData.m_ChallengeStages.at(1).w1 = 1;
    EXPECT_TRUE(PauseRetryAllowed());
    g_SystemData.m_nPauseFullChallenge = 0;
    EXPECT_FALSE(PauseRetryAllowed());
    g_nGameMode = 2;
    EXPECT_TRUE(PauseRetryAllowed());
    g_nGameMode = 3;
    EXPECT_FALSE(PauseRetryAllowed());
}

TEST_F(PlayStates, QuitLeavesForTheTitleAndReloadsTheFile) {
    ToPlay();
    Frame(0, 0, win::VK_SPACE);
    Frame(0, DIR_UP);
    EXPECT_EQ(Scene().MenuRow(), 0);
    Frame(CONFIRM);
    ASSERT_EQ(State(), GAMESTATE_LEAVE);
    EXPECT_EQ(ToLeave(), 10);
    EXPECT_EQ(g_SceneManager.g_nSceneIndex, SCENE_TITLE);
    EXPECT_EQ(g_SceneManager.g_nPrevScene, SCENE_PLAY);
    EXPECT_EQ(g_SceneManager.g_nFrameRate, 60);
    EXPECT_EQ(g_Reloads, std::vector<std::string>{"data\\stg4\\s.stg4_001"});
    Frame();
    EXPECT_EQ(g_SceneManager.SceneAt(SCENE_PLAY), nullptr);
}

TEST_F(PlayStates, DeathToContinueMenuAndGiveUp) {
    g_nPlayMode = 0;
    g_nGameMode = 0;
    g_SystemData.m_nContinueMenu = 1;
    ToPlay();
    Scene().m_nStageEndRequest = 2;
    Frame(); // defeated
    Frame(); // its defeat display has ended
    ASSERT_EQ(State(), GAMESTATE_CONTINUE);
    EXPECT_EQ(g_SaveData.m_nLives, 1);
    // Continue sets the stage up again.
    Frame(CONFIRM);
    EXPECT_EQ(State(), GAMESTATE_START);
    ToPlay();
    Scene().m_nStageEndRequest = 2;
    Frame(); // defeated
    Frame(); // its defeat display has ended
    ASSERT_EQ(State(), GAMESTATE_CONTINUE);
    Frame(0, DIR_DOWN);
    Frame(CONFIRM);
    EXPECT_EQ(State(), GAMESTATE_LEAVE);
    EXPECT_EQ(g_SaveData.m_bReturnMarker, 1);
    ToLeave();
    EXPECT_EQ(g_SceneManager.g_nSceneIndex, SCENE_WORLDMAP);
    EXPECT_TRUE(g_Reloads.empty());
}

TEST_F(PlayStates, NoLifeLeftIsTheGameOver) {
    g_nPlayMode = 0;
    g_nGameMode = 0;
    g_SaveData.m_nStartLives = 1;
    ToPlay();
    EXPECT_EQ(g_SaveData.m_nLives, 0);
    Scene().m_nStageEndRequest = 2;
    Frame(); // defeated
    Frame(); // its defeat display has ended
    ASSERT_EQ(State(), GAMESTATE_GAMEOVER);
    // The pause menu opens over it, and continue comes back to it.
    Frame(0, 0, win::VK_SPACE);
    ASSERT_EQ(State(), GAMESTATE_PAUSE);
    Frame();
    Frame(CONFIRM);
    EXPECT_EQ(State(), GAMESTATE_GAMEOVER);
    Frame(CONFIRM); // held from the frame before: not a new press
    EXPECT_EQ(State(), GAMESTATE_GAMEOVER);
    Frame();
    Frame(CONFIRM);
    EXPECT_EQ(State(), GAMESTATE_LEAVE);
    ToLeave();
    EXPECT_EQ(g_SceneManager.g_nSceneIndex, SCENE_TITLE);
}

TEST_F(PlayStates, ClearThenResultScreen) {
    ToPlay();
    Scene().m_nStageEndRequest = 1;
    Frame();
    ASSERT_EQ(State(), GAMESTATE_RESULT);
    // The clear banner slides in; confirm is taken once 50 frames have shown the screen.
    for (int i = 1; i < 50; ++i)
        Frame();
    Frame(CONFIRM);
    EXPECT_EQ(State(), GAMESTATE_RESULT);
    Frame();
    Frame(CONFIRM);
    EXPECT_EQ(State(), GAMESTATE_LEAVE);
    // Free play of a stage without follow-up plays the file again, loaded anew by its path.
    ToLeave();
    EXPECT_EQ(g_SceneManager.g_nSceneIndex, SCENE_PLAY);
    EXPECT_EQ(g_Reloads, std::vector<std::string>{"data\\stg4\\s.stg4_001"});
}

TEST_F(PlayStates, AutomaticResultAndFollowUpStage) {
    g_Stage.m_nResultAutoAdvance = 1;
    g_Stage.m_nClearBanner = 0;
    ToPlay();
    Scene().m_nStageEndRequest = 1;
    Frame();
    ASSERT_EQ(State(), GAMESTATE_RESULT);
    Frame(); // the count is complete at once
    Frame(); // and the screen leaves without input
    EXPECT_EQ(State(), GAMESTATE_LEAVE);

    // A follow-up stage: the scene is entered again and reloads only the eight picture slots.
    g_ClearNext.bFollowUpLoaded = 1;
    g_SceneManager.g_nNextScene = SCENE_PLAY;
    const int lives = g_SaveData.m_nLives;
    ToLeave();
    ASSERT_EQ(g_SceneManager.g_nSceneIndex, SCENE_PLAY);
    EXPECT_TRUE(g_Reloads.empty());
    Frame();
    ASSERT_EQ(g_Loads.size(), 2u);
    std::vector<int> slots(SYSBMP_BACKGROUND_SLOTS);
    for (int i = 0; i < SYSBMP_BACKGROUND_SLOTS; ++i)
        slots[static_cast<std::size_t>(i)] = SYSBMP_BACKGROUND_FIRST + i;
    EXPECT_EQ(g_Loads[1], slots);
    EXPECT_EQ(g_SaveData.m_nLives, lives);
    EXPECT_EQ(State(), GAMESTATE_FADEIN);
}
