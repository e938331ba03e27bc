#include "shell/init_game.h"
#include "shell/scene_env.h"

#include "app/display_report.h"
#include "app/game_loop.h"
#include "app/globals.h"
#include "app/input.h"
#include "app/log.h"
#include "app/paths.h"
#include "app/system_report.h"
#include "app/scene.h"
#include "shell/main_window.h"
#include "shell/palette_variants.h"
#include "shell/program_icon.h"
#include "shell/win_main.h"
#include "app/startup_state.h"
#include "app/system_ini.h"
#include "draw/dd_startup.h"
#include "draw/font.h"
#include "play/load_play_file.h"
#include "menus/title_scene.h"
#include "platform/crt_rand.h"
#include "platform/display_connection.h"
#include "platform/file_system.h"
#include "platform/gfx/gdi.h"
#include "platform/gfx/sim.h"
#include "platform/messages.h"
#include "platform/system_metrics.h"
#include "platform/time.h"
#include "platform/window.h"
#include "platform/window_frame.h"
#include "project/boot_data.h"
#include "project/common_palette.h"
#include "project/font_names.h"
#include "project/option_data.h"
#include "project/project_database.h"
#include "project/project_record_env.h"
#include "project/system_bitmaps.h"
#include "project/system_data.h"
#include "project/world_map.h"
#include "records/param_tables.h"
#include "sound/bgm.h"
#include "sound/sound.h"
#include "ui/boot_dialog.h"

#include <cstdio>
#include <cstring>

DDSURFACEDATA g_NumberSurfaces[FONT_COUNT];

