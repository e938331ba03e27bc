#include "platform/messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <iterator>
#include <new>
#include <unistd.h>
#include <thread>
#include <vector>

using namespace win;

namespace {

std::vector<UINT> g_seen;

LRESULT RecordingProc(HWND, UINT msg, WPARAM wParam, LPARAM) {
    g_seen.push_back(msg);
    return static_cast<LRESULT>(wParam * 2);
}

class MessageModel : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetMessageModelForTests();
        g_seen.clear();
        hwnd = CreateMainWindowObject(RecordingProc);
    }
    void TearDown() override {
        DestroyMainWindowObject(hwnd);
        ResetMessageModelForTests();
    }
    HWND hwnd = nullptr;
};

} // namespace

TEST_F(MessageModel, PostedMessagesArriveInOrderAndFilter) {
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    PostMessage(hwnd, WM_CLOSE, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_CLOSE);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageModel, ThreadMessagesNeedTheThreadsQueue) {
    std::atomic<ThreadId> id{0};
    std::atomic<bool> gotQuit{false};
    std::thread worker([&] {
        id = GetCurrentThreadId();
        MSG m;
        // No queue until the thread first looks at it: posts fail until then.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE);
        while (GetMessage(&m, nullptr, 0, 0)) {
        }
        gotQuit = true;
    });
    while (id == 0)
        std::this_thread::yield();
    int tries = 0;
    while (!PostThreadMessage(id, WM_APP, 0, 0)) {
        ++tries;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GT(tries, 0);
    EXPECT_TRUE(PostThreadMessage(id, WM_QUIT, 0, 0));
    worker.join();
    EXPECT_TRUE(gotQuit);
    // The queue went with the thread.
    EXPECT_FALSE(PostThreadMessage(id, WM_APP, 0, 0));
}

TEST_F(MessageModel, SendFromWorkerIsServedWhileTheWindowThreadPumps) {
    std::atomic<LRESULT> result{-1};
    std::thread worker([&] { result = SendMessage(hwnd, WM_USER + 5, 21, 0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the request is waiting by now
    PostMessage(hwnd, WM_USER + 9, 0, 0);
    MSG m;
    while (result == -1) {
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_EQ(result, 42);
    // The sent request was served before the message posted ahead of it.
    ASSERT_GE(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0], WM_USER + 5);
    EXPECT_EQ(g_seen[1], WM_USER + 9);
}

// A request whose procedure runs out of memory on the window thread is still answered (0): its
// sender goes on, and the failure goes on to the window thread's caller.
TEST_F(MessageModel, ASendWhoseProcedureRunsOutOfMemoryIsAnsweredAndTheFailureGoesOn) {
    HWND failing =
        CreateMainWindowObject([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { throw std::bad_alloc(); });
    std::atomic<LRESULT> result{-1};
    std::thread sender([&] { result = SendMessage(failing, WM_USER + 5, 21, 0); });
    MSG m;
    bool thrown = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!thrown && std::chrono::steady_clock::now() < deadline) {
        try {
            PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
        } catch (const std::bad_alloc&) {
            thrown = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(thrown);
    while (result == -1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(result, 0);
    if (result == -1) {
        // A sender left waiting is let go so that the test program can end.
        BeginAbort();
    }
    sender.join();
    DestroyMainWindowObject(failing);
}

TEST_F(MessageModel, SendOnTheWindowsOwnThreadCallsTheProcedure) {
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 5, 0), 10);
    EXPECT_EQ(g_seen.size(), 1u);
}

TEST_F(MessageModel, AbortEndsPendingAndNewSends) {
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        SendMessage(hwnd, WM_USER + 2, 1, 0);
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned);
    auto start = std::chrono::steady_clock::now();
    BeginAbort();
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(returned);
    std::thread late([&] { EXPECT_EQ(SendMessage(hwnd, WM_USER + 2, 1, 0), 0); });
    late.join();
    // The abandoned request is never served afterwards.
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessage(&m);
    EXPECT_TRUE(g_seen.empty());
}

// The window thread's wait between two looks at the window ends for each thing that wants a look,
// from another thread while it waits: a message to it, a wake-up after the count it saw, the display's
// connection becoming readable. A wake-up counted before it looked does not end it, nor one seen.
TEST_F(MessageModel, TheWaitOnTheDisplayEndsForEachThingThatWantsALook) {
    using namespace std::chrono;
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const std::function<void()> causes[] = {
        [&] { PostMessage(hwnd, WM_USER + 3, 0, 0); },
        [] { WakeMessageWaiters(); },
        [&] { ASSERT_EQ(write(pipeFds[1], "x", 1), 1); },
    };
    for (int fd : {pipeFds[0], -1}) {
        for (std::size_t k = 0; k < std::size(causes); ++k) {
            if (fd < 0 && k == 2) continue; // no connection to watch
            const std::uint64_t seen = MessageWakeups();
            std::thread cause([&] {
                std::this_thread::sleep_for(milliseconds(30));
                causes[k]();
            });
            const auto start = steady_clock::now();
            WaitMessageOrReadable(20000, fd, seen);
            EXPECT_LT(steady_clock::now() - start, seconds(10)) << "cause " << k << " fd " << fd;
            cause.join();
            MSG m;
            while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
            }
            char c;
            if (k == 2) {
                ASSERT_EQ(read(pipeFds[0], &c, 1), 1);
            }
        }
        // Seen already: the wait runs its time out.
        WakeMessageWaiters();
        const auto start = steady_clock::now();
        WaitMessageOrReadable(60, fd, MessageWakeups());
        EXPECT_GE(steady_clock::now() - start, milliseconds(50)) << "fd " << fd;
        // Counted after the look: the wait does not begin at all.
        const std::uint64_t before = MessageWakeups();
        WakeMessageWaiters();
        const auto again = steady_clock::now();
        WaitMessageOrReadable(20000, fd, before);
        EXPECT_LT(steady_clock::now() - again, seconds(10)) << "fd " << fd;
    }
    close(pipeFds[0]);
    close(pipeFds[1]);
}

// A timed wait for messages also ends for a wake-up from another thread while it waits, while a
// thread waiting for messages alone (GetMessage) sleeps on through wake-ups until its message comes.
TEST_F(MessageModel, TimedWaitsEndForAWakeUpAndMessageWaitsForTheirMessage) {
    using namespace std::chrono;
    std::atomic<int> got{0};
    std::atomic<ThreadId> reader{0};
    std::thread getter([&] {
        reader = GetCurrentThreadId();
        MSG m;
        PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the id is known
        while (GetMessage(&m, nullptr, 0, 0))
            got = static_cast<int>(m.wParam);
    });
    while (reader == 0)
        std::this_thread::sleep_for(milliseconds(1));
    std::thread cause([] {
        std::this_thread::sleep_for(milliseconds(30));
        WakeMessageWaiters();
    });
    const auto start = steady_clock::now();
    WaitMessageTimeout(20000);
    EXPECT_LT(steady_clock::now() - start, seconds(10));
    cause.join();
    EXPECT_EQ(got, 0);
    while (!PostThreadMessage(reader, WM_USER, 7, 0))
        std::this_thread::sleep_for(milliseconds(1));
    while (got == 0)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(got, 7);
    PostThreadMessage(reader, WM_QUIT, 0, 0);
    getter.join();
}

namespace {

// Runs `queue` on a thread of its own; true when it returned while this thread, the window's, served
// nothing. (Otherwise this thread serves the window until it returns.)
bool QueuesWithoutWaiting(const std::function<void()>& queue) {
    using namespace std::chrono;
    std::atomic<bool> queued{false};
    std::thread worker([&] {
        queue();
        queued = true;
    });
    const auto deadline = steady_clock::now() + seconds(5);
    while (!queued && steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(1));
    const bool withoutWaiting = queued;
    MSG m;
    while (!queued) {
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
        std::this_thread::sleep_for(milliseconds(1));
    }
    worker.join();
    return withoutWaiting;
}

} // namespace

// A queued request: on the window's own thread the procedure runs at once; from another thread the
// caller goes on without anybody serving it, and the window thread later serves it in its place among
// the requests sent to it, before posted messages. Requests queued after shut-down has begun, or
// still waiting when the window goes, are never served.
TEST_F(MessageModel, QueuedRequestsKeepTheirPlaceWithoutTheirCallerWaiting) {
    QueueRequest(hwnd, WM_USER + 1, 0, 0);
    EXPECT_EQ(g_seen, (std::vector<UINT>{WM_USER + 1}));
    g_seen.clear();

    EXPECT_TRUE(QueuesWithoutWaiting([&] {
        PostMessage(hwnd, WM_USER + 9, 0, 0);
        QueueRequest(hwnd, WM_USER + 5, 1, 0);
        QueueRequest(hwnd, WM_USER + 6, 2, 0);
    }));
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessage(&m);
    EXPECT_EQ(g_seen, (std::vector<UINT>{WM_USER + 5, WM_USER + 6, WM_USER + 9}));

    g_seen.clear();
    EXPECT_TRUE(QueuesWithoutWaiting([&] { QueueRequest(hwnd, WM_USER + 5, 5, 0); }));
    DestroyMainWindowObject(hwnd);
    hwnd = CreateMainWindowObject(RecordingProc);
    BeginAbort();
    EXPECT_TRUE(QueuesWithoutWaiting([&] { QueueRequest(hwnd, WM_USER + 5, 6, 0); }));
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
        DispatchMessage(&m);
    EXPECT_TRUE(g_seen.empty());
}
