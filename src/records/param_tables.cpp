#include "records/param_tables.h"

#include <climits>

#include "records/ed_flow.h"

cCheckedVector<cCheckedVector<CommandParamDesc>> CommandParamTables;

// ---- Command kinds ----

const std::vector<CommandKindInfo>& CommandKinds() {
    static const std::vector<CommandKindInfo> table{
        {"", 0},
        {"ウエイト", 0},
        {"直線移動", 0},
        {"地上折り返し移動", 0},
        {"円移動", 0},
        {"突撃移動", 0},
        {"誘導移動", 0},
        {"画面外回避移動", 0},
        {"移動の無効化", 0},
        {"向き変更", 1},
        {"ジャンプ", 5},
        {"ショット", 0},
        {"ソード", 0},
        {"ブロック召喚", 0},
        {"キャラ召喚", 0},
        {"アイテム召喚", 0},
        {"フローの操作", 3},
        {"ステージクリア", 9},
        {"ゲームウエイト", 1},
        {"メッセージ", 18},
        {"ワープ", 0},
        {"ターゲットの設定", 10},
        {"ステータスの操作", 18},
        {"ステータスの操作2", 3},
        {"アイテムの取得", 2},
        {"グラフィックの変更", 3},
        {"基本アニメセットの変更", 1},
        {"アニメの実行", 1},
        {"エフェクトの実行", 8},
        {"キャラエフェクトの実行", 3},
        {"画面エフェクトの実行", 3},
        {"ピクチャーの表示", 15},
        {"画面の色を変更", 8},
        {"背景の変更", 2},
        {"効果音の再生", 1},
        {"BGMの再生", 2},
        {"コードの実行", 0},
        {"アレンジ", 5},
        {"ループ", 2},
    };
    return table;
}

const std::vector<CommandKindInfo>& ItemCommandKinds() {
    static const std::vector<CommandKindInfo> table = [] {
        std::vector<CommandKindInfo> t{{"", 0}, {"フローの変更", 2}};
        for (int k = ICT_STAGE_CLEAR; k < ICT_COUNT; ++k)
            t.push_back(CommandKinds()[k + ITEM_KIND_OFFSET]);
        return t;
    }();
    return table;
}

// ---- Parameter descriptors ----

