#include "menus/ranking_draw.h"

#include "app/scene.h"
#include "app/sjis.h"
#include "app/system_ini.h"
#include "draw/dd_startup.h"
#include "draw/font.h"
#include "menus/ranking_store.h"
#include "project/system_data.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int TEXT_RESULT_LABELS = 5; // texts 5-9: the labels of the five result values
constexpr int TEXT_GENRE_HINT = 24;
constexpr int GENRE_CLEAR_TIME = 2;

// The text of the system data's list, or an empty text when the list is shorter.
const std::string& SystemText(int index) {
    static const std::string empty;
    return index >= 0 && index < g_SystemData.m_vstrTexts.Count() ? g_SystemData.m_vstrTexts.at(index)
                                                                  : empty;
}

// The text font's letters a-z are icons while the project's switch says so; names and the English
// title are drawn as letters.
class cLettersAsText {
  public:
    cLettersAsText() {
        if (g_SystemData.m_nFontOptionA) g_Font.m_bIcon = 0;
    }
    ~cLettersAsText() {
        if (g_SystemData.m_nFontOptionA) g_Font.m_bIcon = 1;
    }
    cLettersAsText(const cLettersAsText&) = delete;
    cLettersAsText& operator=(const cLettersAsText&) = delete;
};

} // namespace

int CountDigits(std::int32_t value) {
    int divisions = 0;
    while (divisions < 10 && (value /= 10) != 0)
        ++divisions;
    return 1 + divisions;
}

void FormatPaddedNumber(std::string& out, std::int32_t value, int minDigits, int zeroFill, int plus) {
    const int width = std::max(minDigits, CountDigits(value));
    // In 64 bits, so that the smallest value has a magnitude too.
    std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(value));
    std::string digits;
    for (int i = 0; i < width; ++i) {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    }
    if (!zeroFill)
        for (std::size_t i = 0; i + 1 < digits.size() && digits[i] == '0'; ++i)
            digits[i] = ' ';
    if (value < 0)
        out = "-" + digits;
    else if (plus)
        out = "+" + digits;
    else
        out = digits;
}

void FormatScoreTime(std::string& out, std::int32_t hundredths) {
    const std::int32_t seconds = hundredths / 100;
    const std::int32_t minutes = seconds / 60;
    std::string m, s, h;
    FormatPaddedNumber(m, minutes, 2, 1, 0);
    FormatPaddedNumber(s, seconds % 60, 2, 1, 0);
    FormatPaddedNumber(h, hundredths % 100, 2, 1, 0);
    out = m + ":" + s + "." + h;
}

void DrawRanking(const cRankingTable& table, DDSURFACEDATA* surface, int x, int y, int genre, int mark) {
    g_Font.DrawBox(surface, x + 1, y + 1, 270, 350);
    const std::string& label = SystemText(TEXT_RESULT_LABELS + genre);
    if (g_SystemIni.English) {
        cLettersAsText letters;
        g_Font.DrawF(surface, x, y, "Ranking     %s", label.c_str());
    } else {
        g_Font.DrawF(surface, x, y, "ランキング    %s", label.c_str());
    }
    // The value column is as wide as the first place's value (an empty table has no lines).
    const int width = genre == GENRE_CLEAR_TIME ? 8
                      : table.entries.empty()   ? 1
                                                : CountDigits(table.entries[0].value);
    const int count = table.entries.Count();
    for (int i = 0; i < count; ++i) {
        const cRankingEntry& e = table.entries[static_cast<std::size_t>(i)];
        if (e.bUsed == 0) continue;
        const int line = y + 16 * (i + 1);
        g_Font.DrawF(surface, x + 16, line, "%d", i + 1);
        {
            cLettersAsText letters;
            g_Font.DrawF(surface, x + 64, line, "%s", e.name.c_str());
        }
        if (genre == GENRE_CLEAR_TIME) {
            std::string time;
            FormatScoreTime(time, e.value);
            g_Font.DrawF(surface, x + 144, line, "%s", time.c_str());
        } else {
            g_Font.DrawF(surface, x + 16 * (9 + width - CountDigits(e.value)), line, "%d", e.value);
        }
    }
    if (g_SystemData.CountEnabledEntries(g_nGameMode) >= 2) {
        const std::string& hint = SystemText(TEXT_GENRE_HINT);
        g_Font.Draw(surface, x + 136 - 8 * CountSjisChars(hint), y + 16 * (count + 1), hint.c_str(), 0);
    }
    if (mark != -1)
        DDBlt(surface, x, y + 16 * (mark + 1), 16, 16, &g_SystemSurfaces[SYSTEM_SURFACE_ACCESSORY], 16, 48,
              1);
}

void cRankingStore::DrawTable(DDSURFACEDATA* surface, int x, int y, int genre, int mark) {
    DrawRanking(tables.at(genre), surface, x, y, genre, mark);
}
