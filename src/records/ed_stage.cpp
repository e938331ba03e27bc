#include "records/ed_stage.h"

#include <algorithm>
#include <stdio_ext.h>

#include "platform/system_info.h"
#include "records/def_env.h"

namespace {

// Versions that changed the stage layout or meaning.
constexpr std::int32_t VERSION_FLY_RANGES = 155;
constexpr std::int32_t VERSION_BGM_LOOP = 166;
constexpr std::int32_t VERSION_RESULT_ITEMS = 181;
constexpr std::int32_t VERSION_STATUS_DISPLAY = 183;
constexpr std::int32_t VERSION_RESULT_ADVANCE = 184;
constexpr std::int32_t VERSION_KEEP_BGM = 199;
constexpr std::int32_t VERSION_BODY_SIZES = 200;
constexpr std::int32_t VERSION_START_BANNER2 = 225;

// The smallest chunk of each definition: no fields, no strings, empty extras.
constexpr std::size_t MIN_BLOCK_BYTES = MIN_CHUNK_BYTES + 4 + 4 + 4;
constexpr std::size_t MIN_CHARA_BYTES = MIN_CHUNK_BYTES + 8 + 4 + 4 + 4;
constexpr std::size_t MIN_ITEM_BYTES = MIN_CHUNK_BYTES + 4 + 4 + 4 + 4;
// Placed definitions are preceded by a 4-byte word.
constexpr std::size_t PLACED_WORD_BYTES = 4;

template <class T> bool LoadPalette(std::FILE* fp, cCheckedVector<T>& list, std::size_t minBytes) {
    std::uint32_t count = 0;
    if (!ReadListCount(fp, count, minBytes)) return false;
    list.clear();
    T prototype;
    prototype.RegisterMembers(DATA_VERSION_CURRENT);
    prototype.Clear();
    list.resize(count, prototype);
    for (T& record : list)
        if (!record.Load(fp)) return false;
    return true;
}

template <class T> bool LoadPlacedList(std::FILE* fp, cCheckedVector<T>& list, std::size_t minBytes) {
    std::uint32_t count = 0;
    // A count of more records than the rest of the file can hold is a damaged file.
    if (!ReadListCount(fp, count, minBytes + PLACED_WORD_BYTES)) return false;
    // Records already in the list are read over; records added are new and cleared. Each new
    // record is made just before it is read, while its memory is still at hand.
    T prototype;
    prototype.RegisterMembers(DATA_VERSION_CURRENT);
    prototype.Clear();
    if (list.size() > count) list.resize(count);
    list.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (i == list.size()) list.push_back(prototype);
        std::int32_t word = 0;
        // Load leaves the record registered for the current version. A damaged file still leaves
        // the list at its stated length.
        if (!ReadI32(fp, word) || !list[i].Load(fp)) {
            list.resize(count, prototype);
            return false;
        }
    }
    return true;
}

template <class T> bool SavePlacedList(std::FILE* fp, cCheckedVector<T>& list) {
    if (!WriteU32(fp, static_cast<std::uint32_t>(list.size()))) return false;
    for (T& record : list)
        if (!WriteI32(fp, 0) || !record.Save(fp)) return false;
    return true;
}

template <class T> void PadList(cCheckedVector<T>& list, std::size_t n) {
    if (list.size() >= n) return;
    T prototype;
    prototype.RegisterMembers(DATA_VERSION_CURRENT);
    prototype.Clear();
    list.resize(n, prototype);
}

// Lowers value to bound when above it.
void LowerTo(std::int32_t& value, std::int64_t bound) {
    if (value > bound) value = static_cast<std::int32_t>(std::max<std::int64_t>(bound, INT32_MIN));
}

} // namespace

cEdStage::cEdStage() {
    RegisterMembers(g_nDataVersion);
    Clear();
}

cEdStage::~cEdStage() = default;

void cEdStage::Clear() {
    Reset();
    m_Blocks.clear();
    m_Charas.clear();
    m_Items.clear();
    m_PaletteBlocks.assign(1, cEdBlockDef());
    m_PaletteCharas.assign(1, cEdCharaDef());
    m_PaletteItems.assign(1, cEdItemDef());
    SetFieldDefaults();
    m_ResultItems.assign(RESULT_ITEM_COUNT, 1);
    for (cEdStageSub& limit : m_Limits)
        limit.Set(0, 0, 0, 0, 0, 0, 0, 0);
    m_Limits[3].Set(1, 1, 1, 1, 0, 0, 0, 0);
    m_Limits[4].Set(1, 1, 1, 1, 10, 10, 10, 10);
}

