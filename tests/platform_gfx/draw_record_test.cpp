// The rows in which two frames of draw keys can give different pixels: those of every key outside the
// longest run of equal keys at the head of both and at their tail, wherever the first and last keys
// that differ lie among many alike.
#include "platform/gfx/draw_record.h"
#include <gtest/gtest.h>
#include <cstdint>

using namespace gfx;

namespace {

// Key i of a frame: a few bytes of its own (more for some, so that keys lie at varied places), and
// the rows [2i, 2i + 1).
void PutKey(DrawKeys& keys, int i, int extra = 0, int shift = 0) {
    keys.Begin();
    const std::uint32_t v = 0x9E3779B9u * static_cast<std::uint32_t>(i + 1);
    keys.Put(v);
    for (int b = 0; b < i % 3 + extra; ++b)
        keys.Put(static_cast<std::uint8_t>(i + b));
    keys.End(2 * i + shift, 2 * i + 1 + shift);
}

TEST(ChangedRows, AreThoseOfTheKeysBetweenTheEqualHeadAndTail) {
    struct Case {
        const char* what;
        int before, now;  // how many keys each frame has
        int changed;      // the key of `now` that differs (-1: none)
        int extra, shift; // how it differs: bytes added, rows moved; else one byte flipped
        int top, bottom;  // the rows expected
    };
    const Case cases[] = {
        {"the same keys", 200, 200, -1, 0, 0, 0, 0},
        {"the first key", 200, 200, 0, 0, 0, 0, 1},
        {"the last of a first block of keys", 200, 200, 63, 0, 0, 126, 127},
        {"the first of a second block", 200, 200, 64, 0, 0, 128, 129},
        {"a key in a later block", 200, 200, 150, 0, 0, 300, 301},
        {"the last key", 200, 200, 199, 0, 0, 398, 399},
        {"a key grown longer", 200, 200, 70, 2, 0, 140, 141},
        {"a key that writes other rows", 200, 200, 100, 0, 9, 200, 210},
        {"a key added at the end", 130, 131, -1, 0, 0, 260, 261},
        {"a key fewer at the end", 131, 130, -1, 0, 0, 260, 261},
    };
    for (const Case& c : cases) {
        DrawKeys before, now;
        for (int i = 0; i < c.before; ++i)
            PutKey(before, i);
        for (int i = 0; i < c.now; ++i) {
            if (i != c.changed) {
                PutKey(now, i);
            } else if (c.extra || c.shift) {
                PutKey(now, i, c.extra, c.shift);
            } else {
                now.Begin();
                now.Put(0x9E3779B9u * static_cast<std::uint32_t>(i + 1) ^ 0x100u);
                for (int b = 0; b < i % 3; ++b)
                    now.Put(static_cast<std::uint8_t>(i + b));
                now.End(2 * i, 2 * i + 1);
            }
        }
        const RowSpan rows = ChangedRows(before, now);
        if (c.top == c.bottom) {
            EXPECT_TRUE(rows.Empty()) << c.what;
        } else {
            EXPECT_EQ(rows.top, c.top) << c.what;
            EXPECT_EQ(rows.bottom, c.bottom) << c.what;
        }
    }
}

} // namespace
