// Pixel conversions, the rounding helper shared by the fast and general drawing roads, and the
// presenter's frames.
#include "platform/gfx/pixels.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/raster.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

using namespace gfx;

namespace {

TEST(Pixels, RoundedDivisionBy255IsExactOverEveryProduct) {
    for (std::uint32_t x = 0; x <= 255 * 255; ++x)
        ASSERT_EQ(Div255(x), (x + 127) / 255) << x;
}

TEST(Pixels, SixteenBitConversionsRoundTrip) {
    for (std::uint32_t v = 0; v < 0x10000; ++v) {
        ASSERT_EQ(FromArgb(PixelFormat::R5G6B5, ToArgb(PixelFormat::R5G6B5, v)), v);
        ASSERT_EQ(FromArgb(PixelFormat::A1R5G5B5, ToArgb(PixelFormat::A1R5G5B5, v)), v);
    }
    EXPECT_EQ(ToArgb(PixelFormat::X1R5G5B5, 0x001F), 0xFF0000FFu); // no alpha bit: opaque
    EXPECT_EQ(ToArgb(PixelFormat::A1R5G5B5, 0x001F), 0x000000FFu);
    EXPECT_EQ(FromArgb(PixelFormat::A1R5G5B5, 0x7FFFFFFF), 0x7FFFu);
    EXPECT_EQ(FromArgb(PixelFormat::A1R5G5B5, 0x80000000), 0x8000u);
    EXPECT_EQ(FromArgb(PixelFormat::X8R8G8B8, 0x80123456), 0x123456u);
}

TEST(Pixels, SixteenBitFramesConvertToOpaqueXrgbValueForValue) {
    // Every value of each format, in rows whose widths leave every number of pixels after the last
    // group of eight.
    for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5, PixelFormat::A1R5G5B5})
        for (int width : {256, 259, 263, 7}) {
            PixelBuffer b;
            const int height = (65536 + width - 1) / width;
            b.Allocate(width, height, f);
            for (int i = 0; i < width * height; ++i)
                b.Set(i % width, i / width, static_cast<std::uint32_t>(i & 0xFFFF));
            std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * height);
            ConvertToXrgb(b, nullptr, out.data());
            for (int i = 0; i < width * height; ++i)
                ASSERT_EQ(out[i], 0xFF000000u | ToArgb(f, static_cast<std::uint32_t>(i & 0xFFFF)))
                    << "format " << static_cast<int>(f) << " width " << width << " value " << (i & 0xFFFF);
        }
}

TEST(Pixels, SixteenBitRowsWidenAlikeWithAndWithoutAvx2) {
    // Every value of each format through both roads, in runs of every length up to three steps of
    // sixteen, so that each road's last group and the pixels after it are taken; nothing beyond the run
    // is written.
    std::vector<std::uint16_t> values(65536);
    for (std::uint32_t v = 0; v < 65536; ++v)
        values[v] = static_cast<std::uint16_t>(v * 40503u); // every value once, in a scattered order
    for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5, PixelFormat::A1R5G5B5})
        for (bool avx2 : {false, true})
            for (int n = 0; n <= 48; ++n)
                for (std::size_t at = 0; at + n <= values.size(); at += n + 1 + (n == 0 ? 4095 : 0)) {
                    std::uint32_t out[49];
                    out[n] = 0xDEADBEEFu;
                    SixteenToXrgbWith(avx2, f, values.data() + at, n, out);
                    for (int i = 0; i < n; ++i)
                        ASSERT_EQ(out[i], 0xFF000000u | ToArgb(f, values[at + i]))
                            << "format " << static_cast<int>(f) << " avx2 " << avx2 << " length " << n;
                    ASSERT_EQ(out[n], 0xDEADBEEFu) << "length " << n;
                }
}

