// GDI-like services: bitmaps loaded from files as DIB sections, memory device contexts, BitBlt and
// StretchBlt (negative sizes mirror), and text: fonts with the Windows face names mapped through
// fontconfig to installed faces, TextOut of CP932 text in transparent mode with hard (monochrome)
// glyph edges, SetTextColor (nearest palette entry on 8-bit targets) and GetTextExtentPoint32.
#pragma once
#include "platform/gfx/bmp.h"
#include "platform/gfx/gfx_types.h"
#include "platform/gfx/pixels.h"
#include <memory>
#include <string>

namespace gfx {

class TextFace;
struct DeviceContext;
using HDC = DeviceContext*;

// Every object a device context can select.
struct GdiObject {
    enum class Kind { Bitmap, Font };
    explicit GdiObject(Kind k) : kind(k) {}
    virtual ~GdiObject() = default;
    Kind kind;
};
using HGDIOBJ = GdiObject*;

// A DIB section: the decoded picture and a 32-bit copy for drawing.
struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(Kind::Bitmap) {}
    Dib dib;
    DeviceContext* selectedInto = nullptr;
};
using HBITMAP = BitmapObject*;

// A logical font: a face found for the name, cell height and width as GDI means them.
struct FontObject : GdiObject {
    FontObject() : GdiObject(Kind::Font) {}
    std::shared_ptr<TextFace> face;
    int height = 0;     // cell height in pixels (ascent + descent)
    int width = 0;      // average character width; 0 = the face's own proportions
    int selections = 0; // device contexts that have it selected (it cannot be deleted meanwhile)
};
using HFONT = FontObject*;

// A device context: draws into a selected bitmap (memory DC) or into a surface's pixels.
struct DeviceContext {
    PixelBuffer* target = nullptr;         // surface pixels (surface DCs)
    const PALETTEENTRY* palette = nullptr; // for 8-bit targets
    BitmapObject* bitmap = nullptr;        // memory DCs: the selected bitmap
    FontObject* font = nullptr;
    COLORREF textColour = 0;
    int bkMode = 2; // OPAQUE
    bool memory = false;
};

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int BITSPIXEL = 12;
constexpr int FW_NORMAL = 400;
constexpr DWORD SHIFTJIS_CHARSET = 128;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD NONANTIALIASED_QUALITY = 3;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FIXED_PITCH = 1;
constexpr DWORD FF_DONTCARE = 0;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 1;
    WORD bmBitsPixel = 0;
    void* bmBits = nullptr; // bottom-up rows
};
struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0; // positive: bottom-up
    WORD biPlanes = 1;
    WORD biBitCount = 0;
    DWORD biCompression = 0;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0; // entries in the colour table
    DWORD biClrImportant = 0;
};
struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3] = {};
    HANDLE dshSection = nullptr;
    DWORD dsOffset = 0;
};
struct RGBTRIPLE {
    BYTE rgbtBlue = 0;
    BYTE rgbtGreen = 0;
    BYTE rgbtRed = 0;
};
struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};

// IMAGE_BITMAP from a file (CP932 system path): a BitmapObject* as a handle, null on any failure.
HANDLE LoadImageA(HANDLE instance, const char* name, UINT type, int cx, int cy, UINT flags);
inline HANDLE LoadImage(HANDLE instance, const char* name, UINT type, int cx, int cy, UINT flags) {
    return LoadImageA(instance, name, type, cx, cy, flags);
}
// BITMAP (size >= sizeof(BITMAP)) or DIBSECTION (size >= sizeof(DIBSECTION)) of a bitmap; bytes written.
int GetObject(HGDIOBJ obj, int size, void* out);
BOOL DeleteObject(HGDIOBJ obj); // FALSE while the object is selected into a device context

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj); // returns the previously selected object of that kind
// Colour table of the bitmap selected into a memory DC; entries copied.
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* out);
int GetDeviceCaps(HDC dc, int index); // BITSPIXEL: the target's depth (the display's without a DC)
void SetDisplayBitsPerPixel(int bpp); // the desktop depth GetDeviceCaps(null) reports

// SRCCOPY between device contexts, converting colours to the destination's format (nearest palette
// entry on 8-bit destinations unless both sides are 8-bit, which copy indices). Clipped to both.
BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);
// Scaled copy; a negative width or height on either side mirrors. Destination pixel i takes source
// pixel trunc(i * sw / dw) counted from the source's starting edge.
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop);

// A font: positive height = cell height, negative = character height (em); width != 0 scales glyphs
// horizontally to that average width. The face name (CP932) is looked up through fontconfig with the
// Windows Japanese faces mapped to installed Japanese faces.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const char* face);
inline HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                        DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                        DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face) {
    return CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                       outPrecision, clipPrecision, quality, pitchAndFamily, face);
}
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF colour);
// Draws `count` bytes of CP932 text with the cell's top-left at (x, y); only glyph pixels are written.
BOOL TextOutA(HDC dc, int x, int y, const char* text, int count);
inline BOOL TextOut(HDC dc, int x, int y, const char* text, int count) {
    return TextOutA(dc, x, y, text, count);
}
BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size);
inline BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size) {
    return GetTextExtentPoint32A(dc, text, count, size);
}

// The value GDI writes for a colour into a surface of the given format: 16-bit channels are rounded to
// the nearest level, so that a channel value c widened as c x 255 / maximum comes back as c.
std::uint32_t GdiColourValue(PixelFormat f, std::uint32_t argb);

// A device context drawing into a pixel store (used by the surfaces' GetDC).
HDC CreateSurfaceDC(PixelBuffer* target, const PALETTEENTRY* palette);
void DeleteSurfaceDC(HDC dc);

} // namespace gfx
