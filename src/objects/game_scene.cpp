#include "objects/game_scene.h"

#include "objects/object_links.h"

cMenuAnchor g_PlayMenuPos[3] = {{320, 272, 0, 0}, {320, 272, 0, 0}, {184, 64, 0, 0}};

cGameScene::cGameScene() {
    m_Handlers.resize(GAMESCENE_STATE_COUNT);
    m_RankValues.assign(RESULT_ITEMS, 0);
    m_ScrollX.SetUp(0, 0);
    m_ScrollY.SetUp(1, 0);
}

cGameScene::~cGameScene() {
    // The scene's lists go with it: nothing may stay in a faction list of a scene that is gone.
    for (auto& group : m_CharaGroups)
        cObjectLinks::EmptyFaction(group);
    for (auto& group : m_ShotGroups)
        cObjectLinks::EmptyFaction(group);
    m_Shots.clear();
    if (g_lpGameScene == this) g_lpGameScene = nullptr;
}

namespace {
cScrollPos MakeDefaultView(int axis) {
    cScrollPos s;
    s.SetUp(axis, 0);
    return s;
}
} // namespace

cScrollPos& DefaultView(int axis) {
    if (axis == 0) {
        static cScrollPos fallbackX = MakeDefaultView(0);
        return fallbackX;
    }
    static cScrollPos fallbackY = MakeDefaultView(1);
    return fallbackY;
}
