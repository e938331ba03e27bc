// Result codes, small shared structures and the reference-counted base of the graphics stand-ins.
// The two drawing back-ends (the DirectDraw-like and the Direct3D-like device) and the GDI-like
// services all answer with these codes; 0 is success everywhere.
#pragma once
#include "platform/win_types.h"
#include <atomic>
#include <cstdint>

namespace gfx {

using win::BOOL;
using win::BYTE;
using win::COLORREF;
using win::DWORD;
using win::FALSE;
using win::HWND;
using win::LONG;
using win::POINT;
using win::RECT;
using win::TRUE;
using win::UINT;
using win::WORD;
using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using INT = int;
using HANDLE = void*;

constexpr HRESULT MakeResult(std::uint32_t code) {
    return static_cast<HRESULT>(code);
}

// Success.
constexpr HRESULT S_OK = 0;
constexpr HRESULT DD_OK = 0;
constexpr HRESULT D3D_OK = 0;
// Generic failures.
constexpr HRESULT E_FAIL = MakeResult(0x80004005u);
constexpr HRESULT E_NOTIMPL = MakeResult(0x80004001u);
constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057u);
// DirectDraw-like failures.
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_INVALIDRECT = MakeResult(0x88760096u); // rectangle outside a surface
constexpr HRESULT DDERR_INVALIDMODE = MakeResult(0x887600AAu); // display mode not offered
constexpr HRESULT DDERR_NOPALETTEATTACHED = MakeResult(0x8876023Eu);
constexpr HRESULT DDERR_NOCOLORKEY = MakeResult(0x887600D7u);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeResult(0x8876017Cu);
constexpr HRESULT DDERR_SURFACEBUSY = MakeResult(0x887601AEu); // already locked
constexpr HRESULT DDERR_SURFACELOST = MakeResult(0x887601C2u); // video memory taken away
constexpr HRESULT DDERR_NOTLOCKED = MakeResult(0x88760248u);
constexpr HRESULT DDERR_WASSTILLDRAWING = MakeResult(0x8876021Cu);
constexpr HRESULT DDERR_NOTFLIPPABLE = MakeResult(0x887601E6u);
constexpr HRESULT DDERR_NODC = MakeResult(0x8876024Fu);
constexpr HRESULT DDERR_DCALREADYCREATED = MakeResult(0x8876026Cu);
// Direct3D-like failures.
constexpr HRESULT D3DERR_WASSTILLDRAWING = MakeResult(0x8876021Cu);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MakeResult(0x8876017Cu);
constexpr HRESULT D3DERR_DEVICELOST = MakeResult(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = MakeResult(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = MakeResult(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = MakeResult(0x8876086Cu);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// One palette entry: red, green, blue, flags (PC_RESERVED / PC_EXPLICIT / PC_NOCOLLAPSE).
struct PALETTEENTRY {
    BYTE peRed = 0;
    BYTE peGreen = 0;
    BYTE peBlue = 0;
    BYTE peFlags = 0;
};
constexpr BYTE PC_RESERVED = 0x01;
constexpr BYTE PC_EXPLICIT = 0x02;
constexpr BYTE PC_NOCOLLAPSE = 0x04;

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
};

// 0x00BBGGRR, as GDI writes colours.
constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}

// Base of every device object: counted references, deleted when the last one is released.
class RefCounted {
  public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;
    ULONG AddRef() { return ++refs_; }
    ULONG RefCount() const { return refs_; }
    ULONG Release() {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

  protected:
    virtual ~RefCounted() = default;

  private:
    std::atomic<ULONG> refs_{1};
};

// Releases and clears a device object pointer (does nothing for null).
template <class T> void SafeRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

} // namespace gfx
