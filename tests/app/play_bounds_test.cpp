// The bounds on what one play step builds: each lets a count below it add one and stops a count at
// it, and each writes one report line per stage however often it is hit.
#include "app/log.h"
#include "app/play_bounds.h"
#include "fixtures/bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using fixtures::Bytes;
using fixtures::ReadAll;
using fixtures::TempDir;

int Lines(const std::string& text) {
    int n = 0;
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
        ++n;
    return n;
}

TEST(PlayBoundsTest, EachBoundStopsAtItsLimitAndIsReportedOncePerStage) {
    TempDir dir;
    const std::string report = dir.file("Report_Game.txt");
    ASSERT_TRUE(ReportOpen(report.c_str()));
    const auto logged = [&] {
        const Bytes b = ReadAll(report);
        return std::string(b.begin(), b.end());
    };
    ResetPlayBoundReports();
    const struct {
        PlayBound bound;
        std::size_t limit;
    } cases[] = {
        {PlayBound::CommandObjects, 2048},
        {PlayBound::Shots, 2048},
        {PlayBound::Charas, 1024},
        {PlayBound::Items, 1024},
        {PlayBound::Effects, 4096},
        {PlayBound::Messages, 128},
        {PlayBound::Pictures, 1024},
        {PlayBound::CharaAnims, 256},
        {PlayBound::MessageText, 4096},
        {PlayBound::CodeText, 4096},
        {PlayBound::WaitFrames, 59994},
        {PlayBound::LoopCommands, 65536},
        {PlayBound::LifeNotices, 100},
        {PlayBound::HeldEntries, 131072},
        {PlayBound::PictureBytes, 134217728},
    };
    static_assert(std::size(cases) == static_cast<std::size_t>(PlayBound::Count));
    int expected = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(PlayBoundLimit(c.bound), c.limit);
        EXPECT_TRUE(PlayBoundRoom(c.bound, c.limit - 1)) << c.limit; // the last one reaches the limit
        EXPECT_EQ(Lines(logged()), expected);
        EXPECT_FALSE(PlayBoundRoom(c.bound, c.limit)) << c.limit; // one past it is refused
        EXPECT_FALSE(PlayBoundRoom(c.bound, c.limit + 1)) << c.limit;
        ++expected; // one line for the two refusals
        const std::string text = logged();
        EXPECT_EQ(Lines(text), expected) << text;
        EXPECT_NE(text.rfind(" " + std::to_string(c.limit) + " "), std::string::npos) << text;
    }
    // The next stage reports each bound again, once.
    ResetPlayBoundReports();
    for (const auto& c : cases) {
        EXPECT_FALSE(PlayBoundRoom(c.bound, c.limit));
        EXPECT_FALSE(PlayBoundRoom(c.bound, c.limit));
    }
    EXPECT_EQ(Lines(logged()), 2 * expected);
    g_szReportPath[0] = '\0';
}

// A bound on what the stage holds is kept by shares: what each object holds is in the total while the
// object lives, a copy holds its own, and what goes is given back; a request fits while the total
// with it stays within the limit, and the first that does not is reported once.
TEST(PlayBoundsTest, SharesHoldWhatTheirObjectsHoldAndRequestsFitWithinTheLimit) {
    TempDir dir;
    const std::string report = dir.file("Report_Game.txt");
    ASSERT_TRUE(ReportOpen(report.c_str()));
    ResetPlayBoundReports();
    const PlayBound b = PlayBound::HeldEntries;
    const std::size_t limit = PlayBoundLimit(b);
    const std::size_t base = PlayBoundHeld(b);
    {
        cBoundShare a(b);
        a.Set(100);
        EXPECT_EQ(PlayBoundHeld(b), base + 100);
        cBoundShare copy(a);
        EXPECT_EQ(PlayBoundHeld(b), base + 200);
        cBoundShare other(b);
        other.Set(7);
        other = a; // gives its 7 back, holds a's 100
        EXPECT_EQ(PlayBoundHeld(b), base + 300);
        a.Set(40);
        EXPECT_EQ(PlayBoundHeld(b), base + 240);
        EXPECT_EQ(PlayBoundLeft(b), limit - base - 240);
    }
    EXPECT_EQ(PlayBoundHeld(b), base);
    const struct {
        std::size_t held, more;
        bool fits;
    } cases[] = {
        {0, 0, true},         {0, limit, true},     {1, limit, false},
        {limit, 0, true},     {limit, 1, false},    {limit + 5, 0, false},
        {limit - 1, 1, true}, {0, SIZE_MAX, false}, {SIZE_MAX, 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlayBoundFits(b, c.held, c.more), c.fits) << c.held << " + " << c.more;
    const Bytes logged = ReadAll(report);
    EXPECT_EQ(Lines(std::string(logged.begin(), logged.end())), 1);
    // Held past the limit (objects the stage places are never refused), nothing is left.
    cBoundShare big(b);
    big.Set(limit + 10);
    EXPECT_EQ(PlayBoundLeft(b), 0u);
    big.Set(0);
    g_szReportPath[0] = '\0';
}

} // namespace
