#include "play/block_charas.h"

cBlockCharaIndex g_BlockCharas;

bool cBlockCharaIndex::Refresh() {
    if (slots.empty()) return false;
    for (const std::uintptr_t line : writes)
        if (const std::uint32_t* slot = slots.find(line)) {
            const cStageChara& bc = *items[*slot];
            if (ids[*slot] != bc.m_nId) idChains.Forget();
            ids[*slot] = bc.m_nId;
            // Most writes leave the box as it was (a step of no way), which is then passed over:
            // compared bit for bit, so that only a box the same in every bit is.
            const cHitRect now = PositionRect(bc);
            if (std::memcmp(&now, &rects[*slot], sizeof now) == 0) continue;
            rects[*slot] = now;
            if (corners.made) corners.Moved(*slot);
        }
    writes.clear();
    return true;
}

namespace {

void AddBlockChara(cBlockCharaIndex& x, cStageChara& c) {
    if (!c.m_Def.m_nBlockChara) return;
    const std::uintptr_t line = CoordLineOf(&c.m_dX);
    x.oneLine = x.oneLine && CoordLineOf(&c.m_dY) == line && CoordLineOf(&c.m_dRight) == line &&
                CoordLineOf(&c.m_dBottom) == line && CoordLineOf(&c.m_nId) == line;
    if (x.oneLine) x.slots.emplace(line, static_cast<std::uint32_t>(x.items.size()));
    x.items.push_back(&c);
    x.rects.push_back(PositionRect(c));
    x.ids.push_back(c.m_nId);
}

// Whether the characters of g_Charas past the first x.size were only added at its end since the
// index was brought up to date; then `array` holds the array of characters.
bool OnlyAddedSince(const cBlockCharaIndex& x, const std::vector<CharaPos>*& array) {
    array = IndexedCharas();
    if (!x.made || !array || x.charaEpoch != CharaIndexEpoch() || x.charaBuilds != g_CharaIndex.builds)
        return false;
    if (array->size() != g_Charas.size() || array->size() < x.size) return false;
    return x.size == 0 ? x.back == nullptr : &*(*array)[x.size - 1] == x.back;
}

} // namespace

const std::vector<cStageChara*>* RemakeBlockCharas(const cStageCharaList& list) {
    cBlockCharaIndex& x = g_BlockCharas;
    const cStageChara* back = list.empty() ? nullptr : &list.back();
    const std::vector<CharaPos>* array = nullptr;
    if (OnlyAddedSince(x, array)) {
        const std::size_t n = array->size();
        for (std::size_t k = x.size; k < n; ++k)
            AddBlockChara(x, *(*array)[k]);
    } else {
        x.items.clear();
        x.rects.clear();
        x.ids.clear();
        x.idChains.Forget();
        x.slots.clear();
        x.writes.clear();
        x.oneLine = true;
        EachChara([&x](cStageChara& c) { AddBlockChara(x, c); });
    }
    x.corners.made = false;
    if (!x.oneLine) x.slots.clear();
    x.made = true;
    x.size = list.size();
    x.back = back;
    x.charaEpoch = CharaIndexEpoch();
    x.charaBuilds = g_CharaIndex.builds;
    // Without copies to keep, nothing need be noted.
    g_pCoordWrites = x.slots.empty() ? nullptr : &x.writes;
    return &x.items;
}

cStageChara* FindLiveBlockChara(cStageCharaList& list, int id, const cGameObject& self) {
    if (id == 0) return nullptr;
    if (const std::vector<cStageChara*>* items = IndexedBlockCharas(list); items && g_BlockCharas.Refresh()) {
        cIdChains& chains = g_BlockCharas.idChains;
        chains.Take(g_BlockCharas.ids);
        for (std::uint32_t k = chains.First(id); k != cIdChains::NONE; k = chains.Next(k))
            if (IsLiveBlockChara(*(*items)[k], self)) return (*items)[k];
        return nullptr;
    }
    cStageChara* found = nullptr;
    AnyBlockChara(list, [&](cStageChara& bc) {
        if (bc.m_nId == id && IsLiveBlockChara(bc, self)) found = &bc;
        return found != nullptr;
    });
    return found;
}

cBlockCharaScope::cBlockCharaScope() {
    if (g_BlockCharas.scopes++ == 0) g_BlockCharas.Forget();
}

cBlockCharaScope::~cBlockCharaScope() {
    if (--g_BlockCharas.scopes == 0) g_BlockCharas.Forget();
}

void ForgetBlockCharas() {
    g_BlockCharas.Forget();
}

bool BeginBlockCharaErase() {
    cBlockCharaIndex& x = g_BlockCharas;
    // Kept only while current, with copies found by line (a list without them is not brought up to
    // date only to be forgotten; bringing it up to date may leave it without them).
    if (!x.made || x.slots.empty() || !IndexedBlockCharas(g_Charas) || x.slots.empty()) {
        x.Forget();
        return false;
    }
    x.gone.assign(x.items.size(), 0);
    x.anyGone = false;
    return true;
}

void NoteCharaErased(const cStageChara& c) {
    cBlockCharaIndex& x = g_BlockCharas;
    if (const std::uint32_t* slot = x.slots.find(CoordLineOf(&c.m_dX)); slot && x.items[*slot] == &c) {
        x.gone[*slot] = 1;
        x.anyGone = true;
    }
}

void EndBlockCharaErase() {
    cBlockCharaIndex& x = g_BlockCharas;
    if (x.anyGone) {
        std::size_t kept = 0;
        x.slots.clear();
        for (std::size_t k = 0; k < x.items.size(); ++k) {
            if (x.gone[k]) continue;
            x.items[kept] = x.items[k];
            x.rects[kept] = x.rects[k];
            x.ids[kept] = x.ids[k];
            x.slots.emplace(CoordLineOf(&x.items[kept]->m_dX), static_cast<std::uint32_t>(kept));
            ++kept;
        }
        x.items.resize(kept);
        x.rects.resize(kept);
        x.ids.resize(kept);
        x.idChains.Forget();
        x.corners.made = false;
        if (x.slots.empty()) {
            // No block character is left to copy: nothing need be noted.
            x.Forget();
            return;
        }
    }
    x.size = g_Charas.size();
    x.back = g_Charas.empty() ? nullptr : &g_Charas.back();
    x.charaEpoch = CharaIndexEpoch();
    x.charaBuilds = g_CharaIndex.builds;
}
