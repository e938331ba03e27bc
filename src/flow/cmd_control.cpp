#include "flow/cmd_control.h"

#include "app/int_range.h"
#include "app/play_bounds.h"
#include "flow/cmd_hooks.h"
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"

FlowPlayHooks g_FlowPlayHooks;

namespace {

enum FlowOp { OP_START = 0, OP_END = 1, OP_PAUSE = 2, OP_RESUME = 3, OP_DELETE = 4, OP_STOP = 5 };
enum FlowChoice { PICK_CURRENT = 0, PICK_OTHERS = 1, PICK_BY_ID = 2 };

int Param(const cEdFlowCmd& rec, int n) {
    return n >= 0 && n < rec.m_Params.Count() ? rec.m_Params[static_cast<std::size_t>(n)] : 0;
}

void EraseAnims(cChara& chara, const cFlow& flow) {
    chara.EraseEffectsById(flow.m_nId);
}

// One operation on one flow. `inst` is the running flow-control command when `flow` is the flow
// that runs it.
void Apply(cChara& chara, cFlow& flow, int op, cFlowCommand* inst) {
    const bool current = inst != nullptr;
    switch (op) {
    case OP_START:
        // A flow whose commands are being walked further out (it started, directly or through
        // others, the stage-start flow that runs this command) is not started again inside its
        // own walk: two such flows that start each other would start each other without end.
        if (!current && flow.m_bInWalk) break;
        ResetFlow(flow, chara);
        EraseAnims(chara, flow);
        // A flow of the stage's start runs to its end inside StartFlow: restarting it from itself
        // would start it again without end, so there it only ends.
        if (!(current && flow.m_lpDef && flow.m_lpDef->m_nTrigger == FTK_BEFORE_STAGE)) {
            StartFlow(flow);
            // The command finishes and is done in the new pass, which begins with the first command
            // on the next frame and passes over this one. As the flow's last command it would end
            // the flow it has just started: it keeps running instead, so that the flow starts anew
            // each time the walk reaches it.
            if (current && inst == &flow.m_Commands.back()) inst->m_nRemain = 2;
            flow.m_bStopWalk = current ? FLOW_WALK_NEW_PASS : 1;
            break;
        }
        flow.m_bStopWalk = 1;
        break;
    case OP_END:
        ResetFlow(flow, chara);
        EraseAnims(chara, flow);
        flow.m_bStopWalk = 1;
        break;
    case OP_PAUSE:
        PauseFlow(flow);
        chara.EndEffectsById(flow.m_nId);
        flow.m_bStopWalk = 1;
        break;
    case OP_RESUME:
        ResumeFlow(flow);
        chara.ReleaseEffectsById(flow.m_nId);
        break;
    case OP_DELETE:
        flow.m_bDeleted = 1;
        flow.m_bStopWalk = 1;
        chara.m_FlowState.bDeleted = 1;
        break;
    case OP_STOP:
        StopFlowForEver(flow, chara);
        EraseAnims(chara, flow);
        flow.m_bStopWalk = 1;
        break;
    default:
        break;
    }
}

int LoopShared(cChara&, cEdFlowCmd&) {
    return 0; // loops are expanded before a command list runs
}

} // namespace

bool RunFlowPause(cGameScene& scene, int kind, int confirm, int frames) {
    if (scene.m_bClosing) return false;
    const std::size_t most = PlayBoundLimit(PlayBound::WaitFrames);
    if (!confirm && frames > 0 && static_cast<std::size_t>(frames) > most) {
        PlayBoundRoom(PlayBound::WaitFrames, static_cast<std::size_t>(frames));
        frames = static_cast<int>(most);
    }
    if (g_FlowPlayHooks.SetPauseWait) {
        g_FlowPlayHooks.SetPauseWait(scene, kind, confirm, frames, 0);
    } else {
        scene.m_nWaitKind = kind;
        scene.m_bWaitConfirm = confirm;
        scene.m_nWaitFrames = frames;
        scene.m_nWaitDelay = 0;
        scene.m_bWaitClosed = 0;
    }
    return g_FlowPlayHooks.RunPauseLoop ? g_FlowPlayHooks.RunPauseLoop(scene) : true;
}

void CmdFlowControl(cChara& chara, cFlowCommand& inst) {
    if (!inst.m_lpRecord) return;
    const int op = Param(*inst.m_lpRecord, 0);
    const int pick = Param(*inst.m_lpRecord, 1);
    if (op < OP_START || op > OP_STOP) return;
    cFlow* cur = CurFlow();
    switch (pick) {
    case PICK_CURRENT:
        if (cur) Apply(chara, *cur, op, &inst);
        break;
    case PICK_OTHERS:
        for (cFlow& f : chara.m_Flows)
            if (&f != cur) Apply(chara, f, op, nullptr);
        break;
    case PICK_BY_ID: {
        const int id = Param(*inst.m_lpRecord, 2);
        if (id == 0) break;
        for (cFlow& f : chara.m_Flows)
            if (f.m_lpDef && f.m_lpDef->m_nId != 0 && f.m_lpDef->m_nId == id)
                Apply(chara, f, op, &f == cur ? &inst : nullptr);
        break;
    }
    default:
        break;
    }
}

int CmdGameWait(cChara&, cEdFlowCmd& record) {
    cGameScene* scene = g_lpGameScene;
    if (!scene || scene->m_bClosing) return 0;
    const int frames = SaturateInt(std::int64_t{Param(record, 0)} * 6);
    // An entry without text holds the message list's place for the time of the wait.
    cMessage& entry = scene->m_Messages.emplace_back();
    entry.m_nKind = 1;
    entry.m_nDisplayMode = 2;
    entry.m_nFrames = frames;
    const cMessage* mark = &entry;
    RunFlowPause(*scene, 0, 0, frames);
    // The pause loop's drawing may have ended the entry already; only the address is compared.
    for (auto it = scene->m_Messages.begin(); it != scene->m_Messages.end(); ++it)
        if (&*it == mark) {
            scene->m_Messages.erase(it);
            break;
        }
    return 0;
}

void RegisterControlCommands() {
    SetFlowCommandHandler(FCT_FLOW_CONTROL, &CmdFlowControl);
    SetSharedCommandHandler(FCT_GAME_WAIT, &CmdGameWait);
    SetSharedCommandHandler(FCT_LOOP, &LoopShared);
}