namespace {

// The program's icon, shown by the main window from start-up to shut-down.
win::HICON g_hIcon = nullptr;

// The display mode the settings ask for: window or full screen, vertical sync and colour depth.
// False (with its box) when the depth cannot be used.
bool ChooseDisplayMode() {
    cSystemIni& ini = g_SystemIni;
    const bool d3d = ini.Direct3D != 0;
    g_bWindowed = ini.WindowMode != 0 ? 1 : 0;
    if (d3d) {
        if (ini.VSync >= 2) ini.VSync = 1;
    } else if (g_bWindowed) {
        ini.VSync = 0;
    } else if (ini.VSync >= 2) {
        ini.VSync = IsOsVersionAtLeast(6, 0) ? 0 : 1;
    }
    const int desktop = win::GetDesktopBitsPerPixel();
    // Window-mode surfaces take the desktop's depth.
    gfx::SetDisplayBitsPerPixel(desktop);
    int bpp = ini.Bpp;
    if (bpp == 0) {
        if (g_bWindowed)
            bpp = desktop;
        else if (d3d)
            bpp = g_SystemData.m_nD3DDepth == 1 ? 16 : 32;
        else if (g_SystemData.m_nDDDepth == 1)
            bpp = 16;
        else if (g_SystemData.m_nDDDepth == 2 && g_SystemData.m_nColourMode == 0)
            bpp = 8;
        else
            bpp = 32;
    }
    ini.Bpp = bpp;
    g_nScreenBpp = bpp;
    const bool usual = bpp == 16 || bpp == 32;
    if (g_bWindowed && usual && bpp != desktop) {
        ErrorBox(
            "画面モードが不正です！\nウインドウモードではSystem.iniの設定と画面の色の設定を合わせて下さい！");
        return false;
    }
    const bool allowed = usual || (!g_bWindowed && !d3d && bpp == 8 && g_SystemData.m_nColourMode == 0);
    if (!allowed) {
        ErrorBox("画面モードが不正です！\nSystem.iniと画面の設定を見直して下さい！");
        return false;
    }
    // A Direct3D window scales its picture to any size: with WindowMode 2 the user may resize it.
    if (g_bWindowed && d3d && ini.WindowMode == 2) win::SetWindowResizable(g_hWnd, true);
    return true;
}

// The system surfaces that view another one draw from that one's pictures (under Direct3D they
// hold no texture of their own).
void LinkSystemSurfaceViews() {
    for (int k = 0; k < SYSTEM_BITMAP_COUNT; ++k) {
        const int source = g_SystemBitmapViews[k];
        g_SystemSurfaces[k].lpMirrorSrc =
            source >= 0 && source < SYSTEM_BITMAP_COUNT ? &g_SystemSurfaces[source] : nullptr;
    }
}

// Whether the software device makes the display format as a resource of `usage` and type (1
// surface, 3 texture): 0 it does, 1 not available. Textures can be render targets, and dynamic
// when the device offers it; plain surfaces take no usage.
int CheckDisplayFormat(unsigned usage, int resourceType) {
    if (resourceType != 3 || !lpDTCon) return 1;
    if (usage == gfx::D3DUSAGE_RENDERTARGET) return 0;
    if (usage == gfx::D3DUSAGE_DYNAMIC) return (lpDTCon->caps.Caps2 & gfx::D3DCAPS2_DYNAMICTEXTURES) ? 0 : 1;
    return 1;
}

// What the display report says of the display just set up: our own software layer.
void FillDisplayInfo() {
    DisplayInfo& info = g_DisplayInfo;
    info = DisplayInfo{};
    info.setUp = true;
    info.windowMode = g_bWindowed ? 1 : 0;
    info.bpp = g_nScreenBpp;
    info.refreshRate = 60;
    if (!DDIsD3D()) {
        info.directDraw = true;
        gfx::DWORD total = 0, free = 0;
        gfx::DDSCAPS2 caps{};
        if (g_lpDDCon && g_lpDDCon->lpDD) g_lpDDCon->lpDD->GetAvailableVidMem(&caps, &total, &free);
        info.videoMemoryTotal = total;
        info.videoMemoryFree = free;
        return;
    }
    info.direct3D = true;
    info.versionText = "software Direct3D-like device";
    info.textureMemory = gfx::sim::VideoMemoryBudget();
    const gfx::D3DCAPS9& caps = lpDTCon->caps;
    DisplayDeviceInfo dev;
    dev.chipType = "software rasteriser";
    dev.displayMemory = "system memory";
    dev.driverName = "mirelda4";
    dev.ddiVersion = "9";
    dev.maxTextureWidth = static_cast<int>(caps.MaxTextureWidth);
    dev.maxTextureHeight = static_cast<int>(caps.MaxTextureHeight);
    // One texture stage, one texture at a time.
    dev.textureBlendStages = 1;
    dev.simultaneousTextures = 1;
    // The capability record field by field: counts in decimal, flag words in hex.
    char text[32];
    const auto field = [&](const char* format, unsigned value) {
        std::snprintf(text, sizeof text, format, value);
        dev.capabilityFields.push_back(text);
    };
    field("%u", static_cast<unsigned>(caps.DeviceType));
    field("%u", caps.AdapterOrdinal);
    for (gfx::DWORD flags : {caps.Caps, caps.Caps2, caps.Caps3, caps.PresentationIntervals, caps.TextureCaps})
        field("%08x", flags);
    field("%u", caps.MaxTextureWidth);
    field("%u", caps.MaxTextureHeight);
    const struct {
        bool present;
        const char* name;
    } named[] = {
        {(caps.Caps3 & gfx::D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD) != 0,
         "D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD"},
        {(caps.TextureCaps & gfx::D3DPTEXTURECAPS_POW2) != 0, "D3DPTEXTURECAPS_POW2"},
        {(caps.TextureCaps & gfx::D3DPTEXTURECAPS_SQUAREONLY) != 0, "D3DPTEXTURECAPS_SQUAREONLY"},
        {(caps.Caps2 & gfx::D3DCAPS2_DYNAMICTEXTURES) != 0, "D3DCAPS2_DYNAMICTEXTURES"},
    };
    for (const auto& cap : named)
        if (cap.present) dev.capabilityNames.push_back(cap.name);
    info.devices.push_back(dev);
    info.checkFormat = &CheckDisplayFormat;
}

// The palette and the transparent colour from the palette picture (record 0 of the table).
bool SetUpPalette() {
    if (!DDIsD3D() && !(g_lpDDCon && g_lpDDCon->lpPalette)) return true;
    const char* file = SystemBitmapTable[SYSBMP_PALETTE].szFileName;
    if (!DDLoadPaletteFromFile(g_BasePalette, file, g_bWindowed)) {
        ECLog("DDLoadPaletteFromFile失敗");
        ReportErrBox("%s の読み込みに失敗！", file);
        return false;
    }
    std::memcpy(g_Palette, g_BasePalette, sizeof g_Palette);
    // An 8-bit palette project takes its transparent colour from the palette picture; another
    // gives its own, which at 16 bits keys the pictures as they are loaded.
    const cSystemData& sd = g_SystemData;
    if (!DDSetUpTransmit(&g_SystemSurfaceDefs[SYSBMP_PALETTE], sd.m_nColourMode != 0, sd.m_byTransRed,
                         sd.m_byTransGreen, sd.m_byTransBlue)) {
        ECLog("DDSetTransmit失敗");
        ReportErrBox("%s の読み込みに失敗！", file);
        return false;
    }
    ECLog("1");
    return true;
}

bool SetUpFonts() {
    for (FONTDEF& def : g_FontDefs) {
        std::snprintf(def.szFaceName, sizeof def.szFaceName, "%s",
                      FontNameForIndex(g_SystemData.m_nFontIndex).c_str());
        if (def.nCacheMode == 2)
            def.nCacheMode = DDIsD3D() ? g_SystemIni.D3D_FontCache : g_SystemIni.DD_FontCache;
    }
    if (!CreateFonts(g_Fonts, g_FontDefs, FONT_COUNT)) return false;
    g_Font.m_bIcon = g_SystemData.m_nFontOptionA;
    g_Font.bCenterGlyph = g_SystemData.m_nFontOptionB;
    if (!CreateNumberSurfaces(g_NumberSurfaces, g_NumberSheetDefs, FONT_COUNT, g_Fonts, g_FontDefs))
        return false;
    // The frame-rate text: the small font at the bottom right, or the text font in a box sized to it.
    g_DrawingHooks.drawFpsText = [](int showFps, const std::string& text) {
        if (showFps == 2)
            g_Fonts[0].DrawF(&g_BackBuffer, 549, 469, "%s", text.c_str());
        else
            g_Font.DrawInRectF(&g_BackBuffer, 495, 463, 0, 0, "%s", text.c_str());
    };
    ECLog("3");
    return true;
}

// The start file: its newest revision is played at once; a missing one is only reported.
bool LoadStartFile() {
    std::string& path = g_SystemIni.FreeStage;
    if (path.empty()) return true;
    std::string newest;
    if (FindLatestNumberedFileStr(newest, path, "stg4")) path = newest;
    if (!fsys::Exists(path)) {
        ReportErr("「%s」の読み込みに失敗しました！", path.c_str());
        path.clear();
        return true;
    }
    g_bStartFile = 1;
    if (!LoadPlayFile(path, 1)) return false;
    // A replay given at start-up is played back, and keeps no rankings; a stage is played.
    const bool replay = IsReplayPath(path);
    g_nGameMode = replay ? 3 : 2;
    g_bRanking = replay ? 0 : 1;
    g_nPlayMode = replay ? 4 : 3;
    g_SceneManager.g_nSceneIndex = SCENE_PLAY;
    g_SceneManager.g_nPrevScene = 0;
    return true;
}

} // namespace

