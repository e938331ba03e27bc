#include "app/display_report.h"

#include "app/log.h"

#include <cstdlib>
#include <string>

DisplayInfo g_DisplayInfo;

namespace {

double ToMegaBytes(std::uint64_t bytes) {
    return static_cast<float>(bytes) * 9.536743e-7f;
}

const char* Mark(bool on) {
    return on ? "○" : "×";
}

const char* FormatMark(int result) {
    switch (result) {
    case 0:
        return "○ ";
    case 1:
        return "× ";
    case 2:
        return "？ ";
    default:
        return "－ ";
    }
}

void DeviceReport(const DisplayInfo& info, int full) {
    Report("%s", info.versionText.c_str());
    Report("TextureMem : %dMB", static_cast<int>(info.textureMemory >> 20));
    for (size_t i = 0; i < info.devices.size(); ++i) {
        const DisplayDeviceInfo& d = info.devices[i];
        Report("---デバイス%d", static_cast<int>(i));
        Report("Destination : %s", d.chipType.c_str());
        Report("VRAM : %s", d.displayMemory.c_str());
        Report("Driver : %s %1d.%02d.%04d.%04d", d.driverName.c_str(), d.driverVersion[0], d.driverVersion[1],
               d.driverVersion[2], d.driverVersion[3]);
        Report("DDI : %s", d.ddiVersion.c_str());
        Report("TextureMaxSize : (%d,%d)", d.maxTextureWidth, d.maxTextureHeight);
        Report("TextureMaxBlend : (%d,%d)", d.textureBlendStages, d.simultaneousTextures);
        // Eight fields to a line; the lines after the first start with a tab.
        for (size_t f = 0; full && f < d.capabilityFields.size(); f += 8) {
            std::string line = f == 0 ? "" : "\t";
            for (size_t k = f; k < f + 8 && k < d.capabilityFields.size(); ++k)
                line += (k == f ? "" : " ") + d.capabilityFields[k];
            Report("%s", line.c_str());
        }
        for (const std::string& cap : d.capabilityNames)
            Report("%s", cap.c_str());
        if (full && info.checkFormat) {
            static const struct {
                const char* label;
                unsigned usage;
            } usages[] = {{"AU", 0x400}, {"DE", 0x2},   {"DM", 0x4000}, {"DO", 0x20},
                          {"DY", 0x200}, {"NP", 0x100}, {"PO", 0x40},   {"RT", 0x80},
                          {"RE", 0x1},   {"SO", 0x10},  {"WR", 0x8}};
            for (const auto& u : usages) {
                std::string line = std::string(u.label) + "-SU" + FormatMark(info.checkFormat(u.usage, 1)) +
                                   u.label + "-TE" + FormatMark(info.checkFormat(u.usage, 3));
                Report("%s", line.c_str());
            }
        }
        Report("DirectDraw : %s", Mark(d.ddAcceleration));
        Report("Direct3D : %s", Mark(d.d3dAcceleration));
        Report("AGP : %s", Mark(d.agp));
    }
}

} // namespace

bool DisplayReport(int full) {
    const DisplayInfo& info = g_DisplayInfo;
    if (!Report(info.windowMode ? "Mode : Window" : "Mode : Fullscreen")) return false;
    Report("Bpp : %d", info.bpp);
    if (info.directDraw) {
        Report("VRAM Total : %.3fMB", ToMegaBytes(info.videoMemoryTotal));
        Report("VRAM Free : %.3fMB", ToMegaBytes(info.videoMemoryFree));
        Report("RR : %u", info.refreshRate);
    }
    if (info.direct3D) DeviceReport(info, full);
    return true;
}

void GetVideoMemoryMB(int* total, int* free) {
    const bool dd = g_DisplayInfo.setUp && g_DisplayInfo.directDraw;
    if (total) *total = dd ? static_cast<int>(g_DisplayInfo.videoMemoryTotal / 1048576) : 0;
    if (free) *free = dd ? static_cast<int>(g_DisplayInfo.videoMemoryFree / 1048576) : 0;
}

int QueryDxDiag() {
    if (g_DisplayInfo.devices.empty()) return 99999;
    const std::string& ddi = g_DisplayInfo.devices[0].ddiVersion;
    int n = 0;
    for (char c : ddi) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > 99999) break;
    }
    return n == 0 ? 99999 : n;
}
