#include "app/system_ini.h"

#include "platform/file_system.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

cSystemIni g_SystemIni;

std::int32_t* cSystemIni::Word(int keyIndex) {
    switch (keyIndex) {
    case 0:
        return &Direct3D;
    case 1:
        return &WindowMode;
    case 2:
        return &Bpp;
    case 3:
        return &VSync;
    case 4:
        return &D3D_FontCache;
    case 5:
        return &DD_FontCache;
    case 6:
        return &DD_VideoStretch;
    case 7:
        return &ShowFps;
    case 9:
        return &English;
    default:
        return nullptr;
    }
}

namespace {

constexpr int FREE_STAGE_KEY = 8;

const SysIniKey& KeyAt(const std::vector<SysIniKey>& keys, int index) {
    static const SysIniKey none;
    return index >= 0 && static_cast<std::size_t>(index) < keys.size() ? keys[static_cast<std::size_t>(index)]
                                                                       : none;
}

// The number at the start of the text, as atoi reads it; values beyond 32 bits are clamped.
std::int32_t ToInt(const std::string& text) {
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

} // namespace

void SysIniDefaults(cSystemIni& ini, const std::vector<SysIniKey>& keys) {
    for (int i = 0; i < 8; ++i)
        *ini.Word(i) = KeyAt(keys, i).nDefault;
    ini.FreeStage = KeyAt(keys, FREE_STAGE_KEY).strDefault;
    ini.English = 0;
}

bool ReadSystemIni(const char* fileName, cSystemIni& ini, const std::vector<SysIniKey>& keys) {
    std::FILE* fp = fsys::Open(fileName ? fileName : "", "rb");
    if (!fp) return false;
    const auto finish = [fp](bool result) {
        std::fclose(fp);
        return result;
    };
    for (int read = 0; read < SYSTEM_INI_MAX_READS; ++read) {
        // The key, up to '=' or the line end. Blanks and CR are not part of it; over-long keys
        // are cut.
        std::string key;
        bool hasValue = false;
        for (;;) {
            const int c = std::fgetc(fp);
            if (c == EOF) return finish(false);
            if (c == '=') {
                hasValue = true;
                break;
            }
            if (c == '\n') break;
            if (c == 0) return finish(true);
            if (c == ' ' || c == '\t' || c == '\r') continue;
            if (key.size() < SYSTEM_INI_KEY_BUFFER - 1) key += static_cast<char>(c);
        }
        if (!hasValue) {
            if (key == "Exit") return finish(true);
            continue;
        }
        // The value, up to a blank, '/', the line end, a 0 byte or the end of the file.
        std::string value;
        for (;;) {
            const int c = std::fgetc(fp);
            if (c == EOF || c == ' ' || c == '\t' || c == '/' || c == '\n' || c == 0) break;
            if (value.size() < SYSTEM_INI_VALUE_BUFFER - 1) value += static_cast<char>(c);
        }
        // The CR of a CR LF line end belongs to the line end, not to the value: a path written on
        // Windows must name the same file.
        while (!value.empty() && value.back() == '\r')
            value.pop_back();

        int index = -1;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i].name == key) {
                index = static_cast<int>(i);
                break;
            }
        }
        if (index == FREE_STAGE_KEY) {
            if (value.size() >= 2 && value.size() < SYSTEM_INI_PATH_MAX) ini.FreeStage = value;
        } else if (std::int32_t* word = ini.Word(index)) {
            *word = ToInt(value);
        }
    }
    return finish(true);
}
