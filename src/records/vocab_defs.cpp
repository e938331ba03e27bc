#include "records/vocab_defs.h"

#define M4_VOCAB(fn, ...)                                                                                    \
    const VocabTable& fn() {                                                                                 \
        static const VocabTable table{__VA_ARGS__, ""};                                                      \
        return table;                                                                                        \
    }

M4_VOCAB(VocabInheritPalette, "継承しない", "コモンパレット", "ステージパレット")
M4_VOCAB(VocabInheritPaletteCommon, "継承しない", "コモンパレット")
M4_VOCAB(VocabInheritPaletteStage, "継承しない", "ステージパレット")
M4_VOCAB(VocabInheritPaletteNone, "継承しない")
M4_VOCAB(VocabEntryPalette, "なし", "コモンパレット", "ステージパレット")
M4_VOCAB(VocabEntryPaletteCommon, "なし", "コモンパレット")
M4_VOCAB(VocabEntryPaletteStageFirst, "ステージパレット", "コモンパレット")
M4_VOCAB(VocabPictureKindA, "ブロック", "キャラ", "アイテム", "ショット", "専用bmp")
M4_VOCAB(VocabPictureKindB, "ブロック", "キャラ", "アイテム", "ショット", "専用bmp")
M4_VOCAB(VocabVisibility, "表示しない", "表示する", "エディターでのみ表示")
M4_VOCAB(VocabHitBehaviour, "当たらない", "当たる", "主人公が当たると即死")
M4_VOCAB(VocabNumberedWithNone, "なし", "0", "1", "2", "3", "4", "5", "6", "7")
M4_VOCAB(VocabHeroAction, "なし", "ジャンプ X=高さ(hbl)", "ジャンプ禁止", "移動速度変更 X=％",
         "左移動 X=移動速度", "右移動 X=移動速度")
M4_VOCAB(VocabSwitchA, "OFF", "ON")
M4_VOCAB(VocabSwitchB, "OFF", "ON")
M4_VOCAB(VocabSwitchC, "OFF", "ON")

M4_VOCAB(VocabController, "プレイヤー", "コンピューター")
M4_VOCAB(VocabOneNumbered, "1")
M4_VOCAB(VocabCharaFlying, "OFF", "ON (ブロックをすり抜ける)", "ON (ブロックに当たる)",
         "ON (ブロックに当たると即死)")
M4_VOCAB(VocabCharaInvincible, "OFF", "ON (ショットが当たる)", "ON (ショットがすり抜ける)")
M4_VOCAB(VocabCharaSwitch, "OFF", "ON")
M4_VOCAB(VocabEnlarge, "しない", "×4", "×9", "×16", "×25", "×36", "×49", "×64", "×81", "×100")
M4_VOCAB(VocabEnlargeNoNone, "×4", "×9", "×16", "×25", "×36", "×49", "×64", "×81", "×100")
M4_VOCAB(VocabSightArea, "画面内全て", "キャラを中心とした円形", "キャラの前方に円形",
         "キャラを中心とした正方形", "キャラの前方に正方形")
M4_VOCAB(VocabHitRangeUsed, "キャラ対キャラの当たり判定範囲（推奨）", "キャラ対ショットの当たり判定範囲",
         "ショット対キャラの当たり判定範囲", "32×32")
M4_VOCAB(VocabActivityArea, "画面内", "X座標のみ画面内", "Y座標のみ画面内", "全範囲")
M4_VOCAB(VocabActivationRule, "範囲かグループが真なら成立",
         "一度範囲かグループが真になると、以後無条件で成立", "範囲とグループが偽なら成立")

M4_VOCAB(VocabItemTakeMode, "1回だけ取れる", "何回でも取れる", "取れない")

M4_VOCAB(VocabMoveTargetMode, "方向で指定", "目標座標で指定")
M4_VOCAB(VocabMoveTargetModeLong, "方向と距離で指定", "ターゲットからの方向と距離で指定", "目標座標で指定")
M4_VOCAB(VocabDirection, "前", "後", "左", "右", "前Y", "後Y", "上", "下", "左上", "左下", "右上", "右下",
         "入力方向")
