#include "flow/flow_engine.h"

#include "app/play_bounds.h"

#include "flow/cmd_motion.h"
#include "flow/cmd_control.h"
#include "flow/cmd_items.h"
#include "flow/cmd_stage.h"
#include "flow/cmd_present.h"

#include "app/play_bounds.h"
#include "app/input.h"
#include "app/int_range.h"
#include "app/log.h"
#include "flow/status_ops.h"
#include "objects/aim.h"
#include "objects/game_object.h"
#include "objects/flow_calls.h"
#include "objects/game_scene.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/system_data.h"
#include "project/stage_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <climits>
#include <cstddef>
#include <cmath>
#include <functional>
#include <utility>

FlowHooks g_FlowHooks;

// A flow is two cache lines, and what a step reads of it lies in the first.
static_assert(alignof(cFlow) == 64 && sizeof(cFlow) == 128);
static_assert(offsetof(cFlow, m_bLatched) < 64 && offsetof(cFlow, m_nId) == 64);

cFlowCommand* g_CurFlowCommand = nullptr;

namespace {

// ---- The command-type table ----

FlowCommandTypeEntry g_Types[FCT_COUNT];

int StatusOperationShared(cChara& chara, cEdFlowCmd& rec) {
    CmdStatusOperation(chara, rec);
    return 0;
}
int StatusOperation2Shared(cChara& chara, cEdFlowCmd& rec) {
    CmdStatusOperation2(chara, rec);
    return 0;
}
int NoShared(cChara&, cEdFlowCmd&) {
    return 0;
}

void ApplyHeroItemLinks(cChara& chara, cEdFlowCmd& record) {
    if (chara.m_nObjKind != OBJKIND_HERO) return;
    ParamLinkList& pending = static_cast<cHero&>(chara).m_Work.pendingLinks;
    if (pending.empty()) return;
    static std::vector<std::int32_t> noStage;
    ParamLinkVars vars{g_SaveData.m_vnCommonVars, g_lpGameScene ? g_lpGameScene->m_StageVars : noStage,
                       chara.m_Vars};
    ApplyItemParamLinks(&record, vars, pending);
    pending.clear();
}

bool IsRemovedFromPlay(const cChara& chara) {
    return chara.m_bRemoved != 0;
}

// The command table with every command built so far, ready before the program starts.
struct TableInit {
    TableInit() { InstallFlowCommands(); }
} g_TableInit;

// ---- Current character, flow and command ----

cChara* g_CurChara = nullptr;
cFlow* g_CurFlow = nullptr;
cFlowCommand*& g_CurCommand = g_CurFlowCommand;

void SetCurFlow(cFlow* flow) {
    g_CurFlow = flow;
    if (g_lpGameScene) g_lpGameScene->m_lpCurFlow = flow;
}
void SetCurCommand(cFlowCommand* inst) {
    g_CurCommand = inst;
    if (g_lpGameScene) g_lpGameScene->m_lpCurCommand = inst;
}
void ClearCurrent() {
    SetCurFlowChara(nullptr);
    SetCurFlow(nullptr);
    SetCurCommand(nullptr);
}

// Marks the character's flow list as walked for the life of the object; when the outermost walk
// ends, the flows queued meanwhile are built.
class WalkGuard {
  public:
    explicit WalkGuard(cChara& chara) : m_Chara(chara), m_nSize(chara.m_Flows.size()) {
        ++m_Chara.m_FlowState.nWalking;
    }
    ~WalkGuard() {
        assert(m_Chara.m_Flows.size() == m_nSize && "the flow list changed size while it was walked");
        if (--m_Chara.m_FlowState.nWalking == 0 && !m_Chara.m_FlowState.queued.empty()) {
            std::vector<cQueuedFlows> queued;
            queued.swap(m_Chara.m_FlowState.queued);
            for (cQueuedFlows& q : queued)
                BuildFlows(m_Chara, q.defs, q.bAdd, q.nIndex);
        }
    }
    WalkGuard(const WalkGuard&) = delete;
    WalkGuard& operator=(const WalkGuard&) = delete;

  private:
    cChara& m_Chara;
    std::size_t m_nSize;
};

// Marks one flow's commands as walked for the life of the object.
class FlowWalkMark {
  public:
    explicit FlowWalkMark(cFlow& flow) : m_Flow(flow), m_bBefore(flow.m_bInWalk) { m_Flow.m_bInWalk = 1; }
    ~FlowWalkMark() { m_Flow.m_bInWalk = m_bBefore; }
    FlowWalkMark(const FlowWalkMark&) = delete;
    FlowWalkMark& operator=(const FlowWalkMark&) = delete;

