// The presenter's frame kept in a store the window side lends it (the image the window is shown from).
#include "platform/gfx/gfx_types.h"
#include "platform/gfx/pixels.h"
#include "platform/gfx/presenter.h"
#include "platform/messages.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace gfx;

namespace {

constexpr int kW = 37, kH = 13;

// What the window side is told of the latest frame.
struct Look {
    std::vector<std::uint32_t> frame;
    RowSpan unshown;
    std::uint64_t changes = 0;
    std::uint64_t wakeups = 0; // the window thread's wake-ups
    RowSpan shown;             // the rows a lender showing its store itself was asked to show
};

// A lender that shows its store itself: the rows it was asked to show since the last look. Its display
// reads the store from a show (its own or the window side's) until the store is settled: a write in
// between is counted.
struct Shower {
    RowSpan rows;
    bool succeeds = true;
    const std::uint32_t* store = nullptr;
    std::vector<std::uint32_t> read; // the store as shown last
    bool reading = false;            // shown and not settled since
    int writesWhileRead = 0;
};
Shower g_shower;
void CheckNotWrittenWhileRead() {
    if (g_shower.reading && !std::equal(g_shower.read.begin(), g_shower.read.end(), g_shower.store))
        ++g_shower.writesWhileRead;
}
void StartReading() {
    CheckNotWrittenWhileRead();
    g_shower.read.assign(g_shower.store, g_shower.store + kW * kH);
    g_shower.reading = true;
}
bool ShowRows(int top, int bottom, void*) {
    if (g_shower.succeeds) {
        g_shower.rows.Add(top, bottom);
        StartReading();
    }
    return g_shower.succeeds;
}
void SettleStore(void*) {
    CheckNotWrittenWhileRead();
    g_shower.reading = false;
}

Look LookAtLatest() {
    Look look;
    look.wakeups = win::MessageWakeups();
    look.shown = g_shower.rows;
    g_shower.rows = RowSpan{};
    int w = 0, h = 0;
    EXPECT_TRUE(ReadLastFrame(look.frame, w, h));
    UseLastFrameRows(
        [](const std::uint32_t*, int, int, RowSpan& unshown, void* context) {
            static_cast<Look*>(context)->unshown = unshown;
            // The window side shows the rows left to it from the lender's store.
            if (g_shower.store && !unshown.Empty()) StartReading();
            unshown = RowSpan{};
        },
        &look);
    look.changes = PublishedChangeCount();
    return look;
}

// A frame step: rows changed (every row, some, none), told as a known change or not, or a palette
// change at 8 bits.
struct Step {
    std::vector<int> rows;
    bool known;   // published with the change it makes (never at 8 bits)
    bool palette; // 8 bits: another colour for index 7
    const char* what;
};

// Publishes the steps on a frame of `format`; `store` (if any) is lent after the first frame. Returns
// what the window side is told after each step.
std::vector<Look> Play(PixelFormat format, const std::vector<Step>& steps, std::uint32_t* store,
                       ShowLentRows show = nullptr) {
    ClearPublishedFrames();
    PixelBuffer b;
    b.Allocate(kW, kH, format);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            b.Set(x, y, (0x9E3779B9u * static_cast<std::uint32_t>(y * kW + x + 1)) >> 12);
    PALETTEENTRY palette[256] = {};
    for (int i = 0; i < 256; ++i)
        palette[i] = PALETTEENTRY{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                  static_cast<std::uint8_t>(i * 3), 0};
    const bool indexed = format == PixelFormat::Index8;
    std::uint64_t state = 1;
    const FrameChange first{0, state, 0, kH};
    PublishPixels(b, indexed ? palette : nullptr, nullptr, indexed ? nullptr : &first);
    std::vector<Look> looks{LookAtLatest()};
    if (store) {
        if (show) g_shower.store = store;
        EXPECT_TRUE(LendFrameStore(store, kW, kH, show, show ? &SettleStore : nullptr));
    }
    for (const Step& step : steps) {
        for (int y : step.rows)
            b.Set((y * 7 + 3) % kW, y, b.Get((y * 7 + 3) % kW, y) ^ 1);
        if (step.palette) palette[7].peRed ^= 0x55;
        const FrameChange change{state, state + 1, 0, kH};
        ++state;
        PublishPixels(b, indexed ? palette : nullptr, nullptr, step.known && !indexed ? &change : nullptr);
        if (g_shower.store) CheckNotWrittenWhileRead();
        looks.push_back(LookAtLatest());
        if (store) {
            EXPECT_TRUE(FrameStoreLent(store)) << step.what;
            EXPECT_EQ(std::vector<std::uint32_t>(store, store + kW * kH), looks.back().frame) << step.what;
        }
    }
    return looks;
}

// A frame kept in a lent store is compared and converted there as in the presenter's own store: at
// each colour depth, with every row, some rows or no row changed, told as a known change or not, the
// window side is told of the same pixels, rows and changes, and the store holds those pixels.
TEST(FrameStore, ALentStoreShowsWhatTheOwnStoreWould) {
    std::vector<int> every;
    for (int y = 0; y < kH; ++y)
        every.push_back(y);
    const std::vector<Step> steps = {
        {every, true, false, "every row, a known change"},
        {{0, kH - 1}, true, false, "the first and the last row, a known change"},
        {{6}, true, false, "a middle row, a known change"},
        {{}, true, false, "nothing, a known change"},
        {every, false, false, "every row"},
        {{4, 5}, false, false, "two rows"},
        {{}, false, false, "nothing"},
        {{}, false, true, "a palette change (8 bits)"},
    };
    for (PixelFormat f : {PixelFormat::Index8, PixelFormat::R5G6B5, PixelFormat::X8R8G8B8}) {
        const std::vector<Look> own = Play(f, steps, nullptr);
        std::vector<std::uint32_t> store(kW * kH, 0xDEADBEEF);
        const std::uint64_t before = PublishedChangeCount();
        const std::vector<Look> lent = Play(f, steps, store.data());
        ASSERT_EQ(own.size(), lent.size());
        for (std::size_t i = 0; i < own.size(); ++i) {
            const char* what = i == 0 ? "the first frame" : steps[i - 1].what;
            const int bits = static_cast<int>(BytesPerPixel(f)) * 8;
            EXPECT_EQ(lent[i].frame, own[i].frame) << what << " at " << bits << " bits";
            EXPECT_EQ(lent[i].unshown.top, own[i].unshown.top) << what << " at " << bits << " bits";
            EXPECT_EQ(lent[i].unshown.bottom, own[i].unshown.bottom) << what << " at " << bits << " bits";
            EXPECT_EQ(lent[i].changes - before, own[i].changes - own[0].changes + lent[0].changes - before)
                << what << " at " << bits << " bits";
        }
        TakeBackFrameStore(store.data());
    }
    ClearPublishedFrames();
}

// A lender that shows its store itself is asked to show every row the window side would have been told
// of, and the window thread is neither told of them nor woken; when it fails to show them, the window
// side is told of them and woken as without it. The store is never written while rows shown from it
// (by the lender or by the window side) may still be being read.
TEST(FrameStore, ALenderThatShowsItsStoreIsGivenTheChangedRows) {
    const std::vector<Step> steps = {
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, true, false, "every row, a known change"},
        {{0, kH - 1}, true, false, "the first and the last row, a known change"},
        {{6}, true, false, "a middle row, a known change"},
        {{}, true, false, "nothing, a known change"},
        {{4, 5}, false, false, "two rows"},
        {{}, false, false, "nothing"},
        {{}, false, true, "a palette change (8 bits)"},
    };
    for (PixelFormat f : {PixelFormat::Index8, PixelFormat::R5G6B5, PixelFormat::X8R8G8B8}) {
        for (bool succeeds : {true, false}) {
            const int bits = static_cast<int>(BytesPerPixel(f)) * 8;
            const std::vector<Look> own = Play(f, steps, nullptr);
            std::vector<std::uint32_t> store(kW * kH);
            g_shower = Shower{};
            g_shower.succeeds = succeeds;
            const std::vector<Look> lent = Play(f, steps, store.data(), &ShowRows);
            for (std::size_t i = 1; i < own.size(); ++i) {
                const std::string what = std::string(steps[i - 1].what) + " at " + std::to_string(bits) +
                                         " bits" + (succeeds ? "" : ", not shown");
                EXPECT_EQ(lent[i].frame, own[i].frame) << what;
                const RowSpan told = succeeds ? lent[i].shown : lent[i].unshown;
                EXPECT_EQ(told.top, own[i].unshown.top) << what;
                EXPECT_EQ(told.bottom, own[i].unshown.bottom) << what;
                EXPECT_EQ(lent[i].unshown.Empty(), succeeds || own[i].unshown.Empty()) << what;
                const bool woken = lent[i].wakeups != lent[i - 1].wakeups;
                EXPECT_EQ(woken, !succeeds && own[i].wakeups != own[i - 1].wakeups) << what;
            }
            EXPECT_EQ(g_shower.writesWhileRead, 0)
                << "at " << bits << " bits" << (succeeds ? "" : ", not shown");
            TakeBackFrameStore(store.data());
            g_shower = Shower{};
        }
    }
    g_shower = Shower{};
    ClearPublishedFrames();
}