void cEdStage::SetFieldDefaults() {
    m_nFrameRate = 60;
    m_nTimeLimit = 200;
    m_nTimeWarning = 20;
    m_dGravityBase = 0.4;
    m_nHitLevel = 10;
    m_nDrawPriority = 1;
    m_nStatusDisplay = 1;
    m_nStartBanner2 = 1;
    m_nClearBanner = 1;
    m_nGameOverBanner = 1;
    m_nHeroBodyW = 16;
    m_nHeroBodyH = 24;
    m_nHeroBodyFlyW = 16;
    m_nHeroBodyFlyH = 16;
    m_nHeroCharaRangeW = 16;
    m_nHeroCharaRangeH = 24;
    m_nHeroCharaRangeFlyW = 16;
    m_nHeroCharaRangeFlyH = 16;
    m_nHeroShotRangeW = 12;
    m_nHeroShotRangeH = 8;
    m_nHeroItemRangeW = 16;
    m_nHeroItemRangeH = 16;
    m_nHeroBodyPlace = 1;
    m_nHeroCharaRangePlace = 1;
    m_nCharaBodyW = 16;
    m_nCharaBodyH = 24;
    m_nCharaBodyFlyW = 16;
    m_nCharaBodyFlyH = 16;
    m_nCharaCharaRangeW = 12;
    m_nCharaCharaRangeH = 24;
    m_nCharaCharaRangeFlyW = 12;
    m_nCharaCharaRangeFlyH = 16;
    m_nCharaShotRangeW = 30;
    m_nCharaShotRangeH = 30;
    m_nCharaBodyPlace = 1;
    m_nCharaCharaRangePlace = 1;
    m_nItemRangeW = 28;
    m_nItemRangeH = 28;
    m_nHeroShotCharaRangeW = 16;
    m_nHeroShotCharaRangeH = 16;
    m_nCarried78 = 16;
    m_nCarried79 = 16;
    m_nCharaShotCharaRangeW = 16;
    m_nCharaShotCharaRangeH = 16;
    m_nCarried82 = 16;
    m_nCarried83 = 16;
    m_nCarried84 = 1;
    m_nActiveOnly = 1;
    m_nHeroHitRepeat = 30;
    m_nCharaHitRepeat = 30;
}

