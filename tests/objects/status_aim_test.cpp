#include "objects/aim.h"
#include "objects/object_links.h"
#include "objects_fixture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using StatusTest = ObjectsTest;
using AimTest = ObjectsTest;

cStageChara MakeChara(std::uint32_t maxHP, std::uint32_t power = 0, std::uint32_t defence = 0) {
    cEdCharaDef def;
    def.m_nMaxHP = maxHP;
    def.m_nBodyPower = power;
    def.m_nDefense = defence;
    cStageChara c;
    c.Init(1, def, nullptr);
    return c;
}

TEST_F(StatusTest, HpChangesStayInRangeAndTheGaugeShowsTheRealChange) {
    struct Case {
        int hp;
        std::uint32_t max;
        std::int64_t delta;
        int force, invulnerable;
        int expectHp, expectResult;
        double expectChange; // fiftieths shown by the gauge, 0 when none starts
    };
    const Case cases[] = {
        {90, 100, 50, 0, 0, 100, 0, 5.0},   // healing only fills up to the maximum
        {90, 100, -30, 0, 0, 60, 0, -15.0}, // damage
        {90, 100, -30, 0, 1, 90, 0, 0},     // invulnerable: nothing
        {90, 100, -30, 1, 1, 60, 0, -15.0}, // forced damage reaches it all the same
        {20, 100, -30, 0, 0, 0, 1, 0},      // down to 0: defeated, no gauge
        {0, 0, 5, 0, 0, 0, 1, 0},           // a maximum of 0 never shows a gauge
    };
    for (const Case& c : cases) {
        cStageChara ch = MakeChara(c.max);
        ch.m_nHP = c.hp;
        ch.m_Def.m_nInvincible = static_cast<std::uint8_t>(c.invulnerable);
        EXPECT_EQ(ch.AddHP(c.delta, c.force, 1), c.expectResult) << c.hp << " " << c.delta;
        EXPECT_EQ(ch.m_nHP, c.expectHp) << c.hp << " " << c.delta;
        EXPECT_DOUBLE_EQ(ch.m_HPGauge.dChange, c.expectChange) << c.hp << " " << c.delta;
        EXPECT_EQ(ch.m_HPGauge.nFrames, c.expectChange != 0 ? 120 : 0);
    }
    cStageChara sp = MakeChara(10);
    EXPECT_EQ(sp.AddSP(5, 1), 1); // no SP at all
    EXPECT_EQ(sp.m_nSP, 0);
    EXPECT_EQ(sp.m_SPGauge.nFrames, 0);
}

TEST_F(StatusTest, HitsDealPowerLessDefenceAndStartDamageFlowsWhateverTheDamage) {
    struct Case {
        std::uint32_t power, defence;
        int impact, invulnerable;
        int expectHp;
        std::vector<int> triggers;
    };
    const Case cases[] = {
        {30, 10, 0, 0, 980, {1}},
        {5, 10, 0, 0, 1000, {1}},               // power below defence: no damage, yet hurt
        {30, 10, 4, 1, 1000, {1, 2}},           // invulnerable: knocked back and hurt, no damage
        {0, 0, 4, 0, 1000, {2}},                // impact alone
        {0x7FFFFFFF, 0x80000000, 0, 0, 0, {1}}, // a huge difference is cut to 999,999
    };
    for (const Case& c : cases) {
        cStageChara attacker = MakeChara(10, c.power);
        attacker.m_Def.m_nBodyImpact = static_cast<std::uint8_t>(c.impact);
        attacker.m_dVX = 2;
        cStageChara target = MakeChara(c.power == 0x7FFFFFFF ? 999999 : 1000, 0, c.defence);
        target.m_Def.m_nInvincible = static_cast<std::uint8_t>(c.invulnerable);
        target.TakeHitFromChara(attacker);
        EXPECT_EQ(target.m_nHP, c.expectHp) << c.power;
        EXPECT_EQ(target.m_RaisedTriggers, c.triggers) << c.power;
        EXPECT_EQ(target.m_bKnockBack, c.impact != 0 ? 1 : 0) << c.power;
    }
}

