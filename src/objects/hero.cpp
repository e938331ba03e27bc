// Heroes: set-up from the stage's hero sizes, move types, the view that follows them, their step
// with the dash, the flow driver (also that of stage characters), the variable-height jump and the
// box display.
#include "objects/hero.h"

#include "app/play_bounds.h"
#include "app/input.h"
#include "app/play_se.h"
#include "objects/aim.h"
#include "objects/flow_calls.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/message_window.h"
#include "objects/movement.h"
#include "project/project_database.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <algorithm>
#include <cmath>

namespace {

// The factor of a hero held in place is the single-precision 1.02.
constexpr double HELD_JUMP_FACTOR = static_cast<double>(1.02f);

int FrameMul() {
    return g_Stage.m_nFrameMul > 0 ? g_Stage.m_nFrameMul : 1;
}

double ClampSpeed(double v) {
    const double max = g_Stage.m_dMaxSpeed;
    return std::clamp(v, -max, max);
}

// Base speeds before the flows run: the scroll's own speed for an object that keeps with it.
void SetBaseSpeeds(cChara& c, bool hero) {
    // The view's speeds are read only where they are taken.
    if (!g_SystemData.m_nCompat214) {
        c.m_dVX = c.m_bScrollSync ? ViewX().MovingSpeed() : 0.0;
        if (c.m_bNoGravity) c.m_dVY = c.m_bScrollSync ? ViewY().MovingSpeed() : 0.0;
    } else if (hero && c.m_bNoGravity) {
        c.m_dVX = ViewX().MovingSpeed();
        c.m_dVY = ViewY().MovingSpeed();
    } else {
        c.m_dVX = 0.0;
        if (c.m_bNoGravity) c.m_dVY = 0.0;
    }
}

void ClearCurrent() {
    if (!g_lpGameScene) return;
    g_lpGameScene->m_lpCurChara = nullptr;
    g_lpGameScene->m_lpCurFlow = nullptr;
    g_lpGameScene->m_lpCurCommand = nullptr;
}

// Follows the hero along one axis: the view's position is kept inside its range.
void Follow(cScrollPos& view, double pos, int size, int half) {
    double p = pos - (half - size / 2);
    const double high = view.m_nHighestEnd - view.m_nViewSize;
    if (p > high) p = high;
    if (p < view.m_nLowest) p = view.m_nLowest;
    view.m_dPos = p;
}

} // namespace

void cHero::Init(int id, const cEdCharaDef& def, int column, int row, int word1, int word2) {
    (void)word1;
    (void)word2;
    SetDefinition(def);
    const cEdStage& st = g_Stage;
    const int w = st.m_nHeroBodyW, h = st.m_nHeroBodyH;
    const int hitY = st.m_nHeroBodyPlace == 1 ? 32 - h : (32 - h) / 2;
    cGameObject::Init(id, m_Def.m_nController == 0, m_Def.m_nPlayerNo, m_Def.m_nFaction, m_Def.m_nPictureNo,
                      nullptr, 0, (32 - w) / 2, hitY, w, h, 32, 32, 1, 0, 0);
    const int player = m_Def.m_nPlayerNo;
    m_lpInput = g_Inputs.empty() ? nullptr : &g_Inputs[player < g_Inputs.Count() ? player : 0];
    SetMoveType(m_Def.m_nMoveType, 0);
    if (m_Def.m_nAnimeSet < g_Database.m_AnimeSets.size()) ChangeAnimSet(m_Def.m_nAnimeSet, 1);
    SetCellPos(column, row);
    m_nDir = m_nSavedDir = m_Def.m_nFacing;
    m_Work.nHeldFrames = 0;
    m_Work.bReady = 1;
    m_Work.bNoExtend = 0;
    m_Work.nDashKind = 0;
    m_Work.dDashFactor = 1.0;
    m_Work.dBaseJump = 4.0 / StageFrameScale();
    m_Motion = cCharaMotion{};
    BuildHitRanges();
    m_TouchingItems.clear();
    if (g_ObjectFlowCalls.BuildFlows) {
        const cCheckedVector<cEdFlow> defs = m_Def.m_Flows;
        g_ObjectFlowCalls.BuildFlows(*this, defs, 0, -1);
    }
}