namespace {

struct KindParams {
    int kind;
    std::vector<CommandParamDesc> params;
};

const std::vector<KindParams>& ParamDefinitions() {
    static const std::vector<KindParams> defs{
        {FCT_LINE_MOVE,
         {{"目標X(bl)", -640, 640},
          {"目標X(dot)", -640, 640},
          {"目標Y(bl)", -640, 640},
          {"目標Y(dot)", -640, 640},
          {"角度", -7200, 7200},
          {"分身値による増加角度", -7200, 7200}}},
        {FCT_CHARGE_MOVE,
         {{"目標X(bl)", -640, 640},
          {"目標X(dot)", -640, 640},
          {"目標Y(bl)", -640, 640},
          {"目標Y(dot)", -640, 640},
          {"角度", -7200, 7200},
          {"分身値による増加角度", -7200, 7200}}},
        {FCT_HOMING_MOVE,
         {{"誘導性能の悪さ", 0, 10},
          {"分身値による増加誘導性能の悪さ", 0, 10},
          {"目標X(bl)", -640, 640},
          {"目標X(dot)", -640, 640},
          {"目標Y(bl)", -640, 640},
          {"目標Y(dot)", -640, 640}}},
        {FCT_SHOT,
         {{"グラフィック", 1, 120},
          {"Z座標", 0, 7},
          {"フォーメーション固有1", 0, INT32_MAX},
          {"フォーメーション固有2", 0, INT32_MAX},
          {"フォーメーション固有3", 0, INT32_MAX},
          {"発射数", 1, 127},
          {"発射数に対する分身数", 0, 20},
          {"角度のズレ", -7200, 7200},
          {"分身値による角度のズレ", -7200, 7200},
          {"分散角度", 0, 180},
          {"発射位置のズレX(dot)", -640, 640},
          {"分身値による発射位置のズレX(dot)", -640, 640},
          {"発射位置のズレY(dot)", -640, 640},
          {"分身値による発射位置のズレY(dot)", -640, 640},
          {"勢力", 0, 7},
          {"移動タイプ固有1", 0, INT32_MAX},
          {"移動タイプ固有2", 0, INT32_MAX},
          {"移動タイプ固有3", 0, INT32_MAX},
          {"速度", -200, 200},
          {"分身値による増加速度", -200, 200},
          {"加速度", -200, 200},
          {"分身値による増加加速度", -200, 200},
          {"飛距離(hbl)", 0, 64},
          {"分身値による増加飛距離", -40, 40},
          {"存在時間(1/10s)", 1, 999},
          {"分身値よる増加存在時間", -99, 99},
          {"消滅値", 1, 9},
          {"威力", -999999, 999999},
          {"衝撃", -20, 20}}},
        {FCT_SWORD, {{"勢力", 0, 7}, {"Z座標", 0, 7}, {"威力", -999999, 999999}, {"衝撃", -20, 20}}},
        {FCT_SUMMON_BLOCK,
         {{"フォーメーション固有1", 0, INT32_MAX},
          {"フォーメーション固有2", 0, INT32_MAX},
          {"フォーメーション固有3", 0, INT32_MAX},
          {"数", 1, 127},
          {"召喚位置のズレX(dot)", -640, 640},
          {"召喚位置のズレY(dot)", -640, 640}}},
        {FCT_SUMMON_CHARA,
         {{"存在時間(1/10s)", 1, 9999},
          {"勢力", 0, 7},
          {"フォーメーション固有1", 0, INT32_MAX},
          {"フォーメーション固有2", 0, INT32_MAX},
          {"フォーメーション固有3", 0, INT32_MAX},
          {"数", 1, 127},
          {"召喚位置のズレX(dot)", -640, 640},
          {"召喚位置のズレY(dot)", -640, 640}}},
        {FCT_SUMMON_ITEM,
         {{"存在時間(1/10s)", 1, 9999},
          {"フォーメーション固有1", 0, INT32_MAX},
          {"フォーメーション固有2", 0, INT32_MAX},
          {"フォーメーション固有3", 0, INT32_MAX},
          {"数", 1, 127},
          {"召喚位置のズレX(dot)", -640, 640},
          {"召喚位置のズレY(dot)", -640, 640}}},
        {FCT_STAGE_CLEAR,
         {{"次のステージの番号", 1, 99},
          {"次のステージの初期位置X(bl)", 0, 999},
          {"次のステージの初期位置Y(bl)", 0, 999},
          {"クリア後のワールドマップの位置X", 0, 999},
          {"クリア後のワールドマップの位置Y", 0, 999}}},
        {FCT_MESSAGE,
         {{"メッセージID", 0, 999},
          {"座標X(bl)", 0, 20},
          {"座標Y(bl)", 0, 15},
          {"表示位置のズレX(dot)", -999, 999},
          {"表示位置のズレY(dot)", -999, 999}}},
        {FCT_WARP,
         {{"距離(hbl)", 0, 64},
          {"分身値による増加距離(hbl)", -40, 40},
          {"目標X(bl)", -640, 640},
          {"目標Y(bl)", -640, 640},
          {"目標Xのズレ(dot)", -640, 640},
          {"目標Yのズレ(dot)", -640, 640}}},
        {FCT_SET_TARGET, {{"対象勢力", 0, 7}, {"対象キャラID", 0, 99}}},
        {FCT_STATUS, {{"乱数の最小値", -999999, 999999}, {"乱数の最大値", -999999, 999999}}},
        {FCT_CHANGE_GRAPHIC, {{"グラフィック", 1, 119}, {"ズレ", -999, 999}}},
        {FCT_RUN_EFFECT,
         {{"座標X(bl)", 0, 511},
          {"座標Y(bl)", 0, 511},
          {"表示位置のズレX(dot)", -999, 999},
          {"表示位置のズレY(dot)", -999, 999},
          {"表示倍率(%)", 1, 1000}}},
        {FCT_SHOW_PICTURE,
         {{"ピクチャーID", 0, 999},
          {"座標X(bl)", 0, 511},
          {"座標Y(bl)", 0, 511},
          {"表示位置のズレX(dot)", -999, 999},
          {"表示位置のズレY(dot)", -999, 999},
          {"表示倍率(%)", 1, 1000}}},
        {FCT_SCREEN_COLOUR, {{"R", 0, 255}, {"G", 0, 255}, {"B", 0, 255}, {"%", 0, 100}}},
        {FCT_CHANGE_BACKGROUND, {{"背景番号", 1, 8}}},
    };
    return defs;
}

} // namespace

