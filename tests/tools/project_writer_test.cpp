// The project writer's output against bytes written by hand, and a start-up over its project.
// The writer's functions are compiled into this test program.
#include "tools/project_writer.h"

#include "fixtures/box_capture.h"
#include "fixtures/bytes.h"
#include "fixtures/database_bytes.h"
#include "fixtures/system_bytes.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::ByteWriter;
using namespace fixtures::db;

namespace {

// The values of a new project's System.dat, written out from the list of defaults.
fixtures::sys::Values NewProjectValues(const std::string& title) {
    fixtures::sys::Values v;
    v.title = title;
    v.texts = {"ワールド",
               "ステージ",
               "スコア",
               "ハイスコア",
               "トータルスコア",
               "スコア",
               "残り時間",
               "クリア時間",
               "残りHP",
               "残りSP",
               "ステージに挑む",
               "やっぱりやめる",
               "セーブする",
               "やっぱりやめる",
               "オートセーブＯＮ",
               "オートセーブＯＦＦ",
               "保存先が不明です！一度は「セーブ」して下さい！",
               "タイトルへ戻る",
               "やっぱりやめる",
               "しゅうりょう",
               "つづける",
               "リトライ",
               "リトライ",
               "マップへ戻る",
               "Vキーでジャンルの切り替え",
               "スペースキーでタイトルへ戻る",
               "スペースキーで終了",
               "F3キーでランキングへ登録"};
    v.titleMenu = {{1, "はじめから"}, {1, "つづきから"}, {1, "チャレンジ"},  {1, "フリー"},
                   {1, "リプレイ"},   {1, "オプション"}, {1, "しゅうりょう"}};
    v.saveMenu = {{1, "セーブ"}, {1, "オートセーブ"}, {1, "もどる"}, {1, "タイトルへ"}};
    v.optionMenu = {{1, "BGM"},    {1, "SE"}, {1, "ランキング登録"}, {1, "ランキング登録名"},
                    {1, "もどる"}, {1, ""}};
    v.rankingModeNames = {"手動登録（登録名入力）", "手動登録（登録名固定）", "自動登録（登録名入力）",
                          "自動登録（登録名固定）"};
    return v;
}

Bytes DatabaseFile(const std::string& name) {
    ByteWriter w;
    w.i32(732);
    if (name == "AnimeSet.dat") {
        w.u32(1);
        const std::vector<Frame> blank = {{0, 0, 0}};
        AnimeSet(w, 732, "", 4, 8, 0,
                 {{"立ち", blank}, {"立ち移動", blank}, {"飛行", blank}, {"飛行移動", blank}});
    } else if (name == "Anime.dat") {
        w.u32(2);
        Anime(w, 732, "なし", {{0, 0, 0}});
        Anime(w, 732, "アクションA", {{0, 0, 0}});
    } else if (name == "Bmp_CharaExc.dat") {
        w.u32(2);
        for (int i = 0; i < 2; ++i)
            CharaBmp(w, 732, 0, "", "", 0, 2);
    } else if (name == "SwordType.dat") {
        w.u32(1);
        SwordFrame f;
        f.time = 1;
        SwordType(w, 732, 0, "", "", "", {f});
    } else if (name == "Effect.dat") {
        w.u32(2);
        for (int i = 0; i < 2; ++i)
            Effect(w, 732, 0, "", "", 32, 32, 0, {});
    } else if (name == "CharaEffect.dat" || name == "ScrEffect.dat") {
        w.u32(2);
        for (int i = 0; i < 2; ++i)
            EffectRecord(w, 1, {}, "");
    } else {
        w.u32(2);
        for (int i = 0; i < 2; ++i)
            Media(w, 732, 0, "", "");
    }
    return w.data();
}

class ProjectWriterTest : public ::testing::Test {
  protected:
    void SetUp() override { g_Database = cProjectDatabase(); }
    void TearDown() override {
        g_Database = cProjectDatabase();
        g_SystemData = cSystemData();
    }
    fixtures::TempDir dir;
};

} // namespace

TEST_F(ProjectWriterTest, WritesTheDocumentedBytes) {
    // A new project's database and system data with a title; the demo's own lists are checked by
    // the shell's demo project test.
    cSystemData titled;
    titled.m_strTitle = "Mirelda4 デモ";
    ASSERT_TRUE(project_writer::WriteDatabase(dir.path().string(), cProjectDatabase()));
    ASSERT_TRUE(project_writer::WriteSystemData(dir.path().string(), titled));
    ASSERT_TRUE(project_writer::WriteSystemIni(dir.path().string(), project_writer::DemoSystemIni()));
    for (const char* name : {"AnimeSet.dat", "Anime.dat", "Bmp_CharaExc.dat", "SwordType.dat", "Effect.dat",
                             "CharaEffect.dat", "ScrEffect.dat", "Picture.dat", "Sound.dat", "Bgm.dat"}) {
        EXPECT_EQ(fixtures::ReadAll((dir.path() / "data" / "database" / name).string()), DatabaseFile(name))
            << name;
    }
    EXPECT_EQ(fixtures::ReadAll((dir.path() / "data" / "System.dat").string()),
              fixtures::sys::SystemDat(732, NewProjectValues("Mirelda4 デモ")));
    EXPECT_EQ(fixtures::ReadAll((dir.path() / "System.ini").string()),
              Bytes({'D', 'i', 'r', 'e', 'c', 't', '3', 'D', '=',  '0',  '\r', '\n', 'W', 'i', 'n',  'd',
                     'o', 'w', 'M', 'o', 'd', 'e', '=', '1', '\r', '\n', 'E',  'x',  'i', 't', '\r', '\n'}));
}

TEST_F(ProjectWriterTest, StartUpStepsOverAWrittenProject) {
    ASSERT_TRUE(project_writer::WriteDemoProject(dir.path().string()));
    fixtures::ScopedCurrentDir cd(dir.path());
    fixtures::BoxCapture boxes;
    ASSERT_TRUE(LoadProjectDatabase());
    ASSERT_TRUE(LoadSystemData());
    ASSERT_TRUE(LoadSystemIni());
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(g_SystemData.m_strTitle, "Mirelda4 デモ");
    EXPECT_EQ(g_SystemIni.Direct3D, 0);
    EXPECT_EQ(g_SystemIni.WindowMode, 1);
    EXPECT_EQ(g_AnimeSeqTable.size(), 2u);
    EXPECT_EQ(g_CharaEffectTableRev.size(), 2u);
    cWorldMap map;
    EXPECT_TRUE(map.LoadFile("data\\WorldMap.dat"));
    // Without Picture.dat the database step names the file.
    std::filesystem::remove(dir.path() / "data" / "database" / "Picture.dat");
    g_Database = cProjectDatabase();
    EXPECT_FALSE(LoadProjectDatabase());
    ASSERT_FALSE(boxes.texts().empty());
    EXPECT_EQ(boxes.texts().front(), "data\\database\\Picture.dat のロードに失敗！");
}
