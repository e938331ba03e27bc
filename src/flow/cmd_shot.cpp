// Shot, sword and summon commands: each emits on the first frame of its use time and again every
// repeat period; a sword is made once.
#include "app/play_se.h"
#include "flow/cmd_motion.h"
#include "flow/flow_engine.h"
#include "objects/game_scene.h"
#include "objects/shot.h"
#include "project/stage_file.h"

namespace {

void PlaySound(const cChara& c, const cEdFlowCmd& rec) {
    // With the sound-only-if flag a character outside the view fires silently.
    if (rec.m_nSoundCond && !c.m_bInView) return;
    PlayUserSe(rec.m_nSound);
}

void NextFrame(cFlowCommand& inst) {
    const int period = g_Stage.m_nFramePeriod;
    if (++inst.m_nCounter >= period && period > 0) inst.m_nCounter = 0;
}

template <int Type> void CmdEmit(cChara& c, cFlowCommand& inst) {
    cEdFlowCmd* rec = inst.m_lpRecord;
    if (!rec) return;
    if (inst.m_nCounter == 0 && rec->m_Shot) {
        PlaySound(c, *rec);
        const cEdShot& shot = *rec->m_Shot;
        const cFlow* flow = CurFlow();
        const int key = flow ? flow->m_nFirstKey : 0;
        switch (Type) {
        case 11:
            if (g_lpGameScene) ExecShotCommand(c, shot, g_lpGameScene->m_Shots, key);
            break;
        case 13:
            ExecSummonBlock(c, shot, key);
            break;
        case 14:
            ExecSummonChara(c, shot, key);
            break;
        default:
            ExecSummonItem(c, shot, key);
            break;
        }
    }
    NextFrame(inst);
}

void CmdSword(cChara& c, cFlowCommand& inst) {
    cEdFlowCmd* rec = inst.m_lpRecord;
    if (!rec) return;
    if (inst.m_nCounter == 0 && rec->m_Shot) {
        PlaySound(c, *rec);
        if (g_lpGameScene) ExecSword(c, *rec->m_Shot, g_lpGameScene->m_Shots);
    }
    ++inst.m_nCounter; // never wraps: one sword per run of the command
}

} // namespace

void RegisterShotCommands() {
    SetFlowCommandHandler(11, CmdEmit<11>);
    SetFlowCommandHandler(12, CmdSword);
    SetFlowCommandHandler(13, CmdEmit<13>);
    SetFlowCommandHandler(14, CmdEmit<14>);
    SetFlowCommandHandler(15, CmdEmit<15>);
}