void cHero::SetMoveType(int type, int scaleToo) {
    const int wasNoGravity = m_bNoGravity;
    m_Work.nMoveType = type;
    SetMoveMode(type);
    if (wasNoGravity != m_bNoGravity) m_Work.nGravityCounter = 2;
    if (wasNoGravity && !m_bNoGravity) m_dVX = m_dVY = m_dAX = m_dAY = 0;
    const cEdStage& st = g_Stage;
    const bool gravity = !m_bNoGravity;
    const int w = gravity ? st.m_nHeroBodyW : st.m_nHeroBodyFlyW;
    const int h = gravity ? st.m_nHeroBodyH : st.m_nHeroBodyFlyH;
    const bool anchored = (gravity ? st.m_nHeroBodyPlace : st.m_nHeroBodyFlyPlace) == 1;
    m_nWidth0 = w;
    m_nHeight0 = h;
    m_nHitX0 = (32 - w) / 2;
    m_nHitY0 = anchored ? 32 - h : (32 - h) / 2;
    m_nHitW0 = m_nHitH0 = 32;
    // The range against characters is the one the definition's hit-range choice names: its own
    // range against characters, its range against shots, the range of its shots, or the cell.
    switch (m_Def.m_nHitRange) {
    case 1:
        m_Parts[0].SetFromSize(st.m_nHeroShotRangeW, st.m_nHeroShotRangeH, 0, m_nHitX0, m_nHitY0);
        break;
    case 2:
        m_Parts[0].SetFromSize(st.m_nHeroShotCharaRangeW, st.m_nHeroShotCharaRangeH, 0, m_nHitX0, m_nHitY0);
        break;
    case 3:
        m_Parts[0].SetFromSize(32, 32, 0, m_nHitX0, m_nHitY0);
        break;
    default:
        if (gravity)
            m_Parts[0].SetFromSize(st.m_nHeroCharaRangeW, st.m_nHeroCharaRangeH, st.m_nHeroCharaRangePlace,
                                   m_nHitX0, m_nHitY0);
        else
            m_Parts[0].SetFromSize(st.m_nHeroCharaRangeFlyW, st.m_nHeroCharaRangeFlyH,
                                   st.m_nHeroCharaRangeFlyPlace, m_nHitX0, m_nHitY0);
        break;
    }
    m_Parts[1].SetFromSize(st.m_nHeroShotRangeW, st.m_nHeroShotRangeH, 0, m_nHitX0, m_nHitY0);
    m_Parts[2].SetFromSize(st.m_nHeroItemRangeW, st.m_nHeroItemRangeH, 0, m_nHitX0, m_nHitY0);
    const int f = scaleToo ? Scale() : 1;
    m_nWidth = m_nWidth0 * f;
    m_nHeight = m_nHeight0 * f;
    m_nHitX = m_nHitX0 * f;
    m_nHitY = m_nHitY0 * f;
    m_nHitW = m_nHitW0 * f;
    m_nHitH = m_nHitH0 * f;
    for (cPartBox& p : m_Parts)
        p.Scale(f);
    BuildHitRanges();
}

void cHero::LatchState() {
    m_Work.nLastContact = m_Work.nContact;
}

void cHero::PushMessage(int pictureKind, int pictureNo, int pictureArg) {
    // The picture of a taken item rises above the hero for 30 frames from where it was taken.
    if (!g_lpGameScene || !PlayBoundRoom(PlayBound::Messages, g_lpGameScene->m_Messages.size())) return;
    cMessage& m = g_lpGameScene->m_Messages.emplace_back();
    m.Set(2, nullptr, pictureArg, pictureKind, pictureNo, 4, 0, 0, 0, 0, 1, 1, 2, MESSAGE_NOTICE_FRAMES, 0,
          m_nId, 1, 0, 0, 0, 0, 0, 0, 0);
}

