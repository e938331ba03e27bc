#include "play/play_step.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/log.h"
#include "app/play_bounds.h"
#include "app/play_se.h"
#include "app/scene.h"
#include "flow/flow_engine.h"
#include "objects/aim.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/hero.h"
#include "objects/movement.h"
#include "objects/object_hooks.h"
#include "objects/object_links.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "play/chara_index.h"
#include "play/collision.h"
#include "play/draw_stage.h"
#include "play/hits.h"
#include "play/replay.h"
#include "play/replay_play.h"
#include "play/set_stage.h"
#include "play/stage_clear.h"
#include "play/trace.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "sound/bgm.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <list>

PlayStepHooks g_PlayStepHooks;

namespace {

constexpr int PLAY_MODE_REPLAY = 4;
constexpr int SE_PAUSE = 4;
constexpr int SE_PLAYER_DEFEAT = 8;
constexpr int SE_DEFEAT = 9;
constexpr int SE_BOUNCE = 10;
constexpr int LIFE_UNLIMITED = INT_MAX;
constexpr int ELAPSED_CS_MAX = 599999;

// Whether the play step goes on after a part of it, or ends at once without drawing.
enum Flow { GO_ON, STOP };

cHero* Hero1() {
    return g_Heroes.empty() ? nullptr : &g_Heroes[0];
}

void EndStageCleared(cGameScene& scene) {
    // A cleared stage is tallied before the result screen.
    if (g_lpGameScene) StageEnd(*g_lpGameScene);
    scene.m_nState = GAMESTATE_RESULT;
}

// Hero 1 is defeated: the cause goes to the EC log; the play step ends.
Flow DefeatHero(cGameScene& scene, const char* cause) {
    if (cause) ECLog(cause);
    PlaySe(SE_PLAYER_DEFEAT);
    cHero* hero = Hero1();
    if (hero && !hero->m_bDefeated && hero->Defeat() == 1) EndStageCleared(scene);
    return STOP;
}

bool KeepsDefeated() {
    return g_SystemData.m_nCompat272 != 0;
}

// A character's end in its own step: dead characters leave unless kept to show their death.
Flow CharaDeath(cStageChara& c) {
    const int r = ResolveDeath(c);
    if (KeepsDefeated() && r != HIT_STAGE_CLEAR) {
        PlaySe(SE_DEFEAT);
    } else {
        RemoveFromPlay(c);
    }
    return r != HIT_NONE ? STOP : GO_ON;
}

bool Squeezed(const cChara& c) {
    return ((c.m_nTouchLeft && c.m_nTouchRight) || (c.m_nTouchTop && c.m_nTouchBottom)) &&
           c.m_nBlockOverlap == 0;
}

// A block placed over an object protects it from the squeeze only while it still overlaps it.
void ReleaseBlockOverlap(cChara& c) {
    if (c.m_nBlockOverlap && !c.TouchesSolidBlock()) c.m_nBlockOverlap = 0;
}

bool StepInput(cGameScene& scene) {
    cInputRecord& in = g_Inputs.at(0);
    if (g_nPlayMode == PLAY_MODE_REPLAY) {
        cKeyRepeat::Reset(in);
        cKeyRepeat::Clear(in);
        std::uint16_t dir = 0, buttons = 0;
        if (g_Replay.PlayFrame(dir, buttons)) {
            g_SaveData.RestoreStageStart(true);
            if (SetStage(scene, true, true)) scene.m_nState = GAMESTATE_START;
            return false;
        }
        in.wDir = dir;
        in.wButtons = buttons;
        in.nDirNumber = RecordedDirection(dir);
        cInputHistory::Record(in);
        SampleInput(in);
        return true;
    }
    // The button that closed a wait or a menu does not act in play until it is released.
    if (in.wButtons) {
        if (scene.m_bWaitClosed) in.wButtons = 0;
    } else {
        scene.m_bWaitClosed = 0;
    }
    cInputHistory::Record(in);
    SampleInput(in);
    if (g_SystemData.m_nReplay) g_Replay.RecordFrame(in.wDir, in.wButtons);
    return true;
}

void TriggerStep(cChara& c) {
    TriggerRaisedFlows(c);
    TriggerFlows(c, FTK_ALWAYS);
}

Flow StepHero(cGameScene& scene, cHero& hero) {
    TriggerStep(hero);
    if (hero.RunFlows(0)) return DefeatHero(scene, nullptr);
    if (scene.m_nStageEndRequest == 1) {
        EndStageCleared(scene);
        return STOP;
    }
    if (scene.m_nStageEndRequest == 2) return DefeatHero(scene, nullptr);
    if (scene.m_bHpCheck && CheckDefeats()) return STOP;
    ApplyStandingBlockEffect(hero);
    if (hero.m_bRiding) CarryRider(hero, g_Charas);

    hero.StepX();
    KeepInViewX(hero);
    if (WalkBlocksX(hero) == WALK_KILLED) return DefeatHero(scene, "Dead 1");
    KeepInViewX(hero);
    hero.ApplyGravity();
    if (hero.StepY() == 7) return DefeatHero(scene, "Dead 2");
    if (KeepInViewY(hero) == WALK_KILLED) return DefeatHero(scene, "Dead 3");
    if (WalkBlocksY(hero) == WALK_KILLED) return DefeatHero(scene, "Dead 4");
    if (KeepInViewY(hero) == WALK_KILLED) return DefeatHero(scene, "Dead 5");

    auto squeeze = [&](const char* cause) {
        if (!Squeezed(hero)) return GO_ON;
        ECLogF("Player[P1].LRUD = %d,%d,%d,%d", hero.m_nTouchLeft, hero.m_nTouchRight, hero.m_nTouchTop,
               hero.m_nTouchBottom);
        hero.RestorePosition();
        return DefeatHero(scene, cause);
    };
    if (squeeze("Dead SP") == STOP) return STOP;
    auto killed = [&](int r) { return r == WALK_KILLED && !hero.m_bDefeated && hero.m_nBlockOverlap == 0; };
    if (killed(ResolveBlockCharaContact(hero, g_Charas))) return DefeatHero(scene, "Dead 6");
    if ((hero.m_nTouchLeft || hero.m_nTouchRight) && killed(CheckWallsX(hero)))
        return DefeatHero(scene, "Dead 7");
    if ((hero.m_nTouchTop || hero.m_nTouchBottom) && killed(CheckFloorAndCeiling(hero)))
        return DefeatHero(scene, "Dead 8");
    if (squeeze("Dead 9") == STOP) return STOP;
    hero.DecayPushX();
    hero.DecayPushY();
    ReleaseBlockOverlap(hero);
    return GO_ON;
}

// Whether a character's own step runs: one in play, present and found awake.
[[gnu::always_inline]] inline bool StepsNow(const cStageChara& c) {
    return !c.m_bRemoved && !c.m_bDefeated && c.m_bPresent && g_PlayWork.running.contains(c.m_nId);
}

// The step of a character that StepsNow picks.
Flow StepChara(cGameScene& scene, cStageChara& c) {
    TriggerStep(c);
    if (c.RunFlows(0)) {
        // A character that vanished is already out of play; any other end is its death.
        if (c.m_bRemoved) return GO_ON;
        return CharaDeath(c);
    }
    if (scene.m_bHpCheck && CheckDefeats()) return STOP;
    if (c.m_bRemoved || c.m_bDefeated) return GO_ON;
    auto dies = [](int r) { return r == WALK_KILLED; };
    if (IsBlockChara(c)) {
        c.StepX();
        if (dies(WalkBlocksX(c))) return CharaDeath(c);
        c.ApplyGravity();
        if (c.StepY() == 7 || dies(WalkBlocksY(c))) return CharaDeath(c);
    } else {
        if (c.m_bRiding) CarryRider(c, g_Charas);
        c.StepX();
        if (dies(WalkBlocksX(c))) return CharaDeath(c);
        c.ApplyGravity();
        if (c.StepY() == 7 || dies(WalkBlocksY(c))) return CharaDeath(c);
        if (dies(ResolveBlockCharaContact(c, g_Charas)) || dies(CheckWallsX(c)) ||
            dies(CheckFloorAndCeiling(c)))
            return CharaDeath(c);
    }
    c.DecayPushX();
    c.DecayPushY();
    ReleaseBlockOverlap(c);
    return GO_ON;
}

cLimits LimitsOf(const cEdStageSub& s) {
    cLimits l;
    l.bOn[0] = s.m_nLeft, l.bOn[1] = s.m_nRight, l.bOn[2] = s.m_nTop, l.bOn[3] = s.m_nBottom;
    l.nDist[0] = s.m_nDistLeft, l.nDist[1] = s.m_nDistRight;
    l.nDist[2] = s.m_nDistTop, l.nDist[3] = s.m_nDistBottom;
    return l;
}

// The removal limits: characters by gravity (records 0 and 1), items (2), shots of the player side
// (3) and of the others (4).
const cEdStageSub& LimitRecord(int index) {
    return g_Stage.m_Limits[std::clamp(index, 0, STAGE_LIMIT_RECORDS - 1)];
}

// The shot stays in its faction list, marked, until the sweep takes all the marked shots out of the
// lists in one pass: the hits pass over marked shots.
void RemoveShot(cShot& shot) {
    shot.m_bRemoved = 1;
}

// The shots that end here stay, marked, in their lists through the hits, which pass over them,
// until the sweep after the hits; the scene counts them so that no count of shots in play made
// meanwhile includes them.
void StepShots(cGameScene& scene, bool firstSubStep) {
    std::size_t ended = 0;
    for (cShot& shot : scene.m_Shots) {
        if (shot.m_bRemoved) {
            ++ended;
            continue;
        }
        const bool playerSide = shot.m_pOwner ? IsPlayerSide(*shot.m_pOwner) : IsPlayerSide(shot);
        const cLimits limits = LimitsOf(LimitRecord(playerSide ? 3 : 4));
        bool gone = false;
        if (shot.MoveStep() == 0) {
            shot.AccelerateY();
            shot.AccelerateX();
            gone = firstSubStep && IsOutsideLimits(shot, limits);
        } else {
            // Its life, range or sword frames have run out.
            gone = true;
        }
        if (gone || shot.HitsBlock()) {
            RemoveShot(shot);
            ++ended;
        }
    }
    scene.m_nEndedShots = ended;
}

// A sub-step's start for each character in one walk: its life counts down while hero 1 plays (a
// character whose life runs out leaves play), then its invincibility ticks, its touches clear and
// its position is kept. Leaving play changes only links, which the rest of the start never reads,
// so each character may go through both before the next; nothing of it adds or erases characters.
void StartCharasSubStep(bool countLives) {
    EachCharaStable([countLives](cStageChara& c) {
        if (c.m_bRemoved) return;
        if (countLives && !c.m_bDefeated && c.m_nWord1 != LIFE_UNLIMITED && --c.m_nWord1 < 0) {
            RemoveFromPlay(c);
            return;
        }
        c.TickInvincibility();
        c.ClearFrameFlag();
        c.SavePosition();
    });
}

// The items of g_Items in the list's order, for the walks over every item: these go through the
// table instead of following the list's links one after another. The activity pass at a
// sub-step's start makes it, or takes on the one the removal walk of the sub-step before left, and
// brings it up to the list; the later walks of the sub-step use it, and the removal walk leaves it
// as the list stands after it. Items join the list only at its end, with ids above every id before
// them: the table holds while the list is its items (none erased) and those that joined after its
// last; otherwise the list is walked itself.
struct cItemTable {
    using Pos = std::list<cItem>::iterator;
    std::vector<Pos> items;
    std::size_t count = 0;
    int lastId = 0; // the id of the last item
    bool made = false;
    // The removal walk's table is taken on only by the next sub-step of the same scene.
    const cGameScene* scene = nullptr;
    int nextSubStep = -1;

