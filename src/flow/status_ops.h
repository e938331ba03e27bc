// Statuses of characters and of the game as flows test and change them: the status conditions
// (condition kinds 4, 5 and 6), the status operations (commands 22 and 23), and the arithmetic
// they share with the expression evaluator. Every written value is kept to its status's range.
#pragma once

#include <cstdint>
#include <vector>

class cChara;
class cEdFlowCond;
class cEdFlowCmd;

// A status's storage: a field of 1, 2 or 4 bytes, read sign-extended and written truncated.
struct StatusField {
    void* p = nullptr;
    int width = 4;
    std::int32_t Read() const;
    void Write(std::int32_t v) const;
};

// A status with the range an assignment keeps it to.
struct StatusRef {
    StatusField field;
    std::int32_t lower = 0;
    std::int32_t upper = 0;
};

// Clamps *value into [lower, upper] and returns it.
std::int32_t ClampValue(std::int32_t* value, std::int32_t lower, std::int32_t upper);
// a x b / 100 rounded half away from zero, kept to the int range.
std::int32_t PercentOf(std::int64_t a, std::int64_t b);
// Operation op (ParamLinkOp: set, add, subtract, multiply, divide, remainder, percent) of x on
// *target in 64 bits, then clamped to [lower, upper]. Divide and remainder by 0 leave the value.
void ApplyStatusOperation(std::int32_t* target, std::int32_t x, int op, std::int32_t lower,
                          std::int32_t upper);

// Variable n of a list; a bad index is reported like every checked access and gives element 0 (a
// harmless spare when the list is empty).
std::int32_t& VariableAt(std::vector<std::int32_t>& vars, int index);
std::int32_t ReadVariable(std::vector<std::int32_t>& vars, int index);
// The common (scope 0) or stage (scope 1) variable n.
std::int32_t& ScopedVariable(int scope, int index);

// The 15 numeric character statuses of conditions and command 22 with the ranges of command 22
// (index 0 is the character variable varIndex). False for an index outside the table.
bool CharaStatus(cChara& chara, int index, int varIndex, StatusRef& out);
// The value a character status reads (the stopping tendency also refreshes the deceleration).
std::int32_t ReadCharaStatus(cChara& chara, int index, int varIndex);
// The 5 system statuses: time, the two auto-scroll speeds, score, lives (unlimited reads as 0).
std::int32_t ReadSystemStatus(int index);
// Writes a system status kept to its range, with its side effects; unlimited lives stay unlimited.
void WriteSystemStatus(int index, std::int32_t value);

// Condition kinds 4, 5 and 6.
bool CheckStatusCondition(cEdFlowCond& cond, cChara& chara);
bool TestStatusCondition(cChara& chara, const cEdFlowCond& cond);
bool TestStateCondition(cChara& chara, const cEdFlowCond& cond);

// Commands 22 and 23 (item types 7 and 8).
void CmdStatusOperation(cChara& chara, cEdFlowCmd& rec);
void CmdStatusOperation2(cChara& chara, cEdFlowCmd& rec);

// The parameters of command 22.
enum StatusOpParam : int {
    SOP_TARGET_SOURCE = 0, // 0 a status, 1 a variable
    SOP_TARGET_SCOPE = 1,  // variable: 0 common, 1 stage
    SOP_TARGET_VAR = 2,
    SOP_SUBJECT = 3, // 0 self, 1 the target, 2 the system
    SOP_STATUS = 4,
    SOP_OPERATION = 5,
    SOP_VALUE_SOURCE = 6, // 0 constant, 1 random, 2 status, 3 variable
    SOP_CONSTANT = 7,
    SOP_RAND_MIN = 8,
    SOP_RAND_MAX = 9,
    SOP_VALUE_SCOPE = 10,
    SOP_VALUE_VAR = 11,
    SOP_VALUE_SUBJECT = 12,
    SOP_VALUE_STATUS = 13,
    SOP_TARGET_CHARA_VAR = 14,
    SOP_CALC_MODE = 15, // 0 plain, 1 percent of the maximum, 2 percent of the current value
    SOP_SHOW_GAUGE = 16,
    SOP_VALUE_CHARA_VAR = 17,
};
