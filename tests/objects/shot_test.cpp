#include "app/play_bounds.h"
#include "objects/item.h"
#include "objects/object_links.h"
#include "objects/shot.h"
#include "objects_fixture.h"
#include "project/common_palette.h"
#include "project/project_database.h"

#include <cmath>
#include <list>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;

class ShotTest : public ObjectsTest {
  protected:
    void SetUp() override {
        SetUpStage(40, 30);
        m_Scene->m_ScrollX.m_dPos = 400;
        m_Scene->m_ScrollY.m_dPos = 400;
        Place(m_Firer, 700, 600);
        m_Firer.m_Def.m_nFaction = 1;
        m_Firer.UpdateScreenRect();
    }
    void TearDown() override {
        m_Scene->m_Shots.clear();
        ObjectsTest::TearDown();
    }
    static cEdShot Shot(int pattern, int copies, int speed = 10) {
        cEdShot r;
        r.m_nFormation = static_cast<std::int8_t>(pattern);
        r.m_nCount = static_cast<std::int8_t>(copies);
        r.m_nSpeed = static_cast<std::int16_t>(speed);
        r.m_bMirrorAngle = 0;
        return r;
    }
    int Fire(const cEdShot& r) { return ExecShotCommand(m_Firer, r, m_Scene->m_Shots); }
    std::vector<cShot*> Shots() {
        std::vector<cShot*> v;
        for (cShot& s : m_Scene->m_Shots)
            v.push_back(&s);
        return v;
    }
    // The angle of a shot's travel (0 left, 90 up), rounded to a degree.
    static int AngleOf(const cShot& s) {
        double a = std::atan2(-s.m_dVY, -s.m_dVX) * 180.0 / PI;
        return static_cast<int>(std::lround(a));
    }
    int CentreY() const { return static_cast<int>(ViewY().m_dPos) + m_Firer.ScreenCenterY(); }

    cStageChara m_Firer;
};

TEST_F(ShotTest, DirectionKindsResolveByFacingAndUnknownKindsGoLeft) {
    struct Case {
        int kind, facing, input, index;
    } cases[] = {{0, 1, 0, 3},   {0, 0, 0, 2},  {1, 1, 0, 2},  {4, 1, 0, 7},  {5, 1, 0, 6},
                 {12, 0, 8, 11}, {12, 0, 4, 7}, {12, 1, 1, 2}, {12, 1, 0, 3}, {12, 0, 0, 2},
                 {10, 0, 0, 10}, {3, 0, 0, 3},  {77, 1, 0, 2}, {-5, 0, 0, 2}, {13, 1, 0, 2}};
    for (const Case& c : cases)
        EXPECT_EQ(ShotDirIndex(c.kind, c.facing, c.input), c.index) << c.kind << "/" << c.facing;
    // A record with a direction byte that has no rule of its own fires as a left shot does.
    cEdShot r = Shot(SHOT_PATTERN_SPREAD, 1);
    r.m_nDirection = 99;
    ASSERT_EQ(Fire(r), 1);
    EXPECT_EQ(AngleOf(*Shots()[0]), 0);
    EXPECT_LT(Shots()[0]->m_dVX, 0);
}

TEST_F(ShotTest, FansAndCirclesSpreadTheirCopies) {
    struct Case {
        int pattern, copies, step, facing;
        std::vector<int> angles;
    } cases[] = {
        {SHOT_PATTERN_SPREAD, 4, 30, 0, {-45, -15, 15, 45}},
        {SHOT_PATTERN_SPREAD, 3, 30, 0, {-30, 0, 30}},
        {SHOT_PATTERN_SPREAD, 3, 30, 1, {150, 180, -150}},
        {SHOT_PATTERN_BURST, 8, 0, 0, {0, 45, 90, 135, 180, -135, -90, -45}},
        {SHOT_PATTERN_BURST, 0, 0, 0, {}},
        {SHOT_PATTERN_BURST, -3, 0, 0, {}},
        {SHOT_PATTERN_RING, 0, 6, 0, {}},
    };
    for (const Case& c : cases) {
        m_Scene->m_Shots.clear();
        m_Firer.m_nDir = c.facing;
        m_Firer.m_pTarget = nullptr;
        cEdShot r = Shot(c.pattern, c.copies);
        r.m_nFormationValues[0] = static_cast<std::int16_t>(c.step);
        r.m_nRingCentre = 2;
        EXPECT_EQ(Fire(r), static_cast<int>(c.angles.size()));
        std::vector<int> got;
        for (cShot* s : Shots()) {
            got.push_back(AngleOf(*s));
            EXPECT_NEAR(std::hypot(s->m_dVX, s->m_dVY), 1.0, 1e-9);
        }
        EXPECT_EQ(got, c.angles) << "pattern " << c.pattern << " copies " << c.copies;
    }
}

