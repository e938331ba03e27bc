#include "app/display_report.h"
#include "shell_test_support.h"

namespace {

class DisplayReportLines : public testsupport::ShellFixture {
  protected:
    void TearDown() override {
        g_DisplayInfo = DisplayInfo{};
        ShellFixture::TearDown();
    }
    static int Check(unsigned usage, int type) { return usage == 0x80 ? (type == 1 ? 0 : 2) : 1; }
};

TEST_F(DisplayReportLines, DirectDrawModeHasVideoMemoryAndRefreshRateOnly) {
    g_DisplayInfo.setUp = true;
    g_DisplayInfo.windowMode = 0;
    g_DisplayInfo.bpp = 16;
    g_DisplayInfo.directDraw = true;
    g_DisplayInfo.videoMemoryTotal = 64u << 20;
    g_DisplayInfo.videoMemoryFree = (32u << 20) + (1u << 19);
    g_DisplayInfo.refreshRate = 60;
    ASSERT_TRUE(DisplayReport(1));
    EXPECT_EQ(ReportText(),
              "Mode : Fullscreen\r\nBpp : 16\r\nVRAM Total : 64.000MB\r\nVRAM Free : 32.500MB\r\n"
              "RR : 60\r\n");
    int total = -1, free = -1;
    GetVideoMemoryMB(&total, &free);
    EXPECT_EQ(total, 64);
    EXPECT_EQ(free, 32);
    EXPECT_EQ(QueryDxDiag(), 99999);
}

TEST_F(DisplayReportLines, Direct3DModeDescribesTheDevice) {
    g_DisplayInfo.setUp = true;
    g_DisplayInfo.direct3D = true;
    g_DisplayInfo.versionText = "software";
    g_DisplayInfo.textureMemory = 256u << 20;
    DisplayDeviceInfo dev;
    dev.chipType = "chip";
    dev.displayMemory = "0 MB";
    dev.driverName = "drv";
    dev.driverVersion[0] = 1;
    dev.driverVersion[1] = 2;
    dev.driverVersion[2] = 3;
    dev.driverVersion[3] = 4;
    dev.ddiVersion = "9 (software)";
    dev.maxTextureWidth = dev.maxTextureHeight = 4096;
    dev.textureBlendStages = 8;
    dev.simultaneousTextures = 1;
    dev.capabilityNames = {"D3DCAPS2_DYNAMICTEXTURES"};
    dev.d3dAcceleration = true;
    g_DisplayInfo.devices.push_back(dev);
    g_DisplayInfo.checkFormat = &Check;
    ASSERT_TRUE(DisplayReport(1));
    const std::string text = ReportText();
    EXPECT_EQ(text.find("VRAM Total"), std::string::npos);
    EXPECT_NE(
        text.find("Mode : Window\r\nBpp : 32\r\nsoftware\r\nTextureMem : 256MB\r\n---デバイス0\r\n"
                  "Destination : chip\r\nVRAM : 0 MB\r\nDriver : drv 1.02.0003.0004\r\nDDI : 9 (software)\r\n"
                  "TextureMaxSize : (4096,4096)\r\nTextureMaxBlend : (8,1)\r\nD3DCAPS2_DYNAMICTEXTURES\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("AU-SU× AU-TE× \r\n"), std::string::npos);
    EXPECT_NE(text.find("RT-SU○ RT-TE？ \r\n"), std::string::npos);
    EXPECT_NE(text.find("DirectDraw : ×\r\nDirect3D : ○\r\nAGP : ×\r\n"), std::string::npos);
    int total = -1, free = -1;
    GetVideoMemoryMB(&total, &free);
    EXPECT_EQ(total, 0);
    EXPECT_EQ(free, 0);
    EXPECT_EQ(QueryDxDiag(), 9);
    // Without the full flag there is no format table.
    ReportOpen((dir / "Report_Game.txt").c_str());
    DisplayReport(0);
    EXPECT_EQ(ReportText().find("AU-SU"), std::string::npos);
}

TEST_F(DisplayReportLines, DdiTextWithoutDigitsGives99999) {
    DisplayDeviceInfo dev;
    dev.ddiVersion = "unknown";
    g_DisplayInfo.devices.push_back(dev);
    EXPECT_EQ(QueryDxDiag(), 99999);
    g_DisplayInfo.devices[0].ddiVersion = "0";
    EXPECT_EQ(QueryDxDiag(), 99999);
    g_DisplayInfo.devices[0].ddiVersion = "12.1";
    EXPECT_EQ(QueryDxDiag(), 12);
}

} // namespace
