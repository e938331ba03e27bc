// A shot's life after its emission: its set-up, the ten movement kinds, acceleration, the stage and
// block tests, the sword step and drawing.
#include "app/int_range.h"
#include "app/system_ini.h"
#include "draw/dd_startup.h"
#include "draw/draw.h"
#include "objects/aim.h"
#include "objects/blocks.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "objects/shot.h"
#include "objects/stage_pictures.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;

// Shots alternate their two sheet rows.
const cAnimFrame kShotFrames[] = {{0, 4, 0}, {1, 4, 0}, {ANIM_CODE_LOOP, 0, 0}};
const cAnimFrame* const kShotAnims[] = {kShotFrames, nullptr};

int FrameMul() {
    return g_Stage.m_nFrameMul > 0 ? g_Stage.m_nFrameMul : 1;
}

// A distance in half blocks as frames of flight at speed s, with the speed's sign: a shot flying
// backwards (negative speed) counts a negative number of frames, so the change comes at once. 0 at
// speed 0; a count beyond an int is held at its limit.
int FramesFor(int halfBlocks, double s) {
    if (s == 0) return 0;
    const double frames = halfBlocks * 16 / s;
    if (frames >= INT_MAX) return INT_MAX;
    if (frames <= INT_MIN) return INT_MIN;
    return static_cast<int>(frames);
}

// The range as frames of flight: measured along the way the shot flies whatever its speed's sign,
// so that a shot flying backwards still flies its range instead of ending at once.
int RangeFramesFor(int halfBlocks, double s) {
    return FramesFor(halfBlocks, std::fabs(s));
}

const cChara* Hero1() {
    return g_Heroes.empty() ? nullptr : &g_Heroes[0];
}

// The nearest character of the faction's list, heroes included.
const cChara* NearestOfFaction(const cShot& s, int faction) {
    cCharaFilter f;
    f.bSkipInvul2 = 1;
    return FindNearestInFaction(s.ScreenCenterX(), s.ScreenCenterY(), faction,
                                g_Stage.m_nActiveOnly > 0 ? 2 : 0, f);
}

} // namespace

void cShot::Init(cChara& owner, int cmdType, const cEdShot& rec, const cEmission& em) {
    m_Settings = rec;
    m_Work = cShotWork{};
    m_Work.nOwnerId = owner.m_nId;
    m_Work.nCmdType = cmdType;
    m_Work.nRep = em.nRep;
    const int scale = std::clamp<int>(rec.m_nSizeFactor, 1, MAX_GIANT_SCALE);
    const bool player = owner.m_nPlayerFlag != 0;
    if (cmdType == 12) {
        // A sword starts as a copy of its owner's object part and takes its box from the sword
        // frames as it goes.
        cGameObject::Assign(owner);
        cObjectLinks::SetTarget(*this, nullptr);
        cObjectLinks::SetOwner(*this, nullptr);
        m_AnimSeq.Clear();
        m_nObjKind = OBJKIND_SHOT;
        m_Work.bSword = 1;
        // A sword stays for its frames and strikes each character once.
        m_bEndsOnHit = 0;
        int w = 16, h = 16;
        if (!g_Database.m_SwordTypes.empty()) {
            const cEdSwordType& st = g_Database.m_SwordTypes.at(rec.m_nMoveKind);
            if (!st.m_Frames.empty()) w = st.m_Frames[0].nWidth, h = st.m_Frames[0].nHeight;
        }
        m_nHitX = m_nHitX0 = m_nHitY = m_nHitY0 = 0;
        m_nWidth = m_nWidth0 = m_nHitW = m_nHitW0 = w;
        m_nHeight = m_nHeight0 = m_nHitH = m_nHitH0 = h;
        m_dVX = m_dVY = m_dAX = m_dAY = 0;
        SetMoveMode(1);
    } else {
        const int hw = player ? g_Stage.m_nHeroShotCharaRangeW : g_Stage.m_nCharaShotCharaRangeW;
        const int hh = player ? g_Stage.m_nHeroShotCharaRangeH : g_Stage.m_nCharaShotCharaRangeH;
        cGameObject::Init(0, owner.m_nPlayerFlag, owner.m_nPlayerIndex, owner.m_nPassKind, rec.m_nGraphic,
                          kShotAnims, 0, 8 - hw / 2, 8 - hh / 2, hw, hh, 16, 16, owner.m_nDir, 1, 0);
        m_Work.nMoveKind = (rec.m_nMoveKind >= 0 && rec.m_nMoveKind <= 9) ? rec.m_nMoveKind : 0;
    }
    m_nScale = scale;
    if (cmdType != 12) cGameObject::SetScale(scale, 1);
    m_dX = em.x;
    m_dY = em.y;
    ClampToStageX(2);
    ClampToStageY(2);
    const double fs = StageFrameScale();
    m_dVX = em.vx / fs;
    m_dVY = em.vy / fs;
    m_Work.dWorkVX = m_dVX;
    m_Work.dWorkVY = m_dVY;
    if (rec.m_bAccelerate) {
        m_Work.bOwnAccel = 1;
        m_Work.dAccel = (rec.m_nAccelerationStep * em.nRep + rec.m_nAcceleration) * 0.1 / fs;
        SetAccelAlong(m_Work.dOwnAX, m_Work.dOwnAY, em.vx, em.vy);
    }
    if (rec.m_bLifetimeLimit) {
        m_Work.bLifeLimit = 1;
        m_Work.nLife = SaturateInt(std::int64_t{em.nLife} * FrameMul() * 6);
    }
    m_Work.bRangeLimit = rec.m_bRangeLimit;
    m_bScrollSync = rec.m_bScrollFollow;
    m_Work.bPassBlocks = rec.m_bThroughBlocks;
    m_nPower = rec.m_nPower;
    m_nImpact = rec.m_nImpact;
    m_nHitEffect = rec.m_nEffectNo;
    UpdateScreenRect();
}

