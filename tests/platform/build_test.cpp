#include <gtest/gtest.h>

#include <cstring>

// Literals are stored as CP932 bytes.
TEST(Build, LiteralsAreShiftJis) {
    const char* text = "エラー";
    ASSERT_EQ(std::strlen(text), 6u);
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 0x83);
    EXPECT_EQ(static_cast<unsigned char>(text[1]), 0x47);
}
