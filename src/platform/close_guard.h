// The last resort of a close: the window thread may be held inside the video system by a display
// that went away or stopped answering (a wait for an event of a broken connection loops inside the X
// library for ever). A guard thread watches the window thread's calls into the video system; once a
// close is asked for or under way (a close signal, the window being destroyed, the display lost),
// a call held longer than a few seconds, or a call that met the broken connection where the library
// would loop, ends the process through the end function given to StartCloseGuard, from the guard's
// own thread, while the window thread stays where it is.
#pragma once

namespace win {

// Starts the guard (first thread only, before the window exists). `end` runs on the guard's thread
// and must end the process (it writes what can be written without the window thread, releases the
// instance's files and exits); it is also run by ParkInDisplayWait where no guard could be started.
// `heldMs`: how long a call into the video system may be held once a close is under way. A guard
// whose thread finds no memory to start throws std::bad_alloc.
void StartCloseGuard(void (*end)(), int heldMs = 4000);
// Ends the guard once the window is gone and the process ends by itself. When the guard has begun
// the end already, the calling thread waits for it (never returns).
void StopCloseGuard();
// A close is asked for or under way, or the display was lost: from now on a call held in the video
// system is not waited for beyond a few seconds.
void ArmCloseGuard();

// A call into the video system that may wait on the display, for as long as the object lives.
// `mayLoop`: the call may wait for an event in a loop that a broken connection never ends (showing,
// hiding, destroying the window, a change to or from full screen). Where the guard has begun the end
// while the call was held, the thread waits at the object's end for the process to end.
class DisplayWait {
  public:
    explicit DisplayWait(bool mayLoop);
    ~DisplayWait();
    DisplayWait(const DisplayWait&) = delete;
    DisplayWait& operator=(const DisplayWait&) = delete;

  private:
    bool outerLoop_;
};

// Whether the calling thread is inside a DisplayWait that may loop.
bool InLoopingDisplayWait();
// The display's connection broke inside such a call: the calling thread never returns into the
// library's loop; the guard ends the process.
[[noreturn]] void ParkInDisplayWait();

} // namespace win