    void Keep(Pos it) {
        if (count == items.size()) items.resize(std::max<std::size_t>(64, 2 * count));
        items[count++] = it;
    }
    void Close() {
        made = true;
        lastId = count ? items[count - 1]->m_nId : 0;
    }
};
cItemTable g_ItemTable;

// Whether the list is the table's items and those that joined after them: from its end, past the
// items of higher ids, it comes to the table's last, and it holds no fewer items than that.
bool ItemTableHolds() {
    const cItemTable& t = g_ItemTable;
    if (!t.made || g_Items.size() < t.count) return false;
    if (t.count == 0) return true;
    std::size_t joined = 0;
    for (auto x = g_Items.end(); x != g_Items.begin();) {
        --x;
        if (x == t.items[t.count - 1]) return x->m_nId == t.lastId && g_Items.size() - joined == t.count;
        if (x->m_nId <= t.lastId) return false;
        ++joined;
    }
    return false;
}

// Calls f on each item in the list's order; f returns the position after it (erasing it or not).
// With `refill` the table is emptied as the walk starts, for f to keep the items again behind the
// walk (Keep writes no further than the position read, so the table stays ahead of it).
template <class F> void EachItemErasing(F&& f, bool refill = false) {
    cItemTable& t = g_ItemTable;
    auto it = g_Items.begin();
    const std::size_t n = ItemTableHolds() ? t.count : 0;
    if (refill) t.count = 0;
    const cItemTable::Pos* const at = t.items.data();
    // The items that joined follow the position after the table's last. The positions f gives for
    // the others are not wanted: left unread, so that an f taken in line reads no item's links.
    for (std::size_t k = 0; k + 1 < n; ++k) {
        static_cast<void>(f(at[k]));
    }
    if (n) it = f(at[n - 1]);
    while (it != g_Items.end())
        it = f(it);
}

void CountDownItemLives() {
    EachItemErasing([](cItemTable::Pos it) __attribute__((always_inline)) {
        cItem& item = *it;
        if (!item.m_bRemoved && item.m_nWord1 != LIFE_UNLIMITED && --item.m_nWord1 < 0) item.m_bRemoved = 1;
        return std::next(it);
    });
}

// Characters and items beyond the removal limits leave play. This walk meets every character and
// item after the last of the sub-step's steps: it erases them and those the steps took out of play,
// so that none of them is left in its list for the hits. Leaving play moves no view: the limits'
// lines, worked out once, stand through the walk.
void RemoveOutside(const cGameScene& scene) {
    const cLimitLines charas[2] = {LimitLinesOf(LimitsOf(LimitRecord(0))),
                                   LimitLinesOf(LimitsOf(LimitRecord(1)))};
    // The defeat marks of those kept tell whether the sweep after the hits has any to look for.
    bool keptDefeated = false;
    EraseCharasKeepingBlockCharasIf([&charas, &keptDefeated](cStageChara& c) {
        if (!c.m_bRemoved && IsOutsideLines(c, charas[c.m_bNoGravity ? 1 : 0])) RemoveFromPlay(c);
        if (c.m_bRemoved) return true;
        keptDefeated = keptDefeated || c.m_bDefeated;
        return false;
    });
    NoteCharasRemovedOutside(scene, keptDefeated);
    const cLimitLines items = LimitLinesOf(LimitsOf(LimitRecord(2)));
    // The items kept are written back into the table, which stays ahead of them.
    cItemTable& t = g_ItemTable;
    const auto one = [&items, &t ](cItemTable::Pos it) __attribute__((always_inline)) {
        cItem& item = *it;
        if (!item.m_bRemoved && IsOutsideLines(item, items)) item.m_bRemoved = 1;
        if (item.m_bRemoved || item.m_bTaken) return g_Items.erase(it);
        t.Keep(it);
        return std::next(it);
    };
    EachItemErasing(one, true);
    t.Close();
    t.scene = &scene;
    t.nextSubStep = scene.m_nSubStepCount + 1;
}

// The result of the hits or the item touch: 1 clears the stage, 2 defeats hero 1.
Flow ActOnResult(cGameScene& scene, int r) {
    if (r == HIT_STAGE_CLEAR) {
        EndStageCleared(scene);
        return STOP;
    }
    if (r == HIT_PLAYER_DIED) return DefeatHero(scene, nullptr);
    return GO_ON;
}

// The characters the last activity pass found awake, in the list's order, apart by whether they
// are block characters: only they can step in the sub-step (no other is found running until the
// next pass, and a character joining the list has an id never found running). The walks of the
// steps go through these instead of every character, so that a sub-step reads nothing of those
// asleep; each is still picked as the full walk would pick it. They hold while no character has
// left the list since the pass (the epoch tells); those joining at its end are met after them.
struct cAwakeCharas {
    std::vector<CharaPos> lists[2]; // [1] block characters, each filled to its count
    std::size_t counts[2] = {0, 0};
    std::size_t listSize = 0; // the array's length when they were made
    unsigned epoch = 0;
    bool made = false;
};
cAwakeCharas g_Awake;

bool AwakeListsHold() {
    // The array is brought up to date first: a list found shorter than it advances the epoch.
    return g_Awake.made && IndexedCharas() != nullptr && g_Awake.epoch == CharaIndexEpoch();
}

// AnyCharaWhere over the awake characters of one kind, then those that joined the list since they
// were listed: the same characters, picked and stepped in the same order.
template <class P, class F> bool AnyAwakeCharaWhere(bool block, P&& pick, F&& f) {
    const int kind = block ? 1 : 0;
    cCharaIndex& x = g_CharaIndex;
    // Characters left the list during f: the rest of the walk follows the list itself.
    const auto rest = [&](CharaPos it) {
        for (++it; it != g_Charas.end(); ++it)
            if (pick(*it) && f(*it)) return true;
        return false;
    };
    const std::size_t n = g_Awake.counts[kind];
    const CharaPos* const at = g_Awake.lists[kind].data();
    for (std::size_t k = 0; k < n; ++k) {
        const CharaPos it = at[k];
        if (!pick(*it)) continue;
        const unsigned epoch = x.epoch;
        if (f(*it)) return true;
        if (x.epoch != epoch) return rest(it);
    }
    for (std::size_t k = g_Awake.listSize;; ++k) {
        const std::vector<CharaPos>* items = IndexedCharas();
        if (!items || k >= items->size()) return false;
        const CharaPos it = (*items)[k];
        if (!pick(*it)) continue;
        const unsigned epoch = x.epoch;
        if (f(*it)) return true;
        if (x.epoch != epoch) return rest(it);
    }
}

// AnySteppingChara for any f.
template <class F> bool AnySteppingCharaWhere(bool blocks, F&& f) {
    if (blocks) {
        const auto pick = [](const cStageChara& c) { return IsBlockChara(c) && StepsNow(c); };
        return AwakeListsHold() ? AnyAwakeCharaWhere(true, pick, f) : AnyCharaWhere(pick, f);
    }
    const auto pick = [](const cStageChara& c) { return !IsBlockChara(c) && StepsNow(c); };
    return AwakeListsHold() ? AnyAwakeCharaWhere(false, pick, f) : AnyCharaWhere(pick, f);
}

Flow SubStep(cGameScene& scene, int k) {
    const cBlockCharaScope blockCharas;
    scene.m_nSubStep = k;
    ++scene.m_nSubStepCount;
    UpdateObjectActivity(scene);
    cHero* hero = Hero1();
    const bool heroLive = hero && !hero->m_bDefeated;
    StartCharasSubStep(heroLive);
    if (heroLive) CountDownItemLives();
    if (hero) {
        hero->TickInvincibility();
        hero->ClearFrameFlag();
        hero->SavePosition();
        hero->SaveFacing();
        hero->LatchState();
    }
    scene.m_ScrollX.Step();
    scene.m_ScrollY.Step();
    if (heroLive) {
        // Block characters first, so that what rides on them moves with them.
        const auto step = [&scene](cStageChara& c) { return StepChara(scene, c) == STOP; };
        if (AnySteppingCharaWhere(true, step)) return STOP;
        if (StepHero(scene, *hero) == STOP) return STOP;
        if (AnySteppingCharaWhere(false, step)) return STOP;
    }
    StepShots(scene, k == 1);
    RemoveOutside(scene);
    const auto& schedule = g_PlayWork.stepSchedule;
    const bool shotStep =
        k - 1 >= static_cast<int>(schedule.size()) || schedule[static_cast<std::size_t>(k - 1)];
    if (ActOnResult(scene, ResolveShotAndCharaHits(scene, shotStep)) == STOP) return STOP;
    hero = Hero1();
    if (hero && !hero->m_bDefeated && ActOnResult(scene, TouchItems(*hero)) == STOP) return STOP;
    return GO_ON;
}

// Everything of a frame after the input: false when the frame ends without drawing.
bool RunFrameBody(cGameScene& scene) {
    TickElapsedTime(scene);
    cHero* hero = Hero1();
    if (TickTimeLimit(scene, -1) && hero && !hero->m_bDefeated) {
        DefeatHero(scene, nullptr);
        return false;
    }
    // The characters stay an array through the frame's sub-steps, and so does the list of block
    // characters.
    const cCharaIndexScope charas;
    const cBlockCharaScope blockCharas;
    if (hero) ClearFlowFrameMarks(*hero);
    EachCharaStable([](cStageChara& c) {
        if (!c.m_bDefeated && !c.m_bRemoved) ClearFlowFrameMarks(c);
    });
    for (int k = 1; k <= g_nFrameMul; ++k) {
        if (SubStep(scene, k) == STOP) {
            SweepRemoved(&scene);
            return false;
        }
    }
    return true;
}

bool DefaultCheckSpaceKey(cGameScene& scene) {
    if (!(win::GetAsyncKeyState(win::VK_SPACE) & 0x8000)) return false;
    PlaySe(SE_PAUSE);
    scene.m_nSavedState = scene.m_nState;
    scene.m_nSavedSubState = scene.m_nSubState;
    return true;
}

bool CondsHold(cCheckedVector<cEdFlowCond>& list, int mode, int latch, bool passed, cChara* subject) {
    if (list.empty()) return true;
    if (latch && passed) return true;
    if (!subject) return false;
    return CheckConditionList(list, mode, *subject);
}

} // namespace