void BuildParamTables() {
    CommandParamTables.resize(FCT_COUNT);
    for (const KindParams& def : ParamDefinitions()) {
        cCheckedVector<CommandParamDesc>& list = CommandParamTables[static_cast<std::size_t>(def.kind)];
        list.resize(def.params.size());
        for (std::size_t i = 0; i < def.params.size(); ++i) {
            list[i].name = def.params[i].name;
            list[i].minimum = def.params[i].minimum;
            list[i].maximum = def.params[i].maximum;
        }
    }
}

// ---- Getters and setters ----

namespace {

// The field that a parameter number addresses: its address and width in bits (null: none).
struct FieldRef {
    void* address = nullptr;
    int bits = 0;
};

template <class T> FieldRef Ref(T& field) {
    return FieldRef{&field, static_cast<int>(sizeof(T) * 8)};
}

FieldRef IntegerRef(cEdFlowCmd& cmd, int index) {
    if (index < 0 || index >= cmd.m_Params.Count()) return {};
    return Ref(cmd.m_Params[static_cast<std::size_t>(index)]);
}

// Finds the field of parameter n of a command of the given kind. Two-parameter kinds read their second
// field for every number other than 0 (forWrite false) and write only numbers 0 and 1.
FieldRef Locate(int kind, std::int32_t n, cEdFlowCmd& cmd, bool forWrite) {
    switch (kind) {
    case FCT_LINE_MOVE:
    case FCT_CHARGE_MOVE:
    case FCT_HOMING_MOVE:
    case FCT_WARP: {
        if (!cmd.m_Move) return {};
        cEdMove& m = *cmd.m_Move;
        if (kind == FCT_HOMING_MOVE) {
            switch (n) {
            case 0:
                return Ref(m.m_nHomingWeakness);
            case 1:
                return Ref(m.m_nHomingWeaknessStep);
            case 2:
                return Ref(m.m_nTargetXBl);
            case 3:
                return Ref(m.m_nTargetXDot);
            case 4:
                return Ref(m.m_nTargetYBl);
            case 5:
                return Ref(m.m_nTargetYDot);
            }
            return {};
        }
        if (kind == FCT_WARP) {
            switch (n) {
            case 0:
                return Ref(m.m_nDistance);
            case 1:
                return Ref(m.m_nDistanceStep);
            case 2:
                return Ref(m.m_nTargetXBl);
            case 3:
                return Ref(m.m_nTargetYBl);
            case 4:
                return Ref(m.m_nTargetXDot);
            case 5:
                return Ref(m.m_nTargetYDot);
            }
            return {};
        }
        switch (n) {
        case 0:
            return Ref(m.m_nTargetXBl);
        case 1:
            return Ref(m.m_nTargetXDot);
        case 2:
            return Ref(m.m_nTargetYBl);
        case 3:
            return Ref(m.m_nTargetYDot);
        case 4:
            return Ref(m.m_nAngle);
        case 5:
            return Ref(m.m_nAngleStep);
        }
        return {};
    }
    case FCT_SHOT: {
        if (!cmd.m_Shot) return {};
        cEdShot& s = *cmd.m_Shot;
        switch (n) {
        case 0:
            return Ref(s.m_nGraphic);
        case 1:
            return Ref(s.m_nZOrder);
        case 2:
            return Ref(s.m_nFormationValues[0]);
        case 3:
            return Ref(s.m_nFormationValues[1]);
        case 4:
            return Ref(s.m_nFormationValues[2]);
        case 5:
            return Ref(s.m_nCount);
        case 6:
            return Ref(s.m_nCopies);
        case 7:
            return Ref(s.m_nAngleOffset);
        case 8:
            return Ref(s.m_nAngleOffsetStep);
        case 9:
            return Ref(s.m_nSpreadAngle);
        case 10:
            return Ref(s.m_nOffsetX);
        case 11:
            return Ref(s.m_nOffsetXStep);
        case 12:
            return Ref(s.m_nOffsetY);
        case 13:
            return Ref(s.m_nOffsetYStep);
        case 14:
            return Ref(s.m_nForce);
        case 15:
            return Ref(s.m_nMoveValues[0]);
        case 16:
            return Ref(s.m_nMoveValues[1]);
        case 17:
            return Ref(s.m_nMoveValues[2]);
        case 18:
            return Ref(s.m_nSpeed);
        case 19:
            return Ref(s.m_nSpeedStep);
        case 20:
            return Ref(s.m_nAcceleration);
        case 21:
            return Ref(s.m_nAccelerationStep);
        case 22:
            return Ref(s.m_nRange);
        case 23:
            return Ref(s.m_nRangeStep);
        case 24:
            return Ref(s.m_nLifetime);
        case 25:
            return Ref(s.m_nLifetimeStep);
        case 26:
            return Ref(s.m_nVanishValue);
        case 27:
            return Ref(s.m_nPower);
        case 28:
            return Ref(s.m_nImpact);
        }
        return {};
    }
    case FCT_SWORD: {
        if (!cmd.m_Shot) return {};
        cEdShot& s = *cmd.m_Shot;
        switch (n) {
        case 0:
            return Ref(s.m_nForce);
        case 1:
            return Ref(s.m_nZOrder);
        case 2:
            return Ref(s.m_nPower);
        case 3:
            return Ref(s.m_nImpact);
        }
        return {};
    }
    case FCT_SUMMON_BLOCK:
    case FCT_SUMMON_CHARA:
    case FCT_SUMMON_ITEM: {
        if (!cmd.m_Shot) return {};
        cEdShot& s = *cmd.m_Shot;
        // The character and item summons keep their lifetime first (in the range field) and the
        // character summon its force second; the rest follows in one order.
        int i = n;
        if (kind == FCT_SUMMON_CHARA) {
            if (n == 0) return Ref(s.m_nRange);
            if (n == 1) return Ref(s.m_nForce);
            i = n - 2;
        } else if (kind == FCT_SUMMON_ITEM) {
            if (n == 0) return Ref(s.m_nRange);
            i = n - 1;
        }
        switch (i) {
        case 0:
            return Ref(s.m_nFormationValues[0]);
        case 1:
            return Ref(s.m_nFormationValues[1]);
        case 2:
            return Ref(s.m_nFormationValues[2]);
        case 3:
            return Ref(s.m_nCount);
        case 4:
            return Ref(s.m_nOffsetX);
        case 5:
            return Ref(s.m_nOffsetY);
        }
        return {};
    }
    case FCT_STAGE_CLEAR: {
        static const int map[] = {1, 6, 7, 3, 4};
        return (n >= 0 && n < 5) ? IntegerRef(cmd, map[n]) : FieldRef{};
    }
    case FCT_MESSAGE: {
        static const int map[] = {13, 1, 2, 3, 4};
        return (n >= 0 && n < 5) ? IntegerRef(cmd, map[n]) : FieldRef{};
    }
    case FCT_SET_TARGET:
    case FCT_STATUS:
    case FCT_CHANGE_GRAPHIC: {
        const int first = kind == FCT_SET_TARGET ? 1 : kind == FCT_STATUS ? 8 : 1;
        const int second = kind == FCT_SET_TARGET ? 9 : kind == FCT_STATUS ? 9 : 2;
        if (forWrite && n != 0 && n != 1) return {};
        return IntegerRef(cmd, n == 0 ? first : second);
    }
    case FCT_RUN_EFFECT:
        return (n >= 0 && n < 5) ? IntegerRef(cmd, n + 2) : FieldRef{};
    case FCT_SHOW_PICTURE: {
        // Number 0, the picture ID, addresses no field.
        static const int map[] = {-1, 2, 3, 4, 5, 7};
        return (n >= 1 && n < 6) ? IntegerRef(cmd, map[n]) : FieldRef{};
    }
    case FCT_SCREEN_COLOUR:
        return (n >= 0 && n < 4) ? IntegerRef(cmd, n) : FieldRef{};
    case FCT_CHANGE_BACKGROUND:
        return n == 0 ? IntegerRef(cmd, 0) : FieldRef{};
    }
    return {};
}

template <int Kind> void GetParam(std::int32_t* out, std::int32_t n, const cEdFlowCmd* cmd) {
    if (!out || !cmd) return;
    const FieldRef f = Locate(Kind, n, const_cast<cEdFlowCmd&>(*cmd), false);
    switch (f.bits) {
    case 8:
        *out = *static_cast<const std::int8_t*>(f.address);
        break;
    case 16:
        *out = *static_cast<const std::int16_t*>(f.address);
        break;
    case 32:
        *out = *static_cast<const std::int32_t*>(f.address);
        break;
    }
}

template <int Kind> void SetParam(std::int32_t value, std::int32_t n, cEdFlowCmd* cmd) {
    if (!cmd) return;
    const FieldRef f = Locate(Kind, n, *cmd, true);
    switch (f.bits) {
    case 8:
        *static_cast<std::int8_t*>(f.address) = static_cast<std::int8_t>(value);
        break;
    case 16:
        *static_cast<std::int16_t*>(f.address) = static_cast<std::int16_t>(value);
        break;
    case 32:
        *static_cast<std::int32_t*>(f.address) = value;
        break;
    }
}

} // namespace