void cEdStage::RegisterMembers(std::int32_t v) {
    ClearMembers();
    DeclareStringField(&m_strText);
    DeclareField(&m_nWidth);
    DeclareField(&m_nCarried2);
    DeclareField(&m_nCarried3);
    DeclareField(&m_nHeight);
    DeclareField(&m_nScrollLimitLeft);
    DeclareField(&m_nScrollLimitRight);
    DeclareField(&m_nScrollLimitTop);
    DeclareField(&m_nScrollLimitBottom);
    DeclareField(&m_nLimitLeftCol);
    DeclareField(&m_nLimitRightCol);
    DeclareField(&m_nLimitTopRow);
    DeclareField(&m_nLimitBottomRow);
    DeclareField(&m_nFrameRate);
    DeclareField(&m_nTimeLimitOn);
    DeclareField(&m_nTimeLimit);
    DeclareField(&m_nTimeWarning);
    DeclareField(&m_nScrollModeH);
    DeclareField(&m_nScrollModeV);
    DeclareField(&m_nAutoScrollSpeedH);
    DeclareField(&m_nAutoScrollSpeedV);
    DeclareField(&m_dGravityBase);
    DeclareField(&m_nHitLevel);
    DeclareField(&m_nHitLevel2);
    DeclareField(&m_nBgm);
    if (v >= VERSION_BGM_LOOP) DeclareField(&m_nBgmLoop);
    if (v >= VERSION_KEEP_BGM) DeclareField(&m_nKeepBgm);
    DeclareField(&m_nDrawPriority);
    DeclareField(&m_nTakeOver);
    DeclareField(&m_nHandOver);
    if (v >= VERSION_STATUS_DISPLAY) DeclareField(&m_nStatusDisplay);
    if (v >= VERSION_RESULT_ADVANCE) DeclareField(&m_nResultAutoAdvance);
    DeclareField(&m_nStartBanner1);
    if (v >= VERSION_START_BANNER2) DeclareField(&m_nStartBanner2);
    DeclareField(&m_nClearBanner);
    DeclareField(&m_nGameOverBanner);
    const bool bodies = v >= VERSION_BODY_SIZES;
    const bool flyRanges = v >= VERSION_FLY_RANGES;
    if (bodies) {
        DeclareField(&m_nHeroBodyW);
        DeclareField(&m_nHeroBodyH);
        DeclareField(&m_nHeroBodyFlyW);
        DeclareField(&m_nHeroBodyFlyH);
    }
    DeclareField(&m_nHeroCharaRangeW);
    DeclareField(&m_nHeroCharaRangeH);
    if (flyRanges) {
        DeclareField(&m_nHeroCharaRangeFlyW);
        DeclareField(&m_nHeroCharaRangeFlyH);
    }
    DeclareField(&m_nHeroShotRangeW);
    DeclareField(&m_nHeroShotRangeH);
    DeclareField(&m_nHeroItemRangeW);
    DeclareField(&m_nHeroItemRangeH);
    if (bodies) {
        DeclareField(&m_nHeroBodyPlace);
        DeclareField(&m_nHeroBodyFlyPlace);
    }
    if (flyRanges) {
        DeclareField(&m_nHeroCharaRangePlace);
        DeclareField(&m_nHeroCharaRangeFlyPlace);
    }
    if (bodies) DeclareField(&m_nHeroBodyDisplay);
    DeclareField(&m_nHeroCharaRangeDisplay);
    DeclareField(&m_nHeroShotRangeDisplay);
    DeclareField(&m_nHeroItemRangeDisplay);
    if (bodies) DeclareField(&m_nHeroBodyColour);
    DeclareField(&m_nHeroCharaRangeColour);
    DeclareField(&m_nHeroShotRangeColour);
    DeclareField(&m_nHeroItemRangeColour);
    if (bodies) {
        DeclareField(&m_nCharaBodyW);
        DeclareField(&m_nCharaBodyH);
        DeclareField(&m_nCharaBodyFlyW);
        DeclareField(&m_nCharaBodyFlyH);
    }
    DeclareField(&m_nCharaCharaRangeW);
    DeclareField(&m_nCharaCharaRangeH);
    if (flyRanges) {
        DeclareField(&m_nCharaCharaRangeFlyW);
        DeclareField(&m_nCharaCharaRangeFlyH);
    }
    DeclareField(&m_nCharaShotRangeW);
    DeclareField(&m_nCharaShotRangeH);
    if (bodies) {
        DeclareField(&m_nCharaBodyPlace);
        DeclareField(&m_nCharaBodyFlyPlace);
    }
    if (flyRanges) {
        DeclareField(&m_nCharaCharaRangePlace);
        DeclareField(&m_nCharaCharaRangeFlyPlace);
    }
    DeclareField(&m_nItemRangeW);
    DeclareField(&m_nItemRangeH);
    DeclareField(&m_nHeroShotCharaRangeW);
    DeclareField(&m_nHeroShotCharaRangeH);
    DeclareField(&m_nCarried78);
    DeclareField(&m_nCarried79);
    DeclareField(&m_nCharaShotCharaRangeW);
    DeclareField(&m_nCharaShotCharaRangeH);
    DeclareField(&m_nCarried82);
    DeclareField(&m_nCarried83);
    DeclareField(&m_nCarried84);
    DeclareField(&m_nExtentX);
    DeclareField(&m_nExtentY);
    DeclareField(&m_nFrameMul);
    DeclareField(&m_dFrameScale);
    DeclareField(&m_dFrameScale2);
    DeclareField(&m_dBaseSpeed);
    DeclareField(&m_dGravity);
    DeclareField(&m_dMaxSpeed);
    DeclareField(&m_nFrameMul8);
    DeclareField(&m_nActiveOnly);
    DeclareField(&m_nHeroHitRepeat);
    DeclareField(&m_nHeroInvincible);
    DeclareField(&m_nCharaHitRepeat);
    DeclareField(&m_nCharaInvincible);
}

