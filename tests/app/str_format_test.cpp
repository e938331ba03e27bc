#include "app/str_format.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(StrFormat, FormatsAndReplacesThePreviousText) {
    std::string s = "old text that is longer";
    StrFormat(s, "%s_%d%d%d", "stage", 0, 1, 2);
    EXPECT_EQ(s, "stage_012");
    StrFormat(s, "%s", "");
    EXPECT_EQ(s, "");
}

TEST(StrFormat, KeepsAtMost5119Characters) {
    std::string s;
    const std::string exact(5119, 'a');
    StrFormat(s, "%s", exact.c_str());
    EXPECT_EQ(s, exact);
    const std::string longer(9000, 'b');
    StrFormat(s, "<%s>", longer.c_str());
    ASSERT_EQ(s.size(), 5119u);
    EXPECT_EQ(s.front(), '<');
    EXPECT_EQ(s.back(), 'b');
}

TEST(StrFormat, StopsAtAnEmbeddedNul) {
    std::string s;
    StrFormat(s, "ab%cde", 0);
    EXPECT_EQ(s, "ab");
}

TEST(FormatBounded, NeverWritesPastTheBuffer) {
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    auto call = [&](int size, const char* fmt, ...) {
        va_list a;
        va_start(a, fmt);
        int n = FormatBounded(buf, size, fmt, a);
        va_end(a);
        return n;
    };
    EXPECT_EQ(call(4, "%s", "abcdef"), 3);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(buf[4], 'X');
    EXPECT_EQ(call(8, "%d", 42), 2);
    EXPECT_STREQ(buf, "42");
}

} // namespace