  private:
    cFlow& m_Flow;
    int m_bBefore;
};

int CommandType(const cEdFlowCmd& rec) {
    const int type = rec.FlowKind();
    return type < 0 ? FCT_NONE : type;
}

std::int32_t Param(const cEdFlowCmd& rec, int n) {
    return n >= 0 && n < rec.m_Params.Count() ? rec.m_Params[static_cast<std::size_t>(n)] : 0;
}

// A message that waits for its window (parameters 15 and 6 both 0).
bool IsWaitingMessage(const cEdFlowCmd& rec) {
    return CommandType(rec) == FCT_MESSAGE && Param(rec, 15) == 0 && Param(rec, 6) == 0;
}

int ClampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

cEdFlow& DefOf(cChara& chara, const cFlow& flow) {
    return chara.m_Def.m_Flows.at(flow.m_nIndex);
}

// Takes into the instance what a step reads of its record.
void NoteRecordFacts(cFlowCommand& inst) {
    const cEdFlowCmd& rec = *inst.m_lpRecord;
    const int type = CommandType(rec);
    inst.m_nType = static_cast<std::int8_t>(type);
    inst.m_nWithNext = rec.m_bRunWithNext;
    inst.m_bWaitsMessage = IsWaitingMessage(rec) ? 1 : 0;
    const FlowCommandNote note = g_Types[type].note;
    inst.m_nWork[NOTED_WORK_FIELD] = note && note(inst, rec) ? 1 : 0;
}

// Points instance k of a flow at its record in the flow's definition, with what a step reads of it.
void LinkInstance(cFlow& flow, std::size_t k) {
    cFlowCommand& inst = flow.m_Commands[k];
    inst.m_lpRecord = const_cast<cEdFlowCmd*>(&flow.m_lpDef->m_Commands[k]);
    NoteRecordFacts(inst);
}

// Instance k of a flow (pointed at its record whenever the definitions move or the character is
// copied).
cFlowCommand& InstanceAt(cFlow& flow, int k) {
    return flow.m_Commands[static_cast<std::size_t>(k)];
}

void MarkGroupEnded(cChara& chara, int group) {
    if (group == 0) return;
    SetFlowGroupBits(chara, group, FlowGroupBits(chara, group) | FLOW_GROUP_ENDED);
    chara.m_FlowState.bGroupEnded = 1;
}

void BuildCues(cFlow& flow) {
    flow.m_Cues.clear();
    const int mul = std::max(1, static_cast<int>(g_nFrameMul));
    // `start` is the time of the commands before j; the animation starts early enough when the
    // commands from some k up to j take its time t, that is when start less the least time before
    // any k reaches t. The least is kept as the list goes, so that a list of any length (loops
    // expand to tens of thousands of commands) is gone through once.
    std::int64_t start = 0;
    std::int64_t least = 0;
    for (std::size_t j = 0; j < flow.m_Commands.size(); ++j) {
        const cEdFlowCmd& rec = *flow.m_Commands[j].m_lpRecord;
        if (rec.m_nAnimation != 0) {
            const std::int64_t lf = static_cast<std::int64_t>(AnimationLength(rec.m_nAnimation)) * 6;
            const std::int64_t t = lf * mul;
            const bool found = j > 0 && start - least >= t;
            const std::int64_t r = t - start; // what is left of t before the first command
            const int type = CommandType(rec);
            cAnimeCue cue;
            cue.m_nAnime = rec.m_nAnimation;
            cue.m_nBase6 = static_cast<std::int16_t>(rec.m_nUseTime * 6);
            cue.m_bHold = (type == FCT_JUMP || type == FCT_SWORD) ? 0 : 1;
            if (found) {
                cue.m_nStart = ClampToInt(start - t);
                cue.m_nSkip = 0;
                cue.m_nPlay = static_cast<std::int16_t>(lf);
            } else {
                const std::int64_t skip = std::min(r / mul, lf);
                cue.m_nStart = 0;
                cue.m_nSkip = static_cast<std::int16_t>(skip);
                cue.m_nPlay = static_cast<std::int16_t>(lf - skip);
            }
            flow.m_Cues.push_back(cue);
        }
        least = std::min(least, start);
        if (rec.m_bRunWithNext != 1) start += flow.m_Commands[j].m_nUseTime;
    }
}

// Variables a condition or an arrangement reads.
std::vector<std::int32_t>& StageVars() {
    static std::vector<std::int32_t> none;
    return g_lpGameScene ? g_lpGameScene->m_StageVars : none;
}

// ---- The running flows kept for the walk of a flow update (cCharaFlowState::runningBits) ----

constexpr std::size_t RUN_BITS = 64;

// Counts the flows started that were not found in the current character's list: every kept set
// made before one may miss it.
std::uint32_t g_nStrayStarts = 0;

// The position of `flow` in the character's list; -1 when it is not one of its flows.
std::ptrdiff_t PositionIn(const cChara& chara, const cFlow& flow) {
    const cFlow* const begin = chara.m_Flows.data();
    const cFlow* const end = begin + chara.m_Flows.size();
    if (std::less<>{}(&flow, begin) || !std::less<>{}(&flow, end)) return -1;
    return &flow - begin;
}

bool RunningBitsHold(const cChara& chara) {
    const cCharaFlowState& st = chara.m_FlowState;
    return st.runKnown && st.runStamp == g_nStrayStarts && st.runListData == chara.m_Flows.data() &&
           st.runListSize == chara.m_Flows.size();
}

// Makes the set again from the flows when it does not hold (a list of more than 64 flows keeps none).
void RefreshRunningBits(cChara& chara) {
    if (RunningBitsHold(chara)) return;
    cCharaFlowState& st = chara.m_FlowState;
    st.runKnown = false;
    if (chara.m_Flows.size() > RUN_BITS) return;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < chara.m_Flows.size(); ++i)
        if (chara.m_Flows[i].m_bRunning) bits |= std::uint64_t{1} << i;
    st.runningBits = bits;
    st.runListData = chara.m_Flows.data();
    st.runListSize = chara.m_Flows.size();
    st.runStamp = g_nStrayStarts;
    st.runKnown = true;
}

// A flow of the character (or, with none, of no known character) has started: it is running and
// carries the started mark.
void NoteStarted(cChara* chara, const cFlow& flow) {
    const std::ptrdiff_t at = chara ? PositionIn(*chara, flow) : -1;
    if (at < 0) {
        ++g_nStrayStarts;
        return;
    }
    chara->m_FlowState.flowsMarked = true;
    if (static_cast<std::size_t>(at) < RUN_BITS) chara->m_FlowState.runningBits |= std::uint64_t{1} << at;
}

// A flow of the character has ended.
void NoteEnded(cChara& chara, const cFlow& flow) {
    const std::ptrdiff_t at = PositionIn(chara, flow);
    if (at >= 0 && static_cast<std::size_t>(at) < RUN_BITS)
        chara.m_FlowState.runningBits &= ~(std::uint64_t{1} << at);
}

