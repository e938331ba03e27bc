#include "records/ed_move.h"

// Every stored member starts at 0, as Reset would leave them; then the defaults.
cEdMove::cEdMove() {
    RegisterFor(g_nDataVersion);
    SetDefaults();
}

cEdMove::~cEdMove() = default;

void cEdMove::SetDefaults() {
    m_bMirrorAngle = 1;
    m_bUseTargetX = 1;
    m_bUseTargetY = 1;
    m_bEndOnArrival = 1;
    m_bMirrorX = 1;
    m_bReverseWithFacing = 1;
    m_bMirrorY = 0;
    m_nSpeed = 10;
    m_dReverseFactor = 1.0;
}

void cEdMove::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&m_nTargetMode);
    DeclareField(&m_nDirection);
    DeclareField(&m_nAngle);
    DeclareField(&m_nAngleStep);
    if (version >= 158) DeclareField(&m_bMirrorAngle);
    DeclareField(&m_bUseTargetX);
    DeclareField(&m_bUseTargetY);
    DeclareField(&m_nTargetXBl);
    DeclareField(&m_nTargetYBl);
    DeclareField(&m_nTargetXDot);
    DeclareField(&m_nTargetYDot);
    DeclareField(&m_nCoordBase);
    DeclareField(&m_bEndOnArrival);
    DeclareField(&m_bHoldX);
    DeclareField(&m_bHoldY);
    DeclareField(&m_bMirrorX);
    DeclareField(&m_bMirrorY);
    DeclareField(&m_bReverseWithFacing);
    DeclareField(&m_bStopAtTarget);
    if (version >= 162) DeclareField(&m_bKeepFacing);
    DeclareField(&m_nGivenValues);
    DeclareField(&m_nSpeed);
    DeclareField(&m_nSpeedStep);
    DeclareField(&m_nDistance);
    DeclareField(&m_nDistanceStep);
    if (version >= 159) DeclareField(&m_nLengthUnit);
    DeclareField(&m_nHomingWeakness);
    DeclareField(&m_nHomingWeaknessStep);
    DeclareField(&m_bInertia);
    DeclareField(&m_nInertiaLimit);
    DeclareField(&m_dReverseFactor);
    if (version >= 162) DeclareField(&m_bKeepAnimation);
}

bool cEdMove::Load(std::FILE* fp) {
    const bool ok = cSerialRecord::Load(fp);
    // Members an older file did not store become 0, not the defaults of a new record.
    if (g_nLoadVersion < DATA_VERSION_CURRENT) {
        if (g_nLoadVersion < 158) m_bMirrorAngle = 0;
        if (g_nLoadVersion < 159) m_nLengthUnit = 0;
        if (g_nLoadVersion < 162) {
            m_bKeepFacing = 0;
            m_bKeepAnimation = 0;
        }
    }
    return ok;
}

int NewMove(boost::shared_ptr<cEdMove>& holder) {
    holder.reset(new cEdMove());
    return 1;
}
