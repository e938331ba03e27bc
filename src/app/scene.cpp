#include "app/scene.h"

#include "app/globals.h"
#include "app/log.h"

#include <new>

cSceneManager g_SceneManager;
cGameScene* g_lpGameScene = nullptr;
int g_nPlayMode = 0;
int g_nGameMode = 0;
int g_bRanking = 0;

namespace {
const cSceneEnv g_defaultSceneEnv;
const cSceneEnv* g_lpSceneEnv = &g_defaultSceneEnv;
} // namespace

const cSceneEnv& SceneEnv() {
    return *g_lpSceneEnv;
}

const cSceneEnv* SetSceneEnv(const cSceneEnv* env) {
    const cSceneEnv* before = g_lpSceneEnv;
    g_lpSceneEnv = env ? env : &g_defaultSceneEnv;
    return before == &g_defaultSceneEnv ? nullptr : before;
}

void cScene::RunStates() {
    if (m_nState == -1) {
        try {
            Init();
        } catch (const char* text) {
            FatalLog(g_hWnd, "%s", text);
        }
        m_nState = 0;
    }
    if (m_nState >= 0 && m_nState < static_cast<int>(m_Handlers.size()) && m_Handlers[m_nState])
        m_Handlers[m_nState]();
}

int cSceneManager::SlotOf(int index) {
    // Title, world map, save and challenge menus use slots 0-3; options slot 4; play slot 5.
    static const int slots[SCENE_COUNT] = {0, 1, 2, 3, 5, 4};
    return (index >= 0 && index < SCENE_COUNT) ? slots[index] : -1;
}

cScene* cSceneManager::SceneAt(int index) const {
    int slot = SlotOf(index);
    return slot < 0 ? nullptr : m_lpScenes[slot];
}

void cSceneManager::DeleteSlot(int index) {
    int slot = SlotOf(index);
    if (slot < 0) return;
    cScene* scene = m_lpScenes[slot];
    if (!scene) return;
    m_lpScenes[slot] = nullptr;
    // Nothing may reach the play scene once it is gone.
    if (index == SCENE_PLAY) g_lpGameScene = nullptr;
    delete scene;
}

void cSceneManager::SwitchScene(int index) {
    static const int deleteOrder[SCENE_COUNT] = {SCENE_TITLE,     SCENE_SAVE, SCENE_WORLDMAP,
                                                 SCENE_CHALLENGE, SCENE_PLAY, SCENE_OPTION};
    for (int other : deleteOrder)
        if (other != index) DeleteSlot(other);
    int slot = SlotOf(index);
    if (slot < 0 || m_lpScenes[slot]) return;
    cScene* scene = nullptr;
    try {
        scene = SceneEnv().CreateScene(index);
    } catch (const std::bad_alloc&) {
        scene = nullptr;
    }
    if (!scene) {
        OutOfMemory();
        if (index == SCENE_PLAY) g_lpGameScene = nullptr;
        return;
    }
    m_lpScenes[slot] = scene;
    if (index == SCENE_PLAY) g_lpGameScene = SceneEnv().AsGameScene(scene);
}

void cSceneManager::DeleteAll() {
    for (int slot = 0; slot < SCENE_COUNT; ++slot) {
        cScene* scene = m_lpScenes[slot];
        m_lpScenes[slot] = nullptr;
        if (slot == SlotOf(SCENE_PLAY) && scene) g_lpGameScene = nullptr;
        delete scene;
    }
}

void cSceneManager::SwitchAndRun() {
    try {
        SwitchScene(g_nSceneIndex);
    } catch (const char* text) {
        FatalLog(g_hWnd, "%s", text);
    }
    // An empty slot (the allocation failed and the program is closing) runs nothing.
    if (cScene* scene = SceneAt(g_nSceneIndex)) scene->Run();
}
