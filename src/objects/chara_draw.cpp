#include "objects/chara_draw.h"

#include "draw/blink_colours.h"

#include "app/globals.h"
#include "app/int_range.h"
#include "app/scene.h"
#include "app/system_ini.h"
#include "draw/dd_effects.h"
#include "draw/dd_palette_fx.h"
#include "draw/dd_startup.h"
#include "objects/blocks.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/stage_pictures.h"
#include "project/project_database.h"
#include "project/system_data.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

cObjectSheets g_ObjectSheets;

namespace {

DDSURFACEDATA g_CharaWork;

bool HasPicture(int k) {
    if (k < 0 || k >= SYSTEM_BITMAP_COUNT) return false;
    const DDSURFACEDATA& sd = g_SystemSurfaces[k];
    DDSURFACEDATA* src = DDSubstitute(const_cast<DDSURFACEDATA*>(&sd));
    return src && src->nWidth > 0 && src->nHeight > 0;
}

// The special character sheets of the stage: four records per database entry, from entry 1.
DDSURFACEDATA* StageBitmap(int entry, int mirrored) {
    if (entry < 1) return nullptr;
    const int k = 4 * (entry - 1) + (mirrored ? 1 : 0);
    if (k >= g_StageBitmaps.Count()) return nullptr;
    return &g_StageBitmaps.at(k);
}

// Clears a rectangle of a keyed surface to the transparent colour.
void ClearTransparent(DDSURFACEDATA* sd, int x, int y, int w, int h) {
    if (DDIsD3D())
        DDFillRect(sd, x, y, w, h, 0);
    else
        DDFillRectRGB(sd, x, y, w, h, g_dwTransmitPixel);
}

void Blit(DDSURFACEDATA* dst, int x, int y, int w, int h, const cCellDesc& c) {
    const bool stretch = w != c.w || h != c.h;
    if (c.bColour) {
        const std::uint32_t param[2] = {c.dwColour, c.dwColourOp};
        if (stretch)
            DDBltStretchEx(dst, x, y, w, h, c.sheet, c.sx, c.sy, c.w, c.h, 1, param);
        else
            DDBltEx(dst, x, y, w, h, c.sheet, c.sx, c.sy, 1, param);
    } else if (stretch) {
        DDBltStretch(dst, x, y, w, h, c.sheet, c.sx, c.sy, c.w, c.h, 1);
    } else {
        DDBlt(dst, x, y, w, h, c.sheet, c.sx, c.sy, 1);
    }
}

} // namespace

void SelectObjectSheets() {
    // Stretched drawing under DirectDraw is cheaper from system memory; the settings' seventh word
    // asks for those copies.
    const int* word = g_SystemIni.Word(6);
    const bool sysmem = !DDIsD3D() && word && *word != 0;
    g_ObjectSheets.nOverlay = sysmem ? SYSBMP_MARK + 1 : SYSBMP_MARK;
    g_ObjectSheets.nBlock = sysmem ? SYSBMP_BLOCK + 1 : SYSBMP_BLOCK;
    g_ObjectSheets.nCharaBase = sysmem ? SYSBMP_CHARA_SYSMEM : SYSBMP_CHARA_FIRST;
    if (!HasPicture(g_ObjectSheets.nOverlay)) g_ObjectSheets.nOverlay = SYSBMP_MARK;
    if (!HasPicture(g_ObjectSheets.nBlock)) g_ObjectSheets.nBlock = SYSBMP_BLOCK;
    if (!HasPicture(g_ObjectSheets.nCharaBase)) g_ObjectSheets.nCharaBase = SYSBMP_CHARA_FIRST;
}

DDSURFACEDATA* OverlaySheet() {
    return &g_SystemSurfaces[g_ObjectSheets.nOverlay];
}

