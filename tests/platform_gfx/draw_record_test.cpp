// The rows in which two frames of draw keys can give different pixels: those of every key outside the
// longest run of equal keys at the head of both and at their tail, wherever the first and last keys
// that differ lie among many alike.
#include "platform/gfx/draw_record.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <utility>

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

// Keys i to i + count - 1, each with `extra` bytes more.
void PutKeys(DrawKeys& keys, int from, int count, int extra = 0) {
    for (int i = from; i < from + count; ++i)
        PutKey(keys, i, extra);
}

// Keys put again into room that held others (after a clear, a copy or a move) are the keys put and
// nothing of what the room held before: compared with the same keys put afresh, no row changed, and
// a key that differs shows in its own rows only.
TEST(DrawKeys, PutIntoReusedRoomAreTheKeysPut) {
    struct Case {
        const char* what;
        void (*make)(DrawKeys& keys); // keys 0 to 99, got as the case says
    };
    const Case cases[] = {
        {"cleared after longer keys",
         [](DrawKeys& k) {
             PutKeys(k, 0, 300, 40);
             k.Clear();
             PutKeys(k, 0, 100);
         }},
        {"a copy over more keys, then added to",
         [](DrawKeys& k) {
             PutKeys(k, 0, 300, 40);
             DrawKeys part;
             PutKeys(part, 0, 60);
             k = part;
             PutKeys(k, 60, 40);
         }},
        {"a copy made, then added to",
         [](DrawKeys& k) {
             DrawKeys part;
             PutKeys(part, 0, 60);
             DrawKeys copy(part);
             PutKeys(part, 0, 5, 9); // the original changes after the copy
             k = copy;
             PutKeys(k, 60, 40);
         }},
        {"moved into, over keys of its own",
         [](DrawKeys& k) {
             PutKeys(k, 0, 300, 40);
             DrawKeys other;
             PutKeys(other, 0, 100);
             k = std::move(other);
             other.Clear();
             PutKeys(other, 0, 10, 40); // the keys moved from take keys again
         }},
    };
    DrawKeys fresh, oneDiffers;
    PutKeys(fresh, 0, 100);
    PutKeys(oneDiffers, 0, 37);
    PutKey(oneDiffers, 37, 1);
    PutKeys(oneDiffers, 38, 62);
    for (const Case& c : cases) {
        DrawKeys got;
        c.make(got);
        EXPECT_EQ(got.Size(), fresh.Size()) << c.what;
        EXPECT_TRUE(ChangedRows(fresh, got).Empty()) << c.what;
        const RowSpan rows = ChangedRows(got, oneDiffers);
        EXPECT_EQ(rows.top, 74) << c.what;
        EXPECT_EQ(rows.bottom, 75) << c.what;
    }
}

} // namespace