bool InitGame(const char* cmdLine, int nCmdShow) {
    (void)nCmdShow;
    g_hWnd = g_hMainWnd.load();
    // 1-2: timer, random seed, data version, command parameter tables.
    win::timeBeginPeriod(1);
    crt::srand(win::timeGetTime());
    g_nDataVersion = DATA_VERSION_CURRENT;
    g_bStripCR = 1;
    BuildParamTables();
    InstallProjectRecordEnv();
    ProjectRecordEnv().m_bFromEditor = g_bFromEditor != 0;

    // 3-4: folders.
    if (!EnsureDataFolder(g_hWnd)) {
        // A close while the question was open answered it No: the start ends without another box.
        win::MSG m;
        if (!win::PeekMessage(&m, nullptr, win::WM_CLOSE, win::WM_CLOSE, win::PM_NOREMOVE))
            ReportErrBox("「data」フォルダの作成に失敗…\n「default」フォルダに問題がある可能性があります。");
        return false;
    }
    CreateSystemFolders();
    RemoveLeftoverTempFiles();

    // 5-8: the project's database with its run-time tables, and its system data.
    if (!LoadProjectDatabase()) return false;
    if (!LoadSystemData()) return false;
    // The window carries the project's title from here on: the start-up dialog and any box about
    // the settings show over it.
    win::SetWindowText(g_hWnd, g_SystemData.m_strTitle.c_str());

    // 9-11: settings, the start-up dialog, the start file from the command line.
    LoadSystemIni();
    if (g_SystemIni.Direct3D >= 2) {
        g_BootData.LoadFile(g_PathTable[PATH_BOOT_DAT]);
        if (!g_BootData.bNoAsk && !RunBootDialog()) return false;
        g_SystemIni.Direct3D = g_BootData.nDrawMode == 1 ? 1 : 0;
    }
    if (cmdLine && *cmdLine) g_SystemIni.FreeStage = cmdLine;

    InstallSceneEnv();

    // 12-14: frame rate, key repeat, display mode.
    g_SceneManager.g_nFrameRate = 60;
    g_SceneManager.g_nFade = 10;
    InitInputRecords();
    for (auto& rec : g_Inputs)
        SetKeyRepeat(rec, 18, 6);
    if (!ChooseDisplayMode()) return false;

    // 15-18: the window's icon (its title is already set).
    g_hIcon = ExtractProgramIcon();
    if (g_hIcon) win::SetWindowIcon(g_hWnd, g_hIcon);
    const int vsync = g_SystemIni.VSync != 0 ? 1 : 0;
    if (g_nScreenBpp == 8) g_SystemIni.DD_VideoStretch = 0;

    // 19-20: the display, falling back once from Direct3D to DirectDraw.
    int useD3D = g_SystemIni.Direct3D != 0 ? 1 : 0;
    if (!DDStartUpDisplay(useD3D, g_hWnd, g_nScreenBpp, vsync, g_bWindowed)) return false;
    g_SystemIni.Direct3D = useD3D;
    LinkSystemSurfaceViews();

    // 21-23: placement, the window shown, the display report.
    if (g_SystemIni.WindowMode != 0) RestoreWindowPlacement(g_hWnd);
    // A window the display does not map within a few seconds is not waited for any longer.
    if (!win::ShowWindow(g_hWnd, true) && !win::DisplayLost())
        Report("App : window not mapped by the display; going on");
    // The window shown is the active one (without a display no focus event ever says so).
    win::PostMessage(g_hWnd, win::WM_ACTIVATEAPP, 1, 0);
    FillDisplayInfo();
    DisplayReport(1);
    ECLog("DDInit成功");

    // 24-27: palette, transparent colour, presentation timing, system surfaces, fonts.
    if (!SetUpPalette()) return false;
    if (!DDIsD3D()) g_bSelfTimed = g_bWindowed || g_SystemIni.VSync == 0 ? 1 : 0;
    const int firstSurfaces[] = {1};
    if (!DDLoadSystemSurfaces(g_SystemSurfaces, firstSurfaces, 1)) return false;
    if (!SetUpFonts()) return false;

    // 28-31: input, options, palette variant.
    for (auto& rec : g_Inputs)
        SetJoyButtonMasks(rec);
    if (!LoadKeyConfig(g_PathTable[PATH_KEYCONFIG_DAT].c_str(), g_KeyConfig))
        SetDefaultKeyConfig(g_KeyConfig);
    g_OptionData.LoadUserFile(g_PathTable[PATH_OPTION_DAT]);
    if (g_nScreenBpp == 8 && !LoadHbtPalettes(g_OptionData.PaletteChoice())) return false;

    // 32-35: music and sound effects.
    if (g_OptionData.bMusic) BgmInitDefault();
    BuildSoundLists();
    if (!DS_Init(g_hWnd, 22050, 8, 1)) {
        ECLog("DS_Init失敗！");
        return false;
    }
    LoadSounds(g_Sounds, g_SoundSources, g_SoundVolumeTable[g_OptionData.VolumeLevel()]);

    // 36: the world map and the common palette.
    if (!g_WorldMap.LoadFile(g_PathTable[PATH_WORLDMAP])) {
        ReportErrBox("%s のロードに失敗！", g_PathTable[PATH_WORLDMAP].c_str());
        return false;
    }
    if (!LoadCommonPalette()) return false;
    ECLog("4");

    // 37: the start file.
    return LoadStartFile();
}

void UnInitGame() {
    // How many texts the two small fonts kept in their glyph caches.
    if (lpDTCon || g_lpDDCon) {
        if (const cFontCache* cache = g_Fonts[0].m_lpFastFont_FullAdd) Report("Font10 : %d", cache->m_nCount);
        if (const cFontCache* cache = g_Fonts[1].m_lpFastFont_FullAdd) Report("Font16 : %d", cache->m_nCount);
    }
    win::timeEndPeriod(1);
    DS_Release();
    g_Bgm.Release();
    g_SceneManager.DeleteAll();
    g_DrawingHooks.drawFpsText = [](int, const std::string&) {};
    for (Font& font : g_Fonts)
        font.Release();
    for (DDSURFACEDATA& sd : g_NumberSurfaces)
        DDReleaseSurface(&sd);
    DDShutDown();
    g_DisplayInfo = DisplayInfo{};
    win::DestroyIcon(g_hIcon);
    g_hIcon = nullptr;
}