bool cEdStage::Load(std::FILE* fp) {
    // The file is read by this thread alone: no locking per read.
    __fsetlocking(fp, FSETLOCKING_BYCALLER);
    // Its definitions inherit from, and refer to, this stage's palettes, whichever stage runs.
    const cOwnStagePalettes own(*this);
    if (!cSerialRecord::Load(fp)) return false;
    // A negative play area, a side longer than the view can measure, or a grid this machine's
    // memory could never hold is a damaged file: it is refused before anything is built for it.
    if (!StageSizeAccepted(m_nWidth, m_nHeight)) return false;
    // Stage set-up loops over the hit-test sub-step count: it is kept to the editor's range.
    m_nHitLevel2 = std::clamp(m_nHitLevel2, 0, STEP_SCHEDULE_COUNT_MAX);
    if (!LoadI32Vector(fp, m_ResultItems)) return false;
    for (cEdStageSub& limit : m_Limits)
        if (!limit.Load(fp)) return false;

    if (!LoadBlockPalette(fp, m_PaletteBlocks)) return false;
    if (!LoadCharaPalette(fp, m_PaletteCharas)) return false;
    if (!LoadItemPalette(fp, m_PaletteItems)) return false;
    // Entry 0 of a palette means "none" and holds no data.
    if (!m_PaletteBlocks.empty()) m_PaletteBlocks[0].Clear();
    if (!m_PaletteCharas.empty()) m_PaletteCharas[0].Clear();
    if (!m_PaletteItems.empty()) m_PaletteItems[0].Clear();

    if (!LoadPlacedList(fp, m_Blocks, MIN_BLOCK_BYTES)) return false;
    if (!LoadPlacedList(fp, m_Charas, MIN_CHARA_BYTES)) return false;
    if (!LoadPlacedList(fp, m_Items, MIN_ITEM_BYTES)) return false;

    if (!LoadRecordList(fp, m_Backgrounds, cEdStageTableD())) return false;
    if (!LoadRecordList(fp, m_Texts, cEdStageTableE())) return false;

    const std::int32_t version = g_nLoadVersion;
    if (version >= VERSION_STAGE_END_MARKER) {
        std::uint32_t marker = 0;
        if (!ReadU32(fp, marker)) return false;
    }
    if (version < DATA_VERSION_CURRENT) UpgradeOldVersion(version);
    Normalise();
    return true;
}

void cEdStage::UpgradeOldVersion(std::int32_t v) {
    if (v < VERSION_FLY_RANGES) {
        m_nHeroCharaRangeFlyW = m_nHeroCharaRangeW;
        m_nHeroCharaRangeFlyH = m_nHeroCharaRangeH;
        m_nCharaCharaRangeFlyW = m_nCharaCharaRangeW;
        m_nCharaCharaRangeFlyH = m_nCharaCharaRangeH;
        m_nHeroCharaRangePlace = 0;
        m_nHeroCharaRangeFlyPlace = 0;
        m_nCharaCharaRangePlace = 0;
        m_nCharaCharaRangeFlyPlace = 0;
    }
    if (v < VERSION_BGM_LOOP) m_nBgmLoop = 1;
    if (v < VERSION_RESULT_ITEMS) {
        m_ResultItems.resize(RESULT_ITEM_COUNT, 0);
        m_ResultItems[3] = 0; // remaining HP
        m_ResultItems[4] = 0; // remaining SP
    }
    if (v < VERSION_STATUS_DISPLAY) m_nStatusDisplay = 1;
    if (v < VERSION_RESULT_ADVANCE) m_nResultAutoAdvance = 0;
    if (v < VERSION_KEEP_BGM) m_nKeepBgm = 0;
    if (v < VERSION_BODY_SIZES) {
        m_nHeroBodyW = 16;
        m_nHeroBodyH = 24;
        m_nHeroBodyFlyW = 16;
        m_nHeroBodyFlyH = 16;
        m_nHeroBodyPlace = 1;
        m_nHeroBodyFlyPlace = 0;
        m_nHeroBodyDisplay = 0;
        m_nHeroBodyColour = 5;
        m_nCharaBodyW = 16;
        m_nCharaBodyH = 30;
        m_nCharaBodyFlyW = 16;
        m_nCharaBodyFlyH = 30;
        m_nCharaBodyPlace = 1;
        m_nCharaBodyFlyPlace = 1;
    }
    if (v < VERSION_START_BANNER2) m_nStartBanner2 = 0;
}

