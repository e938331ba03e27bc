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

// What a warp reads of its movement settings: from the record, or as its instance keeps them.
struct WarpSettings {
    std::int16_t distance = 0, distanceStep = 0, angle = 0, angleStep = 0;
    std::uint8_t lengthUnit = 0, mirrorAngle = 0, direction = 0, targetMode = 0;

    explicit WarpSettings(const cEdMove& mv)
        : distance(mv.m_nDistance), distanceStep(mv.m_nDistanceStep), angle(mv.m_nAngle),
          angleStep(mv.m_nAngleStep), lengthUnit(mv.m_nLengthUnit), mirrorAngle(mv.m_bMirrorAngle),
          direction(mv.m_nDirection), targetMode(mv.m_nTargetMode) {}
    // The three work fields of an instance (NoteWarp).
    explicit WarpSettings(const int (&w)[6])
        : distance(static_cast<std::int16_t>(w[0] & 0xFFFF)),
          distanceStep(static_cast<std::int16_t>(w[0] >> 16)),
          angle(static_cast<std::int16_t>(w[1] & 0xFFFF)), angleStep(static_cast<std::int16_t>(w[1] >> 16)),
          lengthUnit(static_cast<std::uint8_t>(w[2])), mirrorAngle(static_cast<std::uint8_t>(w[2] >> 8)),
          direction(static_cast<std::uint8_t>(w[2] >> 16)),
          targetMode(static_cast<std::uint8_t>(w[2] >> 24)) {}
    void Keep(int (&w)[6]) const {
        auto pair = [](std::int16_t lo, std::int16_t hi) {
            return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(lo)) |
                                    static_cast<std::uint32_t>(static_cast<std::uint16_t>(hi)) << 16);
        };
        w[0] = pair(distance, distanceStep);
        w[1] = pair(angle, angleStep);
        w[2] = static_cast<int>(lengthUnit | static_cast<std::uint32_t>(mirrorAngle) << 8 |
                                static_cast<std::uint32_t>(direction) << 16 |
                                static_cast<std::uint32_t>(targetMode) << 24);
    }
};

// The displacement of a warp; false when it has nowhere to go (no target to start from). `rec`
// holds the movement settings.
bool WarpDisplacement(cChara& c, const WarpSettings& mv, const cEdFlowCmd& rec, double& dx, double& dy) {
    const int clone = c.m_FlowState.nCloneValue;
    // The facing of the definition is read only where it decides.
    auto reversed = [&c] { return c.m_Def.m_nFacing == 1; };
    double dist = mv.distance + mv.distanceStep * clone;
    if (mv.lengthUnit != 1) dist *= 16;
    int angle = mv.angle + mv.angleStep * clone;
    if (mv.mirrorAngle && reversed()) angle = 360 - angle;
    // The input direction is the key pressed now; older projects fold diagonals for a character
    // with gravity, as moves do.
    // Only the input direction (12) reads the key.
    const cInputRecord* input = mv.direction == 12 ? InputRecordOf(c) : nullptr;
    const int keepDiagonals = g_SystemData.m_nCompat721 ? c.m_bNoGravity : 1;
    const int code = MoveDirCode(mv.direction, c, input ? FirstPressedKey(*input) : 0, keepDiagonals);
    // No distance goes nowhere along any direction.
    auto along = [&] {
        if (dist == 0)
            dx = dy = 0;
        else
            CodeDisplacement(code, angle, dist, dx, dy);
    };
    switch (mv.targetMode) {
    case 0:
        along();
        return true;
    case 1: {
        // From the target: the character's centre lands at the target's centre plus the distance.
        const cChara* t = c.m_pTarget;
        if (!t) return false;
        along();
        dx += CentreX(*t) - CentreX(c);
        dy += CentreY(*t) - CentreY(c);
        return true;
    }
    default: {
        TargetPointOffset(c, *rec.m_Move, reversed(), dx, dy);
        return true;
    }
    }
}

// The movement settings of a warp, when it has them.
bool NoteWarp(cFlowCommand& inst, const cEdFlowCmd& rec) {
    if (!rec.m_Move) return false;
    WarpSettings(*rec.m_Move).Keep(inst.m_nWork);
    return true;
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
    // A noted instance has settings; one without reads the record, which may have none.
    double dx = 0, dy = 0;
    if (const cFlowCommand* noted = NotedInstanceOf(record, FCT_WARP)) {
        if (!WarpDisplacement(c, WarpSettings(noted->m_nWork), record, dx, dy)) return 0;
    } else {
        const cEdMove* mv = record.m_Move.get();
        if (!mv || !WarpDisplacement(c, WarpSettings(*mv), record, dx, dy)) return 0;
    }
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
    SetFlowCommandNote(FCT_WARP, &NoteWarp);
    SetSharedCommandHandler(FCT_SET_TARGET, &CmdSetTarget);
}