// ---- Items ----

namespace {

// Whether the removal walk of the scene's present sub-step left the table, and it holds.
bool RemovalTableHolds(const cGameScene* scene) {
    const cItemTable& t = g_ItemTable;
    return scene && t.made && t.scene == scene && t.nextSubStep == scene->m_nSubStepCount + 1 &&
           ItemTableHolds();
}

} // namespace

void EraseItemsOutOfPlay(const cGameScene* scene) {
    const auto gone = [](const cItem& item) { return item.m_bRemoved || item.m_bTaken; };
    if (!RemovalTableHolds(scene)) {
        g_Items.remove_if(gone);
        return;
    }
    // Most often none is gone: looked for first, and then the list and the table stay as they are.
    cItemTable& t = g_ItemTable;
    const std::size_t n = t.count;
    const cItemTable::Pos* const at = t.items.data();
    std::size_t k = 0;
    for (; k < n; ++k) {
        if (gone(*at[k])) break;
    }
    if (k == n && std::none_of(n ? std::next(at[n - 1]) : g_Items.begin(), g_Items.end(), gone)) return;
    // The items kept are written back into the table, which stays ahead of them and goes on
    // holding the list for the rest of the sub-step and the next.
    EachItemErasing(
        [&t, &gone ](cItemTable::Pos it) __attribute__((always_inline)) {
            if (gone(*it)) return g_Items.erase(it);
            t.Keep(it);
            return std::next(it);
        },
        true);
    t.Close();
}

