#include "flow/cmd_stage.h"

#include "app/input.h"
#include "app/log.h"
#include "flow/cmd_motion.h"
#include "flow/flow_engine.h"
#include "objects/aim.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "objects/shot.h"
#include "project/save_data.h"
#include "project/system_data.h"
#include "records/ed_move.h"

#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;

int Param(const cEdFlowCmd& rec, int n) {
    return n >= 0 && n < rec.m_Params.Count() ? rec.m_Params[static_cast<std::size_t>(n)] : 0;
}

enum NextStage { NEXT_PART = 0, NEXT_NUMBER = 1, NEXT_PATH = 2, NEXT_WORLD_CLEAR = 3 };
enum TargetKind { TARGET_HERO = 0, TARGET_SELF = 1, TARGET_NEAREST = 2, TARGET_BY_ID = 3 };
constexpr int FACING_AS_NOW = 2;

// A displacement of length d along a direction code turned by `angle` degrees.
void CodeDisplacement(int code, int angle, double d, double& dx, double& dy) {
    // Warps repeat the same few angles: the cosine and sine of the last angle are kept.
    struct Turn {
        int degrees = 0;
        double cos = 1, sin = 0;
    };
    static Turn last;
    const int degrees = DirIndexAngle(code) + angle;
    if (degrees != last.degrees) {
        const double a = degrees * PI / 180.0;
        last = Turn{degrees, std::cos(a), std::sin(a)};
    }
    dx = -last.cos * d;
    dy = -last.sin * d;
    // Straight axes stay exact.
    if (std::fabs(dx) < 1e-9) dx = 0;
    if (std::fabs(dy) < 1e-9) dy = 0;
}

// Puts the hit box at (x, y) and brings every rectangle along.
void PlaceAt(cChara& c, double x, double y) {
    c.m_dX = x;
    c.m_dY = y;
    c.m_dRight = x + c.m_nWidth - 1;
    c.m_dBottom = y + c.m_nHeight - 1;
    c.UpdatePartsRectX();
    c.UpdatePartsRectY();
    c.m_nCellLeft = static_cast<int>(c.m_dX) >> 5;
    c.m_nCellRight = static_cast<int>(c.m_dRight) >> 5;
    c.m_nCellTop = static_cast<int>(c.m_dY) >> 5;
    c.m_nCellBottom = static_cast<int>(c.m_dBottom) >> 5;
    c.UpdateScreenRect();
}

// The displacement of a warp; false when it has nowhere to go (no target to start from).
bool WarpDisplacement(cChara& c, const cEdMove& mv, double& dx, double& dy) {
    const int clone = c.m_FlowState.nCloneValue;
    const bool reversed = c.m_Def.m_nFacing == 1;
    double dist = mv.m_nDistance + mv.m_nDistanceStep * clone;
    if (mv.m_nLengthUnit != 1) dist *= 16;
    int angle = mv.m_nAngle + mv.m_nAngleStep * clone;
    if (mv.m_bMirrorAngle && reversed) angle = 360 - angle;
    // The input direction is the key pressed now; older projects fold diagonals for a character
    // with gravity, as moves do.
    // Only the input direction (12) reads the key.
    const cInputRecord* input = mv.m_nDirection == 12 ? InputRecordOf(c) : nullptr;
    const int keepDiagonals = g_SystemData.m_nCompat721 ? c.m_bNoGravity : 1;
    const int code = MoveDirCode(mv.m_nDirection, c, input ? FirstPressedKey(*input) : 0, keepDiagonals);
    switch (mv.m_nTargetMode) {
    case 0:
        CodeDisplacement(code, angle, dist, dx, dy);
        return true;
    case 1: {
        // From the target: the character's centre lands at the target's centre plus the distance.
        const cChara* t = c.m_pTarget;
        if (!t) return false;
        CodeDisplacement(code, angle, dist, dx, dy);
        dx += CentreX(*t) - CentreX(c);
        dy += CentreY(*t) - CentreY(c);
        return true;
    }
    default: {
        TargetPointOffset(c, mv, reversed, dx, dy);
        return true;
    }
    }
}

} // namespace

cClearNext g_ClearNext;

