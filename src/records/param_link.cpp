#include "records/param_link.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "records/ed_flow.h"
#include "records/param_tables.h"
#include "records/vocab_flow.h"

ParamLink ParamLinkFromCommand(const cEdFlowCmd& cmd) {
    std::int32_t v[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < 5 && i < cmd.m_Params.Count(); ++i)
        v[i] = cmd.m_Params[static_cast<std::size_t>(i)];
    return ParamLink{v[0], v[1], v[2], v[3], v[4]};
}

std::int32_t CombineParamLink(std::int32_t op, std::int32_t current, std::int32_t source,
                              std::int32_t minimum, std::int32_t maximum) {
    // Every operation is done on 64-bit numbers: a product or sum that does not fit 32 bits is kept
    // whole and then held to the range, instead of wrapping into a wrong value of the right sign.
    const std::int64_t c = current;
    const std::int64_t s = source;
    std::int64_t value = c;
    switch (op) {
    case PLO_ASSIGN:
        value = s;
        break;
    case PLO_ADD:
        value = c + s;
        break;
    case PLO_SUB:
        value = c - s;
        break;
    case PLO_MUL:
        value = c * s;
        break;
    case PLO_DIV:
        value = s == 0 ? c : c / s;
        break;
    case PLO_MOD:
        value = s == 0 ? c : c % s;
        break;
    case PLO_PERCENT: {
        const double x = static_cast<double>(c * s) * 0.01;
        // Halves round away from zero.
        value = static_cast<std::int64_t>(x >= 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5));
        break;
    }
    default:
        break;
    }
    if (value < minimum) value = minimum;
    if (value > maximum) value = maximum;
    return static_cast<std::int32_t>(value);
}

namespace {

// The range of a formation value or movement value, by the formation or movement kind of the shot;
// false when the shot's formation or movement kind has no descriptors.
bool ShotValueRange(const cEdFlowCmd& cmd, int kind, std::int32_t n, std::int32_t& minimum,
                    std::int32_t& maximum) {
    if (!cmd.m_Shot) return false;
    int first = -1;
    switch (kind) {
    case FCT_SHOT:
        first = 2;
        break;
    case FCT_SUMMON_BLOCK:
        first = 0;
        break;
    case FCT_SUMMON_CHARA:
        first = 2;
        break;
    case FCT_SUMMON_ITEM:
        first = 1;
        break;
    }
    if (first >= 0 && n >= first && n < first + 3) {
        const int formation = cmd.m_Shot->m_nFormation;
        if (formation < 0 || formation > 5) return false;
        const cParamDesc& d = ShotFormationParams()[static_cast<std::size_t>(3 * formation + (n - first))];
        minimum = d.minimum;
        maximum = d.maximum;
        return true;
    }
    if (kind == FCT_SHOT && n >= 15 && n <= 17) {
        const int move = cmd.m_Shot->m_nMoveKind;
        if (move < 0 || move > 9) return false;
        const cParamDesc& d = ShotMoveParams()[static_cast<std::size_t>(3 * move + (n - 15))];
        minimum = d.minimum;
        maximum = d.maximum;
        return true;
    }
    return false;
}

bool ReadVariable(const ParamLink& link, const ParamLinkVars& vars, std::int32_t& value) {
    std::span<const std::int32_t> list;
    std::int64_t lowest = 1;
    switch (link.scope) {
    case VS_COMMON:
        list = vars.common;
        break;
    case VS_STAGE:
        list = vars.stage;
        break;
    case VS_CHARA:
        list = vars.chara;
        lowest = 0;
        break;
    default:
        return false;
    }
    if (link.index < lowest || static_cast<std::uint64_t>(link.index) >= list.size()) return false;
    value = list[static_cast<std::size_t>(link.index)];
    return true;
}

} // namespace

void ApplyParamLink(cEdFlowCmd* cmd, const ParamLink& link, const ParamLinkVars& vars) {
    if (!cmd) return;
    const int kind = cmd->FlowKind();
    if (kind < 0 || kind >= FCT_COUNT || link.kind != kind) return;
    const CommandParamSetter setter = CommandParamSetters[kind];
    const CommandParamGetter getter = CommandParamGetters[kind];
    if (!setter || !getter) return;
    if (CommandParamTables.Count() <= kind) return;
    const cCheckedVector<CommandParamDesc>& params = CommandParamTables[static_cast<std::size_t>(kind)];
    if (params.empty()) return;
    const ParamHolder holder = ParamHolderOfKind(kind);
    if (holder == ParamHolder::Move && !cmd->m_Move) return;
    if (holder == ParamHolder::Shot && !cmd->m_Shot) return;

    std::int32_t current = 0;
    getter(&current, link.param, cmd);
    std::int32_t source = 0;
    if (!ReadVariable(link, vars, source)) return;

    // A parameter number outside the kind's list (a damaged arrangement) is a data error: the
    // checked access reports it, closes the program and hands out the first descriptor meanwhile.
    const CommandParamDesc& desc = params.at(link.param);
    std::int32_t minimum = desc.minimum;
    std::int32_t maximum = desc.maximum;
    ShotValueRange(*cmd, kind, link.param, minimum, maximum);
    // The range is also held to what the field can store, so the setter never truncates a value into a
    // different number.
    const int bits = ParamFieldBits(kind, link.param);
    if (bits == 8 || bits == 16) {
        const std::int32_t lo = bits == 8 ? INT8_MIN : INT16_MIN;
        const std::int32_t hi = bits == 8 ? INT8_MAX : INT16_MAX;
        minimum = std::clamp(minimum, lo, hi);
        maximum = std::clamp(maximum, lo, hi);
    }

    const std::int32_t value = CombineParamLink(link.op, current, source, minimum, maximum);
    setter(value, link.param, cmd);
}

void ApplyParamLinks(cEdFlowCmd* cmd, const ParamLinkVars& vars, const ParamLinkList* pending) {
    if (!pending) return;
    for (const ParamLink& link : *pending)
        ApplyParamLink(cmd, link, vars);
}

void ApplyItemParamLinks(cEdFlowCmd* cmd, const ParamLinkVars& vars, const ParamLinkList& heroPending) {
    for (const ParamLink& link : heroPending)
        ApplyParamLink(cmd, link, vars);
}