// ---- The step ----

void PlayStep(cGameScene& scene) {
    if (scene.m_bClosing) {
        win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
        return;
    }
    if (CheckSpaceKey(scene)) {
        scene.m_nSubState = 0;
        scene.m_nState = GAMESTATE_PAUSE;
        return;
    }
    if (CheckReplayHotKeys() != 0) return;
    ++scene.m_nPlayFrame;
    // The end of a replay starts it again: the stage is set up anew.
    if (!StepInput(scene)) return;
    const unsigned stage = g_PlayTrace.StagesBegun();
    if (RunFrameBody(scene) && g_PlayStepHooks.DrawFrame) g_PlayStepHooks.DrawFrame(scene, 1, 0, 1, 1);
    // A step that set the stage up again (a restart after a defeat or a time-out) has no line: it
    // would hold the new stage before any of its steps, and its first step is its FRAME 1.
    if (g_PlayTrace.StagesBegun() == stage) g_PlayTrace.WriteStep(scene, PlayEndWord(scene));
}

int PlayEndWord(const cGameScene& scene) {
    if (scene.m_nState == GAMESTATE_RESULT) return PLAY_END_CLEARED;
    if (!g_Heroes.empty() && g_Heroes[0].m_bDefeated) return PLAY_END_DEFEATED;
    return PLAY_END_NONE;
}

