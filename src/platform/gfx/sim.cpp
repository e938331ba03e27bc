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
}

void SetVerticalBlankEmulation(bool on) {
    std::lock_guard lock(g_mutex);
    g_state.vblank = on;
}

bool VerticalBlankEmulation() {
    std::lock_guard lock(g_mutex);
    return g_state.vblank;
}

void WaitForVerticalBlank() {
    if (!VerticalBlankEmulation()) return;
    using namespace std::chrono;
    const auto period = nanoseconds(1'000'000'000LL / 60);
    const auto now = steady_clock::now().time_since_epoch();
    const auto next = (now / period + 1) * period;
    std::this_thread::sleep_for(next - now);
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
    return 4096;
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
