#include "project/database_records.h"

// ---- cEdAnimeFrame ----

cEdAnimeFrame::cEdAnimeFrame() {
    RegisterMembers(g_nDataVersion);
    cSerialRecord::Reset();
    nTime = 1;
}

cEdAnimeFrame cEdAnimeFrame::ListDefault() {
    cEdAnimeFrame frame;
    frame.cSerialRecord::Reset();
    return frame;
}

void cEdAnimeFrame::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&nPattern);
    DeclareField(&nTime);
    DeclareField(&bInterruptible);
}

// ---- cEdAnime ----

cEdAnime::cEdAnime() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cEdAnime::Reset() {
    cSerialRecord::Reset();
    m_Frames.clear();
    m_Frames.push_back(cEdAnimeFrame::ListDefault());
    bValueB = 1;
}

void cEdAnime::RegisterMembers(std::int32_t version) {
    ClearMembers();
    if (version >= 55) {
        DeclareField(&wValueA);
        DeclareField(&bValueB);
        DeclareField(&wValueC);
    }
    DeclareStringField(&szName);
}

bool cEdAnime::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    return LoadRecordList(fp, m_Frames, cEdAnimeFrame::ListDefault());
}

bool cEdAnime::Save(std::FILE* fp) {
    if (!cSerialRecord::Save(fp)) return false;
    return SaveRecordList(fp, m_Frames);
}

// ---- cEdAnimeSet ----

namespace {

// The first four animations of a set: standing, moving on the ground, flying, moving while flying.
const char* const ANIME_SET_NAMES[4] = {"立ち", "立ち移動", "飛行", "飛行移動"};

void ResizeAnimes(cCheckedVector<cEdAnime>& animes, std::size_t n) {
    animes.resize(n, cEdAnime());
}

} // namespace

cEdAnimeSet::cEdAnimeSet() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cEdAnimeSet::Reset() {
    cSerialRecord::Reset();
    nPatternOffsetA = 4;
    nPatternOffsetB = 8;
    nPatternOffsetC = 0;
    m_Animes.clear();
    ResizeAnimes(m_Animes, 4);
    for (int i = 0; i < 4; ++i)
        m_Animes.at(i).szName = ANIME_SET_NAMES[i];
}

void cEdAnimeSet::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&nPatternOffsetA);
    DeclareField(&nPatternOffsetB);
    if (version >= 119) DeclareField(&nPatternOffsetC);
    DeclareStringField(&szName);
}

bool cEdAnimeSet::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (!LoadRecordList(fp, m_Animes, cEdAnime())) return false;
    if (g_nLoadVersion < 119) ResizeAnimes(m_Animes, 4);
    if (g_nLoadVersion < 128) {
        ResizeAnimes(m_Animes, 4);
        m_Animes.at(2).szName = ANIME_SET_NAMES[2];
        m_Animes.at(3).szName = ANIME_SET_NAMES[3];
    }
    return true;
}

bool cEdAnimeSet::Save(std::FILE* fp) {
    if (!cSerialRecord::Save(fp)) return false;
    return SaveRecordList(fp, m_Animes);
}

// ---- cEdSwordFrame ----

cEdSwordFrame::cEdSwordFrame() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cEdSwordFrame::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&nOffsetX);
    DeclareField(&nOffsetY);
    if (version >= 138) {
        DeclareField(&bMirrorX);
        DeclareField(&bMirrorY);
    }
    DeclareField(&nPlacement);
    DeclareField(&nCellX);
    DeclareField(&nCellY);
    DeclareField(&nWidth);
    DeclareField(&nHeight);
    DeclareField(&nTime);
}

// ---- cEdSwordType ----

cEdSwordType::cEdSwordType() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cEdSwordType::Reset() {
    cSerialRecord::Reset();
    m_Frames.clear();
    m_Frames.push_back(cEdSwordFrame());
    m_Frames.at(0).nTime = 1;
}

void cEdSwordType::RegisterMembers(std::int32_t version) {
    ClearMembers();
    if (version >= 151) DeclareField(&nTag);
    DeclareStringField(&szName);
    DeclareStringField(&szFileName);
    DeclareStringField(&szFileName2);
}

bool cEdSwordType::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (!LoadRecordList(fp, m_Frames, cEdSwordFrame())) return false;
    if (g_nLoadVersion < 153) nTag = 0;
    return true;
}

bool cEdSwordType::Save(std::FILE* fp) {
    if (!cSerialRecord::Save(fp)) return false;
    return SaveRecordList(fp, m_Frames);
}

