#include "shell/palette_variants.h"

#include "app/startup_state.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <vector>

TEST(BlinkColours, PingPongTurnsAtBothEnds) {
    int v = 0, d = 0;
    std::vector<int> seen;
    int lowTurns = 0;
    for (int i = 0; i < 40; ++i) {
        seen.push_back(v);
        lowTurns += PingPong(v, d, 16, 0, 255);
    }
    // 0, 16 ... 240, 240, 224 ... 16, 16, 32 ...
    EXPECT_EQ(seen[15], 240);
    EXPECT_EQ(seen[16], 240);
    EXPECT_EQ(seen[17], 224);
    EXPECT_EQ(seen[30], 16);
    EXPECT_EQ(seen[31], 16);
    EXPECT_EQ(seen[32], 32);
    EXPECT_EQ(lowTurns, 1);
}

TEST(BlinkColours, PairsFollowTheirChannels) {
    g_SystemData.m_nBlinkRate = 16;
    ResetBlinkColours();
    for (int i = 0; i < 3; ++i)
        StepBlinkColours();
    // Third frame shows the value 32.
    EXPECT_EQ(g_BlinkColours[0].dwColour, 0xFF202020u);
    EXPECT_EQ(g_BlinkColours[0].nOp, 7);
    EXPECT_EQ(g_BlinkColours[1].nOp, 10);
    EXPECT_EQ(g_BlinkColours[2].dwColour, 0xFF200000u);
    EXPECT_EQ(g_BlinkColours[4].dwColour, 0xFF000020u);
    EXPECT_EQ(g_BlinkColours[6].dwColour, 0xFF200008u);
    EXPECT_EQ(g_BlinkColours[7].dwColour, 0xFF080020u);
    EXPECT_EQ(g_BlinkColours[8].dwColour, 0xFF200000u);
    // After one full swing channel 8's phase has moved to green.
    for (int i = 0; i < 30; ++i)
        StepBlinkColours();
    EXPECT_EQ(g_BlinkColours[8].dwColour & 0x00FF0000u, 0u);
    EXPECT_NE(g_BlinkColours[8].dwColour & 0x0000FF00u, 0u);

    // A rate of 0 keeps every channel black; a negative one counts as its size.
    g_SystemData.m_nBlinkRate = 0;
    ResetBlinkColours();
    for (int i = 0; i < 5; ++i)
        StepBlinkColours();
    EXPECT_EQ(g_BlinkColours[5].dwColour, 0xFF000000u);
    g_SystemData.m_nBlinkRate = -16;
    ResetBlinkColours();
    StepBlinkColours();
    StepBlinkColours();
    EXPECT_EQ(g_BlinkColours[0].dwColour, 0xFF101010u);
    g_SystemData = cSystemData();
}

TEST(PaletteVariants, NothingToDoOutsideEightBitDirectDraw) {
    g_nScreenBpp = 32;
    EXPECT_TRUE(LoadHbtPalettes(5));
    EXPECT_TRUE(LoadHbtPalettes(99));
    g_nScreenBpp = 8;
    // A choice beyond the 27 variants is refused; a missing blend table fails the variant.
    EXPECT_FALSE(LoadHbtPalettes(30));
    EXPECT_FALSE(LoadHbtPalettes(5));
    g_nScreenBpp = 0;
}