bool LookupCell(int kind, int picture, int row, int pattern, int dir, cCellDesc& cell) {
    if (picture <= 0) return false;
    cell.w = cell.h = 32;
    DDSURFACEDATA* sheet = nullptr;
    switch (kind) {
    case CELL_BLOCK:
        sheet = &g_SystemSurfaces[g_ObjectSheets.nBlock];
        cell.sx = (picture % 15) * 32;
        cell.sy = (picture / 15) * 32;
        break;
    case CELL_CHARA: {
        const int group = picture / 15;
        if (group >= 8) break;
        sheet = &g_SystemSurfaces[g_ObjectSheets.nCharaBase + 2 * group + (dir == 1 ? 1 : 0)];
        cell.sx = (picture % 15) * 32;
        cell.sy = SaturateInt((std::int64_t{row} + pattern) * 32);
        break;
    }
    case CELL_ITEM:
        sheet = &g_SystemSurfaces[SYSBMP_ITEM];
        cell.sx = (picture % 15) * 32;
        cell.sy = ((picture / 15) * 2 + (pattern & 1)) * 32;
        break;
    case CELL_SHOT:
        sheet = &g_SystemSurfaces[SYSBMP_SHOT + (dir == 1 ? 1 : 0)];
        cell.w = cell.h = 16;
        cell.sx = (picture % 30) * 16;
        cell.sy = ((picture / 30) * 2 + (pattern & 1)) * 16;
        break;
    case CELL_IMAGE: {
        sheet = StageBitmap(picture, dir == 1);
        if (!sheet) return false;
        const int size =
            g_Database.m_CharaBmps.Count() > picture ? g_Database.m_CharaBmps.at(picture).CellSize() : 32;
        cell.w = cell.h = std::clamp(size, 1, 1024);
        cell.sx = 0;
        cell.sy = SaturateInt((std::int64_t{row} + pattern) * cell.h);
        break;
    }
    default:
        return false;
    }
    DDSURFACEDATA* src = sheet ? DDSubstitute(sheet) : nullptr;
    if (!src || cell.sx < 0 || cell.sy < 0 || std::int64_t{cell.sx} + cell.w > src->nWidth ||
        std::int64_t{cell.sy} + cell.h > src->nHeight) {
        sheet = &g_SystemSurfaces[SYSBMP_CHARA_FIRST];
        cell.sx = cell.sy = 0;
    }
    cell.sheet = sheet;
    return true;
}

bool LookupItemCell(int kind, int picture, int pattern, DDSURFACEDATA** sheet, int* sx, int* sy, int* w,
                    int* h) {
    cCellDesc c;
    if (!LookupCell(kind, picture, 0, pattern, 0, c)) return false;
    *sheet = c.sheet;
    *sx = c.sx;
    *sy = c.sy;
    *w = c.w;
    *h = c.h;
    return true;
}

void DrawOverlayCell(DDSURFACEDATA* surface, int x, int y, int w, int h, int n) {
    if (n < 0) return;
    // Marks stand in columns of 15 on the mark sheet.
    const int ox = (n / 15) * 32, oy = (n % 15) * 32;
    if (w == 32 && h == 32)
        DDBlt(surface, x, y, 32, 32, OverlaySheet(), ox, oy, 1);
    else
        DDBltStretch(surface, x, y, w, h, OverlaySheet(), ox, oy, 32, 32, 1);
}

void DrawBlockCell(const cBlock& block, DDSURFACEDATA* surface, int x, int y) {
    cCellDesc c;
    if (LookupCell(CELL_BLOCK, block.m_nPictureA, 0, 0, 0, c))
        DDBlt(surface, x, y, 32, 32, c.sheet, c.sx, c.sy, 1);
    if (block.m_bOverlay == 1) DrawOverlayCell(surface, x, y, 32, 32, block.m_nOverlayCount);
}

void DrawMiniChip(DDSURFACEDATA* surface, int x, int y, int kind, int n, int row) {
    if (n < 0) return;
    switch (kind) {
    case 0:
        DDBltStretch(surface, x, y, 16, 16, &g_SystemSurfaces[g_ObjectSheets.nBlock], (n % 15) * 32,
                     (n / 15) * 64, 32, 32, 1);
        break;
    case 1: {
        const int group = n / 15;
        if (group >= 8) return;
        DDBltStretch(surface, x, y, 16, 16, &g_SystemSurfaces[g_ObjectSheets.nCharaBase + 2 * group],
                     (n % 15) * 32, row * 32, 32, 32, 1);
        break;
    }
    case 2:
        DDBlt(surface, x, y, 16, 16, &g_SystemSurfaces[SYSBMP_ITEM + 2], (n % 15) * 16, (n / 15) * 32, 1);
        break;
    case 3:
        DDBltStretch(surface, x, y, 16, 16, &g_SystemSurfaces[SYSBMP_SHOT], (n % 30) * 32, (n / 30) * 64, 32,
                     32, 1);
        break;
    case 4: {
        cCellDesc c;
        if (LookupCell(CELL_IMAGE, n, 0, 0, 0, c))
            DDBltStretch(surface, x, y, 16, 16, c.sheet, c.sx, c.sy, c.w, c.h, 1);
        break;
    }
    default:
        break;
    }
}

