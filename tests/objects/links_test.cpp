// Objects that leave play in every way while others point at them: nothing may keep a pointer to
// them (the sanitizer build catches any access through one).
#include "objects/object_links.h"
#include "objects_fixture.h"

#include <algorithm>
#include <iterator>

namespace {

class LinksTest : public ObjectsTest {
  protected:
    // Three characters in one faction; A targets B, B targets C; shots owned by A and C, homing on
    // B; C rides on B.
    void Build() {
        for (int i = 0; i < 3; ++i) {
            g_Charas.emplace_back();
            g_Charas.back().m_nId = i + 1;
            cObjectLinks::JoinFaction(g_Charas.back(), 2);
        }
        auto it = g_Charas.begin();
        a = &*it++;
        b = &*it++;
        c = &*it;
        cObjectLinks::SetTarget(*a, b);
        cObjectLinks::SetTarget(*b, c);
        cObjectLinks::SetCarrier(*c, b);
        for (cChara* owner : {a, c}) {
            m_Scene->m_Shots.emplace_back();
            cShot& s = m_Scene->m_Shots.back();
            cObjectLinks::SetOwner(s, owner);
            cObjectLinks::SetTarget(s, b);
            cObjectLinks::JoinFaction(s, 2);
        }
    }
    static bool Holds(const std::vector<cGameObject*>& v, const void* p) {
        return std::find(v.begin(), v.end(), p) != v.end();
    }
    cStageChara *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST_F(LinksTest, DefeatClearsWatchersOwnedObjectsAndRiders) {
    Build();
    b->Defeat();
    EXPECT_EQ(a->m_pTarget, nullptr);
    EXPECT_EQ(b->m_pTarget, nullptr);
    EXPECT_TRUE(c->m_Watchers.empty());
    EXPECT_EQ(c->m_pCarrier, nullptr);
    for (cShot& s : m_Scene->m_Shots) {
        EXPECT_EQ(s.m_pTarget, nullptr);
        EXPECT_EQ(s.m_bTargetLost, 1); // a shot learns that its target has gone
    }
    EXPECT_EQ(a->m_bTargetLost, 0); // a character is not a shot
    c->Defeat();
    EXPECT_EQ(m_Scene->m_Shots.back().m_pOwner, nullptr);
    EXPECT_TRUE(c->m_Owned.empty());
}

TEST_F(LinksTest, ErasureLeavesNoPointerBehind) {
    Build();
    g_Charas.erase(std::next(g_Charas.begin())); // b
    EXPECT_EQ(a->m_pTarget, nullptr);
    EXPECT_EQ(c->m_pCarrier, nullptr);
    EXPECT_TRUE(c->m_Watchers.empty());
    EXPECT_EQ(m_Scene->m_CharaGroups[2].size(), 2u);
    for (cShot& s : m_Scene->m_Shots)
        EXPECT_EQ(s.m_pTarget, nullptr);
    // A shot that goes leaves its owner's list and its faction list.
    m_Scene->m_Shots.pop_front();
    EXPECT_TRUE(a->m_Owned.empty());
    EXPECT_EQ(m_Scene->m_ShotGroups[2].size(), 1u);
    g_Charas.erase(g_Charas.begin()); // a, with no links left
    g_Charas.pop_back();              // c, owner of the last shot
    EXPECT_EQ(m_Scene->m_Shots.front().m_pOwner, nullptr);
    EXPECT_TRUE(m_Scene->m_CharaGroups[2].empty());
}

TEST_F(LinksTest, EndOfStageInEitherOrderLeavesNothingDangling) {
    for (int order = 0; order < 2; ++order) {
        Build();
        if (order == 0) {
            g_Charas.clear();
            EXPECT_TRUE(std::all_of(m_Scene->m_Shots.begin(), m_Scene->m_Shots.end(),
                                    [](const cShot& s) { return !s.m_pTarget && !s.m_pOwner; }));
            m_Scene.reset();
        } else {
            m_Scene.reset(); // the scene and its shots first
            g_lpGameScene = nullptr;
            EXPECT_TRUE(a->m_Owned.empty());
            EXPECT_EQ(b->m_Watchers.size(), 1u); // only a still watches it
            EXPECT_EQ(b->m_nGroupFaction, -1);
            g_Charas.clear();
        }
        SetUpStage(20, 15);
    }
}

TEST_F(LinksTest, CopiesKeepBothSidesAndTheirOwnFlows) {
    Build();
    cStageChara proto;
    proto.m_Def.m_Flows.resize(2);
    proto.SetDefinition(proto.m_Def);
    cObjectLinks::SetTarget(proto, c);
    g_Charas.push_back(proto);
    cStageChara& copy = g_Charas.back();
    EXPECT_EQ(copy.m_pTarget, c);
    EXPECT_TRUE(Holds(c->m_Watchers, &copy));
    EXPECT_TRUE(Holds(c->m_Watchers, &proto));
    ASSERT_EQ(copy.m_Flows.size(), 2u);
    EXPECT_EQ(copy.m_Flows[1].m_lpDef, &copy.m_Def.m_Flows[1]);
    EXPECT_TRUE(copy.m_Watchers.empty()); // watchers of the prototype are not the copy's
    // A faction number of 8 or more touches no list.
    cObjectLinks::JoinFaction(copy, 8);
    EXPECT_EQ(copy.m_nGroupFaction, -1);
    for (const auto& group : m_Scene->m_CharaGroups)
        EXPECT_FALSE(Holds(group, &copy));
    EXPECT_EQ(FindCharaById(2), b);
    g_Heroes.resize(1);
    g_Heroes[0].m_nId = 2;
    EXPECT_EQ(FindCharaById(2), &g_Heroes[0]); // a hero before a character of the same id
}

// While a walk over the faction lists is under way, leaving a list leaves an empty entry in its
// place, so that the entries keep their indexes; when the walk ends the lists close up in order.
TEST_F(LinksTest, LeavingAFactionDuringAWalkKeepsTheIndexesUntilItEnds) {
    struct Case {
        const char* what;
        int faction; // the faction b joins during the walk; -1 leaves its faction, 8 names no list
        std::vector<int> during, after; // the ids of faction 2's list (0 for an empty entry)
    };
    const Case cases[] = {
        {"leaving", -1, {1, 0, 3}, {1, 3}},
        {"joining another faction", 5, {1, 0, 3}, {1, 3}},
        {"joining its own faction again", 2, {1, 0, 3, 2}, {1, 3, 2}},
        {"joining no list", 8, {1, 0, 3}, {1, 3}},
    };
    auto ids = [this] {
        std::vector<int> out;
        for (const cGameObject* o : m_Scene->m_CharaGroups[2])
            out.push_back(o ? o->m_nId : 0);
        return out;
    };
    for (const Case& k : cases) {
        Build();
        {
            const cFactionWalk outer;
            {
                const cFactionWalk inner;
                if (k.faction < 0)
                    cObjectLinks::LeaveFaction(*b);
                else
                    cObjectLinks::JoinFaction(*b, k.faction);
            }
            EXPECT_EQ(ids(), k.during) << k.what << ": the outer walk is still under way";
        }
        EXPECT_EQ(ids(), k.after) << k.what;
        EXPECT_EQ(b->m_nGroupFaction, k.faction >= 0 && k.faction < 8 ? k.faction : -1) << k.what;
        EXPECT_EQ(Holds(m_Scene->m_CharaGroups[5], b), k.faction == 5) << k.what;
        m_Scene->m_Shots.clear();
        g_Charas.clear();
        EXPECT_TRUE(m_Scene->m_CharaGroups[2].empty()) << k.what;
    }
}

} // namespace