TEST(Pixels, RowsFromArgbTakeFromArgbValueForValue) {
    // Every value of each channel (alpha on both sides of half), then scattered colours, into each
    // format, in runs whose lengths leave every number of pixels after the last wide step; the pixels
    // either side of the run keep what they held.
    std::vector<std::uint32_t> colours;
    for (std::uint32_t v = 0; v < 256; ++v)
        colours.push_back(v * 0x01010101u);
    for (std::uint32_t i = 0; i < 256; ++i)
        colours.push_back(i * 0x9E3779B9u);
    for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5, PixelFormat::A1R5G5B5,
                          PixelFormat::R8G8B8, PixelFormat::X8R8G8B8, PixelFormat::A8R8G8B8})
        for (int n : {512, 511, 497, 15, 1}) {
            PixelBuffer b;
            b.Allocate(n + 2, 1, f);
            b.Fill(0, 0, n + 2, 1, 0x5A5A5A);
            const std::uint32_t around = b.Get(0, 0);
            RowFromArgb(b, 1, 0, n, colours.data() + (512 - n));
            ASSERT_EQ(b.Get(0, 0), around);
            ASSERT_EQ(b.Get(n + 1, 0), around);
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(b.Get(1 + i, 0), FromArgb(f, colours[512 - n + i]))
                    << "format " << static_cast<int>(f) << " length " << n << " colour " << std::hex
                    << colours[512 - n + i];
        }
}

TEST(Pixels, BufferRowsAreFourByteAligned) {
    PixelBuffer b;
    b.Allocate(3, 2, PixelFormat::R8G8B8);
    EXPECT_EQ(b.pitch, 12);
    b.Set(2, 1, 0xABCDEF);
    EXPECT_EQ(b.Row(1)[6], 0xEF);
    EXPECT_EQ(b.Get(2, 1), 0xABCDEFu);
    PALETTEENTRY pal[3] = {{0, 0, 0, 0}, {10, 10, 10, 0}, {10, 10, 10, 0}};
    EXPECT_EQ(NearestIndex(pal, 3, 0xFF0B0B0B), 1); // the first of equals
}

TEST(Presenter, LastFrameReadsBack) {
    ClearPublishedFrames();
    std::vector<std::uint32_t> out;
    int w = 0, h = 0;
    EXPECT_FALSE(ReadLastFrame(out, w, h));
    const std::uint32_t px[6] = {0xFF112233, 0xFF445566, 0, 0xFFFFFFFF, 0xFF000000, 0};
    PublishFrame(px, 2, 2, 3); // rows three pixels apart
    ASSERT_TRUE(ReadLastFrame(out, w, h));
    EXPECT_EQ(out, (std::vector<std::uint32_t>{0xFF112233, 0xFF445566, 0xFFFFFFFF, 0xFF000000}));
    EXPECT_EQ(PublishedFrameCount(), 1u);
    ClearPublishedFrames();
}

// A frame published from its pixels is each pixel made opaque XRGB (through the palette at 8 bits),
// whatever the format and however the width falls on the wide copies; frames of another size follow
// one another.
TEST(Presenter, PublishedPixelsAreTheConvertedFrame) {
    ClearPublishedFrames();
    PALETTEENTRY palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
    int published = 0;
    for (PixelFormat f : {PixelFormat::Index8, PixelFormat::R5G6B5, PixelFormat::X1R5G5B5,
                          PixelFormat::R8G8B8, PixelFormat::X8R8G8B8, PixelFormat::A8R8G8B8})
        for (int w : {1, 3, 4, 7, 9, 640}) {
            PixelBuffer b;
            b.Allocate(w, 3, f);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < w; ++x)
                    b.Set(x, y, (0x9E3779B9u * static_cast<std::uint32_t>(y * w + x + 1)) & 0x7FFFFFFF);
            std::vector<std::uint32_t> expected;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t v = b.Get(x, y);
                    const PALETTEENTRY& e = palette[v & 0xFF];
                    expected.push_back(0xFF000000u |
                                       (f == PixelFormat::Index8
                                            ? std::uint32_t(e.peRed) << 16 | e.peGreen << 8 | e.peBlue
                                            : ToArgb(f, v) & 0xFFFFFF));
                }
            PublishPixels(b, palette);
            ++published;
            std::vector<std::uint32_t> out;
            int ow = 0, oh = 0;
            ASSERT_TRUE(ReadLastFrame(out, ow, oh));
            EXPECT_EQ(ow, w);
            EXPECT_EQ(oh, 3);
            EXPECT_EQ(out, expected) << "format " << static_cast<int>(f) << " width " << w;
            for (std::uint32_t px : out)
                ASSERT_EQ(px >> 24, 0xFFu);
        }
    EXPECT_EQ(PublishedFrameCount(), static_cast<std::uint64_t>(published));
    ClearPublishedFrames();
}

