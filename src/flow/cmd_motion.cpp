// Movement commands: straight, ground-turnaround, circle, charge, homing and off-screen-avoiding
// moves, the stop, the turn and the jump, with their preparations and the motion step they share.
#include "flow/cmd_motion.h"

#include "app/input.h"
#include "app/int_range.h"
#include "app/play_se.h"
#include "flow/flow_engine.h"
#include "objects/aim.h"
#include "objects/blocks.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/shot.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "records/ed_move.h"

#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;

// Work fields of a movement instance.
enum { DW_VX = 0, DW_VY = 1, DW_ANGLE = 2, DW_STEP = 3, DW_RADIUS = 4, DW_POINT_X = 2, DW_POINT_Y = 3 };
enum { NW_FACING = 0, NW_LASTDIR = 1, NW_SENSE = 2 };
constexpr int WORD_STARTED = 0; // m_nWords: the first frame has run

int FrameMul() {
    return g_Stage.m_nFrameMul > 0 ? g_Stage.m_nFrameMul : 1;
}

double Rad(double d) {
    return d * PI / 180.0;
}

int Param(const cEdFlowCmd& rec, std::size_t i) {
    return i < rec.m_Params.size() ? rec.m_Params[i] : 0;
}

int CloneValue(const cChara& c) {
    return c.m_FlowState.nCloneValue;
}

// A right-facing start mirrors angles and offsets.
bool Reversed(const cChara& c) {
    return c.m_Def.m_nFacing == 1;
}

// The command's angle for this character: the angle and its step for the copy value, mirrored
// for a right-facing start when the command says so, with whole turns taken off.
int MoveAngle(const cChara& c, const cEdMove& mv) {
    int angle = mv.m_nAngle + mv.m_nAngleStep * CloneValue(c);
    if (mv.m_bMirrorAngle && Reversed(c)) angle = 360 - angle;
    if (angle >= 360) angle %= 360; // as many turns taken off at once as one by one
    return angle;
}

int CodeFacing(int code) {
    if (code == 2 || code == 8 || code == 9) return 1;
    if (code == 3 || code == 10 || code == 11) return 2;
    return 0;
}

bool FirstFrame(cFlowCommand& inst) {
    if (inst.m_nWords[WORD_STARTED]) return false;
    inst.m_nWords[WORD_STARTED] = 1;
    return true;
}

// The switches of a movement's settings that its steps read, as NoteMotion keeps them in the
// instance (none without settings).
enum MoveFlag {
    MF_KEEP_FACING = 1,
    MF_HOLD_X = 2,
    MF_HOLD_Y = 4,
    MF_INERTIA = 8,
    MF_KEEP_ANIMATION = 16,
    MF_REVERSE_WITH_FACING = 32,
    MF_HAS_MOVE = 64, // the command has settings at all
};
constexpr std::size_t NW_MOVE_FLAGS = 4;

int MoveFlagsOf(const cEdMove* mv) {
    if (!mv) return 0;
    return MF_HAS_MOVE | (mv->m_bKeepFacing ? MF_KEEP_FACING : 0) | (mv->m_bHoldX ? MF_HOLD_X : 0) |
           (mv->m_bHoldY ? MF_HOLD_Y : 0) | (mv->m_bInertia ? MF_INERTIA : 0) |
           (mv->m_bKeepAnimation ? MF_KEEP_ANIMATION : 0) |
           (mv->m_bReverseWithFacing ? MF_REVERSE_WITH_FACING : 0);
}

bool NoteMotion(cFlowCommand& inst, const cEdFlowCmd& rec) {
    inst.m_nWork[NW_MOVE_FLAGS] = MoveFlagsOf(rec.m_Move.get());
    return true;
}

// The switches of the instance's movement settings.
int MoveFlags(const cFlowCommand& inst) {
    if (HasNotedFacts(inst)) return inst.m_nWork[NW_MOVE_FLAGS];
    return MoveFlagsOf(inst.m_lpRecord ? inst.m_lpRecord->m_Move.get() : nullptr);
}

