// The window placement kept in "user_data\Window.dat": the window's top-left corner on the
// screen, its client size and whether it was maximised.
#pragma once
#include "records/serial_record.h"

#include <cstdint>

class cWindowData : public cSerialRecord {
  public:
    cWindowData();
    void RegisterMembers(std::int32_t version) override;
    // Reads the record; a corner outside the screen (a display that is gone) is moved onto it, and
    // a size larger than the desktop becomes the desktop's.
    bool Load(std::FILE* fp) override;
    // The placement to store; a size larger than the desktop is stored as the desktop's.
    void Set(int x, int y, int width, int height, int zoomed);

    std::int32_t m_nX = 0;
    std::int32_t m_nY = 0;
    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
    std::int32_t m_bZoomed = 0;
};

extern cWindowData g_WindowData;
