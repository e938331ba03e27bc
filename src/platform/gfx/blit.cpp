#include "platform/gfx/blit.h"
#include "platform/gfx/cpu.h"
#include <algorithm>
#include <cstring>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef GFX_HAVE_AVX2
#include <immintrin.h>
#endif

namespace gfx {
namespace {

template <class T> void CopyRow(T* d, const T* s, int n, bool keyed, T key) {
    if (!keyed) {
        std::memcpy(d, s, static_cast<std::size_t>(n) * sizeof(T));
        return;
    }
    int i = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time: pixels equal to the key keep the destination's bytes.
    const __m128i k =
        sizeof(T) == 1 ? _mm_set1_epi8(static_cast<char>(key)) : _mm_set1_epi16(static_cast<short>(key));
    constexpr int step = 16 / sizeof(T);
    for (; i + step <= n; i += step) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i m = sizeof(T) == 1 ? _mm_cmpeq_epi8(sv, k) : _mm_cmpeq_epi16(sv, k);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(m, dv), _mm_andnot_si128(m, sv)));
    }
#endif
    for (; i < n; ++i)
        if (s[i] != key) d[i] = s[i];
}

template <class T> void ScaledRow(T* d, const T* s, const int* cols, int n, bool keyed, T key) {
    if (keyed) {
        for (int i = 0; i < n; ++i) {
            const T v = s[cols[i]];
            if (v != key) d[i] = v;
        }
    } else {
        for (int i = 0; i < n; ++i)
            d[i] = s[cols[i]];
    }
}

// The raw value of pixel i of a row, compared as the keyed copies compare.
std::uint32_t RawAt(const std::uint8_t* row, int i, int bpp) {
    switch (bpp) {
    case 1:
        return row[i];
    case 2:
        return reinterpret_cast<const std::uint16_t*>(row)[i];
    case 4:
        return reinterpret_cast<const std::uint32_t*>(row)[i];
    default: {
        const std::uint8_t* q = row + i * 3;
        return q[0] | (q[1] << 8) | (q[2] << 16);
    }
    }
}

int SourceIndex(int i, int start, int size, int dsize) {
    const long long step = static_cast<long long>(i) * (size < 0 ? -size : size) / dsize;
    return size < 0 ? start - static_cast<int>(step) : start + static_cast<int>(step);
}

} // namespace

namespace {

CopyWidth g_copyLimit = CopyWidth::Avx512;

// The widest instructions the processor runs for the copies, within the limit set.
CopyWidth Width() {
    static const CopyWidth have = HaveAvx512() ? CopyWidth::Avx512
                                  : HaveAvx2() ? CopyWidth::Avx2
                                               : CopyWidth::Baseline;
    return std::min(have, g_copyLimit);
}

// The row lengths in bytes that the wide unkeyed row copies take (a call to memcpy for each row costs
// more than the copy of a short row; a long row is left to memcpy).
constexpr std::size_t kWideRowMin = 32, kWideRowMax = 512;

} // namespace

#ifdef GFX_HAVE_AVX2
namespace {

// Eight pixels at a time where the processor has AVX2; returns how many it copied.
GFX_AVX2 int CopyKeyed32Avx2(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t key) {
    const __m256i k = _mm256_set1_epi32(static_cast<int>(key));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        const __m256i m = _mm256_cmpeq_epi32(sv, k);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_blendv_epi8(sv, dv, m));
    }
    return i;
}

// Eight pixels of a keyed copy.
GFX_AVX2_INLINE void BlendKeyed8(std::uint32_t* d, const std::uint32_t* s, __m256i k) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(sv, dv, _mm256_cmpeq_epi32(sv, k)));
}

