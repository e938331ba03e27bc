// A small running stage for object tests: a play scene with its view over a stage of the given
// size in blocks, the stage's timing at a collision level, and an empty block grid.
#pragma once

#include "objects/blocks.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/stage_file.h"

#include <gtest/gtest.h>

#include <memory>

class ObjectsTest : public ::testing::Test {
  protected:
    void SetUpStage(int widthBlocks, int heightBlocks, int hitLevel = 1, double gravity = 0.4) {
        g_Stage.m_dGravityBase = gravity;
        g_Stage.SetHitLevel(hitLevel);
        m_Scene = std::make_unique<cGameScene>();
        g_lpGameScene = m_Scene.get();
        // Objects may go anywhere on the grid, as a stage whose extents cover it lets them.
        m_Scene->m_ScrollX.SetUp(0, widthBlocks, widthBlocks * BLOCK_SIZE + VIEW_WIDTH);
        m_Scene->m_ScrollY.SetUp(1, heightBlocks, heightBlocks * BLOCK_SIZE + VIEW_WIDTH);
        ResetBlockGrid(m_Scene->m_ScrollX.m_nGridStride, m_Scene->m_ScrollY.m_nGridExtent);
    }
    void SetUp() override { SetUpStage(20, 15); }
    void TearDown() override {
        g_Charas.clear();
        g_Items.clear();
        g_Heroes.clear();
        m_Scene.reset();
        g_lpGameScene = nullptr;
        g_Blocks.clear();
        g_nScore = 0;
        g_ObjectHooks = ObjectHooks{};
    }
    // A solid block at a grid cell (margin included).
    static void PutBlock(int column, int row, std::uint8_t solid = 1) {
        cBlock& b =
            g_Blocks[(static_cast<std::size_t>(row) << g_lpGameScene->m_ScrollX.m_nStrideExp) + column];
        b.m_nSolid = solid;
    }
    // A character whose hit box is w x h at the given pixel position, in gravity mode.
    static void Place(cChara& c, double x, double y, int w = 16, int h = 24, int moveMode = 0) {
        c.Init(1, 0, 0, 1, 0, nullptr, 0, (32 - w) / 2, 32 - h, w, h, 32, 32, 0, moveMode, 0);
        c.m_dX = x;
        c.m_dY = y;
        c.AfterMoveX();
        c.AfterMoveY();
    }

    std::unique_ptr<cGameScene> m_Scene;
};
