#include "platform/signals.h"
#include "platform/single_instance.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
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

TEST(CloseSignals, EachSignalCallsTheHandler) {
    std::atomic<int> calls{0};
    win::StartCloseSignalWatcher([&] { ++calls; });
    kill(getpid(), SIGTERM);
    for (int i = 0; i < 200 && calls < 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(getpid(), SIGINT);
    for (int i = 0; i < 200 && calls < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    win::StopCloseSignalWatcher();
    EXPECT_EQ(calls, 2);
}

} // namespace
