// The stored numbers of flow, condition and command records (flow triggers, condition kinds, variable
// scopes, arrangement operations) and the system-status table whose ranges the status commands keep.
//
// A text table is built on first use (a function-local static), so no table depends on the order in which
// the run-time initialises the globals of different files; it holds its texts in value order followed by
// one closing empty string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using VocabTable = std::vector<std::string>;

// When a flow starts.
enum FlowTriggerKind : int {
    FTK_ALWAYS = 0,
    FTK_DAMAGED = 1,
    FTK_IMPACT = 2,
    FTK_DIED = 3,
    FTK_HIT_CHARA = 4,
    FTK_HIT_BLOCK_CHARA = 5,
    FTK_ON_BLOCK_CHARA = 6,
    FTK_HIT_SHOT = 7,
    FTK_HIT_ITEM = 8,
    FTK_HIT_BLOCK = 9,
    FTK_BLOCK_LEFT_RIGHT = 10,
    FTK_BLOCK_LEFT = 11,
    FTK_BLOCK_RIGHT = 12,
    FTK_BLOCK_UP_DOWN = 13,
    FTK_BLOCK_UP = 14,
    FTK_BLOCK_DOWN = 15,
    FTK_RIDDEN_BY_HERO = 16,
    FTK_RIDDEN_BY_CHARA = 17,
    FTK_BEFORE_STAGE = 18,
    FTK_BY_COMMAND = 19,
    FTK_COUNT = 20
};

// Kind of a condition record.
enum ConditionKind : int {
    CK_NONE = 0,
    CK_COMMON_VAR = 1,
    CK_STAGE_VAR = 2,
    CK_CHARA_VAR = 3,
    CK_STATUS = 4,
    CK_STATUS2 = 5,
    CK_STATUS3 = 6,
    CK_DISTANCE = 7,
    CK_COUNT = 8
};

// Scope of a variable read by an arrangement.
enum VariableScope : int { VS_COMMON = 0, VS_STAGE = 1, VS_CHARA = 2, VS_COUNT = 3 };

// Operation of an arrangement (and of the status operations).
enum ParamLinkOp : int {
    PLO_ASSIGN = 0,
    PLO_ADD = 1,
    PLO_SUB = 2,
    PLO_MUL = 3,
    PLO_DIV = 4,
    PLO_MOD = 5,
    PLO_PERCENT = 6,
    PLO_COUNT = 7
};

// One entry of the system-status table: a name and seven integers (the status's own range, a second
// range, then three flags).
struct StatusEntry {
    std::string name;
    int32_t values[7];
};

const std::vector<StatusEntry>& SystemStatusTable(); // 5 entries