void cShot::SetAccelAlong(double& ax, double& ay, double dx, double dy) const {
    if (dx == 0 && dy == 0) {
        ax = ay = 0;
        return;
    }
    const double len = std::sqrt(dx * dx + dy * dy);
    ax = PerSecondToPerFrame(dx / len * m_Work.dAccel);
    ay = PerSecondToPerFrame(dy / len * m_Work.dAccel);
}

namespace {

// Re-aims the shot's own velocity at a character; false without one. A negative speed flies
// straight away from it.
bool AimAt(cShot& s, const cChara* t) {
    if (!t) return false;
    double vx = s.m_Work.dWorkVX, vy = s.m_Work.dWorkVY;
    int dir = 0;
    AimVelocity(vx, vy, dir, &s, s.ScreenCenterX(), s.ScreenCenterY(), t->ScreenCenterX(), t->ScreenCenterY(),
                s.m_Work.dSpeed, s.m_bScrollSync != 0 ? 1 : 0, 1, 0);
    s.m_Work.dWorkVX = vx;
    s.m_Work.dWorkVY = vy;
    return true;
}

// The per-frame operation of the shot's movement kind; true when it changed the velocity.
bool RunMoveKind(cShot& s) {
    cShotWork& w = s.m_Work;
    const cEdShot& rec = s.m_Settings;
    if (w.nFrame == 0) w.dSpeed = (rec.m_nSpeedStep * w.nRep + rec.m_nSpeed) * 0.1 / StageFrameScale();
    const int p1 = rec.m_nMoveValues[0], p2 = rec.m_nMoveValues[1], p3 = rec.m_nMoveValues[2];
    bool changed = false;
    switch (w.nMoveKind) {
    case 1:
    case 2:
    case 3:
        if (!w.bDone && w.nFrame >= FramesFor(p1, w.dSpeed)) {
            const cChara* t = w.nMoveKind == 1   ? Hero1()
                              : w.nMoveKind == 2 ? NearestOfFaction(s, p2)
                                                 : s.m_pTarget;
            changed = AimAt(s, t);
            w.bDone = 1;
        }
        break;
    case 4:
    case 5:
    case 6:
    case 7:
        if (!w.bDone) {
            if (p2 == 0 || w.nFrame >= FramesFor(p2, w.dSpeed)) {
                w.bDone = 1;
            } else if (w.nFrame >= FramesFor(p1, w.dSpeed)) {
                const cChara* t = w.nMoveKind == 4   ? Hero1()
                                  : w.nMoveKind == 6 ? s.m_pTarget
                                                     : NearestOfFaction(s, p3);
                changed = AimAt(s, t);
            }
        }
        break;
    case 8: {
        const double fs = StageFrameScale();
        if (w.nFrame == 0) {
            w.dWaveAmp = p1 * 16.0;
            const double start = p3 + (s.m_nDir == 0 ? 180 : 0);
            w.dWavePhase = p2 != 0 ? start / p2 * fs : 0.0;
            const double a = std::atan2(-w.dWorkVY, -w.dWorkVX) * 180.0 / PI - 90.0;
            w.dWaveUX = -std::cos(a * PI / 180.0);
            w.dWaveUY = -std::sin(a * PI / 180.0);
            const double v = CircleMoveStep(w.dWaveAmp, p2, w.dWavePhase, 1, 0);
            w.dWorkVX += w.dWaveUX * v;
            w.dWorkVY += w.dWaveUY * v;
        } else {
            const double acc = CircleMoveAccel(w.dWaveAmp, p2, w.dWavePhase, 1, 0);
            w.dWorkVX += w.dWaveUX * acc;
            w.dWorkVY += w.dWaveUY * acc;
        }
        changed = true;
        break;
    }
    case 9:
        if (!w.bDone && w.nFrame >= FramesFor(p1, w.dSpeed)) {
            s.m_dVY = w.dWorkVY;
            w.dWorkVY = 0;
            w.bGravity = 1;
            s.m_dAY = g_Stage.m_dGravity;
            w.bDone = 1;
        }
        break;
    default:
        break;
    }
    if (w.nFrame == 0 && w.bRangeLimit) {
        w.nRangeFrames = RangeFramesFor(rec.m_nRange + rec.m_nRangeStep * w.nRep, w.dSpeed);
        if (w.dSpeed == 0) w.bRangeLimit = 0;
    }
    ++w.nFrame;
    return changed;
}

} // namespace