// A frame the same as the one before is published (and counted) but is no change to show; any pixel
// or the size differing is one. The window side reads the latest frame in place.
TEST(Presenter, OnlyFramesThatDifferCountAsChanges) {
    ClearPublishedFrames();
    PixelBuffer b;
    b.Allocate(640, 480, PixelFormat::R5G6B5);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            b.Set(x, y, static_cast<std::uint32_t>(x * 31 + y * 17) & 0xFFFF);
    const std::uint64_t start = PublishedChangeCount();
    PublishPixels(b, nullptr);
    EXPECT_EQ(PublishedChangeCount(), start + 1);
    PublishPixels(b, nullptr); // the idle title: the same frame again
    EXPECT_EQ(PublishedChangeCount(), start + 1);
    EXPECT_EQ(PublishedFrameCount(), 2u);
    b.Set(639, 479, b.Get(639, 479) ^ 1); // the last pixel only
    PublishPixels(b, nullptr);
    EXPECT_EQ(PublishedChangeCount(), start + 2);
    struct Seen {
        std::uint32_t last = 0;
        int w = 0, h = 0;
    } seen;
    ASSERT_TRUE(UseLastFrameRows(
        [](const std::uint32_t* px, int w, int h, RowSpan&, void* context) {
            auto& s = *static_cast<Seen*>(context);
            s.last = px[static_cast<std::size_t>(w) * h - 1];
            s.w = w;
            s.h = h;
        },
        &seen));
    EXPECT_EQ(seen.last, ToArgb(PixelFormat::R5G6B5, b.Get(639, 479)));
    EXPECT_EQ(seen.w, 640);
    EXPECT_EQ(seen.h, 480);
    // The same pixels in another shape, and a frame given as XRGB rows.
    PixelBuffer narrow;
    narrow.Allocate(480, 640, PixelFormat::R5G6B5);
    std::memcpy(narrow.bytes.data(), b.bytes.data(), b.bytes.size());
    PublishPixels(narrow, nullptr);
    EXPECT_EQ(PublishedChangeCount(), start + 3);
    const std::uint32_t px[4] = {1, 2, 3, 4};
    PublishFrame(px, 2, 2, 2);
    PublishFrame(px, 2, 2, 2);
    EXPECT_EQ(PublishedChangeCount(), start + 4);
    // The 16-bit frame again after another frame: shown again, with its own pixels.
    PublishPixels(narrow, nullptr);
    EXPECT_EQ(PublishedChangeCount(), start + 5);
    std::vector<std::uint32_t> out;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadLastFrame(out, w, h));
    EXPECT_EQ(w, 480);
    EXPECT_EQ(out[0], ToArgb(PixelFormat::R5G6B5, narrow.Get(0, 0)));
    // At 8 bits the same pixels under another palette are another frame.
    PixelBuffer indexed;
    indexed.Allocate(4, 2, PixelFormat::Index8);
    indexed.Set(1, 1, 7);
    PALETTEENTRY palette[256] = {};
    PublishPixels(indexed, palette);
    PublishPixels(indexed, palette);
    EXPECT_EQ(PublishedChangeCount(), start + 6);
    palette[7].peRed = 200;
    PublishPixels(indexed, palette);
    EXPECT_EQ(PublishedChangeCount(), start + 7);
    ASSERT_TRUE(ReadLastFrame(out, w, h));
    EXPECT_EQ(out[5], 0xFFC80000u);
    ClearPublishedFrames();
    EXPECT_FALSE(UseLastFrameRows([](const std::uint32_t*, int, int, RowSpan&, void*) { FAIL(); }, nullptr));
    PublishPixels(indexed, palette); // after a clear, the same pixels are a frame again
    ASSERT_TRUE(ReadLastFrame(out, w, h));
    EXPECT_EQ(out.size(), 8u);
    EXPECT_EQ(PublishedFrameCount(), 1u);
    PublishFrame(px, 2, 2, 2); // after a clear, the first frame is a change
    EXPECT_EQ(PublishedChangeCount(), start + 9);
    ClearPublishedFrames();
}

