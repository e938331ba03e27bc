// The busy play frame the stage drawing benchmarks draw at 32 bits: two background layers, both
// block layers full, 100 characters with gauges, 50 items, 500 shots, the status bar and the time.
// Each set-up starts from an empty stage, so that repetitions draw the same frame.
#pragma once
#include "draw/dd_startup.h"
#include "objects/blocks.h"
#include "objects/chara_draw.h"
#include "objects/game_scene.h"
#include "platform/gfx/sim.h"
#include "play/draw_frame.h"
#include "play/draw_stage.h"
#include "project/stage_file.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"

#include <memory>

namespace bench {

inline constexpr int kMargin = STAGE_MARGIN_BLOCKS * BLOCK_SIZE;
inline constexpr int kKeyIndex = 1; // the transparent colour's palette index

// A sheet of w x h in the transparent colour whose cells of cw x ch hold a square of their own colour.
inline bool MakeSheet(int k, int w, int h, int cw, int ch, int inset) {
    DDSURFACEDATA* sd = &g_SystemSurfaces[k];
    if (!DDCreateSurface(sd, w, h, 1, 0, DTMEMORYTYPE_VIDEO_NORT, 0, 0)) return false;
    // Transparent: palette index 0 under Direct3D, the transparent colour's pixel under DirectDraw.
    if (DDIsD3D())
        DDFillRect(sd, 0, 0, w, h, 0);
    else
        DDFillRectRGB(sd, 0, 0, w, h, g_dwTransmitPixel);
    int n = 0;
    for (int y = 0; y < h; y += ch)
        for (int x = 0; x < w; x += cw, ++n)
            DDFillRect(sd, x + inset, y + inset, cw - 2 * inset, ch - 2 * inset,
                       static_cast<std::uint32_t>(32 + n % 200));
    return true;
}

template <class T> void Place(T& o, int x, int y, int size) {
    o.m_dX = kMargin + x, o.m_dY = kMargin + y;
    o.m_dRight = o.m_dX + size - 1, o.m_dBottom = o.m_dY + size - 1;
    o.m_nHitW = o.m_nHitH = o.m_nHitW0 = o.m_nHitH0 = o.m_nWidth = o.m_nHeight = size;
}

struct BusyStage {
    std::unique_ptr<cGameScene> scene;
    bool ok = false;

    explicit BusyStage(int bD3D) {
        gfx::sim::ResetSimulation();
        gfx::sim::SetVerticalBlankEmulation(false);
        if (!DDInit(bD3D, nullptr, 640, 480, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0)) return;
        for (int i = 0; i < 256; ++i)
            g_BasePalette[i] = {static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i * 91),
                                static_cast<std::uint8_t>(i * 53), 0};
        g_BasePalette[kKeyIndex] = {255, 0, 255, 0};
        std::copy(std::begin(g_BasePalette), std::end(g_BasePalette), g_Palette);
        DDSetTransmit(255, 0, 255);
        const bool sheets =
            MakeSheet(SYSBMP_BLOCK, 480, 256, 32, 32, 0) &&
            MakeSheet(SYSBMP_CHARA_FIRST, 480, 256, 32, 32, 4) &&
            MakeSheet(SYSBMP_CHARA_FIRST + 1, 480, 256, 32, 32, 4) &&
            MakeSheet(SYSBMP_SHOT, 480, 64, 16, 16, 4) && MakeSheet(SYSBMP_SHOT + 1, 480, 64, 16, 16, 4) &&
            MakeSheet(SYSBMP_ITEM, 480, 128, 32, 32, 8) && MakeSheet(SYSBMP_MARK, 480, 96, 32, 32, 14) &&
            MakeSheet(SYSBMP_STATUS, 640, 176, 16, 16, 2) && MakeSheet(SYSBMP_WORD, 320, 192, 32, 32, 4) &&
            MakeSheet(SYSBMP_BACKGROUND_FIRST, 96, 64, 48, 32, 0) &&
            MakeSheet(SYSBMP_BACKGROUND_FIRST + 1, 64, 64, 16, 16, 6) &&
            MakeSheet(SYSBMP_SCREEN_COPY, 640, 480, 640, 480, 0);
        if (!sheets) return;
        SelectObjectSheets();
        InstallStageDrawing(nullptr);

