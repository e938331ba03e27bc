// Which rows of an A8R8G8B8 texture's tiles are all transparent or all opaque, looked at a tile at a time.
#include "platform/gfx/raster.h"
#include <algorithm>

namespace gfx {

TexelTiles::TexelTiles(const PixelBuffer& tex) : tileCols_((tex.width + kTile - 1) / kTile) {
    const std::size_t tileRows = static_cast<std::size_t>((tex.height + kTile - 1) / kTile);
    words_.assign(tileRows * static_cast<std::size_t>(tileCols_), 0);
}

TexelTiles::Kind TexelTiles::Find(const PixelBuffer& tex, int y, int tx) {
    const int x0 = tx * kTile, x1 = std::min(tex.width, x0 + kTile), ty = y / kTile * kTile;
    std::uint64_t word = 0;
    for (int r = 0; r < kTile; ++r) {
        std::uint64_t kind = Mixed; // rows past the texture are never read
        if (ty + r < tex.height) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(tex.Row(ty + r));
            std::uint32_t all = 0xFFFFFFFFu, any = 0;
            for (int x = x0; x < x1; ++x) {
                all &= row[x];
                any |= row[x];
            }
            kind = (any >> 24) == 0 ? Clear : (all >> 24) == 0xFF ? Opaque : Mixed;
        }
        word |= kind << (2 * r);
    }
    words_[static_cast<std::size_t>(ty / kTile) * tileCols_ + tx] = word;
    return At(tex, y, tx);
}

TexelTiles::Kind TexelTiles::Rows(const PixelBuffer& tex, int y0, int y1, int tx) {
    constexpr std::uint64_t kAllClear = 0x5555555555555555u, kAllOpaque = 0xAAAAAAAAAAAAAAAAu;
    Kind kind = Unknown;
    for (int y = y0; y < y1;) {
        const int band = y / kTile, end = std::min(y1, (band + 1) * kTile);
        (void)At(tex, y, tx); // looks at the tile when first asked
        const std::uint64_t w = words_[static_cast<std::size_t>(band) * tileCols_ + tx];
        const int first = y % kTile, count = end - y;
        const std::uint64_t mask = (count == kTile ? ~0ull : (1ull << (2 * count)) - 1) << (2 * first);
        const Kind here = (w & mask) == (kAllClear & mask)    ? Clear
                          : (w & mask) == (kAllOpaque & mask) ? Opaque
                                                              : Mixed;
        if (kind != Unknown && here != kind) return Mixed;
        kind = here;
        y = end;
    }
    return kind;
}

} // namespace gfx
