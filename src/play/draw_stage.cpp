#include "play/draw_stage.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/int_range.h"
#include "app/log.h"
#include "app/play_se.h"
#include "app/sjis.h"
#include "draw/dd_effects.h"
#include "draw/dd_palette_fx.h"
#include "draw/dd_startup.h"
#include "draw/font.h"
#include "objects/blocks.h"
#include "objects/chara_draw.h"
#include "objects/game_scene.h"
#include "objects/object_hooks.h"
#include "platform/messages.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

DDSURFACEDATA g_DarkSD, g_HoleSD;
cScreenColour g_ScreenColour;

namespace {

DDSURFACEDATA* Sys(int k) {
    return &g_SystemSurfaces[k];
}

int VisibleWidth(DDSURFACEDATA* sd) {
    const DDSURFACEDATA* s = DDSubstitute(sd);
    return s ? s->nWidth : 0;
}
int VisibleHeight(DDSURFACEDATA* sd) {
    const DDSURFACEDATA* s = DDSubstitute(sd);
    return s ? s->nHeight : 0;
}

// The picture of one record from its file: in video memory for record 0 (and for a picture of its own
// in record 1), else as its definition says.
bool CreatePictureRecord(DDSURFACEDATA& sd, const SURFACEDEF& def, bool primary) {
    if (primary)
        return DDCheckResult(DDCreateSurfaceFromFile(&sd, def.szFileName, 1, g_DDSettings.nBpp, 0,
                                                     DTMEMORYTYPE_VIDEO_NORT, 0, 0, 0, 0, 0));
    return DDCreateSurfaceFromFile(&sd, def.szFileName, 1, g_DDSettings.nBpp, def.nDDMemory, 0, 0, 0,
                                   def.nMirrorCellW, 0, 0) != 0;
}

// Four records for one picture file: the picture, its cells mirrored, and both again in system
// memory. Under Direct3D the three others view the first. With `right` (a sword type's picture for
// facing right) the two mirrored records hold that picture as it is instead; when it cannot be read,
// `rightFailed` is set and they stay the mirror.
bool LoadPictureSet(DDSurfaceVec& vec, DDSurfaceDefVec& defs, const std::string& file, int cellW,
                    const std::string& right, bool& rightFailed) {
    DDSURFACEDATA* first = nullptr;
    DDSURFACEDATA* own = nullptr; // record 1 when it holds the right-facing picture
    bool useRight = !right.empty();
    rightFailed = false;
    for (int k = 0; k < 4; ++k) {
        DDSURFACEDATA& sd = vec.push_back(DDSURFACEDATA{});
        const bool mirrorRecord = (k & 1) != 0;
        SURFACEDEF def;
        std::snprintf(def.szFileName, sizeof def.szFileName, "%s",
                      (mirrorRecord && useRight ? right : file).c_str());
        def.bColorKey = 1;
        def.nDDMemory = k >= 2 ? 1 : 0;
        def.nMirrorCellW = mirrorRecord && !useRight ? cellW : 0;
        def.nMirrorCellH = 0;
        if (k == 0) {
            defs.push_back(def);
            first = &sd;
            if (!CreatePictureRecord(sd, def, true)) return false;
            continue;
        }
        if (k == 1 && useRight) {
            if (CreatePictureRecord(sd, def, true)) {
                defs.push_back(def);
                own = &sd;
                continue;
            }
            // Unreadable: the mirror of the left-facing picture stands in.
            DDReleaseSurface(&sd);
            sd = DDSURFACEDATA{};
            rightFailed = true;
            useRight = false;
            std::snprintf(def.szFileName, sizeof def.szFileName, "%s", file.c_str());
            def.nMirrorCellW = cellW;
        }
        defs.push_back(def);
        DDSURFACEDATA* base = mirrorRecord && own ? own : first;
        if (DDIsD3D()) {
            sd.lpMirrorSrc = base;
            sd.nMirrorCellW = def.nMirrorCellW;
            sd.nWidth = base->nWidth;
            sd.nHeight = base->nHeight;
        } else {
            CreatePictureRecord(sd, def, false);
            sd.lpMirrorSrc = base;
        }
    }
    return true;
}

// Four records per entry of `list` (entry 0 is none); `info` gives an entry's file, its right-facing
// file (empty for none) and its cell size.
template <class List, class Info>
void LoadPictureList(DDSurfaceVec& vec, DDSurfaceDefVec& defs, List& list, const char* failure, Info info) {
    for (auto& sd : vec) {
        sd.lpMirrorSrc = nullptr;
        DDReleaseSurface(&sd);
    }
    vec.clear();
    defs.clear();
    for (int n = 1; n < list.Count(); ++n) {
        std::string file, right;
        int w = 32, h = 32;
        info(list.at(n), file, right, w, h);
        const int before = vec.Count();
        bool rightFailed = false;
        if (!LoadPictureSet(vec, defs, file, w, right, rightFailed)) {
            ECLogF(failure, file.c_str());
            // The entry keeps its four places, blank, so that later entries keep their numbers.
            while (vec.Count() < before + 4)
                vec.push_back(DDSURFACEDATA{});
            while (defs.Count() < before + 4)
                defs.push_back(SURFACEDEF{});
        }
        if (rightFailed) ECLogF(failure, right.c_str());
    }
}

} // namespace