// ---- cEdEffectFrame ----

cEdEffectFrame::cEdEffectFrame() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cEdEffectFrame::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&nPattern);
    DeclareField(&nTime);
}

// ---- cEdEffect ----

cEdEffect::cEdEffect() {
    RegisterMembers(g_nDataVersion);
    Reset();
    nCellWidth = 32;
    nCellHeight = 32;
    bScalable = 0;
}

cEdEffect cEdEffect::ListDefault() {
    cEdEffect effect;
    effect.Reset();
    return effect;
}

void cEdEffect::RegisterMembers(std::int32_t version) {
    ClearMembers();
    if (version >= 151) DeclareField(&nTag);
    DeclareField(&nCellWidth);
    DeclareField(&nCellHeight);
    DeclareField(&bScalable);
    DeclareStringField(&szName);
    DeclareStringField(&szFileName);
}

bool cEdEffect::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (!LoadRecordList(fp, m_Frames, cEdEffectFrame())) return false;
    if (g_nLoadVersion < 153) nTag = 0;
    return true;
}

bool cEdEffect::Save(std::FILE* fp) {
    if (!cSerialRecord::Save(fp)) return false;
    return SaveRecordList(fp, m_Frames);
}

// ---- Effect records ----

void cEffectRecordBase::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&nKind);
    DeclareField(nParam, 5);
    DeclareStringField(&szName);
}

cEffectRecord::cEffectRecord() {
    RegisterMembers(g_nDataVersion);
    Reset();
    nKind = 1;
}

cEffectRecord cEffectRecord::ListDefault() {
    cEffectRecord record;
    record.Reset();
    return record;
}

bool cEffectRecord::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    // Files before 511 lack the roughness parameters of the wave and circle kinds.
    if (g_nLoadVersion < 511) {
        if (nKind == CHARA_EFFECT_WAVE_H || nKind == CHARA_EFFECT_WAVE_V)
            nParam[4] = CharaEffectParam(nKind, 5).defaultValue;
        else if (nKind == CHARA_EFFECT_CIRCLE)
            nParam[3] = CharaEffectParam(nKind, 4).defaultValue;
    }
    return true;
}

cScrEffectRecord::cScrEffectRecord() {
    RegisterMembers(g_nDataVersion);
    Reset();
    nKind = 1;
}

cScrEffectRecord cScrEffectRecord::ListDefault() {
    cScrEffectRecord record;
    record.Reset();
    return record;
}

bool cScrEffectRecord::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (g_nLoadVersion < 511) {
        if (nKind == SCREEN_EFFECT_WAVE_H || nKind == SCREEN_EFFECT_WAVE_V)
            nParam[4] = ScreenEffectParam(nKind, 5).defaultValue;
        else if (nKind == SCREEN_EFFECT_CIRCLE)
            nParam[3] = ScreenEffectParam(nKind, 4).defaultValue;
    }
    return true;
}

// ---- cEdBmpCharaExc ----

cEdBmpCharaExc::cEdBmpCharaExc() {
    RegisterMembers(g_nDataVersion);
    Reset();
    bCustomCell = 0;
    nCellBlocks = 2;
}

cEdBmpCharaExc cEdBmpCharaExc::ListDefault() {
    cEdBmpCharaExc record;
    record.Reset();
    return record;
}

void cEdBmpCharaExc::RegisterMembers(std::int32_t version) {
    ClearMembers();
    if (version >= 152) DeclareField(&nTag);
    if (version >= 172) {
        DeclareField(&bCustomCell);
        DeclareField(&nCellBlocks);
    }
    DeclareStringField(&szName);
    DeclareStringField(&szFileName);
}

bool cEdBmpCharaExc::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (g_nLoadVersion < 153) nTag = 0;
    return true;
}

// ---- Pictures, music, sounds ----

void cEdMediaRecord::RegisterMembers(std::int32_t version) {
    ClearMembers();
    if (version >= 151) DeclareField(&nTag);
    DeclareStringField(&szName);
    DeclareStringField(&szFileName);
}

bool cEdMediaRecord::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    if (g_nLoadVersion < 153) nTag = 0;
    return true;
}

cEdPicture::cEdPicture() {
    RegisterMembers(g_nDataVersion);
    Reset();
    nTag = 0;
}

cEdBgm::cEdBgm() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

cEdSound::cEdSound() {
    RegisterMembers(g_nDataVersion);
    Reset();
}
