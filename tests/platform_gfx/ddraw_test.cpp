// The DirectDraw-like device: fills, copies, colour keys, scaling, refusals, locks, palettes at
// present time, flips and simulated loss. Expected pixels are computed from the blit rules.
#include "platform/gfx/ddraw.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"
#include "unshown_rows.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <utility>

using namespace gfx;

namespace {

class DDrawTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::ResetSimulation();
        sim::SetVerticalBlankEmulation(false);
        ClearPublishedFrames();
    }
    void TearDown() override {
        for (auto* s : made_)
            s->Release();
        if (dd_) dd_->Release();
        sim::ResetSimulation();
    }
    void Init(int bpp, bool fullscreen = true) {
        void* p = nullptr;
        ASSERT_EQ(DirectDrawCreateEx(nullptr, &p, IID_IDirectDraw7, nullptr), DD_OK);
        dd_ = static_cast<DirectDraw7*>(p);
        ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, fullscreen ? 0x13 : DDSCL_NORMAL), DD_OK);
        ASSERT_EQ(dd_->SetDisplayMode(640, 480, bpp, 0, 0), DD_OK);
    }
    DirectDrawSurface7* Offscreen(int w, int h, bool system = false) {
        DDSURFACEDESC2 d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (system ? DDSCAPS_SYSTEMMEMORY : 0);
        d.dwWidth = w;
        d.dwHeight = h;
        DirectDrawSurface7* s = nullptr;
        EXPECT_EQ(dd_->CreateSurface(&d, &s, nullptr), DD_OK);
        if (s) made_.push_back(s);
        return s;
    }
    static std::uint32_t At(DirectDrawSurface7* s, int x, int y) { return s->Pixels().Get(x, y); }
    // Every pixel of a surface set to a value derived from its position.
    static void Pattern(DirectDrawSurface7* s) {
        PixelBuffer& p = s->Pixels();
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                p.Set(x, y, static_cast<std::uint32_t>(y * 16 + x + 1) & 0xFFFF);
    }
    DirectDraw7* dd_ = nullptr;
    std::vector<DirectDrawSurface7*> made_;
};

