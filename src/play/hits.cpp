#include "play/hits.h"

#include "app/log.h"
#include "app/play_se.h"
#include "objects/blocks.h"
#include "objects/flow_calls.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "play/block_charas.h"
#include "play/chara_index.h"
#include "play/collision.h"
#include "play/hit_grid.h"
#include "play/play_step.h"
#include "play/stage_clear.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "records/ed_item_def.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int TRIGGER_CHARA = 4;
constexpr int TRIGGER_BLOCK_CHARA = 5;
constexpr int TRIGGER_ON_BLOCK_CHARA = 6;
constexpr int TRIGGER_SHOT = 7;
constexpr int TRIGGER_ITEM = 8;
constexpr int TRIGGER_RIDDEN_BY_HERO = 16;
constexpr int TRIGGER_RIDDEN = 17;

constexpr int SE_DAMAGE = 7;
constexpr int SE_PLAYER_DEFEAT = 8;
constexpr int SE_DEFEAT = 9;

constexpr int SHOTS_PASS_THROUGH = 2;

cHitRect FromPart(const cPartBox& p, const cGameObject& fallback) {
    // A box never given a size stands for the object's own rectangle.
    if (p.nWidth <= 0 || p.nHeight <= 0) return PositionRect(fallback);
    return {p.dLeft, p.dTop, p.dRight, p.dBottom};
}

bool KeepsDefeated() {
    return g_SystemData.m_nCompat272 != 0;
}

void EndStage() {
    // A cleared stage is tallied before the result screen.
    if (g_lpGameScene) StageEnd(*g_lpGameScene);
    if (g_lpGameScene) g_lpGameScene->m_nState = GAMESTATE_RESULT;
}

cHero* Hero1() {
    return g_Heroes.empty() ? nullptr : &g_Heroes[0];
}

} // namespace

// ---- Rectangles ----

cHitRect ContactRect(const cChara& c) {
    if (c.m_nObjKind == OBJKIND_STAGECHARA) return FromPart(static_cast<const cStageChara&>(c).m_Parts[0], c);
    if (c.m_nObjKind == OBJKIND_HERO) return FromPart(static_cast<const cHero&>(c).m_Parts[0], c);
    return PositionRect(c);
}

cHitRect ShotTargetRect(const cChara& c) {
    if (c.m_nObjKind == OBJKIND_STAGECHARA) return FromPart(static_cast<const cStageChara&>(c).m_Parts[1], c);
    if (c.m_nObjKind == OBJKIND_HERO) return FromPart(static_cast<const cHero&>(c).m_Parts[1], c);
    return PositionRect(c);
}

cHitRect ItemTouchRect(const cHero& hero) {
    return FromPart(hero.m_Parts[2], hero);
}

cHitRect ShotHitRect(const cShot& shot) {
    return FromPart(shot.m_Part, shot);
}

bool CountsForHits(const cGameObject& obj) {
    return obj.m_bPresent && !obj.m_bRemoved;
}

bool TakesShots(const cChara& c) {
    if (!CountsForHits(c)) return false;
    // Heroes are always active.
    if (!g_Stage.m_nActiveOnly || c.m_nObjKind != OBJKIND_STAGECHARA) return true;
    return IsCharaRunning(static_cast<const cStageChara&>(c));
}

// ---- The passes between faction lists ----

