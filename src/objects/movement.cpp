// Movement of game objects: speeds into positions, the clamps that keep them in the view, the
// scroll area or the stage, gravity, knock-back, landing, ceilings, jumps and the block tests.
#include "app/int_range.h"
#include "app/log.h"
#include "app/play_se.h"
#include "objects/blocks.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/movement.h"
#include "project/stage_file.h"

#include <algorithm>
#include <cmath>

namespace {

// Trigger kinds raised by landing and by a ceiling.
constexpr int TRIGGER_BLOCK = 9;
constexpr int TRIGGER_ABOVE_OR_BELOW = 13;
constexpr int TRIGGER_ABOVE = 14;
constexpr int TRIGGER_BELOW = 15;

double ClampSpeed(double v) {
    const double max = g_Stage.m_dMaxSpeed;
    if (v > max) return max;
    if (v < -max) return -max;
    return v;
}

// Gravity of 0 or below has no jump height: reported once per run.
bool GravityUsable() {
    if (g_Stage.m_dGravity > 0.0) return true;
    static bool reported = false;
    if (!reported) {
        reported = true;
        ECLogF("gravity %f: jumps have no height", g_Stage.m_dGravity);
    }
    return false;
}

} // namespace

int HalfBlocksToPixels(std::int8_t n) {
    return n * 32 / 2;
}

double HundredthsToSpeed(std::int16_t n) {
    const double scale = g_Stage.m_dFrameScale2 > 0.0 ? g_Stage.m_dFrameScale2 : 1.0;
    return n * 0.01 / scale;
}

int FramesToApex(double v) {
    if (!GravityUsable()) return 0;
    // A speed far beyond what gravity stops within a stage's time saturates.
    return SaturateInt(g_Stage.m_dFrameScale - v / g_Stage.m_dGravity);
}

// ---- cGameObject ----

namespace {
// The stage clamps, kept inline where the mode is known: `parts` places the part boxes.
template <class Parts>
[[gnu::always_inline]] inline int ClampX(cGameObject& o, const cScrollPos& s, int mode, Parts parts) {
    cCoord& x = o.m_dX;
    const double w = o.m_nWidth;
    int side = 0;
    auto outsideView = [&] { return x < s.ViewLow() || x + w - 1 >= s.ViewHigh(); };
    if (mode == 0) {
        if (x < s.ViewLow())
            x = s.ViewLow();
        else if (x + w - 1 >= s.ViewHigh())
            x = s.ViewHigh() - w;
    } else if (mode == 1) {
        if (x < s.OuterLow())
            x = s.OuterLow();
        else if (x + w - 1 >= s.OuterHigh())
            x = s.OuterHigh() - w;
        else
            side = outsideView() ? 1 : 0;
    } else {
        if (x < 0) {
            x = 0;
            side = 3;
        } else if (x + w - 1 >= s.ObjectExtent()) {
            x = s.ObjectExtent() - w;
            side = 3;
        } else if (x < s.OuterLow() || x + w - 1 >= s.OuterHigh()) {
            side = 2;
        } else {
            side = outsideView() ? 1 : 0;
        }
    }
    o.m_dRight = x + w - 1;
    parts();
    o.m_nCellLeft = SaturateInt(x) >> 5;
    o.m_nCellRight = SaturateInt(o.m_dRight) >> 5;
    return side;
}

template <class Parts>
[[gnu::always_inline]] inline int ClampY(cGameObject& o, const cScrollPos& s, int mode, Parts parts) {
    cCoord& y = o.m_dY;
    const double h = o.m_nHeight;
    int side = 0;
    auto viewSide = [&] { return y < s.ViewLow() ? 1 : (y + h - 1 >= s.ViewHigh() ? 4 : 0); };
    if (mode == 0) {
        if (y < s.ViewLow())
            y = s.ViewLow();
        else if (y + h - 1 >= s.ViewHigh())
            y = s.ViewHigh() - h;
    } else if (mode == 1) {
        if (y < s.OuterLow())
            y = s.OuterLow();
        else if (y + h - 1 >= s.OuterHigh())
            y = s.OuterHigh() - h;
        else
            side = viewSide();
    } else {
        if (y < 0) {
            y = 0;
            side = 3;
        } else if (y + h - 1 >= s.ObjectExtent()) {
            y = s.ObjectExtent() - h;
            side = 6;
        } else if (y < s.OuterLow()) {
            side = 2;
        } else if (y + h - 1 >= s.OuterHigh()) {
            side = 5;
        } else {
            side = viewSide();
        }
    }
    o.m_dBottom = y + h - 1;
    parts();
    o.m_nCellTop = SaturateInt(y) >> 5;
    o.m_nCellBottom = SaturateInt(o.m_dBottom) >> 5;
    return side;
}
} // namespace

