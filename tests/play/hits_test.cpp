// Hits between objects on a fixture stage: factions, pass modes, swords, cancelling shots, body
// contact, deaths and their unlinking, items and riding block characters.
#include "flow/flow_engine.h"
#include "objects/aim.h"
#include "objects/flow_calls.h"
#include "objects/object_links.h"
#include "objects/shot.h"
#include "objects/objects_fixture.h"
#include "play/chara_index.h"
#include "play/collision.h"
#include "play/hits.h"
#include "play/set_stage.h"
#include "project/save_data.h"
#include "project/project_database.h"
#include "project/system_data.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

class HitsTest : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        g_Stage.m_nActiveOnly = 0;
        m_SavedVars = g_SaveData.m_vnCommonVars;
        g_SaveData.m_vnCommonVars.assign(8, 0);
        InstallFlowEngine();
        // The kinds raised on a character are kept on it in order, instead of starting its flows.
        m_SavedTrigger = g_ObjectFlowCalls.TriggerFlows;
        g_ObjectFlowCalls.TriggerFlows = nullptr;
    }
    void TearDown() override {
        g_ObjectFlowCalls.TriggerFlows = m_SavedTrigger;
        g_SystemData.m_nCompat272 = 0;
        g_SaveData.m_vnCommonVars = m_SavedVars;
        ObjectsTest::TearDown();
    }
    static void MakeLive(cGameObject& o) { o.m_bPresent = o.m_bInView = 1; }
    // A sword type of one 32 x 32 frame of 50 frames.
    static void UseOneSwordType() {
        cEdSwordType type;
        cEdSwordFrame frame;
        frame.nWidth = frame.nHeight = 32;
        frame.nTime = 50;
        type.m_Frames.assign(1, frame);
        g_Database.m_SwordTypes.assign(1, type);
    }
    // The sword `owner` swings to the right with power 3, stepped once.
    cShot& Swing(cStageChara& owner) {
        owner.m_Def.m_nFaction = 0; // the sword takes its firer's faction
        owner.m_nDir = 1;
        owner.UpdateScreenRect();
        cEdShot rec;
        rec.m_nPower = 3;
        EXPECT_TRUE(ExecSword(owner, rec, m_Scene->m_Shots));
        cShot& sword = m_Scene->m_Shots.back();
        EXPECT_EQ(sword.MoveStep(), 0);
        return sword;
    }
    void (*m_SavedTrigger)(cChara&, int) = nullptr;
    std::vector<std::int32_t> m_SavedVars;
    // An item command list that runs the code text.
    static cCheckedVector<cEdFlowCmd> Code(const char* text) {
        cEdFlowCmd code;
        code.m_nKind = ICT_RUN_CODE;
        code.m_bItem = 1;
        code.m_strText = text;
        cCheckedVector<cEdFlowCmd> list;
        list.push_back(code);
        return list;
    }
    cShot& AddShot(int faction, double x, double y, int power = 3) {
        cShot& s = m_Scene->m_Shots.emplace_back();
        s.cGameObject::Init(++m_NextId, 0, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 16, 16, 0, 1, 0);
        s.m_dX = x;
        s.m_dY = y;
        s.ClampToStageX(2);
        s.ClampToStageY(2);
        s.m_nPower = power;
        MakeLive(s);
        cObjectLinks::JoinFaction(s, faction);
        return s;
    }
    cStageChara& AddChara(int faction, double x, double y, int hp = 10) {
        cStageChara& c = g_Charas.emplace_back();
        Place(c, x, y);
        c.m_nId = ++m_NextId;
        c.m_Def.m_nMaxHP = hp;
        c.m_nHP = hp;
        MakeLive(c);
        cObjectLinks::JoinFaction(c, faction);
        return c;
    }
    static bool Raised(const cChara& c, int kind) {
        return std::count(c.m_RaisedTriggers.begin(), c.m_RaisedTriggers.end(), kind) > 0;
    }
    int m_NextId = 0;
};

TEST_F(HitsTest, ShotsHitOnlyOtherFactionsThatLetThemIn) {
    struct Case {
        int shotFaction, charaFaction, invincible, through;
        int hp, kind7, shotLeft;
    };
    const Case cases[] = {
        {1, 1, 0, 0, 10, 0, 1}, // its own faction: nothing at all
        {0, 1, 0, 0, 7, 1, 0},  // hit, and the shot ends
        {0, 1, 0, 1, 7, 1, 1},  // hit, and the shot flies on through characters
        {0, 1, 2, 0, 10, 0, 1}, // shots pass through the character: no hit, no kind 7
        {0, 1, 1, 0, 10, 1, 0}, // invulnerable: struck and the shot spent, no damage
    };
    for (const Case& k : cases) {
        cStageChara& c = AddChara(k.charaFaction, 640, 480);
        c.m_Def.m_nInvincible = static_cast<std::uint8_t>(k.invincible);
        cShot& s = AddShot(k.shotFaction, 640, 490);
        s.m_Settings.m_bThroughCharas = static_cast<std::uint8_t>(k.through);
        EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
        EXPECT_EQ(c.m_nHP, k.hp) << k.shotFaction << k.invincible << k.through;
        EXPECT_EQ(Raised(c, 7), k.kind7 != 0);
        EXPECT_EQ(m_Scene->m_Shots.size(), static_cast<std::size_t>(k.shotLeft));
        m_Scene->m_Shots.clear();
        g_Charas.clear();
    }
}