M4_VOCAB(VocabCoordBase, "配置位置からの相対座標", "相対座標", "絶対座標", "画面座標")
M4_VOCAB(VocabCoordBaseShort, "相対座標", "絶対座標", "画面座標")
M4_VOCAB(VocabTurnSense, "右回り", "左回り", "左向きなら右回り、右向きなら左回り",
         "左向きなら左回り、右向きなら右回り")
M4_VOCAB(VocabFacingChange, "左を向く", "右を向く", "ターゲットがいる方を向く",
         "ターゲットがいる方の逆を向く", "最後にブロックが当たった方を向く",
         "最後にブロックが当たった方の逆を向く")
M4_VOCAB(VocabGivenValues3, "時間と速度を指定", "時間と距離を指定", "速度と距離を指定")
M4_VOCAB(VocabGivenValues2, "時間を指定", "速度を指定")
M4_VOCAB(VocabJumpHeight, "高さがキーで調節できない", "高さがキーで調節できる(主人公のみ有効)",
         "慣性移動速度に応じて高さを決定(主人公のみ有効)")
M4_VOCAB(VocabLengthUnit, "(hbl)で指定", "(dot)で指定")

M4_VOCAB(VocabAimReference, "ターゲット", "主人公", "自分")
M4_VOCAB(VocabBlockSummonMode, "ブロックを召喚", "ブロックを消す",
         "ブロックがなければ召喚、ブロックがあれば消す")
M4_VOCAB(VocabSummonPalette, "コモンパレット", "ステージパレット")
M4_VOCAB(VocabSummonPaletteCommon, "コモンパレット")
M4_VOCAB(VocabShotPicturePalette, "パレットの設定に準ずる", "使用者と同じ", "番号で指定")
M4_VOCAB(VocabShotFormation, "直進A", "直進B", "拡散", "落雷", "爆発", "包囲")
M4_VOCAB(VocabShotMoveKind, "直進", "主人公を狙う", "近いキャラを狙う", "ターゲットを狙う", "主人公へ誘導",
         "近いキャラへ誘導（対象死亡時、誘導を無効化）", "ターゲットへ誘導",
         "近いキャラへ誘導（対象死亡時、対象を変更）", "ウェーブ", "落下")

M4_VOCAB(VocabScrolling, "主人公の位置に合わせてスクロール", "オートスクロール")
M4_VOCAB(VocabResizeH, "右方向へ拡張（または右を削除）", "左方向へ拡張（または左を削除）")
M4_VOCAB(VocabResizeV, "下方向へ拡張（または下を削除）", "上方向へ拡張（または上を削除）")
M4_VOCAB(VocabHitLevel, "レベル1 (速度制限=60)", "レベル2 (速度制限=120)", "レベル3 (速度制限=180)",
         "レベル4 (速度制限=240)", "レベル5 (速度制限=300)", "レベル6 (速度制限=360)",
         "レベル7 (速度制限=420)", "レベル8 (速度制限=480)", "レベル9 (速度制限=540)",
         "レベル10 (速度制限=600)", "レベル1 (速度制限=600)", "レベル2 (速度制限=600)",
         "レベル3 (速度制限=600)", "レベル4 (速度制限=600)", "レベル5 (速度制限=600)",
         "レベル6 (速度制限=600)", "レベル7 (速度制限=600)", "レベル8 (速度制限=600)",
         "レベル9 (速度制限=600)")
M4_VOCAB(VocabHitLevel2, "最大 (当たり判定レベルと同じ)", "1 (対応速度=60)", "2 (対応速度=最大120)",
         "3 (対応速度=最大180)", "4 (対応速度=最大240)", "5 (対応速度=最大300)")
M4_VOCAB(VocabPlacementA, "中央", "下")
M4_VOCAB(VocabPlacementB, "中", "下")
M4_VOCAB(VocabDisplayMode, "表示しない", "表示する", "枠のみ表示")
M4_VOCAB(VocabRangeColour, "赤", "緑", "青", "黄", "赤紫", "青紫", "黒", "虹")
M4_VOCAB(VocabOrientation, "水平方向", "垂直方向")

M4_VOCAB(VocabColourNames, "なし", "白", "黒", "赤", "緑", "青", "黄", "赤紫", "青紫", "4色")

M4_VOCAB(FileExtTable, "cplt4", "stg4", "plt4", "rkg")

#undef M4_VOCAB
