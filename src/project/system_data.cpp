#include "project/system_data.h"

#include "app/log.h"
#include "app/sjis.h"
#include "project/project_database.h"

#include <algorithm>

cSystemData g_SystemData;

const char* const SYSTEM_DATA_PATH = "data\\System.dat";

// ---- cMenuItem ----

cMenuItem::cMenuItem() : cMenuItem(1, "") {}

cMenuItem::cMenuItem(std::int32_t show, const std::string& label) {
    RegisterMembers(g_nDataVersion);
    Reset();
    m_nShow = show;
    m_strLabel = label;
}

void cMenuItem::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_nShow);
    DeclareStringField(&m_strLabel);
}

// ---- cStatusItem ----

cStatusItem::cStatusItem() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cStatusItem::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&m_nShow);
    DeclareField(&m_nIcon);
    DeclareField(&m_nDigits);
    if (version >= 204) DeclareField(&m_nShowValue);
    if (version >= 587) {
        DeclareField(&m_nWarnLimit);
        DeclareField(&m_nWarnPercent);
    }
    DeclareStringField(&m_strLabel);
}

bool cStatusItem::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (g_nLoadVersion < 204) m_nShowValue = 1;
    return true;
}

// ---- cRankingMode ----

cRankingMode::cRankingMode() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cRankingMode::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_nEnabled);
}

bool cRankingMode::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    return LoadByteVector(fp, m_vbGenres);
}

bool cRankingMode::Save(std::FILE* fp) {
    if (!cSerialRecord::Save(fp)) return false;
    return SaveByteVector(fp, m_vbGenres);
}

// ---- cIniKey ----

cIniKey::cIniKey() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

cIniKey::cIniKey(std::int32_t kind, const std::string& name, std::int32_t nDefault,
                 const std::string& strDefault)
    : cIniKey() {
    m_nKind = kind;
    m_strName = name;
    m_nDefault = nDefault;
    m_strDefault = strDefault;
}

void cIniKey::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_nKind);
    DeclareField(&m_nDefault);
    DeclareStringField(&m_strName);
    DeclareStringField(&m_strDefault);
}

// ---- Defaults ----

