// The stage record: settings, placed blocks, characters and items, the stage's own palettes, the
// result-item switches, five out-of-area limit records, backgrounds and texts.
//
// Stage file (after the version word):
//   the stage's chunk (98 fields, 416 bytes, and one string at the current version);
//   u32 n + n i32 result-item switches; the five limit records' chunks;
//   block, character and item palettes (u32 count + chunks each);
//   placed blocks, characters and items (u32 count, then per record a 4-byte word 0 + its chunk);
//   backgrounds and texts (u32 count + chunks each);
//   from version 173 on, the end marker 123456789 (bytes 15 CD 5B 07).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/checked_containers.h"
#include "records/ed_block_def.h"
#include "records/ed_chara_def.h"
#include "records/ed_item_def.h"
#include "records/ed_stage_sub.h"
#include "records/serial_record.h"

constexpr std::uint32_t STAGE_END_MARKER = 123456789;
// Files from this version on end with the end marker.
constexpr std::int32_t VERSION_STAGE_END_MARKER = 173;
constexpr int STAGE_LIMIT_RECORDS = 5;
constexpr int RESULT_ITEM_COUNT = 5;
// The most steps a frame is computed in, whatever level a file holds.
constexpr std::int32_t MAX_FRAME_MUL = 20;
// The border of blocks around the play area in the grid that stage set-up builds.
constexpr std::int32_t STAGE_GRID_BORDER = 10;
// The most blocks a side of the play area may have: the view measures the grid (the side and its
// two borders) in pixels, 32 a block, in an int.
constexpr std::int32_t STAGE_SIDE_MAX = INT32_MAX / 32 - 2 * STAGE_GRID_BORDER;
// What one grid cell costs in memory at set-up: its block and the block's extras (stage set-up
// checks this against the types it builds).
constexpr std::uint64_t STAGE_CELL_BYTES = 72;
// The most sub-steps of a frame in which the hit tests run (field 23; 0 is every sub-step).
constexpr std::int32_t STEP_SCHEDULE_COUNT_MAX = 5;
// The largest object size or range in pixels (either sign) a stage keeps when it is read.
constexpr std::int32_t STAGE_MAX_OBJECT_SIZE = 32767;

class cEdStage : public cSerialRecord {
  public:
    // Registered for the current version with the defaults of Clear.
    cEdStage();
    cEdStage(const cEdStage&) = default;
    cEdStage& operator=(const cEdStage&) = default;
    ~cEdStage() override;

    // The defaults: placed lists empty, each palette one default entry, the fields' defaults,
    // five result-item switches of 1, the five limit records' defaults.
    void Clear();
    void RegisterMembers(std::int32_t version) override;
    // Reads a stage file body (after the version word). False when the file is damaged or short;
    // the record is then partly read. References to the stage palette are resolved against this
    // stage's own palettes, whether or not it is the running stage.
    bool Load(std::FILE* fp) override;
    // Normalises, then writes the body and the end marker.
    bool Save(std::FILE* fp) override;
    // Writes a stage body for a replay: the fields, switches, limits, backgrounds, texts and
    // palettes of `original` (the stage as loaded), the placed lists of this record.
    bool SaveForReplay(std::FILE* fp, cEdStage& original);

    // Scroll limits clamped, object sizes kept within STAGE_MAX_OBJECT_SIZE, timing values
    // derived, music and references checked (those to the stage palette against this stage's
    // own), palettes of at least 2 entries.
    void Normalise();
    // The stage's object sizes and ranges in pixels (fields 36-47, 60-77, 80 and 81).
    std::vector<std::int32_t*> ObjectSizes();
    // Stores the collision level and derives the timing values from it.
    void SetHitLevel(std::int32_t level);
    // Index of the first placed character with a picture and controller 0 (player); -1 if none.
    int FindHero() const;
    bool HasHero() const { return FindHero() != -1; }

    // The lists.
    cCheckedVector<cEdBlockDef> m_Blocks;
    cCheckedVector<cEdCharaDef> m_Charas;
    cCheckedVector<cEdItemDef> m_Items;
    cCheckedVector<cEdBlockDef> m_PaletteBlocks;
    cCheckedVector<cEdCharaDef> m_PaletteCharas;
    cCheckedVector<cEdItemDef> m_PaletteItems;
    cCheckedVector<cEdStageTableD> m_Backgrounds;
    cCheckedVector<cEdStageTableE> m_Texts;
    std::string m_strText;