TEST_F(ShotTest, StraightRowIsCentredOnTheFirer) {
    m_Firer.m_nDir = 1;
    cEdShot r = Shot(SHOT_PATTERN_LINE_A, 3);
    r.m_nFormationValues[0] = 1;
    ASSERT_EQ(Fire(r), 3);
    const int cy = CentreY();
    const std::vector<cShot*> s = Shots();
    EXPECT_EQ(s[0]->m_dY, cy - 40);
    EXPECT_EQ(s[1]->m_dY, cy - 8);
    EXPECT_EQ(s[2]->m_dY, cy + 24);
    // They stand just right of the firer and fly right.
    const int right = static_cast<int>(ViewX().m_dPos) + m_Firer.m_rcScreen.right + 1;
    for (cShot* shot : s) {
        EXPECT_EQ(shot->m_dX, right);
        EXPECT_GT(shot->m_dVX, 0);
        EXPECT_EQ(shot->m_dVY, 0);
    }
}

TEST_F(ShotTest, LightningColumnsAreCentredOnTheStart) {
    struct Case {
        int columns;
        std::vector<int> dy;
    } cases[] = {{3, {-32, 0, 32}}, {2, {-16, 16}}, {1, {0}}};
    for (const Case& c : cases) {
        m_Scene->m_Shots.clear();
        cEdShot r = Shot(SHOT_PATTERN_THUNDER, 1);
        r.m_nRingCentre = 2; // the firer stands for the subject
        r.m_nFormationValues[1] = static_cast<std::int16_t>(c.columns);
        r.m_nFormationValues[2] = 2;
        ASSERT_EQ(Fire(r), c.columns);
        const int startY =
            static_cast<int>(ViewY().m_dPos) + m_Firer.m_rcScreen.top + m_Firer.m_nHitH / 2 - 8;
        std::vector<int> dy;
        for (cShot* s : Shots()) {
            dy.push_back(static_cast<int>(s->m_dY) - startY);
            // Leftward lightning enters from the view's right edge.
            EXPECT_EQ(s->m_dX, ViewX().m_dPos + 640 - 16);
        }
        EXPECT_EQ(dy, c.dy) << c.columns;
    }
    // Without a target, lightning aimed at the target makes nothing.
    cEdShot r = Shot(SHOT_PATTERN_THUNDER, 2);
    m_Scene->m_Shots.clear();
    EXPECT_EQ(Fire(r), 0);
}

TEST_F(ShotTest, OneCommandPlacesAtMostItsBoundOfObjects) {
    const std::size_t bound = PlayBoundLimit(PlayBound::CommandObjects);
    ASSERT_EQ(bound, 2048u);
    ASSERT_LE(bound, PlayBoundLimit(PlayBound::Shots)); // one command may fill the shots in play
    struct Case {
        int count, columns, repetitions;
        std::size_t placed;
    } cases[] = {
        {64, 32, 0, bound},       // exactly the bound
        {1, 2049, 0, bound},      // one past it, in columns an arrangement can set
        {32, 32, 1, bound},       // two repetitions of half the bound
        {32, 32, 2, bound},       // a third repetition places nothing
        {127, 32767, 127, bound}, // every stored field at its largest: one bound's worth, at once
        {127, 50, 20, bound},     // the editor's largest command
        {1, 1, 127, 128},         // far below it
    };
    for (const Case& c : cases) {
        m_Scene->m_Shots.clear();
        cEdShot r = Shot(SHOT_PATTERN_THUNDER, c.count);
        r.m_nRingCentre = 2;
        r.m_nFormationValues[1] = static_cast<std::int16_t>(c.columns);
        r.m_nCopies = static_cast<std::int8_t>(c.repetitions);
        EXPECT_EQ(Fire(r), static_cast<int>(c.placed)) << c.count << " x " << c.columns;
        EXPECT_EQ(m_Scene->m_Shots.size(), c.placed) << c.count << " x " << c.columns;
    }
    // A summoned character's extra copies are places of their own: 4 places a summon, 512 summons.
    cEdCharaDef def;
    def.m_nExtraCopies = 3;
    const auto kept = g_CommonPalette.m_Charas;
    g_CommonPalette.m_Charas.assign(1, def);
    cEdShot summon = Shot(SHOT_PATTERN_THUNDER, 127);
    summon.m_nRingCentre = 2;
    summon.m_nFormationValues[1] = 50;
    EXPECT_EQ(ExecSummonChara(m_Firer, summon), static_cast<int>(bound / 4));
    g_CommonPalette.m_Charas = kept;
}