// The first position from `from` on of a flow of the character that may be running: past every
// flow that the kept set shows idle, when it holds; `from` itself when it does not.
std::size_t NextFlowThatMayRun(const cChara& chara, std::size_t from) {
    if (from >= RUN_BITS || !RunningBitsHold(chara)) return from;
    const std::uint64_t bits = chara.m_FlowState.runningBits >> from;
    return bits == 0 ? chara.m_Flows.size() : from + static_cast<std::size_t>(std::countr_zero(bits));
}

// Calls `each` on the flows of the character that may be running, in list order.
template <class Each> void ForFlowsThatMayRun(const cChara& chara, Each&& each) {
    if (RunningBitsHold(chara)) {
        for (std::uint64_t b = chara.m_FlowState.runningBits; b != 0; b &= b - 1)
            if (const auto i = static_cast<std::size_t>(std::countr_zero(b)); i < chara.m_Flows.size())
                each(chara.m_Flows[i]);
        return;
    }
    for (const cFlow& f : chara.m_Flows)
        each(f);
}

} // namespace

// ---- The command-type table ----

const FlowCommandTypeEntry& FlowCommandTypeInfo(int type) {
    static const FlowCommandTypeEntry nothing{};
    return type >= 0 && type < FCT_COUNT ? g_Types[type] : nothing;
}

void SetFlowCommandPrep(int type, FlowCommandPrep prep) {
    if (type >= 0 && type < FCT_COUNT) g_Types[type].prep = prep;
}
void SetFlowCommandHandler(int type, FlowCommandHandler handler) {
    if (type >= 0 && type < FCT_COUNT) g_Types[type].handler = handler;
}
void SetSharedCommandHandler(int type, SharedCommandHandler handler) {
    if (type > FCT_FLOW_CONTROL && type < FCT_COUNT) g_Types[type].shared = handler ? handler : &NoShared;
}
void SetFlowCommandNote(int type, FlowCommandNote note) {
    if (type >= 0 && type < FCT_COUNT) g_Types[type].note = note;
}

void ResetFlowCommandTable() {
    for (int t = 0; t < FCT_COUNT; ++t) {
        g_Types[t] = FlowCommandTypeEntry{};
        g_Types[t].itemType = ItemTypeOfCommand(t);
        if (t > FCT_FLOW_CONTROL) g_Types[t].shared = &NoShared;
    }
    g_Types[FCT_STATUS].shared = &StatusOperationShared;
    g_Types[FCT_STATUS2].shared = &StatusOperation2Shared;
}

void InstallFlowCommands() {
    ResetFlowCommandTable();
    RegisterMotionCommands();
    RegisterShotCommands();
    RegisterControlCommands();
    RegisterItemCommands();
    RegisterStageCommands();
    RegisterPresentCommands();
}

int ItemTypeOfCommand(int type) {
    return type >= FCT_STAGE_CLEAR && type < FCT_COUNT ? type - ITEM_KIND_OFFSET : 0;
}
int CommandTypeOfItem(int itemType) {
    return itemType >= ICT_STAGE_CLEAR && itemType < ICT_COUNT ? itemType + ITEM_KIND_OFFSET : 0;
}

int RunItemCommand(cChara& chara, int itemType, cEdFlowCmd& record) {
    const int type = CommandTypeOfItem(itemType);
    if (type == 0) return 0;
    return g_Types[type].shared(chara, record);
}

namespace {

// Whether a raise of `kind` would test nothing and change nothing: every flow of the kind was tested
// this frame already, and no flows wait to be built when a walk of the list ends.
bool RaiseTestsNothing(const cChara& chara, int kind) {
    return chara.m_FlowState.RaiseTestsNothing(kind, g_SystemData.m_nCompat525 != 0);
}

// A trigger raised by what happens to a character (a contact, a hit, its defeat) starts its flows
// at once, even while another character's flow is being run: that flow stays the current one.
void TriggerFlowsNow(cChara& chara, int kind) {
    if (RaiseTestsNothing(chara, kind)) return;
    cChara* const chara0 = g_CurChara;
    cFlow* const flow0 = g_CurFlow;
    cFlowCommand* const command0 = g_CurCommand;
    TriggerFlows(chara, kind);
    SetCurFlowChara(chara0);
    SetCurFlow(flow0);
    SetCurCommand(command0);
}

} // namespace

void InstallFlowEngine() {
    g_ObjectFlowCalls.RunFlowUpdate = &RunFlowUpdate;
    g_ObjectFlowCalls.TriggerFlows = &TriggerFlowsNow;
    g_ObjectFlowCalls.BuildFlows = &BuildFlows;
    g_ObjectFlowCalls.EraseFlow = &EraseFlow;
    g_ObjectFlowCalls.RunItemCommand = &RunItemCommand;
    g_ObjectFlowCalls.ApplyItemLinks = &ApplyHeroItemLinks;
    g_ObjectFlowCalls.IsRemoved = &IsRemovedFromPlay;
}

// ---- Current character ----

cChara* CurFlowChara() {
    return g_CurChara;
}
cFlow* CurFlow() {
    return g_CurFlow;
}
cFlowCommand* CurFlowCommand() {
    return g_CurCommand;
}
void SetCurFlowChara(cChara* chara) {
    g_CurChara = chara;
    if (g_lpGameScene) g_lpGameScene->m_lpCurChara = chara;
}

// ---- Group words ----

std::uint32_t FlowGroupBits(const cChara& chara, int group) {
    const auto g = static_cast<std::uint8_t>(group);
    return g < chara.m_FlowGroupBits.size() ? chara.m_FlowGroupBits[g] : 0;
}

void SetFlowGroupBits(cChara& chara, int group, std::uint32_t bits) {
    const auto g = static_cast<std::uint8_t>(group);
    if (chara.m_FlowGroupBits.size() < FLOW_GROUP_WORDS) chara.m_FlowGroupBits.resize(FLOW_GROUP_WORDS, 0);
    chara.m_FlowGroupBits[g] = bits;
}

// ---- Building ----

