#include "platform/close_guard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

int g_endPipe = -1;

// The end the guard runs: it says so on the pipe; the guard then ends the process with exit code 0.
void EndForTest() {
    const char byte = 'e';
    (void)!write(g_endPipe, &byte, 1);
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The guard ends the process only once a close is under way and a call into the video system is
// held past its limit, or at once where the display's connection broke inside a call that would wait
// on it for ever; never while no close is asked for, and never while the calls end in time. Each case
// runs in a process of its own, which ends with exit code 7 when the guard left it running.
TEST(CloseGuard, EndsOnlyAHeldClose) {
    constexpr int kHeldMs = 200;
    struct Case {
        const char* what;
        void (*run)();
        bool ended;
    };
    const Case cases[] = {
        {"a close under way, a call held past the limit",
         [] {
             win::ArmCloseGuard();
             win::DisplayWait wait(false);
             Sleep(20000);
         },
         true},
        {"the connection broken inside a call that waits for an event",
         [] {
             win::DisplayWait wait(true);
             if (win::InLoopingDisplayWait()) win::ParkInDisplayWait();
         },
         true},
        {"a call held long without a close",
         [] {
             win::DisplayWait wait(false);
             Sleep(5 * kHeldMs);
         },
         false},
        {"a close under way, each call ending in time",
         [] {
             win::ArmCloseGuard();
             for (int i = 0; i < 10; ++i) {
                 win::DisplayWait wait(false);
                 Sleep(kHeldMs / 4);
             }
         },
         false},
        {"the connection broken outside a call that waits for an event",
         [] {
             win::DisplayWait wait(false);
             if (win::InLoopingDisplayWait()) win::ParkInDisplayWait();
         },
         false},
    };
    for (const Case& c : cases) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            g_endPipe = fds[1];
            win::StartCloseGuard(&EndForTest, kHeldMs);
            c.run();
            win::StopCloseGuard();
            _exit(7);
        }
        close(fds[1]);
        int status = 0;
        pid_t done = 0;
        for (int i = 0; i < 600 && (done = waitpid(child, &status, WNOHANG)) == 0; ++i)
            Sleep(50);
        if (done == 0) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << c.what << ": the process did not end";
        }
        char byte = 0;
        const bool endRan = read(fds[0], &byte, 1) == 1;
        close(fds[0]);
        EXPECT_EQ(endRan, c.ended) << c.what;
        ASSERT_TRUE(WIFEXITED(status)) << c.what;
        EXPECT_EQ(WEXITSTATUS(status), c.ended ? 0 : 7) << c.what;
    }
}

} // namespace
