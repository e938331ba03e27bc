#include "platform/signals.h"

#include "platform/threads.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace win {
namespace {

std::thread g_watcher;
std::atomic<bool> g_stopping{false};
// A signal of the watched set, sent to the watcher to end it.
int g_wakeSignal = 0;

bool IgnoredAtStart(int sig) {
    struct sigaction current {};
    return sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

// The close signals, less those the player was started with ignored ("nohup", a shell's "trap ''"):
// whoever started it asked for them not to end it, so they stay ignored.
sigset_t CloseSignals(int& watched) {
    sigset_t set;
    sigemptyset(&set);
    watched = 0;
    // A closed terminal or a logout is the same close, so that the window placement is written.
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        if (IgnoredAtStart(sig)) continue;
        sigaddset(&set, sig);
        if (watched == 0) watched = sig;
    }
    return set;
}

} // namespace

void HoldCloseSignals() {
    int first = 0;
    const sigset_t set = CloseSignals(first);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void StartCloseSignalWatcher(std::function<void()> onSignal) {
    if (g_watcher.joinable()) return;
    // A write past the file-size limit fails (EFBIG) and is told as a full disk is, instead of
    // ending the process in the middle of a save.
    std::signal(SIGXFSZ, SIG_IGN);
    sigset_t set = CloseSignals(g_wakeSignal);
    if (g_wakeSignal == 0) return; // every close signal is ignored: nothing to watch
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    g_stopping = false;
    // No memory for the thread (its stack) throws std::bad_alloc: told as memory running out.
    g_watcher = StartStdThread([set, onSignal = std::move(onSignal)] {
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) != 0) continue;
            if (g_stopping) return;
            if (onSignal) onSignal();
        }
    });
}

void StopCloseSignalWatcher() {
    if (!g_watcher.joinable()) return;
    g_stopping = true;
    pthread_kill(g_watcher.native_handle(), g_wakeSignal);
    g_watcher.join();
}

} // namespace win