int AnimationLength(int anime) {
    if (anime < 0 || anime >= g_Database.m_Animes.Count()) return 0;
    std::int64_t sum = 0;
    for (const cEdAnimeFrame& f : g_Database.m_Animes[static_cast<std::size_t>(anime)].m_Frames) {
        if (f.bInterruptible) break;
        sum += std::max(0, f.nTime);
    }
    return static_cast<int>(std::min<std::int64_t>(sum, 4000));
}

void RelinkFlows(cChara& chara) {
    chara.m_FlowState.ListChanged();
    for (std::size_t i = 0; i < chara.m_Flows.size(); ++i) {
        cFlow& f = chara.m_Flows[i];
        f.m_nIndex = static_cast<int>(i);
        f.m_lpDef = &chara.m_Def.m_Flows.at(f.m_nIndex);
        const std::size_t n = std::min(f.m_Commands.size(), f.m_lpDef->m_Commands.size());
        for (std::size_t k = 0; k < n; ++k)
            LinkInstance(f, k);
    }
}

void BuildFlows(cChara& chara, const cCheckedVector<cEdFlow>& defs, int bAdd, int nIndex) {
    cCharaFlowState& st = chara.m_FlowState;
    if (st.nWalking > 0) {
        st.queued.push_back(cQueuedFlows{defs, bAdd, nIndex});
        return;
    }
    cCheckedVector<cEdFlow>& own = chara.m_Def.m_Flows;
    const int count = defs.Count();
    int first = 0;
    if (!bAdd) {
        if (&defs != &own) own = defs;
        chara.m_Flows.assign(own.size(), cFlow{});
    } else {
        const cCheckedVector<cEdFlow> copies = defs; // defs may be the character's own
        if (nIndex >= 0 && nIndex < own.Count()) {
            first = nIndex;
            own.insert(own.begin() + nIndex, copies.begin(), copies.end());
            chara.m_Flows.insert(chara.m_Flows.begin() + nIndex, static_cast<std::size_t>(count), cFlow{});
        } else {
            first = static_cast<int>(chara.m_Flows.size());
            own.insert(own.end(), copies.begin(), copies.end());
            chara.m_Flows.resize(chara.m_Flows.size() + static_cast<std::size_t>(count));
        }
    }
    // Every list's copies share what the stage has left of its bound on what objects hold.
    std::size_t room = PlayBoundLeft(PlayBound::HeldEntries);
    for (int i = 0; i < count; ++i)
        room -= std::min(room, ExpandLoops(own.at(first + i).m_Commands, room));

    const std::int64_t clone = st.nCloneValue;
    const std::int64_t mul = g_nFrameMul;
    const double scale = g_dFrameScale > 0 ? g_dFrameScale : 1.0;
    for (int i = 0; i < count; ++i) {
        cFlow& f = chara.m_Flows[static_cast<std::size_t>(first + i)];
        cEdFlow& def = own.at(first + i);
        f = cFlow{};
        f.m_nIndex = first + i;
        f.m_lpDef = &def;
        f.m_nId = st.nCounter++;
        f.m_Commands.resize(def.m_Commands.size());
        for (std::size_t k = 0; k < def.m_Commands.size(); ++k) {
            cFlowCommand& inst = f.m_Commands[k];
            cEdFlowCmd& rec = def.m_Commands[k];
            inst.m_lpRecord = &rec;
            NoteRecordFacts(inst);
            // A use time is signed: a negative one, like a negative sum with its step, runs the
            // command for no time.
            const std::int64_t base = rec.m_nUseTime;
            inst.m_nUseTime =
                ClampToInt(std::max<std::int64_t>(0, (base + rec.m_nUseTimeStep * clone) * mul * 6));
            if (rec.m_Move) {
                const cEdMove& mv = *rec.m_Move;
                inst.m_dSpeed = static_cast<double>(mv.m_nSpeed + mv.m_nSpeedStep * clone) * 0.1 / scale;
                inst.m_nDirByte = mv.m_nDirection;
                if (mv.m_bInertia) inst.m_dSpeed2 = mv.m_nInertiaLimit * 0.1 / scale;
            }
            if (FlowCommandPrep prep = FlowCommandTypeInfo(CommandType(rec)).prep) prep(inst, chara);
        }
    }
    if (bAdd) {
        for (int i = 0; i < count; ++i) {
            cFlow& f = chara.m_Flows[static_cast<std::size_t>(first + i)];
            if (f.m_lpDef->m_bKeyLevel == 0) f.m_bLastKey = 1;
        }
        RelinkFlows(chara);
    }
    for (int i = 0; i < count; ++i)
        BuildCues(chara.m_Flows[static_cast<std::size_t>(first + i)]);
    st.held.Set(CountHeldEntries(own));
    st.ListChanged();
}

// ---- Starting ----

void ClearFlowFrameMarks(cChara& chara) {
    cCharaFlowState& st = chara.m_FlowState;
    st.MarksCleared();
    // Flows that none marked since the last clearing are left untouched.
    if (st.flowsMarked || st.flowsMarkedStamp != g_nStrayStarts)
        for (cFlow& f : chara.m_Flows)
            f.m_bTriggered = f.m_bStarted = 0;
    st.flowsMarked = false;
    st.flowsMarkedStamp = g_nStrayStarts;
    for (std::uint32_t& w : chara.m_FlowGroupBits)
        w &= ~FLOW_GROUP_TAKEN;
}