bool cEdStage::Save(std::FILE* fp) {
    Normalise();
    if (!cSerialRecord::Save(fp)) return false;
    if (!SaveI32Vector(fp, m_ResultItems)) return false;
    for (cEdStageSub& limit : m_Limits)
        if (!limit.Save(fp)) return false;
    if (!SaveRecordList(fp, m_PaletteBlocks) || !SaveRecordList(fp, m_PaletteCharas) ||
        !SaveRecordList(fp, m_PaletteItems))
        return false;
    if (!SavePlacedList(fp, m_Blocks) || !SavePlacedList(fp, m_Charas) || !SavePlacedList(fp, m_Items))
        return false;
    if (!SaveRecordList(fp, m_Backgrounds) || !SaveRecordList(fp, m_Texts)) return false;
    return WriteU32(fp, STAGE_END_MARKER);
}

bool cEdStage::SaveForReplay(std::FILE* fp, cEdStage& original) {
    Normalise();
    if (!original.cSerialRecord::Save(fp)) return false;
    if (!SaveI32Vector(fp, original.m_ResultItems)) return false;
    for (cEdStageSub& limit : original.m_Limits)
        if (!limit.Save(fp)) return false;
    // The palettes as loaded: an arrangement made during play changes the running stage's item
    // commands, and a replay starting from those would arrange them a second time.
    if (!SaveRecordList(fp, original.m_PaletteBlocks) || !SaveRecordList(fp, original.m_PaletteCharas) ||
        !SaveRecordList(fp, original.m_PaletteItems))
        return false;
    if (!SavePlacedList(fp, m_Blocks) || !SavePlacedList(fp, m_Charas) || !SavePlacedList(fp, m_Items))
        return false;
    if (!SaveRecordList(fp, original.m_Backgrounds) || !SaveRecordList(fp, original.m_Texts)) return false;
    return WriteU32(fp, STAGE_END_MARKER);
}

void cEdStage::Normalise() {
    const std::int64_t width = m_nWidth;
    const std::int64_t height = m_nHeight;
    LowerTo(m_nLimitLeftCol, width - 20);
    LowerTo(m_nLimitRightCol, width - 1);
    LowerTo(m_nLimitTopRow, height - 15);
    LowerTo(m_nLimitBottomRow, height - 1);

    // The timing values live in the running stage, whichever stage is normalised.
    const cDefRecordEnv* env = DefRecordEnv();
    cEdStage* running = env ? env->RunningStage() : nullptr;
    if (!running) running = this;
    running->SetHitLevel(running->m_nHitLevel);

    if (IsOutsideList(m_nBgm, FlowRecordEnv().DatabaseCount(DbList::Bgms))) m_nBgm = 0;

    // Object sizes and ranges in pixels: one beyond any play area is brought to the bound (keeping
    // its sign), so that a size times the largest giant factor stays well inside an int.
    for (std::int32_t* size : ObjectSizes())
        *size = std::clamp(*size, -STAGE_MAX_OBJECT_SIZE, STAGE_MAX_OBJECT_SIZE);

    PadBlockList(m_PaletteBlocks, 2);
    PadCharaList(m_PaletteCharas, 2);
    PadItemList(m_PaletteItems, 2);
    // References to the stage palette name this stage's own entries.
    const cOwnStagePalettes own(*this);
    ValidateDefLists(m_PaletteBlocks, m_PaletteCharas, m_PaletteItems);
    ValidateDefLists(m_Blocks, m_Charas, m_Items);
}

std::vector<std::int32_t*> cEdStage::ObjectSizes() {
    return {
        &m_nHeroBodyW,           &m_nHeroBodyH,           &m_nHeroBodyFlyW,         &m_nHeroBodyFlyH,
        &m_nHeroCharaRangeW,     &m_nHeroCharaRangeH,     &m_nHeroCharaRangeFlyW,   &m_nHeroCharaRangeFlyH,
        &m_nHeroShotRangeW,      &m_nHeroShotRangeH,      &m_nHeroItemRangeW,       &m_nHeroItemRangeH,
        &m_nCharaBodyW,          &m_nCharaBodyH,          &m_nCharaBodyFlyW,        &m_nCharaBodyFlyH,
        &m_nCharaCharaRangeW,    &m_nCharaCharaRangeH,    &m_nCharaCharaRangeFlyW,  &m_nCharaCharaRangeFlyH,
        &m_nCharaShotRangeW,     &m_nCharaShotRangeH,     &m_nItemRangeW,           &m_nItemRangeH,
        &m_nHeroShotCharaRangeW, &m_nHeroShotCharaRangeH, &m_nCharaShotCharaRangeW, &m_nCharaShotCharaRangeH};
}

