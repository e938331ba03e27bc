// Command kinds with the lengths of their integer parameter lists, and the named, range-limited
// parameters of each kind through which arrangements change a command before it runs.
#pragma once

#include "records/param_desc.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/checked_containers.h"

class cEdFlowCmd;

// The kind of a character's flow command.
enum FlowCommandType : int {
    FCT_NONE = 0,
    FCT_WAIT = 1,
    FCT_LINE_MOVE = 2,
    FCT_GROUND_TURN_MOVE = 3,
    FCT_CIRCLE_MOVE = 4,
    FCT_CHARGE_MOVE = 5,
    FCT_HOMING_MOVE = 6,
    FCT_AVOID_OFFSCREEN_MOVE = 7,
    FCT_CANCEL_MOVE = 8,
    FCT_TURN = 9,
    FCT_JUMP = 10,
    FCT_SHOT = 11,
    FCT_SWORD = 12,
    FCT_SUMMON_BLOCK = 13,
    FCT_SUMMON_CHARA = 14,
    FCT_SUMMON_ITEM = 15,
    FCT_FLOW_CONTROL = 16,
    FCT_STAGE_CLEAR = 17,
    FCT_GAME_WAIT = 18,
    FCT_MESSAGE = 19,
    FCT_WARP = 20,
    FCT_SET_TARGET = 21,
    FCT_STATUS = 22,
    FCT_STATUS2 = 23,
    FCT_TAKE_ITEM = 24,
    FCT_CHANGE_GRAPHIC = 25,
    FCT_CHANGE_ANIMSET = 26,
    FCT_RUN_ANIME = 27,
    FCT_RUN_EFFECT = 28,
    FCT_CHARA_EFFECT = 29,
    FCT_SCREEN_EFFECT = 30,
    FCT_SHOW_PICTURE = 31,
    FCT_SCREEN_COLOUR = 32,
    FCT_CHANGE_BACKGROUND = 33,
    FCT_PLAY_SE = 34,
    FCT_PLAY_BGM = 35,
    FCT_RUN_CODE = 36,
    FCT_ARRANGE = 37,
    FCT_LOOP = 38,
    FCT_COUNT = 39
};

// The kind of an item's command. Kind k >= 2 is the character command k + 15.
enum ItemCommandType : int {
    ICT_NONE = 0,
    ICT_FLOW_CHANGE = 1,
    ICT_STAGE_CLEAR = 2,
    ICT_GAME_WAIT = 3,
    ICT_MESSAGE = 4,
    ICT_WARP = 5,
    ICT_SET_TARGET = 6,
    ICT_STATUS = 7,
    ICT_STATUS2 = 8,
    ICT_TAKE_ITEM = 9,
    ICT_CHANGE_GRAPHIC = 10,
    ICT_CHANGE_ANIMSET = 11,
    ICT_RUN_ANIME = 12,
    ICT_RUN_EFFECT = 13,
    ICT_CHARA_EFFECT = 14,
    ICT_SCREEN_EFFECT = 15,
    ICT_SHOW_PICTURE = 16,
    ICT_SCREEN_COLOUR = 17,
    ICT_CHANGE_BACKGROUND = 18,
    ICT_PLAY_SE = 19,
    ICT_PLAY_BGM = 20,
    ICT_RUN_CODE = 21,
    ICT_ARRANGE = 22,
    ICT_LOOP = 23,
    ICT_COUNT = 24
};

constexpr int ITEM_KIND_OFFSET = 15;

struct CommandKindInfo {
    std::string name;
    std::int32_t count; // number of integers in the command's parameter list
};

// g_CommandKinds (39 entries by FlowCommandType) and g_ItemCommandKinds (24 by ItemCommandType), built on
// first use.
const std::vector<CommandKindInfo>& CommandKinds();
const std::vector<CommandKindInfo>& ItemCommandKinds();

// A named parameter of a command kind.
struct CommandParamDesc {
    std::string name;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
};

// The parameters of each of the 39 command kinds, by parameter number. Empty until BuildParamTables runs.
extern cCheckedVector<cCheckedVector<CommandParamDesc>> CommandParamTables;

// Fills CommandParamTables; running it again gives the same tables.
void BuildParamTables();

// Reads parameter n of a command into *out (sign-extended from the field's width); a number that the kind
// does not address leaves *out untouched.
using CommandParamGetter = void (*)(std::int32_t* out, std::int32_t n, const cEdFlowCmd* cmd);
// Stores a value into parameter n of a command, truncated to the field's width; a number that the kind
// does not address changes nothing.
using CommandParamSetter = void (*)(std::int32_t value, std::int32_t n, cEdFlowCmd* cmd);

// By FlowCommandType; null where a kind has no parameters.
extern const CommandParamGetter CommandParamGetters[FCT_COUNT];
extern const CommandParamSetter CommandParamSetters[FCT_COUNT];

// Where the field of a parameter lies, and its width in bits (0 when the kind does not address it).
enum class ParamHolder { Integers, Move, Shot };
ParamHolder ParamHolderOfKind(int kind);
int ParamFieldBits(int kind, std::int32_t n);


// g_ShotFormationParams: three descriptors per formation 0-5 (18); g_ShotMoveParams: three per shot
// movement kind 0-9 (30). Built on first use.
const std::vector<cParamDesc>& ShotFormationParams();
const std::vector<cParamDesc>& ShotMoveParams();