namespace {

// Raises trigger `kind` on c, unless the raise would test no flow and change nothing (the same
// test as the raise makes, answered here without a call for the many contacts of a crowded pass).
inline void Raise(cChara& c, int kind) {
    if (g_ObjectFlowCalls.TriggerFlows &&
        c.m_FlowState.RaiseTestsNothing(kind, g_SystemData.m_nCompat525 != 0))
        return;
    c.RaiseTrigger(kind);
}

bool ShotHasEffect(const cShot& shot) {
    return shot.m_nPower != 0 || shot.m_nImpact != 0 || shot.m_nHitEffect != 0 ||
           shot.m_Settings.m_nItemPalette != 0;
}

// The item a shot hands to hero 1, built from its palette reference.
bool MakeShotItem(const cShot& shot, cItem& item) {
    const std::uint8_t palette = shot.m_Settings.m_nItemPalette;
    const std::int16_t entry = shot.m_Settings.m_nItemEntry;
    if (palette == 0) return false;
    const cEdItemDef* def = PaletteRefValid(static_cast<std::int8_t>(palette), entry);
    if (!def) return false;
    // Built as every item is, so that its command loops are expanded.
    item.Init(0, *def, 0, 0);
    item.m_bPresent = 1;
    return true;
}

// Anything that may move objects, change what the passes test of them or change the faction lists
// (a defeat and its flows, item commands) advances this count; what the passes took from the
// objects before is then taken again.
unsigned g_nHitEpoch = 0;

// ---- Shots against characters ----

bool PickShotTarget(const cChara& c, cHitRect& r) {
    if (!TakesShots(c) || c.m_bDefeated || c.m_Def.m_nInvincible == SHOTS_PASS_THROUGH) return false;
    r = ShotTargetRect(c);
    return true;
}

// A shot meets character c: c raises its shot trigger and, unless the shot has no effect or c is
// invincible, takes the blow (a defeat when it does not survive it), the shot remembers c or stops
// at it (`ends`), and the shot's item goes to hero 1.
int ShotMeetsChara(cShot& shot, cChara& c, bool& ends) {
    if (std::find(shot.m_HitIds.begin(), shot.m_HitIds.end(), c.m_nId) != shot.m_HitIds.end())
        return HIT_NONE;
    Raise(c, TRIGGER_SHOT);
    if (!ShotHasEffect(shot) || c.IsInvincible()) return HIT_NONE;
    // A blow that is survived changes the character struck (its HP, knock-back speeds,
    // invincibility and flows started) and no rectangle, list or mark the pass reads of the
    // others; a defeat's flows and an item's commands may change anything.
    if (!c.TakeHitFromShot(shot)) {
        PlaySe(SE_DAMAGE);
        c.StartInvincibility();
    } else {
        ++g_nHitEpoch;
        if (!IsPlayerSide(c)) PlaySe(SE_DEFEAT);
        if (const int r = DefeatObject(c)) return r;
    }
    const bool passes =
        IsBlockChara(c) ? shot.m_Settings.m_bThroughBlockCharas == 1 : shot.m_Settings.m_bThroughCharas == 1;
    if (!shot.m_bEndsOnHit || passes)
        shot.m_HitIds.push_back(c.m_nId);
    else
        ends = true;
    cItem item;
    if (cHero* hero = Hero1(); hero && MakeShotItem(shot, item)) {
        ++g_nHitEpoch;
        if (const int r = TakeItem(&item, *hero)) return r;
    }
    return HIT_NONE;
}

// One shot against the characters of one faction list that its rectangle meets, in the list's
// order. After a change that may move anything (the epoch advanced), the characters after the one
// met are looked up again as they are now.
int ShotAgainstGroup(cShot& shot, std::vector<cGameObject*>& charas, cGroupGrid& grid, std::size_t lookUps,
                     bool& ends, std::vector<std::size_t>& candidates) {
    for (std::size_t from = 0;;) {
        grid.Ready(charas, g_nHitEpoch, PickShotTarget, lookUps);
        grid.Collect(ShotHitRect(shot), from, candidates);
        const unsigned epoch = g_nHitEpoch;
        for (const std::size_t k : candidates) {
            if (!charas[k]) continue;
            if (const int r = ShotMeetsChara(shot, static_cast<cChara&>(*charas[k]), ends)) return r;
            if (epoch != g_nHitEpoch) {
                from = k + 1;
                break;
            }
        }
        if (epoch == g_nHitEpoch) return HIT_NONE;
    }
}

// Every shot of each faction against the characters of every other faction: faction by faction,
// each shot in its list's order against each other faction's list in turn.
int ShotsAgainstCharas(cGameScene& scene) {
    static cGroupGrid grids[FACTION_COUNT];
    static std::vector<std::size_t> candidates;
    // A shot marked to end meets every character group of the pass and goes after it.
    static std::vector<cShot*> ending;
    ending.clear();
    // A defeat's flows may take characters out of the lists walked here.
    const cFactionWalk walk;
    auto endMarked = [] {
        for (cShot* shot : ending)
            shot->m_bRemoved = 1;
    };
    for (auto& g : grids)
        g.Forget();
    // The shots of the other groups, which the characters of each group meet.
    std::size_t shotsAgainst[FACTION_COUNT] = {};
    for (int i = 0; i < FACTION_COUNT; ++i)
        for (int j = 0; j < FACTION_COUNT; ++j)
            if (j != i) shotsAgainst[j] += scene.m_ShotGroups[i].size();
    for (int i = 0; i < FACTION_COUNT; ++i) {
        auto& shots = scene.m_ShotGroups[i];
        for (int j = 0; j < FACTION_COUNT; ++j) {
            if (j == i) continue;
            auto& charas = scene.m_CharaGroups[j];
            // Indexes, not iterators: objects a dying flow adds join at the end.
            for (std::size_t s = 0; s < shots.size(); ++s) {
                if (charas.empty()) break;
                if (!shots[s]) continue;
                auto& shot = static_cast<cShot&>(*shots[s]);
                if (shot.m_bRemoved || !CountsForHits(shot)) continue;
                bool ends = false;
                const int r = ShotAgainstGroup(shot, charas, grids[j], shotsAgainst[j], ends, candidates);
                if (ends && std::find(ending.begin(), ending.end(), &shot) == ending.end())
                    ending.push_back(&shot);
                if (r != HIT_NONE) {
                    endMarked();
                    return r;
                }
            }
        }
    }
    endMarked();
    return HIT_NONE;
}

// ---- Body contact ----

bool TakesBodyContact(const cChara& c) {
    // The definition's mark first: of a block character, the walks read nothing else.
    return !IsBlockChara(c) && CountsForHits(c) && !c.m_bDefeated;
}

struct PickBody {
    bool operator()(const cChara& c, cHitRect& r) const {
        if (!TakesBodyContact(c)) return false;
        r = ContactRect(c);
        return true;
    }
};

bool HurtsByBody(const cChara& by) {
    return by.m_Def.m_nBodyPower != 0 || by.Impact() != 0;
}

// The blows of a contact between a and b in which one or both are hurt.
int CharaBlows(cChara& a, cChara& b, bool hurtA, bool hurtB) {
    // A blow that is survived changes the character struck (its HP, knock-back speeds,
    // invincibility and flows started) and no rectangle, list or mark the pass reads of the others;
    // a defeat's flows may change anything.
    const int deadA = hurtA ? a.TakeHitFromChara(b) : 0;
    const int deadB = hurtB ? b.TakeHitFromChara(a) : 0;
    if (deadA || deadB) ++g_nHitEpoch;
    PlaySe(SE_DAMAGE);
    const struct {
        bool hurt;
        int dead;
        cChara& victim;
        cChara& other;
    } victims[2] = {{hurtA, deadA, a, b}, {hurtB, deadB, b, a}};
    for (const auto& v : victims) {
        if (!v.hurt) continue;
        if (!v.dead) {
            v.victim.StartInvincibilityFrom(v.other.m_nId);
            continue;
        }
        if (!IsPlayerSide(v.victim)) PlaySe(SE_DEFEAT);
        if (const int r = DefeatObject(v.victim)) return r;
    }
    return HIT_NONE;
}

// Body contact between a and b, which meet: both raise their contact trigger, and each that the
// other's body hurts and that is not invincible to it takes a blow.
int CharaContact(cChara& a, cChara& b) {
    Raise(a, TRIGGER_CHARA);
    Raise(b, TRIGGER_CHARA);
    const bool hurtA = HurtsByBody(b) && !a.IsInvincibleTo(b.m_nId);
    const bool hurtB = HurtsByBody(a) && !b.IsInvincibleTo(a.m_nId);
    if (!hurtA && !hurtB) return HIT_NONE;
    return CharaBlows(a, b, hurtA, hurtB);
}

// After a contact that may have changed anything (the epoch advanced): character a, while it still
// takes contact, against the characters of list gk from index `from` on, as they are now.
int ContactAfterChange(cChara& a, std::vector<cGameObject*>& gk, cGroupGrid& gridK, std::size_t lookUps,
                       std::size_t from, std::vector<std::size_t>& candidates) {
    while (TakesBodyContact(a)) {
        gridK.Ready(gk, g_nHitEpoch, PickBody{}, lookUps);
        gridK.Collect(ContactRect(a), from, candidates);
        const unsigned epoch = g_nHitEpoch;
        for (const std::size_t y : candidates) {
            if (!gk[y]) continue;
            auto& b = static_cast<cChara&>(*gk[y]);
            if (!TakesBodyContact(a) || !TakesBodyContact(b) || !RectsMeet(ContactRect(a), ContactRect(b)))
                continue;
            if (const int r = CharaContact(a, b)) return r;
            if (epoch != g_nHitEpoch) {
                from = y + 1;
                break;
            }
        }
        if (epoch == g_nHitEpoch) return HIT_NONE;
    }
    return HIT_NONE;
}

// Body contact between the characters of faction lists gi and gk: each character of gi that takes
// contact, in its list's order, against the characters of gk that it meets, in theirs. The
// rectangles and marks the pass reads change only with a defeat or an item's commands (which
// advance the epoch; a trigger raised only starts flows, which run later), so while the epoch
// holds, those taken once for each list stand for the characters as they are, and a walk of the
// whole of gi keeps what each of its characters met for the next pass.
int BodyContactBetween(std::vector<cGameObject*>& gi, std::vector<cGameObject*>& gk, cGroupGrid& gridI,
                       cGroupGrid& gridK, std::size_t lookUpsK, cKeptMeets& kept, cMovedPlaces& movedK,
                       std::vector<std::size_t>& candidates) {
    for (std::size_t x = 0;;) {
        gridI.Ready(gi, g_nHitEpoch, PickBody{}, 0);
        gridK.Ready(gk, g_nHitEpoch, PickBody{}, lookUpsK);
        if (gridK.Taken().empty()) return HIT_NONE;
        const std::vector<std::size_t>& takers = gridI.Taken();
        const bool keep = x == 0 ? kept.Begin(gridI, gridK, movedK) : false;
        const unsigned epoch = g_nHitEpoch;
        std::size_t from = 0, at = 0;
        cChara* met = nullptr; // the character of gi walking (its entry empties when it leaves play)
        for (auto t = std::lower_bound(takers.begin(), takers.end(), x); t != takers.end(); ++t) {
            std::pair<std::size_t, std::size_t> meets{0, 0};
            if (keep) {
                meets = kept.Meets(static_cast<std::size_t>(t - takers.begin()), gridI, gridK, candidates);
            } else {
                if (gridK.Beyond(gridI.Rect(*t))) continue;
                gridK.Collect(gridI.Rect(*t), 0, candidates);
                meets = {0, candidates.size()};
            }
            if (meets.first == meets.second) continue;
            at = *t;
            met = static_cast<cChara*>(gi[at]);
            for (std::size_t n = meets.first; n < meets.second; ++n) {
                const std::size_t y = keep ? kept.Met(n) : candidates[n];
                if (const int r = CharaContact(*met, static_cast<cChara&>(*gk[y]))) return r;
                if (epoch != g_nHitEpoch) {
                    from = y + 1;
                    break;
                }
            }
            if (epoch != g_nHitEpoch) break;
        }
        if (epoch == g_nHitEpoch) {
            if (keep) kept.End(gridI, gridK);
            return HIT_NONE;
        }
        // The character met in the change goes on after the one it met; then the walk goes on
        // after it.
        if (const int r = ContactAfterChange(*met, gk, gridK, lookUpsK, from, candidates)) return r;
        x = at + 1;
    }
}

// Body contact between the characters of every two factions, the earlier faction's characters
// walking.
int BodyContacts(cGameScene& scene) {
    static cGroupGrid grids[FACTION_COUNT];
    static cKeptMeets kept[FACTION_COUNT][FACTION_COUNT];
    static cMovedPlaces moved[FACTION_COUNT];
    static std::vector<std::size_t> candidates;
    for (auto& g : grids)
        g.Forget();
    // The characters of the groups before each, which meet its characters.
    std::size_t charasBefore[FACTION_COUNT] = {};
    for (int k = 1; k < FACTION_COUNT; ++k)
        charasBefore[k] = charasBefore[k - 1] + scene.m_CharaGroups[k - 1].size();
    // A defeat's flows may take characters out of the lists walked here.
    const cFactionWalk walk;
    for (int i = 0; i < FACTION_COUNT; ++i)
        for (int k = i + 1; k < FACTION_COUNT; ++k) {
            if (scene.m_CharaGroups[k].empty()) continue;
            if (const int r = BodyContactBetween(scene.m_CharaGroups[i], scene.m_CharaGroups[k], grids[i],
                                                 grids[k], charasBefore[k], kept[i][k], moved[k], candidates))
                return r;
        }
    return HIT_NONE;
}

// ---- Shots against shots ----

// What shot against shot reads of one group, taken once: the pass changes nothing but the removal
// marks, which it keeps here and on the shots alike. This table and the removal note below together
// make the crowded stage with 1,139 items play about a quarter faster than reading the objects.
struct cShotTable {
    std::vector<cShot*> shots;
    std::vector<cHitRect> rects;
    std::vector<std::uint8_t> cancels, removed;
    std::vector<int> strengths;
    std::vector<std::size_t> all, cancellable;

