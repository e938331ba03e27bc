#include "app/thread.h"
#include "app/log.h"
#include "platform/time.h"
#include "shell_test_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

using namespace std::chrono;

namespace {

class ThreadObjects : public testsupport::ShellFixture {};

std::atomic<int> g_ticks{0};
std::atomic<bool> g_releaseStubborn{false};

// A worker as the player writes them: looks at its queue every millisecond, ends on WM_QUIT.
unsigned MessageLoop(void*) {
    win::MSG msg;
    for (;;) {
        while (win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE))
            if (msg.message == win::WM_QUIT) return 7;
        ++g_ticks;
        win::Sleep(1);
    }
}

unsigned EndsAtOnce(void*) {
    return 3;
}

// Ignores WM_QUIT until the test lets it go.
unsigned Stubborn(void*) {
    win::MSG msg;
    while (!g_releaseStubborn) {
        win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE);
        win::Sleep(1);
    }
    return 0;
}

unsigned RunsOutOfMemory(void*) {
    throw std::bad_alloc();
}

template <class F> long long MillisecondsOf(F&& f) {
    auto t0 = steady_clock::now();
    f();
    return duration_cast<milliseconds>(steady_clock::now() - t0).count();
}

} // namespace

TEST_F(ThreadObjects, ExitOnIdleObjectDoesNothing) {
    cThread t;
    EXPECT_FALSE(t.HasThread());
    t.Exit();
    EXPECT_TRUE(t.Suspend());
    EXPECT_TRUE(t.Resume());
    EXPECT_EQ(ReportText(), "");
}

TEST_F(ThreadObjects, StartedThreadAcceptsPokeAndEndsOnExit) {
    cThread t;
    ASSERT_TRUE(StartThreadWithQueue(t, &MessageLoop, nullptr, true));
    EXPECT_TRUE(t.HasThread());
    EXPECT_NE(t.m_nThreadId.load(), 0u);
    EXPECT_NE(t.m_nThreadId.load(), win::GetCurrentThreadId());
    t.Exit(); // ends at once: nothing is reported as still busy below
    EXPECT_FALSE(t.HasThread());
    EXPECT_EQ(ReportText(), "");
    // Its queue went with it: posting to it fails again.
    EXPECT_FALSE(win::PostThreadMessage(t.m_nThreadId, win::WM_APP, 0, 0));
}

TEST_F(ThreadObjects, ExitOnEndedThreadReleasesWithoutWaiting) {
    cThread t;
    ASSERT_EQ(t.Start(&EndsAtOnce, nullptr), 1);
    ASSERT_EQ(win::WaitForSingleObject(t.m_hThread, 2000), win::WAIT_OBJECT_0);
    win::DWORD code = 0;
    EXPECT_TRUE(win::GetExitCodeThread(t.m_hThread, &code));
    EXPECT_EQ(code, 3u);
    t.Exit();
    EXPECT_FALSE(t.HasThread());
    EXPECT_EQ(ReportText(), ""); // neither waited for nor given up on
}

// A worker busy in one long step when asked to stop (a picture being read): Exit waits for it
// instead of giving up after 200 polls, so that nothing it uses is released under it.
TEST_F(ThreadObjects, ExitWaitsForABusyThreadToEnd) {
    g_releaseStubborn = false;
    cThread t;
    ASSERT_TRUE(StartThreadWithQueue(t, &Stubborn, nullptr, true));
    // The thread is let go once the wait has said it is still busy, however slow the machine.
    std::thread releaser([this] {
        for (int i = 0; i < 20000 && ReportText().find("still busy") == std::string::npos; ++i)
            std::this_thread::sleep_for(milliseconds(1));
        g_releaseStubborn = true;
    });
    t.Exit();
    releaser.join();
    EXPECT_FALSE(t.HasThread());
    EXPECT_NE(ReportText().find("still busy"), std::string::npos);
    EXPECT_EQ(ReportText().find("did not end"), std::string::npos);
}

TEST_F(ThreadObjects, ThreadThatNeverEndsIsReportedAndLeftAtTheLimit) {
    g_releaseStubborn = false;
    cThread t;
    ASSERT_TRUE(StartThreadWithQueue(t, &Stubborn, nullptr, true));
    const long long ms = MillisecondsOf([&] { t.Exit(300); });
    EXPECT_GE(ms, 300);
    EXPECT_FALSE(t.HasThread());
    EXPECT_NE(ReportText().find("did not end"), std::string::npos);
    EXPECT_TRUE(win::AnyThreadAbandoned());
    g_releaseStubborn = true;
}

TEST_F(ThreadObjects, SuspendParksAtNextSleepAndResumeWakes) {
    cThread t;
    g_ticks = 0;
    ASSERT_TRUE(StartThreadWithQueue(t, &MessageLoop, nullptr, true));
    while (g_ticks < 3)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_TRUE(t.Suspend());
    std::this_thread::sleep_for(milliseconds(20));
    int parked = g_ticks;
    std::this_thread::sleep_for(milliseconds(30));
    EXPECT_LE(g_ticks - parked, 1);
    EXPECT_EQ(win::SuspendCount(t.m_hThread), 1);
    EXPECT_TRUE(t.Resume());
    auto until = steady_clock::now() + seconds(2);
    while (g_ticks < parked + 5 && steady_clock::now() < until)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_GE(g_ticks, parked + 5);
    // A suspended thread is woken by Exit and still ends on its own.
    t.Suspend();
    t.Exit(); // ends at once: nothing is reported as still busy below
    EXPECT_EQ(ReportText(), "");
}

TEST_F(ThreadObjects, WaitReturnsWhenTheThreadEndsOrIsStoppedElsewhere) {
    cThread quick;
    ASSERT_EQ(quick.Start(&EndsAtOnce, nullptr), 1);
    quick.Wait();
    EXPECT_FALSE(quick.HasThread());

    // One thread waits for a loop that another thread stops (the game thread waiting for the
    // ranking loop while the window closes): the waiter comes back, nothing is released twice.
    cThread loop;
    ASSERT_TRUE(StartThreadWithQueue(loop, &MessageLoop, nullptr, true));
    std::atomic<bool> waited{false};
    std::thread waiter([&] {
        loop.Wait();
        waited = true;
    });
    std::this_thread::sleep_for(milliseconds(10));
    EXPECT_FALSE(waited);
    loop.Exit();
    waiter.join();
    EXPECT_TRUE(waited);
    EXPECT_FALSE(loop.HasThread());
}

// Memory that runs out in a worker ends the worker, not the process: the user is told in the memory
// box and the close is asked for; memory that runs out again elsewhere before the close asks for the
// close again without a second box.
TEST_F(ThreadObjects, MemoryRunningOutInAWorkerEndsItWithOneBoxAndTheClose) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ForgetOutOfMemoryTold();
    testing::internal::CaptureStderr();
    cThread t;
    ASSERT_TRUE(StartThreadWithQueue(t, &RunsOutOfMemory, nullptr, true));
    t.Wait();
    EXPECT_TRUE(OutOfMemoryTold());
    OutOfMemory();
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string box = "\xe3\x83\xa1\xe3\x83\xa2\xe3\x83\xaa"; // "メモリ" as UTF-8
    const auto first = err.find(box);
    EXPECT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find(box, first + 1), std::string::npos) << err;
    EXPECT_EQ(TakeCloses(), 2);
    ForgetOutOfMemoryTold();
}