int cHero::AfterMoveX() {
    cScrollPos& view = ViewX();
    if (!view.m_bAutoScroll) Follow(view, m_dX, m_nWidth, VIEW_WIDTH / 2);
    return ClampToStageX(m_bNoGravity ? 0 : 1);
}

int cHero::AfterMoveY() {
    cScrollPos& view = ViewY();
    if (!view.m_bAutoScroll) Follow(view, m_dY, m_nHeight, VIEW_HEIGHT / 2);
    return ClampToStageY(m_bNoGravity ? 0 : 1);
}

int cHero::StepX() {
    if (m_dPushX != 0) {
        m_dVX = m_dPushX;
    } else if (m_dAX != 0) {
        ApplyFriction(m_dAX, m_bFrictionX);
        if (m_Work.nDashKind == 3 && m_Motion.bDash) {
            // A dash of kind 3 brakes its inertia harder, down to 0.
            const double brake = PerSecondToPerFrame(m_Work.dBaseJump) * (m_Work.dDashFactor - 1);
            if (m_dAX > 0)
                m_dAX = std::max(0.0, m_dAX - brake);
            else
                m_dAX = std::min(0.0, m_dAX + brake);
        }
        m_dVX += m_dAX;
    }
    m_dVX = ClampSpeed(m_dVX);
    m_dX += m_dVX;
    AfterMoveX();
    return 0;
}

int cHero::StepY() {
    ApplyVerticalPush();
    if (m_dPushY == 0 && m_bNoGravity && m_dAY != 0) {
        ApplyFriction(m_dAY, m_bFrictionY);
        m_dVY += m_dAY;
    }
    const int side = MoveY(m_bNoGravity ? 0 : 2);
    AfterMoveY();
    if (!m_bNoGravity && (side == 5 || side == 6)) return 7;
    return side;
}

int cHero::RunFlows(int dying) {
    if (g_lpGameScene) g_lpGameScene->m_lpCurChara = this;
    SetBaseSpeeds(*this, true);
    m_bMoveOff = 0;
    m_bFrictionX = m_bFrictionY = 1;
    m_Motion.bDash = m_Motion.bJumpActive = m_Motion.bMoveCmd = 0;
    if (m_Work.nGravityCounter > 0) --m_Work.nGravityCounter;
    if (g_ObjectFlowCalls.RunFlowUpdate) g_ObjectFlowCalls.RunFlowUpdate(*this, dying);
    ClearCurrent();
    if (!dying && m_nHP < 1) return 1;
    ++m_Work.nDriverFrames;
    if (!m_Motion.bMoveCmd && m_dAX == 0 && m_dAY == 0) m_AnimSeq.ChangeSequence(m_bNoGravity ? 2 : 0, 1);
    if (!m_Motion.bJumpActive) {
        m_Work.nHeldFrames = 0;
        m_Work.bReady = 1;
        m_bCeilingFall = 0;
    }
    return m_nHP < 1 ? 1 : 0;
}

int cStageChara::RunFlows(int dying) {
    if (g_lpGameScene) g_lpGameScene->m_lpCurChara = this;
    SetBaseSpeeds(*this, false);
    m_bMoveOff = 0;
    m_bFrictionX = m_bFrictionY = 1;
    m_Motion.bDash = m_Motion.bMoveCmd = 0;
    if (g_ObjectFlowCalls.RunFlowUpdate) g_ObjectFlowCalls.RunFlowUpdate(*this, dying);
    ClearCurrent();
    if (g_ObjectFlowCalls.IsRemoved && g_ObjectFlowCalls.IsRemoved(*this)) return 1;
    if (!dying && m_nHP < 1) return 1;
    if (!m_Motion.bMoveCmd && m_dAX == 0 && m_dAY == 0) m_AnimSeq.ChangeSequence(m_bNoGravity ? 2 : 0, 1);
    return m_nHP < 1 ? 1 : 0;
}

