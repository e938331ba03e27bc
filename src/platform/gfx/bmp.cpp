#include "platform/gfx/bmp.h"
#include "platform/file_system.h"
#include "platform/gfx/cpu.h"
#include <cstdio>
#include <cstring>
#include <new>
#ifdef GFX_HAVE_AVX2
#include <immintrin.h>
#endif

namespace gfx {
namespace {

constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
constexpr std::size_t kMaxFileBytes = std::size_t(512) * 1024 * 1024;

std::uint32_t U16(const std::uint8_t* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

bool Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

// Position and width of a channel mask; false for an empty or broken (non-contiguous) mask.
bool MaskShape(std::uint32_t mask, int& shift, int& bits) {
    if (mask == 0) return false;
    shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    bits = 0;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1))
        ++bits;
    return (mask >> shift) == ((bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1));
}

// A channel value of `bits` bits widened to 8 bits by repeating its top bits.
std::uint32_t Widen(std::uint32_t v, int bits) {
    if (bits >= 8) return v >> (bits - 8);
    std::uint32_t out = 0;
    int have = 0;
    while (have < 8) {
        out = (out << bits) | v;
        have += bits;
    }
    return out >> (have - 8);
}

std::uint32_t Channel(std::uint32_t raw, std::uint32_t mask, int shift, int bits) {
    return bits == 0 ? 0 : Widen((raw & mask) >> shift, bits);
}

// Run-length pictures: rows bottom-up, runs must stay inside their row, the picture ends with the end
// marker or when its last row is complete.
bool DecodeRle(const std::uint8_t* p, std::size_t n, Dib& d, bool four, std::string* why) {
    int x = 0, y = 0; // y counts rows from the bottom
    std::size_t i = 0;
    auto put = [&](int value) {
        std::uint8_t* row = d.bits.data() + static_cast<std::size_t>(y) * d.stride;
        if (four) {
            std::uint8_t& b = row[x / 2];
            b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (value & 0x0F))
                        : static_cast<std::uint8_t>((b & 0x0F) | ((value & 0x0F) << 4));
        } else {
            row[x] = static_cast<std::uint8_t>(value);
        }
        ++x;
    };
    while (true) {
        if (y >= d.height) return true; // every row written
        if (i + 2 > n) return Fail(why, "run-length data ends early");
        const int count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            if (x + count > d.width) return Fail(why, "run passes the end of its row");
            for (int k = 0; k < count; ++k)
                put(four ? ((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            return true;
        } else if (value == 2) { // move right and up
            if (i + 2 > n) return Fail(why, "run-length data ends early");
            x += p[i];
            y += p[i + 1];
            i += 2;
            if (x > d.width || y > d.height || (y == d.height && x > 0))
                return Fail(why, "move passes the picture's edge");
        } else { // literal pixels, padded to a two-byte boundary
            const int pixels = value;
            const std::size_t bytes = four ? (static_cast<std::size_t>(pixels) + 1) / 2 : pixels;
            if (i + bytes > n) return Fail(why, "run-length data ends early");
            if (x + pixels > d.width) return Fail(why, "literal run passes the end of its row");
            for (int k = 0; k < pixels; ++k) {
                const std::uint8_t b = p[i + (four ? k / 2 : k)];
                put(four ? ((k & 1) ? b & 0x0F : b >> 4) : b);
            }
            i += (bytes + 1) & ~std::size_t(1);
        }
    }
}

} // namespace

static bool DecodeBmpChecked(const std::uint8_t* data, std::size_t size, Dib& out, std::string* why);

std::uint32_t Dib::PixelRaw(int x, int y) const {
    const std::uint8_t* row = bits.data() + static_cast<std::size_t>(height - 1 - y) * stride;
    switch (bitCount) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8:
        return row[x];
    case 16:
        return U16(row + x * 2);
    case 24:
        return row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
    default:
        return U32(row + x * 4);
    }
}

std::uint32_t Dib::PixelArgb(int x, int y) const {
    return ArgbOfRaw(PixelRaw(x, y));
}

