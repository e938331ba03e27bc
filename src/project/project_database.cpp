#include "project/project_database.h"

#include "app/log.h"

#include <algorithm>
#include <cstdint>
#include <utility>

cProjectDatabase g_Database;

const char* const g_DatabaseFiles[DATABASE_FILE_COUNT] = {
    "data\\database\\AnimeSet.dat",  "data\\database\\Anime.dat",   "data\\database\\Bmp_CharaExc.dat",
    "data\\database\\SwordType.dat", "data\\database\\Effect.dat",  "data\\database\\CharaEffect.dat",
    "data\\database\\ScrEffect.dat", "data\\database\\Picture.dat", "data\\database\\Sound.dat",
    "data\\database\\Bgm.dat",
};

cCheckedVector<cAnimSeqFrames> g_AnimeSeqTable;
cCheckedVector<cAnimSeqFrames> g_EffectSeqTable;
cCheckedVector<cCharaEffect> g_CharaEffectTable;
cCheckedVector<cCharaEffect> g_CharaEffectTableRev;
cCheckedVector<cScreenEffect> g_ScrEffectTable;
cCheckedVector<cScreenEffect> g_ScrEffectTableRev;

cProjectDatabase::cProjectDatabase() {
    SetDefaults();
}

void cProjectDatabase::RegisterMembers(std::int32_t) {
    ClearMembers();
}

namespace {

template <class T> void MakeDefaults(cCheckedVector<T>& list, int n) {
    list.clear();
    list.resize(static_cast<std::size_t>(n), T());
}

// Reads one database file into its list. The list keeps its first elements and is made exactly
// as long as the file says; it always ends with at least its entry 0 ("none").
template <class T> bool LoadDatabaseList(const char* path, cCheckedVector<T>& list, const T& prototype) {
    std::FILE* fp = OpenDataFileRead(path);
    if (!fp) return false;
    bool ok = LoadRecordListKeep(fp, list, prototype);
    if (ok && g_bStripCR)
        for (T& record : list)
            record.StripCR();
    CloseDataFile(fp);
    // A list without entries would leave nothing for index 0 to mean.
    if (list.empty()) list.push_back(prototype);
    return ok;
}

} // namespace

void cProjectDatabase::SetDefaults() {
    MakeDefaults(m_AnimeSets, 1);
    MakeDefaults(m_Animes, 2);
    m_Animes.at(0).szName = "なし";
    m_Animes.at(1).szName = "アクションA";
    MakeDefaults(m_CharaBmps, 2);
    MakeDefaults(m_SwordTypes, 1);
    MakeDefaults(m_Effects, 2);
    MakeDefaults(m_CharaEffects, 2);
    MakeDefaults(m_ScrEffects, 2);
    MakeDefaults(m_Pictures, 2);
    MakeDefaults(m_Sounds, 2);
    MakeDefaults(m_Bgms, 2);
    m_CharaEffectsRev.clear();
    m_ScrEffectsRev.clear();
}

bool cProjectDatabase::Load() {
    // Each step reads one file; the first that fails stops the load.
    const auto steps = [this](int i) -> bool {
        const char* path = g_DatabaseFiles[i];
        switch (i) {
        case 0:
            return LoadDatabaseList(path, m_AnimeSets, cEdAnimeSet());
        case 1:
            return LoadDatabaseList(path, m_Animes, cEdAnime());
        case 2:
            return LoadDatabaseList(path, m_CharaBmps, cEdBmpCharaExc::ListDefault());
        case 3:
            return LoadDatabaseList(path, m_SwordTypes, cEdSwordType());
        case 4:
            return LoadDatabaseList(path, m_Effects, cEdEffect::ListDefault());
        case 5:
            return LoadDatabaseList(path, m_CharaEffects, cEffectRecord::ListDefault());
        case 6:
            return LoadDatabaseList(path, m_ScrEffects, cScrEffectRecord::ListDefault());
        case 7:
            return LoadDatabaseList(path, m_Pictures, cEdPicture());
        case 8:
            return LoadDatabaseList(path, m_Sounds, cEdSound());
        default:
            return LoadDatabaseList(path, m_Bgms, cEdBgm());
        }
    };
    for (int i = 0; i < DATABASE_FILE_COUNT; ++i) {
        if (!steps(i)) {
            ErrorBox("%s のロードに失敗！", g_DatabaseFiles[i]);
            return false;
        }
    }
    ClearNoneKinds();
    return true;
}

void cProjectDatabase::ClearNoneKinds() {
    m_CharaEffects.at(0).nKind = 0;
    m_ScrEffects.at(0).nKind = 0;
}

void cProjectDatabase::FillWorkingCopies() {
    m_CharaEffectsRev.clear();
    m_CharaEffectsRev.resize(m_CharaEffects.size(), cEffectRecord());
    for (int i = 0; i < m_CharaEffects.Count(); ++i)
        m_CharaEffectsRev.at(i) = m_CharaEffects.at(i);
    m_ScrEffectsRev.clear();
    m_ScrEffectsRev.resize(m_ScrEffects.size(), cScrEffectRecord());
    for (int i = 0; i < m_ScrEffects.Count(); ++i)
        m_ScrEffectsRev.at(i) = m_ScrEffects.at(i);
}

