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

// How the play was started: 0 new story, 1 continued story, 2 challenge, 3 stage or replay file
// by path, 4 replay playback.
extern int g_nPlayMode;
// 0 story, 1 challenge, 2 free play of a stage file, 3 replay.
extern int g_nGameMode;
// Rankings are kept for this play.
extern int g_bRanking;

// What the scene manager and the frame loop need of the scenes, which live in the layers above this
// one (the menu scenes and the play scene). The top layer installs its environment at start-up
// (SetSceneEnv); until then no scene can be built and the play-scene operations do nothing.
class cSceneEnv {
  public:
    virtual ~cSceneEnv() = default;
    // Builds the scene of an index (0-5); null when it cannot. May throw std::bad_alloc or a text.
    virtual cScene* CreateScene(int) const { return nullptr; }
    // The play scene's object behind its scene slot.
    virtual cGameScene* AsGameScene(cScene*) const { return nullptr; }
    // A close while the pause thread runs marks the play scene to close again from its next step.
    virtual void SetGameSceneQuit(cGameScene*) const {}
    // The frame loop hands the measured frame rate to the play scene every frame.
    virtual void SetGameSceneFps(cGameScene*, int) const {}
};

// The environment in use (the default one when none is installed).
const cSceneEnv& SceneEnv();
// Installs an environment (null: back to the default) and returns the one installed before. The caller
// keeps it alive while installed.
const cSceneEnv* SetSceneEnv(const cSceneEnv* env);

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
    int m_nChallengeCursor[2] = {};
    int g_nFrameRate = 60;
    int g_nFade = 10;
    int g_nCurMenuBgm = 0;

  private:
    static int SlotOf(int index);
    void DeleteSlot(int index);
};

extern cSceneManager g_SceneManager;
