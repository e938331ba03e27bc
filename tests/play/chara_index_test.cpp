// The array the sub-steps walk instead of the character list: every walk meets the list's
// characters in order, summons added meanwhile included, and an erase is never missed; the id set
// of the activity pass; the group marks that grow with the groups switched on; which characters
// the activity pass finds awake, and which the walk of the steps meets after it.
#include "play/chara_index.h"
#include "objects/game_scene.h"
#include "play/play_step.h"
#include "play/set_stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

namespace {

// A 32 x 32 character `at` pixels right of and below the view's corner.
void Place(cStageChara& c, double at) {
    c.m_dX = ViewX().m_dPos + at;
    c.m_dY = ViewY().m_dPos + at;
    c.m_dRight = c.m_dX + 31;
    c.m_dBottom = c.m_dY + 31;
}

cStageChara& Add(int id) {
    cStageChara& c = g_Charas.emplace_back();
    c.m_nId = id;
    return c;
}

void Erase(int id) {
    for (auto it = g_Charas.begin(); it != g_Charas.end(); ++it) {
        if (it->m_nId != id) continue;
        g_Charas.erase(it);
        ForgetCharaIndex();
        return;
    }
}

std::vector<int> ListIds() {
    std::vector<int> ids;
    for (const cStageChara& c : g_Charas)
        ids.push_back(c.m_nId);
    return ids;
}

class CharaIndexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_Charas.clear();
        for (int id = 1; id <= 5; ++id)
            Add(id);
    }
    void TearDown() override {
        g_Charas.clear();
        ForgetCharaIndex();
    }
};

TEST_F(CharaIndexTest, AWalkMeetsTheListsCharactersInOrder) {
    // What happens during or before the walk, and the ids it meets.
    const struct {
        const char* name;
        bool inScope;
        void (*before)();             // between a first walk and the walk looked at
        void (*during)(cStageChara&); // on each character met
        std::vector<int> met;
    } cases[] = {
        {"outside a sub-step", false, [] {}, [](cStageChara&) {}, {1, 2, 3, 4, 5}},
        {"unchanged", true, [] {}, [](cStageChara&) {}, {1, 2, 3, 4, 5}},
        {"summons at the end", true, [] { Add(6); }, [](cStageChara&) {}, {1, 2, 3, 4, 5, 6}},
        {"summoned while walking",
         true,
         [] {},
         [](cStageChara& c) {
             if (c.m_nId == 2 || c.m_nId == 7) Add(c.m_nId + 5);
         },
         {1, 2, 3, 4, 5, 7, 12}},
        {"erased before", true, [] { Erase(3); }, [](cStageChara&) {}, {1, 2, 4, 5}},
        {"erased and summoned before, same length",
         true,
         [] {
             Erase(5);
             Add(9);
         },
         [](cStageChara&) {},
         {1, 2, 3, 4, 9}},
        {"a later one erased while walking",
         true,
         [] {},
         [](cStageChara& c) {
             if (c.m_nId == 2) Erase(4);
         },
         {1, 2, 3, 5}},
        {"erased and summoned while walking",
         true,
         [] {},
         [](cStageChara& c) {
             if (c.m_nId != 1) return;
             Erase(3);
             Add(8);
         },
         {1, 2, 4, 5, 8}},
    };
    for (const auto& k : cases) {
        SetUp();
        {
            std::optional<cCharaIndexScope> scope;
            if (k.inScope) scope.emplace();
            EachChara([](cStageChara&) {});
            k.before();
            std::vector<int> met;
            EachChara([&](cStageChara& c) {
                met.push_back(c.m_nId);
                k.during(c);
            });
            EXPECT_EQ(met, k.met) << k.name;
            // A walk after it meets the list as it now is.
            met.clear();
            EachChara([&](cStageChara& c) { met.push_back(c.m_nId); });
            EXPECT_EQ(met, ListIds()) << k.name;
        }
        TearDown();
    }
}

