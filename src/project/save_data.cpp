#include "project/save_data.h"

#include "app/log.h"
#include "app/paths.h"
#include "app/scene.h"
#include "app/startup_state.h"
#include "platform/file_system.h"
#include "project/system_data.h"
#include "project/world_map.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

cSaveData g_SaveData;
cSaveData g_SaveSnapshotA;
cSaveData g_SaveSnapshotB;
cCheckedVector<cSaveSlotInfo> g_SaveSlotList;

SAVESTAMP LocalTimeStamp() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm t{};
    localtime_r(&ts.tv_sec, &t);
    SAVESTAMP s;
    s.wYear = static_cast<std::uint16_t>(t.tm_year + 1900);
    s.wMonth = static_cast<std::uint16_t>(t.tm_mon + 1);
    s.wDayOfWeek = static_cast<std::uint16_t>(t.tm_wday);
    s.wDay = static_cast<std::uint16_t>(t.tm_mday);
    s.wHour = static_cast<std::uint16_t>(t.tm_hour);
    s.wMinute = static_cast<std::uint16_t>(t.tm_min);
    s.wSecond = static_cast<std::uint16_t>(t.tm_sec);
    s.wMilliseconds = static_cast<std::uint16_t>(ts.tv_nsec / 1000000);
    return s;
}

// ---- sub-records ----

cEdStageTableA::cEdStageTableA() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cEdStageTableA::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&w1);
    DeclareField(&w2);
    DeclareField(&w3);
    DeclareField(&w4);
    DeclareField(&w5);
}

bool cEdStageTableA::Load(std::FILE* fp) {
    return cSerialRecord::Load(fp) && m_Chara.Load(fp);
}

bool cEdStageTableA::Save(std::FILE* fp) {
    return cSerialRecord::Save(fp) && m_Chara.Save(fp);
}

cEdStageTableB::cEdStageTableB() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cEdStageTableB::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareStringField(&m_strStage);
    DeclareField(&m_nValue);
}

cEdStageTableC::cEdStageTableC() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cEdStageTableC::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&w1);
    DeclareField(&w2);
}

// ---- the save data ----

cSaveData::cSaveData() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cSaveData::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&m_bCarryOver);
    DeclareField(&m_nMapX);
    DeclareField(&m_nMapY);
    DeclareField(&m_nNodeEntry);
    DeclareField(&m_nStageCounter);
    DeclareStringField(&m_strStageName);
    if (version >= 724) DeclareStringField(&m_strText2);
    DeclareField(&m_nStageNo);
    DeclareField(&m_nStagePart);
    DeclareField(&m_nStartLives);
    DeclareField(&m_nLives);
    DeclareField(&m_nScore);
    DeclareField(&m_nTotalScore);
    DeclareField(&m_nValueTotal);
    DeclareField(&m_nTotalRemainTime);
    DeclareField(&m_nTotalClearTime);
    if (version >= 182) {
        DeclareField(&m_nTotalHP);
        DeclareField(&m_nTotalSP);
    }
    DeclareField(&m_bNumberedStage);
    DeclareField(&m_nStageBgm);
    if (version >= 166) DeclareField(&m_nStageBgmLoop);
    if (version >= 194) DeclareField(&m_nMarkerFacing);
    if (version >= 190) DeclareField(&m_bReturnMarker);
    if (version >= 191) {
        DeclareField(&m_nPrevMapX);
        DeclareField(&m_nPrevMapY);
    }
    DeclareField(&m_nChallengeOpened);
    DeclareField(&m_nLastSlot);
    if (version >= 169) DeclareField(&m_bAutoSave);
    DeclareStringField(&g_strRankingName);
    DeclareField(&m_bRankingView);
    DeclareField(&m_nRankingGenre);
    if (version >= 678) {
        DeclareField(&m_bNextStart);
        DeclareField(&m_nNextStartX);
        DeclareField(&m_nNextStartY);
    }
    if (version >= 679) DeclareField(&m_nNextStartFacing);
}

