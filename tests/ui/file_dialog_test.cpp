#include "ui/file_dialog.h"

#include "app/system_ini.h"
#include "draw/draw.h"
#include "platform/gfx/ddraw.h"
#include "fixtures/bytes.h"
#include "platform/keyboard.h"
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

using namespace ui;

std::vector<std::string> Items(cDialog& d) {
    return d.GetDlgItem(1103)->items;
}

class Chooser : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* f : {"data/stg4/a.stg4_001", "data/stg4/B.RPL4_732", "data/stg4/c.stg4",
                              "data/stg4/sub/d.stg4_002", "user_data/rpl4/r_00.rpl4_732",
                              // saves in progress or cut off are never offered
                              "data/stg4/a.stg4_001.tmp-77-0", "user_data/rpl4/r_01.rpl4_732.tmp-77-1"})
            fixtures::WriteAll(dir.file(f), {1, 2, 3});
        std::filesystem::create_directories(dir.path() / "data" / "stg4" / "empty");
        SetDialogHost(&host);
    }
    void TearDown() override {
        SetDialogHost(nullptr);
        g_SystemIni.English = 0;
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
    }
    bool Open(char* path) {
        return OpenFileDialog(nullptr, path, 260, "data\\stg4\\", "StageFile ( *.stg4_*;*.rpl4_* )",
                              "ステージファイルの読み込み", "stg4_*;rpl4_*");
    }
    bool Save(char* path) {
        return SaveFileDialog(nullptr, path, 260, "user_data\\rpl4\\", "ReplayFile ( *.rpl4_732 )",
                              "Save replay file", "*.rpl4_732");
    }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cd{dir.path()};
    cScriptHost host;
};

TEST(Patterns, WildcardsInsideTheExtension) {
    EXPECT_TRUE(MatchesPattern("a.stg4_001", "*.stg4_*"));
    EXPECT_TRUE(MatchesPattern("b.RPL4_732", "*.rpl4_*"));
    EXPECT_FALSE(MatchesPattern("c.stg4", "*.stg4_*"));
    EXPECT_TRUE(MatchesPattern("x.stg4_", "*.stg4_*"));
    EXPECT_TRUE(MatchesPattern("a.b.c", "*.?"));
    EXPECT_FALSE(MatchesPattern("ab", "a?b"));
}

TEST_F(Chooser, FilterNavigationAndChoice) {
    char path[260] = "unchanged";
    host.Do([](cDialog& d) {
        EXPECT_EQ(d.Caption(), "ステージファイルの読み込み");
        EXPECT_EQ(Items(d),
                  (std::vector<std::string>{"[..]", "[empty]", "[sub]", "a.stg4_001", "B.RPL4_732"}));
    });
    // Into "sub" with the keyboard (Shift+Tab from the name field reaches the list), the file chosen
    // with Return.
    host.Key(win::VK_TAB, true)
        .Key(win::VK_DOWN)
        .Key(win::VK_DOWN)
        .Key(win::VK_DOWN)
        .Key(win::VK_RETURN)
        .Do([](cDialog& d) {
            EXPECT_EQ(Items(d), (std::vector<std::string>{"[..]", "d.stg4_002"}));
        });
    host.Key(win::VK_DOWN).Key(win::VK_DOWN).Key(win::VK_RETURN);
    ASSERT_TRUE(Open(path));
    EXPECT_STREQ(path, "data\\stg4\\sub\\d.stg4_002");

    // Up again with Backspace, a typed name that does not exist is refused with a notice.
    cScriptHost h2;
    h2.Key(win::VK_TAB, true)
        .Key(win::VK_DOWN)
        .Key(win::VK_RETURN) // ".."
        .Do([](cDialog& d) { EXPECT_EQ(static_cast<cFileChooser&>(d).Folder(), "data\\"); })
        .Key(win::VK_TAB)
        .Text("stg4\\a.stg4_00")
        .Key(win::VK_RETURN)
        .Do([](cDialog& d) { EXPECT_EQ(d.Template().controls.size(), 3u); }) // the notice is up
        .Key(win::VK_RETURN)
        .Text("1")
        .Key(win::VK_RETURN);
    SetDialogHost(&h2);
    ASSERT_TRUE(Open(path));
    EXPECT_STREQ(path, "data\\stg4\\a.stg4_001");
}