int CmdStageClear(cChara&, cEdFlowCmd& record) {
    cClearNext& next = g_ClearNext;
    const int current = g_SaveData.m_nStagePart;
    next.bUseName = 0;
    next.strName.clear();
    switch (Param(record, 0)) {
    case NEXT_PART:
        next.nIndex = current + 1;
        break;
    case NEXT_NUMBER:
        next.nIndex = Param(record, 1);
        break;
    case NEXT_PATH:
        next.nIndex = current;
        next.bUseName = 1;
        next.strName = record.m_strText;
        if (next.strName.empty())
            ErrorBox("ステージファイル %s が不正です。\nステージファイルとして認識できません。", "");
        break;
    default: // the world is cleared: nothing follows
        next.nIndex = 0;
        break;
    }
    // The world map's position after the clear; the world map keeps it inside the map.
    if (Param(record, 2) != 0) {
        g_SaveData.m_nMapX = Param(record, 3);
        g_SaveData.m_nMapY = Param(record, 4);
    }
    if (Param(record, 5) != 0) {
        int facing = Param(record, 8);
        if (facing == FACING_AS_NOW) facing = g_Heroes.empty() ? 0 : g_Heroes[0].m_nDir;
        g_SaveData.m_bNextStart = 1;
        g_SaveData.m_nNextStartX = Param(record, 6);
        g_SaveData.m_nNextStartY = Param(record, 7);
        g_SaveData.m_nNextStartFacing = facing;
    } else {
        g_SaveData.m_bNextStart = 0;
    }
    if (g_lpGameScene) g_lpGameScene->m_nStageEndRequest = 1;
    return 1;
}

int CmdWarp(cChara& c, cEdFlowCmd& record) {
    const cEdMove* mv = record.m_Move.get();
    if (!mv) return 0;
    double dx = 0, dy = 0;
    if (!WarpDisplacement(c, *mv, dx, dy)) return 0;
    const double x = c.m_dX, y = c.m_dY;
    PlaceAt(c, x + dx, y + dy);
    if (c.IsInsideStage(1) && !c.TouchesSolidBlock()) {
        if (!c.m_bNoGravity) c.m_dVY = 0;
    } else {
        PlaceAt(c, x, y);
    }
    return 0;
}

// The character whose authored character ID is `id`: the faction lists are searched from faction
// 0 to 7 and the first match is taken. Characters already taken out of play are passed over.
cChara* FindCharaByAuthoredId(int id) {
    if (!g_lpGameScene) return nullptr;
    for (const std::vector<cGameObject*>& group : g_lpGameScene->m_CharaGroups)
        for (cGameObject* obj : group) {
            if (!obj || !obj->IsChara()) continue;
            cChara* c = static_cast<cChara*>(obj);
            if (c->m_Def.m_nCharaId == id && !c->m_bRemoved) return c;
        }
    return nullptr;
}

int CmdSetTarget(cChara& c, cEdFlowCmd& record) {
    cChara* target = nullptr;
    switch (Param(record, 0)) {
    case TARGET_HERO:
        if (!g_Heroes.empty()) target = &g_Heroes[0];
        break;
    case TARGET_SELF:
        target = &c;
        break;
    case TARGET_NEAREST: {
        cCharaFilter filter;
        filter.bFaction = Param(record, 4);
        filter.nFaction = Param(record, 1);
        filter.bSkipId = 1;
        filter.nSkipId = c.m_nId;
        filter.bSkipInvul1 = Param(record, 5);
        filter.bSkipInvul2 = Param(record, 6);
        filter.bSkipWholeBox = Param(record, 7);
        // Distances are measured between screen centres, as the search measures them.
        target = FindNearestChara(c.ScreenCenterX(), c.ScreenCenterY(), g_Charas, Param(record, 3), filter);
        break;
    }
    case TARGET_BY_ID:
        target = FindCharaByAuthoredId(Param(record, 9));
        break;
    default:
        return 0;
    }
    // A character already taken out of play is no target: it is erased at the end of the step.
    if (target && target->m_bRemoved) target = nullptr;
    cObjectLinks::SetTarget(c, target);
    return 0;
}

void RegisterStageCommands() {
    SetSharedCommandHandler(FCT_STAGE_CLEAR, &CmdStageClear);
    SetSharedCommandHandler(FCT_WARP, &CmdWarp);
    SetSharedCommandHandler(FCT_SET_TARGET, &CmdSetTarget);
}
