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
    void Clear();
    std::size_t Size() const { return entries_.size(); }
    // Starts the key of the next draw; Put adds to it, End closes it with the rows it may write.
    void Begin();
    template <typename T> void Put(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        PutBytes(&v, sizeof v);
    }
    void PutBytes(const void* p, std::size_t n);
    void End(int top, int bottom);

    // The rows in which the draws of `now` can give pixels other than those of `before`: the rows of
    // every draw outside the longest run of equal keys at the head of both and at their tail.
    friend RowSpan ChangedRows(const DrawKeys& before, const DrawKeys& now);

  private:
    struct Entry {
        std::size_t offset, size;
        int top, bottom;
    };
    bool Same(std::size_t i, const DrawKeys& other, std::size_t j) const;
    std::vector<std::uint8_t> bytes_;
    std::vector<Entry> entries_;
    std::size_t open_ = 0;
};

} // namespace gfx