bool CheckSpaceKey(cGameScene& scene) {
    return g_PlayStepHooks.CheckSpaceKey ? g_PlayStepHooks.CheckSpaceKey(scene) : DefaultCheckSpaceKey(scene);
}

// ---- Time ----

bool TickTimeLimit(cGameScene& scene, int step) {
    if (scene.m_bTimeStopped || !FrameTimerTick(1, 60)) return false;
    const long long t = static_cast<long long>(scene.m_nTimeLimit) + step;
    if (t >= 1000) {
        scene.m_nTimeLimit = 999;
        return false;
    }
    if (t < 1) {
        scene.m_nTimeLimit = 0;
        return true;
    }
    scene.m_nTimeLimit = static_cast<int>(t);
    return false;
}

void TickElapsedTime(cGameScene& scene) {
    if (scene.m_nElapsedCs >= ELAPSED_CS_MAX) return;
    ++scene.m_nElapsedFrames;
    const long long cs = static_cast<long long>(scene.m_nElapsedFrames) * 100 / 60;
    scene.m_nElapsedCs = static_cast<int>(std::min<long long>(cs, ELAPSED_CS_MAX));
}

// ---- Activity ----

namespace {

// The activity marks of a character not out of play: whether it is present, in view and active.
// Whether the awake test may find it awake. Inlined in the walk over every character.
[[gnu::always_inline]] inline bool MarkActivity(cStageChara& c, std::vector<std::int32_t>& switches,
                                                std::vector<std::size_t>& switchedOn, double viewX,
                                                double viewY) {
    if (c.m_bRemoved) return false;
    if (!c.m_Def.m_Conditions.empty() && !TestCharaConditionsOnce(c)) {
        c.m_bPresent = c.m_bInView = 0;
        c.m_bActive = 0;
        return false;
    }
    c.m_bPresent = 1;
    c.m_bInView = c.IsOnScreenAt(viewX, viewY) ? 1 : 0;
    c.UpdateActive(switches);
    // An active character switching its group has marked it.
    if (c.m_bActive && c.m_Def.m_nGroupSwitch) switchedOn.push_back(c.m_Def.m_nGroupNo);
    return c.m_Def.m_nGroupSwitch || c.MayBeAwake();
}

} // namespace

