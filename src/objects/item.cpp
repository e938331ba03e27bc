// Items: their geometry and fixed animation, drawing, the loop expansion of command lists and the
// running of an item's commands for the hero who takes it.
#include "objects/item.h"

#include "app/log.h"
#include "draw/draw.h"
#include "objects/flow_calls.h"
#include "objects/hero.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/stage_file.h"
#include "records/ed_flow.h"

#include <algorithm>

ItemDrawHooks g_ItemDrawHooks;
ObjectFlowCalls g_ObjectFlowCalls;

namespace {

// Every item shows patterns 0 and 1 in turn, 15 ticks each.
const cAnimFrame kItemFrames[] = {{0, 15, 1}, {1, 15, 1}, {ANIM_CODE_LOOP, 0, 1}};
const cAnimFrame* const kItemAnims[] = {kItemFrames, nullptr};

constexpr int ITEM_TYPE_FLOW_CHANGE = 1;
constexpr int ITEM_TYPE_ARRANGE = 22;
constexpr int ITEM_TYPE_LOOP = 23;
constexpr int CMD_TYPE_LOOP = 38;

bool IsLoop(const cEdFlowCmd& c) {
    return c.m_bItem ? c.m_nKind == ITEM_TYPE_LOOP : c.m_nKind == CMD_TYPE_LOOP;
}

int Param(const cEdFlowCmd& c, std::size_t i) {
    return i < c.m_Params.size() ? c.m_Params[i] : 0;
}

// The item type of a command of an item's list (a character command of type k + 15 counts as k).
int ItemTypeOf(const cEdFlowCmd& c) {
    if (c.m_bItem) return c.m_nKind;
    return (c.m_nKind >= 17 && c.m_nKind <= 38) ? c.m_nKind - 15 : 0;
}

// Flow change: add the command's flows, or replace or erase the flows of a group.
void ApplyFlowChange(cHero& hero, const cEdFlowCmd& cmd) {
    const int mode = Param(cmd, 0);
    if (mode == 0) {
        if (g_ObjectFlowCalls.BuildFlows) g_ObjectFlowCalls.BuildFlows(hero, cmd.m_Flows, 1, -1);
        return;
    }
    if (mode != 1 && mode != 2) return;
    const int group = Param(cmd, 1);
    int first = -1;
    for (int i = 0; i < static_cast<int>(hero.m_Flows.size());) {
        const cEdFlow* def = hero.m_Flows[i].m_lpDef;
        if (def && (group == 0 || def->m_nGroup == group) && g_ObjectFlowCalls.EraseFlow) {
            if (first < 0) first = i;
            const std::size_t before = hero.m_Flows.size();
            g_ObjectFlowCalls.EraseFlow(hero, i);
            if (hero.m_Flows.size() < before) continue;
        }
        ++i;
    }
    if (mode == 1 && g_ObjectFlowCalls.BuildFlows) g_ObjectFlowCalls.BuildFlows(hero, cmd.m_Flows, 1, first);
}

} // namespace

void ExpandLoops(cCheckedVector<cEdFlowCmd>& commands) {
    bool reported = false;
    for (;;) {
        auto it = std::find_if(commands.begin(), commands.end(), IsLoop);
        if (it == commands.end()) return;
        const std::size_t at = static_cast<std::size_t>(it - commands.begin());
        const int r = Param(*it, 0);
        const std::size_t after = commands.size() - at - 1;
        const std::size_t n = std::min<std::size_t>(std::max(Param(*it, 1), 0), after);
        if (n > 0 && r > 1) {
            std::vector<cEdFlowCmd> body(commands.begin() + at + 1, commands.begin() + at + 1 + n);
            std::size_t copies = static_cast<std::size_t>(r - 1);
            const std::size_t room =
                commands.size() < MAX_EXPANDED_COMMANDS ? MAX_EXPANDED_COMMANDS - commands.size() : 0;
            if (copies * n > room) {
                copies = room / n;
                if (!reported) {
                    reported = true;
                    Report("command loops expand to more than %zu commands: the list is cut there",
                           MAX_EXPANDED_COMMANDS);
                }
            }
            std::vector<cEdFlowCmd> inserted;
            inserted.reserve(copies * n);
            for (std::size_t k = 0; k < copies; ++k)
                inserted.insert(inserted.end(), body.begin(), body.end());
            commands.insert(commands.begin() + at + 1 + n, inserted.begin(), inserted.end());
        }
        commands.erase(commands.begin() + at);
    }
}

