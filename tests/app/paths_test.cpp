#include "app/paths.h"
#include "platform/cp932.h"
#include "platform/message_box.h"
#include "shell_test_support.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;

TEST(PathTable, IndexesTheUsersRelyOn) {
    EXPECT_EQ(g_PathTable[PATH_DATA], "data\\");
    EXPECT_EQ(g_PathTable[PATH_DEFAULT], "default\\");
    EXPECT_EQ(g_PathTable[PATH_COMMON_PALETTE], "data\\CommonPalette.cplt4");
    EXPECT_EQ(g_PathTable[PATH_WORLDMAP], "data\\WorldMap.dat");
    EXPECT_EQ(g_PathTable[PATH_DB_ANIMESET], "data\\database\\AnimeSet.dat");
    EXPECT_EQ(g_PathTable[PATH_DB_BGM], "data\\database\\Bgm.dat");
    EXPECT_EQ(g_PathTable[PATH_SYSTEM_DAT], "data\\System.dat");
    EXPECT_EQ(g_PathTable[PATH_CHALLENGE_STAGE_PREFIX], "data\\stg4\\c");
    EXPECT_EQ(g_PathTable[PATH_STORY_SLOT_PREFIX], "user_data\\story\\Story");
    EXPECT_EQ(g_PathTable[PATH_CHALLENGE_DAT], "user_data\\challenge\\Challenge.dat");
    EXPECT_EQ(g_PathTable[PATH_OPTION_DAT], "user_data\\Option.dat");
    EXPECT_EQ(g_PathTable[PATH_KEYCONFIG_DAT], "user_data\\KeyConfig.dat");
    EXPECT_EQ(g_PathTable[PATH_BOOT_DAT], "user_data\\Boot.dat");
    EXPECT_EQ(g_PathTable[PATH_WINDOW_DAT], "user_data\\Window.dat");
    // Every database entry is followed by its default twin.
    for (int i = PATH_DB_ANIMESET; i <= PATH_SYSTEM_DAT; i += 2)
        EXPECT_EQ("default" + g_PathTable[i].substr(4), g_PathTable[i + 1]) << i;
}

TEST(PathHelpers, ReplaceExtension) {
    char out[MAX_PATH];
    EXPECT_TRUE(ReplaceExtension(out, "a.b.c", "x"));
    EXPECT_STREQ(out, "a.b.x");
    EXPECT_TRUE(ReplaceExtension(out, "a.b.c", nullptr));
    EXPECT_STREQ(out, "a.b");
    EXPECT_FALSE(ReplaceExtension(out, "noext", "x"));
    EXPECT_STREQ(out, "noext");
    EXPECT_TRUE(ReplaceExtension(out, "name.", "stg4"));
    EXPECT_STREQ(out, "name.stg4");
}

TEST(PathHelpers, LongPathsAreRefusedNotOverrun) {
    char out[MAX_PATH];
    std::memset(out, 'K', sizeof out);
    const std::string longName = std::string(255, 'a') + ".b"; // 257 bytes: fits
    EXPECT_TRUE(ReplaceExtension(out, longName.c_str(), "c"));
    const std::string grows = std::string(257, 'a') + ".b"; // 259 bytes + "stg4" would not fit
    EXPECT_FALSE(ReplaceExtension(out, grows.c_str(), "stg4"));
    const std::string tooLong(300, 'x');
    EXPECT_FALSE(ReplaceExtension(out, (tooLong + ".a").c_str(), "b"));
    EXPECT_FALSE(FindLatestNumberedFile(out, (tooLong + ".a").c_str(), "a"));
    std::string str = tooLong;
    EXPECT_FALSE(MakeRelativePathStr(str));
    EXPECT_EQ(str, tooLong);
}

// The text after the last separator, `\` or `/`; a trail byte 0x5C of a double-byte character is no
// separator, and a backslash after a trail byte in the lead range is one.
TEST(SplitPathSjis, KeepsTheTextAfterTheLastSeparator) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"data\\stg4\\stage.stg4_000", "stage.stg4_000"},
        {"plain", "plain"},
        {"\\top", "top"},
        {"data/stg4/stage.stg4_000", "stage.stg4_000"},
        {"data/stg4\\sub/stage", "stage"},
        {"dir\\ソフト", "ソフト"}, // "ソ" is 0x83 0x5C
        {"ab\\表", "表"},
        {"a\\＝\\name", "name"}, // "＝" is 0x81 0x81: its trail byte is also a lead byte
    };
    for (const auto& c : cases) {
        char p[MAX_PATH] = "";
        std::strcpy(p, c.path);
        SplitPathSjis(p);
        EXPECT_STREQ(p, c.name) << c.path;
    }
}

