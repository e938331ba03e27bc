#include "shell/request_handlers.h"

#include "app/requests.h"
#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "platform/message_box.h"
#include "play/replay.h"
#include "project/save_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class Requests : public ::testing::Test {
  protected:
    void Answers(const std::string& list) {
        setenv("MIRELDA4_ANSWERS", list.c_str(), 1);
        win::ResetMessageBoxAnswersForTests();
    }
    void TearDown() override {
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
    }
    void WriteStage(const std::string& name, bool withHero) {
        cEdStage stage;
        if (withHero) {
            cEdCharaDef hero;
            hero.m_nController = 0;
            hero.m_nPictureNo = 1;
            stage.m_Charas.push_back(hero);
        }
        ASSERT_TRUE(stage.SaveFile(dir.file(name)));
    }
    fixtures::TempDir dir;
};

} // namespace

TEST_F(Requests, CancelledStageDialog) {
    Answers("cancel");
    g_bFileLoaded = 1;
    g_bRequestDone = 0;
    EXPECT_EQ(OnStageFileRequest(), 0);
    EXPECT_EQ(g_bFileLoaded, 0);
    EXPECT_EQ(g_bRequestDone, 1);
}

TEST_F(Requests, StageChosenAndLoaded) {
    WriteStage("a.stg4_000", true);
    WriteStage("b.stg4_000", false);
    Answers(dir.file("a.stg4_000") + "," + dir.file("b.stg4_000") + ",ok");
    g_bRequestDone = 0;
    OnStageFileRequest();
    EXPECT_EQ(g_bFileLoaded, 1);
    EXPECT_EQ(g_bRequestDone, 1);
    // A stage without a hero shows its box and is not reported as loaded.
    g_bRequestDone = 0;
    OnStageFileRequest();
    EXPECT_EQ(g_bFileLoaded, 0);
    EXPECT_EQ(g_bRequestDone, 1);
}

TEST_F(Requests, ReplaySavedAndLoaded) {
    g_Replay.ResetRecordVectors();
    g_Replay.m_nSeed = 99;
    g_Replay.RecordFrame(4, 2);
    // A replay of a stage that places a hero: no other can play.
    cEdCharaDef hero;
    hero.m_nController = 0;
    hero.m_nPictureNo = 1;
    g_Stage.m_Charas.assign(1, hero);
    const std::string path = dir.file("r.rpl4_732");
    Answers(path + "," + path);
    OnReplaySaveRequest(0);
    EXPECT_EQ(g_bFileLoaded, 1);
    EXPECT_EQ(g_bRequestDone, 1);
    g_Replay.ResetRecordVectors();
    g_bRequestDone = 0;
    OnReplayFileRequest();
    EXPECT_EQ(g_bFileLoaded, 1);
    EXPECT_EQ(g_Replay.m_nSeed, 99);
    EXPECT_EQ(g_Stage.m_strPath, path);

    // An unwritable name says so; the request still finishes.
    Answers(dir.file("no/such/dir/r.rpl4_732") + ",ok,cancel");
    g_bRequestDone = 0;
    OnReplaySaveRequest(1);
    EXPECT_EQ(g_bRequestDone, 1);
    g_bRequestDone = 0;
    OnReplayFileRequest();
    EXPECT_EQ(g_bFileLoaded, 0);
    EXPECT_EQ(g_bRequestDone, 1);
}

// The replay item says why its folder cannot be opened when a file stands where a folder of its
// path should be; the chooser opens all the same (here answered with cancel).
TEST_F(Requests, AFileInTheReplayFoldersPlaceIsTold) {
    struct Case {
        const char* what;
        const char* folder; // made as a folder (null: none)
        const char* file;   // made as a file (null: none)
        const char* named;  // the path named in the box (null: no box)
    };
    const Case cases[] = {
        {"the folder is there", "user_data/rpl4", nullptr, nullptr},
        {"user_data is a file", nullptr, "user_data", "user_data が"},
        {"rpl4 is a file", "user_data", "user_data/rpl4", "user_data\\rpl4 が"},
        {"nothing there", nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fixtures::TempDir run;
        fixtures::ScopedCurrentDir cwd(run.path());
        if (c.folder) std::filesystem::create_directories(run.path() / c.folder);
        if (c.file) fixtures::WriteAll(run.file(c.file), {'x'});
        fixtures::BoxCapture boxes;
        Answers("cancel");
        g_bRequestDone = 0;
        OnReplayFileRequest();
        EXPECT_EQ(g_bFileLoaded, 0);
        EXPECT_EQ(g_bRequestDone, 1);
        if (!c.named) {
            EXPECT_TRUE(boxes.texts().empty());
            continue;
        }
        ASSERT_EQ(boxes.texts().size(), 1u);
        EXPECT_NE(boxes.texts()[0].find(c.named), std::string::npos) << boxes.texts()[0];
    }
}

TEST_F(Requests, NameDialogTakesThreeCharacters) {
    g_SaveData.g_strRankingName = "aaa";
    // Answers are written as UTF-8, the name is kept in CP932.
    Answers(reinterpret_cast<const char*>(u8"ＡＢＣＤ"));
    g_bNameDialogDone = 0;
    OnNameDialogRequest();
    EXPECT_EQ(g_bNameDialogDone, 1);
    EXPECT_EQ(g_SaveData.g_strRankingName, "ＡＢＣ");
    Answers("");
    OnNameDialogRequest();
    EXPECT_EQ(g_SaveData.g_strRankingName, "ＡＢＣ");
}

TEST_F(Requests, OnlyRequestsAreHandled) {
    win::LRESULT r = 5;
    EXPECT_FALSE(HandleWindowRequest(win::WM_USER + 7, 0, 0, r));
    EXPECT_FALSE(HandleWindowRequest(win::WM_CLOSE, 0, 0, r));
    EXPECT_EQ(r, 5);
    EXPECT_TRUE(HandleWindowRequest(win::WM_USER + 100, 0, 0, r));
    EXPECT_EQ(r, 0);
}
