#include "play/chara_index.h"

cCharaIndex g_CharaIndex;

namespace {

void Rebuild(cCharaIndex& x) {
    x.items.clear();
    for (auto it = g_Charas.begin(); it != g_Charas.end(); ++it)
        x.items.push_back(it);
    x.made = true;
    x.size = g_Charas.size();
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

void ForgetCharaIndex() {
    g_CharaIndex.made = false;
    ++g_CharaIndex.epoch;
}

void CharaIndexCompacted() {
    g_CharaIndex.size = g_Charas.size();
    ++g_CharaIndex.epoch;
}
