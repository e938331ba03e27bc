#include "play/chara_index.h"

#include <unordered_map>

cCharaIndex g_CharaIndex;

namespace {

void Rebuild(cCharaIndex& x) {
    x.items.clear();
    for (auto it = g_Charas.begin(); it != g_Charas.end(); ++it)
        x.items.push_back(it);
    x.made = true;
    x.size = g_Charas.size();
    ++x.builds;
}

} // namespace

cCharaIndexScope::cCharaIndexScope() {
    if (g_CharaIndex.scopes++ == 0) g_CharaIndex.made = false;
}

cCharaIndexScope::~cCharaIndexScope() {
    if (--g_CharaIndex.scopes == 0) g_CharaIndex.made = false;
}

std::vector<CharaPos>* RefreshCharaIndex() {
    cCharaIndex& x = g_CharaIndex;
    const std::size_t size = g_Charas.size();
    if (x.made && size > x.size) {
        // Only added at the end since (every erase is told): the new ones follow the last known.
        auto it = x.items.empty() ? g_Charas.begin() : std::next(x.items.back());
        for (; it != g_Charas.end(); ++it)
            x.items.push_back(it);
        x.size = size;
        return &x.items;
    }
    if (x.made) ++x.epoch; // shorter without being told: taken again
    Rebuild(x);
    return &x.items;
}

namespace {

// The ids of the array's characters, each with the first of them in the list's order.
struct cIdTable {
    bool made = false;
    unsigned epoch = 0, builds = 0;
    std::size_t size = 0; // the array's characters the table holds
    std::unordered_map<int, CharaPos> first;
} g_Ids;

} // namespace

cStageChara* FindIndexedChara(int id, bool& known) {
    const std::vector<CharaPos>* items = IndexedCharas();
    known = items != nullptr;
    if (!items) return nullptr;
    cIdTable& t = g_Ids;
    if (!t.made || t.epoch != CharaIndexEpoch() || t.builds != g_CharaIndex.builds ||
        t.size > items->size()) {
        t.first.clear();
        t.made = true;
        t.epoch = CharaIndexEpoch();
        t.builds = g_CharaIndex.builds;
        t.size = 0;
    }
    for (; t.size < items->size(); ++t.size) {
        const CharaPos it = (*items)[t.size];
        t.first.emplace(it->m_nId, it);
    }
    const auto at = t.first.find(id);
    return at == t.first.end() ? nullptr : &*at->second;
}

void ForgetCharaIndex() {
    g_CharaIndex.made = false;
    ++g_CharaIndex.epoch;
}

void CharaIndexCompacted() {
    g_CharaIndex.size = g_Charas.size();
    ++g_CharaIndex.epoch;
}