#define M4_G(k) &GetParam<k>
#define M4_S(k) &SetParam<k>

// Kinds 3, 4 and 7 have entries that address nothing.
const CommandParamGetter CommandParamGetters[FCT_COUNT] = {
    nullptr,  nullptr,  M4_G(2),  M4_G(3),  M4_G(4),  M4_G(5),  M4_G(6), M4_G(7),  nullptr,  nullptr,
    nullptr,  M4_G(11), M4_G(12), M4_G(13), M4_G(14), M4_G(15), nullptr, M4_G(17), nullptr,  M4_G(19),
    M4_G(20), M4_G(21), M4_G(22), nullptr,  nullptr,  M4_G(25), nullptr, nullptr,  M4_G(28), nullptr,
    nullptr,  M4_G(31), M4_G(32), M4_G(33), nullptr,  nullptr,  nullptr, nullptr,  nullptr};

const CommandParamSetter CommandParamSetters[FCT_COUNT] = {
    nullptr,  nullptr,  M4_S(2),  M4_S(3),  M4_S(4),  M4_S(5),  M4_S(6), M4_S(7),  nullptr,  nullptr,
    nullptr,  M4_S(11), M4_S(12), M4_S(13), M4_S(14), M4_S(15), nullptr, M4_S(17), nullptr,  M4_S(19),
    M4_S(20), M4_S(21), M4_S(22), nullptr,  nullptr,  M4_S(25), nullptr, nullptr,  M4_S(28), nullptr,
    nullptr,  M4_S(31), M4_S(32), M4_S(33), nullptr,  nullptr,  nullptr, nullptr,  nullptr};

