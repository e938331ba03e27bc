#include "app/memory_reserve.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<void*> g_reserve{nullptr};

} // namespace

bool HoldMemoryReserve() {
    if (g_reserve.load()) return true;
    void* block = std::malloc(MEMORY_RESERVE_BYTES);
    if (!block) return false;
    void* none = nullptr;
    // Another thread took one meanwhile: one is enough.
    if (!g_reserve.compare_exchange_strong(none, block)) std::free(block);
    return true;
}

bool ReleaseMemoryReserve() {
    void* block = g_reserve.exchange(nullptr);
    if (!block) return false;
    std::free(block);
    return true;
}

bool MemoryReserveHeld() {
    return g_reserve.load() != nullptr;
}
