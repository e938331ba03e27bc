#include "records/vocab_flow.h"

#include "records/vocab_defs.h"

// Each accessor builds its table once, on first use, with the closing empty string at its end.
#define M4_VOCAB(fn, ...)                                                                                    \
    const VocabTable& fn() {                                                                                 \
        static const VocabTable table{__VA_ARGS__, ""};                                                      \
        return table;                                                                                        \
    }

M4_VOCAB(VocabFlowTrigger, "常時", "ダメージを受けた時", "衝撃を受けた時", "死亡した時", "キャラに当たった時",
         "ブロックキャラに当たった時", "ブロックキャラに乗っている時", "ショットに当たった時",
         "アイテムに当たった時", "ブロックに当たった時", "自分の左右にブロックが当たった時",
         "自分の左にブロックが当たった時", "自分の右にブロックが当たった時",
         "自分の上下にブロックが当たった時", "自分の上にブロックが当たった時",
         "自分の下にブロックが当たった時", "主人公に乗られている時", "キャラに乗られている時",
         "ステージ開始前", "なし（フローの操作コマンドで実行）")
M4_VOCAB(VocabConditionKind, "", "コモン変数条件", "ステージ変数条件", "キャラ変数条件", "ステータス条件",
         "ステータス条件2", "ステータス条件3", "距離条件")
M4_VOCAB(VocabConditionMode, "全ての条件が真なら成立", "1つ以上の条件が真なら成立")
M4_VOCAB(VocabCompareOp, "である", "でない", "以上", "以下", "より上", "より下", "の倍数である",
         "の倍数でない")
M4_VOCAB(VocabConditionSense, "なら", "でないなら")
M4_VOCAB(VocabCharaVarNames, "1 キャラ変数-1", "2 キャラ変数-2", "3 キャラ変数-3", "4 キャラ変数-4",
         "5 キャラ変数-5", "6 キャラ変数-6", "7 キャラ変数-7", "8 キャラ変数-8")
M4_VOCAB(VocabDistanceParty, "主人公", "ターゲット")
M4_VOCAB(VocabDistanceAxis, "横", "前", "後", "縦", "前Y", "後Y", "円")
M4_VOCAB(VocabDistanceRange, "以内", "外")
M4_VOCAB(VocabCharaState, "左向き", "右向き", "ブロックに乗っている(ブロックキャラも含む)", "画面内にいる")
M4_VOCAB(VocabKeyState, "--", "押", "離")
M4_VOCAB(VocabKeyMatch, "全てのキーが真なら成立", "1つ以上のキーが真なら成立", "1つだけキーが真なら成立")
M4_VOCAB(VocabFlowLettersUpper, "-", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N",
         "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z")
M4_VOCAB(VocabFlowLettersLower, "-", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n",
         "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z")

M4_VOCAB(VocabFlowOperation, "開始", "終了", "一時停止", "再開", "削除", "永久停止")
M4_VOCAB(VocabFlowOperationTarget, "このフロー", "このフロー以外全て", "IDで指定")
M4_VOCAB(VocabItemFlowChange, "追加", "変更", "削除")
M4_VOCAB(VocabItemFlowChangeList, "全て削除", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
         "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z")
M4_VOCAB(VocabStageClearDest, "次のステージへ", "番号で指定", "パスで指定", "ワールドクリア")
M4_VOCAB(VocabNextStageFacing, "左向き", "右向き", "ステージクリア時の向きと同じ")
M4_VOCAB(VocabMessagePosition, "画面中央に表示", "自分の上に表示", "自分の下に表示", "自分の中心に表示",
         "主人公の上に表示", "主人公の下に表示", "主人公の中心に表示", "画面座標で指定", "ステージ座標で指定")
M4_VOCAB(VocabMessageDuration, "進行キーが押されるまで表示", "ステージ終了まで表示", "時間で指定")
M4_VOCAB(VocabTargetChoice, "主人公", "自分", "最も近いキャラ", "キャラ(キャラIDで指定)")
M4_VOCAB(VocabTargetRange, "全範囲（画面内のキャラ優先）", "全範囲", "画面内のみ")
M4_VOCAB(VocabStatusOwner2, "自分", "ターゲット")
M4_VOCAB(VocabStatusOwner2Hero, "主人公", "ターゲット")
M4_VOCAB(VocabStatusOwner3, "自分", "ターゲット", "システム")
M4_VOCAB(VocabStatusOwner3Hero, "主人公", "ターゲット", "システム")
M4_VOCAB(VocabOperandSource, "定数", "乱数", "ステータス", "変数")
M4_VOCAB(VocabOperandSourceShort, "ステータス", "変数")
M4_VOCAB(VocabVarScope2, "コモン変数", "ステージ変数")
M4_VOCAB(VocabVariableScope, "コモン変数", "ステージ変数", "キャラ変数")
M4_VOCAB(VocabParamLinkOp, "＝", "＋", "－", "×", "÷", "÷ X の余り", "X ％")
M4_VOCAB(VocabCalcMode, "通常の計算", "最大値に対する％で指定", "現在値に対する％で指定")
M4_VOCAB(VocabRefPalette, "コモンパレット", "ステージパレット")
M4_VOCAB(VocabRefPaletteCommon, "コモンパレット")
M4_VOCAB(VocabPicturePosition, "画面中央に表示", "キャラの中心に表示", "主人公の中心に表示", "画面座標で指定",
         "ステージ座標で指定")
