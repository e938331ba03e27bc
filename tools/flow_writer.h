// The project writer's builders of flows and commands: records made as the editor would make them, ready
// to be placed in character and item definitions and saved through the records' own Save.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "records/ed_flow.h"
#include "records/param_tables.h"
#include "records/vocab_flow.h"

namespace flow_writer {

// A flow with the given trigger and the list defaults (key gap 3).
cEdFlow MakeFlow(FlowTriggerKind trigger);
// The same flow running `commands` in order.
cEdFlow Flow(FlowTriggerKind trigger, std::initializer_list<cEdFlowCmd> commands);

// A character command of a kind: the parameter list of the kind's length, sound condition 1, and the
// movement settings of the moving kinds and warps, the shot settings of shots, swords and summons.
cEdFlowCmd MakeCommand(FlowCommandType kind);
// An item command of a kind, with its own parameter list length.
cEdFlowCmd MakeItemCommand(ItemCommandType kind);

// A command with its use time set, in tenths of a second.
cEdFlowCmd Timed(cEdFlowCmd c, std::int16_t tenths);
// A command with its first parameters set to `params` (as many as the kind has).
cEdFlowCmd WithParams(cEdFlowCmd c, std::initializer_list<std::int32_t> params);
// A moving command of a kind by direction (the direction list) at a speed in tenths, for `tenths`.
cEdFlowCmd Move(FlowCommandType kind, std::uint8_t direction, std::int16_t speed, std::int16_t tenths);

// Common commands.
cEdFlowCmd MakeWait(std::int16_t tenths);
// A straight move by direction (the direction list: 0 forward ... 12 input) at a speed in tenths.
cEdFlowCmd MakeLineMove(std::uint8_t direction, std::int16_t speed, std::int16_t tenths);
// A shot of `count` shots with a graphic, direction and speed.
cEdFlowCmd MakeShot(std::int16_t graphic, std::int8_t count, std::int8_t direction, std::int16_t speed);
// A message command showing message `messageId` (its parameter 13).
cEdFlowCmd MakeMessage(std::int32_t messageId);
// An arrangement: {command kind, parameter number, operation, variable scope, variable index}.
cEdFlowCmd MakeArrange(FlowCommandType kind, std::int32_t param, ParamLinkOp op, VariableScope scope,
                       std::int32_t index);
// A code command with its text.
cEdFlowCmd MakeCode(const std::string& text);

// A variable condition (kinds 1-3): variable `index` compared with `value`.
cEdFlowCond MakeVariableCondition(ConditionKind kind, std::int16_t index, std::uint8_t op,
                                  std::int32_t value);

// A key step wanting the given {slot, state} pairs (state 1 pressed, 2 released); the other slots "--".
cEdFlowEntry MakeKeyStep(std::initializer_list<std::pair<int, std::uint8_t>> slots);

} // namespace flow_writer
