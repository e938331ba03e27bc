// A live stage for set-up, play-step and scenario tests: a play scene, the stage record built in
// memory from placed blocks, characters and items (or read back from a stage file), set up by
// SetStage and stepped frame by frame with scripted input.
#pragma once

#include "app/input.h"
#include "app/scene.h"
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/shot.h"
#include "play/hits.h"
#include "play/play_step.h"
#include "play/set_stage.h"
#include "play/trace.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <memory>

namespace play_fixture {

inline cEdBlockDef Block(int x, int y, int solid = 1, int picture = 1) {
    cEdBlockDef b;
    b.m_nX = static_cast<std::int16_t>(x);
    b.m_nY = static_cast<std::int16_t>(y);
    b.m_nPictureNo = static_cast<std::uint16_t>(picture);
    b.m_nSolidity = static_cast<std::uint8_t>(solid);
    return b;
}
inline cEdCharaDef Chara(int x, int y, int faction = 1) {
    cEdCharaDef c;
    c.m_nX = static_cast<std::int16_t>(x);
    c.m_nY = static_cast<std::int16_t>(y);
    c.m_nPictureNo = 1;
    c.m_nFaction = static_cast<std::uint8_t>(faction);
    return c;
}
inline cEdCharaDef Hero(int x, int y) {
    cEdCharaDef h = Chara(x, y, 0);
    h.m_nController = 0;
    h.m_nFacing = 1;
    return h;
}
inline cEdItemDef Item(int x, int y) {
    cEdItemDef i;
    i.m_nX = static_cast<std::int16_t>(x);
    i.m_nY = static_cast<std::int16_t>(y);
    i.m_nPictureNo = 1;
    return i;
}

} // namespace play_fixture

class PlayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_nPlayMode = 3;
        g_SystemData.m_nReplay = 0;
        g_SystemData.m_nCompat272 = 0;
        g_SystemData.m_nCompat697 = 0;
        g_SystemData.m_nCompat637 = 0;
        g_SaveData.m_bNextStart = 0;
        g_Inputs.resize(1);
        UpdateInputBuffers(g_Inputs[0]);
        m_Scene = std::make_unique<cGameScene>();
        g_lpGameScene = m_Scene.get();
        InstallFlowEngine();
        InstallPlayHooks();
        g_PlayStepHooks = PlayStepHooks{};
        g_PlayStepHooks.CheckSpaceKey = [](cGameScene&) { return false; };
        g_Stage = cEdStage();
        g_Stage.m_nWidth = 20;
        g_Stage.m_nHeight = 15;
        g_Stage.m_nActiveOnly = 0;
    }
    void TearDown() override {
        m_Scene->m_Shots.clear();
        g_Charas.clear();
        g_Items.clear();
        g_Heroes.clear();
        m_Scene.reset();
        g_lpGameScene = nullptr;
        g_Blocks.clear();
        g_BlockCells.clear();
        g_nScore = 0;
        g_PlayStepHooks = PlayStepHooks{};
        g_ObjectHooks = ObjectHooks{};
        g_SummonHooks = SummonHooks{};
        g_PlayTrace.SetFile(nullptr);
        g_SystemData.m_nCompat272 = 0;
        // Tests replace handlers; the next test starts with the table the program starts with.
        InstallFlowCommands();
    }
    // A floor on the last row, the hero standing on it at column 2.
    void FloorStage(int width, int height) {
        g_Stage.m_nWidth = width;
        g_Stage.m_nHeight = height;
        for (int x = 0; x < width; ++x)
            g_Stage.m_Blocks.push_back(play_fixture::Block(x, height - 1));
        g_Stage.m_Charas.push_back(play_fixture::Hero(2, height - 2));
    }
    // Keeps the stage as loaded and sets it up.
    void Start() {
        // Objects may use the whole stage, as the editor stores it.
        if (g_Stage.m_nExtentX == 0) g_Stage.m_nExtentX = g_Stage.m_nWidth * 32;
        if (g_Stage.m_nExtentY == 0) g_Stage.m_nExtentY = g_Stage.m_nHeight * 32;
        KeepStageSetup(g_StageOriginal, g_Stage);
        SetStage(*m_Scene, false, false);
        m_Scene->m_nState = GAMESTATE_PLAY;
    }
    // Frames of play with the given input words.
    void Play(int frames, std::uint16_t dir = 0, std::uint16_t buttons = 0) {
        for (int i = 0; i < frames && m_Scene->m_nState == GAMESTATE_PLAY; ++i) {
            g_Inputs[0].wDir = dir;
            g_Inputs[0].wButtons = buttons;
            PlayStep(*m_Scene);
        }
    }
    cHero& Hero() { return g_Heroes.at(0); }

    std::unique_ptr<cGameScene> m_Scene;
};
