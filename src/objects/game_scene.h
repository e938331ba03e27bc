// The play scene's record: the working state of a running stage that the game objects, flows,
// effects and message windows reach through g_lpGameScene. Its states and operations come with
// the play scene itself; this record only holds the fields, in their declared order.
#pragma once

#include "app/scene.h"
#include "objects/effects.h"
#include "objects/game_object.h"
#include "objects/message_window.h"
#include "objects/scroll_pos.h"

#include <atomic>
#include <list>
#include <memory>
#include <vector>

struct cFlowCommand;

constexpr int GAMESCENE_STATE_COUNT = 8;
constexpr int RESULT_ITEMS = 5;
// Stage variables of a running stage: 0 to 255, the indexes that flows and message fields name.
constexpr int STAGE_VARIABLE_COUNT = 256;

class cGameScene : public cScene {
  public:
    cGameScene();
    ~cGameScene() override;
    cGameScene(const cGameScene&) = delete;
    cGameScene& operator=(const cGameScene&) = delete;

    int m_nSavedState = 0;
    int m_nSavedSubState = 0;
    // 0 none, 1 end the stage as cleared, 2 defeat hero 1.
    int m_nStageEndRequest = 0;
    // Set by each message of an item's command run, so that a later message of the run continues
    // the window of the first; cleared when a run starts.
    int m_bMessageContinued = 0;
    cScrollPos m_ScrollX;
    cScrollPos m_ScrollY;
    std::list<cShot> m_Shots;
    // Shots of m_Shots that the sub-step's shot step ended, marked until the sweep after the hits:
    // no count of the shots in play includes them.
    std::size_t m_nEndedShots = 0;
    // The stage characters and the live shots of each faction.
    std::vector<cGameObject*> m_CharaGroups[FACTION_COUNT];
    std::vector<cGameObject*> m_ShotGroups[FACTION_COUNT];
    // Message windows, drawn and ended by the frame drawing.
    std::list<cMessage> m_Messages;
    // Effect objects, drawn and ended by the frame drawing.
    std::list<cEffectObj> m_Effects;
    std::int16_t m_bVirtualBackBuffer = 0;
    int m_nWaitKind = 0;
    int m_nWaitDelay = 0;
    int m_bWaitConfirm = 0;
    int m_nWaitFrames = 0;
    // Set by the window thread's close while the pause thread runs; the play step then closes again.
    std::atomic<int> m_bClosing{0};
    cChara* m_lpCurChara = nullptr;
    cFlow* m_lpCurFlow = nullptr;
    cFlowCommand* m_lpCurCommand = nullptr;
    int m_nPlayers = 1;
    int m_nSubStep = 0;
    int m_nSubStepCount = 0;
    int m_nTimeLimit = 0;
    int m_bTimeStopped = 0;
    int m_nElapsedFrames = 0;
    int m_nElapsedCs = 0;
    int m_nBannerCount = 0;
    int m_nBannerCount2 = 0;
    unsigned m_nRandomSeed = 0;
    int m_bWaitClosed = 0;
    int m_bHpCheck = 0;
    std::vector<int> m_StageVars;
    int m_nPlayFrame = 0;
    int m_bRankQualified = 0;
    int m_RankPlaces[RESULT_ITEMS] = {-1, -1, -1, -1, -1};
    std::vector<int> m_RankValues;
    int m_bRegistered = 0;

    // Frames per second measured by the frame loop, for its display.
    int m_nFps = 0;
};

struct cMenuAnchor {
    int x = 0;
    int y = 0;
    int nWord1 = 0;
    int nWord2 = 0;
};
// 0 the pause menu, 1 the continue menu, 2 the ranking view.
extern cMenuAnchor g_PlayMenuPos[3];

// The view of the running play scene; a fixed default view while no play scene exists.
cScrollPos& DefaultView(int axis);
inline cScrollPos& ViewX() {
    return g_lpGameScene ? g_lpGameScene->m_ScrollX : DefaultView(0);
}
inline cScrollPos& ViewY() {
    return g_lpGameScene ? g_lpGameScene->m_ScrollY : DefaultView(1);
}
