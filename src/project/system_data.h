// The project's system data ("data\System.dat"): title, menus, texts, status bar, rankings, menu
// music, system sounds, the "System.ini" key list and the compatibility switches.
#pragma once

#include "app/checked_containers.h"
#include "app/system_ini.h"
#include "records/serial_record.h"

#include <cstdint>
#include <string>
#include <vector>

// One item of a menu: shown or not, and its label.
class cMenuItem : public cSerialRecord {
  public:
    std::int32_t m_nShow = 0;
    std::string m_strLabel;

    cMenuItem(); // shown
    cMenuItem(std::int32_t show, const std::string& label);
    void RegisterMembers(std::int32_t version) override;
};

// One item of the in-play status bar.
class cStatusItem : public cSerialRecord {
  public:
    std::int32_t m_nShow = 0;
    std::int32_t m_nIcon = 0;
    std::string m_strLabel;
    std::int32_t m_nShowValue = 0;
    std::int32_t m_nDigits = 0;
    std::int32_t m_nWarnLimit = 0;
    std::int32_t m_nWarnPercent = 0;

    cStatusItem();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
};

// Rankings of one game mode: kept or not, and which of the five genres are on.
class cRankingMode : public cSerialRecord {
  public:
    std::int32_t m_nEnabled = 0;
    cCheckedVector<std::uint8_t> m_vbGenres;

    cRankingMode();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
};

// One key that "System.ini" may hold.
class cIniKey : public cSerialRecord {
  public:
    std::int32_t m_nKind = 0; // 0 integer, 1 text
    std::string m_strName;
    std::int32_t m_nDefault = 0;
    std::string m_strDefault;

    cIniKey();
    cIniKey(std::int32_t kind, const std::string& name, std::int32_t nDefault, const std::string& strDefault);
    void RegisterMembers(std::int32_t version) override;
};

constexpr int SYSTEM_CARRY_GROUPS = 25;
constexpr int SYSTEM_STATUS_ITEMS = 5;
constexpr int SYSTEM_GAME_MODES = 4;
constexpr int SYSTEM_RANKING_GENRES = 5;
constexpr int SYSTEM_TITLE_ITEMS = 7;
constexpr int SYSTEM_SAVE_ITEMS = 4;
constexpr int SYSTEM_OPTION_ITEMS = 6;
constexpr int SYSTEM_SOUNDS = 17;
constexpr int SYSTEM_TEXTS = 28;
constexpr int SYSTEM_INI_KEYS = 10;
// The most challenge stages a project can have (their names number them with up to three digits).
constexpr int SYSTEM_MAX_CHALLENGE_STAGES = 999;
// The largest blink rate (either sign) kept when System.dat is read.
constexpr int SYSTEM_MAX_BLINK_RATE = 255;