class PathFolders : public testsupport::ShellFixture {
  protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
        ShellFixture::SetUp();
    }
    void TearDown() override {
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
        ShellFixture::TearDown();
    }
    void Answer(const char* answers) {
        setenv("MIRELDA4_ANSWERS", answers, 1);
        win::ResetMessageBoxAnswersForTests();
    }
    void MakeDefault() {
        WriteFile(dir / "default" / "System.dat", "sys");
        WriteFile(dir / "default" / "database" / "Sound.dat", "snd");
        WriteFile(dir / "default" / "stg4" / cp932::ToUtf8("ステージ.stg4_000"), "stage");
    }
};

TEST_F(PathFolders, FullAndRelativePaths) {
    char p[MAX_PATH] = "data\\.\\stg4\\..\\System.dat";
    ASSERT_TRUE(MakeFullPath(p));
    std::string expect = dir.string() + "/data/System.dat";
    for (char& c : expect)
        if (c == '/') c = '\\';
    EXPECT_EQ(std::string(p), expect);
    ASSERT_TRUE(MakeRelativePath(p));
    EXPECT_STREQ(p, ".\\data\\System.dat");

    char dirFull[MAX_PATH] = "data\\";
    ASSERT_TRUE(MakeFullPath(dirFull));
    EXPECT_EQ(dirFull[std::strlen(dirFull) - 1], '\\');

    char up[MAX_PATH] = "\\";
    ASSERT_TRUE(MakeRelativePath(up));
    EXPECT_EQ(std::string(up).substr(0, 2), "..");

    char rel[MAX_PATH] = "data\\x";
    ASSERT_TRUE(MakeRelativePath(rel));
    EXPECT_STREQ(rel, "data\\x");
}

TEST_F(PathFolders, AWorkingFolderWithoutACp932NameLeavesPathsRelativeAndStillCopies) {
    const fs::path odd = dir / "j\xc3\xbcrgen"; // "ü" has no CP932 form
    fs::create_directory(odd);
    fs::current_path(odd);
    char p[MAX_PATH] = "Report_Game.txt";
    EXPECT_FALSE(MakeFullPath(p));
    EXPECT_STREQ(p, "Report_Game.txt");
    WriteFile(odd / "default" / "System.dat", "sys");
    Answer("yes");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(EnsureDataFolder(g_hWnd));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadFile(odd / "data" / "System.dat"), "sys");
    fs::current_path(dir);
}

TEST_F(PathFolders, FindLatestNumberedFilePicksTheHighestRevision) {
    char out[MAX_PATH] = "untouched";
    EXPECT_FALSE(FindLatestNumberedFile(out, "data\\stg4\\stage.stg4", "stg4"));
    EXPECT_STREQ(out, "untouched");
    WriteFile(dir / "data" / "stg4" / "stage.stg4_000", "a");
    WriteFile(dir / "data" / "stg4" / "stage.stg4_010", "b");
    WriteFile(dir / "data" / "stg4" / "other.stg4_999", "c");
    ASSERT_TRUE(FindLatestNumberedFile(out, "data\\stg4\\stage.stg4", "stg4"));
    EXPECT_STREQ(out, "data\\stg4\\stage.stg4_010");
    // The extension of the given path is replaced first; a path without one is used as it stands.
    ASSERT_TRUE(FindLatestNumberedFile(out, "data\\stg4\\stage.xyz", "stg4"));
    EXPECT_STREQ(out, "data\\stg4\\stage.stg4_010");
    WriteFile(dir / "plain_005", "p");
    ASSERT_TRUE(FindLatestNumberedFile(out, "plain", "stg4"));
    EXPECT_STREQ(out, "plain_005");
    std::string s = "keep";
    EXPECT_TRUE(FindLatestNumberedFileStr(s, "DATA\\STG4\\stage.stg4", "stg4")); // case-insensitive
    EXPECT_EQ(s, "DATA\\STG4\\stage.stg4_010");
    s = "keep";
    EXPECT_FALSE(FindLatestNumberedFileStr(s, "data\\stg4\\missing.stg4", "stg4"));
    EXPECT_EQ(s, "keep");
    EXPECT_FALSE(FindLatestNumberedFileStr(s, "nofolder\\stage.stg4", "stg4"));
}

