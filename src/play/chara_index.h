// The stage characters of g_Charas as an array, in the list's order, while a sub-step of play runs.
//
// The passes of a sub-step meet every character several times; walking the list follows one link
// after another, each a wait on memory once the characters no longer fit the caches, while an array
// lets the processor fetch many characters at once. Characters added at the list's end (summons)
// join the array at the next look; whatever erases characters outside EraseCharasIf tells it with
// ForgetCharaIndex, and the array is taken again. Outside a sub-step the walks follow the list.
#pragma once

#include "objects/game_object.h"

#include <cstddef>
#include <list>
#include <vector>

using CharaPos = cStageCharaList::iterator;

// While one lives, g_Charas is kept as an array.
class cCharaIndexScope {
  public:
    cCharaIndexScope();
    ~cCharaIndexScope();
    cCharaIndexScope(const cCharaIndexScope&) = delete;
    cCharaIndexScope& operator=(const cCharaIndexScope&) = delete;
};

struct cCharaIndex {
    int scopes = 0;
    bool made = false;
    unsigned epoch = 0;   // advances whenever characters leave the list
    std::size_t size = 0; // the list's length the array was last brought to
    unsigned builds = 0;  // advances whenever the array is taken anew
    std::vector<CharaPos> items;
};
extern cCharaIndex g_CharaIndex;

// Takes the array again, or adds the characters added at the list's end.
std::vector<CharaPos>* RefreshCharaIndex();

// The array, brought up to date; null outside a sub-step.
inline std::vector<CharaPos>* IndexedCharas() {
    cCharaIndex& x = g_CharaIndex;
    if (x.scopes == 0) return nullptr;
    if (x.made && g_Charas.size() == x.size) return &x.items;
    return RefreshCharaIndex();
}
// A walk that sees this change goes on along the list.
inline unsigned CharaIndexEpoch() {
    return g_CharaIndex.epoch;
}
// Characters were erased from g_Charas: the array is taken again at the next look.
void ForgetCharaIndex();

// The first character of g_Charas in the list's order whose id is `id`, or null, from a table of ids
// kept beside the array (taken again whenever characters have left the list since, added to when
// characters join its end); `known` is false outside a sub-step, where no table is kept.
cStageChara* FindIndexedChara(int id, bool& known);
// The array lost the same characters as the list, in step with it.
void CharaIndexCompacted();

// Calls f on each character of g_Charas that `pick` picks, in the list's order, those added at its
// end meanwhile included, until f returns true; whether it did. `pick` only reads: after a
// character it passes over, the walk need not look for characters joining or leaving.
template <class P, class F> bool AnyCharaWhere(P&& pick, F&& f) {
    std::vector<CharaPos>* items = IndexedCharas();
    if (!items) {
        for (cStageChara& c : g_Charas)
            if (pick(c) && f(c)) return true;
        return false;
    }
    cCharaIndex& x = g_CharaIndex;
    std::size_t n = 0; // the array's length
    const auto take = [&] { n = items->size(); };
    take();
    for (std::size_t k = 0;; ++k) {
        if (k >= n) {
            items = IndexedCharas();
            take();
            if (k >= n) return false;
        }
        CharaPos it = (*items)[k];
        if (!pick(*it)) continue;
        const unsigned epoch = x.epoch;
        if (f(*it)) return true;
        if (x.epoch != epoch) {
            // Characters left the list during f: the rest of the walk follows the list itself.
            for (++it; it != g_Charas.end(); ++it)
                if (pick(*it) && f(*it)) return true;
            return false;
        }
        // Unless characters joined the list or the array was brought up to date during f, it stands
        // as it was (the array is as long as the list it was last brought to, and it is only
        // taken anew after characters left the list, which the epoch tells).
        if (g_Charas.size() != x.size || x.size != n) {
            items = IndexedCharas();
            take();
        }
    }
}

// Calls f on each character of g_Charas in the list's order, those added at its end meanwhile
// included, until f returns true; whether it did.
template <class F> bool AnyChara(F&& f) {
    return AnyCharaWhere([](const cStageChara&) { return true; }, f);
}

template <class F> void EachChara(F&& f) {
    AnyChara([&](cStageChara& c) {
        f(c);
        return false;
    });
}

// Calls f on each character of g_Charas in the list's order, as EachChara does, for an f that
// neither adds nor erases characters: the walk need not look for characters joining or leaving.
template <class F> void EachCharaStable(F&& f) {
    const std::vector<CharaPos>* items = IndexedCharas();
    if (!items) {
        for (cStageChara& c : g_Charas)
            f(c);
        return;
    }
    for (const CharaPos it : *items)
        f(*it);
}

// Erases the characters `gone` picks (which must neither add nor erase characters), in the list's
// order; whether any went.
template <class F> bool EraseCharasIf(F&& gone) {
    std::vector<CharaPos>* items = IndexedCharas();
    bool erased = false;
    if (!items) {
        for (auto it = g_Charas.begin(); it != g_Charas.end();) {
            if (gone(*it)) {
                it = g_Charas.erase(it);
                erased = true;
            } else {
                ++it;
            }
        }
        return erased;
    }
    std::size_t kept = 0;
    for (const CharaPos it : *items) {
        if (gone(*it)) {
            g_Charas.erase(it);
            erased = true;
        } else {
            (*items)[kept++] = it;
        }
    }
    items->resize(kept);
    if (erased) CharaIndexCompacted();
    return erased;
}