// The motion step every movement handler ends with.
void MotionStep(cChara& c, cFlowCommand& inst, double vx, double vy, int facing, bool forcedFacing) {
    const int flags = MoveFlags(inst);
    const bool keep = flags & MF_KEEP_FACING;
    if (forcedFacing || !(c.m_Def.m_nFixedFacing || keep)) {
        if (facing == 1) c.m_nDir = 0;
        if (facing == 2) c.m_nDir = 1;
    }
    if (flags & MF_HOLD_X) vx = 0;
    if (flags & MF_HOLD_Y) vy = 0;
    if (flags & MF_INERTIA) {
        const cEdMove* mv = inst.m_lpRecord->m_Move.get();
        auto add = [&](double& a, double v) {
            double d = PerSecondToPerFrame(v);
            if (d * a < 0) d *= mv->m_dReverseFactor;
            a += d;
            const double lim = inst.m_dSpeed2;
            if (a > lim) a = lim;
            if (a < -lim) a = -lim;
        };
        if (!(flags & MF_HOLD_X)) add(c.m_dAX, vx);
        if (!(flags & MF_HOLD_Y)) add(c.m_dAY, vy);
    } else {
        c.m_dVX += vx;
        c.m_dVY += vy;
    }
    if (!(flags & MF_KEEP_ANIMATION)) {
        c.m_AnimSeq.ChangeSequence(c.m_bNoGravity ? 3 : 1, 1);
        c.m_Motion.bMoveCmd = 1;
    }
}

// ---- Preparations ----

// Distance and time: speed from a time, or time from a speed; nothing is divided by zero.
void PrepMove(cFlowCommand& inst, cChara& c) {
    const cEdMove* mv = inst.m_lpRecord ? inst.m_lpRecord->m_Move.get() : nullptr;
    if (!mv || mv->m_nGivenValues == 0) return;
    double dist = mv->m_nDistance + mv->m_nDistanceStep * CloneValue(c);
    if (mv->m_nLengthUnit != 1) dist *= 16;
    if (mv->m_nGivenValues == 1) {
        inst.m_dSpeed = inst.m_nUseTime != 0 ? dist / inst.m_nUseTime : 0.0;
    } else if (mv->m_nGivenValues == 2) {
        if (inst.m_dSpeed == 0) {
            inst.m_nUseTime = 0;
        } else {
            const double t = dist / inst.m_dSpeed;
            int frames = static_cast<int>(std::fabs(t) < 2e9 ? t : 0);
            if (frames < 0 && !g_SystemData.m_nCompat695) frames = -frames;
            inst.m_nUseTime = frames;
        }
    }
}

void PrepCircle(cFlowCommand& inst, cChara& c) {
    const cEdMove* mv = inst.m_lpRecord ? inst.m_lpRecord->m_Move.get() : nullptr;
    if (!mv) return;
    const int clone = CloneValue(c);
    int sense = mv->m_nDirection;
    double extra = 0;
    if (Reversed(c)) {
        if (mv->m_bMirrorX) {
            extra = 180;
            if (sense == 0 || sense == 1) sense ^= 1;
        }
        if (mv->m_bMirrorY && (sense == 0 || sense == 1)) sense ^= 1;
    }
    const int mul = FrameMul();
    double radius = mv->m_nHomingWeakness + mv->m_nHomingWeaknessStep * clone;
    radius = std::fmin(std::fmax(radius, 0.0), 20.0) * 16 * mul;
    const double start = (mv->m_nAngle + mv->m_nAngleStep * clone + extra) * mul;
    const double end = (mv->m_nDistance + mv->m_nDistanceStep * clone + extra) * mul;
    const double span = end > start ? end - start : start - end;
    const double fs = StageFrameScale();
    double step = 0;
    if (mv->m_nGivenValues == 0) {
        step = inst.m_nUseTime != 0 ? span / inst.m_nUseTime / fs : 0.0;
    } else {
        const double speed = inst.m_dSpeed;
        step = speed;
        inst.m_nUseTime = speed != 0 ? static_cast<int>(std::fabs(span / speed / fs)) : 0;
    }
    inst.m_dWork[DW_ANGLE] = start;
    inst.m_dWork[DW_STEP] = step;
    inst.m_dWork[DW_RADIUS] = radius;
    inst.m_nWork[NW_SENSE] = sense;
}