M4_VOCAB(VocabPictureDuration, "進行キーが押されるまで表示", "ステージ終了まで表示", "時間で指定")
M4_VOCAB(VocabEffectRunMode, "通常実行", "反転実行", "往復実行")
M4_VOCAB(VocabShowHide, "表示", "非表示", "反転(表示⇔非表示)")

#undef M4_VOCAB

const std::vector<StatusEntry>& CharaStatusTable() {
    static const std::vector<StatusEntry> table{
        {"キャラ変数", {-999999, 999999, -999999, 999999, 0, 0, 1}},
        {"HP", {0, 999999, -999999, 999999, 0, 1, 1}},
        {"SP", {0, 999999, -999999, 999999, 0, 1, 1}},
        {"最大HP", {0, 999999, -999999, 999999, 0, 0, 1}},
        {"最大SP", {0, 999999, -999999, 999999, 0, 0, 1}},
        {"キャラID", {0, 99, -99, 99, 0, 0, 0}},
        {"Z座標", {0, 8, -8, 8, 0, 0, 0}},
        {"マーク番号", {0, 119, -121, 119, 0, 0, 0}},
        {"視界範囲(hbl)", {0, 40, -40, 40, 0, 0, 1}},
        {"体当たりの威力", {-999999, 999999, -999999, 999999, 0, 0, 1}},
        {"体当たりの衝撃", {-20, 20, -20, 20, 0, 0, 1}},
        {"防御力", {0, 999999, -999999, 999999, 0, 0, 1}},
        {"衝撃耐性", {0, 20, -20, 20, 0, 0, 1}},
        {"止まりやすさ", {0, 200, -200, 200, 0, 0, 1}},
        {"倒したら獲得するスコア", {-999999, 999999, -999999, 999999, 0, 0, 1}},
    };
    return table;
}

const std::vector<StatusEntry>& SystemStatusTable() {
    static const std::vector<StatusEntry> table{
        {"時間", {0, 999, -999, 999, 0, 0, 1}},
        {"横スクロール速度", {-480, 480, -480, 480, 0, 0, 1}},
        {"縦スクロール速度", {-480, 480, -480, 480, 0, 0, 1}},
        {"スコア", {0, 999999, -999999, 999999, 0, 0, 1}},
        {"残り人数", {0, 99, -99, 99, 0, 0, 1}},
    };
    return table;
}

namespace {

const VocabTable& VocabOnOnly() {
    static const VocabTable table{"ON", ""};
    return table;
}

// An entry takes the texts of its option table up to, not including, the first empty one.
SwitchEntry MakeSwitch(const char* name, int32_t minimum, int32_t maximum, int32_t def,
                       const VocabTable& texts) {
    SwitchEntry e;
    e.name = name;
    e.minimum = minimum;
    e.maximum = maximum;
    e.defaultValue = def;
    for (const std::string& s : texts) {
        if (s.empty()) break;
        e.texts.push_back(s);
    }
    return e;
}

} // namespace

const std::vector<SwitchEntry>& CharaSwitchTable() {
    static const std::vector<SwitchEntry> table{
        MakeSwitch("消滅", 0, 0, 0, VocabOnOnly()),
        MakeSwitch("透明", 0, 1, 0, VocabSwitchA()),
        MakeSwitch("向き固定", 0, 1, 0, VocabSwitchB()),
        MakeSwitch("飛行", 0, 3, 0, VocabCharaFlying()),
        MakeSwitch("無敵", 0, 2, 0, VocabCharaInvincible()),
        MakeSwitch("巨大化", 1, 10, 1, VocabEnlarge()),
        MakeSwitch("オートスクロールとシンクロ", 0, 1, 0, VocabSwitchC()),
        SwitchEntry{},
        SwitchEntry{},
    };
    return table;
}
