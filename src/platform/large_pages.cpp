#include "platform/large_pages.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace win {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SEPARATE_OBJECTS = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SEPARATE_OBJECTS = true;
#else
constexpr bool SEPARATE_OBJECTS = false;
#endif
#else
constexpr bool SEPARATE_OBJECTS = false;
#endif

// A block of BLOCK_SIZE bytes aligned to BLOCK_SIZE, offered for a large page; null when the
// system has no memory left.
void* MapBlock() {
    const std::size_t size = cLargePagePool::BLOCK_SIZE;
    // Twice the size, so that an aligned block lies inside; the rest goes back.
    void* raw = mmap(nullptr, 2 * size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + size - 1) & ~(std::uintptr_t{size} - 1);
    if (aligned > start) munmap(raw, aligned - start);
    if (const std::uintptr_t end = start + 2 * size; end > aligned + size)
        munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    // Only a request: without large pages the block is used as it is.
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

} // namespace

struct cLargePagePool::cState {
    std::size_t slot = 0, alignment = 0;
    std::mutex lock;
    std::vector<void*> blocks;
    std::vector<void*> free;
    std::size_t used = 0; // slots handed out of the last block so far
};

cLargePagePool::cLargePagePool(std::size_t slotSize, std::size_t alignment)
    : m_pState(std::make_unique<cState>()) {
    if (alignment == 0 || (alignment & (alignment - 1)) != 0) alignment = alignof(std::max_align_t);
    m_pState->alignment = alignment;
    m_pState->slot = (slotSize + alignment - 1) / alignment * alignment;
    if (m_pState->slot == 0) m_pState->slot = alignment;
}

cLargePagePool::~cLargePagePool() {
    for (void* block : m_pState->blocks)
        munmap(block, BLOCK_SIZE);
}

void* cLargePagePool::Take() {
    cState& s = *m_pState;
    if (SEPARATE_OBJECTS || s.slot > BLOCK_SIZE)
        return ::operator new (s.slot, std::align_val_t{s.alignment});
    const std::lock_guard<std::mutex> hold(s.lock);
    if (!s.free.empty()) {
        void* p = s.free.back();
        s.free.pop_back();
        return p;
    }
    if (s.blocks.empty() || (s.used + 1) * s.slot > BLOCK_SIZE) {
        // Room first for the new block and for every slot of every block in the free list: giving
        // a slot back (in a destructor, maybe where memory has run out) then never asks for memory.
        const std::size_t slots = (s.blocks.size() + 1) * (BLOCK_SIZE / s.slot);
        if (s.free.capacity() < slots) s.free.reserve(std::max(slots, 2 * s.free.capacity()));
        if (s.blocks.size() == s.blocks.capacity())
            s.blocks.reserve(std::max<std::size_t>(8, 2 * s.blocks.size()));
        void* block = MapBlock();
        if (!block) throw std::bad_alloc();
        s.blocks.push_back(block);
        s.used = 0;
    }
    return static_cast<char*>(s.blocks.back()) + s.used++ * s.slot;
}

void cLargePagePool::Give(void* slot) {
    if (!slot) return;
    cState& s = *m_pState;
    if (SEPARATE_OBJECTS || s.slot > BLOCK_SIZE) {
        ::operator delete (slot, std::align_val_t{s.alignment});
        return;
    }
    const std::lock_guard<std::mutex> hold(s.lock);
    s.free.push_back(slot);
}

cLargePagePool& LargePagePoolFor(std::size_t size, std::size_t alignment) {
    static std::mutex lock;
    // Never destroyed: objects in global containers are freed after every static is gone.
    static auto* pools = new std::map<std::pair<std::size_t, std::size_t>, cLargePagePool*>;
    const std::lock_guard<std::mutex> hold(lock);
    cLargePagePool*& pool = (*pools)[{size, alignment}];
    if (!pool) pool = new cLargePagePool(size, alignment);
    return *pool;
}

} // namespace win