namespace {

// Sorts the character's flows by trigger kind when the list changed since it was last done; false
// for a list too long to be sorted.
bool IndexFlowKinds(cChara& chara) {
    cCharaFlowState& st = chara.m_FlowState;
    if (chara.m_Flows.size() > UINT16_MAX) return false;
    if (st.kindsKnown && st.kindListData == chara.m_Flows.data() && st.kindListSize == chara.m_Flows.size())
        return true;
    st.kindStart.fill(0);
    auto kindOf = [](const cFlow& f) { return f.m_lpDef ? static_cast<int>(f.m_lpDef->m_nTrigger) : -1; };
    for (const cFlow& f : chara.m_Flows)
        if (const int k = kindOf(f); k >= 0 && k < 32) ++st.kindStart[static_cast<std::size_t>(k) + 1];
    for (std::size_t k = 1; k < st.kindStart.size(); ++k)
        st.kindStart[k] = static_cast<std::uint16_t>(st.kindStart[k] + st.kindStart[k - 1]);
    const bool near = st.kindStart.back() <= cCharaFlowState::KIND_ORDER_NEAR;
    if (near)
        st.kindOrder.clear();
    else
        st.kindOrder.assign(st.kindStart.back(), 0);
    std::uint16_t* const order = near ? st.kindOrderNear.data() : st.kindOrder.data();
    std::array<std::uint16_t, 33> next = st.kindStart;
    for (std::size_t i = 0; i < chara.m_Flows.size(); ++i)
        if (const int k = kindOf(chara.m_Flows[i]); k >= 0 && k < 32)
            order[next[static_cast<std::size_t>(k)]++] = static_cast<std::uint16_t>(i);
    st.kindListData = chara.m_Flows.data();
    st.kindListSize = chara.m_Flows.size();
    st.kindsKnown = true;
    return true;
}

// Tests one flow raised by `kind` and starts it when it passes; `ofKind` when the flow is known to
// be of the kind.
void RaiseFlow(cChara& chara, cFlow& f, int kind, bool ofKind) {
    if (!ofKind && (!f.m_lpDef || f.m_lpDef->m_nTrigger != kind)) return;
    // A flow is tested once a frame by its kind; older projects test it at every call.
    if (f.m_bTriggered && !g_SystemData.m_nCompat525) return;
    f.m_bTriggered = 1;
    chara.m_FlowState.flowsMarked = true;
    if (f.m_bRunning || f.m_bPaused || f.m_bStopped || f.m_bStarted) return;
    const int group = f.m_lpDef->m_nGroup;
    if (kind == FTK_ALWAYS && group != 0 &&
        (FlowGroupBits(chara, group) & (FLOW_GROUP_RUNNING | FLOW_GROUP_TAKEN)))
        return;
    if (!CheckFlowConditions(f, chara) || !CheckFlowKeyInput(chara, f)) return;
    const cInputRecord* input = InputRecordOf(chara);
    f.m_nFirstKey = input ? FirstPressedKey(*input) : 0;
    StartFlow(f);
}

// TriggerFlows for a raise that may test something.
[[gnu::noinline]] void RaiseFlows(cChara& chara, int kind) {
    SetCurFlowChara(&chara);
    {
        WalkGuard walk(chara);
        cCharaFlowState& st = chara.m_FlowState;
        const std::uint32_t bit = kind >= 0 && kind < 32 ? 1u << kind : 0;
        if (bit && (st.kindsTested & bit) && !g_SystemData.m_nCompat525) {
            // Every flow of the kind was tested this frame already.
        } else if (bit && IndexFlowKinds(chara)) {
            // Only the flows of the kind, in list order; the list keeps its size during the walk.
            const std::uint32_t round = st.markRound;
            const std::uint16_t* const order = st.KindOrder();
            const std::uint32_t last = st.kindStart[static_cast<std::size_t>(kind) + 1];
            for (std::uint32_t j = st.kindStart[static_cast<std::size_t>(kind)]; j < last; ++j)
                RaiseFlow(chara, chara.m_Flows[order[j]], kind, true);
            if (st.markRound == round) st.kindsTested |= bit;
        } else {
            for (cFlow& f : chara.m_Flows)
                RaiseFlow(chara, f, kind, false);
        }
    }
    ClearCurrent();
}

} // namespace

void TriggerFlows(cChara& chara, int kind) {
    // Most raises find every flow of their kind tested this frame already.
    if (RaiseTestsNothing(chara, kind)) {
        ClearCurrent();
        return;
    }
    RaiseFlows(chara, kind);
}

void TriggerRaisedFlows(cChara& chara) {
    chara.m_nTriggerBits = 0;
    if (chara.m_RaisedTriggers.empty()) return;
    std::vector<int> kinds;
    kinds.swap(chara.m_RaisedTriggers);
    for (int kind : kinds)
        TriggerFlows(chara, kind);
}

void StartFlow(cFlow& flow) {
    flow.m_bRunning = 1;
    NoteStarted(CurFlowChara(), flow);
    flow.m_nReached = 0;
    flow.m_nFirstOpen = 0;
    flow.m_nFramesRun = 0;
    flow.m_nMessageWait = 0;
    for (cFlowCommand& c : flow.m_Commands)
        c.m_bDone = 0;
    flow.m_bStarted = 1;
    cChara* chara = CurFlowChara();
    if (!chara || !flow.m_lpDef) return;
    const int kind = flow.m_lpDef->m_nTrigger;
    const int group = flow.m_lpDef->m_nGroup;
    if (kind == FTK_ALWAYS && group != 0)
        SetFlowGroupBits(*chara, group, FlowGroupBits(*chara, group) | FLOW_GROUP_RUNNING | FLOW_GROUP_TAKEN);
    if (kind == FTK_BEFORE_STAGE && !flow.m_Commands.empty()) {
        // A flow that started this one from its own commands is the current flow again afterwards.
        cFlow* const flow0 = g_CurFlow;
        cFlowCommand* const command0 = g_CurCommand;
        SetCurFlow(&flow);
        flow.m_bStopWalk = 0;
        FlowWalkMark mark(flow);
        for (std::size_t i = 0; i < flow.m_Commands.size(); ++i) {
            flow.m_nReached = static_cast<int>(i);
            cFlowCommand& inst = InstanceAt(flow, static_cast<int>(i));
            if (CommandType(*inst.m_lpRecord) < FCT_FLOW_CONTROL || inst.m_lpRecord->m_bRunWithNext == 0)
                continue;
            StartFlowCommand(inst);
            if (!StepFlowCommand(inst)) DebugErrorBox("使用時間0なので、ここにくることはあり得ないはず！");
            if (flow.m_bStopWalk) break;
            inst.m_bDone = 1;
        }
        ResetFlow(flow, *chara);
        SetCurFlow(flow0);
        SetCurCommand(command0);
    }
}

