#include "ui/boot_dialog.h"

#include "fixtures/bytes.h"
#include "platform/message_box.h"
#include "project/boot_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class BootDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "user_data");
        g_BootData = cBootData();
    }
    void TearDown() override {
        unsetenv("MIRELDA4_ANSWERS");
        win::ResetMessageBoxAnswersForTests();
        g_BootData = cBootData();
    }
    void Answers(const char* list) {
        setenv("MIRELDA4_ANSWERS", list, 1);
        win::ResetMessageBoxAnswersForTests();
    }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cd{dir.path()};
};

} // namespace

TEST_F(BootDialog, ChoiceIsStoredAsTwoWords) {
    Answers("direct3d noask");
    EXPECT_EQ(RunBootDialog(), 1);
    EXPECT_EQ(g_BootData.nDrawMode, 1);
    EXPECT_EQ(g_BootData.bNoAsk, 1);
    fixtures::ByteWriter w;
    w.i32(732).i32(2).i32(1).i32(1).i32(0);
    EXPECT_EQ(fixtures::ReadAll((dir.path() / "user_data" / "Boot.dat").string()), w.data());

    cBootData back;
    ASSERT_TRUE(back.LoadFile("user_data\\Boot.dat"));
    EXPECT_EQ(back.nDrawMode, 1);
    EXPECT_EQ(back.bNoAsk, 1);
}

TEST_F(BootDialog, CancelAndDefaults) {
    Answers("cancel");
    EXPECT_EQ(RunBootDialog(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "user_data" / "Boot.dat"));
    Answers("");
    g_BootData.nDrawMode = 1;
    EXPECT_EQ(RunBootDialog(), 1);
    EXPECT_EQ(g_BootData.nDrawMode, 1);
    EXPECT_EQ(g_BootData.bNoAsk, 0);
    Answers("directdraw");
    EXPECT_EQ(RunBootDialog(), 1);
    EXPECT_EQ(g_BootData.nDrawMode, 0);
}
