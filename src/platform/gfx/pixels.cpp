#include "platform/gfx/pixels.h"
#include "platform/gfx/cpu.h"
#include "platform/gfx/gfx_types.h"
#include <cstring>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef GFX_HAVE_AVX2
#include <immintrin.h>
#endif

namespace gfx {

int BytesPerPixel(PixelFormat f) {
    switch (f) {
    case PixelFormat::Index8:
        return 1;
    case PixelFormat::R5G6B5:
    case PixelFormat::X1R5G5B5:
    case PixelFormat::A1R5G5B5:
        return 2;
    case PixelFormat::R8G8B8:
        return 3;
    case PixelFormat::X8R8G8B8:
    case PixelFormat::A8R8G8B8:
        return 4;
    }
    return 4;
}

int BitsPerPixel(PixelFormat f) {
    return BytesPerPixel(f) * 8;
}

bool HasAlpha(PixelFormat f) {
    return f == PixelFormat::A1R5G5B5 || f == PixelFormat::A8R8G8B8;
}

PixelStoreBytes::PixelStoreBytes(std::size_t n) : size_(n) {
    if (n == 0) return;
    data_ = static_cast<std::uint8_t*>(std::calloc(n, 1));
    if (!data_) throw std::bad_alloc();
}

PixelStoreBytes::PixelStoreBytes(const PixelStoreBytes& o) : size_(o.size_) {
    if (size_ == 0) return;
    data_ = static_cast<std::uint8_t*>(std::malloc(size_));
    if (!data_) throw std::bad_alloc();
    std::memcpy(data_, o.data_, size_);
}

PixelStoreBytes& PixelStoreBytes::operator=(const PixelStoreBytes& o) {
    if (this != &o) {
        PixelStoreBytes copy(o);
        *this = std::move(copy);
    }
    return *this;
}

bool PixelStoreBytes::operator==(const PixelStoreBytes& o) const {
    return size_ == o.size_ && (size_ == 0 || std::memcmp(data_, o.data_, size_) == 0);
}

void PixelBuffer::Allocate(int w, int h, PixelFormat f) {
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    format = f;
    pitch = (width * BytesPerPixel(f) + 3) & ~3;
    // A new store of zeroed memory rather than a fill: pages never touched take no memory.
    bytes = PixelStoreBytes(static_cast<std::size_t>(pitch) * height);
}

std::uint32_t PixelBuffer::Get(int x, int y) const {
    const std::uint8_t* p = Row(y);
    switch (BytesPerPixel(format)) {
    case 1:
        return p[x];
    case 2: {
        std::uint16_t v;
        std::memcpy(&v, p + x * 2, 2);
        return v;
    }
    case 3:
        return p[x * 3] | (p[x * 3 + 1] << 8) | (p[x * 3 + 2] << 16);
    default: {
        std::uint32_t v;
        std::memcpy(&v, p + x * 4, 4);
        return v;
    }
    }
}

void PixelBuffer::Set(int x, int y, std::uint32_t raw) {
    std::uint8_t* p = Row(y);
    switch (BytesPerPixel(format)) {
    case 1:
        p[x] = static_cast<std::uint8_t>(raw);
        break;
    case 2: {
        std::uint16_t v = static_cast<std::uint16_t>(raw);
        std::memcpy(p + x * 2, &v, 2);
        break;
    }
    case 3:
        p[x * 3] = static_cast<std::uint8_t>(raw);
        p[x * 3 + 1] = static_cast<std::uint8_t>(raw >> 8);
        p[x * 3 + 2] = static_cast<std::uint8_t>(raw >> 16);
        break;
    default:
        std::memcpy(p + x * 4, &raw, 4);
        break;
    }
}

void PixelBuffer::Fill(int x0, int y0, int x1, int y1, std::uint32_t raw) {
    const int bpp = BytesPerPixel(format);
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* p = Row(y);
        if (bpp == 1) {
            std::memset(p + x0, static_cast<int>(raw & 0xFF), static_cast<std::size_t>(x1 - x0));
        } else if (bpp == 2) {
            auto* q = reinterpret_cast<std::uint16_t*>(p) + x0;
            for (int x = x0; x < x1; ++x)
                *q++ = static_cast<std::uint16_t>(raw);
        } else if (bpp == 4) {
            auto* q = reinterpret_cast<std::uint32_t*>(p) + x0;
            for (int x = x0; x < x1; ++x)
                *q++ = raw;
        } else {
            for (int x = x0; x < x1; ++x)
                Set(x, y, raw);
        }
    }
}