bool cSaveData::Load(std::FILE* fp) {
    // A version word no player writes (an emptied file reads 0) marks a damaged file.
    if (g_nLoadVersion < 1 || g_nLoadVersion > DATA_VERSION_CURRENT) return false;
    bool ok = cSerialRecord::Load(fp) && ReadBytes(fp, &m_Stamp, sizeof m_Stamp);
    if (ok && g_nLoadVersion >= 501) ok = LoadI32Vector(fp, m_vnCarryFlags);
    ok = ok && LoadRecordList(fp, m_CarryRecords, cEdStageTableA());
    ok = ok && LoadRecordList(fp, m_StageValues, cEdStageTableB());
    ok = ok && LoadRecordList(fp, m_ChallengeStages, cEdStageTableC());
    ok = ok && LoadI32Vector(fp, m_vnStageFlags);
    ok = ok && LoadI32Vector(fp, m_vnCommonVars);
    if (g_nLoadVersion < 732) {
        if (g_nLoadVersion < 166) m_nStageBgmLoop = 1;
        if (g_nLoadVersion < 169) m_bAutoSave = 0;
        if (g_nLoadVersion < 182) m_nTotalHP = m_nTotalSP = 0;
        if (g_nLoadVersion < 190) m_bReturnMarker = 0;
        if (g_nLoadVersion < 191) m_nPrevMapX = m_nPrevMapY = 0;
        if (g_nLoadVersion < 194) m_nMarkerFacing = 0;
        if (g_nLoadVersion < 501) m_vnCarryFlags.assign(CARRY_GROUP_COUNT, 1);
    }
    Normalise();
    return ok;
}

bool cSaveData::Save(std::FILE* fp) {
    Normalise();
    return cSerialRecord::Save(fp) && WriteBytes(fp, &m_Stamp, sizeof m_Stamp) &&
           SaveI32Vector(fp, m_vnCarryFlags) && SaveRecordList(fp, m_CarryRecords) &&
           SaveRecordList(fp, m_StageValues) && SaveRecordList(fp, m_ChallengeStages) &&
           SaveI32Vector(fp, m_vnStageFlags) && SaveI32Vector(fp, m_vnCommonVars);
}

void cSaveData::Normalise() {
    // Every stage flag and common variable a project can name exists, also after a file that
    // stored fewer.
    if (m_vnStageFlags.size() < STAGE_FLAG_COUNT) m_vnStageFlags.resize(STAGE_FLAG_COUNT, 0);
    if (m_vnCommonVars.size() < COMMON_VARIABLE_COUNT) m_vnCommonVars.resize(COMMON_VARIABLE_COUNT, 0);
    if (m_nMapX >= g_WorldMap.width) m_nMapX = g_WorldMap.startX;
    if (m_nMapY >= g_WorldMap.height) m_nMapY = g_WorldMap.startY;
    const int stages = std::max(0, g_SystemData.m_nChallengeStages);
    m_ChallengeStages.resize(static_cast<std::size_t>(stages), cEdStageTableC());
    if (m_nChallengeOpened > stages) m_nChallengeOpened = stages;
}

void cSaveData::ApplyLivesRule(int mode) {
    if (g_SystemData.m_vnInfiniteLives.at(mode)) {
        m_nStartLives = m_nLives = UNLIMITED_LIVES;
    } else if (m_nLives == UNLIMITED_LIVES) {
        m_nLives = g_SystemData.m_vnStartLives.at(mode);
    }
}

std::string cSaveData::SlotFileName(int n) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", n + 1);
    return g_PathTable[PATH_STORY_SLOT_PREFIX] + number + ".dat";
}

bool cSaveData::WriteSlot(int n) {
    m_Stamp = LocalTimeStamp();
    const std::string name = SlotFileName(n);
    if (!SaveFile(name)) {
        // The slot list keeps showing what is on disk.
        ErrorBox("%s の書き込みに失敗！", name.c_str());
        return false;
    }
    if (n >= 0 && n < g_SaveSlotList.Count()) {
        g_SaveSlotList[n].bUsed = 1;
        g_SaveSlotList[n].stamp = m_Stamp;
    }
    return true;
}

