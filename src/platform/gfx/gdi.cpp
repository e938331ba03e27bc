#include "platform/gfx/gdi.h"
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <unordered_map>

namespace gfx {
namespace {

std::atomic<int> g_displayBpp{32};

// What a device context reads pixels from.
struct Source {
    const PixelBuffer* pixels = nullptr;
    const PALETTEENTRY* palette = nullptr;
    const Dib* dib = nullptr;
    int w = 0, h = 0;
    bool indexed = false;

    explicit Source(HDC dc) {
        if (!dc) return;
        if (dc->bitmap) {
            dib = &dc->bitmap->dib;
            w = dib->width;
            h = dib->height;
            indexed = dib->bitCount <= 8;
        } else if (dc->target) {
            pixels = dc->target;
            palette = dc->palette;
            w = pixels->width;
            h = pixels->height;
            indexed = pixels->format == PixelFormat::Index8;
        }
    }
    std::uint32_t Raw(int x, int y) const { return dib ? dib->PixelRaw(x, y) : pixels->Get(x, y); }
    std::uint32_t Argb(int x, int y) const {
        if (dib) return dib->PixelArgb(x, y);
        const std::uint32_t raw = pixels->Get(x, y);
        if (pixels->format == PixelFormat::Index8) {
            return palette ? PaletteToArgb(palette[raw]) : 0xFF000000u | raw * 0x010101u;
        }
        return ToArgb(pixels->format, raw);
    }
};

// Writes colours into a device context's pixels, converting to its format.
struct Sink {
    PixelBuffer* pixels;
    const PALETTEENTRY* palette;
    std::unordered_map<std::uint32_t, std::uint32_t> nearest;

    std::uint32_t FromColour(std::uint32_t argb) {
        if (pixels->format != PixelFormat::Index8) return GdiColourValue(pixels->format, argb);
        if (!palette) return FromArgb(PixelFormat::Index8, argb);
        auto it = nearest.find(argb);
        if (it != nearest.end()) return it->second;
        const auto idx = static_cast<std::uint32_t>(NearestIndex(palette, 256, argb));
        nearest.emplace(argb, idx);
        return idx;
    }
};

// A channel of `from` bits as a channel of `to` bits: widened by repeating its top bits, or cut.
std::uint32_t Rebits(std::uint32_t v, int from, int to) {
    if (from == to || from == 0) return v;
    if (from > to) return v >> (from - to);
    std::uint32_t out = v << (to - from);
    return out | (v >> (2 * from - to > 0 ? 2 * from - to : 0));
}

// A 16-bit picture's pixel in a 16-bit surface's format, channel by channel.
std::uint32_t Channels16(const Dib& d, std::uint32_t raw, PixelFormat f) {
    std::uint32_t c[3];
    const std::uint32_t masks[3] = {d.redMask, d.greenMask, d.blueMask};
    for (int i = 0; i < 3; ++i)
        c[i] = (raw & masks[i]) >> d.maskShift[i];
    if (f == PixelFormat::R5G6B5)
        return Rebits(c[0], d.maskBits[0], 5) << 11 | Rebits(c[1], d.maskBits[1], 6) << 5 |
               Rebits(c[2], d.maskBits[2], 5);
    return (f == PixelFormat::X1R5G5B5 || f == PixelFormat::A1R5G5B5 ? 0x8000u : 0) |
           Rebits(c[0], d.maskBits[0], 5) << 10 | Rebits(c[1], d.maskBits[1], 5) << 5 |
           Rebits(c[2], d.maskBits[2], 5);
}

// Turns rows of a picture into values of a surface's format: the value of each palette index, or of
// each channel's value, worked out once; a pixel's value is then that of its index, or its channels'
// values put together (every format's conversion treats the channels apart).
class DibRows {
  public:
    DibRows(const Dib& dib, Sink& out, bool channels16) : dib_(dib) {
        if (dib.bitCount <= 8) {
            for (std::uint32_t k = 0; k < 256; ++k)
                lut_[k] = out.FromColour(k < dib.colours.size() ? dib.ArgbOfRaw(k) : 0xFF000000u);
            return;
        }
        const bool deep = dib.bitCount == 24;
        for (int c = 0; c < 3; ++c) {
            const int shift = deep ? 16 - 8 * c : dib.maskShift[c];
            const std::uint32_t mask = deep ? 0xFFu << shift
                                            : (c == 0   ? dib.redMask
                                               : c == 1 ? dib.greenMask
                                                        : dib.blueMask);
            const std::uint32_t values = (mask >> shift) + 1;
            if (mask == 0 || values > 4096) return; // not worth a table
            shift_[c] = shift;
            mask_[c] = mask;
            table_[c].resize(values);
            for (std::uint32_t v = 0; v < values; ++v) {
                const std::uint32_t raw = v << shift;
                table_[c][v] = channels16 ? Channels16(dib, raw, out.pixels->format)
                                          : out.FromColour(dib.ArgbOfRaw(raw));
            }
        }
        ok_ = true;
    }
    // Whether rows of this picture can be turned (pictures of 8 bits or fewer always can).
    bool Ok() const { return dib_.bitCount <= 8 || ok_; }
    // The values of n pixels of row y (from the top), from column x.
    void Row(int x, int y, int n, std::uint32_t* out) const {
        if (dib_.bitCount <= 8) {
            for (int i = 0; i < n; ++i)
                out[i] = lut_[dib_.PixelRaw(x + i, y) & 0xFF];
            return;
        }
        const std::uint8_t* row =
            dib_.bits.data() + static_cast<std::size_t>(dib_.height - 1 - y) * dib_.stride;
        const int bytes = dib_.bitCount / 8;
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * bytes;
        for (int i = 0; i < n; ++i, p += bytes) {
            std::uint32_t raw = p[0] | p[1] << 8;
            if (bytes >= 3) raw |= static_cast<std::uint32_t>(p[2]) << 16;
            if (bytes == 4) raw |= static_cast<std::uint32_t>(p[3]) << 24;
            out[i] = table_[0][(raw & mask_[0]) >> shift_[0]] | table_[1][(raw & mask_[1]) >> shift_[1]] |
                     table_[2][(raw & mask_[2]) >> shift_[2]];
        }
    }