// The id table finds what a walk over the list finds: the first character with the id in the list's
// order, through erasures and summons between look-ups and after the array was taken anew.
TEST_F(CharaIndexTest, TheIdTableFindsTheFirstCharacterOfAnIdAsTheListDoes) {
    auto walk = [](int id) -> cStageChara* {
        for (cStageChara& c : g_Charas)
            if (c.m_nId == id) return &c;
        return nullptr;
    };
    const struct {
        const char* name;
        void (*change)(); // between a first look-up and the look-ups compared
        bool between;     // made between two sub-steps, where nobody tells the array
    } cases[] = {
        {"unchanged", [] {}, false},
        {"summoned at the end", [] { Add(6); }, false},
        {"a second one of an id summoned", [] { Add(2); }, false},
        {"erased", [] { Erase(3); }, false},
        {"the first of an id erased",
         [] {
             Add(2);
             Erase(2);
         },
         false},
        {"erased and summoned, same length",
         [] {
             Erase(5);
             Add(9);
         },
         false},
        {"erased through the array", [] { EraseCharasIf([](cStageChara& c) { return c.m_nId % 2 == 0; }); },
         false},
        {"erased and summoned between two sub-steps, same length",
         [] {
             g_Charas.pop_front();
             Add(10);
         },
         true},
    };
    for (const auto& k : cases) {
        SetUp();
        {
            std::optional<cCharaIndexScope> scope(std::in_place);
            bool known = false;
            EXPECT_EQ(FindIndexedChara(1, known), &g_Charas.front()) << k.name;
            EXPECT_TRUE(known);
            if (k.between) scope.reset();
            k.change();
            if (k.between) scope.emplace();
            for (int id = 0; id <= 11; ++id) {
                EXPECT_EQ(FindIndexedChara(id, known), walk(id)) << k.name << ": id " << id;
                EXPECT_TRUE(known);
            }
        }
        bool known = true;
        EXPECT_EQ(FindIndexedChara(1, known), nullptr) << k.name;
        EXPECT_FALSE(known) << k.name << ": no table outside a sub-step";
        TearDown();
    }
}

TEST_F(CharaIndexTest, AnEraseThroughTheArrayKeepsBothInStep) {
    const struct {
        bool inScope;
        std::vector<int> gone, left;
    } cases[] = {
        {true, {}, {1, 2, 3, 4, 5}},
        {true, {2, 5}, {1, 3, 4}},
        {true, {1, 2, 3, 4, 5}, {}},
        {false, {1, 4}, {2, 3, 5}},
    };
    for (const auto& k : cases) {
        SetUp();
        {
            std::optional<cCharaIndexScope> scope;
            if (k.inScope) scope.emplace();
            EachChara([](cStageChara&) {});
            const unsigned epoch = CharaIndexEpoch();
            const bool erased = EraseCharasIf([&](const cStageChara& c) {
                return std::find(k.gone.begin(), k.gone.end(), c.m_nId) != k.gone.end();
            });
            EXPECT_EQ(erased, !k.gone.empty());
            EXPECT_EQ(ListIds(), k.left);
            if (k.inScope) {
                EXPECT_EQ(CharaIndexEpoch() != epoch, erased) << "a walk in progress must see it";
            }
            Add(20);
            std::vector<int> met;
            EachChara([&](cStageChara& c) { met.push_back(c.m_nId); });
            std::vector<int> expected = k.left;
            expected.push_back(20);
            EXPECT_EQ(met, expected);
        }
        TearDown();
    }
}

TEST(IdSet, HoldsExactlyTheIdsInsertedUntilCleared) {
    const std::vector<int> inserted = {0, 5, 5, 3, -3, INT_MIN, 1 << 20, INT_MAX, 70000};
    const struct {
        int id;
        bool in;
    } probes[] = {{0, true},       {5, true},         {3, true},
                  {4, false},      {-3, true},        {-1, false},
                  {INT_MIN, true}, {(1 << 20), true}, {(1 << 20) - 1, false},
                  {INT_MAX, true}, {70000, true},     {69999, false},
                  {1 << 21, false}};
    cIdSet set;
    for (const int id : inserted)
        set.insert(id);
    for (const auto& p : probes)
        EXPECT_EQ(set.contains(p.id), p.in) << p.id;
    set.clear();
    for (const auto& p : probes)
        EXPECT_FALSE(set.contains(p.id)) << p.id;
    set.insert(4);
    EXPECT_TRUE(set.contains(4));
    EXPECT_FALSE(set.contains(5));
}