// Names are listed as the platform's file dialog lists them: a run of digits by its value,
// letters whatever their case; folders first, by the same rule.
TEST_F(Chooser, NamesAreListedWithTheirDigitsByValue) {
    const struct {
        const char* what;
        std::vector<std::string> files, folders, listed;
    } cases[] = {
        {"digits by value",
         {"s10.stg4_000", "s2.stg4_000", "s1.stg4_000"},
         {},
         {"[..]", "s1.stg4_000", "s2.stg4_000", "s10.stg4_000"}},
        {"leading zeros count for nothing, equal values keep a fixed order",
         {"s1.stg4_000", "s010.stg4_000", "s02.stg4_000", "s01.stg4_000"},
         {},
         {"[..]", "s01.stg4_000", "s1.stg4_000", "s02.stg4_000", "s010.stg4_000"}},
        {"letters whatever their case, a digit after a letter",
         {"b.stg4_000", "A2.stg4_000", "a10x.stg4_000", "a9.stg4_000"},
         {},
         {"[..]", "A2.stg4_000", "a9.stg4_000", "a10x.stg4_000", "b.stg4_000"}},
        {"folders by the same rule", {}, {"w10", "W9", "w1"}, {"[..]", "[w1]", "[W9]", "[w10]"}},
    };
    int n = 0;
    for (const auto& k : cases) {
        const std::string folder = "order" + std::to_string(++n);
        for (const std::string& f : k.files)
            fixtures::WriteAll(dir.file(folder + "/" + f), {1});
        for (const std::string& f : k.folders)
            std::filesystem::create_directories(dir.path() / folder / f);
        std::vector<std::string> listed;
        cScriptHost h;
        h.Do([&](cDialog& d) { listed = Items(d); }).ClickItem(2);
        SetDialogHost(&h);
        char path[260] = "";
        EXPECT_FALSE(OpenFileDialog(nullptr, path, 260, (folder + "\\").c_str(), "StageFile ( *.stg4_* )",
                                    "order", "stg4_*"));
        EXPECT_EQ(listed, k.listed) << k.what;
    }
}

TEST_F(Chooser, OpenStartsInTheNameFieldWhereATypedNameAndReturnOpen) {
    // Each name is typed and followed by Return; a folder's name opens the folder.
    const struct {
        std::vector<std::string> typed;
        const char* opened;
    } cases[] = {
        {{"a.stg4_001"}, "data\\stg4\\a.stg4_001"},
        {{"B.RPL4_732"}, "data\\stg4\\B.RPL4_732"},
        {{"sub\\d.stg4_002"}, "data\\stg4\\sub\\d.stg4_002"},
        {{"sub", "d.stg4_002"}, "data\\stg4\\sub\\d.stg4_002"},
        {{"..", "stg4", "a.stg4_001"}, "data\\stg4\\a.stg4_001"},
    };
    for (const auto& c : cases) {
        cScriptHost h;
        h.Do([](cDialog& d) { EXPECT_EQ(d.Focus(), d.GetDlgItem(1105)); });
        for (const std::string& name : c.typed)
            h.Text(name).Key(win::VK_RETURN);
        SetDialogHost(&h);
        char path[260] = "";
        ASSERT_TRUE(Open(path)) << c.typed.back();
        EXPECT_STREQ(path, c.opened);
    }
}

TEST_F(Chooser, CancelLeavesTheBufferAlone) {
    char path[260] = "keep";
    host.Key(win::VK_DOWN).ClickItem(2);
    EXPECT_FALSE(Open(path));
    EXPECT_STREQ(path, "keep");
    cScriptHost h2;
    h2.ClickItem(CLICK_CLOSE_BOX);
    SetDialogHost(&h2);
    EXPECT_FALSE(Save(path));
    EXPECT_STREQ(path, "keep");
}

