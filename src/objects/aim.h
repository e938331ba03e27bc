// Geometry shared by movement commands, shot movements, target commands and distance conditions:
// spans, limits around the view, circular motion, aim points, charges, aiming a velocity, homing
// and the searches for a character.
#pragma once

#include "objects/game_object.h"

#include <list>

class cEdMove;

// Whether a span of width w at x, widened behind and in front, meets [lo + margin, hi - margin].
bool IsSpanInRange(double x, int w, double lo, double hi, int margin, int back, int front, int facing);

// Limits around the view: switches left, right, top, bottom and distances in blocks.
struct cLimits {
    int bOn[4] = {0, 0, 0, 0};
    int nDist[4] = {0, 0, 0, 0};
};
bool IsOutsideLimits(const cGameObject& obj, const cLimits& limits);

// The lines of limits around the view where it stands, worked out once for many objects that
// meet them before the view moves: an object out of view lies beyond them when IsOutsideLimits
// finds it so.
struct cLimitLines {
    bool bOn[4] = {false, false, false, false};
    double dLeft = 0, dRight = 0, dTop = 0, dBottom = 0;
    int nExtentX = 0, nExtentY = 0; // the view's object extents less 1
};
cLimitLines LimitLinesOf(const cLimits& limits);
inline bool IsOutsideLines(const cGameObject& o, const cLimitLines& l) {
    if (o.m_bInView) return false;
    if (l.bOn[0] && l.dLeft >= o.m_dRight) return true;
    if (l.bOn[1] && l.dRight <= o.m_dX) return true;
    if (l.bOn[3] && l.dBottom <= o.m_dY) return true;
    if (l.bOn[2] && l.dTop >= o.m_dBottom) return true;
    return o.m_dX <= 0 || o.m_dRight >= l.nExtentX || o.m_dY <= 0 || o.m_dBottom >= l.nExtentY;
}

// The speed (and the acceleration) of radius x sin(k t); phase advances by step and wraps.
double CircleMoveStep(double radius, double rate, double& phase, double step, double offset);
double CircleMoveAccel(double radius, double rate, double& phase, double step, double offset);

// The object's screen-rectangle centre plus offsets; modeA/modeB choose the axes
// (0/0 both, 1/0 y only, x/1 x only).
void GetAimPoint(const cGameObject& obj, int* x, int* y, int offsetX, int offsetY, int modeA, int modeB);

// A straight charge from `from` to `to`: the signed speed and the direction (1 back, 2 forward).
// True on arrival (with the stop test).
bool ChargeSpeed(double& speed, double& work, int& dir, const cGameObject* obj, double from, double to,
                 double size, int noScroll, int stopTest);
bool ChargeSpeedY(double& speed, double& work, int& dir, const cGameObject* obj, double from, double to,
                  double size, int noScroll, int stopTest);

double PerSecondToPerFrame(double v);

// A velocity of size `speed` from (fx, fy) toward (tx, ty), compensated for the scroll. False when
// the lead aim has no solution at a zero denominator (the velocity is then left unset).
bool AimVelocity(double& vx, double& vy, int& dir, const cGameObject* obj, double fx, double fy, double tx,
                 double ty, double speed, int first, int second, int stopTest);

// Homing toward a point; on arrival, with stopAtTarget, the object is placed on it.
bool HomeToward(double& vx, double& vy, int& dir, cGameObject& obj, int tx, int ty, double speed,
                int stopAtTarget);
bool HomeTowardX(double& vx, double& work, int& dir, cGameObject& obj, int tx, double speed,
                 int stopAtTarget);
bool HomeTowardY(double& vy, double& work, int& dir, cGameObject& obj, int ty, double speed,
                 int stopAtTarget);

struct cCharaFilter {
    int bFaction = 0;
    int nFaction = 0;
    int bSkipId = 0;
    int nSkipId = 0;
    int bSkipInvul1 = 0;
    int bSkipInvul2 = 0;
    int bSkipWholeBox = 0;
};
// Search modes: 0 in view first, then out of view; 1 all; 2 in view only.
cStageChara* FindNearestChara(int x, int y, cStageCharaList& list, int mode, const cCharaFilter& filter);
cStageChara* FindNearestCharaDefault(int x, int y, cStageCharaList& list);
// The nearest character of the play scene's list for a faction, heroes included.
cChara* FindNearestInFaction(int x, int y, int faction, int mode, const cCharaFilter& filter);