void UpdateObjectActivity(cGameScene& scene) {
    if (cHero* hero = Hero1()) hero->m_bPresent = hero->m_bInView = hero->m_nWord3 = 1;
    // The marks are all off between passes (each pass turns off those it turned on): switched on
    // only by the characters' activity below, growing to the highest group switched on, a group
    // beyond them reading as off. Turning them off one by one spares filling them anew each pass.
    auto& switches = g_PlayWork.groupSwitches;
    // Nothing of the pass moves the view.
    const double viewX = ViewX().m_dPos, viewY = ViewY().m_dPos;
    // The characters that the awake test below may find awake, in the list's order. Nothing from
    // here to that test changes what it reads of a character (its removal and presence, its
    // definition's group, gravity, activity, airborne and falling marks) but this walk over that
    // same character, so one that can only be found asleep is left out: the test would have
    // changed nothing of it. The tests only read and mark: no character joins or leaves the list.
    // The walk meets each character of the list once: the table holds as many.
    static std::vector<CharaPos> candidates;
    if (candidates.size() < g_Charas.size()) candidates.resize(g_Charas.size());
    std::size_t found = 0;
    // The groups marked on, to be turned off again once the awake tests have read them.
    static std::vector<std::size_t> switchedOn;
    switchedOn.clear();
    // Whether the ids rise along the list, as play hands them out: then no two characters share one,
    // and only those found awake below are running.
    bool risingIds = true;
    int lastId = INT_MIN;
    // Inlined in both walks below.
    struct cMark {
        std::vector<std::int32_t>& switches;
        std::size_t& found;
        bool& risingIds;
        int& lastId;
        double viewX, viewY;
        [[gnu::always_inline]] void operator()(CharaPos it) const {
            const int id = it->m_nId;
            risingIds &= id > lastId;
            lastId = id;
            // The group switches are known only once every character has been through here.
            if (MarkActivity(*it, switches, switchedOn, viewX, viewY)) candidates[found++] = it;
        }
    };
    const cMark mark{switches, found, risingIds, lastId, viewX, viewY};
    const std::vector<CharaPos>* items = IndexedCharas();
    if (items) {
        const std::size_t n = items->size();
        const CharaPos* const at = items->data();
        for (std::size_t k = 0; k < n; ++k)
            mark(at[k]);
    } else {
        for (auto it = g_Charas.begin(); it != g_Charas.end(); ++it)
            mark(it);
    }
    g_PlayWork.running.clear();
    // The awake characters, as the walks of the steps go through them.
    g_Awake.made = items != nullptr && risingIds;
    g_Awake.epoch = CharaIndexEpoch();
    g_Awake.listSize = items ? items->size() : 0;
    // Room for every candidate in either list, filled by count.
    std::size_t listed[2] = {0, 0};
    CharaPos* lists[2];
    for (int kind = 0; kind < 2; ++kind) {
        std::vector<CharaPos>& list = g_Awake.lists[kind];
        if (list.size() < found) list.resize(found);
        lists[kind] = list.data();
    }
    for (std::size_t k = 0; k < found; ++k) {
        const CharaPos it = candidates[k];
        cStageChara* c = &*it;
        if (!c->m_bRemoved && c->m_bPresent && c->CheckAwake(switches)) {
            g_PlayWork.running.insert(c->m_nId);
            const int kind = IsBlockChara(*c) ? 1 : 0;
            lists[kind][listed[kind]++] = it;
        }
    }
    g_Awake.counts[0] = listed[0];
    g_Awake.counts[1] = listed[1];
    // Only the activity above marks groups, each as it was noted.
    for (const std::size_t group : switchedOn)
        switches[group] = 0;
    const auto markItem = [viewX, viewY](cItem& item) {
        if (TestItemConditionsOnce(item)) {
            item.m_bPresent = 1;
            item.m_bInView = item.IsOnScreenAt(viewX, viewY) ? 1 : 0;
        } else {
            item.m_bPresent = item.m_bInView = 0;
        }
    };
    cItemTable& table = g_ItemTable;
    auto it = g_Items.begin();
    if (table.made && table.scene == &scene && table.nextSubStep == scene.m_nSubStepCount &&
        ItemTableHolds()) {
        const std::size_t n = table.count;
        for (std::size_t k = 0; k < n; ++k)
            markItem(*table.items[k]);
        if (n) it = std::next(table.items[n - 1]);
    } else {
        table.count = 0;
    }
    for (; it != g_Items.end(); ++it) {
        markItem(*it);
        table.Keep(it);
    }
    table.Close();
    table.scene = nullptr;
    for (cShot& shot : scene.m_Shots) {
        shot.m_bPresent = 1;
        shot.m_bInView = shot.IsOnScreenAt(viewX, viewY) ? 1 : 0;
    }
}

