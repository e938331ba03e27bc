// Golden checksums of the dialogs as drawn. With M4_UPDATE_GOLDEN=FOLDER set, the frames are written
// there as bitmaps for review and the new checksums are printed.
#include "ui/boot_dialog.h"
#include "ui/file_dialog.h"
#include "ui/name_dialog.h"
#include "ui/widget_draw.h"

#include "app/system_ini.h"
#include "fixtures/bytes.h"
#include "project/boot_data.h"
#include "project/system_data.h"
#include "platform/keyboard.h"
#include "ui/desktop.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace ui;

struct Golden {
    const char* name;
    std::uint64_t sum;
};

constexpr Golden kGolden[] = {
    {"boot_ja", 0xb314fa74d80d1148ull}, {"boot_en", 0x01b70b4b5b97c687ull},
    {"name_ja", 0x6e24831a248a9b8aull}, {"name_en", 0xcc06efd51beb6f51ull},
    {"open_ja", 0x29ba56ec96130daaull}, {"save_en", 0xbe44685af9449629ull},
};

class Goldens : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDesktopForTests();
        for (const char* f : {"data/stg4/a.stg4_001", "data/stg4/b.rpl4_732", "user_data/rpl4/r_00.rpl4_732"})
            fixtures::WriteAll(dir.file(f), {1});
        std::filesystem::create_directories(dir.path() / "data" / "stg4" / "sub");
        g_SystemData.m_strTitle = "サンプルゲーム";
        g_BootData.nDrawMode = 1;
        g_BootData.bNoAsk = 0;
    }
    void TearDown() override {
        SetDialogHost(nullptr);
        g_SystemIni.English = 0;
    }
    // Runs `open` with a host that draws the dialog's first state (after `keys`) and closes it.
    template <class Open> void Check(const char* name, bool english, Open open, int downs = 0) {
        g_SystemIni.English = english ? 1 : 0;
        std::vector<std::uint32_t> frame(static_cast<std::size_t>(FRAME_W) * FRAME_H, 0x336699);
        cScriptHost host;
        // The downs move in a chooser's list, which Shift+Tab reaches from the name field.
        if (downs > 0) host.Key(win::VK_TAB, true);
        for (int i = 0; i < downs; ++i)
            host.Key(0x28);
        host.Do([&](cDialog& d) { RenderDialog(d, frame); }).Close();
        SetDialogHost(&host);
        open();
        SetDialogHost(nullptr);
        const std::uint64_t sum = FrameChecksum(frame);
        if (const char* out = std::getenv("M4_UPDATE_GOLDEN")) {
            WriteFrameBmp(frame, std::string(out) + "/" + name + ".bmp");
            std::printf("    {\"%s\", 0x%016" PRIx64 "ull},\n", name, sum);
            return;
        }
        for (const Golden& g : kGolden) {
            if (std::string(g.name) == name) {
                EXPECT_EQ(sum, g.sum) << name;
            }
        }
    }
    fixtures::TempDir dir;
    fixtures::ScopedCurrentDir cd{dir.path()};
};

TEST_F(Goldens, DialogsAsDrawn) {
    auto boot = [] { RunBootDialog(); };
    std::string n = "AB";
    auto name = [&] { RunNameDialog(&n); };
    char path[260] = "r_00.rpl4_732";
    auto open = [&] {
        OpenFileDialog(nullptr, path, sizeof path, "data\\stg4\\", "StageFile ( *.stg4_*;*.rpl4_* )",
                       "ステージファイルの読み込み", "stg4_*;rpl4_*");
    };
    auto save = [&] {
        SaveFileDialog(nullptr, path, sizeof path, "user_data\\rpl4\\", "ReplayFile ( *.rpl4_732 )",
                       "Save replay file", "*.rpl4_732");
    };
    Check("boot_ja", false, boot);
    Check("boot_en", true, boot);
    Check("name_ja", false, name);
    Check("name_en", true, name);
    Check("open_ja", false, open, 3);
    Check("save_en", true, save);
}

} // namespace