    // Fields 1 to 35.
    std::int32_t m_nWidth = 0;             // 1: play area width in blocks
    std::int32_t m_nCarried2 = 0;          // 2: carried
    std::int32_t m_nCarried3 = 0;          // 3: carried
    std::int32_t m_nHeight = 0;            // 4: play area height in blocks
    std::int32_t m_nScrollLimitLeft = 0;   // 5
    std::int32_t m_nScrollLimitRight = 0;  // 6
    std::int32_t m_nScrollLimitTop = 0;    // 7
    std::int32_t m_nScrollLimitBottom = 0; // 8
    std::int32_t m_nLimitLeftCol = 0;      // 9
    std::int32_t m_nLimitRightCol = 0;     // 10
    std::int32_t m_nLimitTopRow = 0;       // 11
    std::int32_t m_nLimitBottomRow = 0;    // 12
    std::int32_t m_nFrameRate = 60;        // 13
    std::int32_t m_nTimeLimitOn = 0;       // 14
    std::int32_t m_nTimeLimit = 200;       // 15: seconds
    std::int32_t m_nTimeWarning = 20;      // 16: seconds
    std::int32_t m_nScrollModeH = 0;       // 17: 0 follow the hero, 1 automatic
    std::int32_t m_nScrollModeV = 0;       // 18
    std::int32_t m_nAutoScrollSpeedH = 0;  // 19: tenths of a pixel per frame
    std::int32_t m_nAutoScrollSpeedV = 0;  // 20
    double m_dGravityBase = 0.4;           // 21
    std::int32_t m_nHitLevel = 10;         // 22: collision level 1-19
    std::int32_t m_nHitLevel2 = 0;         // 23: hit-test sub-steps 0-5
    std::int32_t m_nBgm = 0;               // 24: music record number
    std::int32_t m_nBgmLoop = 0;           // 25: from 166
    std::int32_t m_nKeepBgm = 0;           // 26: from 199
    std::int32_t m_nDrawPriority = 1;      // 27
    std::int32_t m_nTakeOver = 0;          // 28
    std::int32_t m_nHandOver = 0;          // 29
    std::int32_t m_nResultAutoAdvance = 0; // 31: from 184 (lies before field 30)
    std::int32_t m_nStatusDisplay = 1;     // 30: from 183
    std::int32_t m_nStartBanner1 = 0;      // 32
    std::int32_t m_nStartBanner2 = 1;      // 33: from 225
    std::int32_t m_nClearBanner = 1;       // 34
    std::int32_t m_nGameOverBanner = 1;    // 35

    // Result items (score, remaining time, clear time, remaining HP, remaining SP): 0 leaves the
    // item out of the result window and ranking.
    std::vector<std::int32_t> m_ResultItems;
    // Out-of-area limits: two character groups, items, two shot groups.
    cEdStageSub m_Limits[STAGE_LIMIT_RECORDS];

    // Fields 36 to 84: object sizes in pixels, placements, displays and colours.
    std::int32_t m_nHeroBodyW = 16;              // 36: from 200
    std::int32_t m_nHeroBodyH = 24;              // 37: from 200
    std::int32_t m_nHeroBodyFlyW = 16;           // 38: from 200
    std::int32_t m_nHeroBodyFlyH = 16;           // 39: from 200
    std::int32_t m_nHeroCharaRangeW = 16;        // 40
    std::int32_t m_nHeroCharaRangeH = 24;        // 41
    std::int32_t m_nHeroCharaRangeFlyW = 16;     // 42: from 155
    std::int32_t m_nHeroCharaRangeFlyH = 16;     // 43: from 155
    std::int32_t m_nHeroShotRangeW = 12;         // 44
    std::int32_t m_nHeroShotRangeH = 8;          // 45
    std::int32_t m_nHeroItemRangeW = 16;         // 46
    std::int32_t m_nHeroItemRangeH = 16;         // 47
    std::int32_t m_nHeroBodyPlace = 1;           // 48: from 200
    std::int32_t m_nHeroBodyFlyPlace = 0;        // 49: from 200
    std::int32_t m_nHeroCharaRangePlace = 1;     // 50: from 155
    std::int32_t m_nHeroCharaRangeFlyPlace = 0;  // 51: from 155
    std::int32_t m_nHeroBodyDisplay = 0;         // 52: from 200
    std::int32_t m_nHeroCharaRangeDisplay = 0;   // 53
    std::int32_t m_nHeroShotRangeDisplay = 0;    // 54
    std::int32_t m_nHeroItemRangeDisplay = 0;    // 55
    std::int32_t m_nHeroBodyColour = 0;          // 56: from 200
    std::int32_t m_nHeroCharaRangeColour = 0;    // 57
    std::int32_t m_nHeroShotRangeColour = 0;     // 58
    std::int32_t m_nHeroItemRangeColour = 0;     // 59
    std::int32_t m_nCharaBodyW = 16;             // 60: from 200
    std::int32_t m_nCharaBodyH = 24;             // 61: from 200
    std::int32_t m_nCharaBodyFlyW = 16;          // 62: from 200
    std::int32_t m_nCharaBodyFlyH = 16;          // 63: from 200
    std::int32_t m_nCharaCharaRangeW = 12;       // 64
    std::int32_t m_nCharaCharaRangeH = 24;       // 65
    std::int32_t m_nCharaCharaRangeFlyW = 12;    // 66: from 155
    std::int32_t m_nCharaCharaRangeFlyH = 16;    // 67: from 155
    std::int32_t m_nCharaShotRangeW = 30;        // 68
    std::int32_t m_nCharaShotRangeH = 30;        // 69
    std::int32_t m_nCharaBodyPlace = 1;          // 70: from 200
    std::int32_t m_nCharaBodyFlyPlace = 0;       // 71: from 200
    std::int32_t m_nCharaCharaRangePlace = 1;    // 72: from 155
    std::int32_t m_nCharaCharaRangeFlyPlace = 0; // 73: from 155
    std::int32_t m_nItemRangeW = 28;             // 74
    std::int32_t m_nItemRangeH = 28;             // 75
    std::int32_t m_nHeroShotCharaRangeW = 16;    // 76
    std::int32_t m_nHeroShotCharaRangeH = 16;    // 77
    std::int32_t m_nCarried78 = 16;              // 78: carried
    std::int32_t m_nCarried79 = 16;              // 79: carried
    std::int32_t m_nCharaShotCharaRangeW = 16;   // 80
    std::int32_t m_nCharaShotCharaRangeH = 16;   // 81
    std::int32_t m_nCarried82 = 16;              // 82: carried
    std::int32_t m_nCarried83 = 16;              // 83: carried
    std::int32_t m_nCarried84 = 1;               // 84: carried