DDSURFACEDATA* CharaWorkSurface() {
    if (!g_CharaWork.lpDT && !g_CharaWork.lpDDSide)
        DDCreateSurface(&g_CharaWork, 320, 320, 1, 0, DTMEMORYTYPE_VIDEO_RT, 0, 0);
    return &g_CharaWork;
}

void ReleaseCharaWorkSurface() {
    DDReleaseSurface(&g_CharaWork);
    g_CharaWork = DDSURFACEDATA{};
}

// ---- Character effects ----

void cCharaEffectState::Load(const cCharaEffect& entry) {
    const cEffectRecord* src = entry.m_lpSource;
    nKind = src ? src->nKind : 0;
    dDuration = src ? src->nParam[0] : 0;
    dStart = src ? src->nParam[1] : 0;
    dEnd = src ? src->nParam[2] : 0;
    nP1 = src ? src->nParam[3] : 0;
    nP2 = src ? src->nParam[4] : 0;
    dValue = dStart;
    dElapsed = 0;
    nPhase = 0;
    nBlinkCount = 0;
    bVisible = 1;
    // Blinking and translucency run on time, as does every kind whose start equals its end.
    bTimed = (nKind == CHARA_EFFECT_BLINK || nKind == CHARA_EFFECT_TRANSLUCENT || dStart == dEnd) ? 1 : 0;
    dStep = bTimed ? 1.0 / 6.0 : (dDuration > 0 ? std::fabs(dEnd - dStart) / (dDuration * 6.0) : 0.0);
}

void cCharaEffectState::Start(int n, int mode, int loop) {
    nEffect = n;
    nMode = mode;
    bLoop = loop;
    bReverse = mode == 1 ? 1 : 0;
    nPass = 0;
    cCheckedVector<cCharaEffect>& list = bReverse ? g_CharaEffectTableRev : g_CharaEffectTable;
    if (n > 0 && n < static_cast<int>(list.size()))
        Load(list.at(n));
    else
        Load(cCharaEffect{});
}

void cCharaEffectState::SwitchList() {
    if (nMode == 2) bReverse = !bReverse;
    cCheckedVector<cCharaEffect>& list = bReverse ? g_CharaEffectTableRev : g_CharaEffectTable;
    if (nEffect > 0 && nEffect < static_cast<int>(list.size())) Load(list.at(nEffect));
    nPass = 0;
}

int cCharaEffectState::Step() {
    bool running;
    if (bTimed) {
        // Counted in whole frames, so that a run lasts exactly its duration (sixths of a tenth do not
        // add up exactly in floating point).
        dElapsed += 1.0;
        running = dElapsed < dDuration * 6.0;
    } else if (dDuration <= 0) {
        running = false; // a run of no time ends after its first frame
    } else if (dStart > dEnd) {
        dValue -= dStep;
        running = dValue >= dEnd;
    } else {
        dValue += dStep;
        running = dValue <= dEnd;
    }
    if (running) return 0;
    if (!bLoop && (nMode != 2 || bReverse)) return 1;
    SwitchList();
    return 0;
}

cCharaEffectState& CharaEffectOf(cChara& chara) {
    cCharaEffectState& s = chara.m_EffectState;
    if (s.nEffect != chara.m_nCharaEffect) {
        const bool first = chara.m_nCharaEffect == chara.m_Def.m_nCharaEffect1;
        s.Start(chara.m_nCharaEffect, first ? chara.m_Def.m_nCharaEffect1Mode : 0,
                first ? chara.m_Def.m_nCharaEffect1Loop : 0);
    }
    return s;
}

void StartCharaEffect(cChara& chara, int effect, int mode, int loop) {
    chara.m_nCharaEffect = effect;
    chara.m_EffectState.Start(effect, mode, loop);
}

// ---- Attached animations ----

void cChara::EraseEffectsById(int id) {
    m_AttachedAnims.remove_if([id](const cAttachedAnim& a) { return a.nId == id; });
}