namespace {

const std::uint8_t DEFAULT_CARRY_OVER[SYSTEM_CARRY_GROUPS] = {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                              1, 1, 0, 1, 1, 0, 1, 1, 1, 0, 0, 0};

const char* const DEFAULT_TEXTS[SYSTEM_TEXTS] = {
    "ワールド",
    "ステージ",
    "スコア",
    "ハイスコア",
    "トータルスコア",
    "スコア",
    "残り時間",
    "クリア時間",
    "残りHP",
    "残りSP",
    "ステージに挑む",
    "やっぱりやめる",
    "セーブする",
    "やっぱりやめる",
    "オートセーブＯＮ",
    "オートセーブＯＦＦ",
    "保存先が不明です！一度は「セーブ」して下さい！",
    "タイトルへ戻る",
    "やっぱりやめる",
    "しゅうりょう",
    "つづける",
    "リトライ",
    "リトライ",
    "マップへ戻る",
    "Vキーでジャンルの切り替え",
    "スペースキーでタイトルへ戻る",
    "スペースキーで終了",
    "F3キーでランキングへ登録",
};

const char* const DEFAULT_TITLE_MENU[SYSTEM_TITLE_ITEMS] = {
    "はじめから", "つづきから", "チャレンジ", "フリー", "リプレイ", "オプション", "しゅうりょう"};
const char* const DEFAULT_SAVE_MENU[SYSTEM_SAVE_ITEMS] = {"セーブ", "オートセーブ", "もどる", "タイトルへ"};
const char* const DEFAULT_OPTION_MENU[SYSTEM_OPTION_ITEMS] = {
    "BGM", "SE", "ランキング登録", "ランキング登録名", "もどる", ""};
const char* const DEFAULT_RANKING_MODE_NAMES[SYSTEM_GAME_MODES] = {
    "手動登録（登録名入力）", "手動登録（登録名固定）", "自動登録（登録名入力）", "自動登録（登録名固定）"};

cStatusItem DefaultStatusItem(int index) {
    static const int digits[SYSTEM_STATUS_ITEMS] = {4, 3, 0, 0, 2};
    static const char* const labels[SYSTEM_STATUS_ITEMS] = {"スコア", "スコア", "HP", "SP", "人"};
    cStatusItem item;
    item.m_nShow = 1;
    item.m_nIcon = 1;
    item.m_nDigits = digits[index];
    item.m_strLabel = labels[index];
    return item;
}

cRankingMode DefaultRankingMode(int index) {
    cRankingMode mode;
    const std::uint8_t on = index < 3 ? 1 : 0;
    mode.m_nEnabled = on;
    mode.m_vbGenres.assign(SYSTEM_RANKING_GENRES, on);
    return mode;
}

cIniKey DefaultIniKey(int index) {
    switch (index) {
    case 0:
        return cIniKey(0, "Direct3D", 2, "");
    case 1:
        return cIniKey(0, "WindowMode", 0, "");
    case 2:
        return cIniKey(0, "Bpp", 0, "");
    case 3:
        return cIniKey(0, "VSync", 2, "");
    case 4:
        return cIniKey(0, "D3D_FontCache", 0, "");
    case 5:
        return cIniKey(0, "DD_FontCache", 1, "");
    case 6:
        return cIniKey(0, "DD_VideoStretch", 0, "");
    case 7:
        return cIniKey(0, "ShowFps", 1, "");
    case 8:
        return cIniKey(1, "FreeStage", 0, "");
    default:
        return cIniKey(0, "English", 0, "");
    }
}

constexpr std::int32_t DEFAULT_START_LIVES[SYSTEM_GAME_MODES] = {5, 5, 5, 99};

// Brings a list to n entries: missing entries are `fill`, surplus entries removed.
template <class List, class T> void BringTo(List& list, std::size_t n, const T& fill) {
    list.resize(n, fill);
}

// Inserts at index i: entries i .. n-2 move up by one, entry i is overwritten, the length stays.
template <class List, class T> void InsertAt(List& list, std::size_t i, const T& value) {
    if (i >= list.size()) return;
    for (std::size_t k = list.size() - 1; k > i; --k)
        list[k] = list[k - 1];
    list[i] = value;
}

// Lists that readers index by fixed numbers are made at least their documented length, with the
// defaults at the missing indexes, so that a short list in a file cannot close the program.
template <class List, class Make> void PadTo(List& list, std::size_t n, Make make) {
    for (std::size_t k = list.size(); k < n; ++k)
        list.push_back(make(static_cast<int>(k)));
}

} // namespace

// ---- cSystemData ----

cSystemData::cSystemData() {
    RegisterMembers(g_nDataVersion);
    SetDefaults();
}