// ---- Resources ----

void BuildBlockTile(DDSURFACEDATA* tiles, DDSURFACEDATA* src) {
    DDFillRect(tiles, 0, 0, tiles->nWidth, tiles->nHeight, 0);
    DDBeginBatch(0);
    for (int r = 0; r < 30; ++r)
        for (int k = 0; k < 4; ++k) {
            DDBlt(tiles, 8 + 64 * k, 8 + 32 * r, 16, 16, src, 32 * k, 16 * r, 0);
            DDBlt(tiles, 40 + 64 * k, 8 + 32 * r, 16, 16, src, 32 * k + 16, 16 * r, 0);
        }
    DDEndBatch();
}

void BuildBlockTiles() {
    BuildBlockTile(Sys(SYSBMP_TILES_A), Sys(SYSBMP_BLOCK));
    BuildBlockTile(Sys(SYSBMP_TILES_B), Sys(SYSBMP_BLOCK + 1));
}

void LoadStageBitmaps() {
    LoadPictureList(g_StageBitmaps, g_StageBitmapDefs, g_Database.m_CharaBmps, "専用bmp %s 読み込み失敗！",
                    [](const cEdBmpCharaExc& e, std::string& file, std::string&, int& w, int& h) {
                        file = e.szFileName;
                        w = h = e.bCustomCell ? std::clamp(e.CellSize(), 1, 4096) : 32;
                    });
}

void LoadStageSwords() {
    LoadPictureList(g_StageSwords, g_StageSwordDefs, g_Database.m_SwordTypes, "ソード %s 読み込み失敗！",
                    [](const cEdSwordType& e, std::string& file, std::string& right, int& w, int& h) {
                        file = e.szFileName;
                        right = e.szFileName2;
                        w = h = 32;
                    });
}

void LoadStageEffects() {
    LoadPictureList(g_StageEffects, g_StageEffectDefs, g_Database.m_Effects, "エフェクト %s 読み込み失敗！",
                    [](const cEdEffect& e, std::string& file, std::string&, int& w, int& h) {
                        file = e.szFileName;
                        w = std::max(1, e.nCellWidth);
                        h = std::max(1, e.nCellHeight);
                    });
}

void ReleaseStagePictures() {
    for (DDSurfaceVec* v : {&g_StageBitmaps, &g_StageSwords, &g_StageEffects}) {
        for (auto& sd : *v) {
            sd.lpMirrorSrc = nullptr;
            DDReleaseSurface(&sd);
        }
        v->clear();
    }
    g_StageBitmapDefs.clear();
    g_StageSwordDefs.clear();
    g_StageEffectDefs.clear();
}

