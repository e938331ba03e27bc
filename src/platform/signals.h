// SIGINT, SIGTERM and SIGHUP take the same road as the window's close box: a watcher thread turns
// each into a call of the given function (which posts WM_CLOSE to the main window). SIGXFSZ is
// ignored, so that a write past the file-size limit fails like any other failed write. A close signal
// that was ignored when the process started (under "nohup", say) stays ignored.
#pragma once
#include <functional>

namespace win {

// Blocks those of SIGINT, SIGTERM and SIGHUP that are not ignored in the calling thread: one that
// arrives from now on waits for the watcher instead of ending the process. Call it as the process
// starts, before anything that takes time.
void HoldCloseSignals();
// Ignores SIGXFSZ, blocks those of SIGINT, SIGTERM and SIGHUP that are not ignored in the calling
// thread, and so in every thread started after it, and starts the watcher (none when all three are
// ignored). Call it first, on the process's first thread. Throws std::bad_alloc when there is no memory
// for the watcher.
void StartCloseSignalWatcher(std::function<void()> onSignal);
// Ends the watcher (the signals stay blocked).
void StopCloseSignalWatcher();

} // namespace win
