// Effects and item notices started by play stop at their bounds; effect cell sizes a project or a damaged
// file can make as large as their stored type allows: the giant factor's product saturates at the boundary
// where it stops fitting an int and past it.
#include "app/play_bounds.h"
#include "objects/game_scene.h"
#include "objects/hero.h"
#include "objects/effects.h"
#include "objects/message_window.h"
#include "project/project_database.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(EffectExtremesTest, GiantCellSizesSaturate) {
    const cProjectDatabase kept = g_Database;
    const struct {
        std::int32_t cell;
        int scale;
        int size;
    } cases[] = {
        {214748364, 10, 2147483640},   // the largest cell whose tenfold fits
        {214748365, 10, INT_MAX},      // one past it
        {INT32_MAX, 2, INT_MAX},       //
        {-214748364, 10, -2147483640}, //
        {-214748365, 10, INT_MIN},     //
        {INT32_MAX, 1, INT32_MAX},     // no factor: the cell as stored
    };
    for (const auto& k : cases) {
        g_Database.m_Effects.assign(2, cEdEffect());
        cEdEffect& def = g_Database.m_Effects[1];
        def.nCellWidth = def.nCellHeight = k.cell;
        def.bScalable = 1;
        cEffectObj e(1, 0.0, 0.0, k.scale);
        EXPECT_EQ(e.m_nWidth, k.size) << k.cell << " x " << k.scale;
        EXPECT_EQ(e.m_nHeight, k.size) << k.cell << " x " << k.scale;
    }
    g_Database = kept;
}

TEST(PlayBoundsInPlay, EffectsAndNoticesStopAtTheirBounds) {
    const cProjectDatabase kept = g_Database;
    g_Database.m_Effects.assign(2, cEdEffect());
    cGameScene scene;
    g_lpGameScene = &scene;
    cHero hero;
    cChara struck;
    const std::size_t effects = PlayBoundLimit(PlayBound::Effects),
                      notices = PlayBoundLimit(PlayBound::Messages);
    for (const std::size_t before : {effects - 1, effects}) {
        scene.m_Effects.clear();
        for (std::size_t i = 0; i < before; ++i)
            scene.m_Effects.emplace_back(1, 0.0, 0.0, 1);
        StartHitEffect(1, struck, hero, 1);
        EXPECT_EQ(scene.m_Effects.size(), effects) << before;
    }
    for (const std::size_t before : {notices - 1, notices}) {
        scene.m_Messages.resize(before);
        hero.PushMessage(0, 1, 0);
        EXPECT_EQ(scene.m_Messages.size(), notices) << before;
    }
    g_lpGameScene = nullptr;
    g_Database = kept;
}

} // namespace
