#include "platform/signals.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace win {
namespace {

std::thread g_watcher;
std::atomic<bool> g_stopping{false};

sigset_t CloseSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    // A closed terminal or a logout: the same close, so that the window placement is written.
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

void StartCloseSignalWatcher(std::function<void()> onSignal) {
    if (g_watcher.joinable()) return;
    // A write past the file-size limit fails (EFBIG) and is told as a full disk is, instead of
    // ending the process in the middle of a save.
    std::signal(SIGXFSZ, SIG_IGN);
    sigset_t set = CloseSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    g_stopping = false;
    g_watcher = std::thread([set, onSignal = std::move(onSignal)] {
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
    pthread_kill(g_watcher.native_handle(), SIGTERM);
    g_watcher.join();
}

} // namespace win
