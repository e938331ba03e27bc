#include "play/screen_effects.h"

#include "app/int_range.h"
#include "draw/dd_effects.h"
#include "draw/dd_startup.h"
#include "objects/chara_draw.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "play/draw_frame.h"
#include "play/draw_stage.h"
#include "project/project_database.h"
#include "records/effect_kinds.h"

#include <algorithm>
#include <cmath>

cScreenEffectState g_ScreenEffect;

void cScreenEffectState::Load(const cScreenEffect& entry) {
    const cScrEffectRecord* src = entry.m_lpSource;
    nKind = src ? src->nKind : 0;
    for (int k = 0; k < 5; ++k)
        nParam[k] = src ? src->nParam[k] : 0;
    const int start = nParam[1], end = nParam[2];
    const bool always = nKind == SCREEN_EFFECT_MOVE || nKind == SCREEN_EFFECT_SHAKE_H ||
                        nKind == SCREEN_EFFECT_SHAKE_V || nKind == SCREEN_EFFECT_BLINK;
    bTimed = always || start == end;
    nDuration = SaturateInt(std::int64_t{std::max(0, nParam[0])} * 6);
    nFrames = 0;
    dValue = (nKind == SCREEN_EFFECT_SHAKE_H || nKind == SCREEN_EFFECT_SHAKE_V) ? 0 : start;
    dStep = nDuration > 0 ? std::fabs(static_cast<double>(end) - start) / nDuration : 0;
    nDir = 1;
    nPhase = 0;
    nBlink = 0;
    bVisible = 1;
}

void cScreenEffectState::Start(int n, int mode, int loop) {
    nEffect = n;
    nMode = mode;
    bLoop = loop;
    bReverse = mode == 1;
    nPass = 0;
    auto& list = bReverse ? g_ScrEffectTableRev : g_ScrEffectTable;
    Load(n > 0 && n < static_cast<int>(list.size()) ? list.at(n) : cScreenEffect{});
}

void cScreenEffectState::SwitchList() {
    if (nMode == 2) bReverse = !bReverse;
    auto& list = bReverse ? g_ScrEffectTableRev : g_ScrEffectTable;
    if (nEffect > 0 && nEffect < static_cast<int>(list.size())) Load(list.at(nEffect));
    nPass = 0;
}

int cScreenEffectState::Step() {
    bool running;
    if (bTimed) {
        // Whole frames: a run lasts exactly its duration; a run of no time ends after one frame.
        running = ++nFrames < nDuration;
    } else if (nDuration <= 0) {
        running = false;
    } else if (nParam[1] > nParam[2]) {
        dValue -= dStep;
        running = static_cast<int>(dValue) >= nParam[2];
    } else {
        dValue += dStep;
        running = static_cast<int>(dValue) <= nParam[2];
    }
    if (running) return 0;
    if (!bLoop && (nMode != 2 || bReverse)) return 1;
    SwitchList();
    return 0;
}

bool ScreenEffectRunning() {
    return g_ScreenEffect.nEffect != 0 && g_ScreenEffect.nKind > 0 &&
           g_ScreenEffect.nKind < SCREEN_EFFECT_KIND_COUNT;
}

int StartScreenEffect(cGameScene& scene, int n, int mode, int loop) {
    g_ScreenEffect.Start(n, mode, loop);
    const bool running = ScreenEffectRunning();
    scene.m_bVirtualBackBuffer = running ? 1 : 0;
    return running ? g_ScreenEffect.nEffect : 0;
}