bool AnySteppingChara(bool blocks, const std::function<bool(cStageChara&)>& f) {
    return AnySteppingCharaWhere(blocks, f);
}

bool IsCharaRunning(const cStageChara& chara) {
    return g_PlayWork.running.contains(chara.m_nId);
}

bool TestConditionsOnce(cBlock& block) {
    if (block.m_Conditions.empty()) return true;
    if (!CondsHold(block.m_Conditions, block.m_nConditionMode, block.m_nConditionLatch, block.m_bHeld != 0,
                   Hero1()))
        return false;
    block.m_bHeld = 1;
    return true;
}

bool TestCharaConditionsOnce(cStageChara& chara) {
    // Without conditions a character always appears: nothing to look up or remember.
    if (chara.m_Def.m_Conditions.empty()) return true;
    auto& passed = g_PlayWork.passedCharas;
    if (!CondsHold(chara.m_Def.m_Conditions, chara.m_Def.m_nConditionMode, chara.m_Def.m_nConditionLatch,
                   passed.count(chara.m_nId) != 0, &chara))
        return false;
    if (!chara.m_Def.m_Conditions.empty()) passed.insert(chara.m_nId);
    return true;
}

bool TestItemConditionsOnce(cItem& item) {
    if (item.m_Def.m_Conditions.empty()) return true;
    auto& passed = g_PlayWork.passedItems;
    if (!CondsHold(item.m_Def.m_Conditions, item.m_Def.m_nConditionMode, item.m_Def.m_nConditionLatch,
                   passed.count(item.m_nId) != 0, Hero1()))
        return false;
    if (!item.m_Def.m_Conditions.empty()) passed.insert(item.m_nId);
    return true;
}