TEST(ActivityMarks, TheMarksGrowToTheGroupsSwitchedOnAndGroupsBeyondThemAreOff) {
    // A character of group 3 that is active (in view) switches its group on, from empty marks.
    std::vector<std::int32_t> switches;
    cEdCharaDef def;
    def.m_nGroupSwitch = 1;
    def.m_nGroupNo = 3;
    cStageChara on;
    on.Init(1, def, nullptr);
    Place(on, 100);
    on.UpdateActive(switches);
    ASSERT_EQ(on.m_bActive, 1);
    EXPECT_EQ(switches, (std::vector<std::int32_t>{0, 0, 0, 1}));
    // Asleep members of groups 2, 3 and 9 (beyond the marks): only group 3's wakes.
    const struct { int group, awake; } members[] = {{2, 0}, {3, 1}, {9, 0}};
    for (const auto& m : members) {
        def.m_nGroupNo = static_cast<std::uint16_t>(m.group);
        cStageChara c;
        c.Init(2, def, nullptr);
        Place(c, 20000);
        c.UpdateActive(switches);
        EXPECT_EQ(c.m_bActive, 0);
        EXPECT_EQ(c.CheckAwake(switches), m.awake) << "group " << m.group;
    }
    EXPECT_EQ(switches.size(), 4u);
}

TEST(ActivityPass, FindsAwakeTheActiveTheSwitchedAndThoseInTheAirUnderGravity) {
    // Off-screen characters are asleep unless their group is switched on (here by a character later
    // in the list), or they are airborne under gravity, or falling under gravity after once awake.
    const struct {
        int id;
        bool onScreen, groupSwitch, noGravity, airborne, falling, everActive, removed, awake;
    } charas[] = {
        {1, false, true, false, false, false, false, false, true},  // its group is switched on by 4
        {2, false, false, false, true, false, false, false, true},  // airborne
        {3, false, false, true, true, false, false, false, false},  // airborne without gravity
        {4, true, true, false, false, false, false, false, true},   // active: switches group 5 on
        {5, false, false, false, false, true, true, false, true},   // falling after once awake
        {6, false, false, false, false, true, false, false, false}, // falling, never awake
        {7, true, false, false, false, false, false, true, false},  // out of play
        {8, false, false, false, false, false, false, false, false},
    };
    g_Charas.clear();
    for (const auto& k : charas) {
        cEdCharaDef def;
        def.m_nGroupSwitch = k.groupSwitch ? 1 : 0;
        def.m_nGroupNo = 5;
        cStageChara& c = g_Charas.emplace_back();
        c.Init(k.id, def, nullptr);
        Place(c, k.onScreen ? 100 : 20000);
        c.m_bNoGravity = k.noGravity;
        c.m_bAirborne = k.airborne;
        c.m_bFalling = k.falling;
        c.m_bEverActive = k.everActive;
        c.m_bRemoved = k.removed;
    }
    cGameScene scene;
    {
        const cCharaIndexScope walks;
        UpdateObjectActivity(scene);
    }
    auto it = g_Charas.begin();
    for (const auto& k : charas) {
        const cStageChara& c = *it++;
        EXPECT_EQ(IsCharaRunning(c), k.awake) << k.id;
        EXPECT_EQ(c.m_bEverActive != 0, k.awake || k.everActive) << k.id;
    }
    g_Charas.clear();
    ForgetCharaIndex();
}