// The same over every row of a rectangle of n pixels a row, the last few of each row through masked
// loads and stores.
GFX_AVX2 void CopyKeyedRect32Avx2(std::uint8_t* d, std::ptrdiff_t dpitch, const std::uint8_t* s,
                                  std::ptrdiff_t spitch, int n, int rows, std::uint32_t key) {
    const __m256i k = _mm256_set1_epi32(static_cast<int>(key));
    const int whole = n & ~7, rest = n & 7;
    const __m256i mask =
        _mm256_cmpgt_epi32(_mm256_set1_epi32(rest), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    for (int r = 0; r < rows; ++r, d += dpitch, s += spitch) {
        auto* dp = reinterpret_cast<std::uint32_t*>(d);
        const auto* sp = reinterpret_cast<const std::uint32_t*>(s);
        int i = 0;
        // Thirty-two at a time (a picture cell's row at once), then eight.
        for (; i + 32 <= whole; i += 32) {
            BlendKeyed8(dp + i, sp + i, k);
            BlendKeyed8(dp + i + 8, sp + i + 8, k);
            BlendKeyed8(dp + i + 16, sp + i + 16, k);
            BlendKeyed8(dp + i + 24, sp + i + 24, k);
        }
        for (; i < whole; i += 8) {
            const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sp + i));
            const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dp + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dp + i),
                                _mm256_blendv_epi8(sv, dv, _mm256_cmpeq_epi32(sv, k)));
        }
        if (rest) {
            const __m256i sv = _mm256_maskload_epi32(reinterpret_cast<const int*>(sp + whole), mask);
            const __m256i dv = _mm256_maskload_epi32(reinterpret_cast<const int*>(dp + whole), mask);
            _mm256_maskstore_epi32(reinterpret_cast<int*>(dp + whole), mask,
                                   _mm256_blendv_epi8(sv, dv, _mm256_cmpeq_epi32(sv, k)));
        }
    }
}

// Rows of `bytes` bytes each (kWideRowMin or more), 32 at a time; the last 32 bytes of a row are
// copied as one, over bytes already copied where the row is not a multiple of 32 long.
GFX_AVX2 void CopyRowsAvx2(std::uint8_t* d, std::ptrdiff_t dpitch, const std::uint8_t* s,
                           std::ptrdiff_t spitch, std::size_t bytes, int rows) {
    const std::size_t last = bytes - 32;
    for (int r = 0; r < rows; ++r, d += dpitch, s += spitch) {
        for (std::size_t i = 0; i < last; i += 32)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + last),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + last)));
    }
}

} // namespace
#endif

#ifdef GFX_HAVE_AVX512
namespace {

// A keyed copy of a rectangle of n pixels a row, sixteen at a time: only the pixels other than the key
// are stored, so the destination is never read; the last few of a row through a mask of their own.
GFX_AVX512 void CopyKeyedRect32Avx512(std::uint8_t* d, std::ptrdiff_t dpitch, const std::uint8_t* s,
                                      std::ptrdiff_t spitch, int n, int rows, std::uint32_t key) {
    const __m512i k = _mm512_set1_epi32(static_cast<int>(key));
    const int whole = n & ~15;
    const auto tail = static_cast<__mmask16>((1u << (n & 15)) - 1);
    for (int r = 0; r < rows; ++r, d += dpitch, s += spitch) {
        auto* dp = reinterpret_cast<std::uint32_t*>(d);
        const auto* sp = reinterpret_cast<const std::uint32_t*>(s);
        for (int i = 0; i < whole; i += 16) {
            const __m512i sv = _mm512_loadu_si512(sp + i);
            _mm512_mask_storeu_epi32(dp + i, _mm512_cmpneq_epi32_mask(sv, k), sv);
        }
        if (tail) {
            const __m512i sv = _mm512_maskz_loadu_epi32(tail, sp + whole);
            _mm512_mask_storeu_epi32(dp + whole, _mm512_mask_cmpneq_epi32_mask(tail, sv, k), sv);
        }
    }
}

} // namespace
#endif

namespace {

// How many of the n pixels of a row equal the key, compared as the keyed copies compare them.
template <class T> int RowKeyCount(const std::uint8_t* row, int n, T key) {
    const auto* p = reinterpret_cast<const T*>(row);
    return static_cast<int>(std::count(p, p + n, key));
}

int RowKeyCount24(const std::uint8_t* row, int n, std::uint32_t key) {
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t* q = row + i * 3;
        count += static_cast<std::uint32_t>(q[0] | (q[1] << 8) | (q[2] << 16)) == key;
    }
    return count;
}