void cItem::Init(int id, const cEdItemDef& def, int column, int row) {
    m_Def = def;
    if (m_Def.m_nScale == 0) m_Def.m_nScale = 1;
    m_nScale = std::clamp<int>(m_Def.m_nScale, 1, MAX_GIANT_SCALE);
    const int w = g_Stage.m_nItemRangeW, h = g_Stage.m_nItemRangeH;
    cGameObject::Init(id, 0, 0, 0, m_Def.m_nPictureNo, kItemAnims, 0, 16 - w / 2, 16 - h / 2, w, h, 32, 32, 0,
                      1, 0);
    ExpandLoops(m_Def.m_Commands);
    m_bHidden = 0;
    m_bOverlay = 0;
    m_nOverlayCount = 0;
    SetCellPos(column, row);
}

void cItem::Draw(DDSURFACEDATA* surface, int still) {
    if (m_bHidden) return;
    const int pattern = still ? m_AnimSeq.GetPattern() : m_AnimSeq.Tick();
    if (!g_ItemDrawHooks.LookupCell) return;
    DDSURFACEDATA* sheet = nullptr;
    int sx = 0, sy = 0, cw = 32, ch = 32;
    if (!g_ItemDrawHooks.LookupCell(2, m_nPicture, pattern, &sheet, &sx, &sy, &cw, &ch) || !sheet) return;
    const bool stretch = m_nScale > 1 || cw != m_nHitW0 || ch != m_nHitH0;
    if (stretch)
        DDBltStretch(surface, m_rcScreen.left, m_rcScreen.top, m_nHitW0 * m_nScale, m_nHitH0 * m_nScale,
                     sheet, sx, sy, cw, ch, 1);
    else
        DDBlt(surface, m_rcScreen.left, m_rcScreen.top, m_nHitW, m_nHitH, sheet, sx, sy, 1);
    if (m_bOverlay == 1 && g_ItemDrawHooks.OverlaySheet) {
        DDSURFACEDATA* overlay = g_ItemDrawHooks.OverlaySheet();
        if (!overlay) return;
        const int ox = (m_nOverlayCount % 15) * 32, oy = (m_nOverlayCount / 15) * 32;
        if (m_nScale > 1)
            DDBltStretch(surface, m_rcScreen.left, m_rcScreen.top, 32 * m_nScale, 32 * m_nScale, overlay, ox,
                         oy, 32, 32, 1);
        else
            DDBlt(surface, m_rcScreen.left, m_rcScreen.top, 32, 32, overlay, ox, oy, 1);
    }
}

int cHero::RunItemCommands(cCheckedVector<cEdFlowCmd>& commands) {
    for (cEdFlowCmd& cmd : commands) {
        const int type = ItemTypeOf(cmd);
        if (type != ITEM_TYPE_ARRANGE && g_ObjectFlowCalls.ApplyItemLinks)
            g_ObjectFlowCalls.ApplyItemLinks(*this, cmd);
        int result = 0;
        if (type == ITEM_TYPE_FLOW_CHANGE) {
            // While this hero's own flows are stepped the change waits for the end of its step.
            if (g_lpGameScene && g_lpGameScene->m_lpCurChara == this)
                m_Work.pendingFlowChanges.push_back(cmd);
            else
                ApplyFlowChange(*this, cmd);
        } else if (type >= 2 && type < ITEM_TYPE_LOOP && g_ObjectFlowCalls.RunItemCommand) {
            result = g_ObjectFlowCalls.RunItemCommand(*this, type, cmd);
        }
        if (m_nHP < 1) return 2;
        if (result != 0) return result;
    }
    return m_nHP < 1 ? 2 : 0;
}

// Applied by the hero's flow driver after its flows: the changes items asked for meanwhile.
void ApplyPendingFlowChanges(cHero& hero) {
    std::vector<cEdFlowCmd> pending;
    pending.swap(hero.m_Work.pendingFlowChanges);
    for (const cEdFlowCmd& cmd : pending)
        ApplyFlowChange(hero, cmd);
}
