#include "objects/aim.h"

#include "objects/game_scene.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double PI = 3.14159265358979323846;

bool ScrollBound() {
    return g_SystemData.m_nCompat214 != 0;
}

int DirOf(double vx) {
    return vx < 0 ? 1 : (vx == 0 ? 0 : 2);
}

} // namespace

bool IsSpanInRange(double x, int w, double lo, double hi, int margin, int back, int front, int facing) {
    const int half = w / 2;
    const double centre = x + half;
    if (facing && back == 0 && front == 0) return x <= hi - margin && lo + margin <= x + 2 * half;
    const double start = (facing || back) ? x : centre;
    const double end = centre + (front ? half : 0) + front;
    return start - back <= hi - margin && lo + margin <= end;
}

bool IsOutsideLimits(const cGameObject& o, const cLimits& l) {
    if (o.m_bInView) return false;
    return IsOutsideLines(o, LimitLinesOf(l));
}

cLimitLines LimitLinesOf(const cLimits& l) {
    const double vx = ViewX().m_dPos;
    const double vy = ViewY().m_dPos;
    // Each limit line is a whole pixel (cut toward 0), worked out in doubles: a distance of any
    // stored size stays exact and far away.
    const auto block = [&l](int k) { return l.nDist[k] * 32.0; };
    cLimitLines lines;
    for (int k = 0; k < 4; ++k)
        lines.bOn[k] = l.bOn[k] != 0;
    lines.dLeft = std::trunc(vx - block(0));
    lines.dRight = std::trunc(block(1) + vx + VIEW_WIDTH);
    lines.dBottom = std::trunc(block(3) + vy + VIEW_HEIGHT);
    lines.dTop = std::trunc(vy - block(2));
    lines.nExtentX = ViewX().ObjectExtent() - 1;
    lines.nExtentY = ViewY().ObjectExtent() - 1;
    return lines;
}

namespace {
void AdvancePhase(double& phase, double step) {
    const double fs = StageFrameScale();
    phase += step;
    if (phase >= fs * 360) phase -= fs * 360;
}
} // namespace

double CircleMoveStep(double radius, double rate, double& phase, double step, double offset) {
    const double k = rate * PI / 180.0;
    const double fs = StageFrameScale();
    const double v = radius * k * std::cos((phase / fs + offset) * k) / fs;
    AdvancePhase(phase, step);
    return v;
}

double CircleMoveAccel(double radius, double rate, double& phase, double step, double offset) {
    const double k = rate * PI / 180.0;
    const double fs = StageFrameScale();
    const double a = -(k / fs) * (k / fs) * radius * std::sin((phase / fs + offset) * k);
    AdvancePhase(phase, step);
    return a;
}

void GetAimPoint(const cGameObject& obj, int* x, int* y, int offsetX, int offsetY, int modeA, int modeB) {
    const bool wantX = modeB != 0 || modeA == 0;
    const bool wantY = modeB == 0;
    if (wantX && x) *x = obj.ScreenCenterX() + offsetX;
    if (wantY && y) *y = obj.ScreenCenterY() + offsetY;
}

double PerSecondToPerFrame(double v) {
    return v / StageFrameScale() / 60;
}

namespace {
bool Charge(double& speed, double& work, int* dir, const cGameObject* obj, double from, double to,
            double size, int noScroll, int stopTest, const cScrollPos& view) {
    if (from >= to) {
        speed = -size;
        if (dir) *dir = 1;
    } else {
        speed = size;
        if (dir) *dir = 2;
    }
    if (!noScroll && obj && obj->m_bScrollSync && ScrollBound()) speed += view.MovingSpeed();
    work = 0;
    return stopTest && std::fabs(from - to) <= std::fabs(size);
}
} // namespace

bool ChargeSpeed(double& speed, double& work, int& dir, const cGameObject* obj, double from, double to,
                 double size, int noScroll, int stopTest) {
    return Charge(speed, work, &dir, obj, from, to, size, noScroll, stopTest, ViewX());
}

bool ChargeSpeedY(double& speed, double& work, int& dir, const cGameObject* obj, double from, double to,
                  double size, int noScroll, int stopTest) {
    bool r = Charge(speed, work, nullptr, obj, from, to, size, noScroll, stopTest, ViewY());
    dir = 0;
    return r;
}

bool AimVelocity(double& vx, double& vy, int& dir, const cGameObject* obj, double fx, double fy, double tx,
                 double ty, double speed, int first, int second, int stopTest) {
    const double dx = tx - fx;
    const double dy = ty - fy;
    const double sx = ViewX().MovingSpeed();
    const double sy = ViewY().MovingSpeed();
    const bool away = speed < 0 && !second;
    double nvx, nvy;
    if (away) {
        const double a = std::fabs(speed) / std::sqrt(2.0);
        nvx = fx < tx ? -a : a;
        nvy = fy < ty ? -a : a;
    } else {
        double len = std::sqrt(dx * dx + dy * dy);
        if (len == 0) len = 1;
        nvx = dx / len * speed;
        nvy = dy / len * speed;
    }
    bool lead = false;
    if (ScrollBound()) {
        nvx += sx;
        nvy += sy;
    } else if (obj) {
        const bool sync = obj->m_bScrollSync != 0;
        if (away) {
            if ((first && !sync) || (!first && sync)) nvx -= sx, nvy -= sy;
        } else if (!sync) {
            nvx -= sx, nvy -= sy;
        } else if (!first && (sx != 0 || sy != 0)) {
            lead = true;
        }
    }
    if (lead) {
        // The target drifts with the view and the shot does not: aim where they meet.
        const double ax = sx, ay = sy;
        const double S = std::sqrt(nvx * nvx + nvy * nvy);
        const bool alongX = std::fabs(dx) > std::fabs(dy);
        const double u = alongX ? dx : dy; // leading axis
        const double w = alongX ? dy : dx; // other axis
        const double au = alongX ? ax : ay;
        const double aw = alongX ? ay : ax;
        const double u2 = u * u;
        if (u2 == 0) return false;
        const double k = 1 + w * w / u2;
        const double B = 2 * (w * w * au - aw * u * w) / u2;
        const double cross = aw * u - au * w;
        const double Q = cross * cross / u2 - S * S;
        const double disc = B * B - 4 * k * Q;
        if (disc >= 0) {
            const double X = (B + std::sqrt(disc)) / (2 * k);
            const double vu = u >= 0 ? X : -X;
            if (vu - au == 0) return false;
            const double t = u / (vu - au);
            if (t == 0) return false;
            const double vw = aw + w / t;
            nvx = alongX ? vu : vw;
            nvy = alongX ? vw : vu;
        }
        // With no meeting point (the view outruns the shot) the plain aim stays.
    }
    vx = nvx;
    vy = nvy;
    dir = DirOf(vx);
    return stopTest && std::fabs(dx) < std::fabs(speed) && std::fabs(dy) < std::fabs(speed);
}

