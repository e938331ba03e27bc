// Calls from the game objects into the flow engine, which is built on top of them: the hero's flow
// driver, item commands and flow changes go through these. The flow engine installs them at the
// start of stage play (InstallFlowEngine); until then each does nothing.
#pragma once

#include "app/checked_containers.h"

class cChara;
class cEdFlow;
class cEdFlowCmd;

struct ObjectFlowCalls {
    // The flow side of a character's per-frame update: cues, stepping, erasure and group bits.
    void (*RunFlowUpdate)(cChara& chara, int dying) = nullptr;
    // Raises trigger kind `kind` on the character at the moment it happens: the flows of that kind
    // that pass their tests now start. The flow being run, if any, stays the current one.
    void (*TriggerFlows)(cChara& chara, int kind) = nullptr;
    // Adds flows (bAdd 1, before index or appended) or replaces them all (bAdd 0).
    void (*BuildFlows)(cChara& chara, const cCheckedVector<cEdFlow>& defs, int bAdd, int index) = nullptr;
    // Erases flow `index` of the character with its definition.
    void (*EraseFlow)(cChara& chara, int index) = nullptr;
    // Runs the shared handler of item command type itemType (2-23); its result.
    int (*RunItemCommand)(cChara& chara, int itemType, cEdFlowCmd& record) = nullptr;
    // Applies the hero's pending arrangements to an item command and empties them.
    void (*ApplyItemLinks)(cChara& chara, cEdFlowCmd& record) = nullptr;
    // Whether a stage character has left play.
    bool (*IsRemoved)(const cChara& chara) = nullptr;
};

extern ObjectFlowCalls g_ObjectFlowCalls;