TEST_F(ShotTest, ShotsAndSummonsInPlayStopAtTheirBounds) {
    const std::size_t bound = PlayBoundLimit(PlayBound::Shots);
    for (const std::size_t before : {bound - 2, bound - 1, bound}) {
        m_Scene->m_Shots.resize(before);
        EXPECT_EQ(Fire(Shot(SHOT_PATTERN_BURST, 2)),
                  static_cast<int>(std::min<std::size_t>(2, bound - before)))
            << before;
        EXPECT_EQ(m_Scene->m_Shots.size(), std::max(before, std::min(before + 2, bound))) << before;
    }
    const auto keptCharas = g_CommonPalette.m_Charas;
    const auto keptItems = g_CommonPalette.m_Items;
    g_CommonPalette.m_Charas.assign(1, cEdCharaDef());
    g_CommonPalette.m_Items.assign(1, cEdItemDef());
    const cEdShot summon = Shot(SHOT_PATTERN_BURST, 2);
    ASSERT_EQ(PlayBoundLimit(PlayBound::Charas), PlayBoundLimit(PlayBound::Items));
    // Summons count beyond what the stage placed, however many that was.
    const std::size_t summoned = PlayBoundLimit(PlayBound::Charas);
    for (const std::size_t placed : {std::size_t{0}, std::size_t{3000}}) {
        g_nPlacedCharas = g_nPlacedItems = placed;
        for (const std::size_t before : {summoned - 1, summoned}) {
            g_Charas.resize(placed + before);
            g_Items.resize(placed + before);
            EXPECT_EQ(ExecSummonChara(m_Firer, summon), before < summoned ? 1 : 0) << placed << " " << before;
            EXPECT_EQ(ExecSummonItem(m_Firer, summon), before < summoned ? 1 : 0) << placed << " " << before;
            EXPECT_EQ(g_Charas.size(), placed + summoned);
            EXPECT_EQ(g_Items.size(), placed + summoned);
        }
    }
    g_nPlacedCharas = g_nPlacedItems = 0;
    g_CommonPalette.m_Charas = keptCharas;
    g_CommonPalette.m_Items = keptItems;
}

// Summons are bounded by what they hold as well as by their count: a summoned item or character takes
// its definition's lists, and is made only while they fit beside what the stage's objects hold.
TEST_F(ShotTest, SummonsAreMadeWhileTheirListsFitWhatTheStageHolds) {
    const auto keptCharas = g_CommonPalette.m_Charas;
    const auto keptItems = g_CommonPalette.m_Items;
    cEdCharaDef chara;
    chara.m_Flows.resize(1);
    chara.m_Flows.at(0).m_Commands.resize(999);
    g_CommonPalette.m_Charas.assign(1, chara);
    const std::size_t w = CountHeldEntries(chara.m_Flows); // the flow, its steps and its commands
    ASSERT_GE(w, 1000u);
    cEdItemDef item;
    item.m_Commands.resize(w); // an item as heavy
    g_CommonPalette.m_Items.assign(1, item);
    const cEdShot summon = Shot(SHOT_PATTERN_BURST, 3);
    const std::size_t limit = PlayBoundLimit(PlayBound::HeldEntries);
    const struct {
        std::size_t room; // what the stage has left
        int items;        // items the command makes, each holding w
        bool chara;       // a character is made (its flows are not built here)
    } cases[] = {
        {3 * w, 3, true}, {3 * w - 1, 2, true}, {w, 1, true}, {w - 1, 0, false}, {0, 0, false},
    };
    for (const auto& c : cases) {
        g_Items.clear();
        g_Charas.clear();
        cBoundShare others(PlayBound::HeldEntries);
        others.Set(limit - PlayBoundHeld(PlayBound::HeldEntries) - c.room);
        EXPECT_EQ(ExecSummonItem(m_Firer, summon), c.items) << c.room;
        EXPECT_EQ(g_Items.size(), static_cast<std::size_t>(c.items)) << c.room;
        g_Items.clear();
        EXPECT_EQ(ExecSummonChara(m_Firer, summon) > 0, c.chara) << c.room;
    }
    g_Items.clear();
    g_Charas.clear();
    g_CommonPalette.m_Charas = keptCharas;
    g_CommonPalette.m_Items = keptItems;
}