// Who takes part in hits (with the stage's active-only switch, only the shots' targets must be
// active, whatever the view), what a character taken out of play still does before the sweep, and
// the item a shot hands over.
TEST_F(HitsTest, WhoTakesPartInHitsAndWhatHasLeftPlay) {
    enum Kind {
        SHOT_HITS,     // expect: the struck character's HP
        BODY_HITS,     // expect: the HP of the character another one runs into
        SHOTS_CANCEL,  // expect: the shots left
        SWORD_OWNER,   // expect: the HP of a character inside the reach of a sword whose owner left
        NEAREST,       // expect: 1 when the search finds the next-nearest character
        SHOT_ITEM_LOOP // expect: the times the handed-over item's looped command ran
    };
    struct Case {
        const char* what;
        Kind kind;
        int activeOnly;
        bool awake, inView;
        int expect;
    };
    const Case cases[] = {
        {"an enemy awake off screen is shot, by a shot off screen", SHOT_HITS, 1, true, false, 7},
        {"an enemy asleep in view is not shot", SHOT_HITS, 1, false, true, 10},
        {"with the switch off an enemy asleep off screen is shot", SHOT_HITS, 0, false, false, 7},
        {"bodies asleep off screen hurt each other", BODY_HITS, 1, false, false, 7},
        {"shots off screen cancel each other", SHOTS_CANCEL, 1, false, false, 0},
        {"a sword whose owner left ends before it strikes", SWORD_OWNER, 0, true, true, 10},
        {"the nearest character that left is passed over", NEAREST, 0, true, true, 1},
        {"a shot's item runs its loop three times", SHOT_ITEM_LOOP, 0, true, true, 3},
    };
    UseOneSwordType();
    g_Heroes.resize(1);
    Place(g_Heroes[0], 100, 100);
    g_Heroes[0].m_nHP = 5;
    for (const Case& k : cases) {
        g_Stage.m_nActiveOnly = k.activeOnly;
        g_PlayWork.running.clear();
        auto chara = [&](int faction, double x, double y) -> cStageChara& {
            cStageChara& c = AddChara(faction, x, y);
            c.m_bInView = k.inView;
            if (k.awake) g_PlayWork.running.insert(c.m_nId);
            return c;
        };
        int got = -1;
        switch (k.kind) {
        case SHOT_HITS: {
            cStageChara& c = chara(1, 640, 480);
            AddShot(0, 640, 490).m_bInView = k.inView;
            ResolveShotAndCharaHits(*m_Scene);
            got = c.m_nHP;
            break;
        }
        case BODY_HITS: {
            chara(1, 640, 480).m_Def.m_nBodyPower = 3;
            cStageChara& b = chara(2, 650, 480);
            ResolveShotAndCharaHits(*m_Scene);
            got = b.m_nHP;
            break;
        }
        case SHOTS_CANCEL:
            for (const int faction : {0, 3}) {
                cShot& s = AddShot(faction, 640, 480);
                s.m_Settings.m_bCancelWithShots = 1;
                s.m_bInView = k.inView;
            }
            ResolveShotAndCharaHits(*m_Scene);
            got = static_cast<int>(m_Scene->m_Shots.size());
            break;
        case SWORD_OWNER: {
            cStageChara& owner = chara(0, 600, 480);
            cShot& sword = Swing(owner);
            const cHitRect reach = ShotHitRect(sword);
            cStageChara& c = chara(1, reach.left + 2, reach.top + 2);
            RemoveFromPlay(owner); // its life ran out earlier in the sub-step
            if (sword.MoveStep() != 0) sword.m_bRemoved = 1;
            ResolveShotAndCharaHits(*m_Scene);
            got = c.m_nHP;
            break;
        }
        case NEAREST: {
            cStageChara& left = chara(1, 640, 480);
            cStageChara& next = chara(1, 800, 480);
            RemoveFromPlay(left);
            got = FindNearestCharaDefault(640, 480, g_Charas) == &next ? 1 : 0;
            break;
        }
        case SHOT_ITEM_LOOP: {
            cEdFlowCmd loop;
            loop.m_bItem = 1;
            loop.m_nKind = ICT_LOOP;
            loop.m_Params.assign({3, 1});
            g_Stage.m_PaletteItems.resize(2);
            auto& commands = g_Stage.m_PaletteItems[1].m_Commands;
            commands = Code("C2 = C2 + 1");
            commands.insert(commands.begin(), loop);
            chara(1, 640, 480);
            cShot& shot = AddShot(0, 640, 490);
            shot.m_Settings.m_nItemPalette = 2; // the stage's palette
            shot.m_Settings.m_nItemEntry = 1;
            g_SaveData.m_vnCommonVars[2] = 0;
            ResolveShotAndCharaHits(*m_Scene);
            got = g_SaveData.m_vnCommonVars[2];
            EXPECT_EQ(commands.size(), 2u) << "the palette's own record is left as it is";
            g_Stage.m_PaletteItems.clear();
            break;
        }
        }
        EXPECT_EQ(got, k.expect) << k.what;
        m_Scene->m_Shots.clear();
        g_Charas.clear();
    }
    g_Database.m_SwordTypes.clear();
    g_PlayWork.running.clear();
    g_Stage.m_nActiveOnly = 0;
}

TEST_F(HitsTest, AShotMarkedToEndStrikesEveryGroupOfItsPassAndThenGoes) {
    cStageChara& a = AddChara(1, 640, 480);
    cStageChara& b = AddChara(2, 642, 480);
    cStageChara& c = AddChara(3, 644, 480);
    AddShot(0, 640, 480);
    EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
    EXPECT_EQ(a.m_nHP, 7);
    EXPECT_EQ(b.m_nHP, 7);
    EXPECT_EQ(c.m_nHP, 7);
    EXPECT_TRUE(m_Scene->m_Shots.empty());
}

TEST_F(HitsTest, ASwordHitsEachCharacterOnceWhileItOverlaps) {
    // A sword as a sword command makes it, whatever its record says about passing characters.
    UseOneSwordType();
    cStageChara& owner = AddChara(0, 600, 480);
    cShot& sword = Swing(owner);
    const cHitRect reach = ShotHitRect(sword);
    ASSERT_GE(reach.right - reach.left, 16);
    cStageChara& a = AddChara(1, reach.left + 2, reach.top + 2);
    cStageChara& b = AddChara(2, reach.left + 12, reach.top + 2);
    for (int frame = 0; frame < 4; ++frame)
        EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
    g_Database.m_SwordTypes.clear();
    EXPECT_EQ(a.m_nHP, 7);
    EXPECT_EQ(b.m_nHP, 7);
    EXPECT_EQ(owner.m_nHP, 10);
    ASSERT_EQ(m_Scene->m_Shots.size(), 1u);
    EXPECT_EQ(sword.m_HitIds, (std::vector<int>{a.m_nId, b.m_nId}));
}

TEST_F(HitsTest, ShotsAmongManyCharactersHitExactlyThoseTheyOverlapInListOrder) {
    // Characters scattered over the stage out of list order, one wider than the stage, one
    // defeated (and kept) and one that shots pass through.
    SetUpStage(200, 15);
    g_SystemData.m_nCompat272 = 1;
    std::vector<cStageChara*> charas;
    for (int i = 0; i < 40; ++i)
        charas.push_back(&AddChara(1, 400 + (i * 613) % 5000, 470 + (i % 3) * 12));
    cStageChara& wide = AddChara(1, 2000, 480);
    wide.m_Parts[1] = cPartBox{300, 478, 6400, 482, 0, 0, 6101, 5};
    charas.push_back(&wide);
    charas[3]->m_bDefeated = 1;
    charas[7]->m_Def.m_nInvincible = 2;
    auto expected = [&](const cShot& s) {
        std::vector<int> ids;
        for (const cStageChara* c : charas)
            if (!c->m_bDefeated && c->m_Def.m_nInvincible != 2 &&
                RectsMeet(ShotTargetRect(*c), ShotHitRect(s)))
                ids.push_back(c->m_nId);
        return ids;
    };
    // A small shot, one spanning a third of the stage, one beyond every character but the wide one,
    // one on the defeated character and one on the character shots pass through.
    const double spans[][2] = {{1013, 1028},
                               {1500, 3600},
                               {6300, 6315},
                               {charas[3]->m_dX, charas[3]->m_dX + 15},
                               {charas[7]->m_dX, charas[7]->m_dX + 15}};
    for (const auto& span : spans) {
        for (cStageChara* c : charas) {
            c->m_nInvincible = 0;
            c->m_RaisedTriggers.clear();
        }
        cShot& s = AddShot(0, span[0], 470, 1);
        s.m_bEndsOnHit = 0;
        s.m_Part = cPartBox{span[0], 470, span[1], 500, 0, 0, static_cast<int>(span[1] - span[0]) + 1, 31};
        const std::vector<int> ids = expected(s);
        EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
        EXPECT_EQ(s.m_HitIds, ids) << span[0];
        EXPECT_FALSE(ids.empty());
        for (const cStageChara* c : charas)
            EXPECT_EQ(Raised(*c, 7), std::count(ids.begin(), ids.end(), c->m_nId) == 1) << c->m_nId;
        m_Scene->m_Shots.clear();
    }
}

