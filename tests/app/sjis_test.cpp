#include "app/sjis.h"

#include <gtest/gtest.h>

namespace {

TEST(CountSjisChars, CountsPairsAsOneAndLineFeedsAsNone) {
    EXPECT_EQ(CountSjisChars("abc"), 3);
    EXPECT_EQ(CountSjisChars(""), 0);
    EXPECT_EQ(CountSjisChars(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(CountSjisChars("全角\n"), 2);
    EXPECT_EQ(CountSjisChars(std::string("ｱｲ")), 2); // half-width katakana are single bytes
    EXPECT_EQ(CountSjisChars("a\n\nb"), 2);
}

TEST(CountSjisChars, CutOffLeadByteCountsOneAndNothingPastTheEndIsRead) {
    // The buffer ends right after the NUL: a read past it would be caught by the sanitizer.
    const char cut[] = {'a', '\x82', '\0'};
    EXPECT_EQ(CountSjisChars(cut), 2);
    // A lead byte followed by a byte that cannot be a trail counts as two characters.
    const char bad[] = {'\x82', '\x20', '\0'};
    EXPECT_EQ(CountSjisChars(bad), 2);
    const char leadLf[] = {'\x82', '\n', '\0'};
    EXPECT_EQ(CountSjisChars(leadLf), 1);
}

TEST(SjisBytes, LeadAndTrailRanges) {
    EXPECT_FALSE(IsSjisLead(0x80));
    EXPECT_TRUE(IsSjisLead(0x81));
    EXPECT_TRUE(IsSjisLead(0x9F));
    EXPECT_FALSE(IsSjisLead(0xA0));
    EXPECT_TRUE(IsSjisLead(0xE0));
    EXPECT_TRUE(IsSjisLead(0xFC));
    EXPECT_FALSE(IsSjisLead(0xFD));
    EXPECT_FALSE(IsSjisTrail(0x3F));
    EXPECT_TRUE(IsSjisTrail(0x40));
    EXPECT_TRUE(IsSjisTrail(0x5C));
    EXPECT_FALSE(IsSjisTrail(0x7F));
    EXPECT_TRUE(IsSjisTrail(0x80));
    EXPECT_FALSE(IsSjisTrail(0xFD));
    EXPECT_TRUE(IsSjisPair("ソ"));
    EXPECT_FALSE(IsSjisPair("a"));
}

} // namespace
