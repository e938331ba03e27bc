#include "ui/window_object.h"

#include "app/log.h"
#include "platform/keyboard.h"
#include "ui/desktop.h"
#include "ui/message_names.h"

namespace ui {
namespace {

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int SCROLL_HORZ = 1;
constexpr int SCROLL_VERT = 2;

} // namespace

void cWindow::SetWindowGeometry(int clientW, int clientH, int minW, int minH, int maxW, int maxH,
                                win::DWORD style, bool menu, int toolRows, int statusKind, int,
                                int scrollFlags) {
    m_dwStyle = style;
    m_bMenu = menu;
    m_nToolRows = toolRows;
    m_nStatusKind = statusKind;
    m_nScrollFlags = scrollFlags;
    // The caller's sizes are those of the view: the bars come on top.
    const int addW = (scrollFlags & SCROLL_VERT) ? SM_CXVSCROLL : 0;
    const int addH = toolRows * TOOLBAR_ROW_HEIGHT + ((scrollFlags & SCROLL_HORZ) ? SM_CYHSCROLL : 0) +
                     (statusKind == 1 ? STATUSBAR_HEIGHT : 0);
    m_nClientW = clientW + addW;
    m_nClientH = clientH + addH;
    m_nMinW = minW + addW;
    m_nMinH = minH + addH;
    m_nMaxW = maxW + addW;
    m_nMaxH = maxH + addH;
    ComputeFrames();
}

void cWindow::ComputeFrames() {
    m_nFrameL = m_nFrameR = m_nFrameT = m_nFrameB = 0;
    if ((m_dwStyle & WS_CAPTION) == WS_CAPTION) m_nFrameT += SM_CYCAPTION;
    if (m_dwStyle & WS_THICKFRAME) {
        m_nFrameL += SM_CXFRAME;
        m_nFrameR += SM_CXFRAME;
        m_nFrameT += SM_CYFRAME;
        m_nFrameB += SM_CYFRAME;
    } else if (m_dwStyle & WS_DLGFRAME) {
        m_nFrameL += SM_CXDLGFRAME;
        m_nFrameR += SM_CXDLGFRAME;
        m_nFrameT += SM_CYDLGFRAME;
        m_nFrameB += SM_CYDLGFRAME;
    }
    if (m_bMenu) m_nFrameT += SM_CYMENU;
    m_nWindowW = m_nClientW + m_nFrameL + m_nFrameR;
    m_nWindowH = m_nClientH + m_nFrameT + m_nFrameB;
    m_nViewX = 0;
    m_nViewY = m_nToolRows * TOOLBAR_ROW_HEIGHT;
    m_nViewW = m_nClientW - ((m_nScrollFlags & SCROLL_VERT) ? SM_CXVSCROLL : 0);
    m_nViewH = m_nClientH - m_nViewY - ((m_nScrollFlags & SCROLL_HORZ) ? SM_CYHSCROLL : 0) -
               (m_nStatusKind == 1 ? STATUSBAR_HEIGHT : 0);
}

void cWindow::RefreshGeometry() {
    ComputeFrames();
}

void cWindow::MoveWindowTo(int x, int y) {
    m_nLeft = x;
    m_nTop = y;
    RefreshGeometry();
}

void cWindow::CenterOnDesktop() {
    const win::RECT d = GetWorkArea();
    MoveWindowTo(d.left + ((d.right - d.left) - m_nWindowW) / 2,
                 d.top + ((d.bottom - d.top) - m_nWindowH) / 2);
}

void cWindow::SetWindowStyle(win::DWORD bits) {
    m_dwStyle |= bits;
    RefreshGeometry();
}

void cWindow::GetMinMaxInfo(MINMAXINFO* info) const {
    if (!info) return;
    const int fw = m_nFrameL + m_nFrameR, fh = m_nFrameT + m_nFrameB;
    info->ptMinTrackSize = win::POINT{m_nMinW + fw, m_nMinH + fh};
    info->ptMaxTrackSize = win::POINT{m_nMaxW + fw, m_nMaxH + fh};
}

void cWindow::FitIntoWorkArea() {
    if (m_nReqLeft == NO_POSITION || m_nReqTop == NO_POSITION) return;
    const win::RECT area = GetWorkArea();
    int x = m_nReqLeft, y = m_nReqTop;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x + m_nWindowW >= area.right) x = area.right - m_nWindowW;
    if (y + m_nWindowH >= area.bottom) y = area.bottom - m_nWindowH;
    m_nReqLeft = x;
    m_nReqTop = y;
    MoveWindowTo(x, y);
}