namespace {

DDSURFACEDATA* Copy() {
    return &g_SystemSurfaces[SYSBMP_SCREEN_COPY];
}

// Player 1's screen centre, the middle of the screen without a hero.
void HeroCentre(int& x, int& y) {
    x = 320, y = 240;
    if (g_Heroes.empty()) return;
    x = g_Heroes[0].ScreenCenterX();
    y = g_Heroes[0].ScreenCenterY();
}

void DrawKind(cScreenEffectState& s, int paused) {
    DDSURFACEDATA* bb = &g_BackBuffer;
    DDSURFACEDATA* copy = Copy();
    const int v = static_cast<int>(s.dValue);
    const int p1 = s.nParam[3], p2 = s.nParam[4];
    switch (s.nKind) {
    case SCREEN_EFFECT_MOVE: {
        const double d = s.nDuration > 0 ? s.nDuration : 1;
        const double t = s.nFrames;
        const int x = static_cast<int>(s.nParam[1] + (s.nParam[3] - s.nParam[1]) / d * t);
        const int y = static_cast<int>(s.nParam[2] + (s.nParam[4] - s.nParam[2]) / d * t);
        DDBlt(bb, x, y, 640, 480, copy, 0, 0, 0);
        break;
    }
    case SCREEN_EFFECT_SHAKE_H:
    case SCREEN_EFFECT_SHAKE_V: {
        const bool h = s.nKind == SCREEN_EFFECT_SHAKE_H;
        DDBlt(bb, h ? v : 0, h ? 0 : v, 640, 480, copy, 0, 0, 0);
        // The strip the picture left uncovered is filled, so nothing of the last frame shows there.
        if (h && v > 0) DDFillRect(bb, 0, 0, v, 480, 16);
        if (h && v < 0) DDFillRect(bb, 640 + v, 0, -v, 480, 16);
        if (!h && v > 0) DDFillRect(bb, 0, 0, 640, v, 16);
        if (!h && v < 0) DDFillRect(bb, 0, 480 + v, 640, -v, 16);
        if (!paused) {
            const int amp = std::abs(s.nParam[1]);
            const double speed =
                s.nDuration > 0 ? static_cast<double>(amp) * s.nParam[2] * 4 / s.nDuration : 0;
            s.dValue += s.nDir * speed;
            if (s.dValue >= amp) s.dValue = amp, s.nDir = -1;
            if (s.dValue <= -amp) s.dValue = -amp, s.nDir = 1;
        }
        break;
    }
    case SCREEN_EFFECT_SPLIT_H:
    case SCREEN_EFFECT_SPLIT_V: {
        // p1 divisions of the height (across) or the width; the strips cover the whole screen, the
        // last one reaching past its edge when the division leaves a remainder.
        const bool across = s.nKind == SCREEN_EFFECT_SPLIT_H;
        const int size = across ? 480 : 640;
        const int strip = SplitStripSize(size, p1);
        const int length = strip > 0 ? (size + strip - 1) / strip * strip : size;
        DDBltStripShift(bb, 0, 0, across ? 640 : length, across ? length : 480, strip, v, copy, 0, 0, 0,
                        !across);
        break;
    }
    case SCREEN_EFFECT_WAVE_H:
    case SCREEN_EFFECT_WAVE_V:
        DDBltWave(bb, 0, 0, 640, 480, p1, s.dValue, s.nPhase, p2, copy, 0, 0, 0,
                  s.nKind == SCREEN_EFFECT_WAVE_H);
        if (!paused) s.nPhase = (s.nPhase + 1) % 360;
        break;
    case SCREEN_EFFECT_BLINK:
        if (s.bVisible)
            DDBlt(bb, 0, 0, 640, 480, copy, 0, 0, 0);
        else
            DrawBackgroundOnly();
        // The counter flips the picture when it reaches the interval; an interval below 1 is never
        // reached, so the picture stays.
        if (!paused && s.nParam[1] > 0 && ++s.nBlink >= s.nParam[1]) {
            s.nBlink = 0;
            s.bVisible = !s.bVisible;
        }
        break;
    case SCREEN_EFFECT_ROTATE:
        DDBltRotate(bb, 320, 240, 640, 480, 320, 240, v, copy, 0, 0, 0); // centred on the screen
        break;
    case SCREEN_EFFECT_CIRCLE: {
        int cx = 0, cy = 0;
        HeroCentre(cx, cy);
        const int hw = std::max(cx, 640 - cx), hh = std::max(cy, 480 - cy);
        DDBltCircle(bb, cx, cy, hw, hh, v, p1, copy, cx, cy, 0); // bands below 1 row draw nothing
        break;
    }
    case SCREEN_EFFECT_ZOOM: {
        const double k = std::max(1.0, s.dValue) * 0.0015625;
        if (k < 1) {
            const int w = static_cast<int>(640 * k), h = static_cast<int>(480 * k);
            DDBltStretch(bb, (640 - w) / 2, (480 - h) / 2, w, h, copy, 0, 0, 640, 480, 0);
        } else {
            int cx = 0, cy = 0;
            HeroCentre(cx, cy);
            const int w = static_cast<int>(640 / k), h = static_cast<int>(480 / k);
            const int x = std::clamp(cx - w / 2, 0, 640 - w), y = std::clamp(cy - h / 2, 0, 480 - h);
            DDBltStretch(bb, 0, 0, 640, 480, copy, x, y, w, h, 0);
        }
        break;
    }
    case SCREEN_EFFECT_LENS: {
        // Centred on player 1 shifted by (p1, p2), reaching the screen's farthest corner; the value is
        // the lens's depth: the deep lens of the start leaves the picture nearly flat, and it bulges
        // as the value falls.
        int hx = 0, hy = 0;
        HeroCentre(hx, hy);
        const std::int64_t cx = std::int64_t{hx} + p1, cy = std::int64_t{hy} + p2;
        const int r = LensRadius(cx, cy, 640, 480);
        const int lx = static_cast<int>(std::clamp<std::int64_t>(cx, -LENS_LIMIT, LENS_LIMIT));
        const int ly = static_cast<int>(std::clamp<std::int64_t>(cy, -LENS_LIMIT, LENS_LIMIT));
        DDBlt(bb, 0, 0, 640, 480, copy, 0, 0, 0);
        DDBltLens(bb, lx, ly, r, std::clamp(v, 0, LENS_LIMIT), copy, lx, ly, 0, 0);
        break;
    }
    case SCREEN_EFFECT_MOSAIC:
        DDMosaic(bb, 0, 0, 640, 480, v, copy, 0, 0, 0);
        break;
    default:
        break;
    }
}

} // namespace

void RunScreenEffect(cGameScene& scene, int paused) {
    cScreenEffectState& s = g_ScreenEffect;
    if (!ScreenEffectRunning()) {
        s.nEffect = 0;
        scene.m_bVirtualBackBuffer = 0;
        if (lpDTCon && lpDTCon->bVirBackBuffer) DDSetBackBufferMode(0);
        return;
    }
    DDBlt(Copy(), 0, 0, 640, 480, &g_BackBuffer, 0, 0, 0);
    DDFillRect(&g_BackBuffer, 0, 0, 640, 480, 16);
    if (!DDIsD3D() || DDBeginScene()) DrawKind(s, paused);
    if (paused) return;
    if (s.Step()) {
        s.nEffect = 0;
        scene.m_bVirtualBackBuffer = 0;
        DDSetBackBufferMode(0);
    }
}