void PrepHoming(cFlowCommand& inst, cChara& c) {
    const cEdMove* mv = inst.m_lpRecord ? inst.m_lpRecord->m_Move.get() : nullptr;
    if (!mv) return;
    inst.m_nWork[NW_SENSE] = (mv->m_nHomingWeakness + mv->m_nHomingWeaknessStep * CloneValue(c)) * FrameMul();
    PrepMove(inst, c);
}

void PrepJump(cFlowCommand& inst, cChara& c) {
    if (!inst.m_lpRecord) return;
    cEdFlowCmd& rec = *inst.m_lpRecord;
    const int height = Param(rec, 2);
    inst.m_dSpeed = c.JumpSpeedForHeight(height);
    const int base = c.JumpTimeForHeight(height);
    rec.m_nUseTime = static_cast<std::int16_t>(base);
    inst.m_nUseTime = SaturateInt(std::int64_t{base} * FrameMul() * 6);
}

// ---- Handlers ----

void CmdStraightMove(cChara& c, cFlowCommand& inst) {
    // The steps after the first read no more of the settings than their switches.
    const int flags = MoveFlags(inst);
    if (!(flags & MF_HAS_MOVE)) return;
    const double s = inst.m_dSpeed;
    if (FirstFrame(inst)) {
        const cEdMove* mv = inst.m_lpRecord->m_Move.get();
        const int angle = MoveAngle(c, *mv);
        double vx = 0, vy = 0;
        int facing = 0;
        if (mv->m_nTargetMode == 0) {
            const cFlow* flow = CurFlow();
            const int code = MoveDirCode(inst.m_nDirByte, c, flow ? flow->m_nFirstKey : 0);
            facing = CodeFacing(code);
            if (angle == 0)
                DirVelocity(code, s, vx, vy);
            else
                vx = -std::cos(Rad(DirIndexAngle(code) + angle)) * s,
                vy = -std::sin(Rad(DirIndexAngle(code) + angle)) * s;
        } else {
            double dx = 0, dy = 0;
            TargetPointOffset(c, *mv, Reversed(c), dx, dy);
            const double len = std::sqrt(dx * dx + dy * dy);
            if (len != 0) vx = dx / len * s, vy = dy / len * s;
            facing = vx < 0 ? 1 : (vx > 0 ? 2 : 0);
            if (mv->m_bEndOnArrival && s != 0) {
                const int frames = static_cast<int>(std::fabs(len / s));
                inst.m_nRemain = frames;
                if (frames == 0 && mv->m_bStopAtTarget) vx = vy = 0;
            }
        }
        if (!c.m_bNoGravity) vy = 0;
        inst.m_dWork[DW_VX] = vx;
        inst.m_dWork[DW_VY] = vy;
        inst.m_nWork[NW_FACING] = facing;
        inst.m_nWork[NW_LASTDIR] = c.m_nDir;
    } else {
        if (!c.m_bNoGravity) inst.m_dWork[DW_VY] = 0;
        if ((flags & MF_REVERSE_WITH_FACING) && c.m_Def.m_nFixedFacing &&
            c.m_nDir != inst.m_nWork[NW_LASTDIR]) {
            inst.m_dWork[DW_VX] = -inst.m_dWork[DW_VX];
            inst.m_dWork[DW_VY] = -inst.m_dWork[DW_VY];
        }
        inst.m_nWork[NW_LASTDIR] = c.m_nDir;
    }
    MotionStep(c, inst, inst.m_dWork[DW_VX], inst.m_dWork[DW_VY], inst.m_nWork[NW_FACING], false);
}

// Walking along the ground: at a ledge's end the walker turns back toward the ground.
void GroundWalk(cChara& c, double s, double& vx, int& facing) {
    vx = c.GetDirSign() * s;
    facing = 0;
    if (c.m_Motion.bTurnBack) {
        c.m_Motion.bTurnBack = 0;
        facing = c.m_nDir == 1 ? 1 : 2;
        vx = -vx;
        for (const cStageChara& carrier : g_Charas) {
            if (carrier.m_nId != c.m_nRiddenId || carrier.m_nId == 0) continue;
            const double dx = carrier.m_dX - carrier.m_SavedPos[0];
            vx = (dx * vx > 0) ? 2 * dx + vx : vx + dx;
            break;
        }
        return;
    }
    const int rows = ViewY().m_nGridExtent;
    int row = (static_cast<int>(c.m_dBottom) + 1) / 32;
    if (row > rows - 1) row = rows - 1;
    auto solid = [&](int column) {
        const cBlock* b = BlockAt(column, row);
        return b && IsBlockSolid(*b, c.m_nPassKind) != 0;
    };
    const bool left = solid(static_cast<int>(c.m_dX) >> 5);
    const bool right = solid(static_cast<int>(c.m_dRight) >> 5);
    if (left && !right) facing = 1;
    if (right && !left) facing = 2;
}

