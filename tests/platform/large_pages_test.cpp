#include "platform/large_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <list>
#include <vector>

namespace {

// Slots of several sizes and alignments, more than one block holds: each is aligned, none overlaps
// another (each keeps the pattern written into it), and slots given back are taken again before
// new memory is used.
TEST(LargePagePool, GivesAlignedSlotsThatKeepTheirBytesAndReusesThoseGivenBack) {
    struct Case {
        std::size_t size, alignment;
    } cases[] = {{2240, 64}, {24, 8}, {100, 16}, {1, 1}};
    for (const Case& c : cases) {
        win::cLargePagePool pool(c.size, c.alignment);
        const std::size_t count = win::cLargePagePool::BLOCK_SIZE / std::max<std::size_t>(c.size, 64) + 40;
        std::vector<unsigned char*> slots;
        for (std::size_t i = 0; i < count; ++i) {
            auto* p = static_cast<unsigned char*>(pool.Take());
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % c.alignment, 0u) << c.size;
            std::memset(p, static_cast<int>(i & 0xFF), c.size);
            slots.push_back(p);
        }
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t b : {std::size_t{0}, c.size - 1})
                ASSERT_EQ(slots[i][b], i & 0xFF) << c.size << " slot " << i;
        pool.Give(slots[5]);
        pool.Give(slots[count - 1]);
        const void* again[2] = {pool.Take(), pool.Take()};
#if !defined(__SANITIZE_ADDRESS__) // there every object is allocated on its own
        EXPECT_EQ(again[0], slots[count - 1]);
        EXPECT_EQ(again[1], slots[5]);
#endif
        for (std::size_t i = 0; i < count; ++i)
            if (i != 5 && i != count - 1) pool.Give(slots[i]);
        pool.Give(const_cast<void*>(again[0]));
        pool.Give(const_cast<void*>(again[1]));
    }
}

// A list over the allocator behaves as any list: nodes added at both ends, erased in the middle and
// spliced keep their values and order.
TEST(LargePagePool, ServesTheNodesOfAList) {
    struct alignas(64) Big {
        int value = 0;
        char pad[200] = {};
    };
    std::list<Big, win::cLargePageAllocator<Big>> list, other;
    for (int i = 0; i < 3000; ++i)
        (i % 2 ? list.emplace_back() : list.emplace_front()).value = i;
    for (const Big& b : list)
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(&b) % 64, 0u);
    std::erase_if(list, [](const Big& b) { return b.value % 3 == 0; });
    other.splice(other.end(), list, list.begin(), std::next(list.begin(), 10));
    std::vector<int> values;
    for (const Big& b : other)
        values.push_back(b.value);
    EXPECT_EQ(values, (std::vector<int>{2998, 2996, 2992, 2990, 2986, 2984, 2980, 2978, 2974, 2972}));
    EXPECT_EQ(list.size() + other.size(), 2000u);
    EXPECT_EQ(list.back().value, 2999);
}

} // namespace
