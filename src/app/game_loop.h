// The game thread's frame loop: pacing, the frame counter, input, the scene of the frame, the
// frame-rate measure and display, and presenting the finished frame.
#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <string>

// The last wParam of WM_ACTIVATEAPP: 0 while the application is in the background.
extern std::atomic<int> g_bActive;
// Frames run by RunFrame since start-up.
extern std::atomic<unsigned> g_nFrameCount;
// Frames counted in the last complete second, and the last frame's work time in milliseconds.
extern int g_nFps;
extern unsigned g_nFrameMs;
// 1 when a full-screen DirectDraw display presents by copying instead of flipping.
extern int g_bSelfTimed;

// What the frame loop needs of the drawing library. The drawing library fills these in when it
// starts; until then hooks that draw nothing stand in (a Direct3D-like back-end without vertical
// sync, paced by DrawFpsAverage).
struct DrawingHooks {
    bool (*direct3DActive)();
    bool (*directDrawActive)();
    // DirectDraw: the lost-surface recovery of every surface; false when it fails.
    bool (*restoreSurfaces)();
    // Direct3D: ends the frame and presents it, pacing with DrawFpsAverage when vertical sync is
    // off; false when the device is lost.
    bool (*presentDirect3D)(int rate);
    // DirectDraw: blit or flip the back buffer to the screen.
    void (*presentDirectDraw)();
    // Draws the frame-rate text into the back buffer: `showFps` 2 the small font at (549, 469),
    // other values the text font in a rectangle at (495, 463).
    void (*drawFpsText)(int showFps, const std::string& text);
    // The settings word ShowFps.
    int (*showFpsSetting)();
    // DirectDraw in a window: WM_PAINT shows the last finished frame in the client area again (on the
    // window thread, which never reads the back buffer the game thread draws into).
    void (*repaintDirectDraw)();
    // DirectDraw: WM_QUERYNEWPALETTE / WM_PALETTECHANGED put the palette on the primary surface.
    void (*applyPalette)();
    // Direct3D: the device-lost recovery, run on the window thread (WM_USER+100).
    void (*restoreDevice)();
};
extern DrawingHooks g_DrawingHooks;
// Back to the hooks that draw nothing.
void ResetDrawingHooks();

// The median of the frames' work times: each frame's time is counted in steps of 50 microseconds up
// to 200 ms, every longer frame in one last step, so that a session of any length takes the same
// room.
class cFrameWorkMedian {
  public:
    void Add(std::chrono::nanoseconds work);
    // The middle frame's step (the lower of the two middle ones for an even count), in milliseconds
    // at the step's middle; 0 before any frame.
    double MedianMs() const;
    unsigned Frames() const { return m_nFrames; }

    static constexpr int STEP_US = 50;
    static constexpr int STEPS = 4001;

  private:
    std::array<unsigned, STEPS> m_Counts{};
    unsigned m_nFrames = 0;
};

// The game loop; when it ends (WM_QUIT) the report gets the frames it ran, the time since the first
// and the median of their work (each frame from the end of its pacing wait to its present).
unsigned GameLoop(void* argument);
// One frame; false only when lost surfaces could not be restored.
bool RunFrame();
void WaitFrame();
bool RestoreSurfaces();
// Presents the back buffer; every frame presented (by the game thread or a pause or ranking loop)
// is counted. The requests the frame queued for the window thread (its sounds) are announced first.
void PresentFrame();

// A frame of a pause or ranking loop that ends its wait without drawing (it has paced and sampled
// input as every frame does): counted with the presented frames against the frame limit. Its queued
// requests are announced as a presented frame's are.
void CountFrameNotPresented();

// Test tooling, off unless MIRELDA4_FRAME_LIMIT=n is set (read when the game loop starts): the
// player closes after exactly n frames, the presented ones and the frames a pause or ranking loop
// ends its wait in without drawing. Once the n-th frame has run this is true: the pause and ranking
// loops end, no wait starts, and the game loop finishes its frame, asks for the close and runs no
// frame more, so that a scripted run always ends at the same play step.
bool FrameLimitReached();
// While something holds the play (a dialog waiting for the close), no frame is presented: the time
// the frames the limit still allows take at the game's frame rate, in milliseconds. False when no
// limit is set.
bool TimeLeftBeforeFrameLimit(unsigned& ms);
// The same limit for a player run inside another program (0: none), its frames counted from now.
void SetFrameLimit(unsigned frames);
// The frames presented since then.
unsigned PresentedFrames();

bool FrameTimerDue(int rate);
// Sleeps until FrameTimerDue(rate) is true and takes that frame: the DirectDraw frame timer.
void WaitFrameTimer(int rate);
void FrameStamp();
unsigned FrameElapsed(int bUpdate);
unsigned MeasureFps(int bUpdate);
bool DrawFpsAverage(int rate, int debugA, int debugB);
// Sleeps until DrawFpsAverage(rate, ...) is true and takes that present: the Direct3D pacing without
// vertical sync.
void WaitPresentDue(int rate);
bool FrameTimerTick(int mode, int n);
// The running average of the last 16 frame work times shown after the frame rate.
int FpsAverage();

// Back to the state at start-up (first calls not made yet, counters 0); for tests.
void ResetFrameTimers();

// A frame loop that draws nothing (paced, restoring surfaces, sampling input, presenting) until
// WM_QUIT; for the worker threads whose own loops are not built yet.
unsigned FrameLoopUntilQuit();
