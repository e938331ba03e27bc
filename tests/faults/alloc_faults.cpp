// Linked only into mirelda4_faults, the player built for testing its ends when memory runs out: from
// a chosen moment of the run on, the N-th allocation (operator new) fails with std::bad_alloc and the
// N-th start of a std::thread fails as when no memory is left for its stack (EAGAIN). Set by:
//   MIRELDA4_FAULT_AT=NAME[#K]  the moment: the K-th pass (default 1) of a point the player names
//                               (start, frame, stage, pause, ranking, music); default start
//   MIRELDA4_FAULT_NEW=N        the N-th allocation after it fails (0 or unset: none fails)
//   MIRELDA4_FAULT_SPAWN=N      the N-th thread start after it fails (0 or unset: none fails)
//   MIRELDA4_FAULT_THREADS=any  count on every thread (default: only on the thread that passed the
//                               point, so that the count does not depend on the other threads' timing)
// Each failure is one line "fault: ..." on standard error, and an exit that runs the process's exit
// handlers ends with one line of the counts ("fault: counted ..."), which a run without failures
// (N = 0) gives for choosing N.
#include "platform/fault_points.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

struct Settings {
    char point[32] = "start";
    long pass = 1;
    long failNew = 0;
    long failSpawn = 0;
    bool anyThread = false;
};

Settings g_settings;
std::atomic<bool> g_armed{false};
std::atomic<long> g_passes{0};
std::atomic<long> g_news{0};
std::atomic<long> g_spawns{0};
thread_local bool t_counted = false;

long NumberOf(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::strtol(v, nullptr, 10) : 0;
}

// Written without allocating: the line may come from inside operator new. The calls that led to the
// failure follow it, one a line ("fault:   FUNCTION+OFFSET").
void Say(const char* what, long n, std::size_t size) {
    char line[160];
    const int len = std::snprintf(line, sizeof line, "fault: %s %ld (%zu bytes) after %s#%ld\n", what, n,
                                  size, g_settings.point, g_settings.pass);
    if (len > 0) (void)!write(2, line, static_cast<std::size_t>(len));
    void* calls[24];
    const int count = backtrace(calls, 24);
    for (int i = 2; i < count; ++i) {
        (void)!write(2, "fault:   ", 9);
        backtrace_symbols_fd(calls + i, 1, 2);
    }
}

bool Counts() {
    return g_armed.load(std::memory_order_relaxed) && (g_settings.anyThread || t_counted);
}

// The allocation fails when it is the chosen one. One that asks not to throw (std::nothrow) is
// told apart: its caller is made to cope with the failure, and may go on as if nothing happened.
bool AllocationFails(std::size_t size, bool nothrow = false) {
    if (!Counts()) return false;
    const long n = g_news.fetch_add(1) + 1;
    if (n != g_settings.failNew) return false;
    Say(nothrow ? "failed nothrow allocation" : "failed allocation", n, size);
    return true;
}

void Watch(const char* name) {
    if (g_armed.load() || std::strcmp(name, g_settings.point) != 0) return;
    if (g_passes.fetch_add(1) + 1 != g_settings.pass) return;
    t_counted = true;
    g_armed.store(true);
}

void CountsAtExit() {
    std::fprintf(stderr, "fault: counted %ld allocations and %ld thread starts after %s#%ld (%s)\n",
                 g_news.load(), g_spawns.load(), g_settings.point, g_settings.pass,
                 g_armed.load() ? "reached" : "never reached");
}

struct Setup {
    Setup() {
        if (const char* at = std::getenv("MIRELDA4_FAULT_AT"); at && *at) {
            std::snprintf(g_settings.point, sizeof g_settings.point, "%s", at);
            if (char* hash = std::strchr(g_settings.point, '#')) {
                *hash = '\0';
                g_settings.pass = std::max(1L, std::strtol(hash + 1, nullptr, 10));
            }
        }
        g_settings.failNew = NumberOf("MIRELDA4_FAULT_NEW");
        g_settings.failSpawn = NumberOf("MIRELDA4_FAULT_SPAWN");
        const char* threads = std::getenv("MIRELDA4_FAULT_THREADS");
        g_settings.anyThread = threads && std::strcmp(threads, "any") == 0;
        // The unwinder that backtrace() uses is loaded now, not inside a failing allocation.
        void* first[1];
        backtrace(first, 1);
        WatchFaultPoints(&Watch);
        std::atexit(&CountsAtExit);
    }
} g_setup;

void* Allocate(std::size_t size) {
    if (AllocationFails(size)) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::size_t alignment) {
    if (AllocationFails(size)) throw std::bad_alloc();
    void* p = nullptr;
    if (posix_memalign(&p, std::max(alignment, sizeof(void*)), size ? size : 1) == 0) return p;
    throw std::bad_alloc();
}

// A thread the player starts itself (std::thread), not one a library starts for its own work.
bool StartedByStdThread(void* (*start)(void*)) {
    Dl_info info;
    return dladdr(reinterpret_cast<void*>(start), &info) && info.dli_fname &&
           std::strstr(info.dli_fname, "libstdc++");
}

} // namespace

// The nothrow and array forms of the library call these.
void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocationFails(size, true) ? nullptr : std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept {
    return operator new(size, nothrow);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*),
                              void* arg) {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Create real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (Counts() && StartedByStdThread(start)) {
        const long n = g_spawns.fetch_add(1) + 1;
        if (n == g_settings.failSpawn) {
            Say("failed thread start", n, 0);
            return EAGAIN;
        }
    }
    return real(thread, attr, start, arg);
}
