// What a target needs to know of the draws it keeps back until its pixels are needed: a key for each
// draw (everything the draw reads, as bytes: its operation, its sources' state numbers, its
// geometry) and the rows it may write. A frame begins with a draw that covers every pixel whatever
// was there; two frames of the same keys give the same pixels, and two frames that differ only in
// some draws differ only in the rows those draws may write.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

namespace gfx {

// Rows [top, bottom); empty when top >= bottom.
struct RowSpan {
    int top = 0, bottom = 0;
    bool Empty() const { return top >= bottom; }
    // Grows the span to take in rows [t, b) as well.
    void Add(int t, int b);
    void Add(const RowSpan& r) { Add(r.top, r.bottom); }
};

// Per row of a span of a target's rows, the columns [left, right) that the draws after the one looked
// at write completely, whatever the rows held under them; one interval a row: an interval that meets
// another joins it, else the wider of the two is kept.
class RowCover {
  public:
    RowCover(int width, const RowSpan& rows);
    const RowSpan& Rows() const { return rows_; }
    // Whether row `y` (in Rows()) is written completely.
    bool Whole(int y) const {
        const std::size_t i = static_cast<std::size_t>(y - rows_.top);
        return left_[i] <= 0 && right_[i] >= width_;
    }
    // Columns [l, r) of rows [top, bottom) are written completely.
    void Add(int top, int bottom, int l, int r);

  private:
    int width_;
    RowSpan rows_;
    std::vector<int> left_, right_;
};

// The most draws a target keeps back before it runs them: a loop that draws without its pixels
// being needed (no present) would otherwise keep them all.
constexpr std::size_t kMaxKeptDraws = 1 << 14;

// A number no state of any surface's pixels had before (never 0).
std::uint64_t NextPixelState();

class DrawKeys {
  public:
    DrawKeys() = default;
    DrawKeys(const DrawKeys& other) { *this = other; }
    DrawKeys(DrawKeys&& other) noexcept { Swap(other); }
    // A copy takes the keys alone, into the room this already has where it is enough.
    DrawKeys& operator=(const DrawKeys& other);
    DrawKeys& operator=(DrawKeys&& other) noexcept {
        if (this != &other) {
            Clear();
            Swap(other);
        }
        return *this;
    }

    // The keys go; the room they took stays for the next.
    void Clear() {
        used_ = 0;
        entries_.clear();
        open_ = 0;
    }
    std::size_t Size() const { return entries_.size(); }
    // Starts the key of the next draw; Put adds to it, End closes it with the rows it may write.
    void Begin() { open_ = used_; }
    template <typename T> void Put(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        PutBytes(&v, sizeof v);
    }
    void PutBytes(const void* p, std::size_t n) {
        if (n == 0) return;
        if (n > bytes_.size() - used_) Grow(n);
        std::memcpy(bytes_.data() + used_, p, n);
        used_ += n;
    }
    // Asks for the room the keys put a few draws later go into, to be written (addresses only: they
    // may lie beyond the room). Inlined: a call that only asks for memory counts as having no effect
    // and would be left out.
    [[gnu::always_inline]] void AskRoomAhead() const {
        constexpr std::uintptr_t kAhead = 6 * 64;
        __builtin_prefetch(
            reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(bytes_.data()) + used_ + kAhead),
            1);
        __builtin_prefetch(reinterpret_cast<const void*>(
                               reinterpret_cast<std::uintptr_t>(entries_.data() + entries_.size()) + kAhead),
                           1);
    }
    void End(int top, int bottom) {
        entries_.push_back(Entry{open_, used_ - open_, top, bottom});
        open_ = used_;
    }

    // The rows in which the draws of `now` can give pixels other than those of `before`: the rows of
    // every draw outside the longest run of equal keys at the head of both and at their tail.
    friend RowSpan ChangedRows(const DrawKeys& before, const DrawKeys& now);

  private:
    struct Entry {
        std::size_t offset, size;
        int top, bottom;
    };
    bool Same(std::size_t i, const DrawKeys& other, std::size_t j) const;
    // Makes room for n more bytes.
    void Grow(std::size_t n);
    void Swap(DrawKeys& other) noexcept {
        bytes_.swap(other.bytes_);
        entries_.swap(other.entries_);
        std::swap(used_, other.used_);
        std::swap(open_, other.open_);
    }
    // The keys' bytes are the first used_ of bytes_; the rest is room for more.
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
    std::vector<Entry> entries_;
    std::size_t open_ = 0;
};

} // namespace gfx
