#include "platform/messages.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace win {

struct WindowObject {
    WNDPROC proc = nullptr;
    ThreadId owner = 0;
};

namespace {

// A request waiting to be served by the window's thread: sent (its sender waits for the result) or
// queued (nobody waits).
struct SentRequest {
    MSG msg;
    LRESULT result = 0;
    bool done = false;
    bool awaited = true;
};

struct Queue {
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentRequest>> sent;
};

// One lock guards every queue: messages are few per frame, and a single lock keeps the
// hand-over between threads simple to reason about. The registry is never destroyed, so that a
// thread still ending after the program's static objects are gone can remove its queue safely.
struct Registry {
    std::mutex lock;
    std::condition_variable changed;
    std::map<ThreadId, std::shared_ptr<Queue>> queues;
};
Registry& R() {
    static Registry* registry = new Registry;
    return *registry;
}
// The wake-up of a thread in WaitMessageOrReadable: an eventfd written while it waits.
int g_wakeFd = -1;
std::atomic<bool> g_fdWaiting{false};

// Threads waiting on `changed` for a WakeMessageWaiters call besides messages (under the lock).
int g_wakeupWaiters = 0;

// Wakes the thread waiting in WaitMessageOrReadable's poll, if one is.
void NotifyFdWaiter() {
    if (g_fdWaiting.load()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_wakeFd, &one, sizeof one);
    }
}

// Wakes every waiting thread (after a change made under the registry's lock).
void NotifyWaiters() {
    R().changed.notify_all();
    NotifyFdWaiter();
}

// Counts a thread in a wait that ends on a WakeMessageWaiters call while it waits (lock held).
struct WakeupWaiter {
    WakeupWaiter() { ++g_wakeupWaiters; }
    ~WakeupWaiter() { --g_wakeupWaiters; }
    WakeupWaiter(const WakeupWaiter&) = delete;
    WakeupWaiter& operator=(const WakeupWaiter&) = delete;
};

std::atomic<bool> g_aborting{false};
std::atomic<ThreadId> g_nextThreadId{1};