int cShot::MoveStep() {
    if (m_Work.bSword) {
        // The sword step: it follows its owner through its frames.
        cChara* owner = FindCharaById(m_Work.nOwnerId);
        if (!owner || g_Database.m_SwordTypes.empty()) return 1;
        const cEdSwordType& st = g_Database.m_SwordTypes.at(m_Settings.m_nMoveKind);
        if (m_Work.nSwordFrame >= static_cast<int>(st.m_Frames.size())) return 1;
        const cEdSwordFrame& fr = st.m_Frames[m_Work.nSwordFrame];
        const int scale = m_nScale < 1 ? 1 : m_nScale;
        m_nDir = owner->m_nDir;
        if (m_Work.nSwordTick == 0) {
            m_nWidth0 = m_nHitW0 = fr.nWidth;
            m_nHeight0 = m_nHitH0 = fr.nHeight;
            m_nWidth = m_nHitW = fr.nWidth * scale;
            m_nHeight = m_nHitH = fr.nHeight * scale;
        }
        const double vx = ViewX().m_dPos, vy = ViewY().m_dPos;
        const cScreenRect& o = owner->m_rcScreen;
        const int ocx = owner->ScreenCenterX(), ocy = owner->ScreenCenterY();
        switch (fr.nPlacement) {
        case 0:
        case 1: {
            if (fr.nPlacement == 1) m_nDir = m_nDir == 1 ? 0 : 1;
            m_dX = m_nDir == 1 ? o.right + vx + 1 : o.left + vx - m_nWidth;
            m_dY = ocy + vy - m_nHeight / 2;
            break;
        }
        case 2:
            m_dX = ocx + vx - m_nWidth / 2;
            m_dY = o.top + vy - m_nHeight;
            break;
        default:
            m_dX = ocx + vx - m_nWidth / 2;
            m_dY = o.bottom + vy + 1;
            break;
        }
        const int ox = fr.nOffsetX * scale, oy = fr.nOffsetY * scale;
        m_dX += (m_nDir == 1 && fr.bMirrorX) ? -ox : ox;
        m_dY += (m_nDir == 1 && fr.bMirrorY) ? -oy : oy;
        ClampToStageX(2);
        ClampToStageY(2);
        UpdateScreenRect();
        if (++m_Work.nSwordTick > std::int64_t{fr.nTime} * FrameMul() * 6) {
            m_Work.nSwordTick = 0;
            if (++m_Work.nSwordFrame >= static_cast<int>(st.m_Frames.size())) return 1;
        }
        return 0;
    }

    cShotWork& w = m_Work;
    if (m_bScrollSync && !g_SystemData.m_nCompat214) {
        m_dVX = ViewX().MovingSpeed();
        if (!w.bGravity) m_dVY = ViewY().MovingSpeed();
    } else {
        m_dVX = 0;
        if (!w.bGravity) m_dVY = 0;
    }
    if (RunMoveKind(*this) && w.bOwnAccel) SetAccelAlong(w.dOwnAX, w.dOwnAY, w.dWorkVX, w.dWorkVY);
    if (w.bOwnAccel) {
        w.dWorkVX += w.dOwnAX;
        if (w.bGravity)
            m_dVY += w.dOwnAY;
        else
            w.dWorkVY += w.dOwnAY;
    }
    m_dVX += w.dWorkVX;
    if (!w.bGravity) m_dVY += w.dWorkVY;
    if (w.bLifeLimit && --w.nLife <= 0) return 1;
    if (m_dVX < 0)
        m_nDir = 0;
    else if (m_dVX > 0)
        m_nDir = 1;
    if (w.bRangeLimit && --w.nRangeFrames <= 0) {
        // The end of its flight: a shot that stops there becomes a straight shot standing still.
        if (!m_Settings.m_bStopAtRange) return 1;
        w.bRangeLimit = 0;
        w.nMoveKind = 0;
        w.dWorkVX = w.dWorkVY = w.dOwnAX = w.dOwnAY = 0;
        w.bOwnAccel = 0;
    }
    return 0;
}