TEST(ActivityPass, AGroupSwitchedOnInOnePassIsOffInTheNextOnceNoSwitchOfItIsActive) {
    // Character 1 switches group 9 while in view; 2, of group 9 and out of view, only wakes by it;
    // 3 switches group 2, below it, and stays out of view.
    g_Charas.clear();
    const struct {
        int id, group;
        bool groupSwitch; // switched by its group while out of view, switching it while in view
    } charas[] = {{1, 9, true}, {2, 9, true}, {3, 2, true}};
    for (const auto& k : charas) {
        cEdCharaDef def;
        def.m_nGroupSwitch = k.groupSwitch ? 1 : 0;
        def.m_nGroupNo = static_cast<std::uint16_t>(k.group);
        cStageChara& c = g_Charas.emplace_back();
        c.Init(k.id, def, nullptr);
        Place(c, 20000);
        c.m_bNoGravity = 1;
    }
    cStageChara& switcher = g_Charas.front();
    const cStageChara& member = *std::next(g_Charas.begin());
    const struct {
        bool switcherInView, memberAwake;
    } passes[] = {{true, true}, {false, false}, {true, true}, {false, false}};
    cGameScene scene;
    for (const auto& p : passes) {
        Place(switcher, p.switcherInView ? 100 : 20000);
        const cCharaIndexScope walks;
        UpdateObjectActivity(scene);
        EXPECT_EQ(IsCharaRunning(member), p.memberAwake) << p.switcherInView;
    }
    g_Charas.clear();
    ForgetCharaIndex();
}

TEST(StepWalk, MeetsTheCharactersThatStepInTheListsOrder) {
    // Characters 1-8: on screen (awake) or far out of it (asleep), block characters or not.
    const struct {
        int id;
        bool awake, block;
    } charas[] = {{1, true, false}, {2, true, true},  {3, false, false}, {4, true, false},
                  {5, true, true},  {6, false, true}, {7, true, false},  {8, true, false}};
    // A character joining the list in play, present, with the id given.
    static const auto join = [](int id) {
        cStageChara& c = Add(id);
        Place(c, 100);
        c.m_bPresent = 1;
    };
    const struct {
        const char* name;
        bool blocks;
        std::vector<int> sharedIds; // asleep characters added after the eight, with these ids
        void (*during)(int id);     // on each character met, by its id
        std::vector<int> met;
    } cases[] = {
        {"others", false, {}, [](int) {}, {1, 4, 7, 8}},
        {"blocks", true, {}, [](int) {}, {2, 5}},
        {"joined while walking, with a new id",
         false,
         {},
         [](int id) {
             if (id == 4) join(20);
         },
         {1, 4, 7, 8}},
        {"joined while walking, with an id found awake",
         false,
         {},
         [](int id) {
             if (id == 4) join(7);
         },
         {1, 4, 7, 8, 7}},
        {"erased while walking",
         false,
         {},
         [](int id) {
             if (id == 1) Erase(7);
         },
         {1, 4, 8}},
        {"out of play while walking",
         false,
         {},
         [](int id) {
             if (id == 4) {
                 for (cStageChara& c : g_Charas)
                     if (c.m_nId == 8) c.m_bRemoved = 1;
             }
         },
         {1, 4, 7}},
        {"asleep, sharing the ids of awake ones", false, {4, 5}, [](int) {}, {1, 4, 7, 8, 4, 5}},
        {"blocks, asleep, sharing an id", true, {2}, [](int) {}, {2, 5, 2}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        g_Charas.clear();
        ForgetCharaIndex();
        const auto add = [](int id, bool awake, bool block) {
            cEdCharaDef def;
            def.m_nBlockChara = block ? 1 : 0;
            cStageChara& c = g_Charas.emplace_back();
            c.Init(id, def, nullptr);
            Place(c, awake ? 100 : 20000);
            c.m_bNoGravity = 1;
        };
        for (const auto& c : charas)
            add(c.id, c.awake, c.block);
        for (const int id : k.sharedIds)
            add(id, false, k.blocks);
        cGameScene scene;
        const cCharaIndexScope walks;
        UpdateObjectActivity(scene);
        std::vector<int> met;
        AnySteppingChara(k.blocks, [&](cStageChara& c) {
            met.push_back(c.m_nId);
            k.during(c.m_nId);
            return false;
        });
        EXPECT_EQ(met, k.met);
    }
    g_Charas.clear();
    ForgetCharaIndex();
}

} // namespace