DWORD Now() {
    using namespace std::chrono;
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Removes the thread's queue when the thread ends, so that posting to it fails again.
struct QueueOwner {
    ThreadId id = 0;
    ~QueueOwner() {
        if (id == 0) return;
        std::lock_guard lock(R().lock);
        R().queues.erase(id);
    }
};

thread_local ThreadId t_id = 0;
thread_local QueueOwner t_owner;

// The calling thread's queue, created on first use as the platform does.
std::shared_ptr<Queue> OwnQueueLocked() {
    ThreadId id = GetCurrentThreadId();
    auto& q = R().queues[id];
    if (!q) {
        q = std::make_shared<Queue>();
        t_owner.id = id;
    }
    return q;
}

std::shared_ptr<Queue> FindQueueLocked(ThreadId id) {
    auto it = R().queues.find(id);
    return it == R().queues.end() ? nullptr : it->second;
}

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
    if (hwnd && m.hwnd != hwnd) return false;
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

// Gives an awaited request its result and wakes its sender.
void Answer(SentRequest& req, LRESULT result) {
    if (!req.awaited) return;
    {
        std::lock_guard lock(R().lock);
        req.result = result;
        req.done = true;
    }
    NotifyWaiters();
}

// Serves every request sent to this thread; called without the lock held.
void ServeSent() {
    for (;;) {
        std::shared_ptr<SentRequest> req;
        {
            std::lock_guard lock(R().lock);
            auto q = FindQueueLocked(GetCurrentThreadId());
            if (!q || q->sent.empty()) return;
            req = q->sent.front();
            q->sent.pop_front();
        }
        LRESULT r = 0;
        try {
            if (req->msg.hwnd && req->msg.hwnd->proc)
                r = req->msg.hwnd->proc(req->msg.hwnd, req->msg.message, req->msg.wParam, req->msg.lParam);
        } catch (...) {
            // The sender is answered (0) before the failure goes on to the caller: it never waits
            // for a request nobody serves any more.
            Answer(*req, 0);
            throw;
        }
        Answer(*req, r);
    }
}

bool TakePostedLocked(Queue& q, MSG* out, HWND hwnd, UINT lo, UINT hi, bool remove) {
    auto it = std::find_if(q.posted.begin(), q.posted.end(),
                           [&](const MSG& m) { return Matches(m, hwnd, lo, hi); });
    if (it == q.posted.end()) return false;
    if (out) *out = *it;
    if (remove) q.posted.erase(it);
    return true;
}

// Adds a posted message to a queue (lock held). False when there is no memory for it: the post
// fails, as a post to a full queue does, instead of throwing out of the poster (a close that asks
// the game thread to end while memory is short).
bool PushPostedLocked(Queue& q, const MSG& m) {
    try {
        q.posted.push_back(m);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace

ThreadId GetCurrentThreadId() {
    if (t_id == 0) t_id = g_nextThreadId.fetch_add(1);
    return t_id;
}

HWND CreateMainWindowObject(WNDPROC proc) {
    auto* w = new WindowObject{proc, GetCurrentThreadId()};
    std::lock_guard lock(R().lock);
    OwnQueueLocked();
    return w;
}

void DestroyMainWindowObject(HWND hwnd) {
    if (!hwnd) return;
    std::unique_lock lock(R().lock);
    // Requests still waiting for this window are answered with 0.
    if (auto q = FindQueueLocked(hwnd->owner)) {
        for (auto& req : q->sent)
            if (req->msg.hwnd == hwnd) req->done = true;
        std::erase_if(q->sent, [&](const auto& req) { return req->msg.hwnd == hwnd; });
        std::erase_if(q->posted, [&](const MSG& m) { return m.hwnd == hwnd; });
    }
    lock.unlock();
    NotifyWaiters();
    delete hwnd;
}

ThreadId GetWindowThreadId(HWND hwnd) {
    return hwnd ? hwnd->owner : 0;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(R().lock);
        std::shared_ptr<Queue> q = hwnd ? FindQueueLocked(hwnd->owner) : OwnQueueLocked();
        if (!q || !PushPostedLocked(*q, MSG{hwnd, msg, wParam, lParam, Now()})) return FALSE;
    }
    NotifyWaiters();
    return TRUE;
}

BOOL PostThreadMessage(ThreadId thread, UINT msg, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(R().lock);
        auto q = FindQueueLocked(thread);
        if (!q || !PushPostedLocked(*q, MSG{nullptr, msg, wParam, lParam, Now()})) return FALSE;
    }
    NotifyWaiters();
    return TRUE;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!hwnd) return 0;
    if (hwnd->owner == GetCurrentThreadId()) return hwnd->proc ? hwnd->proc(hwnd, msg, wParam, lParam) : 0;
    if (g_aborting) return 0;
    auto req = std::make_shared<SentRequest>();
    req->msg = MSG{hwnd, msg, wParam, lParam, Now()};
    std::unique_lock lock(R().lock);
    auto q = FindQueueLocked(hwnd->owner);
    if (!q) return 0;
    q->sent.push_back(req);
    NotifyWaiters();
    // Shut-down ends the wait; the request may still be served later and is then simply dropped.
    R().changed.wait(lock, [&] { return req->done || g_aborting.load(); });
    if (!req->done) std::erase(q->sent, req);
    return req->done ? req->result : 0;
}

namespace {
// Whether the window thread has been woken for the requests queued since the last announcement, and
// whether requests were queued after that wake-up.
std::atomic<bool> g_queueWoken{false};
std::atomic<bool> g_queueUnannounced{false};
} // namespace

void QueueRequest(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!hwnd) return;
    if (hwnd->owner == GetCurrentThreadId()) {
        if (hwnd->proc) hwnd->proc(hwnd, msg, wParam, lParam);
        return;
    }
    if (g_aborting) return;
    auto req = std::make_shared<SentRequest>();
    req->msg = MSG{hwnd, msg, wParam, lParam, Now()};
    req->awaited = false;
    {
        std::lock_guard lock(R().lock);
        auto q = FindQueueLocked(hwnd->owner);
        if (!q) return;
        q->sent.push_back(std::move(req));
    }
    // Marked after the request is in line, so that an announcement that misses the mark finds the
    // request served or marked for the next one.
    if (!g_queueWoken.exchange(true))
        NotifyWaiters();
    else
        g_queueUnannounced = true;
}