std::uint32_t Dib::ArgbOfRaw(std::uint32_t raw) const {
    if (bitCount <= 8) {
        if (raw >= colours.size()) return 0xFF000000u;
        const PALETTEENTRY& e = colours[raw];
        return 0xFF000000u | std::uint32_t(e.peRed) << 16 | std::uint32_t(e.peGreen) << 8 | e.peBlue;
    }
    if (bitCount == 24) return 0xFF000000u | raw;
    return 0xFF000000u | Channel(raw, redMask, maskShift[0], maskBits[0]) << 16 |
           Channel(raw, greenMask, maskShift[1], maskBits[1]) << 8 |
           Channel(raw, blueMask, maskShift[2], maskBits[2]);
}

DibArgbRows::DibArgbRows(const Dib& dib, std::uint32_t key) : dib_(dib), key_(key) {
    if (dib.bitCount <= 8) {
        for (std::uint32_t k = 0; k < 256; ++k) {
            const std::uint32_t c = dib.ArgbOfRaw(k);
            lut_[k] = key != 0 && c == key ? 0 : c;
        }
        return;
    }
    if (dib.bitCount != 16 && dib.bitCount != 32) return;
    const std::uint32_t masks[3] = {dib.redMask, dib.greenMask, dib.blueMask};
    for (int c = 0; c < 3; ++c) {
        const int bits = dib.maskBits[c];
        if (bits > 12) return; // not worth a table
        // A channel without a usable mask is 0 whatever the pixel holds.
        mask_[c] = bits == 0 ? 0 : masks[c];
        shift_[c] = dib.maskShift[c];
        table_[c].resize(std::size_t(1) << bits);
        for (std::uint32_t v = 0; v < table_[c].size(); ++v)
            table_[c][v] = (bits == 0 ? 0 : Widen(v, bits)) << (16 - 8 * c);
    }
    tables_ = true;
}

namespace {

// The key's pixels of a row of colours made 0.
void Unkey(std::uint32_t* c, int n, std::uint32_t key) {
    if (key == 0) return;
    for (int i = 0; i < n; ++i)
        c[i] = c[i] == key ? 0 : c[i];
}

// Pixels of a 24-bit row as opaque ARGB, four at a time where the processor has AVX2 (reading whole
// 16 bytes only where the row has them); the key's pixels become 0. Returns how many it did.
#ifdef GFX_HAVE_AVX2
GFX_AVX2 int Row24Avx2(const std::uint8_t* p, int n, std::uint32_t key, std::uint32_t* out) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i k = _mm_set1_epi32(static_cast<int>(key));
    const bool keyed = key != 0;
    int i = 0;
    for (; i + 6 <= n; i += 4) { // 16 bytes from pixel i lie within pixels i .. i + 5
        const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * i));
        __m128i c = _mm_or_si128(_mm_shuffle_epi8(raw, spread), opaque);
        if (keyed) c = _mm_andnot_si128(_mm_cmpeq_epi32(c, k), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), c);
    }
    return i;
}
#endif

} // namespace

