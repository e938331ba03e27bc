#include "app/system_report.h"
#include "shell_test_support.h"

#include <cstring>
#include <regex>
#include <sstream>

namespace {

using SystemReportLines = testsupport::ShellFixture;

TEST_F(SystemReportLines, WritesTheMachinesFiguresInTheirFormats) {
    ASSERT_TRUE(SystemReport());
    std::istringstream in(ReportText());
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) {
        ASSERT_FALSE(l.empty());
        ASSERT_EQ(l.back(), '\r');
        l.pop_back();
        lines.push_back(l);
    }
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("OS : .* PID 2 Build [0-9]+"))) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("CPU : .* [0-9]+"))) << lines[1];
    // "%.3f" for the totals, "%3.f" (whole, at least three wide) for what is free.
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("Mem Total : [0-9]+\\.[0-9]{3}MB"))) << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex("Mem Free : [ 0-9]{3,}MB"))) << lines[3];
    EXPECT_TRUE(std::regex_match(lines[4], std::regex("Vir Total : [0-9]+\\.[0-9]{3}MB"))) << lines[4];
    EXPECT_TRUE(std::regex_match(lines[5], std::regex("Vir Free : [ 0-9]{3,}MB"))) << lines[5];
    EXPECT_TRUE(std::regex_match(lines[6], std::regex("HD Free : [ 0-9]{3,}MB"))) << lines[6];
    const double mhz = std::stod(lines[1].substr(lines[1].rfind(' ') + 1));
    EXPECT_GT(mhz, 0);
    EXPECT_LE(std::stod(lines[6].substr(10)), 2048.0); // the free bytes are capped at 31 bits
}

TEST_F(SystemReportLines, FailsWithoutTheReportLog) {
    std::filesystem::remove(dir / "Report_Game.txt");
    EXPECT_FALSE(SystemReport());
}

TEST(OsVersion, ThePlatformCountsAsVersion61) {
    int major = 0, minor = 0;
    char name[256];
    const int n = GetOsName(name, &major, &minor);
    EXPECT_EQ(n, static_cast<int>(std::strlen(name)));
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 1);
    EXPECT_GT(GetOsName(nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(IsOsVersionAtLeast(6, 0));
    EXPECT_TRUE(IsOsVersionAtLeast(6, 1));
    EXPECT_TRUE(IsOsVersionAtLeast(5, 9));
    EXPECT_FALSE(IsOsVersionAtLeast(6, 2));
    EXPECT_FALSE(IsOsVersionAtLeast(7, 0));
    EXPECT_LE(GetDiskFreeBytes(), 0x7FFFFFFFu);
}

} // namespace
