#include "project/option_data.h"

#include "platform/file_system.h"

#include <algorithm>

cOptionData g_OptionData;

cOptionData::cOptionData() {
    RegisterMembers(g_nDataVersion);
    SetDefaults();
}

void cOptionData::SetDefaults() {
    Reset();
    bMusic = 1;
    nVolume = 7;
    strRankingName = "aaa";
}

void cOptionData::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&nPalette);
    DeclareField(&bMusic);
    DeclareField(&nVolume);
    DeclareField(&nRankingMode);
    DeclareStringField(&strRankingName);
}

bool cOptionData::Load(std::FILE* fp) {
    // A version word no player writes (a zeroed file) marks a damaged file.
    if (g_nLoadVersion < 1 || g_nLoadVersion > DATA_VERSION_CURRENT) return false;
    const bool ok = cSerialRecord::Load(fp);
    nVolume = VolumeLevel();
    nPalette = PaletteChoice();
    // Start-up plays music for any value but 0; the options screen edits 0 and 1.
    bMusic = bMusic != 0 ? 1 : 0;
    return ok;
}

bool cOptionData::LoadUserFile(const std::string& name) {
    if (LoadFile(name)) return true;
    // What was read of a damaged file is not used.
    SetDefaults();
    if (fsys::IsFile(name)) SetAsideDamagedFile(name, "オプションを初期化しました");
    return false;
}

int cOptionData::VolumeLevel() const {
    return std::clamp<std::int32_t>(nVolume, 0, VOLUME_LEVELS - 1);
}

int cOptionData::PaletteChoice() const {
    return std::clamp<std::int32_t>(nPalette, 0, PALETTE_CHOICES - 1);
}