    void Build(const std::vector<cGameObject*>& group) {
        const std::size_t n = group.size();
        shots.resize(n);
        rects.resize(n);
        cancels.resize(n);
        removed.resize(n);
        strengths.resize(n);
        all.resize(n);
        cancellable.clear();
        for (std::size_t x = 0; x < n; ++x) {
            auto& s = static_cast<cShot&>(*group[x]);
            shots[x] = &s;
            rects[x] = PositionRect(s);
            cancels[x] = s.m_Settings.m_bCancelWithShots != 0;
            removed[x] = s.m_bRemoved != 0;
            strengths[x] = s.m_Settings.m_nVanishValue;
            all[x] = x;
            if (cancels[x]) cancellable.push_back(x);
        }
    }
    void Remove(std::size_t x) {
        removed[x] = 1;
        shots[x]->m_bRemoved = 1;
    }
};

// Shots of different factions that meet cancel each other: of two cancellable shots the weaker
// goes (both when equal); a cancellable shot goes when it meets one that is not. Each shot of the
// earlier faction, in its list's order, against the shots of the later one, in theirs.
void ShotsAgainstShots(cGameScene& scene) {
    static cShotTable tables[FACTION_COUNT];
    for (int i = 0; i < FACTION_COUNT; ++i)
        tables[i].Build(scene.m_ShotGroups[i]);
    for (int i = 0; i < FACTION_COUNT; ++i) {
        cShotTable& ta = tables[i];
        for (int k = i + 1; k < FACTION_COUNT; ++k) {
            cShotTable& tb = tables[k];
            for (std::size_t x = 0; x < ta.shots.size(); ++x) {
                const bool ca = ta.cancels[x] != 0;
                // A pair of shots neither of which is cancellable does nothing.
                for (const std::size_t y : ca ? tb.all : tb.cancellable) {
                    if (ta.removed[x]) break;
                    if (tb.removed[y]) continue;
                    if (!RectsMeet(ta.rects[x], tb.rects[y])) continue;
                    const bool cb = tb.cancels[y] != 0;
                    if (ca && cb) {
                        const int sa = ta.strengths[x], sb = tb.strengths[y];
                        if (sa <= sb) ta.Remove(x);
                        if (sb <= sa) tb.Remove(y);
                    } else {
                        ca ? ta.Remove(x) : tb.Remove(y);
                    }
                }
            }
        }
    }
}

void Sweep(cGameScene* scene, bool releaseDefeated, bool charas = true);

// What the removal walk of a sub-step left: no character out of play, and whether it kept one
// defeated; the list as it stood. It spares the sweep a walk over every character (measured with the
// shot table above).
struct cRemovalNote {
    const cGameScene* scene = nullptr;
    int subStep = 0;
    bool keptDefeated = true;
    std::size_t size = 0;
    const cStageChara* back = nullptr;
    unsigned charaEpoch = 0;
} g_RemovalNote;

// Whether the removal walk of the scene's present sub-step, right before the hits, kept no
// character defeated and the list is as it left it.
bool CharasLeftClean(const cGameScene& scene) {
    const cRemovalNote& n = g_RemovalNote;
    return n.scene == &scene && n.subStep == scene.m_nSubStepCount && !n.keptDefeated &&
           n.size == g_Charas.size() && n.back == (g_Charas.empty() ? nullptr : &g_Charas.back()) &&
           n.charaEpoch == CharaIndexEpoch();
}

} // namespace