// Shots the shot step ended stay marked in the scene's list until the sweep after the hits; a shot
// or sword command run meanwhile (by a defeat flow or an item) counts the shots in play without
// them, as it did when they were erased before the hits. Another list counts all it holds.
TEST_F(ShotTest, ShotsTheShotStepEndedAreNotCountedTowardTheBound) {
    const std::size_t bound = PlayBoundLimit(PlayBound::Shots);
    g_Database.m_SwordTypes.resize(1);
    struct Case {
        std::size_t ended;
        bool sceneList;
        int shots;
        bool sword;
    } cases[] = {
        {0, true, 0, false}, {1, true, 1, true}, {2, true, 2, true}, {5, true, 2, true}, {5, false, 0, false},
    };
    for (const Case& c : cases) {
        std::list<cShot> other;
        std::list<cShot>& list = c.sceneList ? m_Scene->m_Shots : other;
        list.clear();
        list.resize(bound);
        m_Scene->m_nEndedShots = c.ended;
        EXPECT_EQ(ExecShotCommand(m_Firer, Shot(SHOT_PATTERN_BURST, 2), list), c.shots) << c.ended;
        list.resize(bound);
        EXPECT_EQ(ExecSword(m_Firer, cEdShot(), list), c.sword) << c.ended;
        list.clear();
    }
    m_Scene->m_nEndedShots = 0;
    g_Database.m_SwordTypes.clear();
}

TEST_F(ShotTest, AimWithoutTargetFollowsTheFacingAndAimWithTargetPointsAtIt) {
    cEmission em;
    cEdShot r = Shot(SHOT_PATTERN_SPREAD, 1);
    m_Firer.m_nDir = 1;
    EXPECT_EQ(AimAngleAtTarget(0, 0, m_Firer, r, em), 180);
    m_Firer.m_nDir = 0;
    EXPECT_EQ(AimAngleAtTarget(0, 0, m_Firer, r, em), 0);

    cStageChara target;
    Place(target, 700, 400);
    target.UpdateScreenRect();
    m_Firer.m_pTarget = &target;
    const int tx = static_cast<int>(ViewX().m_dPos) + target.ScreenCenterX();
    const int ty = static_cast<int>(ViewY().m_dPos) + target.ScreenCenterY();
    EXPECT_EQ(AimAngleAtTarget(tx, ty + 100, m_Firer, r, em), 90); // straight up
    EXPECT_EQ(AimAngleAtTarget(tx - 50, ty, m_Firer, r, em), 180); // to the right
    m_Firer.m_pTarget = nullptr;
}