void cChara::EndEffectsById(int id) {
    for (auto it = m_AttachedAnims.begin(); it != m_AttachedAnims.end();) {
        if (it->nId == id && it->nFrames + it->nCount - 1 < 0) {
            it = m_AttachedAnims.erase(it);
            continue;
        }
        if (it->nId == id) it->bHeld = 1;
        ++it;
    }
}

void cChara::ReleaseEffectsById(int id) {
    for (cAttachedAnim& a : m_AttachedAnims)
        if (a.nId == id) a.bHeld = 0;
}

int TickAnimations(cChara& chara, int still) {
    if (!still) {
        chara.m_AnimSeq.Tick();
        for (auto it = chara.m_AttachedAnims.begin(); it != chara.m_AttachedAnims.end();) {
            if (it->bHeld) {
                ++it;
                continue;
            }
            it->seq.Tick();
            const cAnimSeq& q = it->seq;
            if (q.m_Seqs.empty() || (q.Frame() < q.m_Seqs.at(q.Sequence()).Count() &&
                                     q.m_Seqs.at(q.Sequence()).at(q.Frame()).nPattern == ANIM_CODE_END)) {
                it = chara.m_AttachedAnims.erase(it);
                continue;
            }
            --it->nFrames;
            ++it;
        }
    }
    const int own = chara.m_AnimSeq.GetPattern();
    if (chara.m_AttachedAnims.empty()) return own;
    const cChara::cAttachedAnim* best = nullptr;
    bool doneMet = false; // a priority entry without frames left has been taken
    for (const cChara::cAttachedAnim& a : chara.m_AttachedAnims) {
        if (a.bHeld) continue;
        const bool done = a.bPriority && a.nFrames <= 0;
        if (!doneMet) {
            if (done) {
                best = &a;
                doneMet = true;
            } else if (a.bPriority) {
                if (!best || a.nFrames < best->nFrames) best = &a;
            } else if (!best) {
                best = &a;
            }
        } else if (done && a.nFrames > best->nFrames) {
            best = &a;
        }
    }
    return best ? best->seq.GetPattern() : own;
}

// ---- Draw modes ----

int SplitStripSize(int size, int divisions) {
    if (divisions < 1) return 0;
    return size / divisions + (size % divisions ? 1 : 0);
}

int LensRadius(std::int64_t cx, std::int64_t cy, int w, int h) {
    const double dx =
        std::max(std::fabs(static_cast<double>(cx)), std::fabs(static_cast<double>(cx - (w - 1))));
    const double dy =
        std::max(std::fabs(static_cast<double>(cy)), std::fabs(static_cast<double>(cy - (h - 1))));
    return static_cast<int>(
        std::min(std::ceil(std::sqrt(dx * dx + dy * dy)), static_cast<double>(LENS_RADIUS_LIMIT)));
}