int cGameObject::ClampToStageX(int mode) {
    return ClampX(*this, ViewX(), mode, [this] { UpdatePartsRectX(); });
}

int cGameObject::ClampToStageY(int mode) {
    return ClampY(*this, ViewY(), mode, [this] { UpdatePartsRectY(); });
}

namespace {
// MoveX and MoveY, kept inline in the stage characters' steps.
[[gnu::always_inline]] inline int MoveAlongX(cGameObject& o, int mode) {
    o.m_dVX = ClampSpeed(o.m_dVX);
    o.m_dX += o.m_dVX;
    int side = o.ClampToStageX(mode);
    return (side >= 1 && side <= 3) ? side : 0;
}

[[gnu::always_inline]] inline int MoveAlongY(cGameObject& o, int mode) {
    o.m_dVY = ClampSpeed(o.m_dVY);
    o.m_dY += o.m_dVY;
    int side = o.ClampToStageY(mode);
    return (side >= 1 && side <= 6) ? side : 0;
}
} // namespace

int cGameObject::MoveX(int mode) {
    return MoveAlongX(*this, mode);
}

int cGameObject::MoveY(int mode) {
    return MoveAlongY(*this, mode);
}

void cGameObject::ApplyGravity() {
    if (!m_bNoGravity) m_dVY += g_Stage.m_dGravity;
}

void cGameObject::ApplyFriction(double& speed, int enabled) const {
    if (!enabled) return;
    if (speed > 0) {
        speed -= m_dDecel;
        if (speed < 0) speed = 0;
    } else if (speed < 0) {
        speed += m_dDecel;
        if (speed >= 0) speed = 0;
    }
}

bool cGameObject::TouchesSolidBlock() const {
    const int cells[4][2] = {{m_nCellLeft, m_nCellTop},
                             {m_nCellLeft, m_nCellBottom},
                             {m_nCellRight, m_nCellTop},
                             {m_nCellRight, m_nCellBottom}};
    cBlockGrid grid(ViewX());
    for (const auto& c : cells) {
        const cBlock* b = grid.At(c[0], c[1]);
        if (!b) continue;
        if (IsBlockSolid(*b, m_nPassKind)) return true;
        // A test of the block's conditions ran: the grid is read again.
        if (!b->m_Conditions.empty()) grid = cBlockGrid(ViewX());
    }
    return false;
}

// ---- cChara ----

void cChara::ApplyGravity() {
    if (m_bNoGravity || m_bHold || m_bMoveOff || m_dPushY < 0) return;
    m_dVY += g_Stage.m_dGravity;
}

void cChara::DecayToZero(double& push) {
    if (push == 0) return;
    const double step = 1.0 / StageFrameScale();
    if (push > 0) {
        push -= step;
        if (push < 0) push = 0;
    } else {
        push += step;
        if (push > 0) push = 0;
    }
}

void cChara::ApplyVerticalPush() {
    if (m_dPushY != 0) {
        if (m_bNoGravity) {
            m_dVY += m_dPushY;
        } else if (m_dPushY <= 0) {
            m_dVY = m_dVY - m_dPrevPushY + m_dPushY;
        } else if (m_lpStandBlock && IsBlockSolid(*m_lpStandBlock, m_nPassKind)) {
            m_dPushY = 0;
        } else if (!m_bHold) {
            m_dVY = m_dVY - m_dPrevPushY + m_dPushY;
        } else {
            m_dPushY = 0;
        }
    }
    m_dPrevPushY = m_dPushY;
}