void CmdGroundTurnMove(cChara& c, cFlowCommand& inst) {
    if (c.m_bNoGravity) return;
    double vx = 0;
    int facing = 0;
    if (c.m_dPushX == 0 && c.m_dPushY == 0)
        GroundWalk(c, inst.m_dSpeed, vx, facing);
    else
        vx = c.GetDirSign() * inst.m_dSpeed;
    MotionStep(c, inst, vx, 0, facing, true);
}

void CmdCircleMove(cChara& c, cFlowCommand& inst) {
    // The character turns on its circle: at angle a its x speed is the circle step at a, its y
    // speed the step at a + 270 turning right, a + 90 turning left. From angle 0 it runs along the
    // top of its circle, to the right when it turns right.
    int sense = inst.m_nWork[NW_SENSE];
    if (sense == 2) sense = c.m_nDir == 0 ? 0 : 1;
    if (sense == 3) sense = c.m_nDir == 0 ? 1 : 0;
    const double fs = StageFrameScale();
    const double r = inst.m_dWork[DW_RADIUS] / FrameMul();
    const double angle = inst.m_dWork[DW_ANGLE] / FrameMul();
    const double step = inst.m_dWork[DW_STEP] / FrameMul(); // degrees a frame
    // The step's phase counts the angle in frame-scale units; its radius carries the angular
    // speed, so that the speed is r x step (in radians) x cos(angle).
    const double size = r * step * fs;
    double phase = angle * fs;
    double phaseY = phase;
    double vx = CircleMoveStep(size, 1, phase, step * fs, 0);
    double vy = CircleMoveStep(size, 1, phaseY, step * fs, sense == 0 ? 270 : 90);
    inst.m_dWork[DW_ANGLE] = phase / fs * FrameMul();
    if (!c.m_bNoGravity) vy = 0;
    MotionStep(c, inst, vx, vy, 0, false);
}

// The point a charge or homing move heads for: the target's centre moved by the command's target
// offsets (negated by the mirror switches for a right-facing start). An axis the move does not
// use keeps the character's own centre, so that the move covers no distance along it. False when
// the move uses neither axis.
bool MovePoint(const cChara& c, const cChara& t, const cEdMove* mv, bool reversed, int& px, int& py) {
    px = c.ScreenCenterX();
    py = c.ScreenCenterY();
    int ox = 0, oy = 0;
    bool useX = true, useY = true;
    if (mv) {
        ox = mv->m_nTargetXBl * 32 + mv->m_nTargetXDot;
        oy = mv->m_nTargetYBl * 32 + mv->m_nTargetYDot;
        if (reversed && mv->m_bMirrorX) ox = -ox;
        if (reversed && mv->m_bMirrorY) oy = -oy;
        useX = mv->m_bUseTargetX != 0;
        useY = mv->m_bUseTargetY != 0;
    }
    if (!useX && !useY) return false;
    GetAimPoint(t, &px, &py, ox, oy, useX ? 0 : 1, useY ? 0 : 1);
    return true;
}

