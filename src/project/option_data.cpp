#include "project/option_data.h"

#include <algorithm>

cOptionData g_OptionData;

cOptionData::cOptionData() {
    RegisterMembers(g_nDataVersion);
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
    const bool ok = cSerialRecord::Load(fp);
    nVolume = VolumeLevel();
    nPalette = PaletteChoice();
    return ok;
}

int cOptionData::VolumeLevel() const {
    return std::clamp<std::int32_t>(nVolume, 0, VOLUME_LEVELS - 1);
}

int cOptionData::PaletteChoice() const {
    return std::clamp<std::int32_t>(nPalette, 0, PALETTE_CHOICES - 1);
}