    // Not stored: where the stage was loaded from, and how.
    std::string m_strPath;
    std::int32_t m_nNewest = 0; // 1: the name was completed with the highest revision
    std::int32_t m_nLoaded = 0; // 1: the loading thread read the file

    std::int32_t m_nExtentX = 0;     // 85: objects stay within 0 .. field 85 + 640 pixels
    std::int32_t m_nExtentY = 0;     // 86
    std::int32_t m_nFramePeriod = 0; // not stored: 6 x the frame multiplier

    // Fields 87 to 98; 87 to 93 are derived by SetHitLevel.
    std::int32_t m_nFrameMul = 0;        // 87: steps per frame (e)
    double m_dFrameScale = 0.0;          // 88: e
    double m_dFrameScale2 = 0.0;         // 89: e x e
    double m_dBaseSpeed = 0.0;           // 90
    double m_dGravity = 0.0;             // 91: field 21 / (e x e)
    double m_dMaxSpeed = 0.0;            // 92
    std::int32_t m_nFrameMul8 = 0;       // 93: 8 x e
    std::int32_t m_nActiveOnly = 1;      // 94
    std::int32_t m_nHeroHitRepeat = 30;  // 95: frames (times e)
    std::int32_t m_nHeroInvincible = 0;  // 96
    std::int32_t m_nCharaHitRepeat = 30; // 97
    std::int32_t m_nCharaInvincible = 0; // 98

  private:
    void SetFieldDefaults();
    void UpgradeOldVersion(std::int32_t version);
};

// Cells of the grid that stage set-up builds for a play area of w x h blocks: the area with a
// border of STAGE_GRID_BORDER blocks on every side, rows padded to a power of two (a negative side
// counts as 0).
std::uint64_t StageGridCells(std::int32_t width, std::int32_t height);
// Whether a play area of w x h blocks can be played here: each side is from 0 to STAGE_SIDE_MAX, and
// its grid, at STAGE_CELL_BYTES a cell, fits in the machine's memory (`memoryBytes`; 0 asks the
// machine). A grid that passes but cannot be allocated is reported as a lack of memory where it is
// built.
bool StageSizeAccepted(std::int32_t width, std::int32_t height, std::uint64_t memoryBytes = 0);

// Fills a definition list up to n entries with cleared records (longer lists are kept).
void PadBlockList(cCheckedVector<cEdBlockDef>& list, std::size_t n);
void PadCharaList(cCheckedVector<cEdCharaDef>& list, std::size_t n);
void PadItemList(cCheckedVector<cEdItemDef>& list, std::size_t n);
// Validates every record of the three lists (both validations of each record type).
void ValidateDefLists(cCheckedVector<cEdBlockDef>& blocks, cCheckedVector<cEdCharaDef>& charas,
                      cCheckedVector<cEdItemDef>& items);
// Reads a palette list: u32 count, then count records registered for the current version and
// cleared, each loaded in order.
bool LoadBlockPalette(std::FILE* fp, cCheckedVector<cEdBlockDef>& list);
bool LoadCharaPalette(std::FILE* fp, cCheckedVector<cEdCharaDef>& list);
bool LoadItemPalette(std::FILE* fp, cCheckedVector<cEdItemDef>& list);