std::uint32_t ToArgb(PixelFormat f, std::uint32_t v) {
    switch (f) {
    case PixelFormat::Index8:
        return 0xFF000000u | (v & 0xFF) * 0x010101u;
    case PixelFormat::R5G6B5:
        return 0xFF000000u | Expand5((v >> 11) & 31) << 16 | Expand6((v >> 5) & 63) << 8 | Expand5(v & 31);
    case PixelFormat::X1R5G5B5:
    case PixelFormat::A1R5G5B5: {
        std::uint32_t a = (f == PixelFormat::X1R5G5B5 || (v & 0x8000)) ? 0xFF000000u : 0;
        return a | Expand5((v >> 10) & 31) << 16 | Expand5((v >> 5) & 31) << 8 | Expand5(v & 31);
    }
    case PixelFormat::R8G8B8:
    case PixelFormat::X8R8G8B8:
        return 0xFF000000u | (v & 0xFFFFFF);
    case PixelFormat::A8R8G8B8:
        return v;
    }
    return v;
}

std::uint32_t FromArgb(PixelFormat f, std::uint32_t c) {
    const std::uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF, a = c >> 24;
    switch (f) {
    case PixelFormat::Index8:
        return (r * 77 + g * 151 + b * 28) >> 8;
    case PixelFormat::R5G6B5:
        return Narrow5(r) << 11 | Narrow6(g) << 5 | Narrow5(b);
    case PixelFormat::X1R5G5B5:
        return Narrow5(r) << 10 | Narrow5(g) << 5 | Narrow5(b);
    case PixelFormat::A1R5G5B5:
        return (a >= 128 ? 0x8000u : 0) | Narrow5(r) << 10 | Narrow5(g) << 5 | Narrow5(b);
    case PixelFormat::R8G8B8:
    case PixelFormat::X8R8G8B8:
        return c & 0xFFFFFF;
    case PixelFormat::A8R8G8B8:
        return c;
    }
    return c;
}

namespace {

std::vector<std::uint32_t> MakeArgbTable(PixelFormat f) {
    std::vector<std::uint32_t> t(65536);
    for (std::uint32_t v = 0; v < 65536; ++v)
        t[v] = ToArgb(f, v);
    return t;
}

} // namespace

const std::uint32_t* ArgbOf16(PixelFormat f) {
    switch (f) {
    case PixelFormat::R5G6B5: {
        static const std::vector<std::uint32_t> t = MakeArgbTable(f);
        return t.data();
    }
    case PixelFormat::X1R5G5B5: {
        static const std::vector<std::uint32_t> t = MakeArgbTable(f);
        return t.data();
    }
    case PixelFormat::A1R5G5B5: {
        static const std::vector<std::uint32_t> t = MakeArgbTable(f);
        return t.data();
    }
    default:
        return nullptr;
    }
}

void RowToArgb(const PixelBuffer& b, int x0, int y, int n, std::uint32_t* out) {
    const std::uint8_t* row = b.Row(y);
    switch (b.format) {
    case PixelFormat::R5G6B5:
    case PixelFormat::A1R5G5B5:
    case PixelFormat::X1R5G5B5: {
        const auto* p = reinterpret_cast<const std::uint16_t*>(row) + x0;
        const std::uint32_t* argb = ArgbOf16(b.format);
        for (int i = 0; i < n; ++i)
            out[i] = argb[p[i]];
        break;
    }
    default:
        for (int i = 0; i < n; ++i)
            out[i] = ToArgb(b.format, b.Get(x0 + i, y));
        break;
    }
}

