// What the sound tests share: a scratch folder, the two logs captured there, a main window whose
// WM_CLOSE posts can be seen, and the mixer in manual mode.
#pragma once
#include "app/globals.h"
#include "app/log.h"
#include "platform/audio/mixer.h"
#include "platform/messages.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace soundtest {

inline win::LRESULT NoProc(win::HWND, win::UINT, win::WPARAM, win::LPARAM) {
    return 0;
}

class SoundEnv : public testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::path(testing::TempDir()) /
              ("m4sound_" + std::to_string(getpid()) + "_" +
               std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        ASSERT_TRUE(ReportOpen(Path("Report_Game.txt").c_str()));
        g_bECLogStarted = 0;
        ECLogSet(1, Path("EC_Game.txt").c_str());
        audio::SetManualOutput(true);
        g_hWnd = win::CreateMainWindowObject(&NoProc);
    }
    void TearDown() override {
        win::DestroyMainWindowObject(g_hWnd);
        g_hWnd = nullptr;
        ECLogSet(0, "");
        std::filesystem::remove_all(dir);
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    static std::string ReadAll(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string ReportLog() const { return ReadAll(dir / "Report_Game.txt"); }
    std::string ECLogText() const { return ReadAll(dir / "EC_Game.txt"); }

    // Whether a WM_CLOSE waits for the main window (taken off the queue).
    bool ClosePosted() const {
        win::MSG m;
        bool found = false;
        while (win::PeekMessage(&m, g_hWnd, win::WM_CLOSE, win::WM_CLOSE, win::PM_REMOVE))
            found = true;
        return found;
    }

    std::filesystem::path dir;
};

} // namespace soundtest