#undef M4_G
#undef M4_S

ParamHolder ParamHolderOfKind(int kind) {
    switch (kind) {
    case FCT_LINE_MOVE:
    case FCT_CHARGE_MOVE:
    case FCT_HOMING_MOVE:
    case FCT_WARP:
        return ParamHolder::Move;
    case FCT_SHOT:
    case FCT_SWORD:
    case FCT_SUMMON_BLOCK:
    case FCT_SUMMON_CHARA:
    case FCT_SUMMON_ITEM:
        return ParamHolder::Shot;
    default:
        return ParamHolder::Integers;
    }
}

int ParamFieldBits(int kind, std::int32_t n) {
    static cEdFlowCmd probe = [] {
        cEdFlowCmd cmd;
        NewMove(cmd.m_Move);
        NewShot(cmd.m_Shot);
        cmd.m_Params.resize(32, 0);
        return cmd;
    }();
    return Locate(kind, n, probe, true).bits;
}

// ---- Shot formations and movement kinds ----

const std::vector<cParamDesc>& ShotFormationParams() {
    static const std::vector<cParamDesc> table{
        // 0 "直進A"
        {"間隔(hbl)", 0, 40, 0},
        {},
        {},
        // 1 "直進B"
        {"間隔(hbl)", 0, 40, 0},
        {},
        {},
        // 2 "拡散"
        {"角度", 0, 180, 30},
        {},
        {},
        // 3 "落雷"
        {"間隔(hbl)", 0, 40, 0},
        {"列の数", 1, 50, 1},
        {"列の間隔(hbl)", 0, 40, 0},
        // 4 "爆発"
        {},
        {},
        {},
        // 5 "包囲"
        {"距離(hbl)", 0, 40, 6},
        {},
        {},
    };
    return table;
}