bool CreateWorkSurfaces() {
    const int r = g_Heroes.empty() ? 0 : std::clamp(g_Heroes[0].m_nLightRadius, 0, 2048);
    DDReleaseSurface(&g_DarkSD);
    DDReleaseSurface(&g_HoleSD);
    const int w = 1280 + 2 * r, h = 960 + 2 * r;
    // Both back-ends make a surface of any size a sight asks for: one that cannot be made found no
    // memory, and the set-up or the play step that asked for it fails as any other allocation does.
    if (!DDCreateSurface(&g_DarkSD, w, h, 1, 1, DTMEMORYTYPE_VIDEO_RT, 0, 0)) throw std::bad_alloc();
    DDFillRect(&g_DarkSD, 0, 0, w, h, 16);
    if (r == 0) return true;
    const int shape = g_Heroes[0].m_Def.m_nSightShape;
    if (shape != 1 && shape != 2) {
        DDFillRect(&g_DarkSD, w / 2 - r, h / 2 - r, 2 * r, 2 * r, 0);
        return true;
    }
    if (!DDCreateSurface(&g_HoleSD, 2 * r, 2 * r, 1, 1, DTMEMORYTYPE_VIDEO_RT, 0, 0)) throw std::bad_alloc();
    if (DDIsD3D())
        DDFillRect(&g_HoleSD, 0, 0, 2 * r, 2 * r, 0);
    else
        DDFillRectRGB(&g_HoleSD, 0, 0, 2 * r, 2 * r, g_dwTransmitPixel);
    DDBltCircle(&g_DarkSD, w / 2, h / 2, r, r, r, 1, &g_HoleSD, r, r, 0);
    return true;
}

// ---- Background ----

double WrapScroll(double pos, double speed, int size) {
    if (size <= 0) return pos;
    double p = std::fmod(pos - speed, static_cast<double>(size));
    if (p < 0) p += size;
    if (p >= size) p = 0; // fmod of a tiny negative value can round up to the size
    return p;
}

void ScrollBackground() {
    for (int k = 0; k < g_Stage.m_Backgrounds.Count(); ++k) {
        cEdStageTableD& layer = g_Stage.m_Backgrounds.at(k);
        if (k >= SYSBMP_BACKGROUND_SLOTS) break;
        DDSURFACEDATA* pic = Sys(SYSBMP_BACKGROUND_FIRST + k);
        if (layer.m_nAutoX)
            layer.m_dOffsetX = WrapScroll(layer.m_dOffsetX, layer.m_dSpeedX, VisibleWidth(pic));
        if (layer.m_nAutoY)
            layer.m_dOffsetY = WrapScroll(layer.m_dOffsetY, layer.m_dSpeedY, VisibleHeight(pic));
    }
}

