// The options scene on the demo project: editing wraps and applies at once, cancel restores and
// applies again, leaving applies the music setting and writes Option.dat.
#include "menu_player.h"

#include "fixtures/box_capture.h"
#include "menus/option_scene.h"
#include "platform/file_system.h"
#include "sound/bgm.h"
#include "sound/sound.h"

namespace menus_test {
namespace {

using fixtures::ByteWriter;

class OptionScene : public MenuPlayer {
  protected:
    // Enters the options scene and waits for its menu.
    cOptionScene* Open() {
        Enter(SCENE_OPTION);
        g_nPlayMode = 5;
        EXPECT_TRUE(RunUntilScene(SCENE_OPTION));
        return Scene<cOptionScene>();
    }
    // Puts the cursor on the row of item `id` and starts editing it.
    void Edit(cOptionScene* scene, int id) {
        for (int guard = 0; guard < 8 && scene->m_nItems[CursorActive().row] != id; ++guard)
            Press(DIR_DOWN);
        Confirm();
        ASSERT_EQ(scene->m_nSubState, 2);
        ASSERT_EQ(scene->m_nEditItem, id);
    }
    // The volume every loaded sound-effect buffer has now; -1 when they differ, 1 when none is loaded.
    static std::int32_t SoundsVolume() {
        std::int32_t seen = 1;
        for (int i = 0; i < g_Sounds.Count(); ++i) {
            cSound& s = g_Sounds.at(i);
            for (int b = 0; b < s.m_nCount; ++b) {
                const std::int32_t v = SoundGetVolume(s, b);
                if (seen != 1 && v != seen) return -1;
                seen = v;
            }
        }
        return seen;
    }
};

TEST_F(OptionScene, EditedValuesWrapAndCancelRestoresThem) {
    ASSERT_TRUE(Start());
    cOptionScene* scene = Open();
    ASSERT_NE(scene, nullptr);
    struct Case {
        int item;
        std::int32_t start;
        std::uint16_t key;
        int presses;
        std::int32_t edited;
    };
    const Case cases[] = {
        {OPTION_COLOUR, 23, DIR_UP, 1, 0},   {OPTION_COLOUR, 0, DIR_DOWN, 1, 23},
        {OPTION_MUSIC, 1, DIR_UP, 1, 0},     {OPTION_VOLUME, 10, DIR_DOWN, 3, 7},
        {OPTION_VOLUME, 0, DIR_DOWN, 1, 10}, {OPTION_RANKING_MODE, 3, DIR_UP, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "item " << c.item << " from " << c.start);
        std::int32_t* field[] = {&g_OptionData.nPalette, &g_OptionData.bMusic, &g_OptionData.nVolume,
                                 &g_OptionData.nRankingMode};
        *field[c.item] = c.start;
        Edit(scene, c.item);
        for (int i = 0; i < c.presses; ++i)
            Press(c.key);
        EXPECT_EQ(*field[c.item], c.edited);
        if (c.item == OPTION_VOLUME && SoundsVolume() != 1) {
            EXPECT_EQ(SoundsVolume(), g_SoundVolumeTable[c.edited]);
        }
        Cancel();
        EXPECT_EQ(scene->m_nSubState, 1);
        EXPECT_EQ(*field[c.item], c.start);
        if (c.item == OPTION_VOLUME && SoundsVolume() != 1) {
            EXPECT_EQ(SoundsVolume(), g_SoundVolumeTable[c.start]);
        }
        // Confirm keeps an edited value.
        Edit(scene, c.item);
        Press(c.key);
        Confirm();
        EXPECT_NE(*field[c.item], c.start);
        *field[c.item] = c.start;
    }
    g_OptionData.nVolume = 10;
    ASSERT_NO_FATAL_FAILURE(Edit(scene, OPTION_VOLUME));
    Cancel();
    EXPECT_TRUE(SoundsVolume() == 0 || SoundsVolume() == 1);
}

TEST_F(OptionScene, LeavingAppliesTheMusicAndWritesTheOptionsFile) {
    ASSERT_TRUE(Start());
    ASSERT_TRUE(g_Bgm.IsInitialised());
    cOptionScene* scene = Open();
    ASSERT_NE(scene, nullptr);
    Edit(scene, OPTION_MUSIC);
    Press(DIR_DOWN); // ON -> OFF
    Confirm();
    g_OptionData.strRankingName = "xyz";
    EXPECT_TRUE(g_Bgm.IsInitialised()) << "the music setting applies only when the scene is left";
    Cancel();
    ASSERT_TRUE(RunUntilScene(SCENE_TITLE));
    EXPECT_FALSE(g_Bgm.IsInitialised());
    EXPECT_EQ(g_SceneManager.g_nPrevScene, SCENE_OPTION);
    ByteWriter w;
    w.i32(732).i32(4).i32(0).i32(0).i32(7).i32(0).i32(1).str("xyz");
    EXPECT_EQ(fixtures::ReadAll("user_data/Option.dat"), w.data());

    // On again: the manager starts and the next menu asks for its music anew.
    g_nPlayMode = 5;
    Enter(SCENE_OPTION);
    scene = Open();
    ASSERT_NE(scene, nullptr);
    Edit(scene, OPTION_MUSIC);
    Press(DIR_UP);
    Confirm();
    Cancel();
    for (int i = 0; i < 60 && g_SceneManager.g_nSceneIndex == SCENE_OPTION; ++i)
        Frame();
    EXPECT_TRUE(g_Bgm.IsInitialised());
    Frame(); // the title's Init: its music is requested again
    EXPECT_EQ(g_SceneManager.g_nCurMenuBgm, g_SystemData.m_vnMenuBgm.at(0));
    EXPECT_EQ(g_Bgm.CurrentSlot(), 0);
}

// A close of the program while the options are shown (the scenes are deleted without the scene
// being left) keeps what was changed, as leaving would: a confirmed change and a value being edited
// are written; options that are as they were are not.
TEST_F(OptionScene, AClosedProgramKeepsChangedOptions) {
    struct Case {
        const char* what;
        int item;
        std::uint16_t key;
        int ending; // 0 confirmed, 1 still being edited, 2 cancelled, 3 nothing edited
        std::int32_t palette, volume;
        bool written;
    };
    const Case cases[] = {
        {"a confirmed change", OPTION_VOLUME, DIR_DOWN, 0, 0, 6, true},
        {"a value being edited", OPTION_COLOUR, DIR_UP, 1, 1, 7, true},
        {"a change taken back", OPTION_VOLUME, DIR_DOWN, 2, 0, 7, false},
        {"nothing changed", OPTION_VOLUME, DIR_DOWN, 3, 0, 7, false},
    };
    ASSERT_TRUE(Start());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove("user_data/Option.dat");
        g_OptionData = cOptionData();
        cOptionScene* scene = Open();
        ASSERT_NE(scene, nullptr);
        if (c.ending != 3) {
            Edit(scene, c.item);
            Press(c.key);
            if (c.ending == 0) Confirm();
            if (c.ending == 2) Cancel();
        }
        g_SceneManager.DeleteAll();
        ASSERT_EQ(std::filesystem::exists("user_data/Option.dat"), c.written);
        if (c.written) {
            ByteWriter w;
            w.i32(732).i32(4).i32(c.palette).i32(1).i32(c.volume).i32(0).i32(1).str("aaa");
            EXPECT_EQ(fixtures::ReadAll("user_data/Option.dat"), w.data());
        }
        Enter(SCENE_OPTION);
    }
}

// Options that cannot be written when the scene is left (a full disk) are told; the file keeps
// what it held.
TEST_F(OptionScene, AFailedWriteIsTold) {
    ASSERT_TRUE(Start());
    ASSERT_NE(Open(), nullptr);
    fixtures::BoxCapture boxes;
    const bool existed = std::filesystem::exists("user_data/Option.dat");
    const fixtures::Bytes before = existed ? fixtures::ReadAll("user_data/Option.dat") : fixtures::Bytes{};
    fsys::SetWriteFaultForTests(fsys::WriteFault::Flush);
    Cancel();
    const bool left = RunUntilScene(SCENE_TITLE);
    fsys::SetWriteFaultForTests(fsys::WriteFault::None);
    ASSERT_TRUE(left);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("Option.dat"), std::string::npos);
    EXPECT_EQ(std::filesystem::exists("user_data/Option.dat"), existed);
    if (existed) {
        EXPECT_EQ(fixtures::ReadAll("user_data/Option.dat"), before);
    }
}