// What the tile at (x, y) holds of the key: kTileNoKey, kTileSomeKey or kTileAllKey.
std::uint8_t TileKeyClass(const PixelBuffer& b, int x, int y, std::uint32_t key) {
    const int bpp = BytesPerPixel(b.format);
    const int n = std::min(kKeyTile, b.width - x), rows = std::min(kKeyTile, b.height - y);
    int keys = 0;
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* row = b.Row(y + r) + static_cast<std::ptrdiff_t>(x) * bpp;
        const int k = bpp == 1   ? RowKeyCount(row, n, static_cast<std::uint8_t>(key))
                      : bpp == 2 ? RowKeyCount(row, n, static_cast<std::uint16_t>(key))
                      : bpp == 4 ? RowKeyCount(row, n, key)
                                 : RowKeyCount24(row, n, key);
        keys += k;
        // Key pixels and others met so far settle it.
        if (keys != 0 && keys != (r + 1) * n) return kTileSomeKey;
    }
    return keys == 0 ? kTileNoKey : kTileAllKey;
}

// The class of tile (tx, ty), looked at now if it has not been yet.
std::uint8_t TileClass(const PixelBuffer& b, KeyTiles& t, int tx, int ty) {
    std::uint8_t& tile = t.tiles[static_cast<std::size_t>(ty) * t.cols + tx];
    if (tile == 0) tile = TileKeyClass(b, tx * kKeyTile, ty * kKeyTile, t.key);
    return tile;
}

// Whether the tiles over the columns [x0, x1) of rows [y0, y1) (not empty, inside the picture) hold
// no key pixel, looking at each not looked at yet.
bool TilesHoldNoKey(const PixelBuffer& b, KeyTiles& t, int x0, int y0, int x1, int y1) {
    const unsigned tx0 = static_cast<unsigned>(x0) / kKeyTile, tx1 = static_cast<unsigned>(x1 - 1) / kKeyTile;
    const unsigned ty0 = static_cast<unsigned>(y0) / kKeyTile, ty1 = static_cast<unsigned>(y1 - 1) / kKeyTile;
    for (unsigned ty = ty0; ty <= ty1; ++ty) {
        const std::uint8_t* row = t.tiles.data() + static_cast<std::size_t>(ty) * t.cols;
        for (unsigned tx = tx0; tx <= tx1; ++tx) {
            const std::uint8_t tile = row[tx];
            if (tile == kTileNoKey) continue;
            if (tile != 0 || TileClass(b, t, static_cast<int>(tx), static_cast<int>(ty)) != kTileNoKey)
                return false;
        }
    }
    return true;
}

} // namespace

bool MayHoldKey(const PixelBuffer& b, std::uint64_t state, std::uint32_t key, int x0, int y0, int x1, int y1,
                KeyTiles& t) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, b.width), y1 = std::min(y1, b.height);
    if (x0 >= x1 || y0 >= y1) return false;
    if (t.state != state || t.key != key) {
        t.state = state;
        t.key = key;
        t.uses = 0;
        t.tiles.clear();
        t.boxes.clear();
    }
    if (t.uses < 2) ++t.uses;
    if (t.uses < 2) return true;
    if (t.tiles.empty()) {
        t.cols = (b.width + kKeyTile - 1) / kKeyTile;
        t.tiles.assign(static_cast<std::size_t>(t.cols) * ((b.height + kKeyTile - 1) / kKeyTile), 0);
    }
    return !TilesHoldNoKey(b, t, x0, y0, x1, y1);
}

namespace {

// The fewest pixels of a keyed copy that KeyedCopyByTiles runs tile by tile: eight whole tiles.
constexpr long long kSplitArea = 8LL * kKeyTile * kKeyTile;

// Whether `t` holds the tiles of `b` in state `state` for `key`.
bool TilesKnown(const PixelBuffer& b, std::uint64_t state, std::uint32_t key, const KeyTiles& t) {
    const std::size_t tiles = static_cast<std::size_t>((b.width + kKeyTile - 1) / kKeyTile) *
                              ((b.height + kKeyTile - 1) / kKeyTile);
    return t.state == state && t.key == key && t.uses >= 2 && t.tiles.size() == tiles;
}

} // namespace