void DrawBackground(DDSURFACEDATA* surface, int group) {
    const int count = std::min(g_Stage.m_Backgrounds.Count(), SYSBMP_BACKGROUND_SLOTS);
    const cScrollPos& vx = ViewX();
    const cScrollPos& vy = ViewY();
    const int originX = vx.m_nMargin * 32, originY = vy.m_nMargin * 32;
    bool first = group == 0;
    for (int k = 0; k < count; ++k) {
        const cEdStageTableD& layer = g_Stage.m_Backgrounds.at(k);
        if (!layer.m_nShown || layer.m_nPass != group) continue;
        if (layer.m_nKind != 0) {
            DDFillRect(surface, 0, 0, 640, 480, static_cast<std::uint32_t>(layer.m_nColour) & 0xFF);
            first = false;
            continue;
        }
        DDSURFACEDATA* pic = Sys(SYSBMP_BACKGROUND_FIRST + k);
        const int w = VisibleWidth(pic), h = VisibleHeight(pic);
        // A picture without size, or one whose file gave no surface, is skipped.
        const DDSURFACEDATA* src = DDSubstitute(pic);
        if (w <= 0 || h <= 0 || !src || (!src->lpDT && !src->lpDDSide)) continue;
        const int ox =
            layer.m_nAutoX
                ? static_cast<int>(layer.m_dOffsetX + vx.m_dPos - originX)
                : static_cast<int>((static_cast<int>(vx.m_dPos + 0.5) - originX) * layer.m_dSpeedX);
        const int oy =
            layer.m_nAutoY
                ? static_cast<int>(layer.m_dOffsetY + vy.m_dPos - originY)
                : static_cast<int>((static_cast<int>(vy.m_dPos + 0.5) - originY) * layer.m_dSpeedY);
        const int mx = ((ox % w) + w) % w, my = ((oy % h) + h) % h;
        const std::uint32_t flags = first ? 0 : 1;
        // The first layer's tiles, unkeyed and whole, cover the screen: nothing of the last frame
        // need be kept under them.
        const bool drawable =
            pic->lpDDSide ? pic->lpDDSide->lpSurface && pic->lpDDSide->lpSurface->IsLost() == gfx::DD_OK
                          : pic->lpDT && pic->lpDT->lpTexture;
        if (first && src == pic && drawable && w == pic->nWidth && h == pic->nHeight &&
            surface->nWidth == 640 && surface->nHeight == 480)
            DDDiscardPixels(surface);
        first = false;
        DDBeginBatch(0);
        int rows = 0;
        for (int y = -my; y < 480 && rows < 1000; y += h, ++rows) {
            int cols = 0;
            for (int x = -mx; x < 640 && cols < 1000; x += w, ++cols)
                DDBlt(surface, x, y, w, h, pic, 0, 0, flags);
        }
        DDEndBatch();
    }
    // A back pass that drew no layer (none shown there, or no picture) leaves no earlier frame.
    if (group == 0 && first) DDFillRect(surface, 0, 0, 640, 480, 16);
}

// ---- Blocks ----

void DrawBlocks(cGameScene&, DDSURFACEDATA* surface, int layer) {
    const cScrollPos& vx = ViewX();
    const cScrollPos& vy = ViewY();
    const int px = static_cast<int>(vx.m_dPos), py = static_cast<int>(vy.m_dPos);
    const int c0 = px >> 5, r0 = py >> 5;
    const int margin = STAGE_MARGIN_BLOCKS;
    DDBeginBatch(0);
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 21; ++j) {
            const int col = c0 + j, row = r0 + i;
            // Only the stage itself: the margin around it is never drawn.
            const int sc = col - margin, sr = row - margin;
            if (sc < 0 || sc >= g_Stage.m_nWidth || sr < 0 || sr >= g_Stage.m_nHeight) continue;
            const cBlock* b = BlockAt(col, row);
            if (!b || b->m_nPictureA == 0 || b->m_nLayer != layer || b->m_bHidden) continue;
            if (!b->m_Conditions.empty() && g_ObjectHooks.BlockConditionsHold &&
                !g_ObjectHooks.BlockConditionsHold(*b))
                continue;
            DrawBlockCell(*b, surface, 32 * j - (px & 31), 32 * i - (py & 31));
        }
    DDEndBatch();
}

// ---- Status bar and time ----

int GaugeFill(std::int64_t value, std::int64_t maximum) {
    if (maximum < 1) return 0;
    return static_cast<int>(std::clamp<std::int64_t>(value * 50 / maximum, 0, 50));
}

cStatusLayout StatusBarLayout() {
    cStatusLayout l;
    const int n = std::min(g_SystemData.m_vStatusItems.Count(), 5);
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        const cStatusItem& it = g_SystemData.m_vStatusItems.at(i);
        if (!it.m_nShow) continue;
        l.bShown[i] = 1;
        ++l.nShown;
        l.nLabelWidth[i] = it.m_nIcon ? 16 : 16 * CountSjisChars(it.m_strLabel);
        const int value = (i == 2 || i == 3) ? 50 : 16 * std::clamp(it.m_nDigits, 0, 64);
        l.nWidth[i] = l.nLabelWidth[i] + value;
        sum += l.nWidth[i];
    }
    if (l.nShown == 0) return l;
    l.nGap = (638 - sum) / (l.nShown + 1);
    int x = l.nGap;
    for (int i = 0; i < 5; ++i) {
        if (!l.bShown[i]) continue;
        l.nX[i] = x;
        x += l.nWidth[i] + l.nGap;
    }
    return l;
}

