#include "records/ed_stage_sub.h"

namespace {
constexpr std::int32_t VERSION_LIMIT_SWITCHES = 125;
constexpr std::int32_t VERSION_LAYER_61 = 61;
constexpr std::int32_t VERSION_LAYER_62 = 62;
} // namespace

// ---- cEdStageSub ----

cEdStageSub::cEdStageSub() {
    RegisterMembers(g_nDataVersion);
    cSerialRecord::Reset();
}

cEdStageSub::~cEdStageSub() = default;

void cEdStageSub::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&m_nLeft);
    if (version >= VERSION_LIMIT_SWITCHES) {
        DeclareField(&m_nRight);
        DeclareField(&m_nTop);
        DeclareField(&m_nBottom);
    }
    DeclareField(&m_nDistLeft);
    DeclareField(&m_nDistRight);
    DeclareField(&m_nDistTop);
    DeclareField(&m_nDistBottom);
}

void cEdStageSub::Set(std::int32_t s1, std::int32_t s2, std::int32_t s3, std::int32_t s4, std::int32_t s5,
                      std::int32_t s6, std::int32_t s7, std::int32_t s8) {
    m_nLeft = s1;
    m_nRight = s2;
    m_nTop = s3;
    m_nBottom = s4;
    m_nDistLeft = s5;
    m_nDistRight = s6;
    m_nDistTop = s7;
    m_nDistBottom = s8;
}

// ---- cEdStageTableD ----

cEdStageTableD::cEdStageTableD() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

cEdStageTableD::~cEdStageTableD() = default;

void cEdStageTableD::RegisterMembers(std::int32_t version) {
    ClearMembers();
    if (version >= VERSION_LAYER_62) {
        DeclareField(&m_nShown);
        DeclareField(&m_nKind);
        DeclareField(&m_nColour);
        DeclareField(&m_nPass);
        DeclareField(&m_dSpeedX);
        DeclareField(&m_dSpeedY);
        DeclareField(&m_nAutoX);
        DeclareField(&m_nAutoY);
        DeclareStringField(&m_strFile);
        DeclareField(&m_dOffsetX);
        DeclareField(&m_dOffsetY);
    } else if (version == VERSION_LAYER_61) {
        DeclareField(&m_nKind);
        DeclareField(&m_nColour);
        DeclareField(&m_nPass);
        DeclareField(&m_dSpeedX);
        DeclareField(&m_dSpeedY);
        DeclareField(&m_nAutoX);
        DeclareField(&m_nAutoY);
        DeclareStringField(&m_strFile);
        DeclareField(&m_nDropped1);
        DeclareField(&m_nDropped2);
    } else {
        DeclareField(&m_nKind);
        DeclareField(&m_nColour);
        DeclareField(&m_nPass);
        DeclareField(&m_nDropped1);
        DeclareField(&m_nDropped2);
        DeclareStringField(&m_strFile);
    }
}

void cEdStageTableD::Reset() {
    cSerialRecord::Reset();
    m_nShown = 1;
    m_nColour = 16;
    m_dSpeedX = 0.1;
    m_dSpeedY = 0.1;
}

// ---- cEdStageTableE ----

cEdStageTableE::cEdStageTableE() {
    RegisterMembers(g_nDataVersion);
    cSerialRecord::Reset();
}

cEdStageTableE::~cEdStageTableE() = default;

void cEdStageTableE::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareStringField(&m_strText);
}
