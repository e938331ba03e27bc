// HP and SP with their gauges, both invincibilities, hits from characters and shots, defeat and
// the score.
#include "app/int_range.h"
#include "objects/chara_draw.h"
#include "objects/effects.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/object_links.h"
#include "project/stage_file.h"

#include <algorithm>
#include <climits>
#include <limits>

namespace {

constexpr int TRIGGER_DAMAGE = 1;
constexpr int TRIGGER_IMPACT = 2;
constexpr int TRIGGER_DEATH = 3;
constexpr int GAUGE_FRAMES = 120;
constexpr int GAUGE_PARTS = 50;

std::int64_t MaxOf(std::uint32_t v) {
    return std::min<std::int64_t>(v, INT_MAX);
}

// The gauge shows the change d over `frames` frames; a maximum below 1 shows nothing.
void StartGauge(cGauge& gauge, std::int64_t d, std::int64_t value, std::int64_t max) {
    if (d == 0 || max < 1) return;
    gauge.nFrames = GAUGE_FRAMES;
    gauge.nShown = static_cast<int>(value * GAUGE_PARTS / max);
    gauge.dChange = static_cast<double>(d) * GAUGE_PARTS / static_cast<double>(max);
    gauge.dPerFrame = gauge.dChange * (1.0 / 60);
}

int FrameMul() {
    return g_Stage.m_nFrameMul;
}

} // namespace

int cChara::AddHP(std::int64_t delta, int force, int show) {
    if (!force && delta <= 0 && m_Def.m_nInvincible) return 0;
    const std::int64_t max = MaxOf(m_Def.m_nMaxHP);
    if (delta > 0) delta = std::min<std::int64_t>(delta, max - m_nHP);
    m_nHP = static_cast<int>(std::clamp<std::int64_t>(m_nHP + delta, 0, max));
    if (m_nHP < 1) {
        m_nHP = 0;
        return 1;
    }
    if (show) ShowHPGauge(delta);
    return 0;
}

int cChara::AddSP(std::int64_t delta, int show) {
    const std::int64_t max = MaxOf(m_Def.m_nMaxSP);
    if (delta > 0) delta = std::min<std::int64_t>(delta, max - m_nSP);
    m_nSP = static_cast<int>(std::clamp<std::int64_t>(m_nSP + delta, 0, std::max<std::int64_t>(max, 0)));
    if (max < 1) return 1;
    if (show) ShowSPGauge(delta);
    return 0;
}

void cChara::ShowHPGauge(std::int64_t delta) {
    StartGauge(m_HPGauge, delta, m_nHP, MaxOf(m_Def.m_nMaxHP));
}

void cChara::ShowSPGauge(std::int64_t delta) {
    StartGauge(m_SPGauge, delta, m_nSP, MaxOf(m_Def.m_nMaxSP));
}

void cChara::StartInvincibility() {
    // Worked out wide: frames as many as the stage field holds stay at the end of int.
    m_nInvincible = SaturateInt(
        std::int64_t{m_nPlayerFlag ? g_Stage.m_nHeroInvincible : g_Stage.m_nCharaInvincible} * FrameMul());
}

void cChara::StartInvincibilityFrom(int attackerId) {
    StartInvincibility();
    const int frames = SaturateInt(
        std::int64_t{m_nPlayerFlag ? g_Stage.m_nHeroHitRepeat : g_Stage.m_nCharaHitRepeat} * FrameMul());
    m_AttackerTimers.push_back(cAttackerTimer{attackerId, frames});
}

cAttackerTimers& cAttackerTimers::operator=(const cAttackerTimers& other) {
    if (this == &other) return *this;
    if (other.empty()) {
        clear();
    } else {
        m_pTimers = std::make_unique<cTimers>(*other.m_pTimers);
        m_nPending = other.m_nPending;
        m_nToSoonest = other.m_nToSoonest;
    }
    return *this;
}

void cAttackerTimers::cTimers::Add(std::size_t at) {
    const std::size_t mask = table.size() - 1;
    std::size_t k = TableHome(ids[at], shift);
    while (table[k] != 0)
        k = (k + 1) & mask;
    table[k] = TAKEN | static_cast<std::uint32_t>(ids[at]);
}

void cAttackerTimers::cTimers::Index() {
    table.clear();
    count = static_cast<std::uint32_t>(ids.size());
    if (ids.size() <= FEW) {
        std::copy(ids.begin(), ids.end(), few);
        return;
    }
    // At most half full.
    std::size_t size = 64;
    shift = 26;
    while (size < 2 * ids.size()) {
        size *= 2;
        --shift;
    }
    table.assign(size, 0);
    for (std::size_t at = 0; at < ids.size(); ++at)
        Add(at);
}

