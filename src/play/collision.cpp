#include "play/collision.h"

#include "objects/blocks.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "play/hits.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

constexpr int TRIGGER_BLOCK = 9;
constexpr int TRIGGER_SIDEWAYS = 10;
constexpr int TRIGGER_LEFT = 11;
constexpr int TRIGGER_RIGHT = 12;

// What the common rule of an edge test makes of a solidity: 0 nothing, 1 the edge's reaction,
// 2 killed.
enum Verdict { NOTHING = 0, REACT = 1, KILLED = 2 };

Verdict Judge(const cChara& c, int solid) {
    if (solid <= 0) return NOTHING;
    const bool diesOnBlocks = c.m_bNoGravity && c.m_nBlockMode == 2;
    if (solid == 1) return diesOnBlocks ? KILLED : REACT;
    if (IsPlayerSide(c) || diesOnBlocks) return KILLED;
    return REACT;
}

int Top(const cGameObject& o) {
    return static_cast<int>(o.m_dY);
}
int Bottom(const cGameObject& o) {
    return static_cast<int>(o.m_dBottom);
}
int Left(const cGameObject& o) {
    return static_cast<int>(o.m_dX);
}
int Right(const cGameObject& o) {
    return static_cast<int>(o.m_dRight);
}

cBlockProbe GridCellZero(int kind) {
    if (g_Blocks.empty()) return {};
    const cBlock& b = g_Blocks[0];
    return {&b, IsBlockSolid(b, kind)};
}

// Picks among probe points: a more solid point wins; on equal solidity, with a middle given, the
// point strictly nearer the middle.
struct BestPoint {
    cBlockProbe best;
    int bestPos = 0;
    bool any = false;
    void Offer(const cBlockProbe& p, int pos, const int* middle) {
        if (!any || p.solid > best.solid ||
            (middle && p.solid == best.solid && std::abs(pos - *middle) < std::abs(bestPos - *middle))) {
            best = p;
            bestPos = pos;
            any = true;
        }
    }
};

// The cell of stage pixel (x, y) in the grid the horizontal view `vx` describes.
inline cBlockProbe ProbeIn(const cScrollPos& vx, int x, int y, int kind) {
    // Shifts of negative coordinates give negative cells, which lie outside the grid.
    const cBlock* b = BlockAtIn(vx, x >> 5, y >> 5);
    if (!b) return {};
    return {b, IsBlockSolid(*b, kind)};
}

// The last cell probed along a line. The next point in the same cell has the same probe, unless
// the block has conditions, whose test runs again for every point.
struct LastCell {
    int cell;
    cBlockProbe probe;
    bool Reusable(int c) const { return c == cell && (!probe.block || probe.block->m_Conditions.empty()); }
};

// PickBlockOnLine, kept inline in the edge tests that run for every object every sub-step.
[[gnu::always_inline]] inline cBlockProbe PickOnLine(const cChara& c, int x1, int y1, int x2, int y2) {
    const int n = ObjectScale(c) + 1;
    const int kind = c.m_nPassKind;
    const cScrollPos& vx = ViewX();
    // n is at least 2: the first point is taken, a later one wins only as the rule says.
    if (x1 == x2) {
        const int step = c.m_nHeight0 - 1;
        cBlockProbe best = ProbeIn(vx, x1, y1, kind);
        LastCell last{y1 >> 5, best};
        for (int k = 1; k < n; ++k) {
            const int y = y1 + k * step;
            if (!last.Reusable(y >> 5)) last = {y >> 5, ProbeIn(vx, x1, y, kind)};
            const cBlockProbe& p = last.probe;
            if (p.solid > best.solid) best = p;
        }
        return best;
    }
    if (y1 == y2) {
        const int middle = (x1 + x2) >> 1;
        const int step = c.m_nWidth0 - 1;
        cBlockProbe best = ProbeIn(vx, x1, y1, kind);
        LastCell last{x1 >> 5, best};
        int bestPos = x1;
        for (int k = 1; k < n; ++k) {
            const int x = x1 + k * step;
            if (!last.Reusable(x >> 5)) last = {x >> 5, ProbeIn(vx, x, y1, kind)};
            const cBlockProbe& p = last.probe;
            if (p.solid > best.solid ||
                (p.solid == best.solid && std::abs(x - middle) < std::abs(bestPos - middle))) {
                best = p;
                bestPos = x;
            }
        }
        return best;
    }
    return GridCellZero(c.m_nPassKind);
}

