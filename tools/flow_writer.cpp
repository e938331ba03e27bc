#include "flow_writer.h"

namespace flow_writer {

cEdFlow MakeFlow(FlowTriggerKind trigger) {
    cEdFlow flow = MakeFlowPrototype();
    flow.m_nTrigger = static_cast<std::int8_t>(trigger);
    return flow;
}

namespace {

bool HasMoveSettings(int kind) {
    return (kind >= FCT_LINE_MOVE && kind <= FCT_AVOID_OFFSCREEN_MOVE) || kind == FCT_WARP;
}

bool HasShotSettings(int kind) {
    return kind >= FCT_SHOT && kind <= FCT_SUMMON_ITEM;
}

} // namespace

cEdFlowCmd MakeCommand(FlowCommandType kind) {
    cEdFlowCmd cmd = MakeCommandPrototype();
    cmd.m_nKind = static_cast<std::int8_t>(kind);
    cmd.m_Params.assign(static_cast<std::size_t>(CommandKinds()[static_cast<std::size_t>(kind)].count), 0);
    if (HasMoveSettings(kind)) NewMove(cmd.m_Move);
    if (HasShotSettings(kind)) NewShot(cmd.m_Shot);
    return cmd;
}

cEdFlowCmd MakeItemCommand(ItemCommandType kind) {
    cEdFlowCmd cmd = MakeCommandPrototype();
    cmd.m_bItem = 1;
    cmd.m_nKind = static_cast<std::int8_t>(kind);
    cmd.m_Params.assign(static_cast<std::size_t>(ItemCommandKinds()[static_cast<std::size_t>(kind)].count),
                        0);
    if (kind >= ICT_STAGE_CLEAR && HasMoveSettings(kind + ITEM_KIND_OFFSET)) NewMove(cmd.m_Move);
    return cmd;
}

cEdFlowCmd MakeWait(std::int16_t tenths) {
    cEdFlowCmd cmd = MakeCommand(FCT_WAIT);
    cmd.m_nUseTime = tenths;
    return cmd;
}

cEdFlowCmd MakeLineMove(std::uint8_t direction, std::int16_t speed, std::int16_t tenths) {
    cEdFlowCmd cmd = MakeCommand(FCT_LINE_MOVE);
    cmd.m_Move->m_nDirection = direction;
    cmd.m_Move->m_nSpeed = speed;
    cmd.m_nUseTime = tenths;
    return cmd;
}

cEdFlowCmd MakeShot(std::int16_t graphic, std::int8_t count, std::int8_t direction, std::int16_t speed) {
    cEdFlowCmd cmd = MakeCommand(FCT_SHOT);
    cmd.m_Shot->m_nGraphic = graphic;
    cmd.m_Shot->m_nCount = count;
    cmd.m_Shot->m_nDirection = direction;
    cmd.m_Shot->m_nSpeed = speed;
    return cmd;
}

cEdFlowCmd MakeMessage(std::int32_t messageId) {
    cEdFlowCmd cmd = MakeCommand(FCT_MESSAGE);
    cmd.m_Params[13] = messageId;
    return cmd;
}

cEdFlowCmd MakeArrange(FlowCommandType kind, std::int32_t param, ParamLinkOp op, VariableScope scope,
                       std::int32_t index) {
    cEdFlowCmd cmd = MakeCommand(FCT_ARRANGE);
    cmd.m_Params.assign({static_cast<std::int32_t>(kind), param, static_cast<std::int32_t>(op),
                         static_cast<std::int32_t>(scope), index});
    return cmd;
}

cEdFlowCmd MakeCode(const std::string& text) {
    cEdFlowCmd cmd = MakeCommand(FCT_RUN_CODE);
    cmd.m_strText = text;
    return cmd;
}

cEdFlowCond MakeVariableCondition(ConditionKind kind, std::int16_t index, std::uint8_t op,
                                  std::int32_t value) {
    cEdFlowCond cond;
    cond.m_nKind = static_cast<std::int8_t>(kind);
    cond.m_nNumber = index;
    cond.m_nOperator = op;
    cond.m_nValue = value;
    return cond;
}

cEdFlowEntry MakeKeyStep(std::initializer_list<std::pair<int, std::uint8_t>> slots) {
    cEdFlowEntry step = MakeKeyStepPrototype();
    for (const auto& [slot, state] : slots)
        if (slot >= 0 && slot < cEdFlowEntry::KEY_SLOTS)
            step.m_KeyStates[static_cast<std::size_t>(slot)] = state;
    return step;
}

cEdFlow Flow(FlowTriggerKind trigger, std::initializer_list<cEdFlowCmd> commands) {
    cEdFlow flow = MakeFlow(trigger);
    for (const cEdFlowCmd& c : commands)
        flow.m_Commands.push_back(c);
    return flow;
}

cEdFlowCmd Timed(cEdFlowCmd c, std::int16_t tenths) {
    c.m_nUseTime = tenths;
    return c;
}

cEdFlowCmd WithParams(cEdFlowCmd c, std::initializer_list<std::int32_t> params) {
    std::size_t i = 0;
    for (std::int32_t p : params)
        if (i < c.m_Params.size()) c.m_Params[i++] = p;
    return c;
}

cEdFlowCmd Move(FlowCommandType kind, std::uint8_t direction, std::int16_t speed, std::int16_t tenths) {
    cEdFlowCmd c = MakeCommand(kind);
    c.m_Move->m_nDirection = direction;
    c.m_Move->m_nSpeed = speed;
    c.m_nUseTime = tenths;
    return c;
}

} // namespace flow_writer