void cAttackerTimers::push_back(const cAttackerTimer& timer) {
    if (!m_pTimers) {
        m_pTimers = std::make_unique<cTimers>();
        m_nPending = 0;
    }
    cTimers& t = *m_pTimers;
    t.ticks += m_nPending;
    m_nPending = 0;
    // A timer ends at the tick that finds it at 1 or below, counting one down at every other.
    const std::int64_t end = t.ticks + std::max(timer.nFrames, 1);
    t.soonest = t.ids.empty() ? end : std::min(t.soonest, end);
    m_nToSoonest = static_cast<std::int32_t>(t.soonest - t.ticks);
    t.ids.push_back(timer.nId);
    t.ends.push_back(end);
    t.count = static_cast<std::uint32_t>(t.ids.size());
    if (t.ids.size() <= FEW) {
        t.few[t.ids.size() - 1] = timer.nId;
        return;
    }
    if (2 * t.ids.size() > t.table.size())
        t.Index();
    else
        t.Add(t.ids.size() - 1);
}

void cAttackerTimers::TickTimers() {
    cTimers& t = *m_pTimers;
    t.ticks += m_nPending;
    m_nPending = 0;
    // Those that go on keep their order.
    std::size_t kept = 0;
    t.soonest = std::numeric_limits<std::int64_t>::max();
    for (std::size_t k = 0; k < t.ids.size(); ++k) {
        if (t.ends[k] <= t.ticks) continue;
        t.ids[kept] = t.ids[k];
        t.ends[kept] = t.ends[k];
        t.soonest = std::min(t.soonest, t.ends[k]);
        ++kept;
    }
    if (kept == 0) {
        clear();
        return;
    }
    t.ids.resize(kept);
    t.ends.resize(kept);
    t.Index();
    m_nToSoonest = static_cast<std::int32_t>(t.soonest - t.ticks);
}

namespace {

// Power minus defence in 64 bits, kept to 0 .. 999,999; nothing without power.
std::int64_t DamageOf(std::int64_t power, std::int64_t defence) {
    if (power <= 0) return 0;
    return std::clamp<std::int64_t>(power - defence, 0, SCORE_MAX);
}

} // namespace

int cChara::TakeHitFromChara(cChara& attacker) {
    const std::int64_t power = static_cast<std::int32_t>(attacker.m_Def.m_nBodyPower);
    const std::int64_t defence = static_cast<std::int32_t>(m_Def.m_nDefense);
    const int result = AddHP(-DamageOf(power, defence), 0, 1);
    if (attacker.m_Def.m_nEffectNo)
        StartHitEffect(attacker.m_Def.m_nEffectNo, *this, attacker, attacker.Scale());
    PushByChara(attacker);
    if (power != 0) RaiseTrigger(TRIGGER_DAMAGE);
    if (attacker.Impact() != 0) RaiseTrigger(TRIGGER_IMPACT);
    return result;
}

int cChara::TakeHitFromShot(cShot& shot) {
    const std::int64_t power = shot.m_nPower;
    const std::int64_t defence = static_cast<std::int32_t>(m_Def.m_nDefense);
    const int result = AddHP(-DamageOf(power, defence), 0, 1);
    if (shot.m_nHitEffect) StartHitEffect(shot.m_nHitEffect, *this, shot, shot.m_nScale);
    PushByShot(shot);
    if (power != 0) RaiseTrigger(TRIGGER_DAMAGE);
    if (shot.m_nImpact != 0) RaiseTrigger(TRIGGER_IMPACT);
    return result;
}

int cChara::Defeat() {
    RaiseTrigger(TRIGGER_DEATH);
    RunFlows(1);
    const std::int64_t score = static_cast<std::int32_t>(m_Def.m_nScore);
    g_nScore =
        static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(g_nScore) + score, 0, SCORE_MAX));
    int took = 0;
    if (cItem* item = GetCarriedItem(); item && !g_Heroes.empty() && g_ObjectHooks.TakeItem)
        took = g_ObjectHooks.TakeItem(g_Heroes[0], *item);
    if ((g_ObjectHooks.StageEnding && g_ObjectHooks.StageEnding()) || took == 1) return 1;
    // Nothing keeps aiming at, riding on or belonging to a defeated character.
    cObjectLinks::DropWatchers(*this);
    cObjectLinks::DropOwned(*this);
    cObjectLinks::DropRiders(*this);
    m_bDefeated = 1;
    if (m_Def.m_nCharaEffect2) {
        m_nCharaEffect = m_Def.m_nCharaEffect2;
        StartCharaEffect(*this, m_Def.m_nCharaEffect2, m_Def.m_nCharaEffect2Mode, 0);
    }
    return 0;
}