void CmdChargeMove(cChara& c, cFlowCommand& inst) {
    const cChara* t = c.m_pTarget;
    if (!t) return;
    const double s = inst.m_dSpeed;
    const cEdMove* mv = inst.m_lpRecord ? inst.m_lpRecord->m_Move.get() : nullptr;
    if (FirstFrame(inst)) {
        double vx = 0, vy = 0;
        int dir = 0, px = 0, py = 0;
        if (MovePoint(c, *t, mv, Reversed(c), px, py)) {
            if (c.m_bNoGravity) {
                AimVelocity(vx, vy, dir, &c, c.ScreenCenterX(), c.ScreenCenterY(), px, py, s, 1, 0, 0);
            } else if (px != c.ScreenCenterX()) {
                // Along the ground: the speed itself, toward the point.
                double work = 0;
                ChargeSpeed(vx, work, dir, &c, c.ScreenCenterX(), px, s, 0, 0);
            }
        }
        const int a = mv ? MoveAngle(c, *mv) : 0;
        if (a != 0) {
            double tdeg;
            if (!g_SystemData.m_nCompat728) {
                tdeg = a + std::trunc(std::atan2(vy, vx) * 180.0 / PI + 180);
                vx = -std::cos(Rad(tdeg)) * s;
            } else {
                tdeg = a + std::trunc(std::atan2(vx, vy) * 180.0 / PI + 90);
                vx = std::cos(Rad(tdeg)) * s;
            }
            if (c.m_bNoGravity) vy = -std::sin(Rad(tdeg)) * s;
        }
        if (!c.m_bNoGravity) vy = 0;
        inst.m_dWork[DW_VX] = vx;
        inst.m_dWork[DW_VY] = vy;
        inst.m_dWork[DW_POINT_X] = px;
        inst.m_dWork[DW_POINT_Y] = py;
        inst.m_nWork[NW_FACING] = vx < 0 ? 1 : (vx > 0 ? 2 : 0);
    } else if (mv && mv->m_bStopAtTarget && c.m_bNoGravity) {
        // Once there, the character is put on the point and stays.
        const double dx = inst.m_dWork[DW_POINT_X] - c.ScreenCenterX();
        const double dy = inst.m_dWork[DW_POINT_Y] - c.ScreenCenterY();
        const bool moving = inst.m_dWork[DW_VX] != 0 || inst.m_dWork[DW_VY] != 0;
        if (moving && std::fabs(dx) < std::fabs(s) && std::fabs(dy) < std::fabs(s)) {
            c.SetScreenCenter(static_cast<int>(inst.m_dWork[DW_POINT_X]),
                              static_cast<int>(inst.m_dWork[DW_POINT_Y]));
            inst.m_dWork[DW_VX] = inst.m_dWork[DW_VY] = 0;
        }
    }
    MotionStep(c, inst, inst.m_dWork[DW_VX], inst.m_dWork[DW_VY], inst.m_nWork[NW_FACING], false);
}

void CmdHomingMove(cChara& c, cFlowCommand& inst) {
    const cChara* t = c.m_pTarget;
    if (!t) return;
    const int interval = inst.m_nWork[NW_SENSE];
    if (interval <= 0 || inst.m_nCounter % interval == 0) {
        const cEdMove* mv = inst.m_lpRecord ? inst.m_lpRecord->m_Move.get() : nullptr;
        const int stop = mv && mv->m_bStopAtTarget ? 1 : 0;
        double vx = 0, vy = 0, work = 0;
        int dir = 0, px = 0, py = 0;
        if (MovePoint(c, *t, mv, Reversed(c), px, py)) {
            if (c.m_bNoGravity)
                HomeToward(vx, vy, dir, c, px, py, inst.m_dSpeed, stop);
            else if (px != c.ScreenCenterX())
                HomeTowardX(vx, work, dir, c, px, inst.m_dSpeed, stop);
        }
        if (!c.m_bNoGravity) vy = 0;
        inst.m_dWork[DW_VX] = vx;
        inst.m_dWork[DW_VY] = vy;
        inst.m_nWork[NW_FACING] = vx < 0 ? 1 : (vx > 0 ? 2 : 0);
    }
    ++inst.m_nCounter;
    MotionStep(c, inst, inst.m_dWork[DW_VX], inst.m_dWork[DW_VY], inst.m_nWork[NW_FACING], false);
}

// Back into the view: a character that drifted out of it comes back, otherwise it stands still.
double ViewBoundSpeed(const cScrollPos& view, bool toLow, double s, double edge, int stageSize) {
    const double a = view.MovingSpeed();
    const int size = view.m_nViewSize;
    if (a == 0) {
        if (toLow) return edge > size - 32 ? -s : 0.0;
        return edge < 32 ? s : 0.0;
    }
    const double lim = std::fabs(a + 1);
    const bool canScroll = view.m_dPos + a >= 0 && view.m_dPos + a <= stageSize - size;
    if (!canScroll) return 0.0;
    if (toLow) return edge > size - 32 - lim ? a - s : 0.0;
    return edge < lim + 32 ? a + s : 0.0;
}