  private:
    const Dib& dib_;
    std::uint32_t lut_[256] = {};
    std::vector<std::uint32_t> table_[3];
    std::uint32_t mask_[3] = {};
    int shift_[3] = {};
    bool ok_ = false;
};

// Writes n values into row y of a buffer from column x.
void PutRow(PixelBuffer& d, int x, int y, int n, const std::uint32_t* v) {
    std::uint8_t* row = d.Row(y);
    switch (BytesPerPixel(d.format)) {
    case 1:
        for (int i = 0; i < n; ++i)
            row[x + i] = static_cast<std::uint8_t>(v[i]);
        break;
    case 2: {
        auto* p = reinterpret_cast<std::uint16_t*>(row) + x;
        for (int i = 0; i < n; ++i)
            p[i] = static_cast<std::uint16_t>(v[i]);
        break;
    }
    case 3:
        for (int i = 0; i < n; ++i) {
            std::uint8_t* q = row + static_cast<std::size_t>(x + i) * 3;
            q[0] = static_cast<std::uint8_t>(v[i]);
            q[1] = static_cast<std::uint8_t>(v[i] >> 8);
            q[2] = static_cast<std::uint8_t>(v[i] >> 16);
        }
        break;
    default:
        std::memcpy(row + static_cast<std::size_t>(x) * 4, v, static_cast<std::size_t>(n) * 4);
        break;
    }
}

// Normalises a signed extent to a start pixel and a direction: a negative extent at `start` covers
// start, start - 1, ... (the first pixel is the start itself).
int SourcePixel(int start, int extent, int i, int destExtent) {
    const long long step = static_cast<long long>(i) * std::abs(extent) / destExtent;
    return extent < 0 ? start - static_cast<int>(step) : start + static_cast<int>(step);
}

} // namespace

std::uint32_t GdiColourValue(PixelFormat f, std::uint32_t argb) {
    return FromArgb(f, argb);
}

void SetDisplayBitsPerPixel(int bpp) {
    g_displayBpp = bpp;
}

HDC CreateSurfaceDC(PixelBuffer* target, const PALETTEENTRY* palette) {
    auto* dc = new DeviceContext();
    dc->target = target;
    dc->palette = palette;
    return dc;
}

void DeleteSurfaceDC(HDC dc) {
    if (dc && dc->font) --dc->font->selections;
    delete dc;
}

int GetDeviceCaps(HDC dc, int index) {
    if (index != BITSPIXEL) return 0;
    if (dc && dc->target) return BitsPerPixel(dc->target->format);
    if (dc && dc->bitmap) return dc->bitmap->dib.bitCount;
    return g_displayBpp;
}

HANDLE LoadImageA(HANDLE, const char* name, UINT type, int, int, UINT flags) {
    if (!name || type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE)) return nullptr;
    auto* bmp = new BitmapObject();
    if (!LoadBmpFile(name, bmp->dib)) {
        delete bmp;
        return nullptr;
    }
    return static_cast<void*>(bmp);
}

