// Key input of flows: key-step sequences matched backwards over the per-slot key histories.
#include "app/input.h"
#include "flow/flow_engine.h"
#include "objects/game_object.h"
#include "project/system_data.h"

#include <algorithm>
#include <array>
#include <climits>

namespace {

constexpr int SLOTS = cEdFlowEntry::KEY_SLOTS;
constexpr int LAST_ENTRY = INPUT_HISTORY_SIZE - 1;

// Where one slot's cursor stands: an entry of its history and the frames of that entry from the
// cursor back to the entry's start.
struct Cursor {
    int entry = 0;
    int left = 0;
};
using Cursors = std::array<Cursor, SLOTS>;

const cStateHistory* SlotHistory(const cInputRecord& in, int slot) {
    if (slot < INPUT_DIR_HISTORIES)
        return slot < in.dirHistories.Count() ? &in.dirHistories[static_cast<std::size_t>(slot)] : nullptr;
    const int b = slot - INPUT_DIR_HISTORIES;
    return b < in.buttonHistories.Count() ? &in.buttonHistories[static_cast<std::size_t>(b)] : nullptr;
}

INPUTSTATE EntryAt(const cStateHistory* h, int entry) {
    if (!h || entry < 0 || entry >= h->Count()) return INPUTSTATE{};
    return (*h)[static_cast<std::size_t>(entry)];
}

int FramesOf(const cStateHistory* h, int entry) {
    return static_cast<int>(std::min<std::uint32_t>(EntryAt(h, entry).dwFrames, INT_MAX / 2));
}

void StartCursors(const cInputRecord& in, Cursors& cur) {
    for (int s = 0; s < SLOTS; ++s)
        cur[s] = Cursor{0, FramesOf(SlotHistory(in, s), 0)};
}

// Moves every cursor d frames back in time; none passes the oldest entry.
void MoveBack(const cInputRecord& in, Cursors& cur, int d) {
    for (int s = 0; s < SLOTS; ++s) {
        const cStateHistory* h = SlotHistory(in, s);
        Cursor& c = cur[s];
        int rest = d;
        while (rest > 0) {
            if (rest < c.left) {
                c.left -= rest;
                break;
            }
            if (c.entry >= LAST_ENTRY) {
                c.left = std::min(c.left, 1);
                break;
            }
            rest -= c.left;
            ++c.entry;
            c.left = FramesOf(h, c.entry);
        }
    }
}

// Moves every cursor one frame forward in time.
void MoveForward(const cInputRecord& in, Cursors& cur) {
    for (int s = 0; s < SLOTS; ++s) {
        Cursor& c = cur[s];
        if (c.left < FramesOf(SlotHistory(in, s), c.entry) || c.entry == 0)
            ++c.left;
        else {
            --c.entry;
            c.left = 1;
        }
    }
}

int MirrorSlot(int slot) {
    switch (slot) {
    case 1:
        return 2;
    case 2:
        return 1;
    case 5:
        return 7;
    case 7:
        return 5;
    case 6:
        return 8;
    case 8:
        return 6;
    default:
        return slot;
    }
}

// The combination rule of a step over its slots: mode 0 all wanted slots, 1 one or more, 2 exactly
// one.
bool Combine(int mode, int wanted, int matched) {
    switch (mode) {
    case 0:
        return matched == wanted;
    case 1:
        return matched >= 1;
    case 2:
        return matched == 1;
    default:
        return false;
    }
}

bool CheckKeyCondition(const cInputRecord& in, bool mirror, const cEdFlowEntry& step, const Cursors& cur,
                       int& held) {
    int wanted = 0, matched = 0;
    held = 0;
    for (int s = 0; s < SLOTS; ++s) {
        const int want = step.KeyState(s);
        if (want == 0) continue;
        ++wanted;
        const int slot = (mirror && step.m_bMirror == 1 && s < INPUT_DIR_HISTORIES) ? MirrorSlot(s) : s;
        const Cursor& c = cur[slot];
        const INPUTSTATE e = EntryAt(SlotHistory(in, slot), c.entry);
        const int t = c.left;
        bool ok;
        if (want == 1)
            ok =
                e.dwState != 0 && (step.m_bAnyHold ? t >= 1 : (t >= step.m_nMinHold && t <= step.m_nMaxHold));
        else if (want == 2)
            ok = e.dwState == 0 && t >= 1;
        else
            ok = false;
        if (!ok) continue;
        if (step.m_nMatchMode == 0)
            held = matched == 0 ? t : std::min(held, t);
        else if (step.m_nMatchMode == 1)
            held = std::max(held, t);
        else
            held = t;
        ++matched;
    }
    return Combine(step.m_nMatchMode, wanted, matched);
}

} // namespace