bool CompareCondition(int op, std::int64_t left, std::int64_t right) {
    switch (op) {
    case 0:
        return left == right;
    case 1:
        return left != right;
    case 2:
        return left >= right;
    case 3:
        return left <= right;
    case 4:
        return left > right;
    case 5:
        return left < right;
    case 6:
        return right == 0 || (left < 0 ? -left : left) % right == 0;
    case 7:
        return right != 0 && (left < 0 ? -left : left) % right != 0;
    default:
        return false;
    }
}

bool CheckFlowConditions(cFlow& flow, cChara& chara) {
    cEdFlow& def = DefOf(chara, flow);
    if (def.m_Conds.empty()) return true;
    if (def.m_bLatch && flow.m_bLatched) return true;
    if (!CheckConditionList(def.m_Conds, def.m_nCondMode, chara)) return false;
    flow.m_bLatched = 1;
    return true;
}

bool CheckConditionList(cCheckedVector<cEdFlowCond>& list, int mode, cChara& chara) {
    if (mode == 0) {
        for (cEdFlowCond& c : list)
            if (!CheckCondition(c, chara)) return false;
        return true;
    }
    if (mode == 1) {
        for (cEdFlowCond& c : list)
            if (CheckCondition(c, chara)) return true;
        return false;
    }
    return false;
}

bool CheckCondition(cEdFlowCond& cond, cChara& chara) {
    switch (cond.m_nKind) {
    case CK_COMMON_VAR:
        return CompareCondition(cond.m_nOperator, ReadVariable(g_SaveData.m_vnCommonVars, cond.m_nNumber),
                                cond.m_nValue);
    case CK_STAGE_VAR:
        return CompareCondition(cond.m_nOperator, ReadVariable(StageVars(), cond.m_nNumber), cond.m_nValue);
    case CK_CHARA_VAR:
        return CompareCondition(cond.m_nOperator, ReadVariable(chara.m_Vars, cond.m_nNumber), cond.m_nValue);
    case CK_STATUS:
        return CheckStatusCondition(cond, chara);
    case CK_STATUS2:
        return TestStatusCondition(chara, cond);
    case CK_STATUS3:
        return TestStateCondition(chara, cond);
    case CK_DISTANCE:
        return CheckDistanceCondition(chara, cond);
    default:
        return false;
    }
}

bool CheckDistanceCondition(cChara& chara, const cEdFlowCond& cond) {
    const int r =
        SaturateInt(std::int64_t{cond.m_nValue} * 16 + static_cast<std::int16_t>(cond.m_nRightNumber));
    const cGameObject* other = nullptr;
    if (cond.m_nSubject == 0)
        other = g_Heroes.empty() ? nullptr : &g_Heroes[0];
    else if (cond.m_nSubject == 1)
        other = chara.m_pTarget;
    if (!other) return false;
    const cScreenRect& me = chara.m_rcScreen;
    const cScreenRect& it = other->m_rcScreen;
    const bool right = chara.m_nDir != 0; // ahead is the higher side
    bool in = false;
    switch (cond.m_nAxis) {
    case 0:
        in = IsSpanInRange(me.left, me.right - me.left + 1, it.left, it.right, 0, r, r, 0);
        break;
    case 1:
        in = IsSpanInRange(me.left, me.right - me.left + 1, it.left, it.right, 0, right ? 0 : r,
                           right ? r : 0, 1);
        break;
    case 2:
        in = IsSpanInRange(me.left, me.right - me.left + 1, it.left, it.right, 0, right ? r : 0,
                           right ? 0 : r, 1);
        break;
    case 3:
        in = IsSpanInRange(me.top, me.bottom - me.top + 1, it.top, it.bottom, 0, r, r, 0);
        break;
    case 4:
        in = IsSpanInRange(me.top, me.bottom - me.top + 1, it.top, it.bottom, 0, right ? 0 : r, right ? r : 0,
                           1);
        break;
    case 5:
        in = IsSpanInRange(me.top, me.bottom - me.top + 1, it.top, it.bottom, 0, right ? r : 0, right ? 0 : r,
                           1);
        break;
    case 6: {
        const double dx = (chara.m_dX + chara.m_nWidth / 2.0) - (other->m_dX + other->m_nWidth / 2.0);
        const double dy = (chara.m_dY + chara.m_nHeight / 2.0) - (other->m_dY + other->m_nHeight / 2.0);
        in = std::sqrt(dx * dx + dy * dy) <= r;
        break;
    }
    default:
        return false;
    }
    if (cond.m_nOperator == 0) return in;
    if (cond.m_nOperator == 1) return !in;
    return false;
}

// ---- Stepping ----

void StartFlowCommand(cFlowCommand& inst) {
    inst.m_nRemain = inst.m_nUseTime;
    if (inst.m_bDone) {
        // A done command of the current flow that starts again: steps look for open commands
        // from it on.
        inst.m_bDone = 0;
        if (cFlow* flow = CurFlow()) {
            const cFlowCommand* const begin = flow->m_Commands.data();
            const cFlowCommand* const end = begin + flow->m_Commands.size();
            if (!std::less<>{}(&inst, begin) && std::less<>{}(&inst, end))
                flow->m_nFirstOpen = std::min(flow->m_nFirstOpen, static_cast<int>(&inst - begin));
        }
    }
    inst.m_nCounter = 0;
    inst.m_bStartedMark = 0;
    std::fill(std::begin(inst.m_nWords), std::end(inst.m_nWords), 0);
    if (!inst.m_lpRecord || CommandType(*inst.m_lpRecord) == FCT_ARRANGE) return;
    cFlow* flow = CurFlow();
    if (!flow || flow->m_Pending.empty()) return;
    cChara* chara = CurFlowChara();
    static const std::vector<std::int32_t> noVars;
    ParamLinkVars vars{g_SaveData.m_vnCommonVars, StageVars(), chara ? chara->m_Vars : noVars};
    ApplyParamLinks(inst.m_lpRecord, vars, &flow->m_Pending);
    flow->m_Pending.clear();
    NoteRecordFacts(inst);
}