// Whether every cell that a point of the four edge tests of `c` may fall in holds a block without
// conditions that stops nothing, or lies outside the grid: then none of those tests finds a block
// to react to, and none tests conditions. The cells are those between the lowest and the highest
// coordinates the points of the lines may take; a box spanning many cells is not looked at.
bool EdgesClear(const cChara& c) {
    const long long span = ObjectScale(c); // the last point of a line is this many steps on
    const long long left = Left(c), right = Right(c), top = Top(c), bottom = Bottom(c);
    const long long alongX = left + span * (c.m_nWidth0 - 1);
    const long long alongY = top + span * (c.m_nHeight0 - 1);
    long long x0 = std::min({left, right, alongX}), x1 = std::max({left, right, alongX});
    long long y0 = std::min({top, bottom, alongY}), y1 = std::max({top, bottom, alongY});
    if (left == right) {
        // A floor line one pixel wide is probed down from the bottom edge.
        const long long below = bottom + span * (c.m_nHeight0 - 1);
        y0 = std::min(y0, below);
        y1 = std::max(y1, below);
    }
    constexpr long long LOW = std::numeric_limits<int>::min(), HIGH = std::numeric_limits<int>::max();
    if (x0 < LOW || x1 > HIGH || y0 < LOW || y1 > HIGH) return false;
    const int c0 = static_cast<int>(x0) >> 5, c1 = static_cast<int>(x1) >> 5;
    const int r0 = static_cast<int>(y0) >> 5, r1 = static_cast<int>(y1) >> 5;
    if ((c1 - c0 + 1LL) * (r1 - r0 + 1LL) > 16) return false;
    const cBlockGrid grid(ViewX());
    auto stops = [](const cBlock& b) { return b.m_nSolid != 0 || !b.m_Conditions.empty(); };
    if (c0 >= 0 && r0 >= 0 && c1 < grid.stride &&
        (static_cast<long long>(r1) << grid.strideExp) + c1 < grid.count) {
        // All the cells lie inside the grid: looked at without a bounds test of each.
        for (int row = r0; row <= r1; ++row) {
            const cBlock* line = grid.cells + (static_cast<long long>(row) << grid.strideExp);
            for (int column = c0; column <= c1; ++column)
                if (stops(line[column])) return false;
        }
        return true;
    }
    for (int row = r0; row <= r1; ++row)
        for (int column = c0; column <= c1; ++column)
            if (const cBlock* b = grid.At(column, row); b && stops(*b)) return false;
    return true;
}

// The floor rule's count of the frames without floor and its fall rule.
void CountAirFrame(cChara& c) {
    c.m_lpStandBlock = nullptr;
    ++c.m_nAirFrames;
    if (c.m_nAirFrames >= g_Stage.m_nFrameMul8) {
        // A player side riding a block character is carried, not falling.
        if (!IsPlayerSide(c) || !c.m_bRiding) c.m_bFalling = 1;
    }
}

// The floor rule on the bottom edge: `countAir` adds the frames without floor and the fall rule.
int FloorRule(cChara& c, int countAir) {
    if (PassesBlocks(c)) return WALK_GO_ON;
    const cBlockProbe p = PickOnLine(c, Left(c), Bottom(c), Right(c), Bottom(c));
    if (p.solid <= 0) {
        if (countAir) CountAirFrame(c);
        return WALK_GO_ON;
    }
    c.m_lpStandBlock = p.block;
    if (Judge(c, p.solid) == KILLED) return WALK_KILLED;
    if (!g_SystemData.m_nCompat677 && !c.m_bNoGravity && c.m_dVY < 0) return WALK_GO_ON;
    if (IsPlayerSide(c)) c.m_lpStandBlock = PickFloorBlockWide(c).block;
    c.m_nTouchBottom = 1;
    c.Land();
    return WALK_GO_ON;
}

} // namespace

