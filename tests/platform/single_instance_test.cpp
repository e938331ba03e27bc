#include "platform/signals.h"
#include "platform/single_instance.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <signal.h>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <vector>
#include <unistd.h>

namespace {

class SingleInstance : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/m4instXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        run = tmpl;
        setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    }
    void TearDown() override {
        std::filesystem::remove_all(run);
        unsetenv("XDG_RUNTIME_DIR");
    }
    std::filesystem::path run;
};

TEST_F(SingleInstance, TheMutexExistsWhileAnotherHolderHasIt) {
    EXPECT_EQ(win::RuntimeFolder(), run.string());
    win::InstanceMutex a, b, c, d;
    bool exists = true;
    ASSERT_TRUE(win::CreateInstanceMutex("ゲーム", a, exists));
    EXPECT_FALSE(exists);
    ASSERT_TRUE(win::CreateInstanceMutex("ゲーム", b, exists));
    EXPECT_TRUE(exists);
    // Another name is another mutex.
    ASSERT_TRUE(win::CreateInstanceMutex("other", d, exists));
    EXPECT_FALSE(exists);
    // Both holders count: with the first gone, the second still marks a running instance.
    win::ReleaseInstanceMutex(a);
    ASSERT_TRUE(win::CreateInstanceMutex("ゲーム", c, exists));
    EXPECT_TRUE(exists);
    win::ReleaseInstanceMutex(b);
    win::ReleaseInstanceMutex(c);
    ASSERT_TRUE(win::CreateInstanceMutex("ゲーム", a, exists));
    EXPECT_FALSE(exists);
    win::ReleaseInstanceMutex(a);
    win::ReleaseInstanceMutex(d);
}

TEST_F(SingleInstance, FindsAndEndsTheProcessOfAWindowClass) {
    EXPECT_EQ(win::FindWindowProcess("Mirelda4"), 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        win::PublishWindowClass("Mirelda4");
        char c = 1;
        if (write(ready[1], &c, 1) != 1) _exit(3);
        for (;;)
            pause();
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(win::FindWindowProcess("Mirelda4"), child);
    EXPECT_EQ(win::FindWindowProcess("Mirelda4_Editor"), 0);
    // Withdrawing is only for the publisher itself.
    win::WithdrawWindowClass("Mirelda4");
    EXPECT_EQ(win::FindWindowProcess("Mirelda4"), child);

    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(win::TerminateProcessAndWait(child, 500));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    // A published process that has ended is no longer found.
    EXPECT_EQ(win::FindWindowProcess("Mirelda4"), 0);
    EXPECT_FALSE(win::TerminateProcessAndWait(child, 10));
    close(ready[0]);
    close(ready[1]);
}

// The close signals as a process that nobody told otherwise starts with them: each with its default
// action, none blocked. Signals a case leaves pending are taken before they are let through.
class CloseSignals : public ::testing::Test {
  protected:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    void TearDown() override {
        win::StopCloseSignalWatcher();
        Reset();
    }
    static void Reset() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : kSignals)
            sigaddset(&set, sig);
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        const timespec none{};
        while (sigtimedwait(&set, nullptr, &none) > 0) {
        }
        for (int sig : kSignals)
            std::signal(sig, SIG_DFL);
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
    static bool Blocked(int sig) {
        sigset_t now;
        pthread_sigmask(SIG_BLOCK, nullptr, &now);
        return sigismember(&now, sig) == 1;
    }
    static bool Ignored(int sig) {
        struct sigaction now {};
        return sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_IGN;
    }
    // Sends the signal to the process and waits until the handler has been called `calls` times.
    static bool SendAndWait(int sig, const std::atomic<int>& count, int calls) {
        kill(getpid(), sig);
        for (int i = 0; i < 2000 && count < calls; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return count >= calls;
    }
};

// Each close signal calls the handler, except one the process was started with ignored (under
// "nohup", or SIGINT for a command a script starts in the background): it stays ignored and never
// closes it. The watcher ends when asked, whichever signals it watches.
TEST_F(CloseSignals, EachSignalNotIgnoredAtStartCallsTheHandler) {
    struct Case {
        const char* what;
        std::vector<int> ignored;
    };
    const Case cases[] = {
        {"none ignored", {}},
        {"started under nohup", {SIGHUP}},
        {"a script's background command", {SIGINT}},
        {"SIGTERM ignored", {SIGTERM}},
        {"every close signal ignored", {SIGINT, SIGTERM, SIGHUP}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        auto ignored = [&c](int sig) {
            return std::find(c.ignored.begin(), c.ignored.end(), sig) != c.ignored.end();
        };
        for (int sig : c.ignored)
            std::signal(sig, SIG_IGN);
        std::atomic<int> calls{0};
        win::StartCloseSignalWatcher([&] { ++calls; });
        for (int sig : kSignals) {
            SCOPED_TRACE(sig);
            // An ignored signal that were blocked would wait for the watcher instead of being dropped.
            EXPECT_EQ(Ignored(sig), ignored(sig));
            EXPECT_EQ(Blocked(sig), !ignored(sig));
        }
        for (int sig : c.ignored)
            kill(getpid(), sig);
        int watched = 0;
        for (int sig : kSignals) {
            if (!ignored(sig)) {
                EXPECT_TRUE(SendAndWait(sig, calls, ++watched)) << sig;
            }
        }
        win::StopCloseSignalWatcher();
        EXPECT_EQ(calls, watched);
    }
}

} // namespace
