// Upright rectangles whose texels step about one a pixel (unscaled pictures, and ones a texel wider or
// narrower, placed at whole, half and awkward positions, from textures of even and odd sizes) must
// take for each pixel the texel of the sampling rule: column floor((u0 + (x - x0) du) w + 1e-7) and
// row likewise, wrapped into the texture.
#include "platform/gfx/raster.h"
#include <gtest/gtest.h>
#include <cmath>
#include <random>

using namespace gfx;

namespace {

int RuleIndex(double t0, double origin, int pixel, double step, int size) {
    const double f = std::floor((t0 + (static_cast<double>(pixel) - origin) * step) * size + 1e-7);
    long long i = static_cast<long long>(f) % size;
    return static_cast<int>(i < 0 ? i + size : i);
}

} // namespace

TEST(RasterUnscaled, RectanglesTakeTheTexelsOfTheSamplingRule) {
    constexpr int kW = 96, kH = 64;
    const float offsets[] = {-0.5f, 0.0f, 0.25f, -0.4999f, 0.4999f, 1e-6f, -1e-6f, 0.5f};
    std::mt19937 rng(7);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int texW : {480, 479, 37, 16})
        for (int texH : {256, 33})
            for (int k = 0; k < 40; ++k) {
                PixelBuffer tex;
                tex.Allocate(texW, texH, PixelFormat::A8R8G8B8);
                for (int y = 0; y < texH; ++y)
                    for (int x = 0; x < texW; ++x)
                        tex.Set(x, y, 0xFF000000u | static_cast<std::uint32_t>(y << 12 | x));
                PixelBuffer target;
                target.Allocate(kW, kH, PixelFormat::X8R8G8B8);
                const int w = 1 + pick(40), h = 1 + pick(40);
                const int sx = pick(texW + 8) - 4, sy = pick(texH + 8) - 4; // some wrap
                const int spanW = w + (pick(4) == 0 ? pick(3) - 1 : 0),
                          spanH = h + (pick(4) == 0 ? pick(3) - 1 : 0);
                const float x0 = static_cast<float>(pick(kW - w)) + offsets[pick(8)];
                const float y0 = static_cast<float>(pick(kH - h)) + offsets[pick(8)];
                const float x1 = x0 + static_cast<float>(w), y1 = y0 + static_cast<float>(h);
                // Texture coordinates as the drawing library makes them, in floats.
                const float u0 = static_cast<float>(sx) / texW, u1 = static_cast<float>(sx + spanW) / texW;
                const float v0 = static_cast<float>(sy) / texH, v1 = static_cast<float>(sy + spanH) / texH;
                const TLVERTEX v[4] = {{x0, y0, 0, 1, 0xFFFFFFFF, u0, v0},
                                       {x0, y1, 0, 1, 0xFFFFFFFF, u0, v1},
                                       {x1, y0, 0, 1, 0xFFFFFFFF, u1, v0},
                                       {x1, y1, 0, 1, 0xFFFFFFFF, u1, v1}};
                RasterState rs;
                rs.target = &target;
                rs.texture = &tex;
                rs.stage.colourOp = D3DTOP_SELECTARG1;
                RasterQuadStrip(rs, v);

                const double du = (double(u1) - u0) / (double(x1) - x0),
                             dv = (double(v1) - v0) / (double(y1) - y0);
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        const bool inside = x >= std::ceil(x0) && x < std::ceil(x1) && y >= std::ceil(y0) &&
                                            y < std::ceil(y1);
                        std::uint32_t want = 0;
                        if (inside)
                            want = tex.Get(RuleIndex(u0, x0, x, du, texW), RuleIndex(v0, y0, y, dv, texH)) &
                                   0xFFFFFF;
                        ASSERT_EQ(target.Get(x, y), want) << "texture " << texW << " x " << texH << " quad "
                                                          << k << " pixel " << x << ", " << y;
                    }
            }
}