void cShot::AccelerateX() {
    if (m_dAX != 0) m_dVX += m_dAX;
    if (m_dVX == 0) return;
    const double max = g_Stage.m_dMaxSpeed;
    m_dVX = std::clamp(m_dVX, -max, max);
    m_dX += m_dVX;
    ClampToStageX(2);
}

void cShot::AccelerateY() {
    if (m_dAY != 0) m_dVY += m_dAY;
    if (m_dVY == 0) return;
    MoveY(2);
    ClampToStageY(2);
}

bool cShot::HitsBlock() const {
    if (m_Work.bPassBlocks) return false;
    if (m_nWidth <= 32 && m_nHeight <= 32) return TouchesSolidBlock();
    // A wide shot tests every cell under it, the last step landing on its far edge.
    for (double y = m_dY;; y += 32) {
        const double yy = std::min<double>(y, m_dBottom);
        for (double x = m_dX;; x += 32) {
            const double xx = std::min<double>(x, m_dRight);
            const cBlock* b = BlockAt(static_cast<int>(xx) >> 5, static_cast<int>(yy) >> 5);
            if (b && IsBlockSolid(*b, m_nPassKind)) return true;
            if (xx >= m_dRight) break;
        }
        if (yy >= m_dBottom) break;
    }
    return false;
}

int ChooseSheetVariant(int i, int flag) {
    if (DDIsD3D()) return i;
    auto hasDD = [](int k) {
        return k >= 0 && k < SYSTEM_BITMAP_COUNT && g_SystemSurfaces[k].lpDDSide &&
               g_SystemSurfaces[k].lpDDSide->lpSurface;
    };
    if (flag == 0) return hasDD(i) ? i : i + 18;
    return hasDD(i + 18) ? i + 18 : i;
}

