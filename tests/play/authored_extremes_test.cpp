// Effect cell sizes a project or a damaged file can make as large as their stored type allows: the
// giant factor's product saturates at the boundary where it stops fitting an int and past it.
#include "objects/effects.h"
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
        e.Restart();
        EXPECT_EQ(e.m_nWidth, e.m_nHeight) << k.cell << " x " << k.scale;
    }
    g_Database = kept;
}

} // namespace
