// Parameter links: an arrangement command queues five integers {command kind, parameter number,
// operation, variable scope, variable index}; the next command to start applies every queued link to its
// own record: it reads a variable, combines it with the named parameter and stores the result, kept
// within the parameter's range.
#pragma once

#include <cstdint>
#include <span>

#include "app/checked_containers.h"

class cEdFlowCmd;

struct ParamLink {
    std::int32_t kind = 0;  // the FlowCommandType addressed (item commands match with their kind + 15)
    std::int32_t param = 0; // the parameter number in that kind's list
    std::int32_t op = 0;    // ParamLinkOp
    std::int32_t scope = 0; // VariableScope
    std::int32_t index = 0; // the variable index
};

// A running flow's (or a hero's) pending links, in queuing order (emptied without giving back its
// room, so that a flow that arranges at every step takes none anew).
using ParamLinkList = cCheckedVector<ParamLink>;

// The copy of an arrangement command's integer list that it queues (missing integers read as 0).
ParamLink ParamLinkFromCommand(const cEdFlowCmd& cmd);

// The variables a link may read: the common variables, the stage variables and the acting character's
// variables. Common and stage variables are read from index 1, character variables from index 0.
struct ParamLinkVars {
    std::span<const std::int32_t> common;
    std::span<const std::int32_t> stage;
    std::span<const std::int32_t> chara;
};

// Applies one link to a command; a link for another kind, for a kind without parameters, for a command
// without the settings of the kind's fields, with a parameter number outside the kind's list, with an
// unknown scope or with a variable index out of bounds changes nothing.
void ApplyParamLink(cEdFlowCmd* cmd, const ParamLink& link, const ParamLinkVars& vars);
// Applies every link of a running flow's pending list, in queuing order; nothing without a running flow
// (pending null). The caller empties the list afterwards.
void ApplyParamLinks(cEdFlowCmd* cmd, const ParamLinkVars& vars, const ParamLinkList* pending);
// The same over a hero's pending list for the commands of an item.
void ApplyItemParamLinks(cEdFlowCmd* cmd, const ParamLinkVars& vars, const ParamLinkList& heroPending);

// The arithmetic of one link: combines the current value with the source value by the operation and keeps
// the result within [minimum, maximum]. Computed in 64 bits, so nothing wraps or traps.
std::int32_t CombineParamLink(std::int32_t op, std::int32_t current, std::int32_t source,
                              std::int32_t minimum, std::int32_t maximum);