const std::vector<cParamDesc>& ShotMoveParams() {
    static const std::vector<cParamDesc> table{
        // 0 "直進"
        {},
        {},
        {},
        // 1 "主人公を狙う"
        {"軌道変更(hbl)", 0, 40, 0},
        {},
        {},
        // 2 "近いキャラを狙う"
        {"軌道変更(hbl)", 0, 40, 0},
        {"対象勢力", 0, 7, 0},
        {},
        // 3 "ターゲットを狙う"
        {"軌道変更(hbl)", 0, 40, 0},
        {},
        {},
        // 4 "主人公へ誘導"
        {"誘導開始(hbl)", 0, 40, 0},
        {"誘導終了(hbl)", 0, 999, 999},
        {},
        // 5 "近いキャラへ誘導（対象死亡時、誘導を無効化）"
        {"誘導開始(hbl)", 0, 40, 0},
        {"誘導終了(hbl)", 0, 999, 999},
        {"対象勢力", 0, 7, 0},
        // 6 "ターゲットへ誘導"
        {"誘導開始(hbl)", 0, 40, 0},
        {"誘導終了(hbl)", 0, 999, 999},
        {},
        // 7 "近いキャラへ誘導（対象死亡時、対象を変更）"
        {"誘導開始(hbl)", 0, 40, 0},
        {"誘導終了(hbl)", 0, 999, 999},
        {"対象勢力", 0, 7, 0},
        // 8 "ウェーブ"
        {"波の最大(hbl)", 0, 100, 4},
        {"波の速度", 0, 100, 4},
        {"開始角度", 0, 359, 0},
        // 9 "落下"
        {"軌道変更(hbl)", 0, 40, 0},
        {},
        {},
    };
    return table;
}