// A frame is compared with the one shown as it is read (32 bits) or a few rows at a time as it is
// converted: a change in any row and column, the rows of a last short band and the columns past the
// last whole block of a row among them, is found and shown with all its pixels. At 32 bits the top
// byte, which the conversion makes opaque, is no change.
TEST(Presenter, AChangeInAnyRowIsFoundAndShown) {
    for (PixelFormat f :
         {PixelFormat::Index8, PixelFormat::R5G6B5, PixelFormat::X8R8G8B8, PixelFormat::A8R8G8B8}) {
        for (int width : {5, 37}) {
            ClearPublishedFrames();
            PALETTEENTRY palette[256];
            for (int i = 0; i < 256; ++i)
                palette[i] = {static_cast<BYTE>(i * 3), static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 0};
            PixelBuffer b;
            b.Allocate(width, 13, f);
            for (int y = 0; y < 13; ++y)
                for (int x = 0; x < width; ++x)
                    b.Set(x, y, (0x9E3779B9u * static_cast<std::uint32_t>(y * width + x + 1)) >> 8);
            PublishPixels(b, palette);
            for (int y = 0; y < 13; ++y) {
                const int x = (y * 7) % width;
                const std::uint64_t before = PublishedChangeCount();
                PublishPixels(b, palette);
                EXPECT_EQ(PublishedChangeCount(), before) << "row " << y;
                if (BytesPerPixel(f) == 4) {
                    b.Set(x, y, b.Get(x, y) ^ 0xFF000000u);
                    PublishPixels(b, palette);
                    EXPECT_EQ(PublishedChangeCount(), before) << "top byte, row " << y;
                }
                b.Set(x, y, b.Get(x, y) ^ 1);
                PublishPixels(b, palette);
                EXPECT_EQ(PublishedChangeCount(), before + 1) << "row " << y << " width " << width;
                std::vector<std::uint32_t> out, expected(static_cast<std::size_t>(width) * 13);
                int w = 0, h = 0;
                ASSERT_TRUE(ReadLastFrame(out, w, h));
                ConvertToXrgb(b, palette, expected.data());
                EXPECT_EQ(out, expected) << "row " << y;
            }
        }
    }
    ClearPublishedFrames();
}