// A lend needs a frame of the store's size; a frame of another size (converted or given as XRGB rows)
// or a clear ends it, and taking the store back keeps the frame it held.
TEST(FrameStore, ALendEndsWithAnotherSizeAClearOrATakeBack) {
    struct Case {
        int lendW, lendH;
        bool lent;
        int nextW, nextH; // a frame published after the lend (0: none)
        bool xrgb;        // given as XRGB rows (PublishFrame)
        bool clear;       // frames cleared after the lend
        bool stillLent;
        const char* what;
    };
    const Case cases[] = {
        {8, 4, true, 8, 4, false, false, true, "a frame of its size"},
        {8, 4, true, 8, 4, true, false, true, "XRGB rows of its size"},
        {9, 4, false, 0, 0, false, false, false, "another width"},
        {8, 5, false, 0, 0, false, false, false, "another height"},
        {8, 4, true, 6, 4, false, false, false, "a frame of another width"},
        {8, 4, true, 8, 6, false, false, false, "a frame of another height"},
        {8, 4, true, 6, 4, true, false, false, "XRGB rows of another width"},
        {8, 4, true, 8, 6, true, false, false, "XRGB rows of another height"},
        {8, 4, true, 0, 0, false, true, false, "a clear"},
    };
    for (const Case& c : cases) {
        ClearPublishedFrames();
        std::vector<std::uint32_t> store(static_cast<std::size_t>(c.lendW) * c.lendH);
        EXPECT_FALSE(LendFrameStore(store.data(), c.lendW, c.lendH)) << "before any frame: " << c.what;
        PixelBuffer b;
        b.Allocate(8, 4, PixelFormat::X8R8G8B8);
        b.Set(3, 2, 0x123456);
        PublishPixels(b, nullptr);
        EXPECT_EQ(LendFrameStore(store.data(), c.lendW, c.lendH), c.lent) << c.what;
        if (c.lent) {
            EXPECT_EQ(store[2 * 8 + 3], 0xFF123456u) << c.what;
        }
        std::vector<std::uint32_t> xrgb(static_cast<std::size_t>(c.nextW) * c.nextH, 0xFF00FF00u);
        if (c.nextW && c.xrgb) PublishFrame(xrgb.data(), c.nextW, c.nextH, c.nextW);
        if (c.nextW && !c.xrgb) {
            b.Allocate(c.nextW, c.nextH, PixelFormat::X8R8G8B8);
            b.Set(1, 1, 0x00ABCDEF);
            PublishPixels(b, nullptr);
        }
        if (c.clear) ClearPublishedFrames();
        EXPECT_EQ(FrameStoreLent(store.data()), c.stillLent) << c.what;
        std::vector<std::uint32_t> before, after;
        int w = 0, h = 0;
        const bool any = ReadLastFrame(before, w, h);
        EXPECT_EQ(any, !c.clear) << c.what;
        TakeBackFrameStore(store.data());
        EXPECT_FALSE(FrameStoreLent(store.data())) << c.what;
        std::fill(store.begin(), store.end(), 0u); // the window side frees its store
        if (any) {
            ASSERT_TRUE(ReadLastFrame(after, w, h));
            EXPECT_EQ(after, before) << "taken back: " << c.what;
        }
    }
    ClearPublishedFrames();
}

} // namespace