void AnnounceQueuedRequests() {
    g_queueWoken = false;
    if (g_queueUnannounced.exchange(false)) NotifyWaiters();
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    ServeSent();
    std::lock_guard lock(R().lock);
    auto q = OwnQueueLocked();
    return TakePostedLocked(*q, msg, hwnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    for (;;) {
        ServeSent();
        std::unique_lock lock(R().lock);
        auto q = OwnQueueLocked();
        if (TakePostedLocked(*q, msg, hwnd, filterMin, filterMax, true))
            return msg->message == WM_QUIT ? FALSE : TRUE;
        R().changed.wait(lock, [&] {
            return !q->sent.empty() || std::any_of(q->posted.begin(), q->posted.end(), [&](const MSG& m) {
                return Matches(m, hwnd, filterMin, filterMax);
            });
        });
    }
}

namespace {
// Counts WakeMessageWaiters calls (under the registry's lock).
std::uint64_t g_wakeups = 0;
} // namespace

void WaitMessageTimeout(DWORD ms) {
    std::unique_lock lock(R().lock);
    auto q = OwnQueueLocked();
    const std::uint64_t wakeups = g_wakeups;
    const WakeupWaiter counted;
    R().changed.wait_for(lock, std::chrono::milliseconds(ms), [&] {
        return !q->sent.empty() || !q->posted.empty() || g_aborting.load() || g_wakeups != wakeups;
    });
}

std::uint64_t MessageWakeups() {
    std::lock_guard lock(R().lock);
    return g_wakeups;
}

void WaitMessageOrReadable(DWORD ms, int fd, std::uint64_t wakeupsSeen) {
    static const int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    {
        std::unique_lock lock(R().lock);
        auto q = OwnQueueLocked();
        if (fd < 0 || wake < 0) {
            const WakeupWaiter counted;
            R().changed.wait_for(lock, std::chrono::milliseconds(ms), [&] {
                return !q->sent.empty() || !q->posted.empty() || g_aborting.load() ||
                       g_wakeups != wakeupsSeen;
            });
            return;
        }
        if (!q->sent.empty() || !q->posted.empty() || g_aborting.load() || g_wakeups != wakeupsSeen) return;
        // Whatever changes from here on is made under the lock and then written to `wake`.
        g_wakeFd = wake;
        g_fdWaiting = true;
    }
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    ::poll(fds, 2, static_cast<int>(std::min<DWORD>(ms, 0x7FFFFFFF)));
    g_fdWaiting = false;
    std::uint64_t count = 0;
    while (::read(wake, &count, sizeof count) > 0) {
    }
}

void WakeMessageWaiters() {
    bool waiters = false;
    {
        std::lock_guard lock(R().lock);
        ++g_wakeups;
        waiters = g_wakeupWaiters > 0;
    }
    // Threads waiting for messages alone (GetMessage) have nothing to look at: they sleep on.
    if (waiters) R().changed.notify_all();
    NotifyFdWaiter();
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg || !msg->hwnd || !msg->hwnd->proc) return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    {
        std::lock_guard lock(R().lock);
        OwnQueueLocked()->posted.push_back(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0, Now()});
    }
    NotifyWaiters();
}

void BeginAbort() {
    {
        std::lock_guard lock(R().lock);
        g_aborting = true;
    }
    NotifyWaiters();
}

bool IsAborting() {
    return g_aborting;
}

void ResetMessageModelForTests() {
    std::lock_guard lock(R().lock);
    g_aborting = false;
    g_queueWoken = false;
    g_queueUnannounced = false;
    for (auto& [id, q] : R().queues) {
        q->posted.clear();
        q->sent.clear();
    }
}

} // namespace win
