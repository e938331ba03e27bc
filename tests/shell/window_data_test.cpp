#include "shell/window_data.h"
#include "platform/system_metrics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

class WindowData : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/m4windowXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        std::filesystem::create_directories(dir / "user_data");
    }
    void TearDown() override {
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(dir);
    }
    std::string Bytes() {
        std::ifstream in(dir / "user_data" / "Window.dat", std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void Write(const std::string& bytes) {
        std::ofstream(dir / "user_data" / "Window.dat", std::ios::binary) << bytes;
    }
    std::filesystem::path dir, oldCwd;
};

std::string Le32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

} // namespace

TEST_F(WindowData, StoredAsVersionWordFiveFieldsAndNoStrings) {
    cWindowData w;
    w.Set(100, 50, 640, 480, 1);
    ASSERT_TRUE(w.SaveFile("user_data\\Window.dat"));
    std::string expected =
        Le32(732) + Le32(5) + Le32(100) + Le32(50) + Le32(640) + Le32(480) + Le32(1) + Le32(0);
    EXPECT_EQ(Bytes().size(), 32u);
    EXPECT_EQ(Bytes(), expected);

    cWindowData back;
    ASSERT_TRUE(back.LoadFile("user_data\\Window.dat"));
    EXPECT_EQ(back.m_nX, 100);
    EXPECT_EQ(back.m_nY, 50);
    EXPECT_EQ(back.m_nWidth, 640);
    EXPECT_EQ(back.m_nHeight, 480);
    EXPECT_EQ(back.m_bZoomed, 1);
}

TEST_F(WindowData, PlacementOffTheScreenOrLargerThanItIsKeptToIt) {
    const int screenW = win::GetSystemMetrics(win::SM_CXSCREEN);
    const int screenH = win::GetSystemMetrics(win::SM_CYSCREEN);
    Write(Le32(732) + Le32(5) + Le32(-500) + Le32(100000) + Le32(100000) + Le32(-3) + Le32(0) + Le32(0));
    cWindowData w;
    ASSERT_TRUE(w.LoadFile("user_data\\Window.dat"));
    EXPECT_EQ(w.m_nX, 0);
    EXPECT_EQ(w.m_nY, screenH);
    EXPECT_EQ(w.m_nWidth, screenW);
    EXPECT_EQ(w.m_nHeight, 0);

    // A size that fits is kept; a larger one given to store is stored as the screen's.
    w.Set(10, 20, screenW - 1, screenH, 0);
    EXPECT_EQ(w.m_nWidth, screenW - 1);
    EXPECT_EQ(w.m_nHeight, screenH);
    w.Set(10, 20, 100000, 70000, 0);
    ASSERT_TRUE(w.SaveFile("user_data\\Window.dat"));
    EXPECT_EQ(Bytes().substr(16, 8), Le32(screenW) + Le32(screenH));
}