std::string StatusValueText(int item, int value, const std::string& label, bool icon) {
    const std::string number = item == 4 && value == 999999 ? "-" : std::to_string(value);
    return icon ? number : label + number;
}

void DrawStatusBar(cGameScene&, DDSURFACEDATA* surface) {
    if (!g_Stage.m_nStatusDisplay) return;
    const cStatusLayout l = StatusBarLayout();
    if (l.nShown == 0) return;
    DDSURFACEDATA* sheet = Sys(SYSBMP_STATUS);
    DDBlt(surface, 0, 0, 640, 20, sheet, 0, 0, 1);
    static const int kIconX[5] = {0, 16, 32, 48, 64};
    const cHero* hero = g_Heroes.empty() ? nullptr : &g_Heroes[0];
    for (int i = 0; i < 5; ++i) {
        if (!l.bShown[i]) continue;
        const cStatusItem& it = g_SystemData.m_vStatusItems.at(i);
        const int x = l.nX[i], y = 3;
        if (i == 2 || i == 3) {
            if (it.m_nIcon)
                DDBlt(surface, x, y, 16, 16, sheet, kIconX[i], 32, 1);
            else
                g_Font.DrawF(surface, x, y, "%s", it.m_strLabel.c_str());
            const int gx = x + l.nLabelWidth[i];
            const int sx = i == 2 ? 0 : 64;
            DDBlt(surface, gx, y, 50, 16, sheet, sx, 128, 1);
            const std::int64_t value = hero ? (i == 2 ? hero->m_nHP : hero->m_nSP) : 0;
            const std::int64_t total = hero ? (i == 2 ? hero->m_Def.m_nMaxHP : hero->m_Def.m_nMaxSP) : 0;
            const int fill = GaugeFill(value, total);
            const bool low = total > 0 && g_SystemData.ReachesLimit(
                                              i, static_cast<int>(value),
                                              static_cast<int>(std::min<std::int64_t>(total, INT32_MAX)));
            if (fill > 0) DDBlt(surface, gx, y, fill, 16, sheet, sx, low ? 160 : 144, 1);
            if (it.m_nShowValue) g_Fonts[0].DrawF(surface, gx, 6, "%d", static_cast<int>(value));
            continue;
        }
        const int value = i == 0 ? g_SaveData.m_nTotalScore : i == 1 ? g_nScore : g_SaveData.m_nLives;
        const std::string text = StatusValueText(i, value, it.m_strLabel, it.m_nIcon != 0);
        if (it.m_nIcon) {
            DDBlt(surface, x, y, 16, 16, sheet, kIconX[i], 32, 1);
            g_Font.DrawF(surface, x + 16, y, "%s", text.c_str());
        } else {
            g_Font.DrawF(surface, x, y, "%s", text.c_str());
        }
    }
}

void DrawTimeLimit(cGameScene& scene, DDSURFACEDATA* surface, int beep) {
    if (scene.m_bTimeStopped) return;
    const int t = std::clamp(scene.m_nTimeLimit, 0, 999);
    const int digits[3] = {t / 100, (t / 10) % 10, t % 10};
    for (int k = 0; k < 3; ++k)
        DDBlt(surface, 272 + 32 * k, 24, 32, 32, Sys(SYSBMP_WORD), digits[k] * 32, 160, 1);
    // The period counter belongs to the play step; the display only asks whether it is at zero.
    if (scene.m_nTimeLimit > 0 && scene.m_nTimeLimit <= g_Stage.m_nTimeWarning && FrameTimerTick(2, 0) &&
        beep)
        PlaySe(13);
}