        const int w = 40, h = 30;
        g_Stage = cEdStage();
        g_Stage.m_nWidth = w;
        g_Stage.m_nHeight = h;
        g_Stage.m_nTimeLimitOn = 1;
        for (int k : {0, 1}) {
            g_Stage.m_Backgrounds.push_back(cEdStageTableD{});
            cEdStageTableD& l = g_Stage.m_Backgrounds.back();
            l.m_nShown = 1;
            l.m_nPass = k;
            l.m_dSpeedX = k ? 2.0 : 0.5;
            l.m_nAutoX = k;
        }
        scene = std::make_unique<cGameScene>();
        g_lpGameScene = scene.get();
        scene->m_ScrollX.SetUp(0, w);
        scene->m_ScrollY.SetUp(1, h);
        ResetBlockGrid(scene->m_ScrollX.m_nGridStride, scene->m_ScrollY.m_nGridExtent);
        scene->m_ScrollX.m_dPos = kMargin + 40;
        scene->m_ScrollY.m_dPos = kMargin + 24;
        scene->m_nTimeLimit = 321;
        // Every cell of the view holds a block, on the back layer or (every third) the front one,
        // some of them with an overlay frame.
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                cBlock& b = g_Blocks[(static_cast<std::size_t>(r + STAGE_MARGIN_BLOCKS)
                                      << scene->m_ScrollX.m_nStrideExp) +
                                     c + STAGE_MARGIN_BLOCKS];
                b.m_nPictureA = 1 + (r * 7 + c) % 100;
                b.m_nLayer = (r + c) % 3 == 0 ? 1 : 0;
                b.m_bOverlay = (r * c) % 5 == 0 ? 1 : 0;
                b.m_nOverlayCount = (r + c) % 45;
            }
        g_Heroes.resize(1);
        Place(g_Heroes[0], 300, 300, 32);
        g_Heroes[0].m_nPicture = 1;
        g_Heroes[0].m_Def.m_nMaxHP = 100;
        g_Heroes[0].m_nHP = 70;
        for (int i = 0; i < 100; ++i) {
            cStageChara& c = g_Charas.emplace_back();
            c.m_nId = i + 1;
            Place(c, 40 + (i % 10) * 60, 40 + (i / 10) * 44, 32);
            c.m_nPicture = 1 + i % 14;
            c.m_Def.m_nZ = static_cast<std::uint8_t>(i % 8);
            c.m_Def.m_nMaxHP = 10;
            c.m_nHP = 5;
            c.m_HPGauge.nFrames = 30;
            c.m_HPGauge.nShown = 25;
        }
        for (int i = 0; i < 50; ++i) {
            cItem& it = g_Items.emplace_back();
            Place(it, 60 + (i % 10) * 60, 60 + (i / 10) * 90, 32);
            it.m_nPicture = 1 + i % 40;
            it.m_bPresent = 1;
            it.m_Def.m_nZ = static_cast<std::uint8_t>(i % 8);
        }
        for (int i = 0; i < 500; ++i) {
            cShot& s = scene->m_Shots.emplace_back();
            Place(s, 50 + (i * 37) % 600, 50 + (i * 53) % 420, 16);
            s.m_nPicture = i % 60;
            s.m_Settings.m_nZOrder = static_cast<std::int8_t>(i % 8);
        }
        g_SystemData.m_vStatusItems.resize(5);
        for (int i = 2; i <= 3; ++i) {
            g_SystemData.m_vStatusItems.at(i).m_nShow = 1;
            g_SystemData.m_vStatusItems.at(i).m_nIcon = 1;
        }
        ok = true;
    }
    ~BusyStage() {
        g_Stage = cEdStage();
        g_Charas.clear();
        g_Items.clear();
        g_Heroes.clear();
        scene.reset();
        g_lpGameScene = nullptr;
        ReleaseCharaWorkSurface();
        for (auto& sd : g_SystemSurfaces)
            DDReleaseSurface(&sd);
        DDEnd();
        for (auto& sd : g_SystemSurfaces)
            sd = DDSURFACEDATA{};
        g_BackBuffer = g_VirBackBuffer = g_WorkSD = g_PrimarySD = g_ScreenCopySD = DDSURFACEDATA{};
    }
};

} // namespace bench