int GetObject(HGDIOBJ obj, int size, void* out) {
    if (!obj || obj->kind != GdiObject::Kind::Bitmap || !out) return 0;
    const Dib& d = static_cast<BitmapObject*>(obj)->dib;
    BITMAP bm;
    bm.bmWidth = d.width;
    bm.bmHeight = d.height;
    bm.bmWidthBytes = d.stride;
    bm.bmBitsPixel = static_cast<WORD>(d.bitCount);
    bm.bmBits = const_cast<std::uint8_t*>(d.bits.data());
    if (size >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds;
        ds.dsBm = bm;
        ds.dsBmih.biWidth = d.width;
        ds.dsBmih.biHeight = d.height;
        ds.dsBmih.biBitCount = static_cast<WORD>(d.bitCount);
        ds.dsBmih.biCompression = (d.bitCount == 16 || d.bitCount == 32) ? 3 : 0;
        ds.dsBmih.biSizeImage = static_cast<DWORD>(d.bits.size());
        ds.dsBmih.biClrUsed = static_cast<DWORD>(d.colours.size());
        ds.dsBitfields[0] = d.redMask;
        ds.dsBitfields[1] = d.greenMask;
        ds.dsBitfields[2] = d.blueMask;
        *static_cast<DIBSECTION*>(out) = ds;
        return sizeof(DIBSECTION);
    }
    if (size >= static_cast<int>(sizeof(BITMAP))) {
        *static_cast<BITMAP*>(out) = bm;
        return sizeof(BITMAP);
    }
    return 0;
}

BOOL DeleteObject(HGDIOBJ obj) {
    if (!obj) return FALSE;
    if (obj->kind == GdiObject::Kind::Bitmap) {
        auto* bmp = static_cast<BitmapObject*>(obj);
        if (bmp->selectedInto) return FALSE; // still selected into a device context
    } else if (static_cast<FontObject*>(obj)->selections > 0) {
        return FALSE;
    }
    delete obj;
    return TRUE;
}

HDC CreateCompatibleDC(HDC) {
    auto* dc = new DeviceContext();
    dc->memory = true;
    return dc;
}

