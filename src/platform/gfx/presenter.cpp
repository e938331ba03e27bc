#include "platform/gfx/presenter.h"
#include "platform/gfx/gfx_types.h"
#include "platform/messages.h"
#include <algorithm>
#include <cstring>
#include <mutex>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace gfx {
namespace {

struct Slot {
    std::mutex mutex;
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    std::uint64_t count = 0;
    std::uint64_t changes = 0; // never reset: the window side compares it with what it last showed
    // The store the next frame is converted into, outside the slot's lock; it trades places with
    // `pixels` when the frame is complete. Its own lock keeps two publishers (the drawing thread and
    // the window thread's repaint) apart. Only publishers replace `pixels` (and `width`, `height`,
    // `count`), so a publisher holding this lock may read them without the slot's lock.
    std::mutex spareMutex;
    std::vector<std::uint32_t> spare;
    // A few rows converted for comparing with the slot's frame (with the spare's lock).
    std::vector<std::uint32_t> band;
    // Where the slot's frame came from, and the number of its state (publishers only, like `pixels`).
    FrameOrigin origin;
    std::uint64_t state = 0;
    // The rows changed since the window side last showed them (with the slot's lock).
    RowSpan unshown;
    // A store of the window side's that holds the slot's frame in place of `pixels` (LendFrameStore),
    // or null. Set and cleared with both locks held, so that either lock is enough to read it.
    std::uint32_t* lent = nullptr;
    // How the lender shows rows of its store itself (null: the window side is woken to show them).
    ShowLentRows show = nullptr;
    // What the slot waits with, before it writes into the lent store, for rows shown to have been read.
    SettleLentStore settle = nullptr;
    void* showContext = nullptr;
};

Slot& TheSlot() {
    static Slot slot;
    return slot;
}

// The pixels of the slot's frame, rows `width` apart: the lent store while there is one.
std::uint32_t* Shown(Slot& s) {
    return s.lent ? s.lent : s.pixels.data();
}
const std::uint32_t* Shown(const Slot& s) {
    return s.lent ? s.lent : s.pixels.data();
}

// The lent store, ready to be written (the slot's lock held): rows of it shown before have been read.
std::uint32_t* WritableLent(Slot& s) {
    if (s.settle) s.settle(s.showContext);
    return s.lent;
}

// Ends a lend (both locks held): the slot's frame goes back to its own store.
void EndLend(Slot& s, bool keepFrame) {
    if (!s.lent) return;
    if (keepFrame) std::memcpy(s.pixels.data(), s.lent, s.pixels.size() * 4);
    s.lent = nullptr;
    s.show = nullptr;
    s.settle = nullptr;
    s.showContext = nullptr;
}

// Rows [top, bottom) of the slot's frame changed (the slot's lock held). A lender that shows its store
// itself shows them now; otherwise they wait for the window side, which is to be woken (true).
bool NoteChangedRows(Slot& s, int top, int bottom) {
    if (s.lent && s.show && s.show(top, bottom, s.showContext)) return false;
    s.unshown.Add(top, bottom);
    return true;
}

// Whether `next` differs from the slot's frame (the lock held).
bool Differs(const Slot& s, const std::vector<std::uint32_t>& next, int width, int height) {
    return s.count == 0 || width != s.width || height != s.height || next.size() != s.pixels.size() ||
           std::memcmp(next.data(), Shown(s), next.size() * 4) != 0;
}

// Whether a 32-bit `frame`, made opaque as its conversion makes it, gives the pixels `shown` (rows
// frame.width apart): compared as it is read, nothing converted or stored.
bool SameOpaque32(const PixelBuffer& frame, const std::uint32_t* shown, int top, int bottom) {
    const int w = frame.width;
    for (int y = top; y < bottom; ++y) {
        const auto* p = reinterpret_cast<const std::uint32_t*>(frame.Row(y));
        const std::uint32_t* q = shown + static_cast<std::size_t>(y) * w;
        int x = 0;
#ifdef __SSE2__
        const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        for (; x + 16 <= w; x += 16) {
            __m128i same = _mm_set1_epi32(-1);
            for (int k = 0; k < 16; k += 4) {
                const __m128i a =
                    _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x + k)), opaque);
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + x + k));
                same = _mm_and_si128(same, _mm_cmpeq_epi32(a, b));
            }
            if (_mm_movemask_epi8(same) != 0xFFFF) return false;
        }
#endif
        for (; x < w; ++x)
            if ((p[x] | 0xFF000000u) != q[x]) return false;
    }
    return true;
}

// Rows converted at a time while a frame is compared with the one shown.
constexpr int kBandRows = 8;

// The origin worth keeping for `frame`: none for a frame coloured through a palette, which may change
// while its indices do not.
FrameOrigin Usable(const FrameOrigin* origin, const PixelBuffer& frame) {
    return origin && frame.format != PixelFormat::Index8 ? *origin : FrameOrigin{};
}