bool ReadsNoKey(const PixelBuffer& b, std::uint64_t state, std::uint32_t key, int x0, int y0, int x1, int y1,
                KeyTiles& t) {
    if (!TilesKnown(b, state, key, t) || x0 < 0 || y0 < 0 || x1 > b.width || y1 > b.height || x0 >= x1 ||
        y0 >= y1)
        return false;
    return TilesHoldNoKey(b, t, x0, y0, x1, y1);
}

namespace {

// The box of tile (tx, ty) (see KeyTiles::boxes), looked at now if it has not been yet.
std::uint32_t TileBox(const PixelBuffer& b, KeyTiles& t, int tx, int ty) {
    if (t.boxes.size() != t.tiles.size()) t.boxes.assign(t.tiles.size(), kBoxUnknown);
    std::uint32_t& box = t.boxes[static_cast<std::size_t>(ty) * t.cols + tx];
    if (box != kBoxUnknown) return box;
    const int x = tx * kKeyTile, y = ty * kKeyTile;
    const int n = std::min(kKeyTile, b.width - x), rows = std::min(kKeyTile, b.height - y);
    const std::uint8_t cls = TileClass(b, t, tx, ty);
    int x0 = n, y0 = rows, x1 = 0, y1 = 0;
    if (cls == kTileNoKey) {
        x0 = y0 = 0, x1 = n, y1 = rows;
    } else if (cls == kTileSomeKey) {
        const int bpp = BytesPerPixel(b.format);
        for (int r = 0; r < rows; ++r) {
            const std::uint8_t* row = b.Row(y + r) + static_cast<std::ptrdiff_t>(x) * bpp;
            int first = 0, last = n;
            while (first < n && RawAt(row, first, bpp) == t.key)
                ++first;
            if (first == n) continue;
            while (RawAt(row, last - 1, bpp) == t.key)
                --last;
            x0 = std::min(x0, first), x1 = std::max(x1, last);
            y0 = std::min(y0, r), y1 = r + 1;
        }
    }
    if (x1 <= x0) x0 = y0 = x1 = y1 = 0;
    box = static_cast<std::uint32_t>(x0) | static_cast<std::uint32_t>(y0) << 8 |
          static_cast<std::uint32_t>(x1) << 16 | static_cast<std::uint32_t>(y1) << 24;
    return box;
}

void CopyByTiles(const BlitParams& p, std::uint64_t state, KeyTiles& t);

} // namespace

void KeyedCopyByTiles(const BlitParams& p, std::uint64_t state, KeyTiles& t) {
    const PixelBuffer& s = *p.src;
    if (!p.keyed || p.sw != p.dw || p.sh != p.dh || !TilesKnown(s, state, p.key, t)) {
        CopyByTiles(p, state, t);
        return;
    }
    // Source columns and rows read: [c0, c1) and [r0, r1).
    const int c0 = p.sx + p.i0, c1 = p.sx + p.i1, r0 = p.sy + p.j0, r1 = p.sy + p.j1;
    if (c0 < 0 || r0 < 0 || c1 > s.width || r1 > s.height || c0 >= c1 || r0 >= r1) {
        CopyByTiles(p, state, t);
        return;
    }
    // Pixels equal to the key leave the destination as it is: only the rectangle of the others read
    // is copied.
    int bx0 = c1, by0 = r1, bx1 = c0, by1 = r0;
    for (int ty = r0 / kKeyTile; ty <= (r1 - 1) / kKeyTile; ++ty)
        for (int tx = c0 / kKeyTile; tx <= (c1 - 1) / kKeyTile; ++tx) {
            const std::uint32_t box = TileBox(s, t, tx, ty);
            const int x = tx * kKeyTile, y = ty * kKeyTile;
            const int l = std::max(c0, x + static_cast<int>(box & 0xFF)),
                      r = std::min(c1, x + static_cast<int>(box >> 16 & 0xFF));
            const int u = std::max(r0, y + static_cast<int>(box >> 8 & 0xFF)),
                      b = std::min(r1, y + static_cast<int>(box >> 24));
            if (l >= r || u >= b) continue;
            bx0 = std::min(bx0, l), bx1 = std::max(bx1, r);
            by0 = std::min(by0, u), by1 = std::max(by1, b);
        }
    if (bx0 >= bx1 || by0 >= by1) return;
    BlitParams q = p;
    q.i0 = bx0 - p.sx, q.i1 = bx1 - p.sx;
    q.j0 = by0 - p.sy, q.j1 = by1 - p.sy;
    CopyByTiles(q, state, t);
}