void CmdAvoidMove(cChara& c, cFlowCommand& inst) {
    const cFlow* flow = CurFlow();
    const int code = MoveDirCode(inst.m_nDirByte, c, flow ? flow->m_nFirstKey : 0);
    const double s = inst.m_dSpeed;
    const bool left = code == 2 || code == 8 || code == 9, right = code == 3 || code == 10 || code == 11;
    const bool up = code == 6 || code == 8 || code == 10, down = code == 7 || code == 9 || code == 11;
    const cScreenRect& r = c.m_rcScreen;
    double vx = 0, vy = 0;
    if (left) vx = ViewBoundSpeed(ViewX(), true, s, r.left, ViewX().StageSize());
    if (right) vx = ViewBoundSpeed(ViewX(), false, s, r.right, ViewX().StageSize());
    if (up) vy = ViewBoundSpeed(ViewY(), true, s, r.top, ViewY().StageSize());
    if (down) vy = ViewBoundSpeed(ViewY(), false, s, r.bottom, ViewY().StageSize());
    if (!c.m_bNoGravity) vy = 0;
    MotionStep(c, inst, vx, vy, 0, false);
    ++inst.m_nCounter;
}

void CmdStopMove(cChara& c, cFlowCommand&) {
    c.m_dVX = c.m_dVY = c.m_dAX = c.m_dAY = 0;
    c.m_dPushX = c.m_dPushY = 0;
    c.m_Motion.bStopped = 1;
}

void CmdTurn(cChara& c, cFlowCommand& inst) {
    if (!c.m_Def.m_nFixedFacing || !inst.m_lpRecord) return;
    if (inst.m_nCounter == 0) {
        PlayUserSe(inst.m_lpRecord->m_nSound);
        const cChara* t = c.m_pTarget;
        switch (Param(*inst.m_lpRecord, 0)) {
        case 0:
            c.m_nDir = 0;
            break;
        case 1:
            c.m_nDir = 1;
            break;
        case 2:
            if (t) c.m_nDir = t->ScreenCenterX() < c.ScreenCenterX() ? 0 : 1;
            break;
        case 3:
            if (t) c.m_nDir = t->ScreenCenterX() < c.ScreenCenterX() ? 1 : 0;
            break;
        case 4:
            if (c.m_nWallSide == 0 || c.m_nWallSide == 1) c.m_nDir = c.m_nWallSide;
            break;
        case 5:
            if (c.m_nWallSide == 0 || c.m_nWallSide == 1) c.m_nDir = 1 - c.m_nWallSide;
            break;
        default:
            break;
        }
    }
    if (++inst.m_nCounter >= g_Stage.m_nFramePeriod && g_Stage.m_nFramePeriod > 0) inst.m_nCounter = 0;
}

void CmdJump(cChara& c, cFlowCommand& inst) {
    c.m_dVX = 0;
    if (c.m_bNoGravity) c.m_dVY = 0;
    cJumpRequest req;
    req.m_dJumpSpeed = inst.m_dSpeed;
    req.m_nSound = inst.m_lpRecord ? inst.m_lpRecord->m_nSound : 0;
    req.m_lpSpeed = &inst.m_dSpeed;
    req.m_lpStarted = &inst.m_bStartedMark;
    req.m_nHoldLimit = inst.m_nUseTime;
    req.m_nKind = inst.m_lpRecord ? Param(*inst.m_lpRecord, 0) : 0;
    // Held while the last key step of the running flow is still pressed.
    const cFlow* flow = CurFlow();
    const cInputRecord* input = InputRecordOf(c);
    if (flow && flow->m_lpDef && !flow->m_lpDef->m_KeySteps.empty()) {
        req.m_bHasKeySteps = 1;
        req.m_bKeyHeld = input && CheckKeyStates(*input, flow->m_lpDef->m_KeySteps.back()) ? 1 : 0;
    }
    if (c.m_nObjKind == OBJKIND_HERO) {
        c.Jump(req);
    } else {
        // Tried on every frame of the use time: a jump asked while falling happens on landing.
        cJumpRequest plain;
        plain.m_dJumpSpeed = inst.m_dSpeed;
        plain.m_nSound = req.m_nSound;
        c.Jump(plain);
    }
    ++inst.m_nCounter;
}

} // namespace