bool IsPlayerSide(const cGameObject& obj) {
    return obj.m_nPlayerFlag != 0;
}

bool PassesBlocks(const cGameObject& obj) {
    return obj.m_bNoGravity && obj.m_nBlockMode == 0;
}

int ObjectScale(const cGameObject& obj) {
    int scale = 1;
    if (obj.IsChara())
        scale = static_cast<const cChara&>(obj).Scale();
    else if (obj.m_nObjKind == OBJKIND_ITEM)
        scale = static_cast<const cItem&>(obj).m_nScale;
    else if (obj.m_nObjKind == OBJKIND_SHOT)
        scale = static_cast<const cShot&>(obj).m_nScale;
    // A damaged giant factor below 1 counts as 1: the probes need at least two points.
    return scale < 1 ? 1 : scale;
}

cBlockProbe ProbeBlockAt(int x, int y, int kind) {
    return ProbeIn(ViewX(), x, y, kind);
}

cBlockProbe PickBlockOnLine(const cChara& c, int x1, int y1, int x2, int y2) {
    return PickOnLine(c, x1, y1, x2, y2);
}

cBlockProbe PickFloorBlockWide(const cChara& c) {
    const int scale = ObjectScale(c);
    const int n = (scale % 2 == 0) ? scale + 1 : scale + 2;
    const int step = c.m_nWidth / (n - 1);
    const int y = Bottom(c);
    const int middle = (Left(c) + Right(c)) >> 1;
    BestPoint pick;
    int x = Left(c);
    for (int k = 0; k < n; ++k) {
        pick.Offer(ProbeBlockAt(x, y, c.m_nPassKind), x, &middle);
        x = (k == n - 2) ? Right(c) : x + step;
    }
    return pick.best;
}

cBlockProbe PickBlockAtCorners(int left, int top, int right, int bottom, int kind) {
    const int corners[4][2] = {{left, top}, {right, top}, {left, bottom}, {right, bottom}};
    BestPoint pick;
    for (const auto& cell : corners) {
        const cBlock* b = BlockAt(cell[0], cell[1]);
        pick.Offer(b ? cBlockProbe{b, IsBlockSolid(*b, kind)} : cBlockProbe{}, 0, nullptr);
    }
    return pick.best;
}

int HitWallLeft(cChara& c) {
    if (PassesBlocks(c)) return WALK_GO_ON;
    const Verdict v = Judge(c, PickOnLine(c, Left(c), Top(c), Left(c), Bottom(c)).solid);
    if (v != REACT) return v == KILLED ? WALK_KILLED : WALK_GO_ON;
    c.m_nTouchLeft = 1;
    c.m_dAX = 0;
    c.m_dX += 32 - (Left(c) & 31);
    c.AfterMoveX();
    c.m_nWallSide = 0;
    c.RaiseTrigger(TRIGGER_BLOCK);
    c.RaiseTrigger(TRIGGER_SIDEWAYS);
    c.RaiseTrigger(TRIGGER_LEFT);
    return WALK_GO_ON;
}

int HitWallRight(cChara& c) {
    if (PassesBlocks(c)) return WALK_GO_ON;
    const Verdict v = Judge(c, PickOnLine(c, Right(c), Top(c), Right(c), Bottom(c)).solid);
    if (v != REACT) return v == KILLED ? WALK_KILLED : WALK_GO_ON;
    c.m_nTouchRight = 1;
    c.m_dAX = 0;
    c.m_dX -= (Right(c) & 31) + 1;
    c.AfterMoveX();
    c.m_nWallSide = 1;
    c.RaiseTrigger(TRIGGER_BLOCK);
    c.RaiseTrigger(TRIGGER_SIDEWAYS);
    c.RaiseTrigger(TRIGGER_RIGHT);
    return WALK_GO_ON;
}

int HitFloor(cChara& c, int countAir) {
    return FloorRule(c, countAir);
}

