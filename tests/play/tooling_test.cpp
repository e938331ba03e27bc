// The test tooling of stage play: the input script and the play trace.
#include "app/input.h"
#include "app/input_script.h"
#include "objects/effects.h"
#include "objects/objects_fixture.h"
#include "platform/crt_rand.h"
#include "platform/keyboard.h"
#include "play/trace.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(InputScript, RunsOfFramesWithKeysOnTheirFirstFrame) {
    cInputScript s;
    std::string error;
    ASSERT_TRUE(s.Parse("# walk right, jump\n"
                        "2 2 0 space   # keys on the first frame only\n"
                        "\n"
                        "0 8 8\n"
                        "1 0x6 0x10 f3 enter\n",
                        &error))
        << error;
    struct Expected {
        int dir, buttons;
        std::vector<int> keys;
    };
    const Expected frames[] = {{2, 0, {0x20}}, {2, 0, {}}, {6, 16, {0x72, 0x0D}}, {0, 0, {}}, {0, 0, {}}};
    for (const Expected& e : frames) {
        const cInputScript::Frame f = s.Next();
        EXPECT_EQ(f.dir, e.dir);
        EXPECT_EQ(f.buttons, e.buttons);
        EXPECT_EQ(f.keys ? *f.keys : std::vector<int>{}, e.keys);
    }
    EXPECT_TRUE(s.Ended());

    for (const char* bad : {"1 2", "x 0 0", "1 0x10000 0", "1 0 0 jump", "1 -1 0", "1 010z 0", "1 0x 0"}) {
        EXPECT_FALSE(s.Parse(std::string("1 0 0\n") + bad + "\n", &error)) << bad;
        EXPECT_NE(error.find("line 2"), std::string::npos);
        EXPECT_TRUE(s.Runs().empty());
    }
}

TEST(InputScript, AppendedRunsFollowTheScriptsOwnAsIfReadAfterThem) {
    cInputScript whole, head, tail;
    ASSERT_TRUE(whole.Parse("2 1 0 space\n1 0 1 f1\n1 0 0\n", nullptr));
    ASSERT_TRUE(head.Parse("2 1 0 space\n", nullptr));
    ASSERT_TRUE(tail.Parse("1 0 1 f1\n1 0 0\n", nullptr));
    head.Append(tail);
    while (!whole.Ended()) {
        ASSERT_FALSE(head.Ended());
        const cInputScript::Frame a = whole.Next(), b = head.Next();
        EXPECT_EQ(a.dir, b.dir);
        EXPECT_EQ(a.buttons, b.buttons);
        EXPECT_EQ(a.keys ? *a.keys : std::vector<int>{}, b.keys ? *b.keys : std::vector<int>{});
    }
    EXPECT_TRUE(head.Ended());
    EXPECT_EQ(tail.Runs().size(), 2u) << "the appended script keeps its runs";
}

TEST(InputScript, ReplacesTheDevicesOfPlayerOne) {
    auto script = std::make_unique<cInputScript>();
    ASSERT_TRUE(script->Parse("1 5 1 space\n1 8 0\n", nullptr));
    SetInputScript(std::move(script));
    cCheckedVector<cInputRecord> inputs(1);
    UpdateInput(inputs);
    EXPECT_EQ(inputs[0].wDir, 5);
    EXPECT_EQ(inputs[0].nDirNumber, 1) << "left and up";
    EXPECT_EQ(inputs[0].wButtons, 1);
    EXPECT_LT(GetAsyncKeyState(0x20), 0);
    UpdateInput(inputs);
    EXPECT_EQ(inputs[0].nDirNumber, 8);
    EXPECT_EQ(GetAsyncKeyState(0x20), 0) << "released on the next frame";
    UpdateInput(inputs);
    EXPECT_EQ(inputs[0].wDir, 0);
    EXPECT_EQ(inputs[0].nDirNumber, 5);
    SetInputScript(nullptr);
}

using PlayTraceTest = ObjectsTest;

TEST_F(PlayTraceTest, LinesCountStepsAndHashTheWholeState) {
    g_Heroes.resize(1);
    Place(g_Heroes[0], 640.5, 480);
    g_Heroes[0].m_nHP = 7;
    g_nScore = 120;
    m_Scene->m_nTimeLimit = 199;
    Place(g_Charas.emplace_back(), 700, 480);
    g_Charas.emplace_back().m_bRemoved = 1;
    crt::srand(5);

    const std::uint64_t h0 = HashPlayState(*m_Scene);
    EXPECT_EQ(HashPlayState(*m_Scene), h0);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h0));
    EXPECT_EQ(FormatTraceLine(3, *m_Scene, 1),
              std::string("3 hero=640.500,480.000 hp=7 score=120 time=199 objs=1,0,0 pics=0,0 end=1 hash=") +
                  hex);

    // Every part of the state moves the hash: positions, HP, the score, time and random draws.
    std::vector<std::uint64_t> seen{h0};
    auto changed = [&] {
        const std::uint64_t h = HashPlayState(*m_Scene);
        for (std::uint64_t s : seen)
            if (s == h) return false;
        seen.push_back(h);
        return true;
    };
    g_Charas.front().m_dX += 0.001;
    EXPECT_TRUE(changed());
    g_Heroes[0].m_nSP = 1;
    EXPECT_TRUE(changed());
    ++g_nScore;
    EXPECT_TRUE(changed());
    ++m_Scene->m_nElapsedFrames;
    EXPECT_TRUE(changed());
    crt::rand();
    EXPECT_TRUE(changed());
    // A shown picture counts, and so does its remaining time.
    g_ShownPictures.emplace_back().m_nDisplayMode = 2;
    EXPECT_TRUE(changed());
    --g_ShownPictures.back().m_nFrames;
    EXPECT_TRUE(changed());
    EXPECT_NE(FormatTraceLine(1, *m_Scene, 0).find(" pics=1,0 end=0 "), std::string::npos);
    g_ShownPictures.clear();

    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    cPlayTrace trace;
    trace.SetFile(f);
    trace.BeginStage();
    trace.WriteStep(*m_Scene, 0);
    trace.WriteStep(*m_Scene, 0);
    trace.BeginStage();
    trace.WriteStep(*m_Scene, 2);
    std::rewind(f);
    std::vector<int> frames;
    char line[256];
    while (std::fgets(line, sizeof line, f))
        frames.push_back(std::atoi(line));
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 1}));
    trace.SetFile(nullptr);
    std::fclose(f);
}

} // namespace
