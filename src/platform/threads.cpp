#include "platform/threads.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace win {

namespace {

// What the thread itself and its handle share; lives until both are done with it.
struct ThreadShared {
    std::mutex lock;
    std::condition_variable changed;
    bool finished = false;
    DWORD exitCode = 0;
    int suspendCount = 0;
};

thread_local ThreadShared* t_self = nullptr;
std::atomic<int> g_abandoned{0};

} // namespace

struct ThreadObject {
    std::thread thread;
    std::shared_ptr<ThreadShared> shared;
};

std::thread StartStdThread(std::function<void()> body) {
    try {
        return std::thread(std::move(body));
    } catch (const std::system_error& e) {
        if (e.code() == std::errc::resource_unavailable_try_again) throw std::bad_alloc();
        throw;
    }
}

HANDLE BeginThread(ThreadProc proc, void* arg, ThreadId* threadId) {
    auto obj = std::make_unique<ThreadObject>();
    obj->shared = std::make_shared<ThreadShared>();
    std::promise<ThreadId> idPromise;
    std::future<ThreadId> idFuture = idPromise.get_future();
    try {
        obj->thread = StartStdThread([proc, arg, shared = obj->shared, &idPromise] {
            t_self = shared.get();
            idPromise.set_value(GetCurrentThreadId());
            DWORD code = proc(arg);
            t_self = nullptr;
            // What SDL keeps for this thread (its error text, for one) goes with the thread.
            SDL_TLSCleanup();
            {
                std::lock_guard lock(shared->lock);
                shared->exitCode = code;
                shared->finished = true;
            }
            shared->changed.notify_all();
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    ThreadId id = idFuture.get();
    if (threadId) *threadId = id;
    return obj.release();
}

DWORD WaitForSingleObject(HANDLE thread, DWORD ms) {
    if (!thread) return WAIT_OBJECT_0;
    ThreadShared& s = *thread->shared;
    std::unique_lock lock(s.lock);
    if (ms == INFINITE)
        s.changed.wait(lock, [&] { return s.finished; });
    else
        s.changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return s.finished; });
    return s.finished ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD SuspendThread(HANDLE thread) {
    if (!thread) return 0xFFFFFFFF;
    std::lock_guard lock(thread->shared->lock);
    return static_cast<DWORD>(thread->shared->suspendCount++);
}

DWORD ResumeThread(HANDLE thread) {
    if (!thread) return 0xFFFFFFFF;
    ThreadShared& s = *thread->shared;
    DWORD previous;
    {
        std::lock_guard lock(s.lock);
        previous = static_cast<DWORD>(s.suspendCount);
        if (s.suspendCount > 0) --s.suspendCount;
    }
    s.changed.notify_all();
    return previous;
}

int SuspendCount(HANDLE thread) {
    if (!thread) return 0;
    std::lock_guard lock(thread->shared->lock);
    return thread->shared->suspendCount;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* code) {
    if (!thread || !code) return FALSE;
    std::lock_guard lock(thread->shared->lock);
    if (!thread->shared->finished) return FALSE;
    *code = thread->shared->exitCode;
    return TRUE;
}

BOOL CloseHandle(HANDLE thread) {
    if (!thread) return FALSE;
    bool finished;
    {
        std::lock_guard lock(thread->shared->lock);
        finished = thread->shared->finished;
    }
    if (thread->thread.joinable()) {
        if (finished && thread->thread.get_id() != std::this_thread::get_id()) {
            thread->thread.join();
        } else {
            thread->thread.detach();
            if (!finished) g_abandoned.fetch_add(1);
        }
    }
    delete thread;
    return TRUE;
}

bool AnyThreadAbandoned() {
    return g_abandoned.load() > 0;
}

void ParkWhileSuspended() {
    ThreadShared* s = t_self;
    if (!s) return;
    std::unique_lock lock(s->lock);
    while (s->suspendCount > 0 && !IsAborting())
        s->changed.wait_for(lock, std::chrono::milliseconds(1));
}

} // namespace win