// ---- Screen colour ----

void SetScreenColor(cScreenColour& c, const int p[8]) {
    c.prevR = c.r, c.prevG = c.g, c.prevB = c.b;
    c.nPrevStrength = c.nStrength;
    c.nPrevAlpha = c.nAlpha;
    c.r = static_cast<std::uint8_t>(p[0]);
    c.g = static_cast<std::uint8_t>(p[1]);
    c.b = static_cast<std::uint8_t>(p[2]);
    c.nStrength = std::clamp(p[3], 0, 100);
    c.nMode = p[4];
    c.nDuration = SaturateInt(std::int64_t{std::max(0, p[5])} * 6);
    c.bThereAndBack = p[6];
    c.nRepeat = p[7];
    c.bActive = 1;
    c.nFrame = 0;
    c.nPasses = 0;
}

int ScreenColourAlpha(const cScreenColour& c) {
    // The progress is a fraction: an integer division would hold the colour until the end.
    const double f = c.nDuration > 0 ? static_cast<double>(c.nFrame) / c.nDuration : 1.0;
    double a;
    if (c.nMode == 0)
        a = 255.0 - f * c.nStrength * 2.55;
    else
        a = c.nDuration > 0 ? c.nPrevAlpha + f * (255.0 - c.nPrevAlpha) : 255.0;
    return std::clamp(static_cast<int>(a), 0, 255);
}

void ShowBasePalette() {
    if (g_DDSettings.nBpp != 8) return;
    std::memcpy(g_Palette, g_BasePalette, sizeof g_Palette);
    if (g_lpDDCon && g_lpDDCon->lpPalette) g_lpDDCon->lpPalette->SetEntries(0, 0, 256, g_Palette);
}

void DrawScreenColor(cGameScene&, int paused) {
    cScreenColour& c = g_ScreenColour;
    if (!c.bActive) {
        // A colour that ended in the last frame leaves the palette blended: the base comes back, as
        // the other displays stop tinting.
        if (c.bPaletteBlended) {
            c.bPaletteBlended = 0;
            ShowBasePalette();
        }
        return;
    }
    c.nAlpha = ScreenColourAlpha(c);
    if (!DDIsD3D()) {
        if (g_DDSettings.nBpp == 8) {
            BlendPaletteToColor(g_Palette, 0, 255, c.nAlpha, c.r, c.g, c.b, g_BasePalette);
            if (g_lpDDCon && g_lpDDCon->lpPalette) g_lpDDCon->lpPalette->SetEntries(0, 0, 256, g_Palette);
            c.bPaletteBlended = 1;
        } else {
            c.bActive = 0;
            return;
        }
    } else if (lpDTCon->bVirBackBuffer) {
        // The virtual back buffer cannot tint itself: the colour is laid over it.
        DDFillRectRGB(Sys(SYSBMP_SCREEN_COPY), 0, 0, 640, 480,
                      0xFF000000u | (c.r << 16) | (c.g << 8) | static_cast<std::uint32_t>(c.b));
        DDBltAlpha(&g_BackBuffer, 0, 0, 640, 480, Sys(SYSBMP_SCREEN_COPY), 0, 0, 0, g_BlendTable, c.nAlpha);
    } else {
        DDChangeColor(&g_BackBuffer, 0, 0, 640, 480, c.nAlpha, c.r, c.g, c.b);
    }
    if (paused) return;
    ++c.nFrame;
    if (c.bThereAndBack) {
        if (c.nFrame >= c.nDuration) {
            c.nFrame = 0;
            if (++c.nPasses >= c.nRepeat) c.bActive = 0;
        }
    } else if (c.nFrame >= c.nDuration) {
        c.nFrame = c.nDuration;
        if (c.nMode != 0 || c.nStrength == 0) c.bActive = 0;
    }
}

void ResetStageDrawing() {
    g_ScreenColour = cScreenColour{};
}
