// The settings file "System.ini": key=value lines, ended by a line "Exit". The key names and
// defaults are the project's own (the key list of the system data); a key's position in that list
// decides which setting it fills.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct cSystemIni {
    std::int32_t Direct3D = 2;   // 0 DirectDraw, 1 Direct3D, 2 or more: ask
    std::int32_t WindowMode = 0; // 0 full screen, else a window
    std::int32_t Bpp = 0;        // colour depth, 0 chosen by start-up
    std::int32_t VSync = 2;      // 2 or more chosen by start-up
    std::int32_t D3D_FontCache = 0;
    std::int32_t DD_FontCache = 1;
    std::int32_t DD_VideoStretch = 0;
    std::int32_t ShowFps = 1; // 0 none, 2 small font, else the text font
    std::int32_t English = 0;
    std::string FreeStage; // a stage or replay file to play at once

    // Word n of the settings (0-7 the integer keys of the list, 9 English).
    std::int32_t* Word(int keyIndex);
};

constexpr int SYSTEM_INI_PATH_MAX = 260;
constexpr int SYSTEM_INI_KEY_BUFFER = 2032;
constexpr int SYSTEM_INI_VALUE_BUFFER = 2048;
constexpr int SYSTEM_INI_MAX_READS = 10000;

// One key of the key list: its name and defaults.
struct SysIniKey {
    std::string name;
    std::int32_t nDefault = 0;
    std::string strDefault;
};

extern cSystemIni g_SystemIni;

// Words 0-7 := the integer defaults of keys 0-7; the start-file path := the text default of key 8;
// English := 0 (key 9's default is not used).
void SysIniDefaults(cSystemIni& ini, const std::vector<SysIniKey>& keys);
// Reads the file; true when it ended properly (an "Exit" line, a 0 byte, or 10,000 keys read),
// false when it is missing or ends without "Exit".
bool ReadSystemIni(const char* fileName, cSystemIni& ini, const std::vector<SysIniKey>& keys);
