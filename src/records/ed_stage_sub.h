// The stage's small sub-records: the out-of-area limits (cEdStageSub, five in every stage), the
// background layers (cEdStageTableD) and the texts (cEdStageTableE). Each is stored by the base
// chunk alone.
#pragma once

#include <cstdint>
#include <string>

#include "records/serial_record.h"

// Out-of-area limits of one group of objects: a switch and a distance in blocks per side.
// Files below version 125 store only the left switch and the four distances.
class cEdStageSub : public cSerialRecord {
  public:
    // Registered for the current version, every field 0.
    cEdStageSub();
    cEdStageSub(const cEdStageSub&) = default;
    cEdStageSub& operator=(const cEdStageSub&) = default;
    ~cEdStageSub() override;

    void RegisterMembers(std::int32_t version) override;
    // Stores the eight values in file order (switches left, right, top, bottom, then distances).
    void Set(std::int32_t s1, std::int32_t s2, std::int32_t s3, std::int32_t s4, std::int32_t s5,
             std::int32_t s6, std::int32_t s7, std::int32_t s8);

    std::int32_t m_nLeft = 0;
    std::int32_t m_nRight = 0;  // stored from 125
    std::int32_t m_nTop = 0;    // stored from 125
    std::int32_t m_nBottom = 0; // stored from 125
    std::int32_t m_nDistLeft = 0;
    std::int32_t m_nDistRight = 0;
    std::int32_t m_nDistTop = 0;
    std::int32_t m_nDistBottom = 0;
};

// One background layer.
class cEdStageTableD : public cSerialRecord {
  public:
    // Registered for the current version with the defaults of Reset.
    cEdStageTableD();
    cEdStageTableD(const cEdStageTableD&) = default;
    cEdStageTableD& operator=(const cEdStageTableD&) = default;
    ~cEdStageTableD() override;

    void RegisterMembers(std::int32_t version) override;
    // Every field 0 and the text empty, then shown 1, colour 16, speeds 0.1.
    void Reset();

    std::int32_t m_nShown = 1;   // d1: drawn only when non-zero
    std::int32_t m_nKind = 0;    // d2: 0 a picture, else a fill with colour d3
    std::int32_t m_nColour = 16; // d3: palette index of a fill
    std::int32_t m_nPass = 0;    // d4: 0 behind the objects, 1 in front
    double m_dSpeedX = 0.1;      // d5
    double m_dSpeedY = 0.1;      // d6
    std::int32_t m_nAutoX = 0;   // d7: automatic horizontal scrolling
    std::int32_t m_nAutoY = 0;   // d8
    std::string m_strFile;       // the picture file
    double m_dOffsetX = 0.0;     // d9: automatic scrolling offset, pixels
    double m_dOffsetY = 0.0;     // d10

  private:
    // Two words stored by files below version 62 and dropped on reading.
    std::int32_t m_nDropped1 = 0;
    std::int32_t m_nDropped2 = 0;
};

// One text of the stage's text list.
class cEdStageTableE : public cSerialRecord {
  public:
    cEdStageTableE();
    cEdStageTableE(const cEdStageTableE&) = default;
    cEdStageTableE& operator=(const cEdStageTableE&) = default;
    ~cEdStageTableE() override;

    void RegisterMembers(std::int32_t version) override;

    std::string m_strText;
};