void cSystemData::SetDefaults() {
    Reset();
    m_nExtraLife = 0;
    m_nExtraLifeScore = 100;
    m_nPauseDraw = 1;
    m_nFontOptionA = 0;
    m_nFontIndex = 60;
    m_nFontOptionB = 0;
    m_nReplay = 1;
    m_nFlowFormat = 0;
    m_nTitleLayout = 1;
    m_nKeepLives = 1;
    m_nContinueMenu = 1;
    m_nMapShowLives = 1;
    m_nChallengeStages = 40;
    m_nChallengeAllOpen = 1;
    m_nMapShowScore = m_nSaveMenuTotal = m_nChallengeHighScore = m_nChallengeTotal = 1;
    m_nRestoreStory = m_nRestoreChallenge = m_nRestoreFree = 1;
    m_nPauseFullStory = m_nPauseFullChallenge = 1;
    m_nRestoreStartFile = 0;
    m_nColourMode = 0;
    m_byTransRed = m_byTransGreen = m_byTransBlue = 0;
    m_nBlinkRate = 16;
    m_nD3DDepth = 0;
    m_nDDDepth = 2;

    m_vbCarryOver.assign(std::begin(DEFAULT_CARRY_OVER), std::end(DEFAULT_CARRY_OVER));
    m_vbClearOnMiss.assign(SYSTEM_CARRY_GROUPS, 0);
    m_vbClearOnMiss.at(11) = 1;
    m_vbClearOnMiss.at(12) = 1;
    m_vStatusItems.clear();
    PadTo(m_vStatusItems, SYSTEM_STATUS_ITEMS, DefaultStatusItem);
    m_vnStartLives.assign(std::begin(DEFAULT_START_LIVES), std::end(DEFAULT_START_LIVES));
    m_vnInfiniteLives.assign(SYSTEM_GAME_MODES, 1);
    m_vRankingModes.clear();
    PadTo(m_vRankingModes, SYSTEM_GAME_MODES, DefaultRankingMode);
    m_vTitleMenu.clear();
    for (const char* label : DEFAULT_TITLE_MENU)
        m_vTitleMenu.push_back(cMenuItem(1, label));
    m_vSaveMenu.clear();
    for (const char* label : DEFAULT_SAVE_MENU)
        m_vSaveMenu.push_back(cMenuItem(1, label));
    m_vOptionMenu.clear();
    for (const char* label : DEFAULT_OPTION_MENU)
        m_vOptionMenu.push_back(cMenuItem(1, label));
    m_vstrRankingModeNames.assign(std::begin(DEFAULT_RANKING_MODE_NAMES),
                                  std::end(DEFAULT_RANKING_MODE_NAMES));
    m_vstrTexts.assign(std::begin(DEFAULT_TEXTS), std::end(DEFAULT_TEXTS));
    m_vstrSystemSounds.assign(SYSTEM_SOUNDS, std::string());
    m_vnMenuBgm.assign(SYSTEM_GAME_MODES, 0);
    m_vbMenuBgmLoop.assign(SYSTEM_GAME_MODES, 1);
    m_vIniKeys.clear();
    PadTo(m_vIniKeys, SYSTEM_INI_KEYS, DefaultIniKey);
}

void cSystemData::RegisterMembers(std::int32_t version) {
    ClearMembers();
    if (version >= 185) DeclareField(&m_nExtraLife);
    DeclareField(&m_nExtraLifeScore);
    DeclareField(&m_nPauseDraw);
    DeclareField(&m_nFontOptionA);
    if (version >= 205) DeclareField(&m_nFontIndex);
    if (version >= 170) DeclareField(&m_nFontOptionB);
    if (version >= 113) DeclareField(&m_nFlowFormat);
    if (version >= 184) DeclareField(&m_nReplay);
    if (version >= 157) DeclareField(&m_nTitleLayout);
    DeclareField(&m_nKeepLives);
    if (version >= 191) DeclareField(&m_nContinueMenu);
    if (version >= 191) DeclareField(&m_nMapShowLives);
    DeclareField(&m_nChallengeStages);
    DeclareField(&m_nChallengeAllOpen);
    if (version >= 167) {
        DeclareField(&m_nMapShowScore);
        DeclareField(&m_nSaveMenuTotal);
        if (version >= 188) DeclareField(&m_nRestoreStory);
        if (version >= 224) DeclareField(&m_nPauseFullStory);
        DeclareField(&m_nChallengeHighScore);
        DeclareField(&m_nChallengeTotal);
        if (version >= 188) DeclareField(&m_nRestoreChallenge);
        if (version >= 224) DeclareField(&m_nPauseFullChallenge);
        if (version >= 188) DeclareField(&m_nRestoreFree);
        if (version >= 192) DeclareField(&m_nRestoreStartFile);
    }
    if (version >= 187) {
        DeclareField(&m_nColourMode);
        DeclareField(&m_byTransRed);
        DeclareField(&m_byTransGreen);
        DeclareField(&m_byTransBlue);
    }
    if (version >= 214) DeclareField(&m_nCompat214);
    if (version >= 221 && version <= 259) DeclareField(&m_nDiscarded);
    if (version >= 261) DeclareField(&m_nCompat261);
    if (version >= 272) DeclareField(&m_nCompat272);
    if (version >= 287) DeclareField(&m_nCompat287);
    if (version >= 515) DeclareField(&m_nBlinkRate);
    if (version >= 289) DeclareField(&m_nCompat289);
    if (version >= 525) DeclareField(&m_nCompat525);
    if (version >= 555) DeclareField(&m_nCompat555);
    if (version >= 637) DeclareField(&m_nCompat637);
    if (version >= 669) DeclareField(&m_nCompat669);
    if (version >= 677) DeclareField(&m_nCompat677);
    if (version >= 695) DeclareField(&m_nCompat695);
    if (version >= 696) DeclareField(&m_nCompat696);
    if (version >= 697) DeclareField(&m_nCompat697);
    if (version >= 721) DeclareField(&m_nCompat721);
    if (version >= 728) DeclareField(&m_nCompat728);
    if (version >= 670) {
        DeclareField(&m_nD3DDepth);
        DeclareField(&m_nDDDepth);
    }
    DeclareStringField(&m_strTitle);
}

