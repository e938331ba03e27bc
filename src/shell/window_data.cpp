#include "shell/window_data.h"

#include "platform/system_metrics.h"

#include <algorithm>

cWindowData g_WindowData;

cWindowData::cWindowData() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cWindowData::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&m_nX);
    DeclareField(&m_nY);
    DeclareField(&m_nWidth);
    DeclareField(&m_nHeight);
    DeclareField(&m_bZoomed);
}

namespace {

// A client size no larger than the desktop (the window system keeps sizes in 16 bits, and a window
// larger than the screen cannot be seen whole anyway).
void ClampSize(std::int32_t& width, std::int32_t& height) {
    width = std::clamp(width, 0, win::GetSystemMetrics(win::SM_CXSCREEN));
    height = std::clamp(height, 0, win::GetSystemMetrics(win::SM_CYSCREEN));
}

} // namespace

bool cWindowData::Load(std::FILE* fp) {
    bool ok = cSerialRecord::Load(fp);
    m_nX = std::clamp(m_nX, 0, win::GetSystemMetrics(win::SM_CXSCREEN));
    m_nY = std::clamp(m_nY, 0, win::GetSystemMetrics(win::SM_CYSCREEN));
    ClampSize(m_nWidth, m_nHeight);
    return ok;
}

void cWindowData::Set(int x, int y, int width, int height, int zoomed) {
    m_nX = x;
    m_nY = y;
    m_nWidth = width;
    m_nHeight = height;
    ClampSize(m_nWidth, m_nHeight);
    m_bZoomed = zoomed;
}
