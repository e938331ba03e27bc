// Items: their geometry and fixed animation, drawing, the loop expansion of command lists and the
// running of an item's commands for the hero who takes it.
#include "objects/item.h"

#include "app/log.h"
#include "app/play_bounds.h"
#include "draw/draw.h"
#include "objects/chara_draw.h"
#include "objects/flow_calls.h"
#include "objects/hero.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "project/stage_file.h"
#include "records/ed_flow.h"

#include <algorithm>

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

std::size_t CountHeldEntries(const cEdFlowCmd& command) {
    return 1 + CountHeldEntries(command.m_Flows);
}

std::size_t CountHeldEntries(const cCheckedVector<cEdFlowCmd>& commands) {
    std::size_t n = 0;
    for (const cEdFlowCmd& c : commands)
        n += CountHeldEntries(c);
    return n;
}

std::size_t CountHeldEntries(const cCheckedVector<cEdFlow>& flows) {
    std::size_t n = 0;
    for (const cEdFlow& f : flows)
        n += 1 + f.m_Conds.size() + f.m_KeySteps.size() + CountHeldEntries(f.m_Commands);
    return n;
}

std::size_t ExpandLoops(cCheckedVector<cEdFlowCmd>& commands, std::size_t room) {
    if (std::none_of(commands.begin(), commands.end(), IsLoop)) return 0;
    // The list is worked through as indexes of its commands: `rest` holds what is still to be
    // looked at, its front at the back, so that expanding the first loop touches only what it adds.
    std::vector<int> done;
    std::vector<int> rest;
    for (int k = commands.Count() - 1; k >= 0; --k)
        rest.push_back(k);
    bool cut = false;
    std::size_t added = 0;
    while (!rest.empty()) {
        const int at = rest.back();
        rest.pop_back();
        const cEdFlowCmd& cmd = commands[at];
        if (!IsLoop(cmd)) {
            done.push_back(at);
            continue;
        }
        const int r = Param(cmd, 0);
        const std::size_t n = std::min<std::size_t>(std::max(Param(cmd, 1), 0), rest.size());
        if (n == 0 || r <= 1) continue;
        // The body stands r times: r - 1 copies go in front of it, as far as both bounds allow.
        const std::vector<int> body(rest.end() - n, rest.end());
        std::size_t weight = 0;
        for (int k : body)
            weight += CountHeldEntries(commands[k]);
        std::size_t copies = static_cast<std::size_t>(r - 1);
        const std::size_t size = done.size() + rest.size();
        const std::size_t listRoom = size < MAX_EXPANDED_COMMANDS ? MAX_EXPANDED_COMMANDS - size : 0;
        const std::size_t stageRoom = room > added ? room - added : 0;
        if (cut) {
            copies = 0; // once cut, the list grows no more
        } else if (copies * n > listRoom) {
            PlayBoundRoom(PlayBound::LoopCommands, size + copies * n);
            copies = listRoom / n;
            cut = true;
        }
        if (copies * weight > stageRoom) {
            // The stage's objects hold what it allows: reported, as the bound reports a count at it.
            PlayBoundRoom(PlayBound::HeldEntries, PlayBoundLimit(PlayBound::HeldEntries));
            copies = stageRoom / weight;
            cut = true;
        }
        added += copies * weight;
        for (std::size_t c = 0; c < copies; ++c)
            rest.insert(rest.end(), body.begin(), body.end());
    }
    cCheckedVector<cEdFlowCmd> out;
    out.reserve(done.size());
    for (int k : done)
        out.push_back(commands[k]);
    commands.swap(out);
    return added;
}

void cItem::Init(int id, const cEdItemDef& def, int column, int row) {
    m_Def = def;
    if (m_Def.m_nScale == 0) m_Def.m_nScale = 1;
    m_nScale = std::clamp<int>(m_Def.m_nScale, 1, MAX_GIANT_SCALE);
    const int w = g_Stage.m_nItemRangeW, h = g_Stage.m_nItemRangeH;
    cGameObject::Init(id, 0, 0, 0, m_Def.m_nPictureNo, kItemAnims, 0, 16 - w / 2, 16 - h / 2, w, h, 32, 32, 0,
                      1, 0);
    ExpandLoops(m_Def.m_Commands, PlayBoundLeft(PlayBound::HeldEntries));
    m_Held.Set(CountHeldEntries(m_Def.m_Commands));
    // A transparent item is not drawn but can still be taken; its mark is the definition's.
    m_bHidden = m_Def.m_nTransparent != 0 ? 1 : 0;
    m_bOverlay = m_Def.m_nMarkMode;
    m_nOverlayCount = m_Def.m_nMarkNo;
    SetCellPos(column, row);
}

void cItem::Draw(DDSURFACEDATA* surface, int still) {
    if (m_bHidden) return;
    const int pattern = still ? m_AnimSeq.GetPattern() : m_AnimSeq.Tick();
    DDSURFACEDATA* sheet = nullptr;
    int sx = 0, sy = 0, cw = 32, ch = 32;
    if (!LookupItemCell(2, m_nPicture, pattern, &sheet, &sx, &sy, &cw, &ch) || !sheet) return;
    const bool stretch = m_nScale > 1 || cw != m_nHitW0 || ch != m_nHitH0;
    if (stretch)
        DDBltStretch(surface, m_rcScreen.left, m_rcScreen.top, m_nHitW0 * m_nScale, m_nHitH0 * m_nScale,
                     sheet, sx, sy, cw, ch, 1);
    else
        DDBlt(surface, m_rcScreen.left, m_rcScreen.top, m_nHitW, m_nHitH, sheet, sx, sy, 1);
    if (m_bOverlay == 1) {
        DDSURFACEDATA* overlay = OverlaySheet();
        if (!overlay) return;
        const int ox = (m_nOverlayCount / 15) * 32, oy = (m_nOverlayCount % 15) * 32;
        if (m_nScale > 1)
            DDBltStretch(surface, m_rcScreen.left, m_rcScreen.top, 32 * m_nScale, 32 * m_nScale, overlay, ox,
                         oy, 32, 32, 1);
        else
            DDBlt(surface, m_rcScreen.left, m_rcScreen.top, 32, 32, overlay, ox, oy, 1);
    }
}

int cHero::RunItemCommands(cCheckedVector<cEdFlowCmd>& commands) {
    if (g_lpGameScene) g_lpGameScene->m_bMessageContinued = 0;
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