namespace {

// Runs the command's handler for the command type given.
void RunCommandAs(cChara& chara, cFlowCommand& inst, int type) {
    const FlowCommandTypeEntry& e = FlowCommandTypeInfo(type);
    if (e.shared)
        e.shared(chara, *inst.m_lpRecord);
    else if (e.handler)
        e.handler(chara, inst);
}

// One sub-step of a command, run by the handler for `type` when it has its record: whether its time
// is up.
bool StepCommandAs(cFlowCommand& inst, int type) {
    SetCurCommand(&inst);
    if (cChara* chara = CurFlowChara(); chara && inst.m_lpRecord) RunCommandAs(*chara, inst, type);
    if (--inst.m_nRemain >= 1) return false;
    inst.m_nRemain = 0;
    return true;
}

// StepFlowCommand for an instance that the flow engine gave its record: the command's type is the
// one the instance keeps.
bool StepInstance(cFlowCommand& inst) {
    return StepCommandAs(inst, inst.m_nType);
}

} // namespace

bool StepFlowCommand(cFlowCommand& inst) {
    return StepCommandAs(inst, inst.m_lpRecord ? CommandType(*inst.m_lpRecord) : FCT_NONE);
}

void ExecuteFlowCommand(cChara& chara, cFlowCommand& inst) {
    if (!inst.m_lpRecord) return;
    RunCommandAs(chara, inst, CommandType(*inst.m_lpRecord));
}

bool StepFlow(cFlow& flow) {
    SetCurFlow(&flow);
    flow.m_bStopWalk = 0;
    FlowWalkMark mark(flow);
    const int n = static_cast<int>(flow.m_Commands.size());
    // The done commands before the first open one are passed over without a look (a long flow
    // would otherwise be walked from its start at every step).
    // A command done at the reached index was done before the walk reached it: a restart of the
    // flow from within itself, marked done in the pass it began. The walk goes past it to the
    // commands after it.
    auto passDone = [&flow, n](int i) {
        if (i == flow.m_nReached && i < n - 1) ++flow.m_nReached;
    };
    int first = std::clamp(flow.m_nFirstOpen, 0, n);
    while (first < n && first <= flow.m_nReached && flow.m_Commands[static_cast<std::size_t>(first)].m_bDone)
        passDone(first++);
    flow.m_nFirstOpen = first;
    for (int i = first; i <= flow.m_nReached && i < n; ++i) {
        cFlowCommand& inst = InstanceAt(flow, i);
        if (inst.m_bDone) {
            passDone(i);
            continue;
        }
        if (inst.m_nRemain == 0) {
            StartFlowCommand(inst);
            if (!inst.m_bWaitsMessage && inst.m_nWithNext == 0) flow.m_nMessageWait = 0;
        }
        if (inst.m_nWithNext == 1) {
            if (StepInstance(inst)) {
                inst.m_bDone = 1;
                if (i == n - 1) return true;
            }
            if (i == flow.m_nReached) ++flow.m_nReached;
            if (flow.m_bStopWalk) return false;
        } else if (StepInstance(inst)) {
            inst.m_bDone = 1;
            if (inst.m_bWaitsMessage) flow.m_nMessageWait = 1;
            if (i == n - 1) return true;
            // A command that started its own flow anew leaves the new pass at its first command.
            if (i <= flow.m_nReached) ++flow.m_nReached;
            break;
        } else if (flow.m_bStopWalk) {
            return false;
        }
    }
    if (n > 0 && flow.m_Commands.back().m_bDone) return true;
    // A pass begun by this step (the flow started anew from within itself) counts no frame yet:
    // it starts at frame 0 on the next frame, whichever way the command ran.
    if (flow.m_bStopWalk != FLOW_WALK_NEW_PASS) ++flow.m_nFramesRun;
    return false;
}

void ResetFlow(cFlow& flow, cChara& chara) {
    if (!flow.m_bRunning) return;
    flow.m_bRunning = 0;
    NoteEnded(chara, flow);
    flow.m_Pending.clear();
    for (cFlowCommand& c : flow.m_Commands)
        c.m_nRemain = 0;
    if (flow.m_lpDef) MarkGroupEnded(chara, flow.m_lpDef->m_nGroup);
}

void PauseFlow(cFlow& flow) {
    flow.m_bPaused = 1;
}
void ResumeFlow(cFlow& flow) {
    flow.m_bPaused = 0;
}

void StopFlowForEver(cFlow& flow, cChara& chara) {
    flow.m_bStopped = 1;
    if (!flow.m_bRunning) return;
    for (cFlowCommand& c : flow.m_Commands)
        c.m_nRemain = 0;
    if (flow.m_lpDef) MarkGroupEnded(chara, flow.m_lpDef->m_nGroup);
}