TEST_F(HitsTest, CancellingShotsGoByStrength) {
    struct Case {
        int cancelA, strengthA, cancelB, strengthB;
        bool aLeft, bLeft;
    };
    const Case cases[] = {
        {1, 3, 1, 3, false, false}, {1, 2, 1, 5, false, true}, {1, 5, 1, 2, true, false},
        {1, 9, 0, 0, false, true},  {0, 0, 1, 1, true, false}, {0, 0, 0, 0, true, true},
    };
    for (const Case& k : cases) {
        cShot& a = AddShot(0, 640, 480);
        cShot& b = AddShot(3, 650, 490);
        a.m_Settings.m_bCancelWithShots = static_cast<std::uint8_t>(k.cancelA);
        a.m_Settings.m_nVanishValue = static_cast<std::int8_t>(k.strengthA);
        b.m_Settings.m_bCancelWithShots = static_cast<std::uint8_t>(k.cancelB);
        b.m_Settings.m_nVanishValue = static_cast<std::int8_t>(k.strengthB);
        const int idA = a.m_nId, idB = b.m_nId;
        ResolveShotAndCharaHits(*m_Scene);
        auto left = [&](int id) {
            return std::any_of(m_Scene->m_Shots.begin(), m_Scene->m_Shots.end(),
                               [id](const cShot& s) { return s.m_nId == id; });
        };
        EXPECT_EQ(left(idA), k.aLeft) << k.strengthA << " " << k.strengthB;
        EXPECT_EQ(left(idB), k.bLeft);
        for (const auto& g : m_Scene->m_ShotGroups)
            EXPECT_EQ(g.size(), static_cast<std::size_t>(
                                    std::count_if(m_Scene->m_Shots.begin(), m_Scene->m_Shots.end(),
                                                  [&](const cShot& s) { return &g == s.m_pGroupList; })));
        m_Scene->m_Shots.clear();
    }
}

TEST_F(HitsTest, BodiesHurtOtherFactionsAndDefeatsLeaveAtOnceUnlessKept) {
    cStageChara& a = AddChara(1, 640, 480);
    cStageChara& same = AddChara(1, 630, 480); // touches a, not b
    cStageChara& b = AddChara(2, 650, 480, 4);
    a.m_Def.m_nBodyPower = 3;
    same.m_Def.m_nBodyPower = 3;
    EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
    EXPECT_TRUE(Raised(a, 4) && Raised(b, 4));
    EXPECT_FALSE(Raised(same, 1)) << "the same faction never hurts";
    EXPECT_EQ(a.m_nHP, 10);
    EXPECT_EQ(b.m_nHP, 1);
    EXPECT_TRUE(b.IsInvincibleTo(a.m_nId) || g_Stage.m_nCharaHitRepeat == 0);

    // The next blow defeats b; with defeated characters not kept it leaves in the same frame.
    b.m_AttackerTimers.clear();
    const int bId = b.m_nId;
    EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
    EXPECT_EQ(FindCharaById(bId), nullptr);
    EXPECT_TRUE(m_Scene->m_CharaGroups[2].empty());

    // Kept: it stays in the list, defeated.
    g_SystemData.m_nCompat272 = 1;
    cStageChara& d = AddChara(3, 650, 480, 1);
    EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
    EXPECT_EQ(d.m_bDefeated, 1);
    EXPECT_EQ(FindCharaById(d.m_nId), &d);

    // A player-side character that dies reports it.
    cStageChara& p = AddChara(4, 650, 480, 1);
    p.m_nPlayerFlag = 1;
    EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_PLAYER_DIED);
}

TEST_F(HitsTest, BodyContactsFollowCharactersMovingFromPassToPass) {
    // Two crowded factions whose characters move between passes: each pass, every character raises
    // contact once for each character of the other faction it meets there and then.
    SetUpStage(60, 15);
    std::vector<cStageChara*> ones, twos;
    for (int i = 0; i < 40; ++i) {
        ones.push_back(&AddChara(1, 300 + (i * 37) % 400, 400 + (i * 11) % 60));
        twos.push_back(&AddChara(2, 300 + (i * 53) % 400, 400 + (i * 17) % 60));
    }
    auto meets = [](const cStageChara& c, const std::vector<cStageChara*>& others) {
        return std::count_if(others.begin(), others.end(), [&c](const cStageChara* o) {
            return c.m_bPresent && o->m_bPresent && RectsMeet(ContactRect(c), ContactRect(*o));
        });
    };
    // Per pass: how many characters of each faction move, how far, and whether one leaves play or
    // comes back.
    const struct {
        int ones, twos;
        double dx, dy;
        bool toggle;
    } passes[] = {{0, 0, 0, 0, false},    {1, 0, 2, 1, false},  {0, 1, -3, 0, false},
                  {3, 3, 1, -2, false},   {0, 0, 0, 0, false},  {2, 12, 5, 3, false},
                  {12, 2, -4, 2, false},  {1, 1, 40, 0, false}, {0, 3, 0, 30, false},
                  {2, 2, 1, 1, true},     {0, 0, 0, 0, true},   {20, 20, 300, 9, false},
                  {1, 0, -300, 0, false}, {0, 1, 2, 2, false},  {5, 5, 3, -3, true}};
    int step = 0;
    for (const auto& pass : passes) {
        for (int n = 0; n < pass.ones; ++n) {
            cStageChara& c = *ones[static_cast<std::size_t>(step++ * 7 % 40)];
            c.m_dX += pass.dx;
            c.m_dY += pass.dy;
            c.AfterMoveX();
            c.AfterMoveY();
        }
        for (int n = 0; n < pass.twos; ++n) {
            cStageChara& c = *twos[static_cast<std::size_t>(step++ * 11 % 40)];
            c.m_dX -= pass.dx;
            c.m_dY -= pass.dy;
            c.AfterMoveX();
            c.AfterMoveY();
        }
        if (pass.toggle) twos[static_cast<std::size_t>(step % 40)]->m_bPresent ^= 1;
        for (auto* list : {&ones, &twos})
            for (cStageChara* c : *list)
                c->m_RaisedTriggers.clear();
        EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
        for (const cStageChara* c : ones)
            EXPECT_EQ(std::count(c->m_RaisedTriggers.begin(), c->m_RaisedTriggers.end(), 4), meets(*c, twos))
                << "pass " << &pass - passes << ", id " << c->m_nId;
        for (const cStageChara* c : twos)
            EXPECT_EQ(std::count(c->m_RaisedTriggers.begin(), c->m_RaisedTriggers.end(), 4), meets(*c, ones))
                << "pass " << &pass - passes << ", id " << c->m_nId;
    }
}

