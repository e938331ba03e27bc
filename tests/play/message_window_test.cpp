// Message windows: "#" fields, the opening box, display mode 2 and messages whose character goes.
#include "objects/game_scene.h"
#include "app/play_bounds.h"
#include "objects/message_window.h"
#include "project/save_data.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(MessageFields, ExpandCommonAndStageVariables) {
    cGameScene scene;
    g_lpGameScene = &scene;
    g_SaveData.m_vnCommonVars.assign(256, 0);
    g_SaveData.m_vnCommonVars[12] = 7;
    g_SaveData.m_vnCommonVars[3] = -42;
    g_SaveData.m_vnCommonVars[4] = INT_MIN;
    scene.m_StageVars.assign(256, 0);
    scene.m_StageVars[5] = 1234;
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"#C12_3.", "  7"},
        {"#C12_Z3.", "007"},
        {"#C12_P3.", "+  7"},
        {"HP#c12_3.!", "HP  7!"},
        {"#S5", "1234"},                // no second part: its own digits; a field at the very end
        {"#S5_2.", "1234"},             // a width below the digits is no limit
        {"#C0_3.", "#C0_3."},           // index 0 stays
        {"#C256_3.", "#C256_3."},       // index 256 stays
        {"#X", "#X"},                   // no variable named
        {"#C3_4.", "-  42"},            // the sign stands before the blanks
        {"#C4", "-2147483648"},         // the lowest int formats whole
        {"#C12_9.#C12.", "        77"}, // two fields, scanning goes on after the first
        {"\x81\x94#C12", "\x81\x94"
                         "7"}, // a two-byte character is stepped over whole
        {"a\x83", "a\x83"},    // a lead byte at the end is not read past
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandMessageText(c.in), c.out) << c.in;
    g_lpGameScene = nullptr;
    g_SaveData.m_vnCommonVars.clear();
}

TEST(MessageFields, LongTextsAreCutAtTheBoundOnAWholeCharacter) {
    const std::size_t bound = PlayBoundLimit(PlayBound::MessageText);
    const std::string pair = "\x82\xa0"; // one two-byte character
    const struct {
        std::string in;
        std::size_t kept;
    } cases[] = {
        {std::string(bound, 'a'), bound},                  // at the bound
        {std::string(bound + 1, 'a'), bound},              // one past it
        {std::string(bound - 1, 'a') + pair, bound - 1},   // a character across the bound goes whole
        {std::string(bound - 2, 'a') + pair + "b", bound}, // one that ends on it stays
    };
    for (const auto& c : cases) {
        std::string t = c.in;
        CutMessageText(t);
        EXPECT_EQ(t, c.in.substr(0, c.kept)) << c.in.size();
        cMessage m;
        m.Set(3, c.in.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1);
        EXPECT_EQ(m.m_strSource.size(), c.kept);
        EXPECT_EQ(m.m_strText.size(), c.kept);
    }
    // Fields make a text longer: what they expand to is cut as well.
    g_SaveData.m_vnCommonVars.assign(256, 0);
    std::string fields;
    for (std::size_t i = 0; i < bound / 6; ++i)
        fields += "#C1_9."; // six bytes become nine
    std::string expanded;
    for (std::size_t i = 0; i < bound / 6; ++i)
        expanded += "        0";
    EXPECT_EQ(ExpandMessageText(fields), expanded.substr(0, bound));
}

TEST(MessageWindows, OpeningBoxGrowsFromTheCentre) {
    const struct {
        int c, bx, by, bw, bh;
    } cases[] = {{1, 145, 118, 10, 4}, {5, 125, 110, 50, 20}, {9, 105, 102, 90, 36}};
    for (const auto& e : cases) {
        int bx = 0, by = 0, bw = 0, bh = 0;
        OpeningBox(100, 100, 100, 40, e.c, bx, by, bw, bh);
        EXPECT_EQ(bx, e.bx) << e.c;
        EXPECT_EQ(by, e.by) << e.c;
        EXPECT_EQ(bw, e.bw) << e.c;
        EXPECT_EQ(bh, e.bh) << e.c;
    }
}

TEST(MessageWindows, TimedMessagesAndMessagesOfAGoneCharacterEnd) {
    cGameScene scene;
    g_lpGameScene = &scene;
    // Display mode 2 for 2 frames, not counting while paused; an icon draws nothing without a display.
    cMessage m;
    m.Set(3, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1);
    EXPECT_EQ(DrawMessage(m, nullptr, 1), 0);
    EXPECT_EQ(m.m_nFrames, 2) << "paused";
    EXPECT_EQ(DrawMessage(m, nullptr, 0), 0);
    EXPECT_EQ(DrawMessage(m, nullptr, 0), 0);
    EXPECT_EQ(DrawMessage(m, nullptr, 0), 1);
    // Above a character that is not there: text, chip and icon messages all end at once.
    for (int kind : {2, 3}) {
        cMessage a;
        a.Set(kind, nullptr, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 99, 1, 0, 0, 0, 0, 0, 0, 1);
        EXPECT_EQ(DrawMessage(a, nullptr, 0), 1) << kind;
    }
    // Records move: the surface handle goes with the record, and back to the list once.
    ClearMessageSurfaces();
    g_MessageSurfaces.emplace_back();
    g_MessageSurfaceDefs.emplace_back();
    cMessage b;
    b.m_lpSurface = &g_MessageSurfaces.back();
    {
        cMessage c(std::move(b));
        EXPECT_EQ(b.m_lpSurface, nullptr);
        scene.m_Messages.push_back(std::move(c));
    }
    EXPECT_EQ(g_MessageSurfaces.size(), 1u);
    scene.m_Messages.clear();
    EXPECT_TRUE(g_MessageSurfaces.empty());
    EXPECT_TRUE(g_MessageSurfaceDefs.empty());
    g_lpGameScene = nullptr;
}

} // namespace
