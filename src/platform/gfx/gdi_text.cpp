// GDI-like text: fonts, colours and TextOut / GetTextExtentPoint32 with hard glyph edges.
#include "platform/gfx/gdi.h"
#include "platform/gfx/text.h"
#include <algorithm>
#include <cstring>

namespace gfx {
namespace {

// The font a device context draws with: its selected one, else the system's default.
FontObject* CurrentFont(HDC dc) {
    if (dc && dc->font) return dc->font;
    static FontObject* fallback = [] {
        auto* f = new FontObject();
        f->face = TextFace::Open("MS Gothic");
        f->height = 16;
        return f;
    }();
    return fallback;
}

// Bytes of the text: up to its terminator, and never past it even when a longer count is given.
int TextLength(const char* text, int count) {
    if (!text) return 0;
    return count < 0 ? static_cast<int>(std::strlen(text)) : static_cast<int>(strnlen(text, count));
}

} // namespace

HFONT CreateFontA(int height, int width, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  DWORD, const char* face) {
    auto face_ = TextFace::Open(face ? face : "");
    if (!face_) return nullptr;
    auto* f = new FontObject();
    f->face = face_;
    if (height < 0) {
        // A negative height is the character (em) height: the cell adds the internal leading.
        f->height = face_->CellForEm(-height);
    } else {
        f->height = height == 0 ? 16 : height;
    }
    f->width = std::max(0, width);
    return f;
}

int SetBkMode(HDC dc, int mode) {
    if (!dc) return 0;
    const int old = dc->bkMode;
    dc->bkMode = mode;
    return old;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    if (!dc) return CLR_INVALID;
    const COLORREF old = dc->textColour;
    dc->textColour = colour;
    return old;
}

BOOL TextOutA(HDC dc, int x, int y, const char* text, int count) {
    if (!dc || !dc->target || !text) return FALSE;
    if (x < -(1 << 30) || x > (1 << 30) || y < -(1 << 30) || y > (1 << 30))
        return FALSE; // far off any surface
    FontObject* font = CurrentFont(dc);
    if (!font->face) return FALSE;
    PixelBuffer& t = *dc->target;
    const COLORREF c = dc->textColour;
    const std::uint32_t argb =
        0xFF000000u | std::uint32_t(GetRValue(c)) << 16 | std::uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    // At 8 bits the colour is the nearest entry of the palette in use.
    const std::uint32_t raw = t.format == PixelFormat::Index8 && dc->palette
                                  ? static_cast<std::uint32_t>(NearestIndex(dc->palette, 256, argb))
                                  : GdiColourValue(t.format, argb);
    int pen = x;
    for (std::uint32_t cp :
         DecodeCp932(std::string_view(text, static_cast<std::size_t>(TextLength(text, count))))) {
        if (cp < 0x20) continue;
        const Glyph& g = font->face->GetLinked(cp, font->height, font->width, true);
        for (int gy = 0; gy < g.h; ++gy) {
            const int py = y + g.top + gy;
            if (py < 0 || py >= t.height) continue;
            for (int gx = 0; gx < g.w; ++gx) {
                const int px = pen + g.left + gx;
                if (px < 0 || px >= t.width) continue;
                if (g.coverage[static_cast<std::size_t>(gy) * g.w + gx]) t.Set(px, py, raw);
            }
        }
        pen += g.advance;
    }
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size) {
    if (!size || !text) return FALSE;
    FontObject* font = CurrentFont(dc);
    if (!font->face) return FALSE;
    int w = 0;
    for (std::uint32_t cp :
         DecodeCp932(std::string_view(text, static_cast<std::size_t>(TextLength(text, count))))) {
        if (cp < 0x20) continue;
        w += font->face->GetLinked(cp, font->height, font->width, true).advance;
    }
    size->cx = w;
    size->cy = font->height;
    return TRUE;
}

} // namespace gfx