TEST_F(HitsTest, ALeavingCharacterKeepsNoLinkAndIsSweptAfterTheWalk) {
    cStageChara& gone = AddChara(1, 640, 480);
    cStageChara& watcher = AddChara(2, 800, 480);
    cStageChara& rider = AddChara(2, 900, 480);
    cShot& shot = AddShot(0, 640, 490);
    cObjectLinks::SetTarget(watcher, &gone);
    cObjectLinks::SetTarget(shot, &gone);
    cObjectLinks::SetCarrier(rider, &gone);
    cObjectLinks::SetOwner(shot, &gone);
    RemoveFromPlay(gone);
    EXPECT_EQ(gone.m_bRemoved, 1);
    EXPECT_EQ(watcher.m_pTarget, nullptr);
    EXPECT_EQ(shot.m_pTarget, nullptr);
    EXPECT_EQ(shot.m_bTargetLost, 1);
    EXPECT_EQ(shot.m_pOwner, nullptr);
    EXPECT_EQ(rider.m_pCarrier, nullptr);
    EXPECT_TRUE(m_Scene->m_CharaGroups[1].empty());
    // Still in the list until the sweep, but out of every pass.
    EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE);
    EXPECT_EQ(g_Charas.size(), 2u);
    EXPECT_TRUE(shot.m_HitIds.empty());
}

TEST_F(HitsTest, ItemsAreTakenOncePerContactByTheirMode) {
    g_Heroes.resize(1);
    cHero& hero = g_Heroes[0];
    Place(hero, 640, 480);
    hero.m_nId = 99;
    hero.m_nHP = 5; // alive after the item's commands
    MakeLive(hero);
    auto addItem = [&](int mode, double x) -> cItem& {
        cItem& item = g_Items.emplace_back();
        item.cGameObject::Init(++m_NextId, 0, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 32, 32, 0, 0, 0);
        item.m_Def.m_nTakeMode = static_cast<std::uint8_t>(mode);
        item.m_Def.m_nTakeMessage = 0;
        item.m_Def.m_Commands = Code("C2 = C2 + 1"); // counts the takes
        item.m_dX = x;
        item.m_dY = 485;
        item.ClampToStageX(2);
        item.ClampToStageY(2);
        MakeLive(item);
        return item;
    };
    addItem(1, 645); // staying
    addItem(2, 645); // never touched
    // Frames: touching, touching, apart, touching again.
    const double heroX[] = {640, 641, 700, 640};
    const int takes[] = {1, 1, 1, 2};
    for (int f = 0; f < 4; ++f) {
        hero.m_dX = heroX[f];
        hero.AfterMoveX();
        hero.m_RaisedTriggers.clear();
        EXPECT_EQ(TouchItems(hero), 0);
        EXPECT_EQ(g_SaveData.m_vnCommonVars[2], takes[f]) << f;
        EXPECT_EQ(Raised(hero, 8), f != 2);
    }
    // An item taken for good leaves the list; its touch is forgotten.
    addItem(0, 645);
    EXPECT_EQ(TouchItems(hero), 0);
    EXPECT_EQ(g_SaveData.m_vnCommonVars[2], 3);
    EXPECT_EQ(g_Items.size(), 2u);
    EXPECT_EQ(hero.m_TouchingItems.size(), 1u);
}

// The touch starts the hero's item flows at once, before the item is taken: a condition on what
// the item's commands change sees the value from before.
TEST_F(HitsTest, AnItemTouchStartsTheHerosFlowsBeforeTheItemIsTaken) {
    g_ObjectFlowCalls.TriggerFlows = m_SavedTrigger;
    ASSERT_NE(g_ObjectFlowCalls.TriggerFlows, nullptr);
    g_Heroes.resize(1);
    cHero& hero = g_Heroes[0];
    Place(hero, 640, 480);
    MakeLive(hero);
    cEdFlow flow;
    flow.m_nTrigger = FTK_HIT_ITEM;
    cEdFlowCond untaken;
    untaken.m_nKind = CK_COMMON_VAR;
    untaken.m_nNumber = 1;
    untaken.m_nValue = 0;
    flow.m_Conds.push_back(untaken);
    flow.m_Commands.push_back(cEdFlowCmd{});
    cCheckedVector<cEdFlow> defs;
    defs.push_back(flow);
    BuildFlows(hero, defs, 0, 0);
    cItem& item = g_Items.emplace_back();
    item.cGameObject::Init(++m_NextId, 0, 0, 0, 0, nullptr, 0, 0, 0, 16, 16, 32, 32, 0, 0, 0);
    item.m_Def.m_Commands = Code("C1 = 1");
    item.m_dX = 645;
    item.m_dY = 485;
    item.ClampToStageX(2);
    item.ClampToStageY(2);
    MakeLive(item);
    TouchItems(hero);
    EXPECT_EQ(g_SaveData.m_vnCommonVars[1], 1);
    EXPECT_EQ(hero.m_Flows.at(0).m_bRunning, 1);
}

