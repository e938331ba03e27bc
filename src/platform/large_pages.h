// Memory for many objects of one size that every frame walks: slots taken from blocks of 2 MB, each
// aligned to 2 MB and offered to the kernel for backing by one large page. Walks over thousands of
// objects spread over megabytes then stay within the reach of the processor's address-translation
// caches instead of missing them at nearly every object. Without large pages from the kernel the
// blocks are ordinary memory; under the address sanitizer every object is allocated on its own, so
// that the sanitizer still sees each one.
#pragma once
#include <cstddef>
#include <memory>
#include <new>

namespace win {

// A pool of slots of one size and alignment. Freed slots are reused; blocks stay with the pool.
// Safe to use from several threads.
class cLargePagePool {
  public:
    cLargePagePool(std::size_t slotSize, std::size_t alignment);
    cLargePagePool(const cLargePagePool&) = delete;
    cLargePagePool& operator=(const cLargePagePool&) = delete;
    ~cLargePagePool();

    // A slot of the pool's size; throws std::bad_alloc when no memory is left.
    void* Take();
    // Gives a slot back; never asks for memory.
    void Give(void* slot);

    static constexpr std::size_t BLOCK_SIZE = std::size_t{2} << 20;

  private:
    struct cState;
    std::unique_ptr<cState> m_pState;
};

// The pool that serves objects of size and alignment `size`, `alignment`: one per pair, made at its
// first use and kept until the process ends (objects in global containers outlive any static).
cLargePagePool& LargePagePoolFor(std::size_t size, std::size_t alignment);

// A standard allocator over those pools: single objects (list and set nodes) come from the pool of
// their size; arrays from the ordinary heap.
template <class T> struct cLargePageAllocator {
    using value_type = T;
    cLargePageAllocator() noexcept = default;
    template <class U> cLargePageAllocator(const cLargePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n == 1) return static_cast<T*>(Pool().Take());
        return static_cast<T*>(::operator new (n * sizeof(T), std::align_val_t{alignof(T)}));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n == 1)
            Pool().Give(p);
        else
            ::operator delete (p, std::align_val_t{alignof(T)});
    }
    template <class U> bool operator==(const cLargePageAllocator<U>&) const noexcept { return true; }

  private:
    static cLargePagePool& Pool() {
        static cLargePagePool& pool = LargePagePoolFor(sizeof(T), alignof(T));
        return pool;
    }
};

} // namespace win