namespace {

#ifdef GFX_HAVE_AVX2
// floor((c * m + 127) / 255) of each 8-bit channel value c in the low half of a 32-bit lane: Narrow5
// (m = 31) and Narrow6 (m = 63), exact as y * 0x8081 >> 23 for every y below 2^16.
GFX_AVX2_INLINE __m256i NarrowLanes(__m256i c, int m) {
    const __m256i y = _mm256_add_epi16(_mm256_mullo_epi16(c, _mm256_set1_epi16(static_cast<short>(m))),
                                       _mm256_set1_epi16(127));
    return _mm256_srli_epi16(_mm256_mulhi_epu16(y, _mm256_set1_epi16(static_cast<short>(0x8081))), 7);
}

// FromArgb for 16-bit format F of eight pixels in 32-bit lanes.
template <PixelFormat F> GFX_AVX2_INLINE __m256i Narrow8(__m256i c) {
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256i r = _mm256_and_si256(_mm256_srli_epi32(c, 16), byte);
    const __m256i g = _mm256_and_si256(_mm256_srli_epi32(c, 8), byte);
    const __m256i b = _mm256_and_si256(c, byte);
    if constexpr (F == PixelFormat::R5G6B5)
        return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(NarrowLanes(r, 31), 11),
                                               _mm256_slli_epi32(NarrowLanes(g, 63), 5)),
                               NarrowLanes(b, 31));
    __m256i v = _mm256_or_si256(
        _mm256_or_si256(_mm256_slli_epi32(NarrowLanes(r, 31), 10), _mm256_slli_epi32(NarrowLanes(g, 31), 5)),
        NarrowLanes(b, 31));
    if constexpr (F == PixelFormat::A1R5G5B5) // alpha of 128 or more: the top bit of the pixel
        v = _mm256_or_si256(v, _mm256_and_si256(_mm256_srai_epi32(c, 31), _mm256_set1_epi32(0x8000)));
    return v;
}

// RowFromArgb into 16-bit format F, sixteen pixels a step; returns how many it did.
template <PixelFormat F> GFX_AVX2 int RowTo16Avx2(const std::uint32_t* in, int n, std::uint16_t* out) {
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i lo = Narrow8<F>(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i)));
        const __m256i hi = Narrow8<F>(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i + 8)));
        // Packing works within 128-bit halves: put the four quarters back in order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(lo, hi), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), packed);
    }
    return i;
}
#endif

// The 16-bit formats' rows of RowFromArgb in wide steps where the processor has them; returns how many
// pixels it did.
int RowTo16Wide(PixelFormat f, const std::uint32_t* in, int n, std::uint16_t* out) {
#ifdef GFX_HAVE_AVX2
    if (HaveAvx2()) {
        if (f == PixelFormat::R5G6B5) return RowTo16Avx2<PixelFormat::R5G6B5>(in, n, out);
        if (f == PixelFormat::A1R5G5B5) return RowTo16Avx2<PixelFormat::A1R5G5B5>(in, n, out);
        if (f == PixelFormat::X1R5G5B5) return RowTo16Avx2<PixelFormat::X1R5G5B5>(in, n, out);
    }
#endif
    (void)f, (void)in, (void)n, (void)out;
    return 0;
}

} // namespace