TEST_F(ShotTest, StillShotKeepsItsPlaceAndLifeAndRangeEndIt) {
    cEdShot r = Shot(SHOT_PATTERN_SPREAD, 1, 0);
    ASSERT_EQ(Fire(r), 1);
    cShot& s = *Shots()[0];
    s.m_dX = ViewX().StageSize() + 100.0; // beyond the stage edge
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(s.MoveStep(), 0);
        s.AccelerateX();
    }
    EXPECT_EQ(s.m_dX, ViewX().StageSize() + 100.0);

    // A life of 1/10 s ends after 6 frames at one step per frame.
    m_Scene->m_Shots.clear();
    r = Shot(SHOT_PATTERN_SPREAD, 1, 10);
    r.m_bLifetimeLimit = 1;
    r.m_nLifetime = 1;
    Fire(r);
    int frames = 0;
    while (Shots()[0]->MoveStep() == 0 && frames < 100)
        ++frames;
    EXPECT_EQ(frames + 1, 6);

    // A range of 1 half block at 1 pixel per frame ends after 16 frames, or stops there.
    for (int stop = 0; stop < 2; ++stop) {
        m_Scene->m_Shots.clear();
        r = Shot(SHOT_PATTERN_SPREAD, 1, 10);
        r.m_bRangeLimit = 1;
        r.m_nRange = 1;
        r.m_bStopAtRange = static_cast<std::uint8_t>(stop);
        Fire(r);
        cShot& t = *Shots()[0];
        int n = 0;
        while (t.MoveStep() == 0 && n < 40) {
            t.AccelerateX();
            ++n;
        }
        if (stop) {
            EXPECT_EQ(n, 40);
            EXPECT_EQ(t.m_dVX, 0);
        } else {
            EXPECT_EQ(n + 1, 16);
        }
    }
}