void NoteCharasRemovedOutside(const cGameScene& scene, bool keptDefeated) {
    g_RemovalNote = {&scene,
                     scene.m_nSubStepCount,
                     keptDefeated,
                     g_Charas.size(),
                     g_Charas.empty() ? nullptr : &g_Charas.back(),
                     CharaIndexEpoch()};
}

int ResolveShotAndCharaHits(cGameScene& scene, bool shotStep) {
    // Only a defeat or an item's commands (which advance the epoch) take a character out of play
    // or defeat one in the passes: without them, characters left with none out of play and none
    // defeated are so still, and the sweep has none to erase.
    const unsigned epoch = g_nHitEpoch;
    int r = shotStep ? ShotsAgainstCharas(scene) : HIT_NONE;
    if (r == HIT_NONE) r = BodyContacts(scene);
    if (r == HIT_NONE) ShotsAgainstShots(scene);
    const bool charasClean = epoch == g_nHitEpoch && CharasLeftClean(scene);
    // The note serves this pass alone.
    g_RemovalNote.scene = nullptr;
    // Characters defeated by hits leave at once unless the project keeps them to show their death.
    Sweep(&scene, !KeepsDefeated(), !charasClean);
    return r;
}

// ---- Block characters against characters ----

namespace {

void StopRiding(cChara& c) {
    c.m_bRiding = 0;
    c.m_nRiddenId = 0;
    cObjectLinks::SetCarrier(c, nullptr);
}

void RecordRidden(cChara& c, const cStageChara& bc) {
    c.m_nRiddenId = bc.m_nId;
    c.m_RiddenRect[0] = bc.m_dX;
    c.m_RiddenRect[1] = bc.m_dY;
    c.m_RiddenRect[2] = bc.m_dRight;
    c.m_RiddenRect[3] = bc.m_dBottom;
}

bool TouchesAny(const cHitRect& strip, cStageCharaList& list, const cGameObject& self) {
    return AnyBlockChara(list, [&](const cStageChara& bc) {
        return RectsMeet(strip, PositionRect(bc)) && IsLiveBlockChara(bc, self);
    });
}

// The corrections that overlapping block characters propose: each is measured on both axes and
// proposes one side, by the axis of the smaller overlap depth.
struct Proposals {
    double left = -std::numeric_limits<double>::infinity(); // largest new left (a wall on the left)
    double right = std::numeric_limits<double>::infinity(); // smallest new left (a wall on the right)
    double floor = std::numeric_limits<double>::infinity(); // smallest new top
    double ceiling = -std::numeric_limits<double>::infinity();
    cStageChara *leftBy = nullptr, *rightBy = nullptr, *floorBy = nullptr, *ceilingBy = nullptr;
    bool touched = false;