int cSaveData::LoadSlot(int n) {
    if (LoadFile(SlotFileName(n))) ApplyLivesRule(0);
    return 1;
}

int cSaveData::LoadChallenge() {
    const std::string& name = g_PathTable[PATH_CHALLENGE_DAT];
    std::FILE* fp = OpenDataFileRead(name.c_str());
    const bool ok = fp && Load(fp);
    CloseDataFile(fp);
    if (!ok) {
        // A damaged progress is not played from: it is kept aside and the caller starts afresh.
        if (fsys::IsFile(name)) SetAsideDamagedFile(name, "チャレンジの記録を初期化しました");
        return 0;
    }
    ApplyLivesRule(1);
    return 1;
}

void cSaveData::RecordStageValue(const std::string& stage, std::int32_t value) {
    for (auto& entry : m_StageValues) {
        if (entry.m_strStage != stage) continue;
        if (value > entry.m_nValue) {
            m_nValueTotal += value - entry.m_nValue;
            entry.m_nValue = value;
        }
        return;
    }
    cEdStageTableB entry;
    entry.m_strStage = stage;
    entry.m_nValue = value;
    m_StageValues.push_back(entry);
    m_nValueTotal += value;
}

std::int32_t cSaveData::FindStageValue(const std::string& stage) const {
    for (const auto& entry : m_StageValues)
        if (entry.m_strStage == stage) return entry.m_nValue;
    return 0;
}

void cSaveData::SumStageValues() {
    // The stages of the world map are the stage files its node entries start, under the names the
    // save data gives them.
    std::vector<std::string> mapStages;
    for (const auto& node : g_WorldMap.nodes)
        for (const auto& e : node.m_Entries)
            mapStages.push_back(StageNameOf(e.szTextB.c_str(), nullptr));
    std::int32_t total = 0;
    for (const auto& entry : m_StageValues)
        if (std::find(mapStages.begin(), mapStages.end(), entry.m_strStage) != mapStages.end())
            total += entry.m_nValue;
    m_nValueTotal = total;
}

void cSaveData::MarkStageStart() {
    m_vnCommonVarsAtStart = m_vnCommonVars;
    m_nLivesAtStart = m_nLives;
    m_nTotalScoreAtStart = m_nTotalScore;
}

void cSaveData::RestoreStageStart(bool retry) {
    m_nTotalScore = m_nTotalScoreAtStart;
    if (retry) {
        m_vnCommonVars = m_vnCommonVarsAtStart;
        m_nLives = m_nLivesAtStart;
        return;
    }
    bool restore;
    if (g_bStartFile) {
        restore = g_SystemData.m_nRestoreStartFile != 0;
    } else {
        switch (g_nGameMode) {
        case 0:
            restore = g_SystemData.m_nRestoreStory != 0;
            break;
        case 1:
            restore = g_SystemData.m_nRestoreChallenge != 0;
            break;
        case 2:
            restore = g_SystemData.m_nRestoreFree != 0;
            break;
        default:
            restore = true;
            break;
        }
    }
    if (restore) m_vnCommonVars = m_vnCommonVarsAtStart;
}

void cSaveData::AdvanceStage() {
    ++m_nStageCounter;
    std::fill(m_vnStageFlags.begin(), m_vnStageFlags.end(), 0);
    m_nMapX = g_WorldMap.startX;
    m_nMapY = g_WorldMap.startY;
}

// ---- carry-over ----

bool cSaveData::CarryEnabled(int group) const {
    return group < g_SystemData.m_vbCarryOver.Count() && g_SystemData.m_vbCarryOver[group] != 0;
}

