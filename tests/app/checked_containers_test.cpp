#include "app/checked_containers.h"
#include "shell_test_support.h"

#include <cstdint>
#include <string>

namespace {

using testsupport::ShellFixture;
using CheckedContainers = ShellFixture;

struct Pair {
    std::int32_t a = 0;
    std::int32_t b = 0;
};

TEST_F(CheckedContainers, GoodIndexesReadAndWriteWithoutReport) {
    cCheckedVector<int> v{1, 2, 3};
    v.at(2) = 30;
    EXPECT_EQ(v.at(0), 1);
    EXPECT_EQ(v.at(2), 30);
    cCheckedList<std::string> l{"a", "b", "c"};
    EXPECT_EQ(l.at(1), "b");
    l.at(2) = "z";
    EXPECT_EQ(l.back(), "z");
    EXPECT_EQ(ReportText(), "");
    EXPECT_EQ(TakeCloses(), 0);
}

TEST_F(CheckedContainers, BadVectorIndexReportsClosesAndGivesElementZero) {
    cCheckedVector<std::int64_t> v{7, 8, 9};
    EXPECT_EQ(v.at(-1), 7);
    EXPECT_EQ(ReportText(), "err V[-1] ( 3 , 8 )\r\n");
    EXPECT_EQ(TakeCloses(), 1);
    // The count itself is already outside.
    EXPECT_EQ(v.at(3), 7);
    EXPECT_EQ(v.at(1000000), 7);
    EXPECT_EQ(ReportText(), "err V[-1] ( 3 , 8 )\r\nerr V[3] ( 3 , 8 )\r\nerr V[1000000] ( 3 , 8 )\r\n");
    EXPECT_EQ(TakeCloses(), 2);
}

TEST_F(CheckedContainers, EmptyVectorReportsAndGivesAFreshDefaultInsteadOfThrowing) {
    cCheckedVector<Pair> v;
    Pair* p = nullptr;
    EXPECT_NO_THROW(p = &v.at(0));
    EXPECT_EQ(p->a, 0);
    p->a = 55; // a caller writing into the element it was handed
    EXPECT_EQ(v.at(4).a, 0);
    EXPECT_EQ(ReportText(), "err V[0] ( 0 , 8 )\r\nerr V[4] ( 0 , 8 )\r\n");
    EXPECT_EQ(TakeCloses(), 2);
    EXPECT_TRUE(v.empty());
}

TEST_F(CheckedContainers, ListBadIndexGivesZeroedDefaultEveryTime) {
    cCheckedList<Pair> l;
    Pair& first = l.at(0);
    first.b = 9;
    Pair& second = l.at(-3);
    EXPECT_EQ(second.a, 0);
    EXPECT_EQ(second.b, 0);
    l.push_back(Pair{1, 2});
    EXPECT_EQ(l.at(1).a, 0);
    EXPECT_EQ(l.at(0).b, 2);
    EXPECT_EQ(ReportText(), "err L[0] ( 0 , 8 )\r\nerr L[-3] ( 0 , 8 )\r\nerr L[1] ( 1 , 8 )\r\n");
    EXPECT_EQ(TakeCloses(), 3);
}

TEST_F(CheckedContainers, ReportGoesToTheEcLogTooWhenItIsOn) {
    ECLogSet(1, (dir / "EC_Game.txt").c_str());
    cCheckedVector<char> v{'x'};
    v.at(1);
    EXPECT_EQ(testsupport::ReadFile(dir / "EC_Game.txt"), "err V[1] ( 1 , 1 )\r\n");
    EXPECT_EQ(ReportText(), "err V[1] ( 1 , 1 )\r\n");
}

} // namespace