    void Gather(cChara& c, cStageCharaList& list) {
        const cHitRect me = PositionRect(c);
        EachBlockCharaNear(
            list, me, [&](cStageChara & bc) __attribute__((always_inline)) {
                const cHitRect it = PositionRect(bc);
                // One met after another with the same box proposes the same and loses every tie to
                // it (the comparisons are strict): it changes nothing.
                if (!RectsMeet(me, it) || !IsLiveBlockChara(bc, c)) return false;
                touched = true;
                const double depthX = std::min(me.right, it.right) - std::max(me.left, it.left) + 1;
                const double depthY = std::min(me.bottom, it.bottom) - std::max(me.top, it.top) + 1;
                if (depthX < depthY) {
                    if (me.left + me.right < it.left + it.right) {
                        c.m_nTouchRight = 1;
                        if (it.left - c.m_nWidth < right) right = it.left - c.m_nWidth, rightBy = &bc;
                    } else {
                        c.m_nTouchLeft = 1;
                        if (it.right + 1 > left) left = it.right + 1, leftBy = &bc;
                    }
                } else if (me.top + me.bottom < it.top + it.bottom) {
                    c.m_nTouchBottom = 1;
                    if (it.top - c.m_nHeight < floor) floor = it.top - c.m_nHeight, floorBy = &bc;
                } else {
                    c.m_nTouchTop = 1;
                    if (it.bottom + 1 > ceiling) ceiling = it.bottom + 1, ceilingBy = &bc;
                }
                return true;
            });
    }
};

void SetLeft(cChara& c, double left) {
    c.m_dAX = 0;
    c.m_dX = left;
    c.AfterMoveX();
}

// Standing on a block character: it becomes the ridden one.
void StandOn(cChara& c, cStageChara& bc, double top) {
    const bool first = c.m_nRiddenId != bc.m_nId || !c.m_bRiding;
    RecordRidden(c, bc);
    cObjectLinks::SetCarrier(c, &bc);
    if (first) {
        c.m_bRiding = 1;
        if (IsPlayerSide(c)) bc.RaiseTrigger(TRIGGER_RIDDEN_BY_HERO);
        bc.RaiseTrigger(TRIGGER_RIDDEN);
    }
    c.m_dY = top;
    c.AfterMoveY();
    c.m_dVY = c.m_dAY = 0;
    c.m_nAirFrames = c.m_nApexFrames = 0;
    c.m_bAirborne = c.m_bFalling = 0;
    if (!IsPlayerSide(c)) c.m_bJumped = 0;
}

// Whether the object, moved to `top`, would meet another block character or a solid block.
bool BlockedAtTop(const cChara& c, double top, cStageCharaList& list, int exceptId) {
    const cHitRect moved{c.m_dX, top, c.m_dRight, top + c.m_nHeight - 1};
    if (AnyBlockChara(list, [&](const cStageChara& bc) {
            return RectsMeet(moved, PositionRect(bc)) && IsLiveBlockChara(bc, c) && bc.m_nId != exceptId;
        }))
        return true;
    const int l = static_cast<int>(moved.left) >> 5, r = static_cast<int>(moved.right) >> 5;
    const int t = static_cast<int>(moved.top) >> 5, b = static_cast<int>(moved.bottom) >> 5;
    return PickBlockAtCorners(l, t, r, b, c.m_nPassKind).solid != 0;
}

int NoGravityContact(cChara& c, cStageCharaList& list) {
    Proposals p;
    p.Gather(c, list);
    if (!p.touched) return WALK_GO_ON;
    c.RaiseTrigger(TRIGGER_BLOCK_CHARA);
    if (c.m_nBlockMode == 2) return WALK_KILLED;
    // Back against the nearest block character on each axis, or pushed by one moving into it.
    auto movingInto = [&](const cStageChara* bc, double speed, bool fromLowSide) {
        return bc && (fromLowSide ? speed > 0 : speed < 0);
    };
    if (p.leftBy || p.rightBy) {
        if (movingInto(p.leftBy, p.leftBy ? p.leftBy->m_dVX : 0, true) ||
            movingInto(p.rightBy, p.rightBy ? p.rightBy->m_dVX : 0, false)) {
            PushOutOfBlockChara(c, list, 0);
        } else {
            c.m_dVX = 0;
            c.m_dX = p.leftBy ? p.left : p.right;
            c.AfterMoveX();
        }
    }
    if (p.floorBy || p.ceilingBy) {
        if (movingInto(p.ceilingBy, p.ceilingBy ? p.ceilingBy->m_dVY : 0, true) ||
            movingInto(p.floorBy, p.floorBy ? p.floorBy->m_dVY : 0, false)) {
            PushOutOfBlockChara(c, list, 1);
        } else {
            c.m_dVY = 0;
            c.m_dY = p.ceilingBy ? p.ceiling : p.floor;
            c.AfterMoveY();
        }
    }
    // Pushed against another block character: both sides are touched, which the squeeze tests read.
    if (IsSqueezedByBlockCharas(c, PositionRect(c), list)) ECLog("Squeezed");
    return WALK_GO_ON;
}

} // namespace