bool cSystemData::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    const std::int32_t g = g_nLoadVersion;
    if (!LoadByteVector(fp, m_vbCarryOver)) return false;
    if (g >= 501 && !LoadByteVector(fp, m_vbClearOnMiss)) return false;
    if (!LoadRecordList(fp, m_vStatusItems)) return false;
    if (!LoadI32Vector(fp, m_vnStartLives)) return false;
    if (g >= 191 && !LoadI32Vector(fp, m_vnInfiniteLives)) return false;
    if (g >= 186 && !LoadRecordList(fp, m_vRankingModes)) return false;
    if (!LoadStringVector(fp, m_vstrTexts)) return false;
    if (!LoadStringVector(fp, m_vstrSystemSounds)) return false;
    if (!LoadI32Vector(fp, m_vnMenuBgm)) return false;
    if (g >= 202 && !LoadByteVector(fp, m_vbMenuBgmLoop)) return false;
    if (!LoadRecordList(fp, m_vTitleMenu)) return false;
    if (!LoadRecordList(fp, m_vSaveMenu)) return false;
    if (!LoadRecordList(fp, m_vOptionMenu)) return false;
    if (g >= 674 && !LoadStringVector(fp, m_vstrRankingModeNames)) return false;
    if (!LoadRecordList(fp, m_vIniKeys)) return false;

    if (g < DATA_VERSION_CURRENT) {
        if (g < 113) m_nFlowFormat = 0;
        if (g < 157) m_nTitleLayout = 0;
        if (g < 167) m_nMapShowScore = m_nSaveMenuTotal = m_nChallengeHighScore = m_nChallengeTotal = 1;
        if (g < 168) {
            BringTo(m_vbCarryOver, SYSTEM_CARRY_GROUPS, std::uint8_t{0});
            InsertAt(m_vbCarryOver, 16, std::uint8_t{1});
        }
        if (g < 169) {
            BringTo(m_vSaveMenu, SYSTEM_SAVE_ITEMS, cMenuItem());
            InsertAt(m_vSaveMenu, 1, cMenuItem(1, "オートセーブ"));
            BringTo(m_vstrTexts, SYSTEM_TEXTS, std::string());
            InsertAt(m_vstrTexts, 12, std::string("保存先が不明です！一度は「セーブ」して下さい！"));
            InsertAt(m_vstrTexts, 12, std::string("オートセーブＯＦＦ"));
            InsertAt(m_vstrTexts, 12, std::string("オートセーブＯＮ"));
        }
        if (g < 170) m_nFontOptionB = 0;
        if (g < 181) {
            for (int i = 0; i < 2; ++i) {
                cRankingMode& mode = m_vRankingModes.at(i);
                BringTo(mode.m_vbGenres, SYSTEM_RANKING_GENRES, std::uint8_t{0});
                mode.m_vbGenres.at(3) = 0;
                mode.m_vbGenres.at(4) = 0;
            }
            BringTo(m_vstrTexts, SYSTEM_TEXTS, std::string());
            InsertAt(m_vstrTexts, 8, std::string("残りHP"));
            InsertAt(m_vstrTexts, 9, std::string("残りSP"));
        }
        if (g < 184) m_nReplay = 1;
        if (g < 185) m_nExtraLife = 1;
        if (g < 187) {
            m_nColourMode = 0;
            m_byTransRed = 0;
            m_byTransGreen = 177;
            m_byTransBlue = 0;
        }
        if (g < 188) m_nRestoreStory = m_nRestoreChallenge = m_nRestoreFree = 1;
        if (g < 191) {
            m_vnInfiniteLives.assign({0, 0, 0, 1});
            m_nContinueMenu = 0;
            m_nMapShowLives = 0;
        }
        if (g < 192) m_nRestoreStartFile = 1;
        if (g < 193) {
            BringTo(m_vstrTexts, SYSTEM_TEXTS, std::string());
            InsertAt(m_vstrTexts, 22, std::string("リトライ"));
            InsertAt(m_vstrTexts, 23, std::string("マップへ戻る"));
        }
        if (g < 201) {
            BringTo(m_vbCarryOver, SYSTEM_CARRY_GROUPS, std::uint8_t{0});
            InsertAt(m_vbCarryOver, 14, std::uint8_t{0});
        }
        if (g < 202) m_vbMenuBgmLoop.assign(SYSTEM_GAME_MODES, 1);
        if (g < 205) m_nFontIndex = 60;
        if (g < 210) {
            BringTo(m_vbCarryOver, SYSTEM_CARRY_GROUPS, std::uint8_t{0});
            InsertAt(m_vbCarryOver, 9, std::uint8_t{0});
        }
        if (g < 214) m_nCompat214 = 1;
        if (g < 224) m_nPauseFullStory = m_nPauseFullChallenge = 0;
        if (g < 261) m_nCompat261 = 1;
        if (g < 272) m_nCompat272 = 0;
        if (g < 286) {
            BringTo(m_vIniKeys, SYSTEM_INI_KEYS, cIniKey());
            InsertAt(m_vIniKeys, 0, cIniKey(0, "Direct3D", 1, ""));
            if (m_vIniKeys.at(3).m_nDefault >= 3) m_vIniKeys.at(3).m_nDefault = 2;
        }
        if (g < 287) m_nCompat287 = 0;
        if (g < 289) m_nCompat289 = m_nColourMode == 0 ? 1 : 0;
        if (g < 501) m_vbClearOnMiss.assign(SYSTEM_CARRY_GROUPS, 0);
        if (g < 515) m_nBlinkRate = 16;
        if (g < 525) m_nCompat525 = 1;
        if (g < 555) m_nCompat555 = 1;
        if (g < 567) {
            BringTo(m_vIniKeys, SYSTEM_INI_KEYS, cIniKey());
            InsertAt(m_vIniKeys, 4, cIniKey(0, "DD_VideoStretch", 0, ""));
        }
        if (g < 568) {
            BringTo(m_vIniKeys, SYSTEM_INI_KEYS, cIniKey());
            InsertAt(m_vIniKeys, 4, cIniKey(0, "D3D_FontCache", 0, ""));
            InsertAt(m_vIniKeys, 5, cIniKey(0, "DD_FontCache", 1, ""));
        }
        if (g < 587) {
            BringTo(m_vStatusItems, SYSTEM_STATUS_ITEMS, cStatusItem());
            for (int i = 2; i <= 3; ++i) {
                m_vStatusItems.at(i).m_nWarnLimit = 1;
                m_vStatusItems.at(i).m_nWarnPercent = 1;
            }
        }
        if (g < 637) m_nCompat637 = g <= 616 ? 1 : 0;
        if (g < 669) m_nCompat669 = 1;
        if (g < 670) {
            m_nD3DDepth = 0;
            m_nDDDepth = 2;
        }
        if (g < 672) {
            BringTo(m_vIniKeys, SYSTEM_INI_KEYS, cIniKey());
            m_vIniKeys.at(9) = cIniKey(0, "English", 0, "");
        }
        if (g < 677) m_nCompat677 = 1;
        if (g < 695) m_nCompat695 = 1;
        if (g < 696) m_nCompat696 = 1;
        if (g < 697) m_nCompat697 = 1;
        if (g < 721) m_nCompat721 = 1;
        if (g < 728) m_nCompat728 = 1;
    }

    // Fixed-length lists are completed with the defaults of their missing entries.
    PadTo(m_vbCarryOver, SYSTEM_CARRY_GROUPS, [](int i) { return DEFAULT_CARRY_OVER[i]; });
    PadTo(m_vbClearOnMiss, SYSTEM_CARRY_GROUPS,
          [](int i) { return std::uint8_t(i == 11 || i == 12 ? 1 : 0); });
    PadTo(m_vStatusItems, SYSTEM_STATUS_ITEMS, DefaultStatusItem);
    PadTo(m_vnStartLives, SYSTEM_GAME_MODES, [](int i) { return DEFAULT_START_LIVES[i]; });
    PadTo(m_vnInfiniteLives, SYSTEM_GAME_MODES, [](int) { return std::int32_t{1}; });
    PadTo(m_vRankingModes, SYSTEM_GAME_MODES, DefaultRankingMode);
    for (cRankingMode& mode : m_vRankingModes)
        PadTo(mode.m_vbGenres, SYSTEM_RANKING_GENRES, [](int) { return std::uint8_t{0}; });
    PadTo(m_vstrTexts, SYSTEM_TEXTS, [](int i) { return std::string(DEFAULT_TEXTS[i]); });
    PadTo(m_vstrSystemSounds, SYSTEM_SOUNDS, [](int) { return std::string(); });
    PadTo(m_vnMenuBgm, SYSTEM_GAME_MODES, [](int) { return std::int32_t{0}; });
    PadTo(m_vbMenuBgmLoop, SYSTEM_GAME_MODES, [](int) { return std::uint8_t{1}; });
    PadTo(m_vTitleMenu, SYSTEM_TITLE_ITEMS, [](int i) { return cMenuItem(1, DEFAULT_TITLE_MENU[i]); });
    PadTo(m_vSaveMenu, SYSTEM_SAVE_ITEMS, [](int i) { return cMenuItem(1, DEFAULT_SAVE_MENU[i]); });
    PadTo(m_vOptionMenu, SYSTEM_OPTION_ITEMS, [](int i) { return cMenuItem(1, DEFAULT_OPTION_MENU[i]); });
    PadTo(m_vstrRankingModeNames, SYSTEM_GAME_MODES,
          [](int i) { return std::string(DEFAULT_RANKING_MODE_NAMES[i]); });
    PadTo(m_vIniKeys, SYSTEM_INI_KEYS, DefaultIniKey);
    // The challenge progress and its save record are sized by this number: a damaged file must not
    // make them ask for more memory than there is.
    m_nChallengeStages = std::clamp(m_nChallengeStages, 0, SYSTEM_MAX_CHALLENGE_STAGES);
    // A blink channel runs from 0 to 255: a step of 255 or more already turns at both ends on
    // every frame, so larger rates are brought to that size (the sign is kept).
    m_nBlinkRate = std::clamp(m_nBlinkRate, -SYSTEM_MAX_BLINK_RATE, SYSTEM_MAX_BLINK_RATE);

    ClampMenuBgm();
    return true;
}

