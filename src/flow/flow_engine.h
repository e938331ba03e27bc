// The flow engine: building a character's running flows from its flow definitions, deciding each
// sub-step which flows start (trigger kind, per-frame marks, flow groups, general conditions, key
// input), and stepping the started flows command by command.
//
// Flows are stepped once per object sub-step; use times, frames run and frame counters count
// sub-steps. The character, flow and command being run are published in the play scene
// (m_lpCurChara, m_lpCurFlow, m_lpCurCommand) for the command handlers and the evaluator; the
// same three are kept here too, so that the engine also runs without a play scene.
//
// The flow list of a character never changes size while it is walked: flows added meanwhile are
// queued and built after the walk, erasure waits for the end of the update.
#pragma once

#include "objects/flow_model.h"
#include "records/ed_flow.h"
#include "records/param_tables.h"
#include "records/vocab_flow.h"

#include <cstdint>

class cChara;
class cHero;
struct cInputRecord;

// ---- The command-type table ----

// Called by BuildFlows for each new instance of the type.
using FlowCommandPrep = void (*)(cFlowCommand& inst, cChara& chara);
// Called every sub-step the instance runs (types 0-16: they need the instance's work fields).
using FlowCommandHandler = void (*)(cChara& chara, cFlowCommand& inst);
// The handlers shared with item commands (types 17-38; item type = type - 15): they see only the
// record. The result is 1 when the command ends the stage.
using SharedCommandHandler = int (*)(cChara& chara, cEdFlowCmd& record);
// Called whenever an instance of the type is given its record or the record's values change:
// takes into the instance's work fields what the handler reads of the record at every step, so
// that a step need not reach the record's parameters and settings. A shared type (17-38) has
// m_nWork[0-4] for it (unused by these types otherwise), a type up to flow control m_nWork[3-4]
// (its handler keeps to the others); m_nWork[5] is the engine's. False when the record holds what
// the fields cannot keep: the handler then reads the record.
using FlowCommandNote = bool (*)(cFlowCommand& inst, const cEdFlowCmd& record);
// The work field that says whether the note of the instance's type kept what it reads.
constexpr std::size_t NOTED_WORK_FIELD = 5;
inline bool HasNotedFacts(const cFlowCommand& inst) {
    return inst.m_nWork[NOTED_WORK_FIELD] == 1;
}

struct FlowCommandTypeEntry {
    FlowCommandPrep prep = nullptr;
    FlowCommandHandler handler = nullptr;
    SharedCommandHandler shared = nullptr;
    FlowCommandNote note = nullptr;
    int itemType = 0; // 0 for types only characters run
};

// The entry of a command type (0-38); a type outside the table gets an entry that does nothing.
const FlowCommandTypeEntry& FlowCommandTypeInfo(int type);
// Later parts install their preparations and handlers here; nothing resets them but
// ResetFlowCommandTable, which restores every type to doing nothing (types 22 and 23 to the status
// operations).
void SetFlowCommandPrep(int type, FlowCommandPrep prep);
void SetFlowCommandHandler(int type, FlowCommandHandler handler);
void SetSharedCommandHandler(int type, SharedCommandHandler handler);
void SetFlowCommandNote(int type, FlowCommandNote note);
void ResetFlowCommandTable();
// The table as the program starts with it: every type's preparation and handlers installed.
void InstallFlowCommands();
// Item type k (2-23) <-> command type k + 15; other values give 0.
int ItemTypeOfCommand(int type);
int CommandTypeOfItem(int itemType);
// Runs the shared handler of an item command of type itemType (2-23) for a character; 0 otherwise.
int RunItemCommand(cChara& chara, int itemType, cEdFlowCmd& record);

// ---- Calls into parts of stage play that are built on top of the flow engine ----
struct FlowHooks {
    // Removes a stage character from play at the end of the step. Default: it is unlinked from
    // everything and marked removed.
    void (*RemoveFromPlay)(cChara& chara) = nullptr;
    // The play scene's work surfaces are made again (a hero's sight changed).
    void (*CreateWorkSurfaces)() = nullptr;
};
extern FlowHooks g_FlowHooks;

// Installs the engine's entry points into the game objects (their flow calls); done at the start
// of stage play.
void InstallFlowEngine();

