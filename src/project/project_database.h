// The project database (the ten lists of "data\database\") and the run-time tables derived from
// it at start-up.
#pragma once

#include "app/checked_containers.h"
#include "project/database_records.h"
#include "records/serial_record.h"

#include <cstdint>

class cProjectDatabase : public cSerialRecord {
  public:
    cCheckedVector<cEdAnimeSet> m_AnimeSets;
    cCheckedVector<cEdAnime> m_Animes;
    cCheckedVector<cEdBmpCharaExc> m_CharaBmps;
    cCheckedVector<cEdSwordType> m_SwordTypes;
    cCheckedVector<cEdEffect> m_Effects;
    cCheckedVector<cEffectRecord> m_CharaEffects;
    cCheckedVector<cScrEffectRecord> m_ScrEffects;
    cCheckedVector<cEdPicture> m_Pictures;
    cCheckedVector<cEdSound> m_Sounds;
    cCheckedVector<cEdBgm> m_Bgms;
    // Working copies from which the reverse effect entries are prepared.
    cCheckedVector<cEffectRecord> m_CharaEffectsRev;
    cCheckedVector<cScrEffectRecord> m_ScrEffectsRev;

    cProjectDatabase();
    // The object is never stored as a whole: it declares no member.
    void RegisterMembers(std::int32_t version) override;
    void SetDefaults();
    // Reads the ten files in order. A file that cannot be opened or read completely shows
    // "%s のロードに失敗！" with its path and ends the load with false.
    using cSerialRecord::Load;
    bool Load();
    void ClearNoneKinds();
    // Fills the working copies of the character-effect and screen-effect lists.
    void FillWorkingCopies();
};

extern cProjectDatabase g_Database;

// The ten database files in reading order.
constexpr int DATABASE_FILE_COUNT = 10;
extern const char* const g_DatabaseFiles[DATABASE_FILE_COUNT];

// A frame of a run-time animation sequence: a picture cell (or a negative control code), its
// duration in frames and whether the sequence may be switched away while it shows.
struct cAnimFrame {
    std::int32_t nPattern = 0;
    std::int32_t nDuration = 0;
    std::int32_t nFlag = 0;
    bool operator==(const cAnimFrame&) const = default;
};

constexpr std::int32_t ANIM_CODE_LOOP = -2; // back to the first frame
constexpr std::int32_t ANIM_CODE_END = -4;  // the animation has ended

using cAnimSeqFrames = cCheckedVector<cAnimFrame>;

// A prepared character-effect or screen-effect entry: its source record (the database list for
// the forward entry, the working copy for the reverse one) and its run in frames.
struct cCharaEffect {
    const cEffectRecord* m_lpSource = nullptr;
    std::int32_t m_nIndex = 0;
    std::int32_t m_nKind = 0;
    std::int32_t m_nFrames = 0;
    std::int32_t m_bReverse = 0;
    // Prepares entry `index` from the database (flag 0) or from its working copy (flag 1),
    // whose start and end parameters are exchanged first.
    void Init(int index, int flag);
};

struct cScreenEffect {
    const cScrEffectRecord* m_lpSource = nullptr;
    std::int32_t m_nIndex = 0;
    std::int32_t m_nKind = 0;
    std::int32_t m_nFrames = 0;
    std::int32_t m_bReverse = 0;
    void Init(int index, int flag);
};

extern cCheckedVector<cAnimSeqFrames> g_AnimeSeqTable;
extern cCheckedVector<cAnimSeqFrames> g_EffectSeqTable;
extern cCheckedVector<cCharaEffect> g_CharaEffectTable;
extern cCheckedVector<cCharaEffect> g_CharaEffectTableRev;
extern cCheckedVector<cScreenEffect> g_ScrEffectTable;
extern cCheckedVector<cScreenEffect> g_ScrEffectTableRev;

// Tenths of a second in frames (x 6). A stored time too large for the result saturates instead of
// wrapping round.
std::int32_t TenthsToFrames(std::int32_t tenths);

void BuildAnimeTable(cCheckedVector<cAnimSeqFrames>& table);
void BuildEffectTable(cCheckedVector<cAnimSeqFrames>& table);
void BuildCharaEffectTables(cCheckedVector<cCharaEffect>& forward, cCheckedVector<cCharaEffect>& reverse);
void BuildScrEffectTables(cCheckedVector<cScreenEffect>& forward, cCheckedVector<cScreenEffect>& reverse);

// The database step of start-up: loads g_Database (on failure "データベースの読み込みに失敗…" to
// the report log and in a box, result false), then fills the working copies and builds the
// run-time tables. Run once.
bool LoadProjectDatabase();