int cHero::Jump(const cJumpRequest& jump) {
    if (!jump.m_lpSpeed || !jump.m_lpStarted) return cChara::Jump(jump);
    double& speed = *jump.m_lpSpeed;
    int& started = *jump.m_lpStarted;
    if (m_bNoGravity || m_Motion.bJumpActive) return 0;
    cHeroWork& w = m_Work;
    const bool held = jump.m_nKind == 0 || jump.m_bKeyHeld;
    if (jump.m_nKind == 2) {
        // A run-up jump: the faster the hero runs, the higher it jumps.
        const int height = static_cast<int>(std::fabs(m_dAX) * StageFrameScale() * 10);
        speed = JumpSpeedForHeight(height);
    }
    const int limit = jump.m_nHoldLimit;
    if (held) {
        if (!w.bNoExtend) ++w.nHeldFrames;
        const bool cannotExtend = (m_bJumped && !m_bHold) || !w.bReady || m_bCeilingFall || !(m_dVY < 0);
        if (w.nHeldFrames < limit || cannotExtend) {
            const bool mayStart = !m_bFalling && w.nHeldFrames <= FrameMul() && (!m_bJumped || m_bHold) &&
                                  w.bReady && !m_bCeilingFall && !m_bKnockBack && !started;
            if (mayStart) {
                m_bAirborne = 1;
                if (!m_bHold) {
                    m_dVY = speed;
                    m_nApexFrames = FramesToApex(m_dVY);
                    started = 1;
                    PlayUserSe(static_cast<std::int16_t>(jump.m_nSound));
                } else if (!g_lpGameScene || g_lpGameScene->m_nSubStep == FrameMul()) {
                    // Held in place: the jump leaves the hold a little faster, on the frame's last
                    // sub-step.
                    m_bHold = 0;
                    m_dVY = speed * HELD_JUMP_FACTOR;
                    m_nApexFrames = FramesToApex(m_dVY);
                }
            }
        }
        if (w.nHeldFrames >= limit && m_dVY < 0 && w.bReady) {
            m_bJumped = 1;
            w.bReady = 0;
        }
    } else {
        if (w.nHeldFrames > 0 && w.nHeldFrames < limit && !m_bJumped && !m_bCeilingFall && !w.bNoExtend &&
            !m_bKnockBack) {
            // Released early: the rest of the rise is cut.
            m_bHold = 0;
            if (m_dVY < 0) m_dVY *= 0.3;
            m_bJumped = 1;
        }
        w.nHeldFrames = 0;
        w.bReady = 1;
        m_bCeilingFall = 0;
    }
    if (IsStandingOnSolid() && m_dVY >= 0 && (!jump.m_bHasKeySteps || !jump.m_bKeyHeld)) {
        w.nHeldFrames = 0;
        w.bReady = 1;
        m_bCeilingFall = 0;
        m_bKnockBack = 0;
        started = 0;
    }
    m_Motion.bJumpActive = 1;
    return 1;
}

void cHero::BuildHitRanges() {
    const cEdStage& st = g_Stage;
    // A box keeps its colour step across a rebuild.
    int counters[4] = {};
    for (const cBoxDisplay& b : m_Work.boxes)
        if (b.nBox >= 0 && b.nBox < 4) counters[b.nBox] = b.nCounter;
    m_Work.boxes = {
        {0, st.m_nHeroBodyDisplay, st.m_nHeroBodyColour, m_nWidth, m_nHeight},
        {2, st.m_nHeroItemRangeDisplay, st.m_nHeroItemRangeColour, m_Parts[2].nWidth, m_Parts[2].nHeight},
        {1, st.m_nHeroCharaRangeDisplay, st.m_nHeroCharaRangeColour, m_Parts[0].nWidth, m_Parts[0].nHeight},
        {3, st.m_nHeroShotRangeDisplay, st.m_nHeroShotRangeColour, m_Parts[1].nWidth, m_Parts[1].nHeight},
    };
    std::stable_sort(m_Work.boxes.begin(), m_Work.boxes.end(),
                     [](const cBoxDisplay& a, const cBoxDisplay& b) {
                         return static_cast<long long>(a.nWidth) * a.nHeight >
                                static_cast<long long>(b.nWidth) * b.nHeight;
                     });
    for (cBoxDisplay& b : m_Work.boxes)
        b.nCounter = counters[b.nBox];
}
