// The menu cursor: grid wrap, list windows and paging, the level stack, and the click.
#include "menus/menu_cursor.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::uint16_t L = 1, R = 2, U = 4, D = 8;

struct GridCase {
    const char* what;
    int cols, rows;
    int startCol, startRow;
    std::uint16_t keys;
    int col, row;
};

class GridMove : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridMove, WrapsAndPlaces) {
    const GridCase& t = GetParam();
    cMenuCursor c;
    c.Active().col = t.startCol;
    c.Active().row = t.startRow;
    c.MoveGrid(&t.keys, 100, 50, 20, 16, t.cols, t.rows);
    EXPECT_EQ(c.Active().col, t.col) << t.what;
    EXPECT_EQ(c.Active().row, t.row) << t.what;
    EXPECT_EQ(c.Active().x, t.col * 20 + 100) << t.what;
    EXPECT_EQ(c.Active().y, t.row * 16 + 50) << t.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridMove,
    ::testing::Values(GridCase{"up on the first of seven rows", 1, 7, 0, 0, U, 0, 6},
                      GridCase{"down on the last row", 1, 7, 0, 6, D, 0, 0},
                      GridCase{"left in one column", 1, 7, 0, 3, L, 0, 3},
                      GridCase{"right in one column", 1, 7, 0, 3, R, 0, 3},
                      GridCase{"diagonal moves both axes", 3, 3, 2, 2, R | D, 0, 0},
                      GridCase{"left wins over right", 3, 1, 1, 0, L | R, 0, 0},
                      GridCase{"no rows keeps row 0 and still places", 2, 0, 1, 0, 0, 1, 0},
                      GridCase{"an index set out of range wraps without keys", 4, 4, 9, 4, 0, 0, 0}));

TEST(MenuCursor, NegativeGridSizeChangesNothing) {
    cMenuCursor c;
    c.Active() = {5, 5, 7, 7};
    const std::uint16_t k = D;
    c.MoveGrid(&k, 0, 0, 10, 10, 3, -1);
    EXPECT_EQ(c.Active().row, 5);
    EXPECT_EQ(c.Active().y, 7);
}

// One press after another on a list; expected top and index after each.
struct ListStep {
    std::uint16_t keys;
    int top, index;
};

void RunList(int count, int window, std::initializer_list<ListStep> steps) {
    cMenuCursor c;
    int top = 0;
    int n = 0;
    for (const ListStep& s : steps) {
        c.MoveList(&s.keys, 1, &top, 40, 16, 200, window, count, 1);
        EXPECT_EQ(top, s.top) << "step " << n;
        EXPECT_EQ(c.Active().row, s.index) << "step " << n;
        EXPECT_EQ(c.Active().y, (s.index - s.top) * 16 + 40) << "step " << n;
        EXPECT_EQ(c.Active().x, 200) << "step " << n;
        ++n;
    }
}

TEST(MenuCursorList, ShortListNeverScrolls) {
    RunList(3, 10, {{D, 0, 1}, {D, 0, 2}, {D, 0, 2}, {R, 0, 2}, {L, 0, 0}, {U, 0, 0}});
}

TEST(MenuCursorList, PagesForwardThenToTheEnd) {
    RunList(25, 10, {{R, 9, 9}, {R, 15, 18}, {R, 15, 24}, {L, 6, 15}, {L, 0, 6}, {L, 0, 0}});
}

TEST(MenuCursorList, ScrollsAtTheWindowEdges) {
    RunList(12, 4, {{D, 0, 1}, {D, 0, 2}, {D, 0, 3}, {D, 1, 4}, {U, 1, 3}, {U, 1, 2}, {U, 1, 1}, {U, 0, 0}});
}

TEST(MenuCursorList, HorizontalAxisMovesTheColumn) {
    cMenuCursor c;
    int top = 0;
    const std::uint16_t k = D;
    c.MoveList(&k, 0, &top, 10, 32, 300, 5, 8, 0);
    EXPECT_EQ(c.Active().col, 1);
    EXPECT_EQ(c.Active().row, 0);
    EXPECT_EQ(c.Active().x, 42);
    EXPECT_EQ(c.Active().y, 300);
}

TEST(MenuCursor, LevelStack) {
    cMenuCursor c;
    c.Pop(0); // one level: nothing
    EXPECT_EQ(c.Levels(), 1);
    EXPECT_EQ(c.Previous(), nullptr);
    c.Active() = {1, 2, 3, 4};

    c.Push(1);
    EXPECT_EQ(c.Levels(), 2);
    EXPECT_EQ(c.Active().row, 2); // copied from the level below
    ASSERT_NE(c.Previous(), nullptr);
    c.Active() = {9, 8, 7, 6};
    c.Pop(1);
    EXPECT_EQ(c.Active().col, 1); // kept
    EXPECT_EQ(c.Previous(), nullptr);

    c.Push(0);
    EXPECT_EQ(c.Active().col, 0);
    c.Active() = {5, 6, 70, 80};
    c.Pop(2);
    EXPECT_EQ(c.Active().col, 5); // the popped level's position
    EXPECT_EQ(c.Active().y, 80);

    c.Push(0);
    c.Pop(0);
    EXPECT_EQ(c.Active().col, 0); // zeroed
    EXPECT_EQ(c.Active().x, 0);

    c.Push(0);
    c.Push(0);
    c.Reset();
    EXPECT_EQ(c.Levels(), 1);
}

TEST(MenuCursor, ClickCountsFollowKeysAndAxes) {
    const std::uint16_t diag = L | D, none = 0, horiz = R;
    EXPECT_EQ(PlayCursorSound(&diag, 3, 0), 2);
    EXPECT_EQ(PlayCursorSound(&diag, 2, 0), 1);
    EXPECT_EQ(PlayCursorSound(&horiz, 2, 0), 0);
    EXPECT_EQ(PlayCursorSound(&none, 3, 0), 0);
    EXPECT_EQ(PlayCursorSound(&horiz, 1, 99), 1); // no such sound: counted, nothing played
}

} // namespace