TEST_F(ShotTest, HomingShotForgetsItsTargetWhenTheTargetGoes) {
    auto* target = new cStageChara;
    Place(*target, 900, 600);
    target->UpdateScreenRect();
    cObjectLinks::SetTarget(m_Firer, target);
    cEdShot r = Shot(SHOT_PATTERN_SPREAD, 1, 10);
    r.m_nMoveKind = 6;
    r.m_nMoveValues[0] = 0;
    r.m_nMoveValues[1] = 999;
    ASSERT_EQ(Fire(r), 1);
    cShot& s = *Shots()[0];
    EXPECT_EQ(s.m_pTarget, target);
    s.MoveStep();
    const double vx = s.m_dVX;
    EXPECT_GT(vx, 0); // homing turned it toward the target on the right
    delete target;    // the target leaves play
    EXPECT_EQ(s.m_pTarget, nullptr);
    EXPECT_EQ(m_Firer.m_pTarget, nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(s.MoveStep(), 0);
    EXPECT_DOUBLE_EQ(s.m_dVX, vx);
}

TEST_F(ShotTest, AimKindTurnsOnceAtItsDistance) {
    cStageChara target;
    Place(target, 700, 300); // straight above the firer
    target.UpdateScreenRect();
    cObjectLinks::SetTarget(m_Firer, &target);
    cEdShot r = Shot(SHOT_PATTERN_SPREAD, 1, 20); // 2 pixels per frame
    r.m_nMoveKind = 3;
    r.m_nMoveValues[0] = 1; // 16 pixels: the 8th frame
    ASSERT_EQ(Fire(r), 1);
    cShot& s = *Shots()[0];
    for (int f = 0; f < 8; ++f) {
        s.MoveStep();
        EXPECT_DOUBLE_EQ(s.m_dVX, -2.0) << f;
        s.AccelerateX();
        s.UpdateScreenRect();
    }
    s.MoveStep();
    EXPECT_LT(s.m_dVY, 0);
    EXPECT_NEAR(std::hypot(s.m_dVX, s.m_dVY), 2.0, 1e-9);
    m_Scene->m_Shots.clear();
    cObjectLinks::SetTarget(m_Firer, nullptr);
}

TEST_F(ShotTest, AimedShotFlyingBackwardsTurnsAtOnceStraightAwayFromItsTarget) {
    cStageChara target;
    Place(target, 700, 300); // straight above the firer
    target.UpdateScreenRect();
    cObjectLinks::SetTarget(m_Firer, &target);
    cEdShot r = Shot(SHOT_PATTERN_SPREAD, 1, -20); // 2 pixels per frame, backwards
    r.m_nMoveKind = 3;
    r.m_nMoveValues[0] = 1; // 16 pixels: -8 frames at a negative speed
    ASSERT_EQ(Fire(r), 1);
    cShot& s = *Shots()[0];
    // Aimed on the first frame, down and away from the target above, not diagonally.
    s.MoveStep();
    EXPECT_NEAR(std::hypot(s.m_dVX, s.m_dVY), 2.0, 1e-9);
    EXPECT_GT(s.m_dVY, 1.99);
    m_Scene->m_Shots.clear();
    cObjectLinks::SetTarget(m_Firer, nullptr);
}

TEST_F(ShotTest, FactionSeekingShotsFindHeroesInTheirFactionList) {
    // A hero of faction 0 to the right, a character of faction 0 farther off to the left, and a
    // nearer character of another faction just above.
    g_Heroes.resize(1);
    cEdCharaDef def;
    def.m_nController = 0;
    def.m_nFaction = 0;
    g_Heroes[0].Init(1, def, 5, 5, 0, 0);
    cHero& hero = g_Heroes[0];
    cStageChara& other = g_Charas.emplace_back();
    cStageChara& near = g_Charas.emplace_back();
    const struct {
        cChara* c;
        double x, y;
        int faction;
    } places[] = {{&hero, 880, 600, 0}, {&other, 480, 600, 0}, {&near, 700, 560, 2}};
    for (const auto& p : places) {
        if (p.c != &hero) Place(*p.c, p.x, p.y);
        p.c->m_dX = p.x;
        p.c->m_dY = p.y;
        p.c->AfterMoveX();
        p.c->AfterMoveY();
        p.c->UpdateScreenRect();
        p.c->m_bPresent = p.c->m_bInView = 1;
        cObjectLinks::JoinFaction(*p.c, p.faction);
    }
    for (const int kind : {2, 5, 7}) {
        cEdShot r = Shot(SHOT_PATTERN_SPREAD, 1, 20);
        r.m_nMoveKind = static_cast<std::int8_t>(kind);
        r.m_nMoveValues[0] = 0;                 // turns on its first frame
        r.m_nMoveValues[1] = kind == 2 ? 0 : 9; // kind 2: the faction; homing: flies on for a while
        r.m_nMoveValues[2] = 0;                 // homing: the faction
        ASSERT_EQ(Fire(r), 1);
        cShot& s = *Shots()[0];
        s.MoveStep();
        EXPECT_GT(s.m_dVX, 0) << "kind " << kind << " turns toward the hero";
        m_Scene->m_Shots.clear();
    }
}

TEST_F(ShotTest, WideShotTestsItsFarEdge) {
    cEdShot r = Shot(SHOT_PATTERN_SPREAD, 1, 0);
    r.m_nSizeFactor = 3; // 48 x 48
    ASSERT_EQ(Fire(r), 1);
    cShot& s = *Shots()[0];
    s.m_dX = 40 * 32 + 5; // spans cells 40 and 41 (far edge 40*32+52)
    s.m_dY = 20 * 32;
    s.ClampToStageX(2);
    s.ClampToStageY(2);
    EXPECT_FALSE(s.HitsBlock());
    PutBlock(41, 21); // only under the far edge of the lower row
    EXPECT_TRUE(s.HitsBlock());
    s.m_Work.bPassBlocks = 1;
    EXPECT_FALSE(s.HitsBlock());
}

TEST_F(ShotTest, SwordFollowsItsOwnerThroughItsFrames) {
    g_Heroes.clear();
    cEdSwordType sword;
    sword.m_Frames.clear();
    for (int t : {1, 2}) {
        cEdSwordFrame f;
        f.nWidth = 24;
        f.nHeight = 8;
        f.nTime = t;
        f.nOffsetX = 4;
        f.bMirrorX = 1;
        sword.m_Frames.push_back(f);
    }
    g_Database.m_SwordTypes.clear();
    g_Database.m_SwordTypes.push_back(sword);
    g_Charas.push_back(m_Firer);
    cStageChara& owner = g_Charas.back();
    owner.m_nId = 7;
    owner.m_nDir = 1;
    owner.UpdateScreenRect();
    cEdShot r;
    ASSERT_TRUE(ExecSword(owner, r, m_Scene->m_Shots));
    cShot& s = m_Scene->m_Shots.back();
    int ticks = 0;
    while (s.MoveStep() == 0 && ticks < 100) {
        ++ticks;
        // In front of a right-facing owner, the x offset mirrored.
        EXPECT_EQ(s.m_dX, ViewX().m_dPos + owner.m_rcScreen.right + 1 - 4);
        EXPECT_EQ(s.m_nWidth, 24);
    }
    // Frames last duration x 6 frames and one more tick: 7 + 13.
    EXPECT_EQ(ticks + 1, 20);
    g_Database.m_SwordTypes.clear();
}

} // namespace