BOOL DeleteDC(HDC dc) {
    if (!dc || !dc->memory) return FALSE;
    if (dc->bitmap) dc->bitmap->selectedInto = nullptr;
    if (dc->font) --dc->font->selections;
    delete dc;
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
    if (!dc || !obj) return nullptr;
    if (obj->kind == GdiObject::Kind::Font) {
        HGDIOBJ old = dc->font;
        if (dc->font) --dc->font->selections;
        dc->font = static_cast<FontObject*>(obj);
        ++dc->font->selections;
        return old;
    }
    auto* bmp = static_cast<BitmapObject*>(obj);
    if (!dc->memory || (bmp->selectedInto && bmp->selectedInto != dc)) return nullptr;
    HGDIOBJ old = dc->bitmap;
    if (dc->bitmap) dc->bitmap->selectedInto = nullptr;
    dc->bitmap = bmp;
    bmp->selectedInto = dc;
    return old;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* out) {
    if (!dc || !dc->bitmap || !out) return 0;
    const auto& colours = dc->bitmap->dib.colours;
    UINT n = 0;
    for (UINT i = start; i < colours.size() && n < count; ++i, ++n)
        out[n] = RGBQUAD{colours[i].peBlue, colours[i].peGreen, colours[i].peRed, 0};
    return n;
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
    if (!dst || !src || rop != SRCCOPY || !dst->target) return FALSE;
    if (w == 0 || h == 0 || sw == 0 || sh == 0) return TRUE;
    // Extents and positions beyond any surface are refused rather than walked.
    constexpr int kLimit = 1 << 16;
    for (int v : {w, h, sw, sh})
        if (v < -kLimit || v > kLimit) return FALSE;
    for (int v : {x, y, sx, sy})
        if (v < -(1 << 30) || v > (1 << 30)) return FALSE;
    Source s(src);
    if (s.w == 0) return FALSE;
    // A negative destination extent mirrors: make it positive and run the source the other way.
    if (w < 0) {
        x = x + w + 1;
        w = -w;
        sx = sw > 0 ? sx + sw - 1 : sx + sw + 1;
        sw = -sw;
    }
    if (h < 0) {
        y = y + h + 1;
        h = -h;
        sy = sh > 0 ? sy + sh - 1 : sy + sh + 1;
        sh = -sh;
    }
    Sink out{dst->target, dst->palette, {}};
    PixelBuffer& d = *dst->target;
    // Values that need no colour conversion are copied as they are: indices between 8-bit pictures and
    // surfaces, and pixels between surfaces of one format. 16-bit pictures into 16-bit surfaces keep their
    // channels exactly (only a green of another width is widened or narrowed).
    const bool copyRaw =
        (s.indexed && d.format == PixelFormat::Index8) || (s.pixels && s.pixels->format == d.format);
    const bool channels16 = s.dib && s.dib->bitCount == 16 && BytesPerPixel(d.format) == 2;
    auto value = [&](int fx, int fy) -> std::uint32_t {
        if (copyRaw) return s.Raw(fx, fy);
        if (channels16) return Channels16(*s.dib, s.Raw(fx, fy), d.format);
        return out.FromColour(s.Argb(fx, fy));
    };
    // An unscaled copy of a picture into a surface of colours (how a loaded picture reaches its
    // surface): whole rows at a time, each palette index or channel value converted once.
    const Dib* dib = s.dib;
    if (w == sw && h == sh && sw > 0 && sh > 0 && dib && !copyRaw && d.format != PixelFormat::Index8) {
        const DibRows rows(*dib, out, channels16);
        if (rows.Ok()) {
            const int i0 = std::max({0, -x, -sx}), i1 = std::min({w, d.width - x, s.w - sx});
            if (i0 >= i1) return TRUE;
            std::vector<std::uint32_t> values(static_cast<std::size_t>(i1 - i0));
            for (int j = 0; j < h; ++j) {
                const int ty = y + j, fy = sy + j;
                if (ty < 0 || ty >= d.height || fy < 0 || fy >= s.h) continue;
                rows.Row(sx + i0, fy, i1 - i0, values.data());
                PutRow(d, x + i0, ty, i1 - i0, values.data());
            }
            return TRUE;
        }
    }
    for (int j = 0; j < h; ++j) {
        const int ty = y + j;
        const int fy = SourcePixel(sy, sh, j, h);
        if (ty < 0 || ty >= d.height || fy < 0 || fy >= s.h) continue;
        for (int i = 0; i < w; ++i) {
            const int tx = x + i;
            const int fx = SourcePixel(sx, sw, i, w);
            if (tx < 0 || tx >= d.width || fx < 0 || fx >= s.w) continue;
            d.Set(tx, ty, value(fx, fy));
        }
    }
    return TRUE;
}

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    if (w < 0 || h < 0) return FALSE;
    return StretchBlt(dst, x, y, w, h, src, sx, sy, w, h, rop);
}

} // namespace gfx