class cSystemData : public cSerialRecord {
  public:
    std::string m_strTitle;
    cCheckedVector<std::uint8_t> m_vbCarryOver;
    cCheckedVector<std::uint8_t> m_vbClearOnMiss;
    std::int32_t m_nExtraLife = 0;
    std::int32_t m_nExtraLifeScore = 0;
    std::int32_t m_nPauseDraw = 0;
    std::int32_t m_nFontOptionA = 0;
    std::int32_t m_nFontIndex = 0;
    std::int32_t m_nFontOptionB = 0;
    std::int32_t m_nReplay = 0;
    std::int32_t m_nFlowFormat = 0;
    cCheckedVector<cStatusItem> m_vStatusItems;
    std::int32_t m_nTitleLayout = 0;
    cCheckedVector<cMenuItem> m_vTitleMenu;
    cCheckedVector<cMenuItem> m_vSaveMenu;
    cCheckedVector<cMenuItem> m_vOptionMenu;
    cCheckedVector<std::string> m_vstrRankingModeNames;
    std::int32_t m_nKeepLives = 0;
    std::int32_t m_nContinueMenu = 0;
    std::int32_t m_nMapShowLives = 0;
    std::int32_t m_nChallengeStages = 0;
    std::int32_t m_nChallengeAllOpen = 0;
    cCheckedVector<std::int32_t> m_vnStartLives;
    cCheckedVector<std::int32_t> m_vnInfiniteLives;
    cCheckedVector<cRankingMode> m_vRankingModes;
    std::int32_t m_nMapShowScore = 0;
    std::int32_t m_nSaveMenuTotal = 0;
    std::int32_t m_nRestoreStory = 0;
    std::int32_t m_nPauseFullStory = 0;
    std::int32_t m_nChallengeHighScore = 0;
    std::int32_t m_nChallengeTotal = 0;
    std::int32_t m_nRestoreChallenge = 0;
    std::int32_t m_nPauseFullChallenge = 0;
    std::int32_t m_nRestoreFree = 0;
    std::int32_t m_nRestoreStartFile = 0;
    std::int32_t m_nColourMode = 0;
    std::uint8_t m_byTransRed = 0;
    std::uint8_t m_byTransGreen = 0;
    std::uint8_t m_byTransBlue = 0;
    cCheckedVector<std::string> m_vstrSystemSounds;
    cCheckedVector<std::int32_t> m_vnMenuBgm;
    cCheckedVector<std::uint8_t> m_vbMenuBgmLoop;
    cCheckedVector<std::string> m_vstrTexts;
    cCheckedVector<cIniKey> m_vIniKeys;
    std::int32_t m_nCompat214 = 0;
    std::int32_t m_nCompat261 = 0;
    std::int32_t m_nCompat272 = 0;
    std::int32_t m_nCompat287 = 0;
    std::int32_t m_nBlinkRate = 0;
    std::int32_t m_nCompat289 = 0;
    std::int32_t m_nCompat525 = 0;
    std::int32_t m_nCompat555 = 0;
    std::int32_t m_nCompat637 = 0;
    std::int32_t m_nCompat669 = 0;
    std::int32_t m_nCompat677 = 0;
    std::int32_t m_nCompat695 = 0;
    std::int32_t m_nCompat728 = 0;
    std::int32_t m_nCompat696 = 0;
    std::int32_t m_nCompat697 = 0;
    std::int32_t m_nCompat721 = 0;
    std::int32_t m_nD3DDepth = 0;
    std::int32_t m_nDDDepth = 0;

    cSystemData();
    void SetDefaults();
    void RegisterMembers(std::int32_t version) override;
    // The chunk, the fifteen lists, the upgrades of older files, then the music clamp. Lists that
    // are indexed by fixed numbers are brought up to their documented length afterwards.
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;

    // Every menu music number not below the number of music entries becomes 0.
    void ClampMenuBgm();
    // Number of ranking genres on for game mode n (0 when rankings are off in that mode).
    int CountEnabledEntries(int n) const;
    // Left x of the block of texts first .. first + count - 1 centred on x (16 pixels per character).
    int CenteredTextX(int x, int first, int count, int extra) const;
    // The block of texts first .. first + count - 1 as DrawTextLines draws it with the text font:
    // each line "%s\n" (" %s\n" with a cursor mark), 16 pixels per character of the widest text
    // (one more with the mark) by 16 pixels per line. Empty for a count below 1.
    struct TextBlock {
        std::string text;
        int width = 0;
        int height = 0;
    };
    TextBlock TextLinesBlock(int first, int count, int mark) const;
    // Whether a value has reached the warning limit of status item n.
    bool ReachesLimit(int n, int value, int total) const;
    // The key list in the form the settings reader takes.
    std::vector<SysIniKey> IniKeyList() const;

  private:
    std::int32_t m_nDiscarded = 0; // a word stored only by versions 221 to 259
};

extern cSystemData g_SystemData;

// The path of the system data file.
extern const char* const SYSTEM_DATA_PATH;

// The system-data step of start-up: loads "data\System.dat" into g_SystemData; on failure
// "%s の読み込みに失敗…" with the path to the report log and in a box, result false.
bool LoadSystemData();
// The settings step of start-up: the key list's defaults, then "System.ini"; when it cannot be
// read properly, "System.ini の読み込みに失敗しました！" and the defaults again (result false; start-up
// goes on).
bool LoadSystemIni(const char* fileName = "System.ini");