TEST_F(OptionScene, ItemsFollowTheirRecordsAndNoneLeavesTheColourTable) {
    ASSERT_TRUE(Start());
    // Record 0 ("BGM") shows the music item, record 5 the colour table.
    EXPECT_EQ(OptionRecordOf(OPTION_MUSIC), 0);
    EXPECT_EQ(OptionRecordOf(OPTION_BACK), 4);
    EXPECT_EQ(OptionRecordOf(OPTION_COLOUR), 5);
    for (cMenuItem& item : g_SystemData.m_vOptionMenu)
        item.m_nShow = 0;
    g_SystemData.m_vOptionMenu.at(1).m_nShow = 1; // "SE": the volume
    g_SystemData.m_vOptionMenu.at(4).m_nShow = 1; // "もどる"
    cOptionScene* scene = Open();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->m_nCount, 2);
    EXPECT_EQ(scene->m_nItems[0], OPTION_VOLUME);
    EXPECT_EQ(scene->m_nItems[1], OPTION_BACK);
    Press(DIR_DOWN);
    Confirm(); // back
    EXPECT_EQ(scene->m_nState, 2);
    g_SceneManager.DeleteAll();

    for (cMenuItem& item : g_SystemData.m_vOptionMenu)
        item.m_nShow = 0;
    Enter(SCENE_OPTION);
    scene = Open();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->m_nCount, 1);
    EXPECT_EQ(scene->m_nItems[0], OPTION_COLOUR);
    g_SystemData.SetDefaults();
}

} // namespace
} // namespace menus_test