namespace {

// Groups 0 to 10 and 13 to 21: members of the hero's definition.
void CopyCarriedGroup(cEdCharaDef& dst, const cEdCharaDef& src, int group) {
    switch (group) {
    case 0:
        dst.m_nPictureKind = src.m_nPictureKind;
        dst.m_nPictureNo = src.m_nPictureNo;
        dst.m_nPictureArg = src.m_nPictureArg;
        break;
    case 1:
        dst.m_nAnimeSet = src.m_nAnimeSet;
        break;
    case 2:
        dst.m_nZ = src.m_nZ;
        break;
    case 3:
        dst.m_nTransparent = src.m_nTransparent;
        break;
    case 4:
        dst.m_nCharaEffect1 = src.m_nCharaEffect1;
        dst.m_nCharaEffect1Mode = src.m_nCharaEffect1Mode;
        dst.m_nCharaEffect1Loop = src.m_nCharaEffect1Loop;
        break;
    case 5:
        dst.m_nFixedFacing = src.m_nFixedFacing;
        break;
    case 6:
        dst.m_nMoveType = src.m_nMoveType;
        break;
    case 7:
        dst.m_nInvincible = src.m_nInvincible;
        break;
    case 8:
        dst.m_nScale = src.m_nScale;
        break;
    case 9:
        dst.m_nScrollSync = src.m_nScrollSync;
        break;
    case 10:
        dst.m_nSightShape = src.m_nSightShape;
        dst.m_nSightRange = src.m_nSightRange;
        break;
    case 13:
        dst.m_nMaxHP = src.m_nMaxHP;
        break;
    case 14:
        dst.m_nMaxSP = src.m_nMaxSP;
        break;
    case 15:
        dst.m_nHitRange = src.m_nHitRange;
        break;
    case 16:
        dst.m_nBodyPower = src.m_nBodyPower;
        break;
    case 17:
        dst.m_nBodyImpact = src.m_nBodyImpact;
        break;
    case 18:
        dst.m_nDefense = src.m_nDefense;
        break;
    case 19:
        dst.m_nImpactResist = src.m_nImpactResist;
        break;
    case 20:
        dst.m_nStoppability = src.m_nStoppability;
        break;
    case 21:
        dst.m_Flows = src.m_Flows;
        break;
    default:
        break;
    }
}

constexpr int MAX_CARRY_PLAYERS = 8;

} // namespace

void cSaveData::StoreCarryOver(int p, const cEdCharaDef& hero, std::int32_t counter1, std::int32_t counter2,
                               std::uint16_t effect, std::uint8_t effectMode, std::uint8_t effectLoop,
                               std::int32_t w3, std::int32_t w4, std::int32_t w5) {
    // A save that has no record for this player yet gets one.
    if (p >= 0 && p < MAX_CARRY_PLAYERS && p >= m_CarryRecords.Count())
        m_CarryRecords.resize(static_cast<std::size_t>(p) + 1, cEdStageTableA());
    if (m_vnCarryFlags.size() < CARRY_GROUP_COUNT) m_vnCarryFlags.resize(CARRY_GROUP_COUNT, 0);
    m_bCarryOver = 1;
    cEdStageTableA& rec = m_CarryRecords.at(p);
    for (int g = 0; g < CARRY_GROUP_COUNT; ++g) {
        if (!CarryEnabled(g)) continue;
        switch (g) {
        case 4:
            rec.m_Chara.m_nCharaEffect1 = effect;
            rec.m_Chara.m_nCharaEffect1Mode = effectMode;
            rec.m_Chara.m_nCharaEffect1Loop = effectLoop;
            break;
        case 11:
            rec.w1 = counter1;
            break;
        case 12:
            rec.w2 = counter2;
            break;
        case 22:
            rec.w3 = w3;
            break;
        case 23:
            rec.w4 = w4;
            break;
        case 24:
            rec.w5 = w5;
            break;
        default:
            CopyCarriedGroup(rec.m_Chara, hero, g);
            break;
        }
        m_vnCarryFlags[g] = 1;
    }
}

