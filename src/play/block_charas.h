// The block characters of g_Charas kept apart while the sub-steps of a frame run, so that a
// character's step meets only the block characters near it instead of walking every character.
#pragma once

#include "play/block_cells.h"
#include "play/chara_index.h"
#include "play/hit_rect.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// While one lives (the sub-steps of a frame of play), the block characters of g_Charas are kept in a
// list of their own.
class cBlockCharaScope {
  public:
    cBlockCharaScope();
    ~cBlockCharaScope();
    cBlockCharaScope(const cBlockCharaScope&) = delete;
    cBlockCharaScope& operator=(const cBlockCharaScope&) = delete;
};

// A block character other than `self` that is present and neither defeated nor out of play.
inline bool IsLiveBlockChara(const cStageChara& bc, const cGameObject& self) {
    return &bc != &self && bc.m_Def.m_nBlockChara && bc.m_bPresent && !bc.m_bDefeated && !bc.m_bRemoved;
}

// The block characters of g_Charas in its order, while the sub-steps of a frame run. Made at the
// first use and again whenever the list changed since: characters erased (other than by the sweep
// and the removal of those beyond the limits, which take the erased out of it as well) show in the
// array of characters' epoch, a character added (a spawn) in the list's length and last element.
// Characters only added at the list's end since (the array of characters kept its order and lost
// none) join it at its end. Beside each, a copy of its hit box, kept by the cells of its corners and
// current through the coordinate write watch: every write to an object's box notes the object's
// line, and the boxes of the block characters written are taken again before the next look-up.
// The watch makes the crowded stages' play steps about seven times as fast as reading every block
// character's box at each look-up.
struct cBlockCharaIndex {
    int scopes = 0;
    bool made = false;
    std::size_t size = 0;
    const cStageChara* back = nullptr;
    // The array of characters as it was when this was last brought up to date.
    unsigned charaEpoch = 0, charaBuilds = 0;
    bool oneLine = true;
    std::vector<cStageChara*> items;
    std::vector<cHitRect> rects;
    std::vector<int> ids;
    // The indexes of each id, kept while ids only grows.
    cIdChains idChains;
    // The item index of each block character by the line its box begins; empty when some box
    // does not lie in one line, and then the copies are not used.
    cLineSlots slots;
    std::vector<std::uintptr_t> writes;
    // The copies by the cells of their corners, made at the first look-up after the list of block
    // characters changed and kept in step with the copies from then on.
    cCornerCells corners;
    std::vector<std::uint32_t> found;
    // Of those found by a look-up, the ones that took part.
    std::vector<std::uint32_t> tookPart;
    // The block characters an erase takes out of the list.
    std::vector<std::uint8_t> gone;
    bool anyGone = false;

    ~cBlockCharaIndex() { Forget(); }
    void Forget() {
        made = false;
        corners.made = false;
        g_pCoordWrites = nullptr;
        writes.clear();
    }
    // Takes again the boxes of the block characters written since the last call; whether the
    // copies may be used.
    bool Refresh();
};
extern cBlockCharaIndex g_BlockCharas;

// IndexedBlockCharas for a list that changed since it was last brought up to date: made again from
// g_Charas, or extended by the characters added at its end.
const std::vector<cStageChara*>* RemakeBlockCharas(const cStageCharaList& list);

// The index, brought up to date; null outside the sub-steps and for another list. Kept inline for
// the look-ups of every character's step, which mostly find it current.
inline const std::vector<cStageChara*>* IndexedBlockCharas(const cStageCharaList& list) {
    cBlockCharaIndex& x = g_BlockCharas;
    if (x.scopes == 0 || &list != &g_Charas) return nullptr;
    if (x.made && x.size == list.size() && x.back == (list.empty() ? nullptr : &list.back()) &&
        x.charaEpoch == CharaIndexEpoch() && x.charaBuilds == g_CharaIndex.builds)
        return &x.items;
    return RemakeBlockCharas(list);
}

// Calls f on the block characters of the list in its order until it returns true; whether it did.
template <class F> bool AnyBlockChara(const cStageCharaList& list, F&& f) {
    if (const std::vector<cStageChara*>* items = IndexedBlockCharas(list)) {
        for (cStageChara* bc : *items)
            if (f(*bc)) return true;
        return false;
    }
    for (const cStageChara& bc : list)
        if (bc.m_Def.m_nBlockChara && f(const_cast<cStageChara&>(bc))) return true;
    return false;
}

template <class F> void EachBlockChara(const cStageCharaList& list, F&& f) {
    AnyBlockChara(list, [&](cStageChara& bc) {
        f(bc);
        return false;
    });
}

// Calls f in the list's order on the block characters whose boxes may meet `r` (every one whose box
// meets it, and perhaps others); f must not move any object's box nor walk the block characters.
// f tells whether the block character took part, and must do nothing for one whose box is the very
// box of one that took part before it: such a one is passed over unread where the copies are used
// (block characters stand stacked in piles, of which only the first that takes part counts). The
// copies are found by the cells of their corners.
template <class F> void EachBlockCharaNear(const cStageCharaList& list, const cHitRect& r, F&& f) {
    cBlockCharaIndex& x = g_BlockCharas;
    const std::vector<cStageChara*>* items = IndexedBlockCharas(list);
    if (!items || !x.Refresh()) return EachBlockChara(list, [&f](cStageChara& bc) { f(bc); });
    if (!x.corners.made) x.corners.Make(x.rects);
    const std::vector<std::uint32_t>* pile = nullptr;
    x.corners.Collect(x.rects, r, x.found, pile);
    if (pile) {
        // Boxes all the same: the first that takes part is the only one that counts.
        for (const std::uint32_t k : *pile)
            if (f(*(*items)[k])) return;
        return;
    }
    x.tookPart.clear();
    for (const std::uint32_t k : x.found) {
        const cHitRect& box = x.rects[k];
        // Compared bit for bit: a box with an edge not a number meets nothing, and takes no part.
        if (std::any_of(x.tookPart.begin(), x.tookPart.end(),
                        [&](std::uint32_t t) { return std::memcmp(&x.rects[t], &box, sizeof box) == 0; }))
            continue;
        if (f(*(*items)[k])) x.tookPart.push_back(k);
    }
}

// The first live block character (other than `self`) whose id is `id`, in the list's order, or null.
cStageChara* FindLiveBlockChara(cStageCharaList& list, int id, const cGameObject& self);

// Characters were erased from g_Charas outside the sweep: the block characters' list is taken again.
void ForgetBlockCharas();
// Erases the characters `gone` picks from g_Charas as EraseCharasIf does; the block characters'
// list, when it is current, loses those erased and stays.
bool BeginBlockCharaErase();
void NoteCharaErased(const cStageChara& c);
void EndBlockCharaErase();
template <class F> bool EraseCharasKeepingBlockCharasIf(F&& gone) {
    if (!BeginBlockCharaErase()) return EraseCharasIf(gone);
    const bool erased = EraseCharasIf([&gone](cStageChara& c) {
        if (!gone(c)) return false;
        NoteCharaErased(c);
        return true;
    });
    EndBlockCharaErase();
    return erased;
}