void RowFromArgb(PixelBuffer& b, int x0, int y, int n, const std::uint32_t* in) {
    std::uint8_t* row = b.Row(y);
    if (b.format == PixelFormat::R5G6B5 || b.format == PixelFormat::A1R5G5B5 ||
        b.format == PixelFormat::X1R5G5B5) {
        const int done = RowTo16Wide(b.format, in, n, reinterpret_cast<std::uint16_t*>(row) + x0);
        x0 += done;
        in += done;
        n -= done;
    }
    switch (b.format) {
    case PixelFormat::R5G6B5: {
        auto* p = reinterpret_cast<std::uint16_t*>(row) + x0;
        for (int i = 0; i < n; ++i) {
            const std::uint32_t c = in[i];
            p[i] = static_cast<std::uint16_t>(Narrow5((c >> 16) & 0xFF) << 11 |
                                              Narrow6((c >> 8) & 0xFF) << 5 | Narrow5(c & 0xFF));
        }
        break;
    }
    case PixelFormat::A1R5G5B5: {
        auto* p = reinterpret_cast<std::uint16_t*>(row) + x0;
        for (int i = 0; i < n; ++i) {
            const std::uint32_t c = in[i];
            p[i] = static_cast<std::uint16_t>((c >= 0x80000000u ? 0x8000u : 0) |
                                              Narrow5((c >> 16) & 0xFF) << 10 |
                                              Narrow5((c >> 8) & 0xFF) << 5 | Narrow5(c & 0xFF));
        }
        break;
    }
    case PixelFormat::X1R5G5B5: {
        auto* p = reinterpret_cast<std::uint16_t*>(row) + x0;
        for (int i = 0; i < n; ++i) {
            const std::uint32_t c = in[i];
            p[i] = static_cast<std::uint16_t>(Narrow5((c >> 16) & 0xFF) << 10 |
                                              Narrow5((c >> 8) & 0xFF) << 5 | Narrow5(c & 0xFF));
        }
        break;
    }
    case PixelFormat::A8R8G8B8:
        std::memcpy(row + static_cast<std::size_t>(x0) * 4, in, static_cast<std::size_t>(n) * 4);
        break;
    case PixelFormat::X8R8G8B8: {
        auto* p = reinterpret_cast<std::uint32_t*>(row + static_cast<std::size_t>(x0) * 4);
        for (int i = 0; i < n; ++i)
            p[i] = in[i] & 0xFFFFFFu;
        break;
    }
    default:
        for (int i = 0; i < n; ++i)
            b.Set(x0 + i, y, FromArgb(b.format, in[i]));
        break;
    }
}

std::uint32_t PaletteToArgb(const PALETTEENTRY& e) {
    return 0xFF000000u | std::uint32_t(e.peRed) << 16 | std::uint32_t(e.peGreen) << 8 | e.peBlue;
}

int NearestIndex(const PALETTEENTRY* entries, int count, std::uint32_t argb) {
    const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    int best = 0;
    long bestDist = -1;
    for (int i = 0; i < count; ++i) {
        const long dr = entries[i].peRed - r, dg = entries[i].peGreen - g, db = entries[i].peBlue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

namespace {

#ifdef __SSE2__
// Channels of 16-bit pixels widened by repeating their top bits, as Expand5 and Expand6 do, eight at a
// time in 16-bit lanes: the same values as the conversion table without a look-up per pixel. Returns
// how many pixels it converted.
template <bool R565> int SixteenToXrgbSse2(const std::uint16_t* p, int n, std::uint32_t* o) {
    const __m128i m5 = _mm_set1_epi16(31), m6 = _mm_set1_epi16(63);
    const __m128i alpha = _mm_set1_epi16(static_cast<short>(0xFF00));
    auto expand5 = [](__m128i c) { return _mm_or_si128(_mm_slli_epi16(c, 3), _mm_srli_epi16(c, 2)); };
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
        const __m128i r = expand5(_mm_and_si128(_mm_srli_epi16(v, R565 ? 11 : 10), m5));
        const __m128i b = expand5(_mm_and_si128(v, m5));
        __m128i g;
        if (R565) {
            const __m128i g6 = _mm_and_si128(_mm_srli_epi16(v, 5), m6);
            g = _mm_or_si128(_mm_slli_epi16(g6, 2), _mm_srli_epi16(g6, 4));
        } else {
            g = expand5(_mm_and_si128(_mm_srli_epi16(v, 5), m5));
        }
        const __m128i gb = _mm_or_si128(_mm_slli_epi16(g, 8), b), ar = _mm_or_si128(alpha, r);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + x), _mm_unpacklo_epi16(gb, ar));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + x + 4), _mm_unpackhi_epi16(gb, ar));
    }
    return x;
}
#endif

