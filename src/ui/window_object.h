// The toolkit's window object: the geometry of a window (client size wanted, limits, style, frame and
// bar sizes, position), the mouse sampled in view coordinates, and the message handler that every
// message of a window passes first (logging, mouse sampling, routing to the object's operations).
//
// The toolkit's windows are drawn inside the game window, so their "screen" is the game area
// (ui/desktop.h) and the frame sizes are fixed numbers of our own.
#pragma once
#include "platform/gfx/gdi.h"
#include "platform/win_types.h"

#include <string>

namespace ui {

// Style bits of the style word.
constexpr win::DWORD WS_POPUP = 0x80000000;
constexpr win::DWORD WS_VISIBLE = 0x10000000;
constexpr win::DWORD WS_DISABLED = 0x08000000;
constexpr win::DWORD WS_CAPTION = 0x00C00000;
constexpr win::DWORD WS_BORDER = 0x00800000;
constexpr win::DWORD WS_DLGFRAME = 0x00400000;
constexpr win::DWORD WS_SYSMENU = 0x00080000;
constexpr win::DWORD WS_THICKFRAME = 0x00040000;
constexpr win::DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr win::DWORD WS_MAXIMIZEBOX = 0x00010000;

// Frame and bar metrics of the toolkit's windows, in pixels.
constexpr int SM_CYCAPTION = 19;
constexpr int SM_CXFRAME = 4;
constexpr int SM_CYFRAME = 4;
constexpr int SM_CXDLGFRAME = 3;
constexpr int SM_CYDLGFRAME = 3;
constexpr int SM_CYMENU = 19;
constexpr int SM_CXVSCROLL = 17;
constexpr int SM_CYHSCROLL = 17;
constexpr int TOOLBAR_ROW_HEIGHT = 28;
constexpr int STATUSBAR_HEIGHT = 20;

// A requested position coordinate meaning "not set".
constexpr int NO_POSITION = -1000;

struct MINMAXINFO {
    win::POINT ptReserved, ptMaxSize, ptMaxPosition, ptMinTrackSize, ptMaxTrackSize;
};

// The mouse as the window last sampled it.
struct MouseRecord {
    int x = 0, y = 0;  // relative to the view origin
    win::POINT screen; // on the desktop
    int lHeld = 0, rHeld = 0;
    int lPressed = 0, rPressed = 0;   // went down since the last sample
    int lReleased = 0, rReleased = 0; // went up since the last sample
};

// Button-sampling flags.
constexpr int SAMPLE_HELD = 1;
constexpr int SAMPLE_PRESSED = 2;
constexpr int SAMPLE_RELEASED = 4;

class cWindow {
  public:
    cWindow() = default;
    virtual ~cWindow() = default;
    cWindow(const cWindow&) = delete;
    cWindow& operator=(const cWindow&) = delete;

    // Operations reached through the message handler.
    virtual win::LRESULT OnCommand(win::WPARAM, win::LPARAM) { return 0; }
    virtual void OnMouseMove(win::WPARAM, win::LPARAM) {}
    virtual void OnLButtonDown(win::WPARAM, win::LPARAM) {}
    virtual void OnRButtonDown(win::WPARAM, win::LPARAM) {}
    virtual void OnLButtonDblClk(win::WPARAM, win::LPARAM) {}
    virtual void OnRButtonDblClk(win::WPARAM, win::LPARAM) {}
    virtual void OnLButtonUp(win::WPARAM, win::LPARAM) {}
    virtual void OnRButtonUp(win::WPARAM, win::LPARAM) {}
    virtual int Draw() { return 0; }

    // Stores everything before the window exists; the sizes are those of the view (bars are added).
    void SetWindowGeometry(int clientW, int clientH, int minW, int minH, int maxW, int maxH, win::DWORD style,
                           bool menu, int toolRows, int statusKind, int reserved, int scrollFlags);
    // Frame sizes, window size and view rectangle from the current style and client size.
    void RefreshGeometry();
    void MoveWindowTo(int x, int y);
    void CenterOnDesktop();
    void SetWindowStyle(win::DWORD bits);
    win::POINT GetWindowPos() const { return win::POINT{m_nLeft, m_nTop}; }
    void GetMinMaxInfo(MINMAXINFO* info) const;
    // The requested position clamped into the work area, stored back, and the window moved there;
    // nothing happens without a requested position.
    void FitIntoWorkArea();
    void SetRequestedPos(int x, int y) {
        m_nReqLeft = x;
        m_nReqTop = y;
    }
    win::POINT GetRequestedPos() const { return win::POINT{m_nReqLeft, m_nReqTop}; }

    // 1 when the cursor position was stored, 0 when it lies outside the view and `acceptOutside` is 0.
    int GetClientCursorPos(int acceptOutside, int buttonFlags);
    void SampleButtons(int flags);
    const MouseRecord& Mouse() const { return m_Mouse; }

    // Every message passes here first: 1 when handled, 0 when the caller is to handle it.
    virtual win::LRESULT HandleMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

    // Geometry as computed.
    int ClientWidth() const { return m_nClientW; }
    int ClientHeight() const { return m_nClientH; }
    int WindowWidth() const { return m_nWindowW; }
    int WindowHeight() const { return m_nWindowH; }
    int FrameLeft() const { return m_nFrameL; }
    int FrameTop() const { return m_nFrameT; }
    int FrameRight() const { return m_nFrameR; }
    int FrameBottom() const { return m_nFrameB; }
    win::RECT View() const { return win::RECT{m_nViewX, m_nViewY, m_nViewX + m_nViewW, m_nViewY + m_nViewH}; }
    win::DWORD Style() const { return m_dwStyle; }

    win::HWND m_hWnd = nullptr;

  protected:
    void ComputeFrames();

    int m_nLeft = 0, m_nTop = 0;
    int m_nReqLeft = NO_POSITION, m_nReqTop = NO_POSITION;
    int m_nClientW = 0, m_nClientH = 0; // wanted client size, bars included
    int m_nMinW = 0, m_nMinH = 0, m_nMaxW = 0, m_nMaxH = 0;
    int m_nWindowW = 0, m_nWindowH = 0;
    win::DWORD m_dwStyle = 0;
    bool m_bMenu = false;
    int m_nToolRows = 0, m_nStatusKind = 0, m_nScrollFlags = 0;
    int m_nFrameL = 0, m_nFrameR = 0, m_nFrameT = 0, m_nFrameB = 0;
    int m_nViewX = 0, m_nViewY = 0, m_nViewW = 0, m_nViewH = 0;
    MouseRecord m_Mouse;
    bool m_bLLatch = false, m_bRLatch = false;
    bool m_bInCommand = false;
};

// A memory drawing context with a bitmap selected into it, and a second bitmap slot.
struct cMemoryDC {
    gfx::HDC hDC = nullptr;
    gfx::HBITMAP hBitmap = nullptr;
    gfx::HGDIOBJ hOld = nullptr;
    gfx::HBITMAP hBitmap2 = nullptr;
    gfx::HGDIOBJ hOld2 = nullptr;
    // A context compatible with `dc` holding `bitmap` (owned from now on); false when it cannot be made.
    bool Create(gfx::HDC dc, gfx::HBITMAP bitmap);
    // Selects the old objects back and deletes both bitmaps and the context.
    void Release();
    // Deletes only the second bitmap.
    void ReleaseBitmap();
    ~cMemoryDC() { Release(); }
};

} // namespace ui
