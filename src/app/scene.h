// Scenes and the scene manager: the player is always in one of six scenes, and only the current
// scene's object exists.
#pragma once
#include <functional>
#include <vector>

enum SceneIndex {
    SCENE_TITLE = 0,
    SCENE_WORLDMAP = 1,
    SCENE_SAVE = 2,
    SCENE_CHALLENGE = 3,
    SCENE_PLAY = 4,
    SCENE_OPTION = 5,
};
constexpr int SCENE_COUNT = 6;

// Base of the six scenes. A derived constructor fills the state-handler table; state 0's handler
// calls FadeIn and the last one calls Leave.
class cScene {
  public:
    using StateHandler = std::function<void()>;

    cScene() = default;
    virtual ~cScene() = default;
    // The per-frame operation.
    virtual void Run() {}
    // Set-up on entry.
    virtual void Init() {}
    virtual void FadeIn() {}
    virtual void Leave() {}

    int m_nState = -1;
    int m_nSubState = 0;
    std::vector<StateHandler> m_Handlers;

  protected:
    // What every scene's Run does: set up on the first frame (a text thrown by Init closes the
    // program, and the scene counts as set up either way), then run the current state's handler.
    void RunStates();
};

class cGameScene;
// The play scene while it exists; cleared when the play scene is deleted.
extern cGameScene* g_lpGameScene;

// Builds the scene object of an index (0-5); may throw std::bad_alloc or a text.
using SceneFactory = cScene* (*)(int index);
// The scene module's own factory (the menu scenes and the play scene).
cScene* CreateScene(int index);
// The play scene's module gives access to its object.
cGameScene* AsGameScene(cScene* playScene);
void SetGameSceneQuit(cGameScene* scene);
void SetGameSceneFps(cGameScene* scene, int fps);

class cSceneManager {
  public:
    ~cSceneManager() { DeleteAll(); }

    // Makes the scene of `index` current: deletes every other scene object and builds the one of
    // index when it does not exist yet. An index outside 0-5 leaves no scene at all.
    void SwitchScene(int index);
    void DeleteAll();
    // The object of a scene index, null when it does not exist (or the index is not a scene).
    cScene* SceneAt(int index) const;
    // One frame: the switch to g_nSceneIndex (a thrown text is logged and closes the program),
    // then the current scene's Run; nothing runs while the current slot is empty.
    void SwitchAndRun();

    // Slots in order: title, world map, save menu, challenge menu, options, play.
    cScene* m_lpScenes[SCENE_COUNT] = {};
    int g_nSceneIndex = 0;
    int g_nNextScene = 0;
    int g_nPrevScene = 0;
    int g_nPlayMode = 0;
    int g_nGameMode = 0;
    int m_nChallengeCursor[2] = {};
    int g_bRanking = 0;
    int g_nFrameRate = 60;
    int g_nFade = 10;
    int g_nCurMenuBgm = 0;

    // Tests replace the factory; the player uses CreateScene.
    SceneFactory m_pfnCreate = &CreateScene;

  private:
    static int SlotOf(int index);
    void DeleteSlot(int index);
};

extern cSceneManager g_SceneManager;