bool cSystemData::Save(std::FILE* fp) {
    ClampMenuBgm();
    if (!cSerialRecord::Save(fp)) return false;
    return SaveByteVector(fp, m_vbCarryOver) && SaveByteVector(fp, m_vbClearOnMiss) &&
           SaveRecordList(fp, m_vStatusItems) && SaveI32Vector(fp, m_vnStartLives) &&
           SaveI32Vector(fp, m_vnInfiniteLives) && SaveRecordList(fp, m_vRankingModes) &&
           SaveStringVector(fp, m_vstrTexts) && SaveStringVector(fp, m_vstrSystemSounds) &&
           SaveI32Vector(fp, m_vnMenuBgm) && SaveByteVector(fp, m_vbMenuBgmLoop) &&
           SaveRecordList(fp, m_vTitleMenu) && SaveRecordList(fp, m_vSaveMenu) &&
           SaveRecordList(fp, m_vOptionMenu) && SaveStringVector(fp, m_vstrRankingModeNames) &&
           SaveRecordList(fp, m_vIniKeys);
}

void cSystemData::ClampMenuBgm() {
    const std::int32_t music = g_Database.m_Bgms.Count();
    for (std::int32_t& n : m_vnMenuBgm)
        if (n >= music) n = 0;
}

int cSystemData::CountEnabledEntries(int n) const {
    const cRankingMode& mode = m_vRankingModes.at(n);
    if (mode.m_nEnabled == 0) return 0;
    return static_cast<int>(
        std::count_if(mode.m_vbGenres.begin(), mode.m_vbGenres.end(), [](std::uint8_t b) { return b != 0; }));
}

