// Shot, sword and summon settings of a flow command: cEdShot.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "records/serial_record.h"

class cEdShot : public cSerialRecord {
  public:
    // A new record holds the defaults of a new shot setting.
    cEdShot();
    cEdShot(const cEdShot&) = default;
    cEdShot& operator=(const cEdShot&) = default;
    ~cEdShot() override;

    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
    void SetDefaults();
    // After every load and before every save: a size factor below 1 becomes 1, an effect number outside
    // the project's effect list becomes 0.
    void Normalise();

    // Members in memory order; the stored order differs (see RegisterMembers).
    std::int8_t m_nCount = 0;
    std::int8_t m_nFormation = 0;
    std::int16_t m_nFormationValues[3] = {0, 0, 0};
    std::uint8_t m_nRingCentre = 0; // stored from 671
    std::int8_t m_nDirection = 0;
    std::uint8_t m_bAimAtTarget = 0;
    std::int16_t m_nAngleOffset = 0;
    std::int16_t m_nAngleOffsetStep = 0;
    std::uint8_t m_bMirrorAngle = 0; // stored from 158
    std::int16_t m_nSpreadAngle = 0;
    std::uint8_t m_bStartOnAngle = 0;
    std::int8_t m_nCopies = 0;
    std::int16_t m_nOffsetX = 0;
    std::int16_t m_nOffsetXStep = 0;
    std::int16_t m_nOffsetY = 0;
    std::int16_t m_nOffsetYStep = 0;
    std::uint8_t m_bMirrorOffsetX = 0;
    std::uint8_t m_bMirrorOffsetY = 0;
    std::int16_t m_nGraphic = 0;
    std::int8_t m_nZOrder = 0;
    std::uint8_t m_bHidden = 0;
    std::uint8_t m_bFirerForce = 0;
    std::int8_t m_nForce = 0;
    std::uint8_t m_nByte24 = 0;
    std::uint8_t m_nSizeFactor = 0;
    std::uint8_t m_nByte26 = 0;
    std::int8_t m_nMoveKind = 0; // shot movement kind, or the sword type of a sword
    std::int16_t m_nMoveValues[3] = {0, 0, 0};
    std::uint8_t m_bScrollFollow = 0; // stored from 211
    std::int16_t m_nSpeed = 0;
    std::int16_t m_nSpeedStep = 0;
    std::uint8_t m_bAccelerate = 0;       // stored from 213
    std::int16_t m_nAcceleration = 0;     // stored from 213
    std::int16_t m_nAccelerationStep = 0; // stored from 213
    std::uint8_t m_bRangeLimit = 0;
    std::int16_t m_nRange = 0; // half blocks; lifetime of summoned characters and items
    std::int16_t m_nRangeStep = 0;
    std::uint8_t m_bStopAtRange = 0;
    std::uint8_t m_bLifetimeLimit = 0;
    std::int16_t m_nLifetime = 0;
    std::int16_t m_nLifetimeStep = 0;
    std::uint8_t m_bThroughBlocks = 0;
    std::uint8_t m_bThroughCharas = 0;
    std::uint8_t m_bThroughBlockCharas = 0; // stored from 636
    std::uint8_t m_bCancelWithShots = 0;
    std::int8_t m_nVanishValue = 0;
    std::int32_t m_nPower = 0;
    std::uint16_t m_nWord48 = 0;
    std::int8_t m_nImpact = 0;
    std::uint16_t m_nEffectNo = 0;
    std::uint8_t m_nItemPalette = 0; // 0 none, 1 common, 2 stage
    std::int16_t m_nItemEntry = 0;
    std::uint8_t m_nBlockSummonMode = 0;
    std::uint8_t m_nSummonPalette = 0; // 0 common, 1 stage
    std::int16_t m_nSummonEntry = 0;
    std::uint8_t m_nSummonForceSource = 0;
    std::uint8_t m_nByte54 = 0;
    std::uint8_t m_nByte55 = 0; // stored from 197
    std::uint8_t m_nByte59 = 0;
    std::uint8_t m_bSummonFacingReversed = 0;
};

// Makes a new shot settings record with its defaults and gives it to the holder. Returns 1.
int NewShot(boost::shared_ptr<cEdShot>& holder);
