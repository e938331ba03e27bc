// The progress of one play: save slots "user_data\story\StoryNN.dat" and the challenge progress
// "user_data\challenge\Challenge.dat".
//
// File layout: version word, the cSaveData chunk (fields and strings as registered for the version),
// then the save stamp (16 bytes), the carry flags (from version 501), the carry records, the stage
// values, the challenge stages, the stage flags and the common variables (each a u32 count first).
#pragma once

#include "app/checked_containers.h"
#include "records/ed_chara_def.h"
#include "records/serial_record.h"

#include <cstdint>
#include <string>
#include <vector>

// The save stamp, laid out as the platform's local-time record (eight 16-bit words).
struct SAVESTAMP {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};
static_assert(sizeof(SAVESTAMP) == 16);

SAVESTAMP LocalTimeStamp();

constexpr int CARRY_GROUP_COUNT = 25;
// The stage flags and common variables of a new progress.
constexpr std::size_t STAGE_FLAG_COUNT = 1000;
constexpr std::size_t COMMON_VARIABLE_COUNT = 256;
constexpr std::int32_t UNLIMITED_LIVES = 999999;

// The carry-over record of one player: the hero's definition and five words.
class cEdStageTableA : public cSerialRecord {
  public:
    cEdCharaDef m_Chara;
    std::int32_t w1 = 0, w2 = 0, w3 = 0, w4 = 0, w5 = 0;

    cEdStageTableA();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
};

// The best value reached in one stage.
class cEdStageTableB : public cSerialRecord {
  public:
    std::string m_strStage;
    std::int32_t m_nValue = 0;

    cEdStageTableB();
    void RegisterMembers(std::int32_t version) override;
};

// One challenge stage: cleared, and the best tallied score reached in it.
class cEdStageTableC : public cSerialRecord {
  public:
    std::int32_t w1 = 0;
    std::int32_t w2 = 0;

    cEdStageTableC();
    void RegisterMembers(std::int32_t version) override;
};

// An entry of the slot list the menus show.
struct cSaveSlotInfo {
    std::int32_t bUsed = 0;
    SAVESTAMP stamp;
};

class cSaveData : public cSerialRecord {
  public:
    std::int32_t m_bCarryOver = 0;       // 1
    std::int32_t m_nMapX = 0;            // 2 marker column on the world map
    std::int32_t m_nMapY = 0;            // 3
    std::int32_t m_nNodeEntry = 0;       // 4 node entry the story stage was started from
    std::int32_t m_nStageCounter = 0;    // 5
    std::int32_t m_nStageNo = 0;         // 6 stage flag number / challenge stage from 1
    std::int32_t m_nStagePart = 0;       // 7 part of a numbered stage
    std::int32_t m_nStartLives = 0;      // 8
    std::int32_t m_nLives = 0;           // 9 999999: unlimited
    std::int32_t m_nScore = 0;           // 10
    std::int32_t m_nTotalScore = 0;      // 11 ranking genre 0
    std::int32_t m_nValueTotal = 0;      // 12 total of the stage values
    std::int32_t m_nTotalRemainTime = 0; // 13 genre 1
    std::int32_t m_nTotalClearTime = 0;  // 14 genre 2
    std::int32_t m_nTotalHP = 0;         // 15 genre 3 (since 182)
    std::int32_t m_nTotalSP = 0;         // 16 genre 4 (since 182)
    std::int32_t m_bNumberedStage = 0;   // 17
    std::int32_t m_nStageBgm = 0;        // 18
    std::int32_t m_nStageBgmLoop = 0;    // 19 (since 166)
    std::int32_t m_nMarkerFacing = 0;    // 20 0 down, 1 up, 2 left, 3 right (since 194)
    std::int32_t m_bReturnMarker = 0;    // 21 (since 190)
    std::int32_t m_nPrevMapX = 0;        // 22 (since 191)
    std::int32_t m_nPrevMapY = 0;        // 23 (since 191)
    std::int32_t m_nChallengeOpened = 0; // 24
    std::int32_t m_nLastSlot = 0;        // 25 -1: none
    std::int32_t m_bAutoSave = 0;        // 26 (since 169)
    std::int32_t m_bRankingView = 0;     // 27
    std::int32_t m_nRankingGenre = 0;    // 28
    std::int32_t m_bNextStart = 0;       // 29 (since 678)
    std::int32_t m_nNextStartX = 0;      // 30 (since 678)
    std::int32_t m_nNextStartY = 0;      // 31 (since 678)
    std::int32_t m_nNextStartFacing = 0; // 32 (since 679)