TEST_F(HitsTest, ABlockCharacterCarriesItsRider) {
    cStageChara& bc = AddChara(1, 640, 512, 10);
    bc.m_Def.m_nBlockChara = 1;
    bc.m_nWidth = 32;
    bc.m_nHeight = 32;
    bc.AfterMoveX();
    bc.AfterMoveY();
    cStageChara& rider = AddChara(0, 650, 512 - 24 + 3); // 3 pixels into its top
    rider.m_nPlayerFlag = 1;
    rider.m_dVY = 2;
    EXPECT_EQ(ResolveBlockCharaContact(rider, g_Charas), 0);
    EXPECT_DOUBLE_EQ(rider.m_dBottom, 511);
    EXPECT_EQ(rider.m_bRiding, 1);
    EXPECT_EQ(rider.m_nRiddenId, bc.m_nId);
    EXPECT_EQ(rider.m_dVY, 0);
    EXPECT_EQ(rider.m_nTouchBottom, 1);
    EXPECT_EQ(bc.m_RaisedTriggers, (std::vector<int>{16, 17}));
    EXPECT_EQ(rider.m_RaisedTriggers, (std::vector<int>{5, 6}));
    EXPECT_TRUE(IsStandingOnRidden(rider, g_Charas));

    // The next frame: no new first-ride kinds from the contact; the carrier moves and takes it along.
    bc.m_RaisedTriggers.clear();
    rider.m_dVY = 1;
    rider.m_dY += 1;
    rider.AfterMoveY();
    ResolveBlockCharaContact(rider, g_Charas);
    EXPECT_TRUE(bc.m_RaisedTriggers.empty());
    bc.m_dX += 5;
    bc.AfterMoveX();
    rider.m_dVX = 0;
    CarryRider(rider, g_Charas);
    EXPECT_DOUBLE_EQ(rider.m_dVX, 5);
    EXPECT_EQ(bc.m_RaisedTriggers, (std::vector<int>{16, 17}));
    // The next carry takes only the carrier's way since this one, not again since the landing.
    bc.m_dX += 2;
    bc.AfterMoveX();
    rider.m_dVX = 0;
    CarryRider(rider, g_Charas);
    EXPECT_DOUBLE_EQ(rider.m_dVX, 2);

    // Its carrier gone, the rider stops riding.
    RemoveFromPlay(bc);
    CarryRider(rider, g_Charas);
    EXPECT_EQ(rider.m_bRiding, 0);
    EXPECT_EQ(rider.m_pCarrier, nullptr);
}

TEST_F(HitsTest, BlockCharactersWallOffAndBlockPlacements) {
    cStageChara& bc = AddChara(1, 640, 480, 10);
    bc.m_Def.m_nBlockChara = 1;
    cStageChara c = cStageChara();
    Place(c, 640 - 16 + 4, 480); // 4 pixels into its left side
    EXPECT_TRUE(OverlapsChara(c, g_Charas));
    EXPECT_FALSE(OverlapsCharaExcept(c, g_Charas, bc.m_nId));
    EXPECT_TRUE(IsBlockedAt(c));
    EXPECT_EQ(ResolveBlockCharaContact(c, g_Charas), 0);
    EXPECT_DOUBLE_EQ(c.m_dRight, bc.m_dX - 1);
    EXPECT_EQ(c.m_nTouchRight, 1);
    EXPECT_FALSE(IsBlockedAt(c));
    // A no-gravity object with block mode 2 dies on touching one; with mode 0 it never meets one.
    cStageChara fly;
    Place(fly, 640 - 16 + 4, 480, 16, 24, 3);
    EXPECT_EQ(ResolveBlockCharaContact(fly, g_Charas), 2);
    Place(fly, 640 - 16 + 4, 480, 16, 24, 1);
    EXPECT_EQ(ResolveBlockCharaContact(fly, g_Charas), 0);
    EXPECT_FALSE(IsBlockedAt(fly));
}

// Within a sub-step the block characters are kept in a list of their own: one spawned after the list
// was made is met at once, and after a sweep the list holds what the character list holds.
TEST_F(HitsTest, ASubStepMeetsBlockCharactersSpawnedAndPlacedAfterASweep) {
    const cBlockCharaScope subStep;
    cStageChara& walker = AddChara(0, 640 - 16 + 4, 480);
    EXPECT_FALSE(OverlapsChara(walker, g_Charas));
    cStageChara& spawned = AddChara(1, 640, 480);
    spawned.m_Def.m_nBlockChara = 1;
    EXPECT_TRUE(OverlapsChara(walker, g_Charas));
    EXPECT_EQ(ResolveBlockCharaContact(walker, g_Charas), 0);
    EXPECT_DOUBLE_EQ(walker.m_dRight, spawned.m_dX - 1);

    RemoveFromPlay(spawned);
    SweepRemoved(nullptr);
    Place(walker, 640 - 16 + 4, 480);
    cStageChara& other = AddChara(1, 200, 480);
    EXPECT_FALSE(OverlapsChara(walker, g_Charas));
    RemoveFromPlay(other);
    SweepRemoved(nullptr);
    cStageChara& placed = AddChara(1, 640, 480); // the list as long as before
    placed.m_Def.m_nBlockChara = 1;
    EXPECT_TRUE(OverlapsChara(walker, g_Charas));
}

// Within a sub-step a block character moved by any kind of write to its box after the character
// met the block characters once is met where it now is, as a walk over the whole list meets it.
TEST_F(HitsTest, ASubStepMeetsBlockCharactersWhereverTheirBoxesWereWritten) {
    struct Case {
        const char* name;
        double x, y;       // where block character 1 is placed
        double top, right; // then its top and right edge, if not 0, keeping it clear of the walker
        void (*move)(cStageChara& bc);
    };
    // Each write puts block character 1 4 pixels into the walker's right side.
    const Case cases[] = {
        {"left and right set", 1304, 480, 0, 0,
         [](cStageChara& bc) { bc.m_dX = 652, bc.m_dRight = 652 + 15; }},
        {"moved along x", 752, 480, 0, 0, [](cStageChara& bc) { bc.m_dX -= 100, bc.AfterMoveX(); }},
        {"moved along y", 652, 280, 0, 0, [](cStageChara& bc) { bc.m_dY += 200, bc.AfterMoveY(); }},
        {"right edge only", 652, 480, 0, 600, [](cStageChara& bc) { bc.m_dRight = 652 + 200; }},
        {"right edge grown", 652, 480, 0, 600, [](cStageChara& bc) { bc.m_dRight += 252; }},
        {"top lowered", 652, 480, 600, 0, [](cStageChara& bc) { bc.m_dY -= 120; }},
        {"box copied", 1304, 480, 0, 0,
         [](cStageChara& bc) {
             cStageChara other;
             Place(other, 652, 480);
             bc.m_dX = other.m_dX, bc.m_dY = other.m_dY;
             bc.m_dRight = other.m_dRight, bc.m_dBottom = other.m_dBottom;
         }},
        {"position restored", 1304, 480, 0, 0,
         [](cStageChara& bc) {
             const double x = bc.m_dX;
             bc.m_dX = 652, bc.AfterMoveX();
             bc.SavePosition();
             bc.m_dX = x, bc.AfterMoveX();
             bc.RestorePosition();
         }},
        {"scaled", 326, 480, 0, 0, [](cStageChara& bc) { bc.m_dX *= 2, bc.m_dRight = bc.m_dX + 15; }},
        {"divided", 326, 480, 0, 0, [](cStageChara& bc) { bc.m_dX /= 0.5, bc.m_dRight = bc.m_dX + 15; }},
    };
    for (const Case& k : cases) {
        double walkerRight[2][2] = {};
        int touchRight[2][2] = {};
        for (const bool inSubStep : {true, false}) {
            g_Charas.clear();
            std::optional<cBlockCharaScope> subStep;
            if (inSubStep) subStep.emplace();
            cStageChara& walker = AddChara(0, 640, 480); // right edge at 655
            cStageChara& first = AddChara(1, k.x, k.y);
            if (k.top != 0) first.m_dY = k.top;
            if (k.right != 0) first.m_dRight = k.right;
            first.m_Def.m_nBlockChara = 1;
            cStageChara& second = AddChara(1, 100, 480);
            second.m_Def.m_nBlockChara = 1;
            // The walker meets the block characters once before the write.
            EXPECT_EQ(ResolveBlockCharaContact(walker, g_Charas), 0) << k.name;
            EXPECT_DOUBLE_EQ(walker.m_dRight, 655) << k.name;
            k.move(first);
            // Met twice: right after the write, and again with nothing moved since.
            for (int again = 0; again < 2; ++again) {
                Place(walker, 640, 480);
                EXPECT_EQ(ResolveBlockCharaContact(walker, g_Charas), 0) << k.name;
                walkerRight[inSubStep][again] = walker.m_dRight;
                touchRight[inSubStep][again] = walker.m_nTouchRight;
            }
        }
        for (int again = 0; again < 2; ++again) {
            EXPECT_DOUBLE_EQ(walkerRight[0][again], 651) << k.name;
            EXPECT_EQ(touchRight[0][again], 1) << k.name;
            EXPECT_DOUBLE_EQ(walkerRight[1][again], walkerRight[0][again]) << k.name;
            EXPECT_EQ(touchRight[1][again], touchRight[0][again]) << k.name;
        }
    }
}