TEST_F(PathFolders, FindLatestNumberedFileCountsFoldersOtherCasesAndJapaneseNames) {
    char out[MAX_PATH];
    // Names that only look alike do not count.
    WriteFile(dir / "data" / "stg4" / "stage.stg4_9999", "x");
    WriteFile(dir / "data" / "stg4" / "stage.stg4_9x9", "x");
    WriteFile(dir / "data" / "stg4" / "stage.stg4-998", "x");
    WriteFile(dir / "data" / "stg4" / "xstage.stg4_997", "x");
    WriteFile(dir / "data" / "stg4" / "stage.stg4_004", "x");
    ASSERT_TRUE(FindLatestNumberedFile(out, "data\\stg4\\stage.stg4", "stg4"));
    EXPECT_STREQ(out, "data\\stg4\\stage.stg4_004");
    // A folder named like a revision counts, and so does a name in another case.
    fs::create_directories(dir / "data" / "stg4" / "stage.stg4_007");
    WriteFile(dir / "data" / "stg4" / "STAGE.STG4_006", "x");
    ASSERT_TRUE(FindLatestNumberedFile(out, "data\\stg4\\stage.stg4", "stg4"));
    EXPECT_STREQ(out, "data\\stg4\\stage.stg4_007");
    fs::remove(dir / "data" / "stg4" / "stage.stg4_007");
    ASSERT_TRUE(FindLatestNumberedFile(out, "data\\stg4\\stage.stg4", "stg4"));
    EXPECT_STREQ(out, "data\\stg4\\stage.stg4_006");
    // CP932 names reach their UTF-8 files; a name in the working folder itself needs no folder part.
    WriteFile(dir / "data" / "stg4" / cp932::ToUtf8("表ソ.stg4_012"), "x");
    ASSERT_TRUE(FindLatestNumberedFile(out, "data\\stg4\\表ソ.stg4", "stg4"));
    EXPECT_STREQ(out, "data\\stg4\\表ソ.stg4_012");
    WriteFile(dir / "top_001", "x");
    ASSERT_TRUE(FindLatestNumberedFile(out, "top", nullptr));
    EXPECT_STREQ(out, "top_001");
}

TEST_F(PathFolders, CreatesTheTwentyTwoFolders) {
    int n = 0;
    while (g_SystemFolders[n])
        ++n;
    ASSERT_EQ(n, 22);
    CreateSystemFolders();
    CreateSystemFolders(); // existing folders are left alone
    for (int i = 0; i < n; ++i) {
        std::string native = g_SystemFolders[i];
        for (char& c : native)
            if (c == '\\') c = '/';
        EXPECT_TRUE(fs::is_directory(dir / native)) << native;
    }
}

TEST_F(PathFolders, DataPresentNeedsNoQuestionNorDefault) {
    fs::create_directory(dir / "data");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(EnsureDataFolder(g_hWnd));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(PathFolders, NeitherFolderFailsWithoutAQuestion) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(EnsureDataFolder(g_hWnd));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(fs::exists(dir / "data"));
}

TEST_F(PathFolders, AnsweredNoCopiesNothing) {
    MakeDefault();
    Answer("no");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(EnsureDataFolder(g_hWnd));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("-> no"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "data"));
}

TEST_F(PathFolders, AnsweredYesCopiesDefaultToData) {
    MakeDefault();
    Answer("yes");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(EnsureDataFolder(g_hWnd));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadFile(dir / "data" / "System.dat"), "sys");
    EXPECT_EQ(ReadFile(dir / "data" / "database" / "Sound.dat"), "snd");
    EXPECT_EQ(ReadFile(dir / "data" / "stg4" / cp932::ToUtf8("ステージ.stg4_000")), "stage");
    EXPECT_TRUE(fs::exists(dir / "default" / "System.dat"));
}

TEST_F(PathFolders, AFailedCopyIsRemovedAgain) {
    MakeDefault();
    // A pipe cannot be copied as a file: the copy fails part-way.
    ASSERT_EQ(mkfifo((dir / "default" / "zz_pipe").c_str(), 0600), 0);
    Answer("yes");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(EnsureDataFolder(g_hWnd));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(fs::exists(dir / "data"));
}

} // namespace