void DibArgbRows::Row(int x, int y, int n, std::uint32_t* out) const {
    const std::uint8_t* row = dib_.bits.data() + static_cast<std::size_t>(dib_.height - 1 - y) * dib_.stride;
    switch (dib_.bitCount) {
    case 1:
        for (int i = 0, c = x; i < n; ++i, ++c)
            out[i] = lut_[(row[c >> 3] >> (7 - (c & 7))) & 1];
        return;
    case 4:
        for (int i = 0, c = x; i < n; ++i, ++c)
            out[i] = lut_[(c & 1) ? row[c >> 1] & 0x0F : row[c >> 1] >> 4];
        return;
    case 8:
        for (int i = 0; i < n; ++i)
            out[i] = lut_[row[x + i]];
        return;
    case 24: {
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
        int i = 0;
#ifdef GFX_HAVE_AVX2
        if (HaveAvx2()) i = Row24Avx2(p, n, key_, out);
#endif
        const int unkeyed = i; // the pixels from here are keyed below
        for (; i < n; ++i)
            out[i] =
                0xFF000000u | p[3 * i] | std::uint32_t(p[3 * i + 1]) << 8 | std::uint32_t(p[3 * i + 2]) << 16;
        Unkey(out + unkeyed, n - unkeyed, key_);
        return;
    }
    default:
        break;
    }
    if (!tables_) {
        for (int i = 0; i < n; ++i)
            out[i] = dib_.PixelArgb(x + i, y);
    } else if (dib_.bitCount == 32 && mask_[0] == 0xFF0000u && mask_[1] == 0xFF00u && mask_[2] == 0xFFu) {
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
        for (int i = 0; i < n; ++i)
            out[i] = 0xFF000000u | (U32(p + 4 * i) & 0xFFFFFFu);
    } else {
        const int bytes = dib_.bitCount / 8;
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * bytes;
        for (int i = 0; i < n; ++i, p += bytes) {
            const std::uint32_t raw = bytes == 2 ? U16(p) : U32(p);
            out[i] = 0xFF000000u | table_[0][(raw & mask_[0]) >> shift_[0]] |
                     table_[1][(raw & mask_[1]) >> shift_[1]] | table_[2][(raw & mask_[2]) >> shift_[2]];
        }
    }
    Unkey(out, n, key_);
}

bool Dib::SetMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    redMask = red;
    greenMask = green;
    blueMask = blue;
    const std::uint32_t masks[3] = {red, green, blue};
    bool ok = true;
    for (int i = 0; i < 3; ++i)
        if (!MaskShape(masks[i], maskShift[i], maskBits[i])) {
            maskShift[i] = maskBits[i] = 0;
            ok = false;
        }
    return ok;
}

namespace {

// Whether the last picture this thread decoded or read found no memory.
thread_local bool t_bPictureMemoryRanOut = false;

} // namespace

bool PictureLoadRanOutOfMemory() {
    return t_bPictureMemoryRanOut;
}

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Dib& out, std::string* why) {
    t_bPictureMemoryRanOut = false;
    try {
        return DecodeBmpChecked(data, size, out, why);
    } catch (const std::bad_alloc&) {
        out = Dib{};
        t_bPictureMemoryRanOut = true;
        return Fail(why, "not enough memory for the picture");
    }
}