namespace {

bool HasDDSurface(const DDSURFACEDATA* sd) {
    return sd && sd->lpDDSide && sd->lpDDSide->lpSurface;
}

// Copies a source rectangle to (x, y), `scale` times its size.
void BltScaled(DDSURFACEDATA* dst, int x, int y, int scale, DDSURFACEDATA* src, int sx, int sy, int w,
               int h) {
    if (scale == 1)
        DDBlt(dst, x, y, w, h, src, sx, sy, 1);
    else
        DDBltStretch(dst, x, y, w * scale, h * scale, src, sx, sy, w, h, 1);
}

// Draws the rectangle (sx, sy, w, h) of a sword picture at (x, y), `scale` times its size; with
// `mirrored` the picture is the record whose cells are mirrored in place and the rectangle comes out
// as the horizontal mirror of the same rectangle of the plain picture. The part of the rectangle
// outside the picture draws nothing.
void DrawSwordCell(DDSURFACEDATA* dst, int x, int y, int scale, DDSURFACEDATA* pic, bool mirrored, int sx,
                   int sy, int w, int h) {
    const DDSURFACEDATA* shown = DDSubstitute(pic);
    if (!shown) return;
    const int x0 = std::max(sx, 0), x1 = std::min(sx + w, static_cast<int>(shown->nWidth));
    const int y0 = std::max(sy, 0), y1 = std::min(sy + h, static_cast<int>(shown->nHeight));
    if (x0 >= x1 || y0 >= y1) return;
    y += (y0 - sy) * scale;
    const int cell = pic->nMirrorCellW;
    if (!mirrored || cell <= 0) {
        BltScaled(dst, x + (x0 - sx) * scale, y, scale, pic, x0, y0, x1 - x0, y1 - y0);
        return;
    }
    // A mirrored cell holds source column c + k at c + cell - 1 - k. Strips that stay inside one
    // cell read the same through both back-ends, so the rectangle goes strip by strip, laid from
    // right to left.
    for (int s0 = x0; s0 < x1;) {
        const int c = s0 - s0 % cell;
        const int s1 = std::min(x1, c + cell);
        BltScaled(dst, x + (sx + w - s1) * scale, y, scale, pic, 2 * c + cell - s1, y0, s1 - s0, y1 - y0);
        s0 = s1;
    }
}

} // namespace

void cShot::Draw(DDSURFACEDATA* surface, int still) {
    if (m_Settings.m_bHidden) return;
    if (m_Work.bSword) {
        // The current frame's rectangle of the sword's picture: the picture itself facing left, its
        // mirror facing right (or, as it is, the type's own picture for facing right); stretched by
        // the giant factor.
        const int type = m_Settings.m_nMoveKind;
        if (type < 1 || type >= g_Database.m_SwordTypes.Count()) return;
        const cEdSwordType& st = g_Database.m_SwordTypes.at(type);
        if (m_Work.nSwordFrame < 0 || m_Work.nSwordFrame >= st.m_Frames.Count()) return;
        const cEdSwordFrame& fr = st.m_Frames.at(m_Work.nSwordFrame);
        if (fr.nWidth <= 0 || fr.nHeight <= 0) return;
        const int scale = std::clamp(m_nScale, 1, MAX_GIANT_SCALE);
        const int face = m_nDir == 1 ? 1 : 0;
        // The system-memory copies (two records further) stand in as the shot sheets' second variants.
        int record = face;
        if (!DDIsD3D()) {
            DDSURFACEDATA* plain = StageSwordPicture(type, face);
            DDSURFACEDATA* sysmem = StageSwordPicture(type, face + 2);
            const int* seventh = g_SystemIni.Word(6);
            const bool second = scale >= 2 && !(seventh && *seventh != 0);
            if (second ? HasDDSurface(sysmem) : !HasDDSurface(plain)) record = face + 2;
        }
        DDSURFACEDATA* pic = StageSwordPicture(type, record);
        if (!pic) return;
        DrawSwordCell(surface, m_rcScreen.left, m_rcScreen.top, scale, pic, face == 1, fr.nCellX, fr.nCellY,
                      fr.nWidth, fr.nHeight);
        return;
    }
    const int pattern = still ? m_AnimSeq.GetPattern() : m_AnimSeq.Tick();
    const int p = m_nPicture < 0 ? 0 : m_nPicture;
    const int sx = (p % 30) * 16;
    const int sy = ((p / 30) * 2 + pattern) * 16;
    const int face = m_nDir == 1 ? 1 : 0;
    if (m_nScale >= 2) {
        const int* seventh = g_SystemIni.Word(6);
        const int flag = (!DDIsD3D() && seventh && *seventh != 0) ? 0 : 1;
        DDSURFACEDATA* sheet = &g_SystemSurfaces[ChooseSheetVariant(20 + face, flag)];
        DDBltStretch(surface, m_rcScreen.left, m_rcScreen.top, m_nHitW0 * m_nScale, m_nHitH0 * m_nScale,
                     sheet, sx, sy, 16, 16, 1);
    } else {
        DDSURFACEDATA* sheet = &g_SystemSurfaces[ChooseSheetVariant(20 + face, 0)];
        DDBlt(surface, m_rcScreen.left, m_rcScreen.top, m_nHitW, m_nHitH, sheet, sx, sy, 1);
    }
}
