// Start-up's display set-up with its fall-back, and the system bitmap records as creation records.
#include "draw_fixture.h"

#include "app/game_loop.h"
#include "app/log.h"
#include "draw/dd_startup.h"
#include "platform/gfx/presenter.h"
#include "platform/gfx/sim.h"

#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

using StartUpTest = DrawTest;

TEST_F(StartUpTest, SystemBitmapRecordsBecomeCreationRecords) {
    SYSTEMBITMAP in[2]{};
    std::snprintf(in[0].szFileName, sizeof in[0].szFileName, "%s", "bmp\\Block.bmp");
    in[0].nKey = 1;
    in[0].nMemory = 1;
    in[0].nD3DMemory = 2;
    in[0].nView = 1;
    in[0].nValue5 = 1;
    in[0].nOptional = 1;
    in[0].nMirrorCellW = 32;
    in[0].nMirrorCellH = 0;
    std::snprintf(in[1].szFileName, sizeof in[1].szFileName, "%s", "E");
    in[1].nWidth = 640;
    in[1].nHeight = 480;
    SURFACEDEF out[2];
    DDTableFromSystemBitmaps(out, in, 2);
    EXPECT_STREQ(out[0].szFileName, "bmp\\Block.bmp");
    EXPECT_EQ(out[0].bColorKey, 1);
    EXPECT_EQ(out[0].nDDMemory, 1);
    EXPECT_EQ(out[0].nD3DMemory, 2);
    EXPECT_EQ(out[0].bNoResources, 1);
    EXPECT_EQ(out[0].bIndexMap, 1);
    EXPECT_EQ(out[0].bNoError, 1);
    EXPECT_EQ(out[0].nMirrorCellW, 32);
    EXPECT_STREQ(out[1].szFileName, ""); // "E": a blank surface
    EXPECT_EQ(out[1].nWidth, 640);
}

TEST_F(StartUpTest, DirectDrawIsTriedOnceWhenDirect3DFails) {
    const std::string ec = m_dir + "/EC_Game.txt";
    g_bECLogStarted = 0; // a new log file: the first line creates it
    ECLogSet(1, ec.c_str());
    gfx::sim::FailCreateDevice(2, false);
    int useD3D = 1;
    ASSERT_TRUE(DDStartUpDisplay(useD3D, nullptr, 32, 0, 1));
    EXPECT_EQ(useD3D, 0);
    EXPECT_EQ(lpDTCon, nullptr);
    EXPECT_TRUE(g_DrawingHooks.directDrawActive());
    EXPECT_FALSE(g_DrawingHooks.direct3DActive());
    DDShutDown();

    gfx::sim::FailCreateDevice(2, false);
    gfx::sim::SetNoDirectDraw(true);
    useD3D = 1;
    EXPECT_FALSE(DDStartUpDisplay(useD3D, nullptr, 32, 0, 1));
    gfx::sim::SetNoDirectDraw(false);
    DDShutDown();
    ECLogSet(0, ec.c_str());
    const std::string text = ReadAll(ec);
    EXPECT_NE(text.find("CreateDevice Err"), std::string::npos);
    EXPECT_NE(text.find("DDInit失敗"), std::string::npos);
}

TEST_F(StartUpTest, Direct3DKeepsTheTextureFailureMessage) {
    int useD3D = 1;
    ASSERT_TRUE(DDStartUpDisplay(useD3D, nullptr, 32, 1, 1));
    ASSERT_NE(lpDTCon, nullptr);
    EXPECT_EQ(lpDTCon->strTexErrMsg, DD_TEXTURE_FAILURE_TEXT);
    EXPECT_TRUE(g_DrawingHooks.direct3DActive());
    // The frame loop's present step now presents real frames.
    gfx::ClearPublishedFrames();
    DDClear(&g_BackBuffer, 0);
    EXPECT_TRUE(g_DrawingHooks.presentDirect3D(0));
    EXPECT_EQ(gfx::PublishedFrameCount(), 1u);
    DDShutDown();
}

} // namespace