int HitCeiling(cChara& c) {
    if (PassesBlocks(c)) return WALK_GO_ON;
    const Verdict v = Judge(c, PickOnLine(c, Left(c), Top(c), Right(c), Top(c)).solid);
    if (v != REACT) return v == KILLED ? WALK_KILLED : WALK_GO_ON;
    c.m_nTouchTop = 1;
    c.HitCeiling();
    return WALK_GO_ON;
}

namespace {
// Two edge tests in order; a kill by the first ends the walk.
template <class First, class Second> int Both(cChara& c, First first, Second second) {
    if (first(c) == WALK_KILLED) return WALK_KILLED;
    return second(c);
}
int Floor(cChara& c) {
    return HitFloor(c, 1);
}
} // namespace

int WalkBlocksX(cChara& c) {
    if (PassesBlocks(c) || EdgesClear(c)) return WALK_GO_ON;
    if ((c.m_bNoGravity && c.m_nBlockMode == 1) || c.m_dVX > 0) return Both(c, HitWallRight, HitWallLeft);
    return Both(c, HitWallLeft, HitWallRight);
}

int WalkBlocksY(cChara& c) {
    c.m_lpStandBlock = nullptr;
    if (PassesBlocks(c)) return WALK_GO_ON;
    if (EdgesClear(c)) {
        // Neither edge finds a block: only the floor's count of the frames without floor.
        CountAirFrame(c);
        return WALK_GO_ON;
    }
    if ((c.m_bNoGravity && c.m_nBlockMode == 1) || c.m_dVY > 0) return Both(c, Floor, HitCeiling);
    return Both(c, HitCeiling, Floor);
}

int CheckWallsX(cChara& c) {
    if (PassesBlocks(c) || EdgesClear(c)) return WALK_GO_ON;
    return Both(c, HitWallRight, HitWallLeft);
}

int CheckFloorAndCeiling(cChara& c) {
    if (PassesBlocks(c) || EdgesClear(c)) return WALK_GO_ON;
    if (FloorRule(c, 0) == WALK_KILLED) return WALK_KILLED;
    return HitCeiling(c);
}

void KeepInViewX(cHero& hero) {
    const cScrollPos& view = ViewX();
    if (!view.m_bAutoScroll && !hero.m_bNoGravity) return;
    hero.UpdateScreenRect();
    if (hero.m_rcScreen.left + hero.m_nHitX < 0) {
        hero.m_nTouchLeft = 1;
        hero.m_dX = view.m_dPos;
        hero.AfterMoveX();
    } else if (hero.m_rcScreen.right - hero.m_nHitX + 1 >= VIEW_WIDTH) {
        hero.m_nTouchRight = 1;
        hero.m_dX = view.m_dPos + VIEW_WIDTH - hero.m_nWidth - 1;
        hero.AfterMoveX();
    }
}

int KeepInViewY(cHero& hero) {
    const cScrollPos& view = ViewY();
    if (!view.m_bAutoScroll && !hero.m_bNoGravity) return WALK_GO_ON;
    hero.UpdateScreenRect();
    if (hero.m_rcScreen.top + hero.m_nHitY < 0) {
        hero.m_nTouchTop = 1;
        hero.m_dY = view.m_dPos;
        hero.AfterMoveY();
    } else if (hero.m_rcScreen.bottom - hero.m_nHitY + 1 >= VIEW_HEIGHT) {
        hero.m_nTouchBottom = 1;
        hero.m_dY = view.m_dPos + VIEW_HEIGHT - hero.m_nHeight - 1;
        hero.AfterMoveY();
        if (!hero.m_bNoGravity) return WALK_KILLED;
    }
    return WALK_GO_ON;
}

bool IsBlockedAt(const cGameObject& obj) {
    if (PassesBlocks(obj)) return false;
    const cBlockProbe p = PickBlockAtCorners(obj.m_nCellLeft, obj.m_nCellTop, obj.m_nCellRight,
                                             obj.m_nCellBottom, obj.m_nPassKind);
    if (p.solid != 0) return true;
    return OverlapsChara(obj, g_Charas);
}
