// Movement settings of a flow command (moves and warps): cEdMove.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "records/serial_record.h"

class cEdMove : public cSerialRecord {
  public:
    // A new record holds the defaults of a new movement setting.
    cEdMove();
    cEdMove(const cEdMove&) = default;
    cEdMove& operator=(const cEdMove&) = default;
    ~cEdMove() override;

    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    // Sets the defaults of a new record (the fields not listed are 0).
    void SetDefaults();

    std::uint8_t m_nTargetMode = 0;  // how the destination is given
    std::uint8_t m_nDirection = 0;   // direction list, or turning sense of a circular move
    std::int16_t m_nAngle = 0;       // degrees
    std::int16_t m_nAngleStep = 0;   // per copy value
    std::uint8_t m_bMirrorAngle = 0; // stored from 158
    std::uint8_t m_bUseTargetX = 0;
    std::uint8_t m_bUseTargetY = 0;
    std::int16_t m_nTargetXBl = 0; // target offset = blocks x 32 + pixels
    std::int16_t m_nTargetYBl = 0;
    std::int16_t m_nTargetXDot = 0;
    std::int16_t m_nTargetYDot = 0;
    std::uint8_t m_nCoordBase = 0;
    std::uint8_t m_bEndOnArrival = 0;
    std::uint8_t m_bHoldX = 0;
    std::uint8_t m_bHoldY = 0;
    std::uint8_t m_bMirrorX = 0;
    std::uint8_t m_bMirrorY = 0;
    std::uint8_t m_bReverseWithFacing = 0;
    std::uint8_t m_bStopAtTarget = 0;
    std::uint8_t m_bKeepFacing = 0; // stored from 162
    std::uint8_t m_nGivenValues = 0;
    std::int16_t m_nSpeed = 0; // tenths
    std::int16_t m_nSpeedStep = 0;
    std::int16_t m_nDistance = 0;
    std::int16_t m_nDistanceStep = 0;
    std::uint8_t m_nLengthUnit = 0; // stored from 159
    std::int16_t m_nHomingWeakness = 0;
    std::int16_t m_nHomingWeaknessStep = 0;
    std::uint8_t m_bInertia = 0;
    std::uint16_t m_nInertiaLimit = 0; // tenths
    double m_dReverseFactor = 0.0;
    std::uint8_t m_bKeepAnimation = 0; // stored from 162
};

// Makes a new movement settings record with its defaults and gives it to the holder. Returns 1.
int NewMove(boost::shared_ptr<cEdMove>& holder);