// In a crowd of block characters of many sizes that move between look-ups (across cells, far off,
// turned inside out, grown past any cell), or stacked in piles of one box whose members drop out and
// come back, a walker inside a sub-step meets exactly the block characters, in the same order, that
// a walk over the whole list meets.
TEST_F(HitsTest, ACrowdOfMovingBlockCharactersIsMetAsAWalkOverTheListMeetsIt) {
    struct Case {
        const char* name;
        int gravity; // the walker's; without gravity the contact pushes by other rules
        int spread;  // pixels over which the crowd stands around the walker
        int piles;   // 0, or the spots in which the crowd stands stacked, 32 pixels square
        bool steps;  // in piles: some step off their piles, alone or onto others, and back
    };
    const Case cases[] = {{"dense, falling walker", 1, 96, 0, false},
                          {"sparse, falling walker", 1, 600, 0, false},
                          {"dense, flying walker", 0, 96, 0, false},
                          {"piled, falling walker", 1, 48, 5, false},
                          {"piled, flying walker", 0, 48, 5, false},
                          {"piled and stepping, falling walker", 1, 48, 5, true},
                          {"piled and stepping, flying walker", 0, 48, 5, true}};
    const int sizes[] = {8, 16, 31, 32, 33, 64, 200, 700};
    for (const Case& k : cases) {
        std::vector<double> seen[2];
        for (const bool inSubStep : {true, false}) {
            g_Charas.clear();
            m_NextId = 0;
            std::optional<cBlockCharaScope> subStep;
            if (inSubStep) subStep.emplace();
            cStageChara& walker = AddChara(0, 640, 480);
            std::vector<cStageChara*> crowd;
            unsigned seed = 12345;
            auto next = [&seed](int n) {
                seed = seed * 1103515245u + 12345u;
                return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
            };
            std::vector<std::pair<int, int>> spots;
            for (int p = 0; p < k.piles; ++p)
                spots.push_back({640 - k.spread + next(2 * k.spread), 480 - k.spread + next(2 * k.spread)});
            // Onto a pile: the pile's very box.
            auto pile = [&](cStageChara& bc) {
                const auto [x, y] = spots[static_cast<std::size_t>(next(k.piles))];
                bc.m_dX = x, bc.m_dY = y, bc.m_dRight = x + 31, bc.m_dBottom = y + 31;
            };
            for (int i = 0; i < 48; ++i) {
                cStageChara& bc =
                    AddChara(1, 640 - k.spread + next(2 * k.spread), 480 - k.spread + next(2 * k.spread));
                bc.m_Def.m_nBlockChara = 1;
                bc.m_dRight = bc.m_dX + sizes[next(8)] - 1;
                bc.m_dBottom = bc.m_dY + sizes[next(8)] - 1;
                if (k.piles) pile(bc);
                crowd.push_back(&bc);
            }
            for (int round = 0; round < 200; ++round) {
                for (int m = 0; m < 6; ++m) {
                    cStageChara& bc = *crowd[static_cast<std::size_t>(next(48))];
                    if (k.piles && k.steps && next(3) == 0) {
                        // A whole pile steps as one, perhaps onto another or into a cell of others.
                        auto& [x, y] = spots[static_cast<std::size_t>(next(k.piles))];
                        const int dx = next(2) ? next(9) - 4 : 32 * (next(3) - 1);
                        const int dy = next(2) ? next(9) - 4 : 32 * (next(3) - 1);
                        for (cStageChara* on : crowd)
                            if (on->m_dX == x && on->m_dY == y) {
                                on->m_dX += dx, on->AfterMoveX();
                                on->m_dY += dy, on->AfterMoveY();
                            }
                        x += dx, y += dy;
                        continue;
                    }
                    if (k.piles && k.steps && next(2)) {
                        // A step of a few pixels or a whole cell, which another may take after it.
                        const int step = next(2) ? next(9) - 4 : 32 * (next(3) - 1);
                        if (next(2))
                            bc.m_dX += step, bc.AfterMoveX();
                        else
                            bc.m_dY += step, bc.AfterMoveY();
                        continue;
                    }
                    if (k.piles) {
                        // Out of play for a while, or onto another pile.
                        if (next(2))
                            bc.m_bDefeated = !bc.m_bDefeated;
                        else
                            pile(bc);
                        continue;
                    }
                    switch (next(5)) {
                    case 0: // a small step
                        bc.m_dX += next(9) - 4;
                        bc.AfterMoveX();
                        break;
                    case 1: // far off and back into the crowd later
                        bc.m_dY += (bc.m_dY > 2000 ? -2000 : 2000), bc.AfterMoveY();
                        break;
                    case 2: // turned inside out
                        bc.m_dRight = bc.m_dX - sizes[next(8)];
                        break;
                    case 3: // grown or shrunk
                        if (next(2))
                            bc.m_dBottom = bc.m_dY + sizes[next(8)] - 1;
                        else
                            bc.m_dRight = bc.m_dX + sizes[next(8)] - 1;
                        break;
                    default: // anywhere in the crowd
                        bc.m_dX = 640 - k.spread + next(2 * k.spread), bc.AfterMoveX();
                        break;
                    }
                }
                Place(walker, 640 - 48 + next(96), 480 - 48 + next(96), 16, 24, k.gravity ? 0 : 2);
                walker.ClearFrameFlag();
                walker.m_nRiddenId = 0, walker.m_bRiding = 0;
                seen[inSubStep].push_back(ResolveBlockCharaContact(walker, g_Charas));
                for (const double v :
                     {double{walker.m_dX}, double{walker.m_dY}, double{walker.m_dVX}, double{walker.m_dVY}})
                    seen[inSubStep].push_back(v);
                for (const int v :
                     {int{walker.m_nTouchLeft}, int{walker.m_nTouchRight}, int{walker.m_nTouchTop},
                      int{walker.m_nTouchBottom}, int{walker.m_nRiddenId}})
                    seen[inSubStep].push_back(v);
            }
        }
        EXPECT_EQ(seen[1], seen[0]) << k.name;
    }
    g_Charas.clear();
}

