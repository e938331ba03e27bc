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

bool cWindowData::Load(std::FILE* fp) {
    bool ok = cSerialRecord::Load(fp);
    m_nX = std::clamp(m_nX, 0, win::GetSystemMetrics(win::SM_CXSCREEN));
    m_nY = std::clamp(m_nY, 0, win::GetSystemMetrics(win::SM_CYSCREEN));
    return ok;
}

void cWindowData::Set(int x, int y, int width, int height, int zoomed) {
    m_nX = x;
    m_nY = y;
    m_nWidth = width;
    m_nHeight = height;
    m_bZoomed = zoomed;
}