double CentreX(const cGameObject& c) {
    return static_cast<int>(ViewX().m_dPos) + c.ScreenCenterX();
}
double CentreY(const cGameObject& c) {
    return static_cast<int>(ViewY().m_dPos) + c.ScreenCenterY();
}

void TargetPointOffset(const cChara& c, const cEdMove& mv, bool reversed, double& dx, double& dy) {
    int tx = mv.m_nTargetXBl * 32 + mv.m_nTargetXDot;
    int ty = mv.m_nTargetYBl * 32 + mv.m_nTargetYDot;
    if (reversed && mv.m_bMirrorX) tx = -tx;
    if (reversed && mv.m_bMirrorY) ty = -ty;
    const double cx = CentreX(c), cy = CentreY(c);
    switch (mv.m_nCoordBase) {
    case 0:
        dx = (ViewX().m_nMargin + c.m_Def.m_nX) * 32 + 16.0 + tx - cx;
        dy = (ViewY().m_nMargin + c.m_Def.m_nY) * 32 + 16.0 + ty - cy;
        break;
    case 1:
        dx = tx, dy = ty;
        break;
    case 2:
        dx = ViewX().m_nOrigin + tx + 16 - cx, dy = ViewY().m_nOrigin + ty + 16 - cy;
        break;
    default:
        dx = ViewX().m_dPos + tx + 16 - cx, dy = ViewY().m_dPos + ty + 16 - cy;
        break;
    }
    if (!mv.m_bUseTargetX) dx = 0;
    if (!mv.m_bUseTargetY) dy = 0;
}

int MoveDirCode(int direction, const cChara& chara, int firstKey) {
    return MoveDirCode(direction, chara, firstKey, chara.m_bNoGravity);
}

int MoveDirCode(int direction, const cChara& chara, int keySlot, int keepDiagonals) {
    const bool right = chara.m_nDir == 1;
    int code = direction;
    switch (direction) {
    case 0:
        code = right ? 3 : 2;
        break;
    case 1:
        code = right ? 2 : 3;
        break;
    case 4:
        code = right ? 7 : 6;
        break;
    case 5:
        code = right ? 6 : 7;
        break;
    case 12: {
        static const int fromSlot[INPUT_DIR_HISTORIES] = {0, 2, 3, 6, 7, 8, 9, 10, 11, 0};
        code = keySlot >= 0 && keySlot < INPUT_DIR_HISTORIES ? fromSlot[keySlot] : 0;
        if (code == 0) code = right ? 3 : 2;
        break;
    }
    default:
        break;
    }
    if (code != 2 && code != 3 && (code < 6 || code > 11)) code = right ? 3 : 2;
    if (!keepDiagonals) {
        if (code == 8 || code == 9) code = 2;
        if (code == 10 || code == 11) code = 3;
    }
    return code;
}

void RegisterMotionCommands() {
    for (int type = 2; type <= 10; ++type)
        SetFlowCommandNote(type, &NoteMotion);
    SetFlowCommandPrep(2, PrepMove);
    SetFlowCommandPrep(3, PrepMove);
    SetFlowCommandPrep(4, PrepCircle);
    SetFlowCommandPrep(5, PrepMove);
    SetFlowCommandPrep(6, PrepHoming);
    SetFlowCommandPrep(7, PrepMove);
    SetFlowCommandPrep(10, PrepJump);
    SetFlowCommandHandler(2, CmdStraightMove);
    SetFlowCommandHandler(3, CmdGroundTurnMove);
    SetFlowCommandHandler(4, CmdCircleMove);
    SetFlowCommandHandler(5, CmdChargeMove);
    SetFlowCommandHandler(6, CmdHomingMove);
    SetFlowCommandHandler(7, CmdAvoidMove);
    SetFlowCommandHandler(8, CmdStopMove);
    SetFlowCommandHandler(9, CmdTurn);
    SetFlowCommandHandler(10, CmdJump);
}