void cSaveData::LoadCarryOver(int p, cEdCharaDef& hero, std::int32_t* w3, std::int32_t* w4,
                              std::int32_t* w5) {
    if (!m_bCarryOver) return;
    cEdStageTableA& rec = m_CarryRecords.at(p);
    for (int g = 0; g < CARRY_GROUP_COUNT; ++g) {
        if (!CarryEnabled(g) || g >= static_cast<int>(m_vnCarryFlags.size()) || !m_vnCarryFlags[g]) continue;
        switch (g) {
        case 11:
        case 12:
            break;
        case 22:
            if (w3) *w3 = rec.w3;
            break;
        case 23:
            if (w4) *w4 = rec.w4;
            break;
        case 24:
            if (w5) *w5 = rec.w5;
            break;
        case 0:
            CopyCarriedGroup(hero, rec.m_Chara, g);
            if (hero.m_nPictureNo == 0) hero.m_nPictureNo = 1;
            break;
        default:
            CopyCarriedGroup(hero, rec.m_Chara, g);
            break;
        }
    }
}

void cSaveData::LoadCarryOverCounters(int p, std::int32_t& counter1, std::int32_t& counter2) {
    if (!m_bCarryOver) return;
    cEdStageTableA& rec = m_CarryRecords.at(p);
    auto carried = [&](int g) {
        return CarryEnabled(g) && g < static_cast<int>(m_vnCarryFlags.size()) && m_vnCarryFlags[g];
    };
    if (carried(11)) counter1 = rec.w1;
    if (carried(12)) counter2 = rec.w2;
}

void cSaveData::ClearCarryOverFlags() {
    for (int g = 0; g < CARRY_GROUP_COUNT && g < static_cast<int>(m_vnCarryFlags.size()); ++g)
        if (g < g_SystemData.m_vbClearOnMiss.Count() && g_SystemData.m_vbClearOnMiss[g])
            m_vnCarryFlags[g] = 0;
}

// ---- names and the slot list ----

std::string StageNameOf(const char* fileName, std::int32_t* numbered) {
    const std::string name = fileName ? fileName : "";
    if (numbered) *numbered = 0;
    for (std::size_t i = name.size(); i-- > 0;) {
        if (name[i] == '-' && i + 1 < name.size() && name[i + 1] == '1') {
            if (numbered) *numbered = 1;
            return name.substr(0, i) + ".";
        }
    }
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(0, dot + 1);
}

void SetCurrentStageName(cSaveData& save, const char* fileName) {
    save.m_strStageName = StageNameOf(fileName, &save.m_bNumberedStage);
}

void ResetSaveData(cSaveData& save) {
    save.Reset();
    save.m_vnCarryFlags.assign(CARRY_GROUP_COUNT, 0);
    save.m_CarryRecords.assign(1, cEdStageTableA());
    save.m_vnStageFlags.assign(STAGE_FLAG_COUNT, 0);
    save.m_vnStageFlags[0] = 1;
    save.m_vnCommonVars.assign(COMMON_VARIABLE_COUNT, 0);
    save.m_StageValues.clear();
    save.m_ChallengeStages.clear();
    save.m_nChallengeOpened = 1;
    save.m_nLastSlot = -1;
    save.g_strRankingName = "aaa";
}

void BuildSaveSlotList(cCheckedVector<cSaveSlotInfo>& slots) {
    for (int i = 0; i < slots.Count(); ++i) {
        cSaveSlotInfo& info = slots[i];
        info.bUsed = 0;
        const std::string name = cSaveData::SlotFileName(i);
        std::FILE* fp = OpenDataFileRead(name.c_str());
        cSaveData temp;
        const bool ok = fp && temp.Load(fp);
        CloseDataFile(fp);
        if (!ok) {
            // A damaged slot shows empty; its file is kept aside, so that saving there keeps it.
            if (fsys::IsFile(name)) SetAsideDamagedFile(name, "このスロットは空になりました");
            continue;
        }
        info.bUsed = 1;
        info.stamp = temp.m_Stamp;
    }
}
