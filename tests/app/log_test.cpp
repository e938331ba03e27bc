#include "app/log.h"
#include "platform/message_box.h"
#include "shell_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

namespace {

using testsupport::ReadFile;

class Logs : public testsupport::ShellFixture {
  protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
        ShellFixture::SetUp();
    }
    std::string EcText() const { return ReadFile(dir / "EC_Game.txt"); }
    bool EcExists() const { return std::filesystem::exists(dir / "EC_Game.txt"); }
};

TEST_F(Logs, ReportOpenEmptiesAndReportAppendsLines) {
    ASSERT_TRUE(Report("App : ver %s", "732"));
    ASSERT_TRUE(Report("second"));
    EXPECT_EQ(ReportText(), "App : ver 732\r\nsecond\r\n");
    // Starting again leaves only the new run's lines.
    ASSERT_TRUE(ReportOpen((dir / "Report_Game.txt").c_str()));
    ASSERT_TRUE(Report("third"));
    EXPECT_EQ(ReportText(), "third\r\n");
}

TEST_F(Logs, LineEndsInsideTheTextAreWrittenAsCrLf) {
    Report("a\nb");
    EXPECT_EQ(ReportText(), "a\r\nb\r\n");
}

TEST_F(Logs, ADeletedReportLogIsNotCreatedAgain) {
    std::filesystem::remove(dir / "Report_Game.txt");
    EXPECT_FALSE(Report("lost"));
    EXPECT_FALSE(ReportErr("lost too"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Report_Game.txt"));
}

TEST_F(Logs, ReportOpenFailsWhereTheFileCannotBeCreated) {
    EXPECT_FALSE(ReportOpen((dir / "missing_folder" / "Report_Game.txt").c_str()));
}

TEST_F(Logs, FormattedTextIsNotFormattedAgain) {
    ReportErr("%s", "100%d %s");
    EXPECT_EQ(ReportText(), "100%d %s\r\n");
}

TEST_F(Logs, MessagesAreCutAt1023Characters) {
    const std::string big(3000, 'q');
    ReportErr("%s", big.c_str());
    EXPECT_EQ(ReportText(), std::string(1023, 'q') + "\r\n");
    // Report itself writes the whole text.
    ReportOpen((dir / "Report_Game.txt").c_str());
    Report("%s", big.c_str());
    EXPECT_EQ(ReportText(), big + "\r\n");
}

TEST_F(Logs, EcLogStaysUnwrittenWhileSwitchedOff) {
    ECLog("a");
    ECLogText("b");
    ECLogF("%d", 3);
    ReportErr("to the report only");
    FatalLog(g_hWnd, "fatal %d", 1);
    EXPECT_FALSE(EcExists());
    EXPECT_EQ(ReportText(), "to the report only\r\n");
}

TEST_F(Logs, EcLogFirstWriteOfARunEmptiesLaterOnesAppend) {
    testsupport::WriteFile(dir / "EC_Game.txt", "from an earlier run\r\n");
    ECLogSet(1, (dir / "EC_Game.txt").c_str());
    ECLog("G");
    EXPECT_EQ(EcText(), "G\r\n");
    ECLogF("Exit %c", 'A');
    ReportErr("both %d", 2);
    EXPECT_EQ(EcText(), "G\r\nExit A\r\nboth 2\r\n");
    EXPECT_EQ(g_bECLogStarted, 1);
}

TEST_F(Logs, FatalLogPostsCloseWhetherOrNotTheEcLogIsOn) {
    EXPECT_TRUE(FatalLog(g_hWnd, "x"));
    EXPECT_EQ(TakeCloses(), 1);
    ECLogSet(1, (dir / "EC_Game.txt").c_str());
    EXPECT_TRUE(FatalLog(g_hWnd, "frame %d failed", 12));
    EXPECT_EQ(TakeCloses(), 1);
    EXPECT_EQ(EcText(), "frame 12 failed\r\n");
}

TEST_F(Logs, BoxesAreAnsweredHeadlessAndWrittenToStandardError) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(ErrorBox("%s の読み込みに失敗！", "a.bmp"), win::IDOK);
    EXPECT_EQ(DebugErrorBox("silent"), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("a.bmp"), std::string::npos);
    EXPECT_NE(err.find("\xe3\x82\xa8\xe3\x83\xa9\xe3\x83\xbc"), std::string::npos); // caption, as UTF-8
    EXPECT_EQ(err.find("silent"), std::string::npos);

    ECLogSet(1, (dir / "EC_Game.txt").c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(DebugErrorBox("now %s", "shown"), win::IDOK);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("now shown"), std::string::npos);
}

TEST_F(Logs, ReportErrBoxShowsItsBoxEvenWithoutAReportLog) {
    std::filesystem::remove(dir / "Report_Game.txt");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ReportErrBox("database %d", 7));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("database 7"), std::string::npos);
}

int g_routedBoxes = 0;
int RoutedBox(const char*, const char* caption, win::UINT) {
    ++g_routedBoxes;
    return std::string(caption) == "エラー" ? win::IDCANCEL : 0;
}

TEST_F(Logs, FullScreenBoxesGoThroughTheDrawingLibrarysRoute) {
    SetFullScreenMessageBox(&RoutedBox);
    EXPECT_EQ(ErrorBoxText("x"), win::IDCANCEL);
    SetFullScreenMessageBox(nullptr);
    EXPECT_EQ(g_routedBoxes, 1);
}

TEST_F(Logs, OutOfMemoryShowsItsBoxAndCloses) {
    testing::internal::CaptureStderr();
    OutOfMemory();
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "\xe3\x83\xa1\xe3\x83\xa2\xe3\x83\xaa"), // "メモリ" as UTF-8
              std::string::npos);
    EXPECT_EQ(TakeCloses(), 1);
}

TEST_F(Logs, LinesFromSeveralThreadsAreNeitherLostNorMixed) {
    ECLogSet(1, (dir / "EC_Game.txt").c_str());
    constexpr int kThreads = 4, kLines = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                ReportErr("thread %d line %03d ..........", t, i);
        });
    for (auto& th : threads)
        th.join();
    for (const std::string& text : {ReportText(), EcText()}) {
        std::set<std::string> lines;
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            ASSERT_FALSE(line.empty());
            ASSERT_EQ(line.back(), '\r');
            ASSERT_EQ(line.size(), std::string("thread 0 line 000 ..........\r").size()) << line;
            lines.insert(line);
        }
        EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    }
}

} // namespace