TEST_F(Chooser, SaveOffersTheNameAsksBeforeReplacingAndAddsTheDefaultExtension) {
    char path[260] = "r_00.rpl4_732";
    host.Do([](cDialog& d) {
        const cWidget* name = d.GetDlgItem(1105);
        EXPECT_EQ(d.Focus(), name);
        EXPECT_EQ(name->text, "r_00.rpl4_732");
        EXPECT_EQ(name->selEnd, 13);
    });
    std::string question;
    host.Key(win::VK_RETURN)
        .Do([&](cDialog& d) { question = d.GetDlgItem(1200)->text; })
        .Key(win::VK_TAB)
        .Key(win::VK_RETURN) // "No": the chooser stays
        .Do([](cDialog& d) { EXPECT_EQ(d.Caption(), "Save replay file"); })
        .Key(win::VK_RETURN)
        .Key(win::VK_RETURN); // "Yes"
    ASSERT_TRUE(Save(path));
    EXPECT_EQ(question, "r_00.rpl4_732 は既に存在します。");
    EXPECT_STREQ(path, "user_data\\rpl4\\r_00.rpl4_732");

    // A name typed without an extension takes the filter's: the replay chooser lists it. The question
    // before replacing is asked of that name; a name with an extension of its own keeps it.
    cScriptHost h2;
    h2.Text("mine").Key(win::VK_RETURN);
    SetDialogHost(&h2);
    ASSERT_TRUE(Save(path));
    EXPECT_STREQ(path, "user_data\\rpl4\\mine.rpl4_732");
    cScriptHost h3;
    question.clear();
    h3.Text("r_00")
        .Key(win::VK_RETURN)
        .Do([&](cDialog& d) { question = d.GetDlgItem(1200)->text; })
        .Key(win::VK_RETURN); // "Yes"
    SetDialogHost(&h3);
    ASSERT_TRUE(Save(path));
    EXPECT_EQ(question, "r_00.rpl4_732 は既に存在します。");
    EXPECT_STREQ(path, "user_data\\rpl4\\r_00.rpl4_732");
    cScriptHost h4;
    h4.Text("mine.txt").Key(win::VK_RETURN);
    SetDialogHost(&h4);
    ASSERT_TRUE(Save(path));
    EXPECT_STREQ(path, "user_data\\rpl4\\mine.txt");
    // A scripted answer is a typed name too.
    SetDialogHost(nullptr);
    setenv("MIRELDA4_ANSWERS", "user_data/rpl4/typed", 1);
    win::ResetMessageBoxAnswersForTests();
    ASSERT_TRUE(Save(path));
    EXPECT_STREQ(path, "user_data/rpl4/typed.rpl4_732");
}

TEST_F(Chooser, EnglishAndScriptedAnswers) {
    g_SystemIni.English = 1;
    std::string ok;
    host.Do([&](cDialog& d) { ok = d.GetDlgItem(1)->text; });
    char path[260] = "";
    EXPECT_FALSE(Open(path));
    EXPECT_EQ(ok, "Open");

    SetDialogHost(nullptr);
    setenv("MIRELDA4_ANSWERS", "data/x.stg4_000,cancel", 1);
    win::ResetMessageBoxAnswersForTests();
    ASSERT_TRUE(Open(path));
    EXPECT_STREQ(path, "data/x.stg4_000");
    EXPECT_FALSE(Open(path));
    EXPECT_FALSE(Open(path)); // no answers, no display: cancelled
}

TEST_F(Chooser, PaletteEntryZeroIsBlackWhileTheDialogCoversAnEightBitDisplay) {
    void* raw = nullptr;
    ASSERT_EQ(gfx::DirectDrawCreateEx(nullptr, &raw, gfx::IID_IDirectDraw7, nullptr), 0);
    auto* dd = static_cast<gfx::DirectDraw7*>(raw);
    gfx::LPDIRECTDRAWPALETTE pal = nullptr;
    const gfx::PALETTEENTRY own[256] = {{10, 20, 30, 0}};
    ASSERT_EQ(dd->CreatePalette(gfx::DDPCAPS_8BIT, own, &pal, nullptr), 0);
    DDCONTEXT ctx;
    ctx.lpPalette = pal;
    DDCONTEXT* savedCon = g_lpDDCon;
    const DDSETTINGS savedSettings = g_DDSettings;
    const gfx::PALETTEENTRY saved0 = g_Palette[0];
    g_lpDDCon = &ctx;
    g_DDSettings.nBpp = 8;
    g_DDSettings.bInitialized = 1;
    g_Palette[0] = own[0];

    gfx::PALETTEENTRY during{1, 1, 1, 1};
    host.Do([&](cDialog&) { pal->GetEntries(0, 0, 1, &during); });
    char path[260] = "";
    EXPECT_FALSE(Open(path));
    gfx::PALETTEENTRY after{};
    pal->GetEntries(0, 0, 1, &after);

    g_lpDDCon = savedCon;
    g_DDSettings = savedSettings;
    g_Palette[0] = saved0;
    pal->Release();
    dd->Release();
    EXPECT_EQ(during.peRed + during.peGreen + during.peBlue + during.peFlags, 0);
    EXPECT_EQ(after.peRed, 10);
    EXPECT_EQ(after.peBlue, 30);
}

} // namespace