namespace {

int EffectParam(const cChara& chara, int word) {
    // Words 14 and 16 of a character-effect entry: its kind and the blink interval.
    const int n = chara.m_nCharaEffect;
    if (n <= 0 || n >= static_cast<int>(g_CharaEffectTable.size())) return 0;
    const cEffectRecord* r = g_CharaEffectTable.at(n).m_lpSource;
    if (!r) return 0;
    return word == 16 ? r->nParam[3] : r->nKind;
}

struct ModeArgs {
    DDSURFACEDATA* dst;
    const cCellDesc* cell;
    int x, y, w, h; // screen rectangle
};

// Draws the cell into the work surface at (0, 0) in w x h, over the transparent colour; a mode that
// reads beyond the cell asks for a larger clear area.
DDSURFACEDATA* ToWork(const ModeArgs& a, int clearW = 0, int clearH = 0) {
    DDSURFACEDATA* work = CharaWorkSurface();
    const int w = std::min(a.w, 320), h = std::min(a.h, 320);
    ClearTransparent(work, 0, 0, std::clamp(clearW, w, 320), std::clamp(clearH, h, 320));
    Blit(work, 0, 0, w, h, *a.cell);
    return work;
}

void DrawModeBody(int kind, cCharaEffectState& s, const ModeArgs& a) {
    const int v = static_cast<int>(s.dValue);
    if (kind == 0 || kind == CHARA_EFFECT_BLINK) {
        Blit(a.dst, a.x, a.y, a.w, a.h, *a.cell);
        return;
    }
    const bool tint = (kind >= 1 && kind <= 5) || kind == 8 || kind == 9 || kind == 11 || kind == 12;
    if (tint && a.cell->bColour) {
        DDSetDrawColor(a.cell->dwColour);
        DDSetColorOp(a.cell->dwColourOp);
    }
    DDSURFACEDATA* work = nullptr;
    const bool viaWork = (kind >= 1 && kind <= 5) || kind == 8 || (kind >= 11 && kind <= 16);
    // The split and the lens fill the work surface themselves: they read beyond the cell.
    const bool ownWork =
        kind == CHARA_EFFECT_SPLIT_H || kind == CHARA_EFFECT_SPLIT_V || kind == CHARA_EFFECT_LENS;
    if (viaWork && !ownWork) work = ToWork(a);
    switch (kind) {
    case CHARA_EFFECT_BURST:
        DDBltQuarters(a.dst, a.x, a.y, a.w, a.h, work, 0, 0, v, 1);
        break;
    case CHARA_EFFECT_SPLIT_H:
    case CHARA_EFFECT_SPLIT_V: {
        // p1 divisions: horizontal strips cut the height, vertical ones the width. The strips cover
        // the whole cell; the last may reach past it, over cleared work pixels.
        const bool columns = kind == CHARA_EFFECT_SPLIT_V;
        const int size = columns ? a.w : a.h;
        const int strip = SplitStripSize(size, s.nP1);
        const int length = strip > 0 ? (size + strip - 1) / strip * strip : size;
        work = ToWork(a, columns ? length : 0, columns ? 0 : length);
        DDBltStripShift(a.dst, a.x, a.y, columns ? length : a.w, columns ? a.h : length, strip, v, work, 0, 0,
                        1, columns);
        break;
    }
    case CHARA_EFFECT_WAVE_H:
    case CHARA_EFFECT_WAVE_V:
        DDBltWave(a.dst, a.x, a.y, a.w, a.h, s.nP1, s.dValue, s.nPhase, s.nP2, work, 0, 0, 1,
                  kind == CHARA_EFFECT_WAVE_H);
        break;
    case CHARA_EFFECT_ROTATE_A:
    case CHARA_EFFECT_ROTATE_B: {
        // A picture turned about its own centre is drawn centred on the point given: the
        // character's centre, so that it turns in place.
        const int cx = a.x + a.w / 2, cy = a.y + a.h / 2;
        if (kind == CHARA_EFFECT_ROTATE_B)
            DDBltRotate(a.dst, cx, cy, a.w, a.h, a.w / 2, a.h / 2, v, work, 0, 0, 1);
        else if (a.cell->nGiant > 1) {
            work = ToWork(a);
            DDBltRotate(a.dst, cx, cy, a.w, a.h, a.w / 2, a.h / 2, v, work, 0, 0, 1);
        } else {
            DDBltRotate(a.dst, cx, cy, a.w, a.h, a.w / 2, a.h / 2, v, a.cell->sheet, a.cell->sx, a.cell->sy,
                        1);
        }
        break;
    }
    case CHARA_EFFECT_ROTATE_DEPTH:
        DDBltFlip(a.dst, a.x, a.y, a.w, a.h, a.cell->sheet, a.cell->sx, a.cell->sy, a.cell->sheet, a.cell->sx,
                  a.cell->sy, a.cell->w, a.cell->h, 1, v, s.nP1 == 1 ? 1 : 0);
        break;
    case CHARA_EFFECT_CIRCLE:
        work = ToWork(a);
        DDBltCircle(a.dst, a.x + a.w / 2, a.y + a.h / 2, a.w / 2, a.h / 2, v, std::max(1, s.nP1), work,
                    a.w / 2, a.h / 2, 1);
        break;
    case CHARA_EFFECT_ZOOM: {
        const double k = std::max(0.0, s.dValue) / 100.0;
        const int zw = static_cast<int>(a.w * k), zh = static_cast<int>(a.h * k);
        if (zw > 0 && zh > 0)
            DDBltStretch(a.dst, a.x + (a.w - zw) / 2, a.y + (a.h - zh) / 2, zw, zh, work, 0, 0, a.w, a.h, 1);
        break;
    }
    case CHARA_EFFECT_LENS: {
        // The lens's centre is the character's centre shifted by (p1, p2); it reaches the cell's
        // farthest corner, and the value is its depth: a deep lens leaves the picture as it is, a
        // shallow one magnifies its middle. The lens reads round the cell, over cleared pixels.
        const std::int64_t cx = std::int64_t{a.w / 2} + s.nP1, cy = std::int64_t{a.h / 2} + s.nP2;
        const int r = LensRadius(cx, cy, a.w, a.h);
        work = ToWork(a, 320, 320);
        const int lx = static_cast<int>(std::clamp<std::int64_t>(cx, -LENS_LIMIT, LENS_LIMIT));
        const int ly = static_cast<int>(std::clamp<std::int64_t>(cy, -LENS_LIMIT, LENS_LIMIT));
        DDBltLens(a.dst, a.x + lx, a.y + ly, r, std::clamp(v, 0, LENS_LIMIT), work, lx, ly, 1, 0);
        break;
    }
    case CHARA_EFFECT_COLOUR:
        DDBltBlend(a.dst, a.x, a.y, a.w, a.h, work, 0, 0, 1, g_Palette, g_BlendTable,
                   std::clamp(s.nP1, 0, 255), std::clamp(v, 0, 4));
        break;
    case CHARA_EFFECT_TRANSLUCENT:
        DDBltHalf(a.dst, a.x, a.y, a.w, a.h, work, 0, 0, 1, g_BlendTable);
        break;
    case CHARA_EFFECT_MOSAIC:
        DDMosaic(a.dst, a.x, a.y, a.w, a.h, v, work, 0, 0, 1);
        break;
    case CHARA_EFFECT_BLUR:
        DDBlur(a.dst, a.x, a.y, a.w, a.h, std::max(0, v), std::max(0, v), work, 0, 0, 1);
        break;
    default:
        Blit(a.dst, a.x, a.y, a.w, a.h, *a.cell);
        break;
    }
    if (tint && a.cell->bColour) {
        DDResetDrawColor();
        DDResetColorOp();
    }
}

// Runs the character's draw mode: draws when `draw` is set (and a target is given), then advances the
// effect unless still. 1 when the effect has ended.
int RunMode(cChara& chara, DDSURFACEDATA* dst, const cCellDesc* cell, int still, int draw) {
    const int kind = chara.m_nCharaEffect ? EffectParam(chara, 14) : 0;
    if (kind <= 0 || kind >= CHARA_EFFECT_KIND_COUNT) {
        if (draw && dst && cell) {
            const int w = chara.m_nHitW0 * cell->nGiant, h = chara.m_nHitH0 * cell->nGiant;
            Blit(dst, chara.m_rcScreen.left, chara.m_rcScreen.top, cell->nGiant > 1 ? w : chara.m_nHitW,
                 cell->nGiant > 1 ? h : chara.m_nHitH, *cell);
        }
        return 0;
    }
    cCharaEffectState& s = CharaEffectOf(chara);
    bool visible = true;
    if (kind == CHARA_EFFECT_BLINK) {
        if (s.nBlinkCount >= EffectParam(chara, 16)) {
            s.nBlinkCount = 0;
            s.bVisible = !s.bVisible;
        }
        if (!still) ++s.nBlinkCount;
        visible = s.bVisible != 0;
    }
    if (draw && dst && cell && visible) {
        const int w = cell->nGiant > 1 ? chara.m_nHitW0 * cell->nGiant : chara.m_nHitW;
        const int h = cell->nGiant > 1 ? chara.m_nHitH0 * cell->nGiant : chara.m_nHitH;
        ModeArgs a{dst, cell, chara.m_rcScreen.left, chara.m_rcScreen.top, w, h};
        DrawModeBody(kind, s, a);
    }
    if (still) return 0;
    if (kind == CHARA_EFFECT_WAVE_H || kind == CHARA_EFFECT_WAVE_V) s.nPhase = (s.nPhase + 1) % 360;
    return s.Step();
}

// The cell of a character as drawn this frame.
bool CharaCell(cChara& chara, int pattern, cCellDesc& cell) {
    // The row base is the picture's own plus the animation set's offsets for flying, for a block
    // character and for one made invincible by its setting (not by the respite after a hit).
    std::int64_t rows = chara.m_Def.m_nPictureArg;
    const int set = chara.m_Def.m_nAnimeSet;
    if (set >= 0 && set < g_Database.m_AnimeSets.Count()) {
        const cEdAnimeSet& s = g_Database.m_AnimeSets.at(set);
        if (chara.m_Def.m_nMoveType != 0) rows += s.nPatternOffsetC;
        if (chara.m_Def.m_nBlockChara) rows += s.nPatternOffsetB;
        if (chara.m_Def.m_nInvincible != 0) rows += s.nPatternOffsetA;
    }
    // Offsets from the records may be anything; a row this far off lies outside every sheet.
    const int row = static_cast<int>(std::clamp<std::int64_t>(rows, -(1 << 24), 1 << 24));
    // Kind 4 is a picture of the character-bitmap list; the others draw from the character sheets.
    const int kind = chara.m_Def.m_nPictureKind == 4 ? CELL_IMAGE : CELL_CHARA;
    if (!LookupCell(kind, chara.m_nPicture, row, pattern, chara.m_nDir, cell)) return false;
    // A character invincible by its setting, with a blink kind, takes that kind's tint under
    // Direct3D when the project's blink switch allows it.
    const int blink = chara.m_Def.m_nBlinkKind;
    if (chara.m_Def.m_nInvincible != 0 && DDIsD3D() && g_SystemData.m_nCompat287 && blink >= 1 &&
        blink <= BLINK_COLOUR_COUNT) {
        cell.bColour = 1;
        cell.dwColour = g_BlinkColours[blink - 1].dwColour;
        cell.dwColourOp = static_cast<std::uint32_t>(g_BlinkColours[blink - 1].nOp);
    }
    cell.nGiant = std::max(1, chara.Scale());
    return true;
}

} // namespace

