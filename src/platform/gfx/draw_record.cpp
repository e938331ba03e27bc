#include "platform/gfx/draw_record.h"
#include <algorithm>
#include <atomic>
#include <climits>

namespace gfx {

void RowSpan::Add(int t, int b) {
    if (t >= b) return;
    if (Empty()) {
        top = t;
        bottom = b;
        return;
    }
    top = std::min(top, t);
    bottom = std::max(bottom, b);
}

RowCover::RowCover(int width, const RowSpan& rows)
    : width_(width), rows_(rows), left_(static_cast<std::size_t>(std::max(rows.bottom - rows.top, 0))),
      right_(left_.size()) {}

void RowCover::Add(int top, int bottom, int l, int r) {
    top = std::max(top, rows_.top), bottom = std::min(bottom, rows_.bottom);
    l = std::max(l, 0), r = std::min(r, width_);
    if (l >= r) return;
    for (int y = top; y < bottom; ++y) {
        int& left = left_[static_cast<std::size_t>(y - rows_.top)];
        int& right = right_[static_cast<std::size_t>(y - rows_.top)];
        if (left < right && l <= right && r >= left) {
            left = std::min(left, l), right = std::max(right, r);
        } else if (left >= right || r - l > right - left) {
            left = l, right = r;
        }
    }
}

std::uint64_t NextPixelState() {
    static std::atomic<std::uint64_t> next{0};
    return ++next;
}

DrawKeys& DrawKeys::operator=(const DrawKeys& other) {
    if (this == &other) return *this;
    if (bytes_.size() < other.used_) bytes_.resize(other.used_);
    if (other.used_ > 0) std::memcpy(bytes_.data(), other.bytes_.data(), other.used_);
    used_ = other.used_;
    entries_ = other.entries_;
    open_ = other.open_;
    return *this;
}

void DrawKeys::Grow(std::size_t n) {
    bytes_.resize(std::max(used_ + n, bytes_.size() * 2 + 256));
}

bool DrawKeys::Same(std::size_t i, const DrawKeys& other, std::size_t j) const {
    const Entry& a = entries_[i];
    const Entry& b = other.entries_[j];
    return a.size == b.size && a.top == b.top && a.bottom == b.bottom &&
           std::memcmp(bytes_.data() + a.offset, other.bytes_.data() + b.offset, a.size) == 0;
}

RowSpan ChangedRows(const DrawKeys& before, const DrawKeys& now) {
    const std::size_t n = before.Size(), m = now.Size(), shorter = std::min(n, m);
    std::size_t head = 0;
    // Blocks of keys laid out alike in both are compared at once, then key by key.
    constexpr std::size_t kBlock = 64;
    while (head + kBlock <= shorter) {
        const DrawKeys::Entry* a = before.entries_.data() + head;
        const DrawKeys::Entry* b = now.entries_.data() + head;
        bool alike = true;
        for (std::size_t k = 0; k < kBlock && alike; ++k)
            alike = a[k].offset == b[k].offset && a[k].size == b[k].size && a[k].top == b[k].top &&
                    a[k].bottom == b[k].bottom;
        const std::size_t from = a[0].offset, to = a[kBlock - 1].offset + a[kBlock - 1].size;
        if (!alike || std::memcmp(before.bytes_.data() + from, now.bytes_.data() + from, to - from) != 0)
            break;
        head += kBlock;
    }
    while (head < shorter && before.Same(head, now, head))
        ++head;
    std::size_t tail = 0;
    while (tail < shorter - head && before.Same(n - 1 - tail, now, m - 1 - tail))
        ++tail;
    // The span of the rows of the keys in between, each key's rows taken only when they are some.
    int top = INT_MAX, bottom = INT_MIN;
    auto take = [&](const std::vector<DrawKeys::Entry>& entries, std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const DrawKeys::Entry& e = entries[i];
            const bool some = e.top < e.bottom;
            top = std::min(top, some ? e.top : INT_MAX);
            bottom = std::max(bottom, some ? e.bottom : INT_MIN);
        }
    };
    take(before.entries_, head, n - tail);
    take(now.entries_, head, m - tail);
    RowSpan rows;
    rows.Add(top, bottom);
    return rows;
}

} // namespace gfx
