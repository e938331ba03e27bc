#include "records/effect_kinds.h"

#include <gtest/gtest.h>

TEST(EffectKinds, DescriptorTables) {
    // Five per kind, indexed 5 x kind + parameter - 1.
    EXPECT_EQ(sizeof(g_CharaEffectParams) / sizeof(g_CharaEffectParams[0]), 85u);
    EXPECT_EQ(sizeof(g_ScreenEffectParams) / sizeof(g_ScreenEffectParams[0]), 70u);
    const cParamDesc& roughness = g_CharaEffectParams[5 * 4 + 5 - 1];
    EXPECT_EQ(roughness.name, "波の粗さ(dot)");
    EXPECT_EQ(roughness.minimum, 1);
    EXPECT_EQ(roughness.maximum, 4);
    EXPECT_EQ(roughness.defaultValue, 2);
    EXPECT_EQ(CharaEffectParam(CHARA_EFFECT_LENS, 4).minimum, -16);
    EXPECT_EQ(CharaEffectParam(CHARA_EFFECT_TRANSLUCENT, 2).defaultValue, 9999);
    EXPECT_EQ(ScreenEffectParam(SCREEN_EFFECT_MOVE, 4).defaultValue, 640);
    EXPECT_EQ(ScreenEffectParam(SCREEN_EFFECT_MOVE, 5).minimum, -480);
    EXPECT_EQ(ScreenEffectParam(SCREEN_EFFECT_ZOOM, 3).maximum, 6400);
    EXPECT_EQ(ScreenEffectParam(SCREEN_EFFECT_WAVE_V, 5).defaultValue, 10);
    EXPECT_EQ(ScreenEffectParam(SCREEN_EFFECT_CIRCLE, 4).defaultValue, 8);
    // Every used kind starts with its run time.
    for (int k = 1; k < CHARA_EFFECT_KIND_COUNT; ++k)
        EXPECT_EQ(CharaEffectParam(k, 1).name, "実行時間(1/10s)");
    for (int k = 1; k < SCREEN_EFFECT_KIND_COUNT; ++k)
        EXPECT_EQ(ScreenEffectParam(k, 1).minimum, 1);
}

TEST(EffectKinds, KindZeroAndLookupsOutsideTheTablesAreEmpty) {
    for (int p = 1; p <= 5; ++p) {
        EXPECT_EQ(CharaEffectParam(0, p).name, "");
        EXPECT_EQ(ScreenEffectParam(0, p).maximum, 0);
    }
    EXPECT_EQ(CharaEffectParam(17, 1).name, "");
    EXPECT_EQ(CharaEffectParam(1, 6).name, "");
    EXPECT_EQ(ScreenEffectParam(-1, 1).defaultValue, 0);
    // Unused slots of a kind.
    EXPECT_EQ(CharaEffectParam(CHARA_EFFECT_BLINK, 3).name, "");
}

TEST(EffectKinds, NamesAndNotes) {
    EXPECT_EQ(g_CharaEffectNames[0], "破裂");
    EXPECT_EQ(g_CharaEffectNames[15], "ぼかし");
    EXPECT_EQ(g_CharaEffectNames[16], "");
    EXPECT_EQ(g_ScreenEffectNames[12], "モザイク");
    EXPECT_EQ(g_ScreenEffectNames[13], "");
    EXPECT_EQ(g_CharaEffectNotes[0], "Direct3D有効時：\nDirect3D無効時：");
    EXPECT_EQ(g_CharaEffectNotes[7],
              "Direct3D有効時：回転Aと回転Bは同じ\nDirect3D無効時：やや遅い。巨大キャラには描画精度重視");
    EXPECT_EQ(g_ScreenEffectNotes[12], "Direct3D有効時：遅過ぎ\nDirect3D無効時：画面が16bit色以上だと遅過ぎ");
    EXPECT_EQ(g_ScreenEffectNotes[13], "");
}