bool OverlapsChara(const cGameObject& obj, const cStageCharaList& list) {
    return OverlapsCharaExcept(obj, list, 0);
}

bool OverlapsCharaExcept(const cGameObject& obj, const cStageCharaList& list, int otherId) {
    if (PassesBlocks(obj)) return false;
    const cHitRect me = PositionRect(obj);
    return AnyBlockChara(list, [&](const cStageChara& bc) {
        return RectsMeet(me, PositionRect(bc)) && IsLiveBlockChara(bc, obj) &&
               (otherId == 0 || bc.m_nId != otherId);
    });
}

bool IsStandingOnRidden(const cChara& c, cStageCharaList& list) {
    const cStageChara* bc = FindLiveBlockChara(list, c.m_nRiddenId, c);
    return bc && RectsMeet({c.m_dX, c.m_dBottom, c.m_dRight, c.m_dBottom + 5}, PositionRect(*bc));
}

bool IsSqueezedByBlockCharas(const cChara& c, const cHitRect& r, cStageCharaList& list) {
    const cHitRect me = PositionRect(c);
    const cHitRect strips[4][2] = {
        {{me.left, me.top + 1, me.left, me.bottom - 1}, {r.right, r.top + 1, r.right, r.bottom - 1}},
        {{me.right, me.top + 1, me.right, me.bottom - 1}, {r.left, r.top + 1, r.left, r.bottom - 1}},
        {{me.left + 1, me.top, me.right - 1, me.top}, {r.left + 1, r.bottom, r.right - 1, r.bottom}},
        {{me.left + 1, me.bottom, me.right - 1, me.bottom}, {r.left + 1, r.top, r.right - 1, r.top}},
    };
    for (const auto& pair : strips)
        if (TouchesAny(pair[0], list, c) && TouchesAny(pair[1], list, c)) return true;
    return false;
}

