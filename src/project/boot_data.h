// The start-up choice "user_data\Boot.dat": the drawing back-end and whether to ask again.
#pragma once

#include "records/serial_record.h"

#include <cstdint>

class cBootData : public cSerialRecord {
  public:
    std::int32_t nDrawMode = 0; // 1 Direct3D, 0 DirectDraw
    std::int32_t bNoAsk = 0;    // non-zero: the start-up dialog is not shown again

    cBootData();
    void RegisterMembers(std::int32_t version) override;
};

extern cBootData g_BootData;
