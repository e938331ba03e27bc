#include "flow/status_ops.h"

#include "app/checked_containers.h"
#include "draw/dd_palette_fx.h"
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "records/ed_flow.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr std::int32_t VALUE_LIMIT = 999999;

std::int32_t ToInt(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

std::int32_t Param(const cEdFlowCmd& rec, int n) {
    return n >= 0 && n < rec.m_Params.Count() ? rec.m_Params[static_cast<std::size_t>(n)] : 0;
}

// The subject of a status: 0 the acting character, 1 its target; null when there is none.
cChara* SubjectChara(cChara& chara, int subject) {
    if (subject == 0) return &chara;
    if (subject == 1) return chara.m_pTarget;
    return nullptr;
}

template <class T> StatusField FieldOf(T& member) {
    return StatusField{&member, static_cast<int>(sizeof(T))};
}

void FlagHpCheck() {
    if (g_lpGameScene) g_lpGameScene->m_bHpCheck = 1;
}

// Percent mode of a status: the reference its percentages are taken of.
std::int32_t PercentReference(cChara& who, int index, int varIndex) {
    if (index == 1) return static_cast<std::int32_t>(std::min<std::uint32_t>(who.m_Def.m_nMaxHP, INT_MAX));
    if (index == 2) return static_cast<std::int32_t>(std::min<std::uint32_t>(who.m_Def.m_nMaxSP, INT_MAX));
    return ReadCharaStatus(who, index, varIndex);
}

} // namespace

// ---- Fields and arithmetic ----

