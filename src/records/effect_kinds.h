// The kinds of character effects and screen effects, and the five parameter descriptors of each
// kind: name, range and the default an effect record takes when its file predates the parameter.
#pragma once

#include "records/param_desc.h"

#include <cstdint>
#include <string>

enum CharaEffectKind : int {
    CHARA_EFFECT_NONE = 0,
    CHARA_EFFECT_BURST = 1,        // 破裂
    CHARA_EFFECT_SPLIT_H = 2,      // 分割（横）
    CHARA_EFFECT_SPLIT_V = 3,      // 分割（縦）
    CHARA_EFFECT_WAVE_H = 4,       // 波（横）
    CHARA_EFFECT_WAVE_V = 5,       // 波（縦）
    CHARA_EFFECT_BLINK = 6,        // 点滅
    CHARA_EFFECT_ROTATE_A = 7,     // 回転A
    CHARA_EFFECT_ROTATE_B = 8,     // 回転B
    CHARA_EFFECT_ROTATE_DEPTH = 9, // 回転（奥）
    CHARA_EFFECT_CIRCLE = 10,      // 円
    CHARA_EFFECT_ZOOM = 11,        // 拡大
    CHARA_EFFECT_LENS = 12,        // レンズ
    CHARA_EFFECT_COLOUR = 13,      // 色変化
    CHARA_EFFECT_TRANSLUCENT = 14, // 半透明
    CHARA_EFFECT_MOSAIC = 15,      // モザイク
    CHARA_EFFECT_BLUR = 16,        // ぼかし
    CHARA_EFFECT_KIND_COUNT = 17
};

enum ScreenEffectKind : int {
    SCREEN_EFFECT_NONE = 0,
    SCREEN_EFFECT_MOVE = 1,    // 移動
    SCREEN_EFFECT_SHAKE_H = 2, // 振動（横）
    SCREEN_EFFECT_SHAKE_V = 3, // 振動（縦）
    SCREEN_EFFECT_SPLIT_H = 4, // 分割（横）
    SCREEN_EFFECT_SPLIT_V = 5, // 分割（縦）
    SCREEN_EFFECT_WAVE_H = 6,  // 波（横）
    SCREEN_EFFECT_WAVE_V = 7,  // 波（縦）
    SCREEN_EFFECT_BLINK = 8,   // 点滅
    SCREEN_EFFECT_ROTATE = 9,  // 回転
    SCREEN_EFFECT_CIRCLE = 10, // 円
    SCREEN_EFFECT_ZOOM = 11,   // 拡大
    SCREEN_EFFECT_LENS = 12,   // レンズ
    SCREEN_EFFECT_MOSAIC = 13, // モザイク
    SCREEN_EFFECT_KIND_COUNT = 14
};

constexpr int EFFECT_PARAM_COUNT = 5;


// Parameter p (1-5) of kind k is entry 5 x k + p - 1.
extern const cParamDesc g_CharaEffectParams[CHARA_EFFECT_KIND_COUNT * EFFECT_PARAM_COUNT];
extern const cParamDesc g_ScreenEffectParams[SCREEN_EFFECT_KIND_COUNT * EFFECT_PARAM_COUNT];
// Names of kinds 1.. in order (kind k is entry k - 1), closed by an empty string.
extern const std::string g_CharaEffectNames[CHARA_EFFECT_KIND_COUNT];
extern const std::string g_ScreenEffectNames[SCREEN_EFFECT_KIND_COUNT];
// The speed note of each kind, in the same order: the Direct3D line, a line break, the
// DirectDraw line; closed by an empty string.
extern const std::string g_CharaEffectNotes[CHARA_EFFECT_KIND_COUNT];
extern const std::string g_ScreenEffectNotes[SCREEN_EFFECT_KIND_COUNT];

// The descriptor of parameter p (1-5) of a kind; kinds or parameters outside the tables give the
// empty descriptor.
const cParamDesc& CharaEffectParam(int kind, int param);
const cParamDesc& ScreenEffectParam(int kind, int param);
