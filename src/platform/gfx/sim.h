// Test controls of the graphics stand-ins: device capabilities, vertical-blank emulation, and
// failures injected into device creation, video memory, locks and the display (surface and device
// loss). Every setting is process-wide; ResetSimulation() puts all back to the defaults.
#pragma once
#include <cstddef>

namespace gfx::sim {

void ResetSimulation();

// Vertical blank at 60 Hz (on by default): Flip(DDFLIP_WAIT), WaitForVerticalBlank and Present with
// interval DEFAULT/ONE wait for it. Tests that present many frames switch it off.
void SetVerticalBlankEmulation(bool on);
bool VerticalBlankEmulation();
// Waits for the start of the next blank (returns at once when emulation is off). Blank k begins at
// k * 1/60 s of the blank clock (exactly 60 in every second), and a wait that starts on a blank waits
// for the following one.
void WaitForVerticalBlank();
// Blanks waited for (while emulation was on) since start-up or the last ResetSimulation.
unsigned long long VerticalBlankWaits();

// The clock the blanks keep: the monotonic clock unless a test puts its own in place, for example one
// that moves only when told to, so that pacing is checked without real time passing.
class BlankClock {
  public:
    virtual ~BlankClock() = default;
    // Nanoseconds since a fixed start (never negative).
    virtual long long Now() = 0;
    // Returns at `ns` or later; a manual clock moves itself there.
    virtual void WaitUntil(long long ns) = 0;
};
// Puts `clock` in place (null: back to the monotonic clock). The caller keeps it alive while it is in
// place; ResetSimulation does not change it.
void SetBlankClock(BlankClock* clock);
// The start of the first blank after `ns` on a 60 Hz clock.
long long NextBlankAfter(long long ns);

// Capabilities reported by the Direct3D-like factory (default: none of the three restrictions,
// dynamic textures offered, 16384 x 16384 textures and plain surfaces at most).
void SetTextureCaps(bool pow2, bool squareOnly, bool dynamicTextures);
bool TexturesPow2();
bool TexturesSquareOnly();
bool DynamicTextures();
unsigned MaxTextureSize();

// Device creation failures: the next `count` CreateDevice calls fail (hardwareOnly: only those asking
// for hardware vertex processing). Direct3DCreate9 returns null while `noDirect3D` is set.
void FailCreateDevice(int count, bool hardwareOnly);
void SetNoDirect3D(bool noDirect3D);
bool ConsumeCreateDeviceFailure(bool hardwareVertexProcessing);
bool NoDirect3D();
// DirectDrawCreateEx fails while set.
void SetNoDirectDraw(bool noDirectDraw);
bool NoDirectDraw();

// Video memory: DEFAULT-pool textures and render targets (Direct3D) and video-memory surfaces
// (DirectDraw) fail with "out of video memory" once their bytes would pass the budget.
void SetVideoMemoryBudget(std::size_t bytes);
std::size_t VideoMemoryBudget();

// The next `count` locks (surface, texture, vertex or index buffer) fail.
void FailLocks(int count);
bool ConsumeLockFailure();

// Device loss: the live Direct3D-like device reports D3DERR_DEVICELOST from Present and from the next
// `lostPolls` TestCooperativeLevel calls, then D3DERR_DEVICENOTRESET until Reset.
void LoseDevice(int lostPolls = 1);
// Every live video-memory DirectDraw-like surface (and the primary chain) is lost until Restore.
void LoseSurfaces();

// Used by the devices themselves: where LoseDevice and LoseSurfaces act.
void RegisterLossHooks(void (*loseDevice)(int), void (*loseSurfaces)());

} // namespace gfx::sim
