#include "records/effect_kinds.h"

namespace {

const char* const TIME = "実行時間(1/10s)";

} // namespace

// clang-format off
const cParamDesc g_CharaEffectParams[CHARA_EFFECT_KIND_COUNT * EFFECT_PARAM_COUNT] = {
    // 0: none
    {}, {}, {}, {}, {},
    // 1: 破裂
    {TIME, 1, 9999, 5}, {"開始位置(dot)", 0, 999, 0}, {"終了位置(dot)", 0, 999, 32}, {}, {},
    // 2: 分割（横）
    {TIME, 1, 9999, 5}, {"開始位置(dot)", 0, 999, 0}, {"終了位置(dot)", 0, 999, 32}, {"分割数", 2, 16, 4}, {},
    // 3: 分割（縦）
    {TIME, 1, 9999, 5}, {"開始位置(dot)", 0, 999, 0}, {"終了位置(dot)", 0, 999, 32}, {"分割数", 2, 16, 4}, {},
    // 4: 波（横）
    {TIME, 1, 9999, 5}, {"開始幅(dot)", 0, 999, 0}, {"終了幅(dot)", 0, 999, 32}, {"波の数", 2, 16, 2},
    {"波の粗さ(dot)", 1, 4, 2},
    // 5: 波（縦）
    {TIME, 1, 9999, 5}, {"開始幅(dot)", 0, 999, 0}, {"終了幅(dot)", 0, 999, 32}, {"波の数", 2, 16, 2},
    {"波の粗さ(dot)", 1, 4, 2},
    // 6: 点滅
    {TIME, 1, 9999, 10}, {"点滅間隔(1/60s)", 1, 9999, 2}, {}, {}, {},
    // 7: 回転A
    {TIME, 1, 9999, 10}, {"開始角度", 0, 9999, 0}, {"終了角度", 0, 9999, 1440}, {}, {},
    // 8: 回転B
    {TIME, 1, 9999, 10}, {"開始角度", 0, 9999, 0}, {"終了角度", 0, 9999, 1440}, {}, {},
    // 9: 回転（奥）
    {TIME, 1, 9999, 10}, {"開始位置(dot)", 0, 9999, 0}, {"終了位置(dot)", 0, 9999, 256}, {}, {},
    // 10: 円
    {TIME, 1, 9999, 5}, {"開始半径(dot)", 0, 32, 32}, {"終了半径(dot)", 0, 32, 0}, {"円の粗さ(dot)", 1, 4, 2}, {},
    // 11: 拡大
    {TIME, 1, 9999, 10}, {"開始幅(dot)", 0, 320, 32}, {"終了幅(dot)", 0, 320, 64}, {}, {},
    // 12: レンズ
    {TIME, 1, 9999, 10}, {"開始距離", 0, 100, 100}, {"終了距離", 0, 100, 5}, {"ズレX(dot)", -16, 16, 0},
    {"ズレY(dot)", -16, 16, 0},
    // 13: 色変化
    {TIME, 1, 9999, 10}, {"開始合成度", 1, 4, 1}, {"終了合成度", 1, 4, 1}, {"色", 16, 207, 16}, {},
    // 14: 半透明
    {TIME, 1, 9999, 10}, {"点滅間隔(1/60s)", 1, 9999, 9999}, {}, {}, {},
    // 15: モザイク
    {TIME, 1, 9999, 10}, {"開始強度", 1, 16, 1}, {"終了強度", 1, 16, 8}, {}, {},
    // 16: ぼかし
    {TIME, 1, 9999, 10}, {"開始強度", 1, 4, 1}, {"終了強度", 1, 4, 4}, {}, {},
};