int DrawMode(cChara& chara, int still) {
    const int r = RunMode(chara, nullptr, nullptr, still, 0);
    if (r) chara.m_nCharaEffect = 0;
    return r;
}

void DrawChara(DDSURFACEDATA* surface, int still, cChara& chara) {
    const int pattern = TickAnimations(chara, still);
    if (chara.m_Def.m_nTransparent) {
        DrawMode(chara, still);
        return;
    }
    cCellDesc cell;
    if (CharaCell(chara, pattern, cell)) {
        if (RunMode(chara, surface, &cell, still, 1)) chara.m_nCharaEffect = 0;
    } else {
        DrawMode(chara, still);
    }
    if (chara.m_Def.m_nMarkMode == 1) {
        const int g = std::max(1, chara.Scale());
        const int w = g > 1 ? chara.m_nHitW0 * g : 32, h = g > 1 ? chara.m_nHitH0 * g : 32;
        DrawOverlayCell(surface, chara.m_rcScreen.left, chara.m_rcScreen.top, w, h, chara.m_Def.m_nMarkNo);
    }
}

bool DrawDefeated(cChara& chara, DDSURFACEDATA* surface, int still) {
    cCellDesc cell;
    const bool hasCell = CharaCell(chara, chara.m_AnimSeq.GetPattern(), cell);
    if (still) {
        if (chara.m_nCharaEffect) RunMode(chara, surface, hasCell ? &cell : nullptr, 1, 1);
        return false;
    }
    if (chara.m_nObjKind == OBJKIND_HERO) {
        if (!chara.m_nCharaEffect) return true;
        if (RunMode(chara, surface, hasCell ? &cell : nullptr, 0, 1)) {
            chara.m_nCharaEffect = 0;
            return true;
        }
        return false;
    }
    if (chara.m_nCharaEffect) {
        if (RunMode(chara, surface, hasCell ? &cell : nullptr, 0, 1)) chara.m_nCharaEffect = 0;
        return false;
    }
    ++chara.m_nDefeatCount;
    return chara.m_nDefeatCount > g_SceneManager.g_nFrameRate;
}

