// The window thread's side of the presenter, with SDL's dummy video driver: the latest frame is shown
// scaled by a whole number, centred, nearest-neighbour.
#include "platform/gfx/present_sdl.h"
#include "platform/gfx/presenter.h"
#include <SDL.h>
#include <cmath>
#include <gtest/gtest.h>

using namespace gfx;

namespace {

TEST(PresentSdl, LatestFrameIsScaledByAWholeNumberAndCentred) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("t", 0, 0, 1400, 1000, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ClearPublishedFrames();
    EXPECT_FALSE(PresentLatestFrame(window)); // nothing published yet
    std::vector<std::uint32_t> frame(640 * 480, 0xFF000000u);
    frame[0] = 0xFFFF0000u;             // top-left red
    frame[640 * 480 - 1] = 0xFF0000FFu; // bottom-right blue
    PublishFrame(frame.data(), 640, 480, 640);
    if (!PresentLatestFrame(window)) {
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        GTEST_SKIP() << "no renderer for this video driver";
    }
    SDL_Renderer* r = SDL_GetRenderer(window);
    ASSERT_NE(r, nullptr);
    // Scale 2 (1280 x 960) centred in 1400 x 1000: the frame starts at (60, 20).
    auto at = [&](int x, int y) {
        std::uint32_t px = 0;
        SDL_Rect rc{x, y, 1, 1};
        SDL_RenderReadPixels(r, &rc, SDL_PIXELFORMAT_ARGB8888, &px, 4);
        return px | 0xFF000000u;
    };
    EXPECT_EQ(at(60, 20), 0xFFFF0000u);
    EXPECT_EQ(at(61, 21), 0xFFFF0000u);
    EXPECT_EQ(at(62, 20), 0xFF000000u);
    EXPECT_EQ(at(59, 20), 0xFF000000u); // the border
    EXPECT_EQ(at(60 + 1279, 20 + 959), 0xFF0000FFu);
    EXPECT_EQ(at(60 + 1278, 20 + 958), 0xFF0000FFu);
    // Nothing new: nothing drawn, unless asked to redraw.
    EXPECT_FALSE(PresentLatestFrame(window));
    EXPECT_TRUE(PresentLatestFrame(window, true));
    // The same frame published again is not drawn again; a changed one is.
    PublishFrame(frame.data(), 640, 480, 640);
    EXPECT_FALSE(PresentLatestFrame(window));
    frame[1] = 0xFF00FF00u;
    PublishFrame(frame.data(), 640, 480, 640);
    EXPECT_TRUE(PresentLatestFrame(window));
    EXPECT_EQ(at(62, 20), 0xFF00FF00u);
    ReleasePresenter();
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ClearPublishedFrames();
}

TEST(PresentSdl, StretchTakesThePixelUnderEachMiddle) {
    // Whole-number, fractional, shrinking and one-line stretches, into a store with a wider pitch.
    const struct {
        int sw, sh, dw, dh;
    } sizes[] = {{4, 3, 8, 6},  {640, 480, 960, 600}, {5, 7, 3, 2},
                 {7, 1, 16, 5}, {3, 3, 3, 3},         {640, 480, 1000, 750}};
    for (const auto& z : sizes) {
        std::vector<std::uint32_t> src(static_cast<std::size_t>(z.sw) * z.sh);
        for (std::size_t i = 0; i < src.size(); ++i)
            src[i] = static_cast<std::uint32_t>(i * 2654435761u);
        const int pitch = z.dw + 3;
        std::vector<std::uint32_t> dst(static_cast<std::size_t>(pitch) * z.dh, 0xDEADBEEFu);
        StretchNearest(src.data(), z.sw, z.sh, z.sw, dst.data(), z.dw, z.dh, pitch);
        int wrong = 0;
        for (int y = 0; y < z.dh; ++y) {
            // The middle of window pixel y lies at (y + 0.5) * sh / dh in frame pixels.
            const int sy = static_cast<int>(std::floor((y + 0.5) * z.sh / z.dh));
            for (int x = 0; x < z.dw; ++x) {
                const int sx = static_cast<int>(std::floor((x + 0.5) * z.sw / z.dw));
                wrong += dst[static_cast<std::size_t>(y) * pitch + x] !=
                         src[static_cast<std::size_t>(sy) * z.sw + sx];
            }
            for (int x = z.dw; x < pitch; ++x) // nothing past the row's end
                wrong += dst[static_cast<std::size_t>(y) * pitch + x] != 0xDEADBEEFu;
        }
        EXPECT_EQ(wrong, 0) << z.sw << "x" << z.sh << " -> " << z.dw << "x" << z.dh;
    }
}

} // namespace
