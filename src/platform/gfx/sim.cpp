#include "platform/gfx/sim.h"
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace gfx::sim {
namespace {

struct State {
    bool vblank = true;
    bool pow2 = false, square = false, dynamic = true;
    int failDevice = 0;
    bool failHardwareOnly = false;
    bool noD3D = false;
    bool noDD = false;
    std::size_t budget = std::size_t(512) * 1024 * 1024;
    int failLocks = 0;
};

std::mutex g_mutex;
State g_state;

class MonotonicBlankClock final : public BlankClock {
  public:
    long long Now() override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void WaitUntil(long long ns) override {
        const long long now = Now();
        if (ns > now) std::this_thread::sleep_for(std::chrono::nanoseconds(ns - now));
    }
};

MonotonicBlankClock g_monotonic;
std::atomic<BlankClock*> g_blankClock{&g_monotonic};
std::atomic<unsigned long long> g_blankWaits{0};

} // namespace

namespace {
// Set by the devices when they first start: they act on the live device and surfaces.
std::atomic<void (*)(int)> g_loseDevice{nullptr};
std::atomic<void (*)()> g_loseSurfaces{nullptr};
} // namespace

void RegisterLossHooks(void (*loseDevice)(int), void (*loseSurfaces)()) {
    if (loseDevice) g_loseDevice = loseDevice;
    if (loseSurfaces) g_loseSurfaces = loseSurfaces;
}

void ResetSimulation() {
    std::lock_guard lock(g_mutex);
    g_state = State{};
    g_blankWaits = 0;
}

void SetVerticalBlankEmulation(bool on) {
    std::lock_guard lock(g_mutex);
    g_state.vblank = on;
}

bool VerticalBlankEmulation() {
    std::lock_guard lock(g_mutex);
    return g_state.vblank;
}

long long NextBlankAfter(long long ns) {
    constexpr long long kSecond = 1'000'000'000LL, kRate = 60;
    // Whole seconds and the blanks within the second apart, so that nothing overflows.
    const long long seconds = ns / kSecond, within = ns % kSecond;
    // Blank k of the second starts at floor(k / 60 s): the first k whose start lies after `within`.
    const long long k = (kRate * (within + 1) + kSecond - 1) / kSecond;
    return seconds * kSecond + k * kSecond / kRate;
}

void SetBlankClock(BlankClock* clock) {
    g_blankClock = clock ? clock : &g_monotonic;
}

unsigned long long VerticalBlankWaits() {
    return g_blankWaits.load();
}

void WaitForVerticalBlank() {
    if (!VerticalBlankEmulation()) return;
    BlankClock* clock = g_blankClock.load();
    clock->WaitUntil(NextBlankAfter(clock->Now()));
    ++g_blankWaits;
}

void SetTextureCaps(bool pow2, bool squareOnly, bool dynamicTextures) {
    std::lock_guard lock(g_mutex);
    g_state.pow2 = pow2;
    g_state.square = squareOnly;
    g_state.dynamic = dynamicTextures;
}

bool TexturesPow2() {
    std::lock_guard lock(g_mutex);
    return g_state.pow2;
}
bool TexturesSquareOnly() {
    std::lock_guard lock(g_mutex);
    return g_state.square;
}
bool DynamicTextures() {
    std::lock_guard lock(g_mutex);
    return g_state.dynamic;
}
unsigned MaxTextureSize() {
    // As large a side as the DirectDraw-like surfaces take, so that every work surface play can ask
    // for (the darkness of the widest sight among them) is made under either back-end.
    return 16384;
}

void FailCreateDevice(int count, bool hardwareOnly) {
    std::lock_guard lock(g_mutex);
    g_state.failDevice = count;
    g_state.failHardwareOnly = hardwareOnly;
}

bool ConsumeCreateDeviceFailure(bool hardwareVertexProcessing) {
    std::lock_guard lock(g_mutex);
    if (g_state.failDevice <= 0) return false;
    if (g_state.failHardwareOnly && !hardwareVertexProcessing) return false;
    --g_state.failDevice;
    return true;
}

void SetNoDirect3D(bool noDirect3D) {
    std::lock_guard lock(g_mutex);
    g_state.noD3D = noDirect3D;
}
bool NoDirect3D() {
    std::lock_guard lock(g_mutex);
    return g_state.noD3D;
}
void SetNoDirectDraw(bool noDirectDraw) {
    std::lock_guard lock(g_mutex);
    g_state.noDD = noDirectDraw;
}
bool NoDirectDraw() {
    std::lock_guard lock(g_mutex);
    return g_state.noDD;
}

void SetVideoMemoryBudget(std::size_t bytes) {
    std::lock_guard lock(g_mutex);
    g_state.budget = bytes;
}
std::size_t VideoMemoryBudget() {
    std::lock_guard lock(g_mutex);
    return g_state.budget;
}

void FailLocks(int count) {
    std::lock_guard lock(g_mutex);
    g_state.failLocks = count;
}
bool ConsumeLockFailure() {
    std::lock_guard lock(g_mutex);
    if (g_state.failLocks <= 0) return false;
    --g_state.failLocks;
    return true;
}

void LoseDevice(int lostPolls) {
    if (auto f = g_loseDevice.load()) f(lostPolls);
}
void LoseSurfaces() {
    if (auto f = g_loseSurfaces.load()) f();
}

} // namespace gfx::sim
