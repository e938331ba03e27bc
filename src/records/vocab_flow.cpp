#include "records/vocab_flow.h"

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