// ---- Current character, flow and command ----
cChara* CurFlowChara();
cFlow* CurFlow();
cFlowCommand* CurFlowCommand();
// The instance being stepped when it runs `record` as a command of `type`, with what the type's
// note took of the record; null when the record is run otherwise (an item command, a command run
// outside a step) or the note kept nothing.
inline const cFlowCommand* NotedInstanceOf(const cEdFlowCmd& record, int type) {
    extern cFlowCommand* g_CurFlowCommand; // the command being run (CurFlowCommand)
    const cFlowCommand* inst = g_CurFlowCommand;
    return inst && inst->m_lpRecord == &record && inst->m_nType == type && HasNotedFacts(*inst) ? inst
                                                                                                : nullptr;
}
void SetCurFlowChara(cChara* chara);

// ---- Building ----

// Builds flows for `defs`: bAdd 0 replaces every flow of the character (defs become its own
// definitions); bAdd 1 inserts copies of defs before nIndex when 0 <= nIndex < the number of its
// definitions, else appends them. While the character's flows are being walked, an addition is
// queued and built when the walk ends.
void BuildFlows(cChara& chara, const cCheckedVector<cEdFlow>& defs, int bAdd, int nIndex);
// Points every flow at the character's own definition at its position.
void RelinkFlows(cChara& chara);
// The animation's length in tenths of a second: the times of its frames before the first frame
// from which it may be switched away (all of them when none may).
int AnimationLength(int anime);

// ---- Starting ----

void ClearFlowFrameMarks(cChara& chara);
// Raises trigger kind `kind`: every flow of that kind that is idle and passes its tests starts.
void TriggerFlows(cChara& chara, int kind);
// Raises the kinds marked on the character since the last call, in the order they were marked.
void TriggerRaisedFlows(cChara& chara);
// Puts the flow into the running state. A stage-start flow runs its instant commands here, as the
// current flow; the current flow and command are those of before when it returns.
void StartFlow(cFlow& flow);

bool CheckFlowConditions(cFlow& flow, cChara& chara);
bool CheckConditionList(cCheckedVector<cEdFlowCond>& list, int mode, cChara& chara);
bool CheckCondition(cEdFlowCond& cond, cChara& chara);
bool CheckDistanceCondition(cChara& chara, const cEdFlowCond& cond);
// The comparison operators of conditions (0-7), in 64 bits; any other operator is false.
bool CompareCondition(int op, std::int64_t left, std::int64_t right);

// ---- Key input ----

// The key record a character reads: a hero's own, else player 1's.
const cInputRecord* InputRecordOf(const cChara& chara);
int CheckFlowKeyInput(cChara& chara, cFlow& flow);
int CheckKeySequence(cChara& chara, const cCheckedVector<cEdFlowEntry>& steps, int gap);
bool CheckKeyStates(const cInputRecord& input, const cEdFlowEntry& step);
int FirstPressedKey(const cInputRecord& input);

// ---- Stepping ----

bool StepFlow(cFlow& flow);
void StartFlowCommand(cFlowCommand& inst);
bool StepFlowCommand(cFlowCommand& inst);
void ExecuteFlowCommand(cChara& chara, cFlowCommand& inst);
void ResetFlow(cFlow& flow, cChara& chara);
void PauseFlow(cFlow& flow);
void ResumeFlow(cFlow& flow);
void StopFlowForEver(cFlow& flow, cChara& chara);
void RunFlowAnimeCues(cChara& chara);
// Whether flow `index` of the character may be running by the set of running flows the engine
// keeps for its walk: true for every running flow (and for every flow when no set is kept).
bool FlowMayBeRunning(const cChara& chara, std::size_t index);
// The flow side of a character's per-frame update (cues, steps, erasure, group bits).
void RunFlowUpdate(cChara& chara, int bDying);
// Erases flow `index` with its definition and attached animations; during a walk of the flows the
// flow is only marked, and erased when the walk's update ends.
void EraseFlow(cChara& chara, int index);

// ---- Group words ----
std::uint32_t FlowGroupBits(const cChara& chara, int group);
void SetFlowGroupBits(cChara& chara, int group, std::uint32_t bits);