void cChara::ApplyPush(std::int8_t power8, double dx, double dy) {
    int power = power8;
    if (power == 0) return;
    const int r = m_Def.m_nImpactResist;
    if (power < 0)
        power = std::clamp(power + r, -20, 0);
    else
        power = std::clamp(power - r, 0, 20);
    const double s = std::fabs(dx) + std::fabs(dy);
    if (s == 0) {
        m_dPushX = m_dPushY = 0;
        return;
    }
    const double g = StageFrameScale();
    auto shape = [g](double c) {
        if (c == 0) return 0.0;
        if (c > 0) return (std::sqrt(128 * g * c + 1) - 1) / (2 * g);
        return -(std::sqrt(1 - 128 * g * c) - 1) / (2 * g);
    };
    m_dPushX = shape(power * dx / s);
    m_dPushY = shape(power * dy / s);
    const double e = 1e-8;
    if ((m_dPushX > e && m_dAX < -e) || (m_dPushX < -e && m_dAX > e)) m_dAX = 0;
    if ((m_dPushY > e && m_dAY < -e) || (m_dPushY < -e && m_dAY > e)) m_dAY = 0;
    if ((m_dPushY > e && m_dVY < -e) || (m_dPushY < -e && m_dVY > e)) m_dVY = 0;
    m_bKnockBack = 1;
}

void cChara::PushByChara(const cChara& attacker) {
    double dy = attacker.m_dVY;
    if (!attacker.m_bNoGravity && attacker.m_dVY < g_Stage.m_nFrameMul8 * g_Stage.m_dGravity) dy = 0;
    ApplyPush(attacker.Impact(), attacker.m_dVX, dy);
}

void cChara::PushByShot(const cShot& shot) {
    if (shot.m_bOwnSpeeds)
        ApplyPush(shot.m_nImpact, shot.m_dVX, shot.m_dVY);
    else
        ApplyPush(shot.m_nImpact, shot.GetDirSign(), 0);
}

void cChara::Land() {
    m_dVY = m_dAY = 0;
    m_bLanded = 1;
    m_bFalling = m_bJumped = m_bAirborne = m_bKnockBack = m_nAirFrames = m_nApexFrames = 0;
    if (m_nObjKind == OBJKIND_HERO) m_bCeilingFall = 0;
    m_dY -= (static_cast<int>(m_dBottom) % 32) + 1;
    AfterMoveY();
    RaiseTrigger(TRIGGER_BLOCK);
    RaiseTrigger(TRIGGER_ABOVE_OR_BELOW);
    RaiseTrigger(TRIGGER_BELOW);
}

void cChara::HitCeiling() {
    m_bJumped = m_bAirborne = m_bHitCeiling = m_bCeilingFall = 1;
    m_dVY = m_dAY = 0;
    m_dY = m_dY - (static_cast<int>(m_dY) % 32) + 32;
    AfterMoveY();
    RaiseTrigger(TRIGGER_BLOCK);
    RaiseTrigger(TRIGGER_ABOVE_OR_BELOW);
    RaiseTrigger(TRIGGER_ABOVE);
}

int cChara::Jump(const cJumpRequest& jump) {
    if (m_bFalling) return m_bFalling;
    if (m_bCeilingFall) return m_bCeilingFall;
    if (m_bKnockBack) return m_bKnockBack;
    if (m_nAirFrames) return m_nAirFrames;
    PlayUserSe(static_cast<std::int16_t>(jump.m_nSound));
    m_dVY = jump.m_dJumpSpeed;
    m_nApexFrames = FramesToApex(m_dVY);
    m_bAirborne = m_bJumped = 1;
    m_bHold = 0;
    return 1;
}

void cChara::ClearHoldState(int set) {
    m_bHold = 0;
    if (m_dPushY == 0) m_dVY = 0;
    if (set) m_bHold2 = 1;
}

bool cChara::IsStandingOnSolid() const {
    if (!m_lpStandBlock) return m_bHold != 0;
    if (IsBlockSolid(*m_lpStandBlock, m_nPassKind)) return true;
    return m_bHold != 0;
}