int cSystemData::CenteredTextX(int x, int first, int count, int extra) const {
    int widest = 0;
    for (int i = first; i < first + count; ++i)
        widest = std::max(widest, CountSjisChars(m_vstrTexts.at(i)));
    if (count >= 1 && extra) ++widest;
    if (count < 1) widest = 0;
    return x - widest * 16 / 2;
}

cSystemData::TextBlock cSystemData::TextLinesBlock(int first, int count, int mark) const {
    TextBlock block;
    if (count < 1) return block;
    int widest = 0;
    for (int i = first; i < first + count; ++i) {
        const std::string& line = m_vstrTexts.at(i);
        widest = std::max(widest, CountSjisChars(line));
        block.text += (mark ? " " : "") + line + "\n";
    }
    block.width = (widest + (mark ? 1 : 0)) * 16;
    block.height = count * 16;
    return block;
}

bool cSystemData::ReachesLimit(int n, int value, int total) const {
    const cStatusItem& item = m_vStatusItems.at(n);
    if (item.m_nWarnPercent) return item.m_nWarnLimit >= static_cast<double>(value) * 100.0 / total;
    return value <= item.m_nWarnLimit;
}

std::vector<SysIniKey> cSystemData::IniKeyList() const {
    std::vector<SysIniKey> keys;
    for (const cIniKey& key : m_vIniKeys)
        keys.push_back(SysIniKey{key.m_strName, key.m_nDefault, key.m_strDefault});
    return keys;
}

// ---- Start-up steps ----

bool LoadSystemData() {
    if (!g_SystemData.LoadFile(SYSTEM_DATA_PATH)) {
        ReportErrBox("%s の読み込みに失敗…", SYSTEM_DATA_PATH);
        return false;
    }
    return true;
}

bool LoadSystemIni(const char* fileName) {
    const std::vector<SysIniKey> keys = g_SystemData.IniKeyList();
    SysIniDefaults(g_SystemIni, keys);
    if (!ReadSystemIni(fileName, g_SystemIni, keys)) {
        ReportErrBox("System.ini の読み込みに失敗しました！");
        SysIniDefaults(g_SystemIni, keys);
        return false;
    }
    return true;
}