static bool DecodeBmpChecked(const std::uint8_t* data, std::size_t size, Dib& out, std::string* why) {
    out = Dib{};
    if (!data || size < 14 + 12) return Fail(why, "too short for a bitmap");
    if (data[0] != 'B' || data[1] != 'M') return Fail(why, "not a bitmap");
    const std::uint32_t offBits = U32(data + 10);
    const std::uint8_t* h = data + 14;
    const std::uint32_t hsize = U32(h);
    if (hsize != 12 && hsize != 40 && hsize != 52 && hsize != 56 && hsize != 108 && hsize != 124)
        return Fail(why, "unknown header");
    if (14 + static_cast<std::size_t>(hsize) > size) return Fail(why, "header cut short");
    std::int64_t width = 0, height = 0;
    std::uint32_t planes = 0, bitCount = 0, compression = BI_RGB, clrUsed = 0;
    if (hsize == 12) {
        width = U16(h + 4);
        height = static_cast<std::int16_t>(U16(h + 6));
        planes = U16(h + 8);
        bitCount = U16(h + 10);
    } else {
        width = static_cast<std::int32_t>(U32(h + 4));
        height = static_cast<std::int32_t>(U32(h + 8));
        planes = U16(h + 12);
        bitCount = U16(h + 14);
        compression = U32(h + 16);
        clrUsed = U32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (planes != 1) return Fail(why, "planes must be 1");
    if (width <= 0 || height <= 0) return Fail(why, "empty picture");
    if (width > kMaxBmpSide || height > kMaxBmpSide || width * height > kMaxBmpPixels)
        return Fail(why, "picture too large");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return Fail(why, "unsupported depth");
    if (compression == BI_RLE8 && bitCount != 8) return Fail(why, "RLE8 needs 8 bits");
    if (compression == BI_RLE4 && bitCount != 4) return Fail(why, "RLE4 needs 4 bits");
    if (compression == BI_BITFIELDS && bitCount != 16 && bitCount != 32)
        return Fail(why, "bit fields need 16 or 32 bits");
    if (compression > BI_BITFIELDS) return Fail(why, "unsupported compression");
    if ((compression == BI_RLE8 || compression == BI_RLE4) && topDown)
        return Fail(why, "top-down run-length picture");

    Dib d;
    d.width = static_cast<int>(width);
    d.height = static_cast<int>(height);
    d.bitCount = static_cast<int>(bitCount);
    d.stride = static_cast<int>(((width * bitCount + 31) / 32) * 4);
    std::size_t pos = 14 + hsize;
    if (bitCount == 16) {
        d.SetMasks(0x7C00, 0x03E0, 0x001F);
    } else if (bitCount == 32) {
        d.SetMasks(0xFF0000, 0x00FF00, 0x0000FF);
    }
    if (compression == BI_BITFIELDS) {
        const std::uint8_t* m = h + 40; // after a 40-byte header, or inside the longer ones
        if (hsize == 40) {
            if (pos + 12 > size) return Fail(why, "masks cut short");
            pos += 12;
        }
        if (!d.SetMasks(U32(m), U32(m + 4), U32(m + 8))) return Fail(why, "broken channel mask");
        if (bitCount == 16 && ((d.redMask | d.greenMask | d.blueMask) >> 16))
            return Fail(why, "mask wider than pixel");
    }
    if (bitCount <= 8) {
        // A table may list more entries than the depth can use (some writers always give 256).
        const std::uint32_t count = clrUsed == 0 ? 1u << bitCount : clrUsed;
        if (count > 256) return Fail(why, "colour table too long");
        const std::size_t entrySize = hsize == 12 ? 3 : 4;
        if (pos + count * entrySize > size) return Fail(why, "colour table cut short");
        d.colours.resize(count);
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::uint8_t* e = data + pos + k * entrySize;
            d.colours[k] = PALETTEENTRY{e[2], e[1], e[0], 0};
        }
        pos += count * entrySize;
    }
    if (offBits < pos || offBits >= size) return Fail(why, "pixel data offset outside the file");
    const std::size_t dataBytes = size - offBits;
    const std::size_t imageBytes = static_cast<std::size_t>(d.stride) * d.height;
    d.bits.assign(imageBytes, 0);
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        if (!DecodeRle(data + offBits, dataBytes, d, compression == BI_RLE4, why)) return false;
    } else {
        if (dataBytes < imageBytes) return Fail(why, "pixel data cut short");
        if (topDown) {
            for (int y = 0; y < d.height; ++y)
                std::memcpy(d.bits.data() + static_cast<std::size_t>(d.height - 1 - y) * d.stride,
                            data + offBits + static_cast<std::size_t>(y) * d.stride,
                            static_cast<std::size_t>(d.stride));
        } else {
            std::memcpy(d.bits.data(), data + offBits, imageBytes);
        }
    }
    out = std::move(d);
    return true;
}

bool LoadBmpFile(std::string_view sysPath, Dib& out, std::string* why) {
    t_bPictureMemoryRanOut = false;
    std::FILE* f = fsys::Open(sysPath, "rb");
    if (!f) return Fail(why, "cannot open the file");
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    std::size_t got;
    bool tooBig = false;
    try {
        while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
            if (bytes.size() + got > kMaxFileBytes) {
                tooBig = true;
                break;
            }
            bytes.insert(bytes.end(), buf, buf + got);
        }
    } catch (const std::bad_alloc&) {
        tooBig = true;
        t_bPictureMemoryRanOut = true;
    }
    std::fclose(f);
    if (tooBig) return Fail(why, "file too large");
    return DecodeBmp(bytes.data(), bytes.size(), out, why);
}

} // namespace gfx