TEST_F(StatusTest, PerAttackerInvincibilityLastsItsFrames) {
    SetUpStage(20, 15, 2); // two sub-steps per frame
    g_Stage.m_nCharaHitRepeat = 3;
    g_Stage.m_nCharaInvincible = 1;
    cStageChara c = MakeChara(10);
    c.StartInvincibilityFrom(7);
    EXPECT_EQ(c.m_nInvincible, 2);
    // Attacker 9 strikes two frames later; a copy taken midway keeps timers of its own.
    std::vector<int> seen;
    cStageChara copy;
    for (int i = 0; i < 9; ++i) {
        if (i == 2) c.StartInvincibilityFrom(9);
        if (i == 4) copy = c;
        seen.push_back(c.IsInvincibleTo(7) * 100 + c.IsInvincibleTo(9) * 10 + c.IsInvincibleTo(8));
        c.TickInvincibility();
    }
    EXPECT_EQ(seen, (std::vector<int>{111, 111, 111, 111, 110, 110, 10, 10, 0}));
    EXPECT_TRUE(copy.IsInvincibleTo(7) && copy.IsInvincibleTo(9) && !copy.IsInvincibleTo(8));
    for (int i = 0; i < 2; ++i)
        copy.TickInvincibility();
    EXPECT_EQ(copy.IsInvincibleTo(7) * 10 + copy.IsInvincibleTo(9), 1);
}

TEST_F(StatusTest, PerAttackerInvincibilityHoldsForEachOfManyAttackers) {
    SetUpStage(20, 15, 2);
    g_Stage.m_nCharaInvincible = 0;
    // Few attackers, and as many as are looked up by a table, struck one after another and
    // at once, with ids of every kind; a copy taken midway goes on by itself.
    struct Case {
        int attackers, repeat, perTick;
    };
    for (const Case k : {Case{3, 4, 1}, Case{9, 6, 1}, Case{16, 30, 2}, Case{40, 7, 3}, Case{300, 50, 9}}) {
        g_Stage.m_nCharaHitRepeat = k.repeat;
        const int frames = k.repeat * g_Stage.m_nFrameMul;
        std::vector<int> ids;
        for (int j = 0; j < k.attackers; ++j)
            ids.push_back(j % 3 == 0 ? -j * 7919 : j * 104729 + (j % 2 ? 0 : 1 << 30));
        ids.push_back(0);
        cStageChara c = MakeChara(10), copy;
        std::vector<std::pair<int, int>> left, copyLeft; // the model: id and frames left
        auto tick = [](std::vector<std::pair<int, int>>& m) {
            std::erase_if(m, [](std::pair<int, int>& t) { return t.second-- <= 1; });
        };
        auto holds = [](const std::vector<std::pair<int, int>>& m, int id) {
            return std::any_of(m.begin(), m.end(), [id](const auto& t) { return t.first == id; });
        };
        std::size_t next = 0;
        for (int i = 0; i < 2 * k.attackers / k.perTick + 2 * frames; ++i) {
            for (int j = 0; j < k.perTick && next < ids.size(); ++j, ++next)
                if (!holds(left, ids[next]) && next % 5 != 4) {
                    c.StartInvincibilityFrom(ids[next]);
                    left.push_back({ids[next], frames});
                }
            if (i == k.attackers / k.perTick / 2) {
                copy = c;
                copyLeft = left;
            }
            for (const int id : ids) {
                ASSERT_EQ(c.IsInvincibleTo(id), holds(left, id)) << k.attackers << " at " << i << ": " << id;
                ASSERT_EQ(copy.IsInvincibleTo(id), holds(copyLeft, id))
                    << k.attackers << " at " << i << ": " << id;
            }
            c.TickInvincibility();
            copy.TickInvincibility();
            tick(left);
            tick(copyLeft);
            // Struck again once their time is up.
            if (next == ids.size() && i % 3 == 0) next = 0;
        }
    }
}

TEST_F(StatusTest, ScoreStaysWithinItsRange) {
    const int cases[][3] = {{999990, 20, 999999}, {10, -50, 0}, {100, 23, 123}};
    for (const auto& c : cases) {
        g_nScore = c[0];
        cStageChara ch = MakeChara(10);
        ch.m_Def.m_nScore = static_cast<std::uint32_t>(c[1]);
        EXPECT_EQ(ch.Defeat(), 0);
        EXPECT_EQ(g_nScore, c[2]);
        EXPECT_EQ(ch.m_bDefeated, 1);
    }
}

TEST_F(StatusTest, DefeatStopsEarlyWhenTheCarriedItemEndsTheStage) {
    g_Heroes.resize(1);
    g_ObjectHooks.TakeItem = [](cChara&, cGameObject&) { return 1; };
    cStageChara watcher = MakeChara(10);
    cItem item;
    cEdCharaDef def;
    cStageChara c;
    c.Init(3, def, &item);
    cObjectLinks::SetTarget(watcher, &c);
    EXPECT_EQ(c.Defeat(), 1);
    EXPECT_EQ(c.m_bDefeated, 0);
    EXPECT_EQ(watcher.m_pTarget, &c); // nothing more happened
}