TEST_F(DDrawTest, ColourFillWritesRawValueInsideTheRectOnly) {
    Init(16);
    auto* s = Offscreen(8, 4);
    DDBLTFX fx;
    fx.dwFillColor = 0x1234F800; // only the low 16 bits are a pixel here
    RECT r{2, 1, 5, 3};
    ASSERT_EQ(s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(At(s, x, y), inside ? 0xF800u : 0u) << x << "," << y;
        }
    RECT outside{-1, 0, 4, 2};
    EXPECT_EQ(s->Blt(&outside, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDRECT);
    EXPECT_EQ(s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    EXPECT_EQ(At(s, 0, 0), 0xF800u);
    EXPECT_EQ(At(s, 7, 3), 0xF800u);
}

TEST_F(DDrawTest, BltFastCopiesAndHonoursTheSourceKey) {
    Init(32);
    auto* src = Offscreen(4, 2);
    auto* dst = Offscreen(8, 4);
    const std::uint32_t key = 0xFF00FF;
    std::uint32_t pix[2][4] = {{1, key, 3, 4}, {key, 6, key, 8}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            src->Pixels().Set(x, y, pix[y][x]);
    DDBLTFX fx;
    fx.dwFillColor = 0x777777;
    dst->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    DDCOLORKEY ck{key, key};
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &ck), DD_OK);
    ASSERT_EQ(dst->BltFast(3, 1, src, nullptr, DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY), DD_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            std::uint32_t want = 0x777777;
            if (x >= 3 && x < 7 && y >= 1 && y < 3 && pix[y - 1][x - 3] != key) want = pix[y - 1][x - 3];
            EXPECT_EQ(At(dst, x, y), want) << x << "," << y;
        }
    // Without the key flag the key colour is copied like any other.
    ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(At(dst, 1, 0), key);
}

// A sheet drawn from many times whose copies read no key pixel is copied as it is; once a key pixel
// is written into it, the next copies leave that pixel's destination alone again.
TEST_F(DDrawTest, KeyedCopiesFollowTheSheetAsItIsWrittenAgain) {
    Init(32);
    DirectDrawSurface7* sheet = Offscreen(64, 32);
    DirectDrawSurface7* dst = Offscreen(64, 32);
    DDCOLORKEY key{0xFF00FF, 0xFF00FF};
    ASSERT_EQ(sheet->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    {
        PixelBuffer& p = sheet->Pixels();
        p.Fill(0, 0, 64, 32, 0x123456);
        p.Fill(32, 0, 64, 32, 0xFF00FF); // the right cell is all key
    }
    RECT left{0, 0, 32, 32}, right{32, 0, 64, 32};
    struct Step {
        const char* what;
        bool writeKey; // a key pixel is written into the left cell first
        RECT* from;
        std::uint32_t want; // at (5, 5) of the destination, over a 0x000001 background
    };
    const Step steps[] = {
        {"first copy", false, &left, 0x123456}, {"second copy", false, &left, 0x123456},
        {"third copy", false, &left, 0x123456}, {"keyed cell", false, &right, 0x000001},
        {"key written", true, &left, 0x000001}, {"again", false, &left, 0x000001},
    };
    for (const Step& s : steps) {
        if (s.writeKey) {
            DDSURFACEDESC2 d;
            ASSERT_EQ(sheet->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
            static_cast<std::uint32_t*>(d.lpSurface)[5 * d.lPitch / 4 + 5] = 0xFF00FF;
            ASSERT_EQ(sheet->Unlock(nullptr), DD_OK);
        }
        DDBLTFX fx;
        fx.dwFillColor = 1;
        ASSERT_EQ(dst->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
        ASSERT_EQ(dst->BltFast(0, 0, sheet, s.from, DDBLTFAST_SRCCOLORKEY), DD_OK);
        EXPECT_EQ(At(dst, 5, 5) & 0xFFFFFF, s.want) << s.what;
        EXPECT_EQ(At(dst, 6, 5) & 0xFFFFFF, s.from == &left ? 0x123456u : 1u) << s.what;
    }
}

TEST_F(DDrawTest, BltFastRefusesRectanglesOutsideEitherSurface) {
    Init(16);
    auto* src = Offscreen(4, 4);
    auto* dst = Offscreen(8, 8);
    Pattern(src);
    RECT r{0, 0, 4, 4};
    EXPECT_EQ(dst->BltFast(5, 0, src, &r, 0), DDERR_INVALIDRECT);         // past the right edge
    EXPECT_EQ(dst->BltFast(0, 5, src, &r, 0), DDERR_INVALIDRECT);         // past the bottom
    EXPECT_EQ(dst->BltFast(DWORD(-1), 0, src, &r, 0), DDERR_INVALIDRECT); // negative x
    RECT big{0, 0, 5, 4};
    EXPECT_EQ(dst->BltFast(0, 0, src, &big, 0), DDERR_INVALIDRECT); // source too large
    RECT neg{-1, 0, 3, 4};
    EXPECT_EQ(dst->BltFast(0, 0, src, &neg, 0), DDERR_INVALIDRECT);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(At(dst, x, y), 0u);             // nothing was drawn
    EXPECT_EQ(dst->BltFast(4, 4, src, &r, 0), DD_OK); // touching the corner exactly is fine
    EXPECT_EQ(At(dst, 7, 7), At(src, 3, 3));
    // A keyed copy from a surface that has no key is refused.
    EXPECT_EQ(dst->BltFast(0, 0, src, &r, DDBLTFAST_SRCCOLORKEY), DDERR_NOCOLORKEY);
}

TEST_F(DDrawTest, ScaledBltSamplesNearestByTruncation) {
    Init(16);
    auto* src = Offscreen(4, 3);
    auto* dst = Offscreen(10, 7);
    Pattern(src);
    RECT sr{1, 0, 4, 3}; // 3 x 3
    RECT dr{2, 1, 9, 6}; // 7 x 5
    ASSERT_EQ(dst->Blt(&dr, src, &sr, DDBLT_WAIT, nullptr), DD_OK);
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(At(dst, 2 + i, 1 + j), At(src, 1 + i * 3 / 7, j * 3 / 5)) << i << "," << j;
    EXPECT_EQ(At(dst, 1, 1), 0u);
    EXPECT_EQ(At(dst, 9, 1), 0u);
    // Shrinking works the same way.
    auto* small = Offscreen(2, 2);
    ASSERT_EQ(small->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(At(small, 1, 1), At(src, 2, 1));
    // A destination outside the surface is refused (no clipper).
    RECT over{5, 0, 11, 2};
    EXPECT_EQ(dst->Blt(&over, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(DDrawTest, ScaledKeyedBltAt8Bits) {
    Init(8);
    auto* src = Offscreen(2, 1);
    auto* dst = Offscreen(4, 2);
    src->Pixels().Set(0, 0, 9);
    src->Pixels().Set(1, 0, 0); // key
    DDCOLORKEY ck{0, 0};
    src->SetColorKey(DDCKEY_SRCBLT, &ck);
    DDBLTFX fx;
    fx.dwFillColor = 5;
    dst->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(At(dst, 0, y), 9u);
        EXPECT_EQ(At(dst, 1, y), 9u);
        EXPECT_EQ(At(dst, 2, y), 5u);
        EXPECT_EQ(At(dst, 3, y), 5u);
    }
}

TEST_F(DDrawTest, BlitsAt24BitsKeepByteOrder) {
    Init(24);
    auto* src = Offscreen(3, 1);
    auto* dst = Offscreen(3, 1);
    src->Pixels().Set(0, 0, 0x112233);
    src->Pixels().Set(1, 0, 0xABCDEF);
    src->Pixels().Set(2, 0, 0x445566);
    DDCOLORKEY ck{0xABCDEF, 0xABCDEF};
    src->SetColorKey(DDCKEY_SRCBLT, &ck);
    ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
    EXPECT_EQ(dst->Pixels().Row(0)[0], 0x33); // blue first
    EXPECT_EQ(At(dst, 0, 0), 0x112233u);
    EXPECT_EQ(At(dst, 1, 0), 0u);
    EXPECT_EQ(At(dst, 2, 0), 0x445566u);
}

TEST_F(DDrawTest, LockGivesPitchAndASecondLockFails) {
    Init(16);
    auto* s = Offscreen(13, 5);
    DDSURFACEDESC2 d;
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(d.dwWidth, 13u);
    EXPECT_EQ(d.dwHeight, 5u);
    EXPECT_EQ(d.lPitch, 28); // 26 bytes rounded up to 4
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(d.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    auto* row2 = static_cast<std::uint8_t*>(d.lpSurface) + 2 * d.lPitch;
    std::uint16_t v = 0xBEEF;
    std::memcpy(row2 + 3 * 2, &v, 2);
    DDSURFACEDESC2 d2;
    EXPECT_EQ(s->Lock(nullptr, &d2, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    DDBLTFX fx;
    EXPECT_EQ(s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_SURFACEBUSY);
    EXPECT_EQ(s->Unlock(nullptr), DD_OK);
    EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
    EXPECT_EQ(At(s, 3, 2), 0xBEEFu);
    // Injected lock failure.
    sim::FailLocks(1);
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    s->Unlock(nullptr);
}

TEST_F(DDrawTest, PixelFormatsPerDepth) {
    const int depths[] = {8, 16, 24, 32};
    for (int bpp : depths) {
        Init(bpp);
        auto* s = Offscreen(2, 2);
        DDPIXELFORMAT pf;
        ASSERT_EQ(s->GetPixelFormat(&pf), DD_OK);
        EXPECT_EQ(pf.dwRGBBitCount, DWORD(bpp));
        if (bpp == 8) {
            EXPECT_TRUE(pf.dwFlags & DDPF_PALETTEINDEXED8);
        }
        if (bpp == 16) {
            EXPECT_EQ(pf.dwRBitMask, 0xF800u);
        }
        if (bpp >= 24) {
            EXPECT_EQ(pf.dwRBitMask, 0xFF0000u);
        }
        for (auto* m : made_)
            m->Release();
        made_.clear();
        dd_->Release();
        dd_ = nullptr;
    }
    Init(32);
    EXPECT_EQ(dd_->SetDisplayMode(640, 480, 15, 0, 0), DDERR_INVALIDMODE);
}

TEST_F(DDrawTest, FlipPublishesThroughThePaletteCurrentAtPresentTime) {
    Init(8);
    DDSURFACEDESC2 d;
    d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    d.dwBackBufferCount = 1;
    DirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd_->CreateSurface(&d, &primary, nullptr), DD_OK);
    made_.push_back(primary);
    DDSCAPS2 caps;
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    DirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    made_.insert(made_.begin(), back);
    PALETTEENTRY pal[256] = {};
    pal[7] = {10, 20, 30, 0};
    DirectDrawPalette* palette = nullptr;
    ASSERT_EQ(dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, pal, &palette, nullptr), DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
    DDBLTFX fx;
    fx.dwFillColor = 7;
    RECT r{0, 0, 1, 1};
    back->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    // The entry changes after drawing: the frame shows the new colour.
    PALETTEENTRY changed{200, 100, 50, 0};
    ASSERT_EQ(palette->SetEntries(0, 7, 1, &changed), DD_OK);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    std::vector<std::uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadLastFrame(frame, w, h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(frame[0], 0xFFC86432u);
    EXPECT_EQ(frame[1], 0xFF000000u); // entry 0
    // After the flip the back buffer holds the former front store.
    EXPECT_EQ(At(back, 0, 0), 0u);
    EXPECT_EQ(At(primary, 0, 0), 7u);
    EXPECT_EQ(palette->SetEntries(0, 255, 2, pal), DDERR_INVALIDPARAMS);
    palette->Release();
}

TEST_F(DDrawTest, WindowedPrimaryClipsBltsToTheClientArea) {
    Init(32, false);
    DDSURFACEDESC2 d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    DirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd_->CreateSurface(&d, &primary, nullptr), DD_OK);
    made_.push_back(primary);
    DirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd_->CreateClipper(0, &clipper, nullptr), DD_OK);
    clipper->SetHWnd(0, nullptr);
    primary->SetClipper(clipper);
    clipper->Release();
    auto* src = Offscreen(4, 2);
    Pattern(src);
    RECT dr{638, -1, 642, 1};
    ASSERT_EQ(primary->Blt(&dr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(At(primary, 638, 0), At(src, 0, 1));
    EXPECT_EQ(At(primary, 639, 0), At(src, 1, 1));
    std::vector<std::uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadLastFrame(frame, w, h));
    EXPECT_EQ(frame[639], 0xFF000000u | At(src, 1, 1));
    EXPECT_EQ(primary->BltFast(0, 0, src, nullptr, 0), DDERR_UNSUPPORTED); // BltFast cannot clip
    RECT far{-0x7FFFFFFF, 0, 0x7FFFFFFF, 2};
    EXPECT_EQ(primary->Blt(&far, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(DDrawTest, SimulatedLossAndRestore) {
    Init(16);
    auto* video = Offscreen(4, 4);
    auto* system = Offscreen(4, 4, true);
    Pattern(video);
    Pattern(system);
    sim::LoseSurfaces();
    EXPECT_EQ(video->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(system->IsLost(), DD_OK);
    EXPECT_EQ(system->BltFast(0, 0, video, nullptr, 0), DDERR_SURFACELOST);
    DDSURFACEDESC2 d;
    EXPECT_EQ(video->Lock(nullptr, &d, 0, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(video->Restore(), DD_OK);
    EXPECT_EQ(video->IsLost(), DD_OK);
    EXPECT_EQ(At(video, 1, 1), 0u); // contents are gone
    EXPECT_EQ(video->BltFast(0, 0, system, nullptr, 0), DD_OK);
}

TEST_F(DDrawTest, VideoMemoryBudgetRefusesVideoSurfacesOnly) {
    Init(32);
    sim::SetVideoMemoryBudget(100 * 100 * 4);
    auto* a = Offscreen(100, 100);
    ASSERT_NE(a, nullptr);
    DDSURFACEDESC2 d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = d.dwHeight = 10;
    DirectDrawSurface7* b = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&d, &b, nullptr), DDERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(b, nullptr);
    EXPECT_NE(Offscreen(10, 10, true), nullptr);
    // Releasing gives the memory back.
    made_.erase(made_.begin());
    a->Release();
    EXPECT_NE(Offscreen(10, 10), nullptr);
}

TEST_F(DDrawTest, SurfacesOutliveTheDevice) {
    Init(16);
    auto* a = Offscreen(2, 2);
    auto* b = Offscreen(2, 2);
    dd_->Release();
    dd_ = nullptr;
    EXPECT_EQ(a->BltFast(0, 0, b, nullptr, 0), DD_OK);
}

TEST_F(DDrawTest, WindowModeTakesTheDesktopDepth) {
    SetDisplayBitsPerPixel(16);
    void* p = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &p, IID_IDirectDraw7, nullptr), DD_OK);
    dd_ = static_cast<DirectDraw7*>(p);
    dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    auto* s = Offscreen(4, 4);
    DDPIXELFORMAT pf;
    s->GetPixelFormat(&pf);
    EXPECT_EQ(pf.dwRGBBitCount, 16u);
    // A full-screen mode changes the desktop until it is restored.
    dd_->SetDisplayMode(640, 480, 8, 60, 0);
    EXPECT_EQ(GetDeviceCaps(nullptr, BITSPIXEL), 8);
    EXPECT_EQ(dd_->SetDisplayMode(640, 480, 8, 75, 0), DDERR_INVALIDMODE);
    dd_->RestoreDisplayMode();
    EXPECT_EQ(GetDeviceCaps(nullptr, BITSPIXEL), 16);
    SetDisplayBitsPerPixel(32);
}

// A clock of nanoseconds that moves only by waits.
class StepClock final : public sim::BlankClock {
  public:
    long long now = 0;
    long long Now() override { return now; }
    void WaitUntil(long long ns) override { now = std::max(now, ns); }
};

TEST_F(DDrawTest, VerticalBlankIsASixtyHertzTickOfItsClock) {
    Init(32);
    StepClock clock;
    clock.now = 5'000'000; // 5 ms
    sim::SetBlankClock(&clock);
    sim::SetVerticalBlankEmulation(true);
    for (int i = 0; i < 4; ++i)
        dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    EXPECT_EQ(clock.now, 66'666'666); // the fourth blank; the first began 11.7 ms after the start
    EXPECT_EQ(sim::VerticalBlankWaits(), 4u);
    DWORD hz = 0;
    EXPECT_EQ(dd_->GetMonitorFrequency(&hz), DD_OK);
    EXPECT_EQ(hz, 60u);
    // Switched off, a wait returns at once.
    sim::SetVerticalBlankEmulation(false);
    for (int i = 0; i < 100; ++i)
        dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    EXPECT_EQ(clock.now, 66'666'666);
    EXPECT_EQ(sim::VerticalBlankWaits(), 4u);
    sim::SetBlankClock(nullptr);
}

TEST_F(DDrawTest, TwoBackBuffersRotateThroughTheChain) {
    Init(16);
    DDSURFACEDESC2 d;
    d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    d.dwBackBufferCount = 2;
    DirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd_->CreateSurface(&d, &primary, nullptr), DD_OK);
    made_.push_back(primary);
    DDSCAPS2 caps;
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    DirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    made_.insert(made_.begin(), back);
    DDBLTFX fx;
    for (std::uint32_t frame = 1; frame <= 3; ++frame) {
        fx.dwFillColor = frame;
        RECT r{0, 0, 1, 1};
        back->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx);
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        EXPECT_EQ(At(primary, 0, 0), frame); // what was drawn is shown
    }
    EXPECT_EQ(At(back, 0, 0), 1u); // three stores: the back buffer now holds frame 1's
    EXPECT_EQ(back->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
    d.dwBackBufferCount = 0;
    DirectDrawSurface7* second = nullptr;
    EXPECT_NE(dd_->CreateSurface(&d, &second, nullptr), DD_OK);
}

TEST_F(DDrawTest, WideKeyedCopiesMatchPixelByPixel) {
    // Rows long enough for the copies that take many pixels at a time, with keys at odd places.
    for (int bpp : {8, 16, 24, 32}) {
        Init(bpp);
        auto* src = Offscreen(53, 3);
        auto* dst = Offscreen(60, 3);
        const std::uint32_t mask = bpp == 32 ? 0xFFFFFF : (1u << std::min(bpp, 24)) - 1;
        const std::uint32_t key = 0x5A5A5A & mask;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 53; ++x) {
                const bool keyed = (x * 7 + y * 3) % 5 == 0 || (x >= 16 && x < 32 && y == 1);
                src->Pixels().Set(x, y, keyed ? key : (0x010203u * (x + 1) + y) & mask);
                dst->Pixels().Set(x, y, 0);
            }
        for (int x = 0; x < 60; ++x)
            for (int y = 0; y < 3; ++y)
                dst->Pixels().Set(x, y, 0x111111 & mask);
        DDCOLORKEY ck{key, key};
        src->SetColorKey(DDCKEY_SRCBLT, &ck);
        ASSERT_EQ(dst->BltFast(5, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 60; ++x) {
                std::uint32_t want = 0x111111 & mask;
                if (x >= 5 && x < 58 && src->Pixels().Get(x - 5, y) != key)
                    want = src->Pixels().Get(x - 5, y);
                ASSERT_EQ(At(dst, x, y), want) << bpp << " bits " << x << "," << y;
            }
        for (auto* m : made_)
            m->Release();
        made_.clear();
        dd_->Release();
        dd_ = nullptr;
    }
}

} // namespace

namespace {

// A small generator of the same numbers on every run: next(n) gives 0 to n - 1.
struct Lcg {
    std::uint32_t state;
    std::uint32_t operator()(std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    }
};

// Reads a surface's pixels without taking a store of its own (the writable accessor would).
std::uint32_t Seen(const DirectDrawSurface7* s, int x, int y) {
    return s->Pixels().Get(x, y);
}

} // namespace

// A whole, unkeyed, unscaled copy hands the source's pixels over instead of copying them (the
// destination takes the source's store, or keeps the copy back reading it): whatever is drawn
// afterwards into either surface (fills, copies, keyed copies, locks, device contexts, a restore),
// each surface holds exactly the pixels that copying would have given it.
TEST_F(DDrawTest, HandedOverPixelsReadAsCopiedOnesWhateverIsDrawnAfter) {
    for (int bpp : {16, 32}) {
        SCOPED_TRACE(bpp);
        Init(bpp);
        constexpr int W = 9, H = 5;
        const std::uint32_t mask = bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        DirectDrawSurface7* s[3] = {Offscreen(W, H), Offscreen(W, H), Offscreen(W, H, true)};
        std::vector<std::uint32_t> model[3];
        for (int i = 0; i < 3; ++i) {
            model[i].assign(W * H, 0);
            DDCOLORKEY key{3, 3};
            s[i]->SetColorKey(DDCKEY_SRCBLT, &key);
        }
        Lcg next{12345};
        int handedOver = 0;
        for (int step = 0; step < 600; ++step) {
            const int a = static_cast<int>(next(3)), b = (a + 1 + static_cast<int>(next(2))) % 3;
            const int op = static_cast<int>(next(8));
            if (op == 0 || op == 1) { // whole copy b <- a
                if (op == 0)
                    ASSERT_EQ(s[b]->Blt(nullptr, s[a], nullptr, DDBLT_WAIT, nullptr), DD_OK);
                else
                    ASSERT_EQ(s[b]->BltFast(0, 0, s[a], nullptr, 0), DD_OK);
                model[b] = model[a];
                // Handed over: b takes a's store, or keeps the copy back with a's store as it is.
                handedOver += s[b]->SharesPixels() || s[a]->SharesPixels();
            } else if (op == 2 || op == 3) { // a fill of part or all of a
                RECT r{0, 0, W, H};
                if (op == 2)
                    r = RECT{LONG(next(W / 2)), LONG(next(H / 2)), LONG(W - next(3)), LONG(H - next(2))};
                DDBLTFX fx;
                fx.dwFillColor = (next.state * 2654435761u) & mask;
                ASSERT_EQ(s[a]->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
                for (int y = r.top; y < r.bottom; ++y)
                    for (int x = r.left; x < r.right; ++x)
                        model[a][y * W + x] = fx.dwFillColor;
            } else if (op == 4) { // a whole keyed copy b <- a
                ASSERT_EQ(s[b]->Blt(nullptr, s[a], nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
                for (int i = 0; i < W * H; ++i)
                    if (model[a][i] != 3) model[b][i] = model[a][i];
            } else if (op == 5) { // a pixel written through a lock, keys among them
                DDSURFACEDESC2 d;
                ASSERT_EQ(s[a]->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
                const int x = static_cast<int>(next(W)), y = static_cast<int>(next(H));
                const std::uint32_t v = next(4) == 0 ? 3 : (next.state * 40503u) & mask;
                auto* row = static_cast<std::uint8_t*>(d.lpSurface) + y * d.lPitch;
                if (bpp == 16)
                    reinterpret_cast<std::uint16_t*>(row)[x] = static_cast<std::uint16_t>(v);
                else
                    reinterpret_cast<std::uint32_t*>(row)[x] = v;
                ASSERT_EQ(s[a]->Unlock(nullptr), DD_OK);
                model[a][y * W + x] = v;
            } else if (op == 6) { // a part of a copied onto b at an offset
                RECT sr{1, 1, W - 2, H - 1};
                ASSERT_EQ(s[b]->BltFast(2, 0, s[a], &sr, 0), DD_OK);
                const std::vector<std::uint32_t> from = model[a];
                for (int y = 0; y < H - 2; ++y)
                    for (int x = 0; x < W - 3; ++x)
                        model[b][y * W + x + 2] = from[(y + 1) * W + x + 1];
            } else { // a device context, or a lost surface restored (emptied)
                if (next(2) == 0 && a != 2) {
                    s[a]->MarkLost();
                    ASSERT_EQ(s[a]->Restore(), DD_OK);
                    std::fill(model[a].begin(), model[a].end(), 0);
                } else {
                    HDC dc = nullptr;
                    ASSERT_EQ(s[a]->GetDC(&dc), DD_OK);
                    EXPECT_FALSE(s[a]->SharesPixels());
                    ASSERT_EQ(s[a]->ReleaseDC(dc), DD_OK);
                }
            }
            for (int i = 0; i < 3; ++i)
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x)
                        ASSERT_EQ(Seen(s[i], x, y), model[i][y * W + x])
                            << "step " << step << " op " << op << " surface " << i << " at " << x << "," << y;
        }
        EXPECT_GT(handedOver, 10);
        for (auto* m : made_)
            m->Release();
        made_.clear();
        dd_->Release();
        dd_ = nullptr;
    }
}

// A window's back buffer takes its background picture again each frame and has a little drawn on
// it, and the primary takes the back buffer: whatever rows the last frame drew in, each frame shows
// the background with only its own drawing, also after the background itself is drawn on.
TEST_F(DDrawTest, ABackBufferTakingItsBackgroundEachFrameShowsOnlyThatFramesDrawing) {
    for (int bpp : {16, 32}) {
        SCOPED_TRACE(bpp);
        Init(bpp);
        constexpr int W = 6, H = 24;
        const std::uint32_t mask = bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        DirectDrawSurface7* picture = Offscreen(W, H);
        DirectDrawSurface7* back = Offscreen(W, H);
        DirectDrawSurface7* front = Offscreen(W, H);
        std::vector<std::uint32_t> background(W * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                background[y * W + x] = (0x01030507u * static_cast<std::uint32_t>(y * W + x + 1)) & mask;
                picture->Pixels().Set(x, y, background[y * W + x]);
            }
        Lcg next{99};
        auto fill = [&](DirectDrawSurface7* s, RECT r, std::uint32_t colour,
                        std::vector<std::uint32_t>& model) {
            DDBLTFX fx;
            fx.dwFillColor = colour & mask;
            ASSERT_EQ(s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    model[y * W + x] = fx.dwFillColor;
        };
        for (int frame = 0; frame < 300; ++frame) {
            ASSERT_EQ(back->BltFast(0, 0, picture, nullptr, 0), DD_OK);
            std::vector<std::uint32_t> model = background;
            for (int k = static_cast<int>(next(3)); k > 0; --k) { // a few bands of rows drawn on
                const LONG top = static_cast<LONG>(next(H)), left = static_cast<LONG>(next(W));
                const RECT r{left, top, left + 1 + LONG(next(W - left)),
                             std::min<LONG>(H, top + 1 + LONG(next(3)))};
                fill(back, r, 0x9E3779B9u * static_cast<std::uint32_t>(frame + k), model);
            }
            ASSERT_EQ(front->Blt(nullptr, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
            if (frame % 37 == 36) { // the background drawn on between frames
                const LONG top = static_cast<LONG>(next(H));
                fill(picture, RECT{0, top, W, top + 1}, static_cast<std::uint32_t>(frame), background);
            }
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    ASSERT_EQ(Seen(back, x, y), model[y * W + x])
                        << "frame " << frame << " at " << x << "," << y;
                    ASSERT_EQ(Seen(front, x, y), model[y * W + x])
                        << "frame " << frame << " at " << x << "," << y;
                }
        }
        for (auto* m : made_)
            m->Release();
        made_.clear();
        dd_->Release();
        dd_ = nullptr;
    }
}

// Frames kept back and run only where their draws changed, shown through a window's primary (which
// trades stores with the back buffer) or flipped: a background, keyed sprites that move, come and
// go, text made on a work surface that is written again for each line, and a bar. Every frame shown
// must be that of a surface running each draw at once, and the window must be told of every row
// that changed.
TEST_F(DDrawTest, KeptFramesShowThePixelsOfEveryDrawRunAtOnce) {
    for (bool window : {true, false}) {
        SCOPED_TRACE(window);
        Init(32, !window);
        DirectDrawSurface7 *primary = nullptr, *back = nullptr;
        DDSURFACEDESC2 d;
        d.dwFlags = DDSD_CAPS | (window ? 0 : DDSD_BACKBUFFERCOUNT);
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | (window ? 0 : DDSCAPS_FLIP | DDSCAPS_COMPLEX);
        d.dwBackBufferCount = 1;
        ASSERT_EQ(dd_->CreateSurface(&d, &primary, nullptr), DD_OK);
        made_.push_back(primary);
        if (window) {
            DirectDrawClipper* clipper = nullptr;
            ASSERT_EQ(dd_->CreateClipper(0, &clipper, nullptr), DD_OK);
            primary->SetClipper(clipper);
            clipper->Release();
            back = Offscreen(640, 480);
        } else {
            DDSCAPS2 caps;
            caps.dwCaps = DDSCAPS_BACKBUFFER;
            ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
            made_.insert(made_.begin(), back);
        }
        DirectDrawSurface7* once = Offscreen(640, 480);
        DirectDrawSurface7* picture = Offscreen(640, 480);
        DirectDrawSurface7* sheet = Offscreen(64, 32);
        DirectDrawSurface7* work = Offscreen(640, 480);
        Pattern(picture);
        PixelBuffer& sp = sheet->Pixels();
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x)
                sp.Set(x, y, (x + y) % 4 == 0 ? 3u : 0x00A00000u | static_cast<std::uint32_t>(x * 4 + y));
        DDCOLORKEY key{3, 3};
        sheet->SetColorKey(DDCKEY_SRCBLT, &key);
        struct Sprite {
            LONG x, y, cell;
        };
        std::vector<Sprite> sprites;
        Lcg next{4242};
        std::vector<std::uint32_t> shown(640 * 480, 0), want(640 * 480);
        for (int frame = 0; frame < 120; ++frame) {
            const std::uint32_t what = next(8);
            if (what == 0 || sprites.empty())
                sprites.push_back({LONG(next(620)), LONG(next(460)), LONG(next(4))});
            else if (what == 1)
                sprites.erase(sprites.begin());
            else if (what == 2)
                sprites.back().y = (sprites.back().y + 7) % 460;
            const int lines = 1 + frame / 30 % 3;
            for (DirectDrawSurface7* s : {back, once}) {
                ASSERT_EQ(s->BltFast(0, 0, picture, nullptr, 0), DD_OK);
                if (s == once) { // the reference runs every draw at once from here
                    DDSURFACEDESC2 ld;
                    ASSERT_EQ(s->Lock(nullptr, &ld, 0, nullptr), DD_OK);
                    s->Unlock(nullptr);
                }
                for (const Sprite& p : sprites) {
                    RECT cell{p.cell * 16, 0, p.cell * 16 + 16, 32};
                    ASSERT_EQ(s->BltFast(DWORD(p.x), DWORD(p.y), sheet, &cell, DDBLTFAST_SRCCOLORKEY), DD_OK);
                }
                for (int line = 0; line < lines; ++line) { // text made on the work surface, then copied
                    DDBLTFX fx;
                    fx.dwFillColor = 0x00101010u * static_cast<std::uint32_t>(line + 1 + (frame / 40));
                    RECT part{0, 0, 100, 12};
                    ASSERT_EQ(work->Blt(&part, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
                    ASSERT_EQ(s->BltFast(10, DWORD(20 + 14 * line), work, &part, 0), DD_OK);
                }
                DDBLTFX bar;
                bar.dwFillColor = 0x0000FF00u;
                RECT r{0, 470, 40 + frame / 25 * 10, 476};
                ASSERT_EQ(s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &bar), DD_OK);
            }
            if (window) {
                RECT client{0, 0, 640, 480};
                ASSERT_EQ(primary->Blt(&client, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
            } else {
                ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
            }
            std::vector<std::uint32_t> got;
            int w = 0, h = 0;
            ASSERT_TRUE(ReadLastFrame(got, w, h));
            ConvertToXrgb(once->Pixels(), nullptr, want.data());
            ASSERT_EQ(got, want) << "frame " << frame;
            EXPECT_TRUE(test_rows::ToldOfEveryChangedRow(shown)) << "frame " << frame;
            shown = want;
        }
        for (auto* m : made_)
            m->Release();
        made_.clear();
        dd_->Release();
        dd_ = nullptr;
        ClearPublishedFrames();
    }
}

namespace {

// A surface takes another's pixel store only when it could read it as a whole unkeyed copy: of the
// same size and format, and neither locked, holding a device context nor lost. Once taken, the
// surface written first gets pixels of its own and the other keeps what both read.
TEST_F(DDrawTest, TakenPixelsAreSharedUntilEitherSurfaceIsWritten) {
    enum class Hold { None, Lock, DC, Lost };
    struct Case {
        const char* name;
        int w, h;
        Hold hold;
        bool takes;
    };
    const Case cases[] = {
        {"same size", 8, 4, Hold::None, true},     {"narrower", 7, 4, Hold::None, false},
        {"shorter", 8, 3, Hold::None, false},      {"locked", 8, 4, Hold::Lock, false},
        {"device context", 8, 4, Hold::DC, false}, {"lost", 8, 4, Hold::Lost, false},
    };
    Init(16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DirectDrawSurface7* src = Offscreen(8, 4);
        DirectDrawSurface7* dst = Offscreen(c.w, c.h);
        Pattern(src);
        Pattern(dst);
        dst->Pixels().Set(0, 0, 0x7777);
        const auto before = std::as_const(*dst).Pixels().bytes;
        DDSURFACEDESC2 desc;
        HDC dc = nullptr;
        if (c.hold == Hold::Lock) {
            ASSERT_EQ(dst->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        }
        if (c.hold == Hold::DC) {
            ASSERT_EQ(dst->GetDC(&dc), DD_OK);
        }
        if (c.hold == Hold::Lost) dst->MarkLost();
        EXPECT_EQ(dst->TakePixels(src->StoreToShare()), c.takes);
        if (c.hold == Hold::Lock) dst->Unlock(nullptr);
        if (c.hold == Hold::DC) dst->ReleaseDC(dc);
        if (c.hold == Hold::Lost) dst->Restore();
        if (!c.takes) {
            if (c.hold != Hold::Lost) {
                EXPECT_EQ(std::as_const(*dst).Pixels().bytes, before);
            }
            EXPECT_FALSE(src->SharesPixels());
            continue;
        }
        EXPECT_TRUE(dst->SharesPixels());
        EXPECT_EQ(std::as_const(*dst).Pixels().Get(0, 0), 1u);
        // Written on either side, the other keeps the shared pixels.
        dst->Pixels().Set(1, 0, 0x1234);
        EXPECT_EQ(std::as_const(*src).Pixels().Get(1, 0), 2u);
        EXPECT_FALSE(src->SharesPixels());
        EXPECT_TRUE(dst->TakePixels(src->StoreToShare()));
        src->Pixels().Set(2, 0, 0x4321);
        EXPECT_EQ(std::as_const(*dst).Pixels().Get(2, 0), 3u);
        EXPECT_EQ(std::as_const(*src).Pixels().Get(2, 0), 0x4321u);
    }
}

} // namespace

namespace {

// A frame kept back runs each draw only where the draws after it do not write every pixel of a row,
// and still gives the pixels of every draw run at once: under a scrolling layer whose bottom rows are
// opaque, two pieces of fill that meet, one with a gap between its pieces, a layer with a band of
// key pixels in some tiles, sprites on top.
TEST_F(DDrawTest, RowsLeftOutUnderLaterDrawsGiveThePixelsOfEveryDrawRunAtOnce) {
    Init(32);
    DirectDrawSurface7* back = Offscreen(640, 480);
    DirectDrawSurface7* once = Offscreen(640, 480);
    DirectDrawSurface7* sky = Offscreen(640, 480);
    DirectDrawSurface7* hills = Offscreen(640, 480);
    DirectDrawSurface7* sheet = Offscreen(64, 32);
    Pattern(sky);
    const std::uint32_t kKey = 3;
    PixelBuffer& hp = hills->Pixels();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            // Key above row 200, opaque below 290 but for one key pixel in a tile at row 400, and hills
            // between.
            const bool key = y < 200 || (y < 290 && (x * 7 + y * 3) % 11 < 4) || (x == 333 && y == 400);
            hp.Set(x, y, key ? kKey : 0x00305000u + static_cast<std::uint32_t>(x + y));
        }
    PixelBuffer& sp = sheet->Pixels();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            sp.Set(x, y, (x + y) % 4 == 0 ? kKey : 0x00A00000u | static_cast<std::uint32_t>(x * 4 + y));
    DDCOLORKEY key{kKey, kKey};
    hills->SetColorKey(DDCKEY_SRCBLT, &key);
    sheet->SetColorKey(DDCKEY_SRCBLT, &key);
    struct Fill {
        LONG top, bottom, gap; // two pieces across the width, meeting at x 300 or `gap` pixels apart
    };
    const Fill fills[] = {{100, 140, 0}, {150, 170, 1}, {300, 340, 0}, {470, 480, 2}};
    for (int frame = 0; frame < 12; ++frame) {
        const DWORD mx = static_cast<DWORD>(frame * 37 % 640);
        for (DirectDrawSurface7* s : {back, once}) {
            ASSERT_EQ(s->BltFast(0, 0, sky, nullptr, 0), DD_OK);
            if (s == once) { // the reference runs every draw at once from here
                DDSURFACEDESC2 ld;
                ASSERT_EQ(s->Lock(nullptr, &ld, 0, nullptr), DD_OK);
                s->Unlock(nullptr);
            }
            RECT right{LONG(mx), 0, 640, 480}, left{0, 0, LONG(mx), 480};
            ASSERT_EQ(s->BltFast(0, 0, hills, &right, DDBLTFAST_SRCCOLORKEY), DD_OK);
            if (mx > 0) {
                ASSERT_EQ(s->BltFast(640 - mx, 0, hills, &left, DDBLTFAST_SRCCOLORKEY), DD_OK);
            }
            const Fill& f = fills[frame % std::size(fills)];
            DDBLTFX fx;
            fx.dwFillColor = 0x00102030u * static_cast<std::uint32_t>(frame + 1);
            RECT a{0, f.top, 300, f.bottom}, b{300 + f.gap, f.top, 640, f.bottom};
            ASSERT_EQ(s->Blt(&a, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
            ASSERT_EQ(s->Blt(&b, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
            RECT cell{16, 0, 48, 32};
            ASSERT_EQ(s->BltFast(DWORD(frame * 50), 280, sheet, &cell, DDBLTFAST_SRCCOLORKEY), DD_OK);
        }
        const PixelBuffer& got = std::as_const(*back).Pixels();
        const PixelBuffer& want = std::as_const(*once).Pixels();
        int wrong = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                wrong += got.Get(x, y) != want.Get(x, y);
        EXPECT_EQ(wrong, 0) << "frame " << frame;
    }
}

} // namespace