int cWindow::GetClientCursorPos(int acceptOutside, int buttonFlags) {
    win::POINT pt = m_Mouse.screen;
    if (!GetCursorPos(&pt)) ECLog("GetCursorPos失敗！");
    const int x = pt.x - (m_nLeft + m_nFrameL) - m_nViewX;
    const int y = pt.y - (m_nTop + m_nFrameT) - m_nViewY;
    if (!acceptOutside && (x < 0 || y < 0 || x >= m_nViewW || y >= m_nViewH)) return 0;
    m_Mouse.x = x;
    m_Mouse.y = y;
    m_Mouse.screen = win::POINT{m_nLeft + x, m_nTop + m_nFrameT + m_nViewY + y};
    SampleButtons(buttonFlags);
    return 1;
}

void cWindow::SampleButtons(int flags) {
    const bool l = win::GetAsyncKeyState(VK_LBUTTON) < 0;
    const bool r = win::GetAsyncKeyState(VK_RBUTTON) < 0;
    if (flags & SAMPLE_RELEASED) {
        m_Mouse.lReleased = m_Mouse.lHeld && !l;
        m_Mouse.rReleased = m_Mouse.rHeld && !r;
    }
    if (flags & SAMPLE_PRESSED) {
        m_Mouse.lPressed = l && !m_bLLatch;
        m_Mouse.rPressed = r && !m_bRLatch;
        m_bLLatch = l;
        m_bRLatch = r;
    }
    if (flags & SAMPLE_HELD) {
        m_Mouse.lHeld = l;
        m_Mouse.rHeld = r;
    }
}

win::LRESULT cWindow::HandleMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    m_hWnd = hwnd;
    if (msg == WM_COMMAND) {
        if (m_bInCommand) return 0;
        m_bInCommand = true;
    }
    GetClientCursorPos(0, SAMPLE_HELD | SAMPLE_PRESSED | SAMPLE_RELEASED);
    switch (msg) {
    case win::WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 1;
    case win::WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 1;
    case win::WM_LBUTTONUP:
        OnLButtonUp(wParam, lParam);
        return 1;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(wParam, lParam);
        return 1;
    case WM_RBUTTONDOWN:
        OnRButtonDown(wParam, lParam);
        return 1;
    case WM_RBUTTONUP:
        OnRButtonUp(wParam, lParam);
        return 1;
    case WM_RBUTTONDBLCLK:
        OnRButtonDblClk(wParam, lParam);
        return 1;
    case win::WM_PAINT:
        Draw();
        return 1;
    case win::WM_DESTROY:
        m_hWnd = nullptr;
        return 1;
    case win::WM_MOVE:
    case win::WM_ACTIVATEAPP:
        return 1;
    case win::WM_SIZE:
        RefreshGeometry();
        return 1;
    case WM_GETMINMAXINFO:
        GetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 1;
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        m_bInCommand = false;
        return 1;
    default:
        return 0;
    }
}

bool cMemoryDC::Create(gfx::HDC dc, gfx::HBITMAP bitmap) {
    Release();
    hDC = gfx::CreateCompatibleDC(dc);
    if (!hDC) return false;
    hBitmap = bitmap;
    if (bitmap) hOld = gfx::SelectObject(hDC, bitmap);
    return true;
}

void cMemoryDC::Release() {
    if (hDC) {
        if (hOld) gfx::SelectObject(hDC, hOld);
        if (hOld2) gfx::SelectObject(hDC, hOld2);
    }
    // The context goes first: a bitmap still selected into it cannot be deleted.
    if (hDC) gfx::DeleteDC(hDC);
    if (hBitmap) gfx::DeleteObject(hBitmap);
    if (hBitmap2) gfx::DeleteObject(hBitmap2);
    hDC = nullptr;
    hBitmap = hBitmap2 = nullptr;
    hOld = hOld2 = nullptr;
}

void cMemoryDC::ReleaseBitmap() {
    if (hBitmap2) {
        if (hDC && hOld2) gfx::SelectObject(hDC, hOld2);
        gfx::DeleteObject(hBitmap2);
    }
    hBitmap2 = nullptr;
    hOld2 = nullptr;
}

} // namespace ui