// Within a sub-step the ridden block character is found by its id as a walk over the whole list
// finds it: the first live one with the id, also after ids were given anew or copied.
TEST_F(HitsTest, ASubStepFindsTheRiddenBlockCharacterByItsCurrentId) {
    // Made anew where it stands, with the id.
    static constexpr auto GiveId = [](cStageChara& c, int id) {
        static_cast<cChara&>(c).Init(id, 0, 0, 1, 0, nullptr, 0, 8, 8, 16, 24, 32, 32, 0, 0, 0);
        MakeLive(c);
    };
    struct Case {
        const char* name;
        int firstId, secondId; // the first stands far off, the second under the rider
        void (*change)(cStageChara& first, cStageChara& second);
        bool standing; // afterwards
    };
    const Case cases[] = {
        {"id given", 1, 5, [](cStageChara&, cStageChara& b) { GiveId(b, 77); }, true},
        {"id taken away", 1, 77, [](cStageChara&, cStageChara& b) { GiveId(b, 5); }, false},
        {"id copied", 1, 5,
         [](cStageChara&, cStageChara& b) {
             cStageChara other;
             Place(other, 640, 512);
             other.m_nId = 77;
             MakeLive(other);
             b.cGameObject::Assign(other);
         },
         true},
        {"first with the id defeated", 77, 77, [](cStageChara& a, cStageChara&) { a.m_bDefeated = 1; }, true},
        {"first given the id", 1, 77, [](cStageChara& a, cStageChara&) { GiveId(a, 77); }, false},
    };
    for (const Case& k : cases) {
        bool standing[2] = {};
        for (const bool inSubStep : {true, false}) {
            g_Charas.clear();
            std::optional<cBlockCharaScope> subStep;
            if (inSubStep) subStep.emplace();
            cStageChara& rider = AddChara(0, 650, 512 - 24);
            rider.m_nRiddenId = 77;
            cStageChara& first = AddChara(1, 100, 512);
            first.m_nId = k.firstId;
            first.m_Def.m_nBlockChara = 1;
            cStageChara& second = AddChara(1, 640, 512);
            second.m_nId = k.secondId;
            second.m_Def.m_nBlockChara = 1;
            // Looked for once before the change.
            EXPECT_EQ(IsStandingOnRidden(rider, g_Charas), k.secondId == 77 && k.firstId != 77) << k.name;
            k.change(first, second);
            standing[inSubStep] = IsStandingOnRidden(rider, g_Charas);
        }
        EXPECT_EQ(standing[0], k.standing) << k.name;
        EXPECT_EQ(standing[1], standing[0]) << k.name;
    }
}

// Through the sub-steps of a frame the block characters are kept in a list of their own, which
// characters spawned at the end join, a sweep's erased leave and ids given anew change: after every
// step, characters meet the same block characters and riders find the same ridden ones by id (the
// first live one with it, ids shared) as walks over the whole list do.
TEST_F(HitsTest, AFramesBlockCharacterListFollowsSpawnsSweepsAndIdsAsWalksDo) {
    enum Kind { SPAWN, SWEEP, GIVE_ID, DEFEAT, MOVE };
    struct Step {
        Kind kind;
        int id; // the block character's id (for GIVE_ID the new one; others act on the first with it)
        double x;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"spawned one by one, swept in between",
         {{SPAWN, 5, 100}, {SPAWN, 6, 400}, {SWEEP, 5, 0}, {SPAWN, 5, 700}, {SPAWN, 7, 100}, {SWEEP, 6, 0}}},
        {"ids shared, the first live one found",
         {{SPAWN, 5, 100}, {SPAWN, 5, 400}, {SPAWN, 5, 700}, {DEFEAT, 5, 0}, {SWEEP, 5, 0}, {SPAWN, 5, 100}}},
        {"ids given anew after spawns and sweeps",
         {{SPAWN, 5, 100},
          {SPAWN, 6, 400},
          {GIVE_ID, 5, 400},
          {SWEEP, 5, 0},
          {SPAWN, 6, 700},
          {GIVE_ID, 7, 700}}},
        {"moved, swept and spawned where the swept stood",
         {{SPAWN, 5, 100}, {SPAWN, 6, 400}, {MOVE, 5, 700}, {SWEEP, 6, 0}, {SPAWN, 6, 100}, {MOVE, 6, 400}}},
    };
    const double at[] = {100, 400, 700};
    for (const Case& k : cases) {
        std::vector<int> seen[2];
        for (const bool inFrame : {true, false}) {
            g_Charas.clear();
            ForgetCharaIndex();
            std::optional<cCharaIndexScope> charas;
            std::optional<cBlockCharaScope> blockCharas;
            if (inFrame) charas.emplace(), blockCharas.emplace();
            std::vector<cStageChara*> riders, walkers;
            for (const double x : at) {
                riders.push_back(&AddChara(0, x + 10, 512 - 24));
                walkers.push_back(&AddChara(0, x + 4, 512));
            }
            auto firstWith = [](int id) {
                for (cStageChara& c : g_Charas)
                    if (c.m_Def.m_nBlockChara && c.m_nId == id && !c.m_bDefeated) return &c;
                return static_cast<cStageChara*>(nullptr);
            };
            for (const Step& step : k.steps) {
                if (step.kind == SPAWN) {
                    cStageChara& bc = AddChara(1, step.x, 512);
                    bc.m_nId = step.id;
                    bc.m_Def.m_nBlockChara = 1;
                } else if (step.kind == GIVE_ID) {
                    for (cStageChara& c : g_Charas)
                        if (c.m_Def.m_nBlockChara && c.m_dX == step.x) {
                            // Made anew where it stands, with the id.
                            static_cast<cChara&>(c).Init(step.id, 0, 0, 1, 0, nullptr, 0, 8, 8, 16, 24, 32,
                                                         32, 0, 0, 0);
                            MakeLive(c);
                        }
                } else if (cStageChara* bc = firstWith(step.id)) {
                    if (step.kind == SWEEP) {
                        RemoveFromPlay(*bc);
                        SweepRemoved(nullptr);
                    } else if (step.kind == DEFEAT) {
                        bc->m_bDefeated = 1;
                    } else {
                        bc->m_dX = step.x, bc->AfterMoveX();
                    }
                }
                for (std::size_t i = 0; i < riders.size(); ++i) {
                    for (const int id : {5, 6, 7}) {
                        riders[i]->m_nRiddenId = id;
                        seen[inFrame].push_back(IsStandingOnRidden(*riders[i], g_Charas));
                    }
                    seen[inFrame].push_back(OverlapsChara(*walkers[i], g_Charas));
                }
            }
        }
        EXPECT_EQ(seen[1], seen[0]) << k.name;
        EXPECT_NE(std::count(seen[0].begin(), seen[0].end(), 1), 0) << k.name;
    }
    g_Charas.clear();
    ForgetCharaIndex();
}

