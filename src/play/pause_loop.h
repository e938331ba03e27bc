// The pause loop: while the game thread waits inside a frame (a message window waiting for confirm,
// the stage-clear tally, a timed wait, a picture shown by a command), a second frame loop on thPause
// keeps the screen alive: it paces, samples input, draws the frozen frame and presents it until the
// wait is over. Only one of the two threads runs the scene at a time: the starter fills the wait
// fields, starts thPause and blocks until it has ended, then reads m_bWaitClosed.
//
// A close while the loop runs (m_bClosing, set by the window thread) stops the drawing at once; the
// loop then ends on WM_QUIT, or by itself 2,000 ms later.
#pragma once

#include "play/play_scene.h"

class cGameScene;

// The wait the pause loop serves: `kind` 1 confirms with sound 12 (others with sound 1); with
// `confirm` set the loop waits for a confirm press after a delay of 10 frames (none with `noDelay`
// or when kind is not 1), else it runs `frames` frames. m_bWaitClosed is cleared.
void SetPauseWait(cGameScene& scene, int kind, int confirm, int frames, int noDelay);

// Starts thPause with PauseLoop on the scene and waits until the loop has ended. False when the
// thread could not be started (that is reported and closes the program).
bool RunPauseLoop(cGameScene& scene);

// The frozen frame of the stage as the pause and ranking loops show it. Until the stage drawing is
// in place this leaves the back buffer as the last frame left it.
void DrawFrozenFrame(cGameScene& scene);
// The replay keys (saving this play's or the previous play's replay) served during a wait; true when
// one was served, and that pass draws nothing. None are served until replay saving is in place.
bool ServeReplayHotKeys(cGameScene& scene);
