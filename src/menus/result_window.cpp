#include "menus/result_window.h"

#include "app/scene.h"
#include "app/sjis.h"
#include "app/startup_state.h"
#include "draw/dd_startup.h"
#include "draw/font.h"
#include "menus/ranking_draw.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <algorithm>
#include <string>

namespace {

constexpr int WINDOW_ITEMS = 5;
constexpr int ITEM_CLEAR_TIME = 2;
constexpr int TEXT_RESULT_LABELS = 5;

const std::string& Label(int item) {
    static const std::string empty;
    const int index = TEXT_RESULT_LABELS + item;
    return index < g_SystemData.m_vstrTexts.Count() ? g_SystemData.m_vstrTexts.at(index) : empty;
}

bool ItemShown(int item) {
    const std::vector<std::int32_t>& stageItems = g_Stage.m_ResultItems;
    if (item >= static_cast<int>(stageItems.size()) || stageItems[static_cast<std::size_t>(item)] == 0)
        return false;
    if (g_bStartFile) return true;
    if (g_nGameMode < 0 || g_nGameMode >= g_SystemData.m_vRankingModes.Count()) return false;
    const cRankingMode& mode = g_SystemData.m_vRankingModes.at(g_nGameMode);
    return item < mode.m_vbGenres.Count() && mode.m_vbGenres.at(item) != 0;
}

std::int32_t ValueOf(const std::vector<std::int32_t>& values, int item) {
    return item < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(item)] : 0;
}

} // namespace

cResultLayout StageResultLayout(const std::vector<std::int32_t>& values) {
    cResultLayout layout;
    bool clearTime = false;
    for (int i = 0; i < WINDOW_ITEMS; ++i) {
        if (!ItemShown(i)) continue;
        layout.items.push_back(i);
        layout.labelWidth = std::max(layout.labelWidth, CountSjisChars(Label(i)));
        if (i == ITEM_CLEAR_TIME)
            clearTime = true;
        else
            layout.valueWidth = std::max(layout.valueWidth, CountDigits(ValueOf(values, i)));
    }
    if (clearTime && layout.valueWidth < 8) layout.valueWidth = 8;
    layout.width = 16 * (layout.labelWidth + layout.valueWidth + 3);
    layout.height = 16 * static_cast<int>(layout.items.size());
    return layout;
}

void DrawStageResult(DDSURFACEDATA* surface, int x, int y, const std::int32_t places[5],
                     const std::vector<std::int32_t>& values) {
    const cResultLayout layout = StageResultLayout(values);
    if (layout.items.empty()) return;
    g_Font.DrawBox(surface, x, y, layout.width, layout.height);
    int line = y;
    for (int item : layout.items) {
        g_Font.DrawF(surface, x + 16, line, "%s", Label(item).c_str());
        const int valueX = x + 16 * (layout.labelWidth + 2);
        if (item == ITEM_CLEAR_TIME) {
            std::string time;
            FormatScoreTime(time, ValueOf(values, item));
            g_Font.DrawF(surface, valueX, line, "%s", time.c_str());
        } else {
            g_Font.DrawF(surface, valueX, line, "%d", ValueOf(values, item));
        }
        line += 16;
    }
    int marks = 0;
    for (int g = 0; g < WINDOW_ITEMS; ++g) {
        if (places[g] == -1) continue;
        DDBlt(surface, x, y + 16 * marks, 16, 16, &g_SystemSurfaces[SYSTEM_SURFACE_ACCESSORY], 16, 48, 1);
        ++marks;
    }
}