namespace {

void CopyByTiles(const BlitParams& p, std::uint64_t state, KeyTiles& t) {
    const PixelBuffer& s = *p.src;
    const bool unscaled = p.sw == p.dw && p.sh == p.dh;
    // A copy of a few tiles is run whole: splitting it would cost more than it saves.
    const long long area = static_cast<long long>(p.i1 - p.i0) * (p.j1 - p.j0);
    if (!p.keyed || !unscaled || area < kSplitArea || !TilesKnown(s, state, p.key, t)) {
        ScaledCopy(p);
        return;
    }
    // Source columns and rows read: [c0, c1) and [r0, r1); destination offset i = column - p.sx.
    const int c0 = p.sx + p.i0, c1 = p.sx + p.i1, r0 = p.sy + p.j0, r1 = p.sy + p.j1;
    if (c0 < 0 || r0 < 0 || c1 > s.width || r1 > s.height || c0 >= c1 || r0 >= r1) {
        ScaledCopy(p);
        return;
    }
    for (int ty = r0 / kKeyTile; ty <= (r1 - 1) / kKeyTile; ++ty) {
        BlitParams band = p;
        band.j0 = std::max(r0, ty * kKeyTile) - p.sy;
        band.j1 = std::min(r1, (ty + 1) * kKeyTile) - p.sy;
        // Runs of tiles of one class: all key is left alone, no key is a plain copy.
        int tx = c0 / kKeyTile;
        const int last = (c1 - 1) / kKeyTile;
        while (tx <= last) {
            const std::uint8_t cls = TileClass(s, t, tx, ty);
            int end = tx + 1;
            while (end <= last && TileClass(s, t, end, ty) == cls)
                ++end;
            if (cls != kTileAllKey) {
                BlitParams run = band;
                run.i0 = std::max(c0, tx * kKeyTile) - p.sx;
                run.i1 = std::min(c1, end * kKeyTile) - p.sx;
                run.keyed = cls == kTileSomeKey;
                ScaledCopy(run);
            }
            tx = end;
        }
    }
}

} // namespace

void LimitCopyWidth(CopyWidth widest) {
    g_copyLimit = widest;
}

CopyWidth UsedCopyWidth() {
    return Width();
}

void CopyKeyed32(std::uint32_t* d, const std::uint32_t* s, int n, std::uint32_t key) {
    if (n <= 0) return;
    int i = 0;
    [[maybe_unused]] const CopyWidth width = Width();
#ifdef GFX_HAVE_AVX512
    if (width == CopyWidth::Avx512) {
        CopyKeyedRect32Avx512(reinterpret_cast<std::uint8_t*>(d), 0, reinterpret_cast<const std::uint8_t*>(s),
                              0, n, 1, key);
        return;
    }
#endif
#ifdef GFX_HAVE_AVX2
    if (width == CopyWidth::Avx2) i = CopyKeyed32Avx2(d, s, n, key);
#endif
#ifdef __SSE2__
    const __m128i k = _mm_set1_epi32(static_cast<int>(key));
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i m = _mm_cmpeq_epi32(sv, k);
        const __m128i r = _mm_or_si128(_mm_and_si128(m, dv), _mm_andnot_si128(m, sv));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), r);
    }
#endif
    for (; i < n; ++i)
        if (s[i] != key) d[i] = s[i];
}