// ---- Standing-block effects ----

int ApplyStandingBlockEffect(cChara& c) {
    if (c.m_bNoGravity) return 0;
    cStandEffect& e = g_PlayWork.standEffects[c.m_nId];
    const cBlock* block = c.m_lpStandBlock;
    if (e.nFrames <= 0 && block && IsBlockSolid(*block, c.m_nPassKind)) {
        const cBlockCellInfo* info = BlockCellInfoOf(block);
        const int kind = info ? info->nEffectKind : 0;
        const int value = info ? info->nEffectValue : 0;
        if (kind != 2) e.bBlockFlag = 0;
        switch (kind) {
        case 1:
            PlaySe(SE_BOUNCE);
            c.m_dVY = c.JumpSpeedForHeight(value);
            c.m_bJumped = c.m_bAirborne = 1;
            c.m_nAirFrames = 0;
            // Off the block: the bounce acts once.
            c.m_lpStandBlock = nullptr;
            c.m_nApexFrames = FramesToApex(c.m_dVY);
            break;
        case 2:
            e.bBlockFlag = 1;
            break;
        case 3:
        case 4:
        case 5:
            e.nKind = kind;
            e.nValue = value;
            e.nFrames = std::max(0, g_nFrameMul);
            break;
        default:
            break;
        }
    }
    if (e.nFrames > 0) {
        const double amount = e.nValue * 0.1 / StageFrameScale();
        if (e.nKind == 3) {
            c.m_dVX *= e.nValue * 0.01;
        } else if (e.nKind == 4) {
            c.m_dVX -= amount;
            if (c.m_dAX > 0) c.m_dAX = 0;
        } else if (e.nKind == 5) {
            c.m_dVX += amount;
            if (c.m_dAX < 0) c.m_dAX = 0;
        }
        if (--e.nFrames == 0 && c.m_dVY >= 0) c.m_dVY += 1.0;
    }
    return 0;
}

// ---- Hooks ----

namespace {

int TakeCarriedItem(cChara& taker, cGameObject& item) {
    if (taker.m_nObjKind != OBJKIND_HERO || item.m_nObjKind != OBJKIND_ITEM) return 0;
    return TakeItem(static_cast<cItem*>(&item), static_cast<cHero&>(taker));
}

bool StageEnding() {
    return g_lpGameScene && g_lpGameScene->m_nState == GAMESTATE_RESULT;
}

void RemoveCharaFromPlay(cChara& c) {
    if (c.m_nObjKind == OBJKIND_STAGECHARA)
        RemoveFromPlay(static_cast<cStageChara&>(c));
    else
        c.m_nHP = 0; // a hero that vanishes is defeated by its HP
}

void RebuildWorkSurfaces() {
    CreateWorkSurfaces();
}

} // namespace

void InstallPlayHooks() {
    g_ObjectHooks.TakeItem = &TakeCarriedItem;
    g_ObjectHooks.StageEnding = &StageEnding;
    g_ObjectHooks.FindStageChara = &FindIndexedChara;
    g_FlowHooks.RemoveFromPlay = &RemoveCharaFromPlay;
    g_FlowHooks.CreateWorkSurfaces = &RebuildWorkSurfaces;
    InstallStageSpawners();
}