std::int32_t StatusField::Read() const {
    switch (width) {
    case 1: {
        std::int8_t v;
        std::memcpy(&v, p, 1);
        return v;
    }
    case 2: {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    default: {
        std::int32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

void StatusField::Write(std::int32_t v) const {
    const auto u = static_cast<std::uint32_t>(v);
    switch (width) {
    case 1: {
        const auto b = static_cast<std::uint8_t>(u);
        std::memcpy(p, &b, 1);
        break;
    }
    case 2: {
        const auto w = static_cast<std::uint16_t>(u);
        std::memcpy(p, &w, 2);
        break;
    }
    default:
        std::memcpy(p, &u, 4);
        break;
    }
}

std::int32_t ClampValue(std::int32_t* value, std::int32_t lower, std::int32_t upper) {
    if (*value < lower) *value = lower;
    if (*value > upper) *value = upper;
    return *value;
}

std::int32_t PercentOf(std::int64_t a, std::int64_t b) {
    // |a|, |b| < 2^31, so the product fits 64 bits.
    const std::int64_t p = a * b;
    return ToInt(p >= 0 ? (p + 50) / 100 : (p - 50) / 100);
}

void ApplyStatusOperation(std::int32_t* target, std::int32_t x, int op, std::int32_t lower,
                          std::int32_t upper) {
    const std::int64_t t = *target;
    std::int64_t r = t;
    switch (op) {
    case 0:
        r = x;
        break;
    case 1:
        r = t + x;
        break;
    case 2:
        r = t - x;
        break;
    case 3:
        r = t * x;
        break;
    case 4:
        if (x != 0) r = t / x;
        break;
    case 5:
        if (x != 0) r = t % x;
        break;
    case 6:
        r = PercentOf(t, x);
        break;
    default:
        break;
    }
    std::int32_t v = ToInt(r);
    *target = ClampValue(&v, lower, upper);
}

// ---- Variables ----

std::int32_t& VariableAt(std::vector<std::int32_t>& vars, int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < vars.size())
        return vars[static_cast<std::size_t>(index)];
    ReportBadIndex('V', index, static_cast<int>(vars.size()), sizeof(std::int32_t));
    if (vars.empty()) return CheckedDefaultElement<std::int32_t>();
    return vars.front();
}

std::int32_t ReadVariable(std::vector<std::int32_t>& vars, int index) {
    return VariableAt(vars, index);
}

std::int32_t& ScopedVariable(int scope, int index) {
    static std::vector<std::int32_t> noStage;
    if (scope == 0) return VariableAt(g_SaveData.m_vnCommonVars, index);
    return VariableAt(g_lpGameScene ? g_lpGameScene->m_StageVars : noStage, index);
}

// ---- Status tables ----

bool CharaStatus(cChara& c, int index, int varIndex, StatusRef& out) {
    cEdCharaDef& d = c.m_Def;
    switch (index) {
    case 0:
        out = {FieldOf(VariableAt(c.m_Vars, varIndex)), -VALUE_LIMIT, VALUE_LIMIT};
        return true;
    case 1:
        out = {FieldOf(c.m_nHP), 0, VALUE_LIMIT};
        return true;
    case 2:
        out = {FieldOf(c.m_nSP), 0, VALUE_LIMIT};
        return true;
    case 3:
        out = {FieldOf(d.m_nMaxHP), 0, VALUE_LIMIT};
        return true;
    case 4:
        out = {FieldOf(d.m_nMaxSP), 0, VALUE_LIMIT};
        return true;
    case 5:
        out = {FieldOf(d.m_nCharaId), 0, 99};
        return true;
    case 6:
        out = {FieldOf(d.m_nZ), 0, 7};
        return true;
    case 7:
        out = {FieldOf(d.m_nMarkNo), 0, 119};
        return true;
    case 8:
        out = {FieldOf(d.m_nSightRange), 0, 40};
        return true;
    case 9:
        out = {FieldOf(d.m_nBodyPower), -VALUE_LIMIT, VALUE_LIMIT};
        return true;
    case 10:
        out = {FieldOf(d.m_nBodyImpact), -20, 20};
        return true;
    case 11:
        out = {FieldOf(d.m_nDefense), 0, VALUE_LIMIT};
        return true;
    case 12:
        out = {FieldOf(d.m_nImpactResist), 0, 20};
        return true;
    case 13:
        out = {FieldOf(d.m_nStoppability), 0, 200};
        return true;
    case 14:
        out = {FieldOf(d.m_nScore), -VALUE_LIMIT, VALUE_LIMIT};
        return true;
    default:
        return false;
    }
}

std::int32_t ReadCharaStatus(cChara& chara, int index, int varIndex) {
    StatusRef s;
    if (!CharaStatus(chara, index, varIndex, s)) return 0;
    const std::int32_t v = s.field.Read();
    if (index == 13) chara.m_dDecel = v * 0.01 / (g_dFrameScale > 0 ? g_dFrameScale : 1.0);
    return v;
}

std::int32_t ReadSystemStatus(int index) {
    switch (index) {
    case 0:
        return g_lpGameScene && !g_lpGameScene->m_bTimeStopped ? g_lpGameScene->m_nTimeLimit : 0;
    case 1:
        return g_Stage.m_nAutoScrollSpeedH;
    case 2:
        return g_Stage.m_nAutoScrollSpeedV;
    case 3:
        return g_nScore;
    case 4:
        return g_SaveData.m_nLives == UNLIMITED_LIVES ? 0 : g_SaveData.m_nLives;
    default:
        return 0;
    }
}

void WriteSystemStatus(int index, std::int32_t value) {
    switch (index) {
    case 0:
        if (g_lpGameScene) g_lpGameScene->m_nTimeLimit = ClampValue(&value, 0, 999);
        break;
    case 1:
        g_Stage.m_nAutoScrollSpeedH = ClampValue(&value, -480, 480);
        ViewX().SetAutoSpeed(g_Stage.m_nScrollModeH, value);
        break;
    case 2:
        g_Stage.m_nAutoScrollSpeedV = ClampValue(&value, -480, 480);
        ViewY().SetAutoSpeed(g_Stage.m_nScrollModeV, value);
        break;
    case 3:
        g_nScore = ClampValue(&value, 0, VALUE_LIMIT);
        break;
    case 4:
        if (g_SaveData.m_nLives != UNLIMITED_LIVES) g_SaveData.m_nLives = ClampValue(&value, 0, 99);
        break;
    default:
        break;
    }
}

// ---- Conditions ----

bool CheckStatusCondition(cEdFlowCond& cond, cChara& chara) {
    // Left side, and what a percentage of it means.
    std::int32_t left = 0;
    std::int32_t reference = 0;
    if (cond.m_nLeftSource == 1) {
        left = reference = ScopedVariable(cond.m_nLeftScope, cond.m_nNumber);
    } else if (cond.m_nSubject == 2) {
        left = reference = ReadSystemStatus(cond.m_nItem);
    } else {
        cChara* who = SubjectChara(chara, cond.m_nSubject);
        if (!who) return false;
        left = ReadCharaStatus(*who, cond.m_nItem, cond.m_nNumber);
        reference = PercentReference(*who, cond.m_nItem, cond.m_nNumber);
    }
    // Right side.
    std::int32_t right = 0;
    switch (cond.m_nRightSource) {
    case 0:
        right = cond.m_nValue;
        break;
    case 1:
        right = RandRange(cond.m_nRandMin, cond.m_nRandMax);
        break;
    case 2:
        if (cond.m_nRightSubject == 2)
            right = ReadSystemStatus(cond.m_nRightItem);
        else if (cChara* who = SubjectChara(chara, cond.m_nRightSubject))
            right = ReadCharaStatus(*who, cond.m_nRightItem, cond.m_nRightNumber);
        else
            return false;
        break;
    case 3:
        right = ScopedVariable(cond.m_nRightScope, cond.m_nRightNumber);
        break;
    default:
        return false;
    }
    // The operand is kept in the record; a percentage is taken afresh at every test, so that a
    // constant never turns into its own percentage.
    cond.m_nValue = right;
    if (cond.m_bPercent) {
        right = PercentOf(reference, right);
        ClampValue(&right, -VALUE_LIMIT, VALUE_LIMIT);
    }
    return CompareCondition(cond.m_nOperator, left, right);
}

bool TestStatusCondition(cChara& chara, const cEdFlowCond& cond) {
    std::int32_t value = 0;
    if (cond.m_nSubject == 2) {
        if (cond.m_nItem == 0)
            value = g_Stage.m_nScrollModeH;
        else if (cond.m_nItem == 1)
            value = g_Stage.m_nScrollModeV;
        else
            return false;
    } else {
        cChara* who = SubjectChara(chara, cond.m_nSubject);
        if (!who) return false;
        const cEdCharaDef& d = who->m_Def;
        switch (cond.m_nItem) {
        case 0:
            return false; // vanishing is never a state one can test
        case 1:
            value = d.m_nTransparent;
            break;
        case 2:
            value = d.m_nFixedFacing;
            break;
        case 3:
            value = d.m_nMoveType;
            break;
        case 4:
            value = d.m_nInvincible;
            break;
        case 5:
            value = who->Scale();
            break;
        case 6:
            value = who->m_bScrollSync;
            break;
        default:
            return false;
        }
    }
    return CompareCondition(cond.m_nOperator, value, cond.m_nNumber);
}

bool TestStateCondition(cChara& chara, const cEdFlowCond& cond) {
    cChara* who = SubjectChara(chara, cond.m_nSubject);
    if (!who) return false;
    bool state;
    switch (cond.m_nItem) {
    case 0:
        state = who->m_nDir == 0;
        break;
    case 1:
        state = who->m_nDir != 0;
        break;
    case 2:
        state = !who->m_bNoGravity && !who->m_bAirborne && !who->m_bFalling;
        break;
    case 3:
        state = who->m_nObjKind == OBJKIND_HERO ? who->IsOnScreen() : who->m_bInView != 0;
        break;
    default:
        return false;
    }
    if (cond.m_nOperator == 0) return state;
    if (cond.m_nOperator == 1) return !state;
    return false;
}

// ---- Commands ----

void CmdStatusOperation(cChara& chara, cEdFlowCmd& rec) {
    // The operand.
    std::int32_t x = 0;
    switch (Param(rec, SOP_VALUE_SOURCE)) {
    case 0:
        x = Param(rec, SOP_CONSTANT);
        break;
    case 1:
        x = RandRange(Param(rec, SOP_RAND_MIN), Param(rec, SOP_RAND_MAX));
        break;
    case 2:
        if (Param(rec, SOP_VALUE_SUBJECT) == 2)
            x = ReadSystemStatus(Param(rec, SOP_VALUE_STATUS));
        else if (cChara* who = SubjectChara(chara, Param(rec, SOP_VALUE_SUBJECT)))
            x = ReadCharaStatus(*who, Param(rec, SOP_VALUE_STATUS), Param(rec, SOP_VALUE_CHARA_VAR));
        else
            return;
        break;
    case 3:
        x = ScopedVariable(Param(rec, SOP_VALUE_SCOPE), Param(rec, SOP_VALUE_VAR));
        break;
    default:
        return;
    }
    const int op = Param(rec, SOP_OPERATION);
    const int mode = Param(rec, SOP_CALC_MODE);

    if (Param(rec, SOP_TARGET_SOURCE) == 1) {
        std::int32_t& v = ScopedVariable(Param(rec, SOP_TARGET_SCOPE), Param(rec, SOP_TARGET_VAR));
        if (mode == 1 || mode == 2) x = PercentOf(v, x);
        ApplyStatusOperation(&v, x, op, -VALUE_LIMIT, VALUE_LIMIT);
        return;
    }
    const int index = Param(rec, SOP_STATUS);
    if (Param(rec, SOP_SUBJECT) == 2) {
        std::int32_t v = ReadSystemStatus(index);
        if (mode == 1 || mode == 2) x = PercentOf(v, x);
        const auto& table = SystemStatusTable();
        if (index < 0 || index >= static_cast<int>(table.size())) return;
        ApplyStatusOperation(&v, x, op, table[static_cast<std::size_t>(index)].values[0],
                             table[static_cast<std::size_t>(index)].values[1]);
        WriteSystemStatus(index, v);
        return;
    }
    cChara* who = SubjectChara(chara, Param(rec, SOP_SUBJECT));
    if (!who) return;
    const int varIndex = Param(rec, SOP_TARGET_CHARA_VAR);
    StatusRef s;
    if (!CharaStatus(*who, index, varIndex, s)) return;
    if (index == 8 && who->m_nObjKind != OBJKIND_HERO) return; // only heroes have a sight
    if (mode == 1) x = PercentOf(PercentReference(*who, index, varIndex), x);
    if (mode == 2) x = PercentOf(s.field.Read(), x);

    if (index == 1 || index == 2) {
        std::int32_t v = s.field.Read();
        ApplyStatusOperation(&v, x, op, 0, VALUE_LIMIT);
        const std::int64_t delta = static_cast<std::int64_t>(v) - s.field.Read();
        const int show = Param(rec, SOP_SHOW_GAUGE) != 0;
        if (index == 1)
            who->AddHP(delta, 1, show);
        else
            who->AddSP(delta, show);
        if (index == 1 && who != &chara && who->m_nHP < 1) FlagHpCheck();
        return;
    }
    std::int32_t v = s.field.Read();
    ApplyStatusOperation(&v, x, op, s.lower, s.upper);
    s.field.Write(v);
    switch (index) {
    case 3:
        if (who != &chara && v < 1) FlagHpCheck();
        break;
    case 8:
        who->m_nLightRadius = v * 16;
        if (g_FlowHooks.CreateWorkSurfaces) g_FlowHooks.CreateWorkSurfaces();
        break;
    case 13:
        ReadCharaStatus(*who, 13, 0);
        break;
    default:
        break;
    }
}

void CmdStatusOperation2(cChara& chara, cEdFlowCmd& rec) {
    const int subject = Param(rec, 0);
    const int index = Param(rec, 1);
    const std::int32_t value = Param(rec, 2);
    if (subject == 2) {
        if (index == 0) {
            g_Stage.m_nScrollModeH = value;
            ViewX().SetAutoSpeed(value, g_Stage.m_nAutoScrollSpeedH);
        } else if (index == 1) {
            g_Stage.m_nScrollModeV = value;
            ViewY().SetAutoSpeed(value, g_Stage.m_nAutoScrollSpeedV);
        }
        return;
    }
    cChara* who = SubjectChara(chara, subject);
    if (!who) return;
    cEdCharaDef& d = who->m_Def;
    const bool hero = who->m_nObjKind == OBJKIND_HERO;
    switch (index) {
    case 0:
        if (hero) {
            who->m_nHP = 0;
        } else if (g_FlowHooks.RemoveFromPlay) {
            g_FlowHooks.RemoveFromPlay(*who);
        } else if (!who->m_bRemoved) {
            cObjectLinks::UnlinkAll(*who);
            who->m_bRemoved = 1;
        }
        if (who != &chara) FlagHpCheck();
        break;
    case 1:
        d.m_nTransparent = static_cast<std::uint8_t>(value);
        break;
    case 2:
        d.m_nFixedFacing = static_cast<std::uint8_t>(value);
        break;
    case 3:
        if (hero && !g_Heroes.empty()) {
            d.m_nMoveType = static_cast<std::uint8_t>(std::clamp(value, 0, 3));
            g_Heroes[0].SetMoveType(std::clamp(value, 0, 3), 1);
        }
        break;
    case 4:
        d.m_nInvincible = static_cast<std::uint8_t>(std::clamp(value, 0, 2));
        break;
    case 5: {
        const int scale = std::clamp(value, 1, 10);
        const int old = who->Scale();
        who->SetScale(scale, old);
        d.m_nScale = static_cast<std::uint8_t>(scale);
        if (hero && !g_Heroes.empty()) g_Heroes[0].BuildHitRanges();
        break;
    }
    case 6:
        d.m_nScrollSync = static_cast<std::uint8_t>(value);
        who->m_bScrollSync = static_cast<std::int16_t>(value);
        break;
    default:
        break;
    }
}