// Frames that name one store state as their origin are compared only in the rows either of them
// wrote since: a change there is found, whichever frame wrote the row, and the other rows are
// taken as alike. Another origin, or a frame coloured through a palette, is compared whole.
TEST(Presenter, FramesOfOneOriginAreComparedInTheRowsEitherWrote) {
    struct Step {
        PixelFormat format;
        FrameOrigin origin;
        int changedRow; // -1: the same pixels as the frame before
        bool change;
        const char* what;
    };
    const PixelFormat k32 = PixelFormat::X8R8G8B8, k16 = PixelFormat::R5G6B5, k8 = PixelFormat::Index8;
    const Step steps[] = {
        {k32, {5, 3, 5}, 4, true, "a row it wrote"},
        {k32, {5, 8, 9}, 3, true, "a row only the frame shown wrote"},
        {k32, {5, 0, 0}, -1, false, "nothing written on either side of the same state"},
        {k32, {5, 0, 0}, -1, false, "the same state again"},
        {k32, {6, 0, 0}, 11, true, "another state: compared whole"},
        {k32, {6, 2, 3}, 2, true, "a row of its own after another state"},
        {k32, {0, 0, 0}, 12, true, "no origin: compared whole"},
        {k16, {7, 1, 2}, 1, true, "16 bits, a row it wrote"},
        {k16, {7, 0, 0}, 1, true, "16 bits, the row the frame shown wrote"},
        {k16, {7, 0, 0}, -1, false, "16 bits, alike"},
    };
    ClearPublishedFrames();
    PixelBuffer b;
    PixelFormat current = k8;
    for (const Step& step : steps) {
        if (step.format != current) {
            current = step.format;
            b.Allocate(16, 13, current);
            for (int y = 0; y < 13; ++y)
                for (int x = 0; x < 16; ++x)
                    b.Set(x, y, (0x9E3779B9u * static_cast<std::uint32_t>(y * 16 + x + 1)) >> 12);
            const FrameOrigin first{step.origin.base, 0, 0};
            PublishPixels(b, nullptr, &first);
        }
        if (step.changedRow >= 0)
            b.Set(step.changedRow % 16, step.changedRow, b.Get(step.changedRow % 16, step.changedRow) ^ 1);
        const std::uint64_t before = PublishedChangeCount();
        PublishPixels(b, nullptr, &step.origin);
        EXPECT_EQ(PublishedChangeCount() - before, step.change ? 1u : 0u) << step.what;
        std::vector<std::uint32_t> out, expected(16 * 13);
        int w = 0, h = 0;
        ASSERT_TRUE(ReadLastFrame(out, w, h));
        ConvertToXrgb(b, nullptr, expected.data());
        EXPECT_EQ(out, expected) << step.what;
    }
    // At 8 bits a palette may change what unwritten rows show: the origin is not used.
    PixelBuffer indexed;
    indexed.Allocate(4, 4, k8);
    indexed.Set(1, 3, 7);
    PALETTEENTRY palette[256] = {};
    const FrameOrigin same{9, 0, 1};
    PublishPixels(indexed, palette, &same);
    palette[7].peGreen = 90;
    const std::uint64_t before = PublishedChangeCount();
    PublishPixels(indexed, palette, &same);
    EXPECT_EQ(PublishedChangeCount(), before + 1);
    ClearPublishedFrames();
}

// A frame known to differ from the one shown only in some rows is compared and converted in those
// rows: a change in the first, the last or a middle row of them is found and shown whole, a frame
// that changed nowhere (or, at 32 bits, only in the top byte) is no change, and every row changed
// is taken in one.
TEST(Presenter, AKnownChangeIsFoundInTheRowsItNames) {
    struct Step {
        int top, bottom;       // the rows the change names
        std::vector<int> rows; // the rows really changed
        bool topByte;          // at 32 bits: the top byte of a row's pixel changed too
        bool change;
        const char* what;
    };
    const Step steps[] = {
        {2, 9, {2}, false, true, "the first row named"},
        {2, 9, {8}, false, true, "the last row named"},
        {2, 9, {5}, false, true, "a middle row"},
        {2, 9, {3, 7}, false, true, "two rows apart"},
        {2, 9, {}, false, false, "nothing changed"},
        {2, 9, {}, true, false, "the top byte only"},
        {0, 13, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false, true, "every row"},
        {0, 13, {12}, true, true, "the very last row"},
    };
    for (PixelFormat f : {PixelFormat::X8R8G8B8, PixelFormat::A8R8G8B8, PixelFormat::R5G6B5}) {
        for (int width : {5, 37}) {
            ClearPublishedFrames();
            PixelBuffer b;
            b.Allocate(width, 13, f);
            for (int y = 0; y < 13; ++y)
                for (int x = 0; x < width; ++x)
                    b.Set(x, y, (0x9E3779B9u * static_cast<std::uint32_t>(y * width + x + 1)) >> 12);
            std::uint64_t state = 1;
            const FrameChange first{0, state, 0, 13};
            PublishPixels(b, nullptr, nullptr, &first);
            for (const Step& step : steps) {
                for (int y : step.rows)
                    b.Set((y * 7 + 3) % width, y, b.Get((y * 7 + 3) % width, y) ^ 1);
                if (step.topByte && BytesPerPixel(f) == 4)
                    b.Set(width - 1, 6, b.Get(width - 1, 6) ^ 0xFF000000u);
                const FrameChange change{state, state + 1, step.top, step.bottom};
                ++state;
                const std::uint64_t before = PublishedChangeCount();
                PublishPixels(b, nullptr, nullptr, &change);
                EXPECT_EQ(PublishedChangeCount() - before, step.change ? 1u : 0u)
                    << step.what << " width " << width;
                std::vector<std::uint32_t> out, expected(static_cast<std::size_t>(width) * 13);
                int w = 0, h = 0;
                ASSERT_TRUE(ReadLastFrame(out, w, h));
                ConvertToXrgb(b, nullptr, expected.data());
                EXPECT_EQ(out, expected) << step.what << " width " << width;
            }
        }
    }
    ClearPublishedFrames();
}

} // namespace