// ---- Gauges, chips, hero ----

void DrawGauge(DDSURFACEDATA* surface, const cChara& chara, cGauge& gauge, int isSP) {
    if (gauge.nFrames <= 0 || chara.m_bDefeated) return;
    DDSURFACEDATA* sheet = &g_SystemSurfaces[SYSBMP_STATUS];
    const DDSURFACEDATA* src = DDSubstitute(sheet);
    const bool tall = src && src->nHeight > 208;
    const int base = tall ? 208 : 128;
    const int step = tall ? 2 : 16;
    const int sx = isSP ? 64 : 0;
    const int x = chara.m_rcScreen.left + chara.m_nHitW / 2 - 25;
    const int y = chara.m_rcScreen.top - (isSP ? 7 : 3);
    const int shown = std::clamp(gauge.nShown, 0, 50);
    DDBlt(surface, x, y, 50, 2, sheet, sx, base, 1);
    const int value = isSP ? chara.m_nSP : chara.m_nHP;
    const int total = static_cast<int>(std::min<std::uint32_t>(
        isSP ? chara.m_Def.m_nMaxSP : chara.m_Def.m_nMaxHP, static_cast<std::uint32_t>(INT32_MAX)));
    const bool low = total > 0 && g_SystemData.m_vStatusItems.Count() > (isSP ? 3 : 2) &&
                     g_SystemData.ReachesLimit(isSP ? 3 : 2, value, total);
    if (shown > 0) DDBlt(surface, x, y, shown, 2, sheet, sx, base + (low ? 2 : 1) * step, 1);
    const int change = static_cast<int>(std::clamp(gauge.dChange, -50.0, 50.0));
    if (change < 0) {
        const int w = std::min(-change, 50 - shown);
        if (w > 0) DDBlt(surface, x + shown, y, w, 2, sheet, sx, base + 3 * step, 1);
    } else if (change > 0) {
        const int w = std::min(change, shown);
        if (w > 0) DDBlt(surface, x + shown - w, y, w, 2, sheet, sx, base + 4 * step, 1);
    }
    // Each drawing takes a frame off; the change strip shrinks over the first second and is gone
    // for the second.
    --gauge.nFrames;
    if (gauge.nFrames >= 60)
        gauge.dChange -= gauge.dPerFrame;
    else
        gauge.dChange = 0;
}