// ---- Aim ----

cStageChara& AddAt(int cx, int cy, int inView) {
    g_Charas.emplace_back();
    cStageChara& c = g_Charas.back();
    c.m_nHitW = c.m_nHitH = 32;
    c.m_rcScreen = {cx - 16, cy - 16, cx + 15, cy + 15};
    c.m_bPresent = 1;
    c.m_bInView = inView;
    c.m_nId = static_cast<int>(g_Charas.size());
    return c;
}

TEST_F(AimTest, NearestCharaKeepsTheFirstOfEqualsAndFallsBackOutOfView) {
    AddAt(300, 300, 0);                // 1: out of view, near
    AddAt(100, 100, 1);                // 2: distance 20
    AddAt(120, 80, 1);                 // 3: distance 20 as well
    AddAt(110, 91, 1).m_bDefeated = 1; // 4: nearest but defeated
    cCharaFilter none;
    EXPECT_EQ(FindNearestChara(110, 90, g_Charas, 0, none)->m_nId, 2);
    EXPECT_EQ(FindNearestChara(300, 290, g_Charas, 1, none)->m_nId, 1);
    for (auto& c : g_Charas)
        c.m_bInView = 0;
    EXPECT_EQ(FindNearestChara(110, 90, g_Charas, 0, none)->m_nId, 2);
    EXPECT_EQ(FindNearestChara(110, 90, g_Charas, 2, none), nullptr);
    cCharaFilter skip;
    skip.bSkipId = 1;
    skip.nSkipId = 2;
    EXPECT_NE(FindNearestChara(110, 90, g_Charas, 1, skip)->m_nId, 2);
}

TEST_F(AimTest, ChargeAndPlainAim) {
    double speed = 0, work = 5;
    int dir = 0;
    EXPECT_TRUE(ChargeSpeed(speed, work, dir, nullptr, 100, 100, 3, 0, 1));
    EXPECT_EQ(speed, -3);
    EXPECT_EQ(dir, 1);
    EXPECT_EQ(work, 0);
    EXPECT_FALSE(ChargeSpeed(speed, work, dir, nullptr, 90, 100, 3, 0, 1));
    EXPECT_EQ(dir, 2);

    double vx = 9, vy = 9;
    EXPECT_TRUE(AimVelocity(vx, vy, dir, nullptr, 50, 50, 50, 50, 4, 0, 0, 1));
    EXPECT_EQ(vx, 0);
    EXPECT_EQ(vy, 0);
    EXPECT_EQ(dir, 0);
    AimVelocity(vx, vy, dir, nullptr, 0, 0, -30, 40, 5, 0, 0, 0);
    EXPECT_DOUBLE_EQ(vx, -3);
    EXPECT_DOUBLE_EQ(vy, 4);
    EXPECT_EQ(dir, 1);
}

TEST_F(AimTest, LeadAimMeetsATargetDriftingWithTheView) {
    SetUpStage(60, 15);
    m_Scene->m_ScrollX.SetAutoSpeed(1, 10); // 1 pixel per sub-step
    ASSERT_EQ(m_Scene->m_ScrollX.MovingSpeed(), 1.0);
    cStageChara shooter;
    shooter.m_bScrollSync = 1;
    double vx = 0, vy = 0;
    int dir = 0;
    AimVelocity(vx, vy, dir, &shooter, 0, 0, 100, 30, 5, 0, 0, 0);
    EXPECT_NEAR(std::hypot(vx, vy), 5.0, 1e-12);
    const double t = 30 / vy;                 // the shot reaches the target's row at t...
    EXPECT_NEAR(vx * t, 100 + 1.0 * t, 1e-9); // ...where the drifting target is
    EXPECT_EQ(dir, 2);

    // A view that outruns the shot leaves the plain aim.
    AimVelocity(vx, vy, dir, &shooter, 0, 0, -100, 90, 0.5, 0, 0, 0);
    const double len = std::hypot(100.0, 90.0);
    EXPECT_DOUBLE_EQ(vx, -100 / len * 0.5);
    EXPECT_DOUBLE_EQ(vy, 90 / len * 0.5);
    // An object that does not follow the view has the view's speed taken off instead.
    shooter.m_bScrollSync = 0;
    AimVelocity(vx, vy, dir, &shooter, 0, 0, -30, 40, 5, 0, 0, 0);
    EXPECT_DOUBLE_EQ(vx, -4);
    EXPECT_DOUBLE_EQ(vy, 4);
}

} // namespace