namespace {

// A store made anew reads as zeros however the memory it takes was used before (small stores come
// from memory just freed, large ones from the system), and a copy holds the same pixels.
TEST(PixelStore, NewStoresAreZeroedAndCopiesKeepThePixels) {
    struct Case {
        int w, h;
        gfx::PixelFormat f;
    };
    const Case cases[] = {{3, 2, gfx::PixelFormat::Index8},
                          {64, 64, gfx::PixelFormat::R5G6B5},
                          {640, 480, gfx::PixelFormat::X8R8G8B8},
                          {1024, 1024, gfx::PixelFormat::X8R8G8B8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w);
        for (int round = 0; round < 3; ++round) {
            gfx::PixelBuffer b;
            b.Allocate(c.w, c.h, c.f);
            ASSERT_EQ(b.bytes.size(), static_cast<std::size_t>(b.pitch) * c.h);
            EXPECT_TRUE(std::all_of(b.bytes.begin(), b.bytes.end(), [](std::uint8_t v) { return v == 0; }));
            b.Set(c.w - 1, c.h - 1, 0x55);
            const gfx::PixelBuffer copy = b;
            EXPECT_EQ(copy.Get(c.w - 1, c.h - 1), 0x55u);
            EXPECT_EQ(copy.Get(0, 0), 0u);
            // Dirtied before it is freed, so that a store made next from the same memory would
            // show it.
            std::fill(b.bytes.begin(), b.bytes.end(), std::uint8_t{0xAB});
        }
    }
}

// A copy, a copy assigned over another store and a store moved away each hold the pixels of the store
// they came from in memory of their own (a change of one never shows in another); a store moved
// from is empty; stores compare equal only with the same bytes.
TEST(PixelStore, CopiesAssignmentsAndMovesHoldTheirOwnPixels) {
    struct Case {
        const char* name;
        std::size_t from, over; // sizes of the store taken from and of the store assigned over
    };
    const Case cases[] = {{"empty over empty", 0, 0},
                          {"small over empty", 12, 0},
                          {"empty over small", 0, 12},
                          {"small over larger", 12, 4096},
                          {"large over small", 1u << 20, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gfx::PixelStoreBytes from(c.from);
        for (std::size_t i = 0; i < from.size(); ++i)
            from[i] = static_cast<std::uint8_t>(i * 7 + 1);
        const gfx::PixelStoreBytes original = from;
        ASSERT_EQ(original.size(), c.from);
        EXPECT_TRUE(original == from);

        gfx::PixelStoreBytes assigned(c.over);
        assigned = from;
        EXPECT_TRUE(assigned == from);
        gfx::PixelStoreBytes copied(from);
        EXPECT_TRUE(copied == from);
        if (!from.empty()) {
            EXPECT_NE(assigned.data(), from.data());
            EXPECT_NE(copied.data(), from.data());
            from[from.size() - 1] ^= 0xFF;
            EXPECT_FALSE(assigned == from);
            EXPECT_FALSE(copied == from);
            EXPECT_TRUE(assigned == original);
            from[from.size() - 1] ^= 0xFF;
        }
        assigned = std::as_const(assigned); // onto itself
        EXPECT_TRUE(assigned == original);

        gfx::PixelStoreBytes moved(std::move(from));
        EXPECT_TRUE(moved == original);
        EXPECT_TRUE(from.empty());
        gfx::PixelStoreBytes target(c.over);
        target = std::move(moved);
        EXPECT_TRUE(target == original);
        EXPECT_EQ(target.end() - target.begin(), static_cast<std::ptrdiff_t>(c.from));
        // Same size, other bytes.
        if (!target.empty()) {
            gfx::PixelStoreBytes other(c.from);
            EXPECT_FALSE(other == target);
        }
    }
}

} // namespace