const cInputRecord* InputRecordOf(const cChara& chara) {
    if (chara.m_nObjKind == OBJKIND_HERO) {
        if (const cInputRecord* in = static_cast<const cHero&>(chara).m_lpInput) return in;
    }
    if (!g_Heroes.empty() && g_Heroes[0].m_lpInput) return g_Heroes[0].m_lpInput;
    return g_Inputs.empty() ? nullptr : &g_Inputs[0];
}

int CheckFlowKeyInput(cChara& chara, cFlow& flow) {
    const cEdFlow& def = *flow.m_lpDef;
    if (def.m_KeySteps.empty()) return 1;
    if (def.m_bKeyLevel) return CheckKeySequence(chara, def.m_KeySteps, def.m_nKeyGap);
    if (!CheckKeySequence(chara, def.m_KeySteps, def.m_nKeyGap)) {
        flow.m_bLastKey = 0;
        return 0;
    }
    if (flow.m_bLastKey) {
        // Still held since it last started: the flow's group stays taken for this frame.
        if (def.m_nTrigger == FTK_ALWAYS && def.m_nGroup != 0) {
            SetFlowGroupBits(chara, def.m_nGroup,
                             FlowGroupBits(chara, def.m_nGroup) | FLOW_GROUP_RUNNING | FLOW_GROUP_ENDED);
            chara.m_FlowState.bGroupEnded = 1;
        }
        return 0;
    }
    flow.m_bLastKey = 1;
    return 1;
}

int CheckKeySequence(cChara& chara, const cCheckedVector<cEdFlowEntry>& steps, int gap) {
    if (steps.empty()) return 1;
    const cInputRecord* in =
        g_Heroes.empty() || !g_Heroes[0].m_lpInput ? InputRecordOf(chara) : g_Heroes[0].m_lpInput;
    if (!in) return 0;
    const cChara* actor = CurFlowChara() ? CurFlowChara() : &chara;
    const bool mirror = actor->m_nDir == 0;
    Cursors cur;
    StartCursors(*in, cur);
    int held = 0;
    int k = steps.Count() - 1;
    if (!CheckKeyCondition(*in, mirror, steps[static_cast<std::size_t>(k)], cur, held)) return 0;
    while (k > 0) {
        MoveBack(*in, cur, held);
        const cEdFlowEntry& step = steps[static_cast<std::size_t>(k - 1)];
        if (CheckKeyCondition(*in, mirror, step, cur, held)) {
            --k;
            continue;
        }
        if (gap == 0) return 0;
        const Cursors here = cur;
        bool found = false;
        for (int g = 0; g < gap && !found; ++g) {
            MoveBack(*in, cur, 1);
            found = CheckKeyCondition(*in, mirror, step, cur, held);
        }
        if (!found) {
            // The earlier step may overlap the later one by a frame; unless the project predates
            // the switch that allows it, not at a frame where the later step holds as well.
            cur = here;
            MoveForward(*in, cur);
            int laterHeld = 0;
            if (!CheckKeyCondition(*in, mirror, step, cur, held) ||
                (!g_SystemData.m_nCompat669 &&
                 CheckKeyCondition(*in, mirror, steps[static_cast<std::size_t>(k)], cur, laterHeld)))
                return 0;
        }
        --k;
    }
    return 1;
}

bool CheckKeyStates(const cInputRecord& input, const cEdFlowEntry& step) {
    int wanted = 0, matched = 0;
    for (int s = 0; s < SLOTS; ++s) {
        const int want = step.KeyState(s);
        if (want == 0) continue;
        ++wanted;
        const bool down = EntryAt(SlotHistory(input, s), 0).dwState != 0;
        if ((want == 1 && down) || (want == 2 && !down)) {
            ++matched;
            if (step.m_nMatchMode == 1) break;
        }
    }
    return Combine(step.m_nMatchMode, wanted, matched);
}

int FirstPressedKey(const cInputRecord& input) {
    for (int s = 0; s < INPUT_DIR_HISTORIES; ++s)
        if (EntryAt(SlotHistory(input, s), 0).dwState != 0) return s;
    return 0;
}