namespace {

// A command's animation, started on its cue ahead of the command: a copy of the animation's
// sequence that plays the cue's frames, advanced by the frames the cue skips; with a hold the
// first switchable frame lasts the command's base use time, so the picture holds there while
// the command runs. It joins the character's attached animations, tagged with the flow id.
void AttachCueAnimation(cChara& chara, const cAnimeCue& cue, int flowId) {
    if (cue.m_nAnime < 0 || cue.m_nAnime >= g_AnimeSeqTable.Count()) return;
    if (!PlayBoundRoom(PlayBound::CharaAnims, chara.m_AttachedAnims.size())) return;
    cAnimSeqFrames frames = g_AnimeSeqTable.at(cue.m_nAnime);
    if (cue.m_nBase6 >= 2 && cue.m_bHold) {
        for (cAnimFrame& f : frames)
            if (f.nFlag) {
                f.nDuration += cue.m_nBase6 - 1;
                break;
            }
    }
    cCheckedVector<cAnimSeqFrames> seqs;
    seqs.push_back(std::move(frames));
    cChara::cAttachedAnim& a = chara.m_AttachedAnims.emplace_back();
    a.seq.Build(seqs);
    a.bPriority = 1;
    a.nFrames = cue.m_nPlay;
    a.nCount = cue.m_nBase6;
    a.nId = flowId;
    for (int i = 0; i < cue.m_nSkip; ++i) {
        const cAnimSeqFrames& seq = a.seq.m_Seqs.at(0);
        if (a.seq.Frame() >= seq.Count() || seq.at(a.seq.Frame()).nPattern == ANIM_CODE_END) break;
        a.seq.Tick();
    }
}

} // namespace

void RunFlowAnimeCues(cChara& chara) {
    cCharaFlowState& st = chara.m_FlowState;
    if (!st.cuesKnown || st.cueListData != chara.m_Flows.data() || st.cueListSize != chara.m_Flows.size()) {
        st.anyCues = std::any_of(chara.m_Flows.begin(), chara.m_Flows.end(),
                                 [](const cFlow& f) { return !f.m_Cues.empty(); });
        st.cueListData = chara.m_Flows.data();
        st.cueListSize = chara.m_Flows.size();
        st.cuesKnown = true;
    }
    if (!st.anyCues) return;
    // Attaching an animation starts no flow: the running set holds through the walk.
    ForFlowsThatMayRun(chara, [&chara](const cFlow& f) {
        if (!f.m_bRunning || f.m_bPaused) return;
        for (const cAnimeCue& cue : f.m_Cues)
            if (cue.m_nStart == f.m_nFramesRun) AttachCueAnimation(chara, cue, f.m_nId);
    });
}

bool FlowMayBeRunning(const cChara& chara, std::size_t index) {
    if (!RunningBitsHold(chara)) return true;
    return index < RUN_BITS && (chara.m_FlowState.runningBits >> index & 1) != 0;
}

void EraseFlow(cChara& chara, int index) {
    if (index < 0 || index >= static_cast<int>(chara.m_Flows.size())) return;
    cFlow& f = chara.m_Flows[static_cast<std::size_t>(index)];
    if (chara.m_FlowState.nWalking > 0) {
        f.m_bDeleted = 1;
        chara.m_FlowState.bDeleted = 1;
        return;
    }
    ResetFlow(f, chara);
    chara.EraseEffectsById(f.m_nId);
    if (index < chara.m_Def.m_Flows.Count()) chara.m_Def.m_Flows.erase(chara.m_Def.m_Flows.begin() + index);
    chara.m_Flows.erase(chara.m_Flows.begin() + index);
    RelinkFlows(chara);
    chara.m_FlowState.held.Set(CountHeldEntries(chara.m_Def.m_Flows));
}

void RunFlowUpdate(cChara& chara, int bDying) {
    // A defeat marks the death kind and steps the dying character at once: its death flows start
    // here unless the kind was already raised this frame.
    if (bDying && (chara.m_nTriggerBits & (1u << FTK_DIED))) TriggerFlows(chara, FTK_DIED);
    SetCurFlowChara(&chara);
    RefreshRunningBits(chara);
    RunFlowAnimeCues(chara);
    bool cutShort = false;
    {
        WalkGuard walk(chara);
        // Flows started meanwhile join the kept set (or end it), so that those after the one
        // stepped are stepped in this walk too.
        const std::size_t count = chara.m_Flows.size();
        for (std::size_t i = NextFlowThatMayRun(chara, 0); i < count; i = NextFlowThatMayRun(chara, i + 1)) {
            cFlow& f = chara.m_Flows[i];
            if (!f.m_bRunning) continue;
            if (f.m_Commands.empty()) {
                ResetFlow(f, chara);
                continue;
            }
            if (f.m_bPaused || f.m_bStopped) continue;
            // The kind is read only where it decides (the walk does not change the definitions).
            auto kind = [&f] { return f.m_lpDef ? f.m_lpDef->m_nTrigger : -1; };
            if (bDying && kind() != FTK_DIED) continue;
            if (StepFlow(f)) ResetFlow(f, chara);
            if (chara.m_nObjKind == OBJKIND_STAGECHARA && IsRemovedFromPlay(chara)) {
                cutShort = true;
                break;
            }
            if (!bDying && chara.m_nHP < 1 && kind() != FTK_DIED) {
                cutShort = true;
                break;
            }
        }
    }
    ClearCurrent();
    if (cutShort) return;
    // The hero's pending flow changes come before erasure and the groups' end, so that a group
    // whose flows a change erased is free from the next frame.
    if (chara.m_nObjKind == OBJKIND_HERO) ApplyPendingFlowChanges(static_cast<cHero&>(chara));
    if (chara.m_FlowState.bDeleted) {
        for (int i = 0; i < static_cast<int>(chara.m_Flows.size());)
            if (chara.m_Flows[static_cast<std::size_t>(i)].m_bDeleted)
                EraseFlow(chara, i);
            else
                ++i;
        chara.m_FlowState.bDeleted = 0;
    }
    if (chara.m_FlowState.bGroupEnded) {
        for (std::uint32_t& w : chara.m_FlowGroupBits)
            if (w & FLOW_GROUP_ENDED) w &= ~(FLOW_GROUP_RUNNING | FLOW_GROUP_ENDED);
        chara.m_FlowState.bGroupEnded = 0;
    }
}