double cChara::JumpSpeedForHeight(int halfBlocks) const {
    if (!GravityUsable()) return 0.0;
    const double g = g_Stage.m_dGravity;
    const double h = halfBlocks * 16.0;
    // A height below nothing jumps with the least speed rather than the root of a negative number.
    const double radicand = std::max(0.0, (8 * h + g) * g);
    double v = (-g - std::sqrt(radicand)) * 0.5;
    if (!m_nPlayerFlag) v *= 0.99; // a computer character jumps a little lower
    return v;
}

int cChara::JumpTimeForHeight(int halfBlocks) const {
    if (!GravityUsable()) return 0;
    const int mul = g_Stage.m_nFrameMul > 0 ? g_Stage.m_nFrameMul : 1;
    return FramesToApex(JumpSpeedForHeight(halfBlocks)) / mul / 6 + 1;
}

// ---- cStageChara ----

int cStageChara::AfterMoveX() {
    return ClampToStageX(2);
}

int cStageChara::AfterMoveY() {
    return ClampToStageY(2);
}

int cStageChara::StepX() {
    if (m_dPushX != 0) {
        m_dVX = m_dPushX;
    } else if (m_dAX != 0) {
        ApplyFriction(m_dAX, m_bFrictionX);
        m_dVX += m_dAX;
    }
    // MoveAlongX with the stage clamp kept inline (nothing derives from a stage character).
    const cScrollPos& view = ViewX();
    m_dVX = ClampSpeed(m_dVX);
    m_dX += m_dVX;
    const int side = ClampX(*this, view, 2, [this] { cStageChara::UpdatePartsRectX(); });
    // The move ended with the same clamp. Run again it only recomputes what it computed, unless that
    // clamp left the position at an end of a stage narrower than the object (it set the right edge
    // to x + width - 1).
    if (m_dX < 0 || m_dRight >= view.ObjectExtent()) AfterMoveX();
    return side == 3 ? 4 : side;
}

int cStageChara::StepY() {
    ApplyVerticalPush();
    if (m_dPushY == 0 && m_bNoGravity && m_dAY != 0) {
        ApplyFriction(m_dAY, m_bFrictionY);
        m_dVY += m_dAY;
    }
    const cScrollPos& view = ViewY();
    m_dVY = ClampSpeed(m_dVY);
    m_dY += m_dVY;
    const int side = ClampY(*this, view, 2, [this] { cStageChara::UpdatePartsRectY(); });
    // As in StepX: the clamp the move ended with needs running again only at an end of a short stage.
    if (m_dY < 0 || m_dBottom >= view.ObjectExtent()) AfterMoveY();
    if (!m_bNoGravity) return (side == 5 || side == 6) ? 7 : side;
    return (side == 3 || side == 6) ? 8 : side;
}

void cStageChara::UpdateActive(std::vector<std::int32_t>& switches) {
    m_bActive = IsOnScreenAxes(m_bSkipAreaX, m_bSkipAreaY) ? 1 : 0;
    if (!m_bActive || !m_Def.m_nGroupSwitch) return;
    // The marks grow to the highest group switched on; a group beyond them reads as off.
    const std::size_t n = m_Def.m_nGroupNo;
    if (n >= switches.size()) switches.resize(n + 1, 0);
    switches[n] = 1;
}

bool cStageChara::MayBeAwake() const {
    const bool gravity = !m_bNoGravity;
    return m_bActive || (gravity && m_bAirborne) || (gravity && m_bEverActive && m_bFalling);
}

int cStageChara::CheckAwake(std::vector<std::int32_t>& switches) {
    const int n = m_Def.m_nGroupNo;
    const bool switched = m_Def.m_nGroupSwitch && n < static_cast<int>(switches.size()) && switches[n];
    if (!switched && !MayBeAwake()) return 0;
    m_bEverActive = 1;
    if (m_Def.m_nActivationRule == 1) m_bSkipAreaX = m_bSkipAreaY = 1;
    UpdateScreenRect();
    return 1;
}
