// The display report written once the display is set up, and the display figures other parts ask
// for. The drawing library fills g_DisplayInfo when it sets the display up (and clears it when it
// ends); the texts describe our own drawing layer, for diagnosis only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct DisplayDeviceInfo {
    std::string chipType;      // "Destination"
    std::string displayMemory; // "VRAM"
    std::string driverName;
    std::uint16_t driverVersion[4] = {}; // most significant first
    std::string ddiVersion;              // "DDI"
    int maxTextureWidth = 0;
    int maxTextureHeight = 0;
    int textureBlendStages = 0;
    int simultaneousTextures = 0;
    // The capability record, one formatted value per field in its order (the full report).
    std::vector<std::string> capabilityFields;
    std::vector<std::string> capabilityNames; // capabilities present, one line each
    bool ddAcceleration = false;
    bool d3dAcceleration = false;
    bool agp = false;
};

struct DisplayInfo {
    bool setUp = false;
    int windowMode = 1; // 0 full screen, 1 window
    int bpp = 32;
    // DirectDraw mode: video memory and the monitor's refresh rate.
    bool directDraw = false;
    std::uint64_t videoMemoryTotal = 0;
    std::uint64_t videoMemoryFree = 0;
    unsigned refreshRate = 0;
    // Direct3D mode: the device description.
    bool direct3D = false;
    std::string versionText;
    std::uint64_t textureMemory = 0;
    std::vector<DisplayDeviceInfo> devices;
    // Support of the display format as a resource of a usage and type (1 surface, 3 texture):
    // 0 supported, 1 not available, 2 invalid call, else other. Null: no format table.
    int (*checkFormat)(unsigned usage, int resourceType) = nullptr;
};
extern DisplayInfo g_DisplayInfo;

// Appends "Mode", "Bpp" and, by the back-end, the video-memory lines or the device description to
// the report log; `full` adds the format table. False when the log cannot be opened.
bool DisplayReport(int full);
// Total and free video memory in whole megabytes; both 0 outside DirectDraw mode.
void GetVideoMemoryMB(int* total, int* free);
// The number formed by the leading digits of the first device's DDI text; 99999 when there is no
// device, no text, or the digits give 0.
int QueryDxDiag();
