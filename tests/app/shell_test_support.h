// Helpers for the tests of the logs, containers and paths: a temporary folder that becomes the
// working folder, a report log inside it, and a main window object whose queue the tests read.
#pragma once
#include "app/globals.h"
#include "app/log.h"
#include "platform/messages.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace testsupport {

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteFile(const std::filesystem::path& p, const std::string& text) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

inline win::LRESULT IgnoreMessages(win::HWND, win::UINT, win::WPARAM, win::LPARAM) {
    return 0;
}

// A fresh temporary working folder with "Report_Game.txt" opened in it, the EC log switched off,
// and g_hWnd pointing at a window object of the test's thread.
class ShellFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/m4shellXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        win::ResetMessageModelForTests();
        // Each test runs as a program of its own would: memory has not run out yet.
        ForgetOutOfMemoryTold();
        g_hWnd = win::CreateMainWindowObject(&IgnoreMessages);
        ECLogSet(0, (dir / "EC_Game.txt").c_str());
        g_bECLogStarted = 0;
        ASSERT_TRUE(ReportOpen((dir / "Report_Game.txt").c_str()));
    }
    void TearDown() override {
        DrainMessages();
        win::DestroyMainWindowObject(g_hWnd);
        g_hWnd = nullptr;
        ECLogSet(0, "");
        g_bECLogStarted = 0;
        ReportOpen("");
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(dir);
    }
    std::string ReportText() const { return ReadFile(dir / "Report_Game.txt"); }
    // Number of WM_CLOSE messages waiting for the window, removed from the queue.
    int TakeCloses() {
        int n = 0;
        win::MSG m;
        while (win::PeekMessage(&m, g_hWnd, win::WM_CLOSE, win::WM_CLOSE, win::PM_REMOVE))
            ++n;
        return n;
    }
    void DrainMessages() {
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
    }
    std::filesystem::path dir;
    std::filesystem::path oldCwd;
};

} // namespace testsupport