#ifdef GFX_HAVE_AVX2
// SixteenToXrgbSse2 sixteen pixels at a time, for processors with AVX2. The unpacking works within
// each half of the registers, so the halves are put back in order as they are stored.
template <bool R565> GFX_AVX2 int SixteenToXrgbAvx2(const std::uint16_t* p, int n, std::uint32_t* o) {
    const __m256i m5 = _mm256_set1_epi16(31), m6 = _mm256_set1_epi16(63);
    const __m256i alpha = _mm256_set1_epi16(static_cast<short>(0xFF00));
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + x));
        const __m256i r5 = _mm256_and_si256(_mm256_srli_epi16(v, R565 ? 11 : 10), m5);
        const __m256i b5 = _mm256_and_si256(v, m5);
        const __m256i r = _mm256_or_si256(_mm256_slli_epi16(r5, 3), _mm256_srli_epi16(r5, 2));
        const __m256i b = _mm256_or_si256(_mm256_slli_epi16(b5, 3), _mm256_srli_epi16(b5, 2));
        __m256i g;
        if (R565) {
            const __m256i g6 = _mm256_and_si256(_mm256_srli_epi16(v, 5), m6);
            g = _mm256_or_si256(_mm256_slli_epi16(g6, 2), _mm256_srli_epi16(g6, 4));
        } else {
            const __m256i g5 = _mm256_and_si256(_mm256_srli_epi16(v, 5), m5);
            g = _mm256_or_si256(_mm256_slli_epi16(g5, 3), _mm256_srli_epi16(g5, 2));
        }
        const __m256i gb = _mm256_or_si256(_mm256_slli_epi16(g, 8), b), ar = _mm256_or_si256(alpha, r);
        const __m256i lo = _mm256_unpacklo_epi16(gb, ar), hi = _mm256_unpackhi_epi16(gb, ar);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + x), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + x + 8), _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    return x;
}
#endif

} // namespace

void SixteenToXrgbWith(bool avx2, PixelFormat f, const std::uint16_t* p, int n, std::uint32_t* o) {
    const bool r565 = f == PixelFormat::R5G6B5;
    int x = 0;
#ifdef GFX_HAVE_AVX2
    if (avx2) x = r565 ? SixteenToXrgbAvx2<true>(p, n, o) : SixteenToXrgbAvx2<false>(p, n, o);
#else
    (void)avx2;
#endif
#ifdef __SSE2__
    x += r565 ? SixteenToXrgbSse2<true>(p + x, n - x, o + x) : SixteenToXrgbSse2<false>(p + x, n - x, o + x);
#endif
    const std::uint32_t* argb = ArgbOf16(f);
    for (; x < n; ++x)
        o[x] = 0xFF000000u | argb[p[x]];
}

void ConvertToXrgb(const PixelBuffer& src, const PALETTEENTRY* palette, std::uint32_t* out) {
    ConvertRowsToXrgb(src, palette, 0, src.height, out);
}

void ConvertRowsToXrgb(const PixelBuffer& src, const PALETTEENTRY* palette, int y0, int y1,
                       std::uint32_t* out) {
    std::uint32_t lut[256];
    if (src.format == PixelFormat::Index8) {
        for (int i = 0; i < 256; ++i)
            lut[i] = palette ? PaletteToArgb(palette[i]) : 0xFF000000u | i * 0x010101u;
    }
    for (int y = y0; y < y1; ++y) {
        std::uint32_t* o = out + static_cast<std::size_t>(y - y0) * src.width;
        const std::uint8_t* row = src.Row(y);
        switch (src.format) {
        case PixelFormat::Index8:
            for (int x = 0; x < src.width; ++x)
                o[x] = lut[row[x]];
            break;
        case PixelFormat::X8R8G8B8:
        case PixelFormat::A8R8G8B8: {
            const auto* p = reinterpret_cast<const std::uint32_t*>(row);
            int x = 0;
#ifdef __SSE2__
            const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
            for (; x + 4 <= src.width; x += 4)
                _mm_storeu_si128(
                    reinterpret_cast<__m128i*>(o + x),
                    _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x)), opaque));
#endif
            for (; x < src.width; ++x)
                o[x] = 0xFF000000u | p[x];
            break;
        }
        case PixelFormat::R5G6B5:
        case PixelFormat::X1R5G5B5:
        case PixelFormat::A1R5G5B5: {
            SixteenToXrgbWith(HaveAvx2(), src.format, reinterpret_cast<const std::uint16_t*>(row), src.width,
                              o);
            break;
        }
        default: // 24 bits: the row's own conversion, made opaque
            RowToArgb(src, 0, y, src.width, o);
            for (int x = 0; x < src.width; ++x)
                o[x] |= 0xFF000000u;
            break;
        }
    }
}

} // namespace gfx