bool HomeToward(double& vx, double& vy, int& dir, cGameObject& obj, int tx, int ty, double speed,
                int stopAtTarget) {
    const bool arrived =
        AimVelocity(vx, vy, dir, &obj, obj.ScreenCenterX(), obj.ScreenCenterY(), tx, ty, speed, 0, 0, 1);
    if (arrived && stopAtTarget) obj.SetScreenCenter(tx, ty);
    return arrived;
}

bool HomeTowardX(double& vx, double& work, int& dir, cGameObject& obj, int tx, double speed,
                 int stopAtTarget) {
    const bool arrived = ChargeSpeed(vx, work, dir, &obj, obj.ScreenCenterX(), tx, speed, 0, 1);
    if (arrived && stopAtTarget) obj.SetScreenCenterX(tx);
    return arrived;
}

bool HomeTowardY(double& vy, double& work, int& dir, cGameObject& obj, int ty, double speed,
                 int stopAtTarget) {
    const bool arrived = ChargeSpeedY(vy, work, dir, &obj, obj.ScreenCenterY(), ty, speed, 0, 1);
    if (arrived && stopAtTarget) obj.SetScreenCenterY(ty);
    return arrived;
}

namespace {

bool Passes(const cChara& c, const cCharaFilter& f) {
    // A character taken out of play is gone, though its list keeps it until the sweep.
    if (!c.m_bPresent || c.m_bDefeated || c.m_bRemoved) return false;
    if (f.bFaction && c.m_Def.m_nFaction != f.nFaction) return false;
    if (f.bSkipId && c.m_nId == f.nSkipId) return false;
    if (f.bSkipInvul1 && c.m_Def.m_nInvincible == 1) return false;
    if (f.bSkipInvul2 && c.m_Def.m_nInvincible == 2) return false;
    if (f.bSkipWholeBox && c.m_Def.m_nBlockChara) return false;
    return true;
}

// The nearest passing character of `list`; `get` gives the character of an entry.
template <class T, class List, class Get>
T* NearestOf(int x, int y, List& list, Get get, const cCharaFilter& f, int inView) {
    T* best = nullptr;
    long long bestDist = LLONG_MAX;
    for (auto& entry : list) {
        T* p = get(entry);
        if (!p) continue; // an entry a walk left empty
        T& c = *p;
        if (inView >= 0 && (c.m_bInView != 0) != (inView != 0)) continue;
        if (!Passes(c, f)) continue;
        const long long d = std::llabs(static_cast<long long>(c.ScreenCenterX()) - x) +
                            std::llabs(static_cast<long long>(c.ScreenCenterY()) - y);
        // The first of equals stays.
        if (d < bestDist) bestDist = d, best = &c;
    }
    return best;
}

cStageChara* Nearest(int x, int y, cStageCharaList& list, const cCharaFilter& f, int inView) {
    return NearestOf<cStageChara>(
        x, y, list, [](cStageChara& c) { return &c; }, f, inView);
}

cChara* Nearest(int x, int y, std::vector<cGameObject*>& group, const cCharaFilter& f, int inView) {
    return NearestOf<cChara>(
        x, y, group, [](cGameObject* o) { return static_cast<cChara*>(o); }, f, inView);
}

} // namespace

cStageChara* FindNearestChara(int x, int y, cStageCharaList& list, int mode, const cCharaFilter& filter) {
    if (mode == 1) return Nearest(x, y, list, filter, -1);
    cStageChara* c = Nearest(x, y, list, filter, 1);
    if (c || mode == 2) return c;
    return Nearest(x, y, list, filter, 0);
}

cChara* FindNearestInFaction(int x, int y, int faction, int mode, const cCharaFilter& filter) {
    if (!g_lpGameScene || faction < 0 || faction >= FACTION_COUNT) return nullptr;
    auto& group = g_lpGameScene->m_CharaGroups[faction];
    if (mode == 1) return Nearest(x, y, group, filter, -1);
    cChara* c = Nearest(x, y, group, filter, 1);
    if (c || mode == 2) return c;
    return Nearest(x, y, group, filter, 0);
}

cStageChara* FindNearestCharaDefault(int x, int y, cStageCharaList& list) {
    cCharaFilter f;
    f.bSkipInvul2 = 1;
    return FindNearestChara(x, y, list, g_Stage.m_nActiveOnly > 0 ? 2 : 0, f);
}