namespace {

// Narrows [lo, hi) of a row to the span from its first pixel other than the key to its last.
void KeySpan(const std::uint8_t* row, int bpp, std::uint32_t key, int& lo, int& hi) {
    if (bpp == 4) {
        const auto* p = reinterpret_cast<const std::uint32_t*>(row);
        while (lo < hi && p[lo] == key)
            ++lo;
        while (hi > lo && p[hi - 1] == key)
            --hi;
        return;
    }
    while (lo < hi && RawAt(row, lo, bpp) == key)
        ++lo;
    while (hi > lo && RawAt(row, hi - 1, bpp) == key)
        --hi;
}

// n pixels of a row to a row, unscaled; keyed, pixels equal to the key are left alone.
void CopyRowOf(std::uint8_t* drow, const std::uint8_t* sp, int n, int bpp, bool keyed, std::uint32_t key) {
    switch (bpp) {
    case 1:
        CopyRow(drow, sp, n, keyed, static_cast<std::uint8_t>(key));
        break;
    case 2:
        CopyRow(reinterpret_cast<std::uint16_t*>(drow), reinterpret_cast<const std::uint16_t*>(sp), n, keyed,
                static_cast<std::uint16_t>(key));
        break;
    case 4:
        if (keyed)
            CopyKeyed32(reinterpret_cast<std::uint32_t*>(drow), reinterpret_cast<const std::uint32_t*>(sp), n,
                        key);
        else
            std::memcpy(drow, sp, static_cast<std::size_t>(n) * 4);
        break;
    default:
        for (int i = 0; i < n; ++i) {
            const std::uint8_t* q = sp + i * 3;
            const std::uint32_t v = q[0] | (q[1] << 8) | (q[2] << 16);
            if (!keyed || v != key) std::memcpy(drow + i * 3, q, 3);
        }
        break;
    }
}

// n pixels of a row to a row, pixel i taken from source column cols[i].
void ScaleRow(std::uint8_t* drow, const std::uint8_t* srow, const int* cols, int n, int bpp, bool keyed,
              std::uint32_t key) {
    switch (bpp) {
    case 1:
        ScaledRow(drow, srow, cols, n, keyed, static_cast<std::uint8_t>(key));
        break;
    case 2:
        ScaledRow(reinterpret_cast<std::uint16_t*>(drow), reinterpret_cast<const std::uint16_t*>(srow), cols,
                  n, keyed, static_cast<std::uint16_t>(key));
        break;
    case 4:
        ScaledRow(reinterpret_cast<std::uint32_t*>(drow), reinterpret_cast<const std::uint32_t*>(srow), cols,
                  n, keyed, key);
        break;
    default:
        for (int i = 0; i < n; ++i) {
            const std::uint8_t* q = srow + cols[i] * 3;
            const std::uint32_t v = q[0] | (q[1] << 8) | (q[2] << 16);
            if (!keyed || v != key) std::memcpy(drow + i * 3, q, 3);
        }
        break;
    }
}

} // namespace

