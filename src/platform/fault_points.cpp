#include "platform/fault_points.h"

#include <atomic>

namespace {

std::atomic<FaultPointWatcher> g_watcher{nullptr};

} // namespace

void WatchFaultPoints(FaultPointWatcher watcher) {
    g_watcher.store(watcher);
}

void PassFaultPoint(const char* name) {
    if (FaultPointWatcher watcher = g_watcher.load(std::memory_order_relaxed)) watcher(name);
}