// A character that its dying flow takes out of play while a pass walks the faction lists leaves the
// rest of its list where it was: every character that was in the list when the walk began is still
// met in the same sub-step, also after one taken out of play before its turn.
TEST_F(HitsTest, ACharacterLeavingPlayInAPassLeavesTheRestOfItsListToBeStruck) {
    g_ObjectFlowCalls.TriggerFlows = m_SavedTrigger;
    ASSERT_NE(g_ObjectFlowCalls.TriggerFlows, nullptr);
    enum Walk {
        INNER, // a body of faction 1 runs into the characters of faction 2 (the inner walk of pass 2)
        OUTER, // the characters of faction 1 run into a body of faction 2 (the outer walk of pass 2)
        SHOT   // a shot that passes through characters crosses those of faction 1 (pass 1)
    };
    struct Case {
        const char* what;
        Walk walk;
        int subject;              // whom the dying flow takes out: 0 itself, 1 its target
        std::vector<int> hpAfter; // the HP of the characters after the dying one, in list order (-1: gone)
    };
    const Case cases[] = {
        {"the next ones in the inner walk are struck", INNER, 0, {7, 7}},
        {"the next ones in the outer walk are struck", OUTER, 0, {7, 7}},
        {"the next ones the shot crosses are struck", SHOT, 0, {7, 7}},
        {"one taken out ahead of the inner walk goes, the next is struck", INNER, 1, {-1, 7}},
        {"one taken out ahead of the outer walk goes, the next is struck", OUTER, 1, {-1, 7}},
        {"one taken out ahead of the shot goes, the next is struck", SHOT, 1, {-1, 7}},
    };
    for (const Case& k : cases) {
        const int walked = k.walk == INNER ? 2 : 1;
        cStageChara* body = nullptr;
        if (k.walk != SHOT) {
            body = &AddChara(3 - walked, 640, 480);
            body->m_Def.m_nBodyPower = 3;
        }
        cStageChara& dying = AddChara(walked, 642, 480, 1);
        std::vector<cStageChara*> after;
        for (int i = 0; i < 2; ++i)
            after.push_back(&AddChara(walked, 644 + 2 * i, 480));
        const int dyingId = dying.m_nId;
        const std::vector<int> afterIds = {after[0]->m_nId, after[1]->m_nId};
        cObjectLinks::SetTarget(dying, after[0]);
        cEdFlow flow;
        flow.m_nTrigger = FTK_DIED;
        cEdFlowCmd vanish;
        vanish.m_nKind = FCT_STATUS2;
        vanish.m_Params.assign({k.subject, 0, 0});
        flow.m_Commands.push_back(vanish);
        cCheckedVector<cEdFlow> defs;
        defs.push_back(flow);
        BuildFlows(dying, defs, 0, 0);
        if (k.walk == SHOT) {
            cShot& shot = AddShot(0, 640, 485);
            shot.m_bEndsOnHit = 0;
        }
        EXPECT_EQ(ResolveShotAndCharaHits(*m_Scene), HIT_NONE) << k.what;
        // The sweep after the passes has erased the characters that left play.
        std::vector<int> hp;
        for (const int id : afterIds) {
            const cChara* c = FindCharaById(id);
            hp.push_back(c ? c->m_nHP : -1);
        }
        EXPECT_EQ(FindCharaById(dyingId), nullptr) << k.what;
        EXPECT_EQ(hp, k.hpAfter) << k.what;
        // The lists hold exactly the characters still in play once the pass is over.
        for (const auto& group : m_Scene->m_CharaGroups)
            for (const cGameObject* o : group) {
                ASSERT_NE(o, nullptr) << k.what;
                EXPECT_EQ(o->m_bRemoved, 0) << k.what;
            }
        m_Scene->m_Shots.clear();
        g_Charas.clear();
        ForgetBlockCharas();
    }
}

// Shots marked removed stay in their faction lists, passed over by the hits, until the sweep takes
// them all out in one pass: the lists then hold exactly the shots left, in the order they joined,
// each knowing its list, and shots that join meanwhile come after them.
TEST_F(HitsTest, TheSweepTakesMarkedShotsOutOfTheirFactionListsInOrder) {
    std::vector<cShot*> made;
    for (int k = 0; k < 12; ++k)
        made.push_back(&AddShot(k % 3, 100.0 + 40 * k, 100));
    for (int k : {0, 4, 5, 9, 11})
        made[static_cast<std::size_t>(k)]->m_bRemoved = 1;
    cShot& late = AddShot(1, 900, 100); // joins after the marks
    std::vector<std::vector<int>> expected(FACTION_COUNT);
    for (int k = 0; k < 12; ++k)
        if (!made[static_cast<std::size_t>(k)]->m_bRemoved)
            expected[static_cast<std::size_t>(k % 3)].push_back(made[static_cast<std::size_t>(k)]->m_nId);
    expected[1].push_back(late.m_nId);
    // Marked shots meet nothing; the pass leaves them where they are.
    ResolveShotAndCharaHits(*m_Scene, false);
    EXPECT_EQ(m_Scene->m_Shots.size(), 8u);
    for (std::size_t f = 0; f < FACTION_COUNT; ++f) {
        std::vector<int> ids;
        for (cGameObject* o : m_Scene->m_ShotGroups[f]) {
            ids.push_back(o->m_nId);
            EXPECT_EQ(o->m_pGroupList, &m_Scene->m_ShotGroups[f]);
            EXPECT_EQ(o->m_nGroupFaction, static_cast<int>(f));
        }
        EXPECT_EQ(ids, expected[f]) << "faction " << f;
    }
}

} // namespace
