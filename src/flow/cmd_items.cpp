#include "flow/cmd_items.h"

#include "app/log.h"
#include "app/play_bounds.h"
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/item.h"
#include "project/common_palette.h"
#include "project/stage_file.h"
#include "records/param_link.h"

#include <map>

namespace {

// Item taking that takes items again (an item whose commands give itself) stops at this depth.
constexpr int MAX_TAKE_DEPTH = 16;
// The stage-end request of an item taken from a palette that does not exist: neither a clear (1)
// nor a defeat (2).
constexpr int STAGE_END_BAD_PALETTE = -1;

int Param(const cEdFlowCmd& rec, int n) {
    return n >= 0 && n < rec.m_Params.Count() ? rec.m_Params[static_cast<std::size_t>(n)] : 0;
}

int g_nTakeDepth = 0;

// What the palettes' expanded lists hold in the running stage.
cBoundShare g_PaletteExpansions{PlayBound::HeldEntries};

// Expands a palette list's loops within what the stage has left to hold, and counts what it adds.
void ExpandHeld(cCheckedVector<cEdFlowCmd>& commands) {
    g_PaletteExpansions.Set(g_PaletteExpansions.Held() +
                            ExpandLoops(commands, PlayBoundLeft(PlayBound::HeldEntries)));
}

// The stage's running copies of the command lists of the common palette's items it has taken, by
// item number. Arrangements change these for the rest of the stage; the palette stays as loaded.
std::map<int, cCheckedVector<cEdFlowCmd>> g_CommonTaken;

cCheckedVector<cEdFlowCmd>& CommonItemCommands(cCheckedVector<cEdItemDef>& palette, int item) {
    const cEdItemDef& def = palette.at(item);
    auto it = g_CommonTaken.find(item);
    if (it == g_CommonTaken.end()) {
        it = g_CommonTaken.emplace(item, def.m_Commands).first;
        ExpandHeld(it->second);
    }
    return it->second;
}

} // namespace

void ResetCommonItemCommands() {
    g_CommonTaken.clear();
}

int CmdGetItem(cChara&, cEdFlowCmd& record) {
    const int palette = Param(record, 0);
    const int item = Param(record, 1);
    if (palette != 0 && palette != 1) {
        Report("Item taking: palette %d is neither the common (0) nor the stage palette (1)", palette);
        // The request word says something went wrong without asking for a clear or a defeat.
        if (g_lpGameScene) g_lpGameScene->m_nStageEndRequest = STAGE_END_BAD_PALETTE;
        return 0;
    }
    if (g_Heroes.empty()) return 0;
    if (g_nTakeDepth >= MAX_TAKE_DEPTH) {
        Report("Item taking: item %d of palette %d takes items more than %d deep", item, palette,
               MAX_TAKE_DEPTH);
        return 0;
    }
    cCheckedVector<cEdItemDef>& list = palette == 0 ? g_CommonPalette.m_Items : g_Stage.m_PaletteItems;
    if (list.empty()) {
        Report("Item taking: palette %d holds no items", palette);
        return 0;
    }
    // Arrangements change the commands for later takes until the stage is set up again: the
    // running stage's palette records, and the stage's copies of the common palette's.
    cCheckedVector<cEdFlowCmd>& commands =
        palette == 0 ? CommonItemCommands(list, item) : list.at(item).m_Commands;
    if (palette == 1) ExpandHeld(commands);
    ++g_nTakeDepth;
    const int result = g_Heroes[0].RunItemCommands(commands);
    --g_nTakeDepth;
    // The item's result is the request, 0 included.
    if (g_lpGameScene) g_lpGameScene->m_nStageEndRequest = result;
    return result;
}

void ReleasePaletteExpansions() {
    g_PaletteExpansions.Set(0);
}

namespace {

// The link an arrangement queues.
bool NoteArrange(cFlowCommand& inst, const cEdFlowCmd& rec) {
    const ParamLink link = ParamLinkFromCommand(rec);
    inst.m_nWork[0] = link.kind;
    inst.m_nWork[1] = link.param;
    inst.m_nWork[2] = link.op;
    inst.m_nWork[3] = link.scope;
    inst.m_nWork[4] = link.index;
    return true;
}

} // namespace

int CmdArrange(cChara&, cEdFlowCmd& record) {
    const cFlowCommand* noted = NotedInstanceOf(record, FCT_ARRANGE);
    const ParamLink link = noted ? ParamLink{noted->m_nWork[0], noted->m_nWork[1], noted->m_nWork[2],
                                             noted->m_nWork[3], noted->m_nWork[4]}
                                 : ParamLinkFromCommand(record);
    if (record.m_bItem) {
        if (!g_Heroes.empty()) g_Heroes[0].m_Work.pendingLinks.push_back(link);
    } else if (cFlow* flow = CurFlow()) {
        flow->m_Pending.push_back(link);
    }
    return 0;
}

void RegisterItemCommands() {
    SetSharedCommandHandler(FCT_TAKE_ITEM, &CmdGetItem);
    SetSharedCommandHandler(FCT_ARRANGE, &CmdArrange);
    SetFlowCommandNote(FCT_ARRANGE, &NoteArrange);
}