void cEdStage::SetHitLevel(std::int32_t level) {
    m_nHitLevel = level;
    // Levels 11 to 19 compute a frame in level - 10 steps at a fixed base speed. A level below 1
    // counts as 1, and no level makes more than MAX_FRAME_MUL steps.
    const bool fixedSpeed = level >= 11 && level <= 19;
    std::int32_t e = fixedSpeed ? level - 10 : level;
    e = std::clamp(e, 1, MAX_FRAME_MUL);
    m_nFrameMul = e;
    m_nFramePeriod = 6 * e;
    m_dFrameScale = static_cast<double>(e);
    m_dFrameScale2 = static_cast<double>(e) * static_cast<double>(e);
    m_dBaseSpeed = fixedSpeed ? 60.0 : 6.0 * e;
    m_dMaxSpeed = m_dBaseSpeed / e;
    m_dGravity = m_dGravityBase / (static_cast<double>(e) * static_cast<double>(e));
    m_nFrameMul8 = 8 * e;
}

int cEdStage::FindHero() const {
    for (std::size_t i = 0; i < m_Charas.size(); ++i)
        if (m_Charas[i].m_nPictureNo != 0 && m_Charas[i].m_nController == 0) return static_cast<int>(i);
    return -1;
}

std::uint64_t StageGridCells(std::int32_t width, std::int32_t height) {
    std::uint64_t pitch = 1;
    while (pitch < static_cast<std::uint64_t>(std::max(width, 0)) + 2 * STAGE_GRID_BORDER)
        pitch <<= 1;
    // At most 2^32 x (2^31 + 19): below 2^64.
    return pitch * (static_cast<std::uint64_t>(std::max(height, 0)) + 2 * STAGE_GRID_BORDER);
}

bool StageSizeAccepted(std::int32_t width, std::int32_t height, std::uint64_t memoryBytes) {
    if (width < 0 || height < 0 || width > STAGE_SIDE_MAX || height > STAGE_SIDE_MAX) return false;
    if (memoryBytes == 0) {
        // The machine's memory is asked once.
        static const std::uint64_t machine = [] {
            const sysinfo::Memory memory = sysinfo::GetMemory();
            return memory.totalPhys != 0 ? std::min(memory.totalPhys, memory.totalVirtual)
                                         : memory.totalVirtual;
        }();
        memoryBytes = machine;
    }
    // Within the side limit a grid has at most 2^52 cells: its bytes stay below 2^59.
    return StageGridCells(width, height) * STAGE_CELL_BYTES <= memoryBytes;
}

void PadBlockList(cCheckedVector<cEdBlockDef>& list, std::size_t n) {
    PadList(list, n);
}
void PadCharaList(cCheckedVector<cEdCharaDef>& list, std::size_t n) {
    PadList(list, n);
}
void PadItemList(cCheckedVector<cEdItemDef>& list, std::size_t n) {
    PadList(list, n);
}

void ValidateDefLists(cCheckedVector<cEdBlockDef>& blocks, cCheckedVector<cEdCharaDef>& charas,
                      cCheckedVector<cEdItemDef>& items) {
    for (cEdBlockDef& block : blocks) {
        ValidateBlockDef(block);
        ValidateItemRef(block);
    }
    for (cEdCharaDef& chara : charas) {
        ValidateCharaDef(chara);
        ValidateCharaCommands(chara);
    }
    for (cEdItemDef& item : items) {
        ValidateItemDef(item);
        ValidateItemCommands(item);
    }
}

bool LoadBlockPalette(std::FILE* fp, cCheckedVector<cEdBlockDef>& list) {
    return LoadPalette(fp, list, MIN_BLOCK_BYTES);
}
bool LoadCharaPalette(std::FILE* fp, cCheckedVector<cEdCharaDef>& list) {
    return LoadPalette(fp, list, MIN_CHARA_BYTES);
}
bool LoadItemPalette(std::FILE* fp, cCheckedVector<cEdItemDef>& list) {
    return LoadPalette(fp, list, MIN_ITEM_BYTES);
}