void ScaledCopy(const BlitParams& p) {
    PixelBuffer& d = *p.dst;
    const PixelBuffer& s = *p.src;
    const int bpp = BytesPerPixel(d.format);
    const int n = p.i1 - p.i0;
    if (n <= 0 || p.j1 <= p.j0) return;
    const bool unscaledX = p.sw == p.dw, unscaledY = p.sh == p.dh;
    if (unscaledX && unscaledY && !p.keyed) {
        // An unscaled unkeyed copy: whole rows of the same pitch are one block, other rows a copy each.
        const std::size_t rowBytes = static_cast<std::size_t>(n) * bpp;
        std::uint8_t* drow = d.Row(p.dy + p.j0) + static_cast<std::ptrdiff_t>(p.dx + p.i0) * bpp;
        const std::uint8_t* srow = s.Row(p.sy + p.j0) + static_cast<std::ptrdiff_t>(p.sx + p.i0) * bpp;
        const int rows = p.j1 - p.j0;
        if (d.pitch == s.pitch && rowBytes == static_cast<std::size_t>(d.pitch)) {
            std::memcpy(drow, srow, rowBytes * static_cast<std::size_t>(rows));
            return;
        }
#ifdef GFX_HAVE_AVX2
        if (rowBytes >= kWideRowMin && rowBytes <= kWideRowMax && Width() != CopyWidth::Baseline) {
            CopyRowsAvx2(drow, d.pitch, srow, s.pitch, rowBytes, rows);
            return;
        }
#endif
        for (int r = 0; r < rows; ++r)
            std::memcpy(drow + static_cast<std::ptrdiff_t>(r) * d.pitch,
                        srow + static_cast<std::ptrdiff_t>(r) * s.pitch, rowBytes);
        return;
    }
    if (unscaledX && unscaledY && bpp == 4) {
        // An unscaled keyed copy at 32 bits: every row in one pass.
        std::uint8_t* drow = d.Row(p.dy + p.j0) + static_cast<std::ptrdiff_t>(p.dx + p.i0) * 4;
        const std::uint8_t* srow = s.Row(p.sy + p.j0) + static_cast<std::ptrdiff_t>(p.sx + p.i0) * 4;
        [[maybe_unused]] const CopyWidth width = Width();
#ifdef GFX_HAVE_AVX512
        if (width == CopyWidth::Avx512) {
            CopyKeyedRect32Avx512(drow, d.pitch, srow, s.pitch, n, p.j1 - p.j0, p.key);
            return;
        }
#endif
#ifdef GFX_HAVE_AVX2
        if (width == CopyWidth::Avx2) {
            CopyKeyedRect32Avx2(drow, d.pitch, srow, s.pitch, n, p.j1 - p.j0, p.key);
            return;
        }
#endif
    }
    if (unscaledX) {
        for (int j = p.j0; j < p.j1; ++j) {
            const int sy = unscaledY ? p.sy + j : SourceIndex(j, p.sy, p.sh, p.dh);
            CopyRowOf(d.Row(p.dy + j) + static_cast<std::ptrdiff_t>(p.dx + p.i0) * bpp,
                      s.Row(sy) + static_cast<std::ptrdiff_t>(p.sx + p.i0) * bpp, n, bpp, p.keyed, p.key);
        }
        return;
    }
    std::vector<int> cols(static_cast<std::size_t>(n));
    for (int i = p.i0; i < p.i1; ++i)
        cols[i - p.i0] = SourceIndex(i, p.sx, p.sw, p.dw);
    // A source row that several destination rows read is widened once to the destination's columns
    // and then copied to each of them as an unscaled row, only over the span that holds a pixel other
    // than the key; a row read once is scaled straight into its destination row.
    std::vector<std::uint8_t> wide;
    int wideRow = -1, lo = 0, hi = 0;
    int sy = unscaledY ? p.sy + p.j0 : SourceIndex(p.j0, p.sy, p.sh, p.dh), next = -1;
    for (int j = p.j0; j < p.j1; ++j, sy = next) {
        next = j + 1 >= p.j1 ? -1 : unscaledY ? sy + 1 : SourceIndex(j + 1, p.sy, p.sh, p.dh);
        std::uint8_t* drow = d.Row(p.dy + j) + static_cast<std::ptrdiff_t>(p.dx + p.i0) * bpp;
        const std::uint8_t* srow = s.Row(sy);
        if (sy != wideRow && next != sy) {
            ScaleRow(drow, srow, cols.data(), n, bpp, p.keyed, p.key);
            continue;
        }
        if (sy != wideRow) {
            wide.resize(static_cast<std::size_t>(n) * bpp);
            ScaleRow(wide.data(), srow, cols.data(), n, bpp, false, 0);
            wideRow = sy;
            lo = 0, hi = n;
            if (p.keyed) KeySpan(wide.data(), bpp, p.key, lo, hi);
        }
        if (lo < hi)
            CopyRowOf(drow + static_cast<std::ptrdiff_t>(lo) * bpp,
                      wide.data() + static_cast<std::ptrdiff_t>(lo) * bpp, hi - lo, bpp, p.keyed, p.key);
    }
}

} // namespace gfx