void PushOutOfBlockChara(cChara& c, cStageCharaList& list, int axis) {
    const cHitRect me = PositionRect(c);
    double low = -std::numeric_limits<double>::infinity(), high = std::numeric_limits<double>::infinity();
    const cStageChara *lowBy = nullptr, *highBy = nullptr;
    EachBlockChara(list, [&](cStageChara& bc) {
        const cHitRect it = PositionRect(bc);
        if (!RectsMeet(me, it) || !IsLiveBlockChara(bc, c)) return;
        if (axis == 0) {
            if (RectsMeet({me.left, me.top + 1, me.left, me.bottom - 1}, it)) {
                c.m_nTouchLeft = 1;
                if (it.right + 1 > low) low = it.right + 1, lowBy = &bc;
            }
            if (RectsMeet({me.right, me.top + 1, me.right, me.bottom - 1}, it)) {
                c.m_nTouchRight = 1;
                if (it.left - c.m_nWidth < high) high = it.left - c.m_nWidth, highBy = &bc;
            }
        } else {
            if (RectsMeet({me.left + 1, me.top, me.right - 1, me.top}, it)) {
                c.m_nTouchTop = 1;
                if (it.bottom + 1 > low) low = it.bottom + 1, lowBy = &bc;
            }
            if (RectsMeet({me.left + 1, me.bottom, me.right - 1, me.bottom}, it)) {
                c.m_nTouchBottom = 1;
                if (it.top - c.m_nHeight < high) high = it.top - c.m_nHeight, highBy = &bc;
            }
        }
    });
    if (axis == 0) {
        if (lowBy) SetLeft(c, low);
        if (highBy) SetLeft(c, high);
        return;
    }
    for (const double top : {lowBy ? low : double{c.m_dY}, highBy ? high : double{c.m_dY}}) {
        c.m_dY = top;
        c.AfterMoveY();
    }
}

// A character against the block characters its box meets, in the list's order (of a pile with the
// very same box, the first live one): the highest floor under it lands it and it rides that block
// character, a ceiling met while rising stops it there unless something else would meet it, and the
// nearest wall on each side sets it back; it raises its block-character trigger, and its
// on-block-character trigger while it rides.
int ResolveBlockCharaContact(cChara& c, cStageCharaList& list) {
    if (PassesBlocks(c)) return WALK_GO_ON;
    if (c.m_bNoGravity) return NoGravityContact(c, list);
    Proposals p;
    p.Gather(c, list);
    int result = WALK_GO_ON;
    if (p.floorBy) {
        StandOn(c, *p.floorBy, p.floor);
    } else if (c.m_bRiding && !IsStandingOnRidden(c, list)) {
        StopRiding(c);
    }
    if (p.ceilingBy && c.m_dVY < 0 && !BlockedAtTop(c, p.ceiling, list, p.ceilingBy->m_nId)) {
        c.m_bAirborne = c.m_bJumped = 1;
        c.m_dVY = p.ceilingBy->m_dVY;
        c.m_dY = p.ceiling;
        c.AfterMoveY();
        result = CheckFloorAndCeiling(c);
    }
    if (p.leftBy) SetLeft(c, p.left);
    if (p.rightBy) SetLeft(c, p.right);
    if (p.touched) c.RaiseTrigger(TRIGGER_BLOCK_CHARA);
    if (p.touched && c.m_bRiding) c.RaiseTrigger(TRIGGER_ON_BLOCK_CHARA);
    return result;
}

void CarryRider(cChara& c, cStageCharaList& list) {
    if (c.m_bNoGravity || !c.m_bRiding) return;
    cStageChara* bc = FindLiveBlockChara(list, c.m_nRiddenId, c);
    if (!bc) {
        StopRiding(c);
        return;
    }
    c.m_dVX += bc->m_dX - c.m_RiddenRect[0];
    if (bc->m_bNoGravity || bc->m_bFalling) c.m_dVY = bc->m_dY - c.m_RiddenRect[1];
    // The rider now goes along with this much of the carrier's way: the next carry takes only what
    // the carrier moves from here on, whether or not the rider lands on it again in between.
    RecordRidden(c, *bc);
    if (IsPlayerSide(c)) bc->RaiseTrigger(TRIGGER_RIDDEN_BY_HERO);
    bc->RaiseTrigger(TRIGGER_RIDDEN);
}

// ---- Items ----

int TakeItem(cItem* item, cHero& hero) {
    if (!item || item->m_Def.m_nTakeMode == 2 || !item->m_bPresent) return 0;
    if (item->m_Def.m_nTakeMessage)
        hero.PushMessage(item->m_Def.m_nPictureKind, item->m_Def.m_nPictureNo, item->m_Def.m_nPictureArg);
    PlayUserSe(static_cast<std::int16_t>(item->m_Def.m_nSoundNo));
    return hero.RunItemCommands(item->m_Def.m_Commands);
}

