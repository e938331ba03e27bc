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
// Waits for the next 60 Hz tick of the monotonic clock (returns at once when emulation is off).
void WaitForVerticalBlank();

// Capabilities reported by the Direct3D-like factory (default: none of the three restrictions,
// dynamic textures offered, 4096 x 4096 textures at most).
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