    std::string m_strStageName;
    std::string m_strText2; // since 724; stored and carried only
    std::string g_strRankingName;

    SAVESTAMP m_Stamp;
    std::vector<std::int32_t> m_vnCarryFlags; // one per carry-over group (since 501)
    cCheckedVector<cEdStageTableA> m_CarryRecords;
    cCheckedVector<cEdStageTableB> m_StageValues;
    cCheckedVector<cEdStageTableC> m_ChallengeStages;
    std::vector<std::int32_t> m_vnStageFlags;
    std::vector<std::int32_t> m_vnCommonVars;

    cSaveData();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;

    // Writes slot n (from 0) with the local time as its stamp. False (and an error box) when the
    // file could not be written; the slot list then stays as it was.
    bool WriteSlot(int n);
    // Loads slot n; a missing file leaves the progress unchanged. Returns 1.
    int LoadSlot(int n);
    // 0 when "Challenge.dat" is missing, or damaged (then moved aside and told; the record may be
    // partly read and is to be reset).
    int LoadChallenge();

    void RecordStageValue(const std::string& stage, std::int32_t value);
    std::int32_t FindStageValue(const std::string& stage) const;
    // Field 12: the values of the stages named by the world map.
    void SumStageValues();
    void MarkStageStart();
    void RestoreStageStart(bool retry);
    void AdvanceStage();

    // Carry-over of player p's hero from stage to stage.
    void StoreCarryOver(int p, const cEdCharaDef& hero, std::int32_t counter1, std::int32_t counter2,
                        std::uint16_t effect, std::uint8_t effectMode, std::uint8_t effectLoop,
                        std::int32_t w3, std::int32_t w4, std::int32_t w5);
    // Copies the carried groups into the hero; w3 to w5 into the given targets (when not null).
    void LoadCarryOver(int p, cEdCharaDef& hero, std::int32_t* w3 = nullptr, std::int32_t* w4 = nullptr,
                       std::int32_t* w5 = nullptr);
    void LoadCarryOverCounters(int p, std::int32_t& counter1, std::int32_t& counter2);
    void ClearCarryOverFlags();

    // The name given to a slot file: "user_data\story\Story" + at least two digits of n + 1 + ".dat".
    static std::string SlotFileName(int n);

  private:
    void Normalise();
    // Fields 8 and 9 after loading a story slot (mode 0) or the challenge progress (mode 1).
    void ApplyLivesRule(int mode);
    bool CarryEnabled(int group) const;

    std::vector<std::int32_t> m_vnCommonVarsAtStart;
    std::int32_t m_nLivesAtStart = 0;
    std::int32_t m_nTotalScoreAtStart = 0;
};

// The name a stage file is kept under: "c01-1.stg4" -> "c01." (numbered), "stage.stg4" -> "stage.",
// a name with neither a dot nor the mark -> "". `numbered` (when given) is set to 1 or 0.
std::string StageNameOf(const char* fileName, std::int32_t* numbered);
// Stage name as the save data keeps it: "c01-1.stg4" -> "c01." (numbered), "stage.stg4" -> "stage.".
// Sets field 17 of the save.
void SetCurrentStageName(cSaveData& save, const char* fileName);

// The reset shared by new games, play files and a missing challenge file: every field 0, 25 carry
// flags 0, one default carry record, 1000 stage flags (flag 0 set), 256 common variables, no stage
// values or challenge stages, challenge progress 1, no slot, ranking name "aaa".
void ResetSaveData(cSaveData& save);

// The slot list shown by the menus, filled by BuildSaveSlotList and updated by WriteSlot.
extern cCheckedVector<cSaveSlotInfo> g_SaveSlotList;
void BuildSaveSlotList(cCheckedVector<cSaveSlotInfo>& slots);

extern cSaveData g_SaveData;
extern cSaveData g_SaveSnapshotA;
extern cSaveData g_SaveSnapshotB;
