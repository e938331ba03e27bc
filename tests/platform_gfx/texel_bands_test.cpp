// What a band of 32 texture rows holds over several tiles together: each row's kind where every tile
// agrees, Mixed where they differ, and Mixed for rows past the texture.
#include "platform/gfx/raster.h"
#include <gtest/gtest.h>

using namespace gfx;

namespace {

constexpr int kW = 70, kH = 40; // tiles 32, 32 and 6 texels wide; the second band 8 rows deep

// The kind of row y of tile q, by construction.
TexelTiles::Kind KindOf(int y, int q) {
    static const TexelTiles::Kind kinds[] = {TexelTiles::Clear, TexelTiles::Opaque, TexelTiles::Mixed,
                                             TexelTiles::Opaque, TexelTiles::Clear};
    return kinds[(y * 3 + q * 2 + y / 7) % 5];
}

PixelBuffer MakeTexture() {
    PixelBuffer p;
    p.Allocate(kW, kH, PixelFormat::A8R8G8B8);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const TexelTiles::Kind k = KindOf(y, x / TexelTiles::kTile);
            const bool opaque = k == TexelTiles::Opaque || (k == TexelTiles::Mixed && x % 3 == 1);
            p.Set(x, y, (opaque ? 0xFF000000u : 0) | static_cast<std::uint32_t>(x * 3 + y));
        }
    return p;
}

} // namespace

TEST(TexelBands, EachRowIsTheKindAllItsTilesShareOrMixed) {
    const PixelBuffer tex = MakeTexture();
    const struct {
        int band, tx0, tx1;
    } cases[] = {{0, 0, 0}, {0, 1, 1}, {0, 2, 2}, {0, 0, 1}, {0, 1, 2},
                 {0, 0, 2}, {1, 0, 0}, {1, 0, 2}, {1, 2, 2}, {1, 1, 2}};
    for (bool lookedAtFirst : {false, true})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "band " << c.band << " tiles " << c.tx0 << "-" << c.tx1
                                            << (lookedAtFirst ? " after At" : ""));
            TexelTiles tiles(tex);
            if (lookedAtFirst) (void)tiles.At(tex, c.band * TexelTiles::kTile, c.tx0);
            const std::uint64_t word = tiles.Band(tex, c.band, c.tx0, c.tx1);
            for (int r = 0; r < TexelTiles::kTile; ++r) {
                const int y = c.band * TexelTiles::kTile + r;
                TexelTiles::Kind want = TexelTiles::Mixed; // rows past the texture
                if (y < kH) {
                    want = KindOf(y, c.tx0);
                    for (int q = c.tx0 + 1; q <= c.tx1; ++q)
                        if (KindOf(y, q) != want) want = TexelTiles::Mixed;
                }
                EXPECT_EQ(static_cast<int>((word >> (2 * r)) & 3), static_cast<int>(want)) << "row " << y;
            }
        }
}