void DrawHPGauge(DDSURFACEDATA* surface, cChara& chara) {
    DrawGauge(surface, chara, chara.m_HPGauge, 0);
}

void DrawSPGauge(DDSURFACEDATA* surface, cChara& chara) {
    DrawGauge(surface, chara, chara.m_SPGauge, 1);
}

void DrawHero(DDSURFACEDATA* surface, int still, cHero& hero) {
    DrawChara(surface, still, hero);
    for (cBoxDisplay& b : hero.m_Work.boxes) {
        if (b.nStyle == 0) continue;
        int left = 0, top = 0, w = 0, h = 0;
        if (b.nBox == 0) {
            left = static_cast<int>(hero.m_dX), top = static_cast<int>(hero.m_dY);
            w = hero.m_nWidth, h = hero.m_nHeight;
        } else {
            const int k = b.nBox == 1 ? 0 : b.nBox == 2 ? 2 : 1;
            const cPartBox& p = hero.m_Parts[k];
            left = static_cast<int>(p.dLeft), top = static_cast<int>(p.dTop);
            w = p.nWidth, h = p.nHeight;
        }
        const int x = left - static_cast<int>(ViewX().m_dPos), y = top - static_cast<int>(ViewY().m_dPos);
        // Each colour steps through four palette entries, eight drawings each.
        const std::uint32_t index = 208 + 4 * static_cast<std::uint32_t>(std::clamp(b.nColour, 0, 7)) +
                                    static_cast<std::uint32_t>(b.nCounter / 8);
        b.nCounter = (b.nCounter + 1) % 32;
        if (b.nStyle == 1)
            DDFillRect(surface, x, y, w, h, index);
        else if (b.nStyle == 2)
            DDFrameRect(surface, x, y, w, h, 1, index);
    }
}

void DarknessSource(const cHero& hero, int sw, int sh, int& sx, int& sy) {
    sx = sw / 2 - hero.m_nHitW / 2 - hero.m_rcScreen.left;
    sy = sh / 2 - hero.m_nHitH / 2 - hero.m_rcScreen.top;
    const int mode = hero.m_Def.m_nSightShape;
    if (mode == 2 || mode == 4) {
        const int sign = hero.GetDirSign();
        sx += sign * (hero.m_nHitW / 2) - sign * hero.m_nLightRadius;
    }
    sx = std::clamp(sx, 0, std::max(0, sw - 640));
    sy = std::clamp(sy, 0, std::max(0, sh - 480));
}

void DrawDarkness(DDSURFACEDATA* surface, cHero& hero, DDSURFACEDATA* darkSheet) {
    if (hero.m_Def.m_nSightShape == 0 || !darkSheet) return;
    const DDSURFACEDATA* src = DDSubstitute(darkSheet);
    if (!src || src->nWidth <= 0) return;
    int sx = 0, sy = 0;
    DarknessSource(hero, src->nWidth, src->nHeight, sx, sy);
    DDBlt(surface, 0, 0, 640, 480, darkSheet, sx, sy, 1);
}