namespace {

// Hero `hero` against one item in play: when its item box meets the item, it raises its item
// trigger and hero 1 takes the item: one taken on touch goes, one that stays is taken once a contact
// (its touch remembered until the boxes part), one never taken does nothing. Whether the item's
// commands returned a result, which ends the walk.
bool TouchItem(cHero& hero, cItem& item, cHero* taker, int& result) {
    if (!item.m_bPresent || item.m_bTaken || item.m_bRemoved) return false;
    auto& touching = hero.m_TouchingItems;
    const bool staying = item.m_Def.m_nTakeMode == 1;
    const auto at = std::find(touching.begin(), touching.end(), item.m_nId);
    if (!RectsMeet(ItemTouchRect(hero), PositionRect(item))) {
        if (staying && at != touching.end()) touching.erase(at);
        return false;
    }
    if (item.m_Def.m_nTakeMode == 2) return false;
    hero.RaiseTrigger(TRIGGER_ITEM);
    if (staying && at != touching.end()) return false;
    if (at == touching.end()) touching.push_back(item.m_nId);
    if (!taker) return false;
    result = TakeItem(&item, *taker);
    if (!staying) item.m_bTaken = 1;
    return result != 0;
}

} // namespace

// Every item in play against the hero's item box, in the list's order, until an item's commands
// return a result.
int TouchItems(cHero& hero) {
    cHero* taker = Hero1();
    int result = 0;
    for (cItem& item : g_Items)
        if (TouchItem(hero, item, taker, result)) break;
    EraseItemsOutOfPlay(g_lpGameScene);
    // A taken item is gone: no touch of it is remembered.
    hero.m_TouchingItems.remove_if([](int id) {
        return std::none_of(g_Items.begin(), g_Items.end(), [id](const cItem& i) { return i.m_nId == id; });
    });
    return result;
}

// ---- Deaths ----

int DefeatObject(cChara& c) {
    if (IsPlayerSide(c)) return HIT_PLAYER_DIED;
    if (c.m_bDefeated) return HIT_NONE;
    return c.Defeat() == 1 ? HIT_STAGE_CLEAR : HIT_NONE;
}

int ResolveDeath(cChara& c) {
    const int r = DefeatObject(c);
    if (r == HIT_STAGE_CLEAR) {
        EndStage();
    } else if (r == HIT_PLAYER_DIED) {
        PlaySe(SE_PLAYER_DEFEAT);
        cHero* hero = Hero1();
        if (hero && !hero->m_bDefeated && hero->Defeat() == 1) EndStage();
    }
    return r;
}

int CheckDefeats() {
    if (cHero* hero = Hero1(); hero && hero->m_nHP <= 0) {
        if (!hero->m_bDefeated) {
            PlaySe(SE_PLAYER_DEFEAT);
            if (hero->Defeat() == 1) EndStage();
        }
        return 1;
    }
    for (cStageChara& c : g_Charas) {
        if (c.m_bRemoved || c.m_nHP > 0) continue;
        // A defeated character kept to show its death has been through here once already.
        if (c.m_bDefeated && KeepsDefeated()) continue;
        const int r = ResolveDeath(c);
        if (KeepsDefeated()) {
            if (r == HIT_STAGE_CLEAR) {
                RemoveFromPlay(c);
                return 1;
            }
            PlaySe(SE_DEFEAT);
        } else {
            RemoveFromPlay(c);
        }
        if (r != HIT_NONE) return 1;
    }
    return 0;
}

void RemoveFromPlay(cStageChara& c) {
    if (c.m_bRemoved) return;
    cObjectLinks::UnlinkAll(c);
    c.m_bRemoved = 1;
}

namespace {

// The sweep; with releaseDefeated, the defeated characters of the computer's side leave play first.
// Leaving play only cuts links, and erasing a character out of play cuts none that another's
// leaving would, so each character may leave and go before the next is looked at: one walk.
void Sweep(cGameScene* scene, bool releaseDefeated, bool charas) {
    if (charas)
        EraseCharasKeepingBlockCharasIf([releaseDefeated](cStageChara& c) {
            if (releaseDefeated && c.m_bDefeated && !c.m_bRemoved && !IsPlayerSide(c)) RemoveFromPlay(c);
            return c.m_bRemoved != 0;
        });
    EraseItemsOutOfPlay(scene);
    if (!scene) return;
    // The shots about to go leave their faction lists in one pass over each list, in the order the
    // lists keep, instead of each searching its list as it goes.
    for (std::vector<cGameObject*>& group : scene->m_ShotGroups)
        group.erase(std::remove_if(group.begin(), group.end(),
                                   [](cGameObject* o) {
                                       if (o->m_nObjKind != OBJKIND_SHOT || !o->m_bRemoved) return false;
                                       o->m_pGroupList = nullptr;
                                       o->m_nGroupFaction = -1;
                                       return true;
                                   }),
                    group.end());
    scene->m_Shots.remove_if([](const cShot& s) { return s.m_bRemoved != 0; });
    scene->m_nEndedShots = 0;
}

} // namespace

void SweepRemoved(cGameScene* scene) {
    Sweep(scene, false);
}