const cParamDesc g_ScreenEffectParams[SCREEN_EFFECT_KIND_COUNT * EFFECT_PARAM_COUNT] = {
    // 0: none
    {}, {}, {}, {}, {},
    // 1: 移動
    {TIME, 1, 9999, 10}, {"開始座標X(dot)", -640, 640, 0}, {"開始座標Y(dot)", -480, 480, 0},
    {"終了座標X(dot)", -640, 640, 640}, {"終了座標Y(dot)", -480, 480, 0},
    // 2: 振動（横）
    {TIME, 1, 9999, 10}, {"振動幅(dot)", 1, 640, 4}, {"振動回数", 1, 9999, 4}, {}, {},
    // 3: 振動（縦）
    {TIME, 1, 9999, 10}, {"振動幅(dot)", 1, 480, 4}, {"振動回数", 1, 9999, 4}, {}, {},
    // 4: 分割（横）
    {TIME, 1, 9999, 10}, {"開始位置(dot)", 0, 640, 0}, {"終了位置(dot)", 0, 640, 640}, {"分割数", 2, 240, 15}, {},
    // 5: 分割（縦）
    {TIME, 1, 9999, 10}, {"開始位置(dot)", 0, 480, 0}, {"終了位置(dot)", 0, 480, 480}, {"分割数", 2, 320, 20}, {},
    // 6: 波（横）
    {TIME, 1, 9999, 10}, {"開始幅(dot)", 0, 640, 0}, {"終了幅(dot)", 0, 640, 640}, {"波の数", 2, 240, 4},
    {"波の粗さ(dot)", 1, 48, 8},
    // 7: 波（縦）
    {TIME, 1, 9999, 10}, {"開始幅(dot)", 0, 480, 0}, {"終了幅(dot)", 0, 480, 480}, {"波の数", 2, 320, 4},
    {"波の粗さ(dot)", 1, 64, 10},
    // 8: 点滅
    {TIME, 1, 9999, 10}, {"点滅間隔(1/60s)", 1, 9999, 10}, {}, {}, {},
    // 9: 回転
    {TIME, 1, 9999, 10}, {"開始角度", 0, 9999, 0}, {"終了角度", 0, 9999, 1440}, {}, {},
    // 10: 円
    {TIME, 1, 9999, 10}, {"開始半径(dot)", 0, 640, 640}, {"終了半径(dot)", 0, 640, 0}, {"円の粗さ(dot)", 1, 48, 8}, {},
    // 11: 拡大
    {TIME, 1, 9999, 10}, {"開始幅(dot)", 0, 6400, 640}, {"終了幅(dot)", 0, 6400, 1280}, {}, {},
    // 12: レンズ
    {TIME, 1, 9999, 10}, {"開始距離", 0, 1500, 1500}, {"終了距離", 0, 1500, 5}, {"ズレX(dot)", -320, 320, 0},
    {"ズレY(dot)", -240, 240, 0},
    // 13: モザイク
    {TIME, 1, 9999, 10}, {"開始強度", 1, 240, 1}, {"終了強度", 1, 240, 60}, {}, {},
};

const std::string g_CharaEffectNames[CHARA_EFFECT_KIND_COUNT] = {
    "破裂", "分割（横）", "分割（縦）", "波（横）", "波（縦）", "点滅", "回転A", "回転B", "回転（奥）",
    "円", "拡大", "レンズ", "色変化", "半透明", "モザイク", "ぼかし", "",
};

const std::string g_ScreenEffectNames[SCREEN_EFFECT_KIND_COUNT] = {
    "移動", "振動（横）", "振動（縦）", "分割（横）", "分割（縦）", "波（横）", "波（縦）", "点滅", "回転",
    "円", "拡大", "レンズ", "モザイク", "",
};

#define M4_NOTE(d3d, dd) "Direct3D有効時：" d3d "\nDirect3D無効時：" dd

const std::string g_CharaEffectNotes[CHARA_EFFECT_KIND_COUNT] = {
    M4_NOTE("", ""),
    M4_NOTE("", ""),
    M4_NOTE("", ""),
    M4_NOTE("やや遅い", "やや遅い"),
    M4_NOTE("やや遅い", "やや遅い"),
    M4_NOTE("速い", "速い"),
    M4_NOTE("回転Aと回転Bは同じ", "巨大キャラには実行速度重視"),
    M4_NOTE("回転Aと回転Bは同じ", "やや遅い。巨大キャラには描画精度重視"),
    M4_NOTE("", ""),
    M4_NOTE("やや遅い", "やや遅い"),
    M4_NOTE("", ""),
    M4_NOTE("遅過ぎ", "遅い"),
    M4_NOTE("", "画面が8bit色→精度悪い、16bit色以上→やや遅い"),
    M4_NOTE("", "画面が8bit色→精度悪い、16bit色以上→遅過ぎ"),
    M4_NOTE("遅い", "画面が16bit色以上だと遅い"),
    M4_NOTE("遅い", "画面が16bit色以上でのみ有効。遅い"),
    "",
};

const std::string g_ScreenEffectNotes[SCREEN_EFFECT_KIND_COUNT] = {
    M4_NOTE("", ""),
    M4_NOTE("", ""),
    M4_NOTE("", ""),
    M4_NOTE("", ""),
    M4_NOTE("", ""),
    M4_NOTE("やや遅い", "やや遅い"),
    M4_NOTE("やや遅い", "やや遅い"),
    M4_NOTE("速い", "速い"),
    M4_NOTE("", "遅い"),
    M4_NOTE("やや遅い", "やや遅い"),
    M4_NOTE("", "やや遅い"),
    M4_NOTE("遅過ぎ", "遅過ぎ"),
    M4_NOTE("遅過ぎ", "画面が16bit色以上だと遅過ぎ"),
    "",
};

#undef M4_NOTE
// clang-format on

namespace {

const cParamDesc& Lookup(const cParamDesc* table, int kinds, int kind, int param) {
    static const cParamDesc empty;
    if (kind < 0 || kind >= kinds || param < 1 || param > EFFECT_PARAM_COUNT) return empty;
    return table[kind * EFFECT_PARAM_COUNT + param - 1];
}

} // namespace

const cParamDesc& CharaEffectParam(int kind, int param) {
    return Lookup(g_CharaEffectParams, CHARA_EFFECT_KIND_COUNT, kind, param);
}

const cParamDesc& ScreenEffectParam(int kind, int param) {
    return Lookup(g_ScreenEffectParams, SCREEN_EFFECT_KIND_COUNT, kind, param);
}