// The rows in which `frame` of `origin` can differ from the slot's frame: all of them unless both
// are known to come from one store state and the frame needs no palette.
void RowsToCompare(const Slot& s, const PixelBuffer& frame, const FrameOrigin* origin, int& top,
                   int& bottom) {
    top = 0;
    bottom = frame.height;
    if (!origin || origin->base == 0 || origin->base != s.origin.base || frame.format == PixelFormat::Index8)
        return;
    const bool mine = origin->top < origin->bottom, shown = s.origin.top < s.origin.bottom;
    top = std::min(mine ? origin->top : frame.height, shown ? s.origin.top : frame.height);
    bottom = std::max(mine ? origin->bottom : 0, shown ? s.origin.bottom : 0);
    top = std::clamp(top, 0, frame.height);
    bottom = std::clamp(bottom, top, frame.height);
}

// Whether `frame` converted to XRGB gives the slot's frame again (the spare's lock held). It is
// converted a few rows at a time and compared as it goes, so that a frame that did not change is
// neither stored nor copied; rows that neither frame wrote since their common origin are skipped.
bool SameAsShown(Slot& s, const PixelBuffer& frame, const PALETTEENTRY* palette, const FrameOrigin* origin) {
    if (s.count == 0 || s.width != frame.width || s.height != frame.height) return false;
    int top = 0, bottom = 0;
    RowsToCompare(s, frame, origin, top, bottom);
    if (frame.format == PixelFormat::X8R8G8B8 || frame.format == PixelFormat::A8R8G8B8)
        return SameOpaque32(frame, Shown(s), top, bottom);
    const auto w = static_cast<std::size_t>(frame.width);
    s.band.resize(w * kBandRows);
    for (int y = top; y < bottom; y += kBandRows) {
        const int rows = std::min(kBandRows, bottom - y);
        ConvertRowsToXrgb(frame, palette, y, y + rows, s.band.data());
        if (std::memcmp(s.band.data(), Shown(s) + y * w, rows * w * 4) != 0) return false;
    }
    return true;
}

// Whether `frame` is the slot's frame but in the rows `change` names (the spare's lock held).
bool KnownChange(const Slot& s, const PixelBuffer& frame, const FrameChange* change) {
    return change && change->from != 0 && change->from == s.state && s.count != 0 && s.width == frame.width &&
           s.height == frame.height && frame.format != PixelFormat::Index8;
}

// Brings the slot's frame up to `frame` in the changed rows (the spare's lock held): the first and
// the last row that really differ are looked for from either end, and the rows from one to the other
// converted into the slot's frame. A 32-bit row is compared as it is read; other rows are converted
// first. A frame that changed in every row differs in its first and its last row at once, so that it
// costs the one conversion.
void UpdateChangedRows(Slot& s, const PixelBuffer& frame, const FrameChange& change) {
    const int top = std::clamp(change.top, 0, frame.height);
    const int bottom = std::clamp(change.bottom, top, frame.height);
    const auto w = static_cast<std::size_t>(frame.width);
    const bool wide = frame.format == PixelFormat::X8R8G8B8 || frame.format == PixelFormat::A8R8G8B8;
    if (!wide) s.band.resize(w);
    std::uint32_t* shown = Shown(s);
    auto differs = [&](int y) {
        if (wide) return !SameOpaque32(frame, shown, y, y + 1);
        ConvertRowsToXrgb(frame, nullptr, y, y + 1, s.band.data());
        return std::memcmp(s.band.data(), shown + y * w, w * 4) != 0;
    };
    int first = top, last = bottom; // the rows that really differ: [first, last)
    while (first < bottom && !differs(first))
        ++first;
    while (last > first && !differs(last - 1))
        --last;
    s.state = change.state;
    s.origin = FrameOrigin{};
    {
        std::lock_guard lock(s.mutex);
        ++s.count;
        if (first >= last) return;
        // The window side reads the slot's frame under its lock: the rows change in place under it.
        if (s.lent) shown = WritableLent(s);
        ConvertRowsToXrgb(frame, nullptr, first, last, shown + first * w);
        ++s.changes;
        if (!NoteChangedRows(s, first, last)) return;
    }
    win::WakeMessageWaiters();
}

} // namespace

