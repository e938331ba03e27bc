#include "app/scene.h"
#include "shell_test_support.h"

#include <new>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_events;
bool g_initThrows = false;
bool g_createThrowsText = false;
bool g_createFailsAlloc = false;

// Records its life: built, Init, each handler run, destroyed.
class TestScene : public cScene {
  public:
    explicit TestScene(int index) : m_nIndex(index) {
        g_events.push_back("new " + std::to_string(index));
        m_Handlers = {[this] { g_events.push_back("state0 " + std::to_string(m_nIndex)); },
                      [this] { g_events.push_back("state1 " + std::to_string(m_nIndex)); }};
    }
    ~TestScene() override { g_events.push_back("delete " + std::to_string(m_nIndex)); }
    void Run() override { RunStates(); }
    void Init() override {
        g_events.push_back("init " + std::to_string(m_nIndex));
        if (g_initThrows) throw "テスト例外";
    }
    int m_nIndex;
};

// The scenes of the layers above, as the scene manager reaches them: test scenes, the one of index 4
// standing for the play scene.
class TestSceneEnv : public cSceneEnv {
  public:
    cScene* CreateScene(int index) const override {
        if (g_createThrowsText) throw "生成失敗";
        if (g_createFailsAlloc) throw std::bad_alloc();
        return new TestScene(index);
    }
    cGameScene* AsGameScene(cScene* scene) const override { return reinterpret_cast<cGameScene*>(scene); }
};
const TestSceneEnv g_testSceneEnv;

class SceneManager : public testsupport::ShellFixture {
  protected:
    void SetUp() override {
        ShellFixture::SetUp();
        g_events.clear();
        g_initThrows = g_createThrowsText = g_createFailsAlloc = false;
        before = SetSceneEnv(&g_testSceneEnv);
    }
    void TearDown() override {
        manager.DeleteAll();
        SetSceneEnv(before);
        ShellFixture::TearDown();
    }
    cSceneManager manager;
    const cSceneEnv* before = nullptr;
};

} // namespace

TEST_F(SceneManager, SwitchBuildsOnceAndRebuildsAfterLeaving) {
    manager.SwitchScene(SCENE_TITLE);
    cScene* title = manager.SceneAt(SCENE_TITLE);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->m_nState, -1);
    manager.SwitchScene(SCENE_TITLE); // already current: nothing happens
    EXPECT_EQ(manager.SceneAt(SCENE_TITLE), title);
    EXPECT_EQ(g_events, (std::vector<std::string>{"new 0"}));

    manager.SwitchScene(SCENE_OPTION);
    EXPECT_EQ(manager.SceneAt(SCENE_TITLE), nullptr);
    EXPECT_NE(manager.SceneAt(SCENE_OPTION), nullptr);
    // Options sit in slot 4, play in slot 5.
    EXPECT_EQ(manager.m_lpScenes[4], manager.SceneAt(SCENE_OPTION));

    manager.g_nSceneIndex = SCENE_TITLE;
    manager.SwitchAndRun();
    manager.SwitchAndRun();
    EXPECT_EQ(g_events, (std::vector<std::string>{"new 0", "delete 0", "new 5", "delete 5", "new 0", "init 0",
                                                  "state0 0", "state0 0"}));
}

TEST_F(SceneManager, IndexOutsideTheSixDeletesEveryScene) {
    for (int index = 0; index < SCENE_COUNT; ++index)
        manager.m_lpScenes[index] = new TestScene(index);
    g_events.clear();
    manager.g_nSceneIndex = 6;
    manager.SwitchAndRun();
    // Deleted in the order title, save, world map, challenge, play, options; none built.
    // (Slots 4 and 5 hold options and play: the test put scene 4 in slot 4 and 5 in slot 5.)
    EXPECT_EQ(g_events, (std::vector<std::string>{"delete 0", "delete 2", "delete 1", "delete 3", "delete 5",
                                                  "delete 4"}));
    for (cScene* s : manager.m_lpScenes)
        EXPECT_EQ(s, nullptr);
    manager.SwitchScene(-1);
    EXPECT_EQ(g_events.size(), 6u);
}

TEST_F(SceneManager, TextThrownByInitClosesAndTheSceneRunsOn) {
    g_initThrows = true;
    manager.g_nSceneIndex = SCENE_SAVE;
    manager.SwitchAndRun();
    EXPECT_EQ(TakeCloses(), 1);
    EXPECT_EQ(manager.SceneAt(SCENE_SAVE)->m_nState, 0);
    manager.SwitchAndRun();
    EXPECT_EQ(TakeCloses(), 0);
    EXPECT_EQ(g_events, (std::vector<std::string>{"new 2", "init 2", "state0 2", "state0 2"}));
}

TEST_F(SceneManager, FailedCreationClosesAndRunsNothing) {
    g_createThrowsText = true;
    manager.g_nSceneIndex = SCENE_WORLDMAP;
    manager.SwitchAndRun();
    EXPECT_EQ(TakeCloses(), 1);
    EXPECT_EQ(manager.SceneAt(SCENE_WORLDMAP), nullptr);

    g_createThrowsText = false;
    g_createFailsAlloc = true;
    manager.SwitchAndRun();
    EXPECT_EQ(TakeCloses(), 1); // out of memory closes the program
    EXPECT_EQ(manager.SceneAt(SCENE_WORLDMAP), nullptr);
    EXPECT_TRUE(g_events.empty());
}

TEST_F(SceneManager, PlaySceneIsReachableOnlyWhileItExists) {
    manager.SwitchScene(SCENE_PLAY);
    ASSERT_NE(g_lpGameScene, nullptr);
    EXPECT_EQ(reinterpret_cast<cScene*>(g_lpGameScene), manager.SceneAt(SCENE_PLAY));
    EXPECT_EQ(manager.m_lpScenes[5], manager.SceneAt(SCENE_PLAY));
    manager.SwitchScene(SCENE_TITLE);
    EXPECT_EQ(g_lpGameScene, nullptr);
    manager.SwitchScene(SCENE_PLAY);
    EXPECT_NE(g_lpGameScene, nullptr);
    manager.DeleteAll();
    EXPECT_EQ(g_lpGameScene, nullptr);
}