// ---- Run-time tables ----

std::int32_t TenthsToFrames(std::int32_t tenths) {
    const std::int64_t frames = static_cast<std::int64_t>(tenths) * 6;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(frames, INT32_MIN, INT32_MAX));
}

namespace {

// Builds one sequence per record: each frame's time in frames (x 6), record 0 without time and
// switchable, the others switchable from their first interruptible frame on (when `marks` is
// set; otherwise never); then the end frame.
template <class Record, class FrameOf>
void BuildSeqTable(cCheckedVector<cAnimSeqFrames>& table, const cCheckedVector<Record>& records,
                   FrameOf frameOf) {
    table.clear();
    table.resize(records.size());
    for (int i = 0; i < records.Count(); ++i) {
        const auto& frames = records.at(i).m_Frames;
        cAnimSeqFrames& seq = table.at(i);
        seq.assign(frames.size() + 1, cAnimFrame{});
        bool switchable = false;
        for (int j = 0; j < frames.Count(); ++j) {
            const auto [pattern, time, interruptible] = frameOf(frames.at(j));
            if (interruptible) switchable = true;
            cAnimFrame& out = seq.at(j);
            out.nPattern = pattern;
            if (i == 0) {
                out.nDuration = 0;
                out.nFlag = 1;
            } else {
                out.nDuration = TenthsToFrames(time);
                out.nFlag = switchable ? 1 : 0;
            }
        }
        seq.at(frames.Count()) = i == 0 ? cAnimFrame{ANIM_CODE_LOOP, 0, 1} : cAnimFrame{ANIM_CODE_END, 0, 0};
    }
}

struct FrameValues {
    std::int32_t pattern;
    std::int32_t time;
    bool interruptible;
};

} // namespace

void BuildAnimeTable(cCheckedVector<cAnimSeqFrames>& table) {
    BuildSeqTable(table, g_Database.m_Animes, [](const cEdAnimeFrame& f) {
        return FrameValues{f.nPattern, f.nTime, f.bInterruptible != 0};
    });
}

void BuildEffectTable(cCheckedVector<cAnimSeqFrames>& table) {
    BuildSeqTable(table, g_Database.m_Effects, [](const cEdEffectFrame& f) {
        return FrameValues{f.nPattern, f.nTime, false};
    });
}

void cCharaEffect::Init(int index, int flag) {
    cEffectRecord* source = nullptr;
    if (flag) {
        source = &g_Database.m_CharaEffectsRev.at(index);
        std::swap(source->nParam[1], source->nParam[2]);
    } else {
        source = &g_Database.m_CharaEffects.at(index);
    }
    m_lpSource = source;
    m_nIndex = index;
    m_nKind = source->nKind;
    m_nFrames = TenthsToFrames(source->nParam[0]);
    m_bReverse = flag ? 1 : 0;
}

void cScreenEffect::Init(int index, int flag) {
    cScrEffectRecord* source = nullptr;
    if (flag) {
        source = &g_Database.m_ScrEffectsRev.at(index);
        if (source->nKind == SCREEN_EFFECT_MOVE) {
            std::swap(source->nParam[1], source->nParam[3]);
            std::swap(source->nParam[2], source->nParam[4]);
        } else {
            std::swap(source->nParam[1], source->nParam[2]);
        }
    } else {
        source = &g_Database.m_ScrEffects.at(index);
    }
    m_lpSource = source;
    m_nIndex = index;
    m_nKind = source->nKind;
    m_nFrames = TenthsToFrames(source->nParam[0]);
    m_bReverse = flag ? 1 : 0;
}

void BuildCharaEffectTables(cCheckedVector<cCharaEffect>& forward, cCheckedVector<cCharaEffect>& reverse) {
    const std::size_t n = g_Database.m_CharaEffects.size();
    forward.assign(n, cCharaEffect{});
    reverse.assign(n, cCharaEffect{});
    for (int i = 0; i < static_cast<int>(n); ++i) {
        forward.at(i).Init(i, 0);
        reverse.at(i).Init(i, 1);
    }
}

void BuildScrEffectTables(cCheckedVector<cScreenEffect>& forward, cCheckedVector<cScreenEffect>& reverse) {
    const std::size_t n = g_Database.m_ScrEffects.size();
    forward.assign(n, cScreenEffect{});
    reverse.assign(n, cScreenEffect{});
    for (int i = 0; i < static_cast<int>(n); ++i) {
        forward.at(i).Init(i, 0);
        reverse.at(i).Init(i, 1);
    }
}

bool LoadProjectDatabase() {
    if (!g_Database.Load()) {
        ReportErrBox("データベースの読み込みに失敗…");
        return false;
    }
    g_Database.FillWorkingCopies();
    BuildAnimeTable(g_AnimeSeqTable);
    BuildEffectTable(g_EffectSeqTable);
    BuildCharaEffectTables(g_CharaEffectTable, g_CharaEffectTableRev);
    BuildScrEffectTables(g_ScrEffectTable, g_ScrEffectTableRev);
    return true;
}