void PublishFrame(const std::uint32_t* xrgb, int width, int height, int pitchPixels) {
    if (!xrgb || width <= 0 || height <= 0) return;
    Slot& s = TheSlot();
    bool changed = false, wake = false;
    {
        std::lock_guard spareLock(s.spareMutex);
        s.spare.resize(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            std::copy_n(xrgb + static_cast<std::size_t>(y) * pitchPixels, width,
                        s.spare.begin() + static_cast<std::ptrdiff_t>(y) * width);
        std::lock_guard lock(s.mutex);
        changed = Differs(s, s.spare, width, height);
        if (changed) ++s.changes;
        s.origin = FrameOrigin{};
        s.state = 0;
        const bool lent = s.lent && width == s.width && height == s.height;
        if (lent) {
            if (changed) std::memcpy(WritableLent(s), s.spare.data(), s.spare.size() * 4);
        } else {
            EndLend(s, false);
            s.pixels.swap(s.spare);
            if (changed) s.unshown = RowSpan{};
        }
        s.width = width;
        s.height = height;
        if (changed) wake = NoteChangedRows(s, 0, height);
        ++s.count;
    }
    if (wake) win::WakeMessageWaiters();
}

void PublishPixels(const PixelBuffer& frame, const PALETTEENTRY* palette, const FrameOrigin* origin,
                   const FrameChange* change) {
    if (frame.width <= 0 || frame.height <= 0) return;
    Slot& s = TheSlot();
    const std::uint64_t state = change && frame.format != PixelFormat::Index8 ? change->state : 0;
    {
        std::lock_guard spareLock(s.spareMutex);
        if (KnownChange(s, frame, change)) {
            UpdateChangedRows(s, frame, *change);
            return;
        }
        if (SameAsShown(s, frame, palette, origin)) {
            // The slot's pixels are this frame's too, so its origin describes them as well.
            if (const FrameOrigin o = Usable(origin, frame); o.base != 0) s.origin = o;
            s.state = state;
            std::lock_guard lock(s.mutex);
            ++s.count;
            return;
        }
        const bool intoLent = s.lent && frame.width == s.width && frame.height == s.height;
        // The new frame's room first: memory that runs out leaves the slot describing what it holds.
        if (!intoLent) s.spare.resize(static_cast<std::size_t>(frame.width) * frame.height);
        s.origin = Usable(origin, frame);
        s.state = state;
        if (intoLent) {
            // Converted straight into the window side's store, which it reads under the slot's lock.
            std::lock_guard lock(s.mutex);
            ConvertToXrgb(frame, palette, WritableLent(s));
            ++s.changes;
            ++s.count;
            if (!NoteChangedRows(s, 0, frame.height)) return;
        } else {
            ConvertToXrgb(frame, palette, s.spare.data());
            std::lock_guard lock(s.mutex);
            ++s.changes;
            EndLend(s, false);
            s.pixels.swap(s.spare);
            s.width = frame.width;
            s.height = frame.height;
            s.unshown = RowSpan{0, frame.height};
            ++s.count;
        }
    }
    // The window thread shows the new frame without waiting for its next look.
    win::WakeMessageWaiters();
}

bool ReadLastFrame(std::vector<std::uint32_t>& out, int& width, int& height) {
    Slot& s = TheSlot();
    std::lock_guard lock(s.mutex);
    if (s.count == 0) return false;
    out.assign(Shown(s), Shown(s) + s.pixels.size());
    width = s.width;
    height = s.height;
    return true;
}

bool UseLastFrameRows(void (*use)(const std::uint32_t*, int, int, RowSpan&, void*), void* context) {
    Slot& s = TheSlot();
    std::lock_guard lock(s.mutex);
    if (s.count == 0) return false;
    use(Shown(s), s.width, s.height, s.unshown, context);
    return true;
}

std::uint64_t PublishedChangeCount() {
    Slot& s = TheSlot();
    std::lock_guard lock(s.mutex);
    return s.changes;
}

std::uint64_t PublishedFrameCount() {
    Slot& s = TheSlot();
    std::lock_guard lock(s.mutex);
    return s.count;
}

void ClearPublishedFrames() {
    Slot& s = TheSlot();
    std::lock_guard spareLock(s.spareMutex);
    std::lock_guard lock(s.mutex);
    s.lent = nullptr;
    s.show = nullptr;
    s.settle = nullptr;
    s.showContext = nullptr;
    s.pixels.clear();
    s.origin = FrameOrigin{};
    s.state = 0;
    s.unshown = RowSpan{};
    s.width = s.height = 0;
    s.count = 0;
}

bool LendFrameStore(std::uint32_t* store, int width, int height, ShowLentRows show, SettleLentStore settle,
                    void* context) {
    Slot& s = TheSlot();
    std::lock_guard spareLock(s.spareMutex);
    std::lock_guard lock(s.mutex);
    if (!store || s.count == 0 || width != s.width || height != s.height) return false;
    if (s.lent != store) {
        if (settle) settle(context);
        std::memcpy(store, Shown(s), s.pixels.size() * 4);
    }
    s.lent = store;
    s.show = show;
    s.settle = settle;
    s.showContext = context;
    return true;
}

bool FrameStoreLent(const std::uint32_t* store) {
    Slot& s = TheSlot();
    std::lock_guard lock(s.mutex);
    return store && s.lent == store;
}

void TakeBackFrameStore(const std::uint32_t* store) {
    Slot& s = TheSlot();
    std::lock_guard spareLock(s.spareMutex);
    std::lock_guard lock(s.mutex);
    if (store && s.lent == store) EndLend(s, true);
}

} // namespace gfx
