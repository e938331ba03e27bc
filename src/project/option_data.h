// The user's options, "user_data\Option.dat": one record in the data-file container.
#pragma once

#include "records/serial_record.h"

#include <cstdint>
#include <string>

class cOptionData : public cSerialRecord {
  public:
    static constexpr int VOLUME_LEVELS = 11;
    static constexpr int PALETTE_CHOICES = 27; // 0-11 rotated hues, 12-26 one-hue palettes

    std::int32_t nPalette = 0;     // palette set used at 8 bits
    std::int32_t bMusic = 1;       // 0: no background music
    std::int32_t nVolume = 7;      // index 0-10 into the sound-effect volume table
    std::int32_t nRankingMode = 0; // how a qualifying result is registered
    std::string strRankingName = "aaa";

    cOptionData();
    void RegisterMembers(std::int32_t version) override;
    // Reads the record; the palette choice and volume level are clamped into their tables and the
    // music switch becomes 0 or 1, so that what the options screen shows and writes back is in range.
    bool Load(std::FILE* fp) override;
    // Reads the user's options file. A missing file leaves the defaults without a word; one that
    // exists but cannot be read is moved aside (so the next save does not overwrite what it holds),
    // told once, and the defaults are taken. False when the defaults are taken.
    bool LoadUserFile(const std::string& name);
    void SetDefaults();

    // The volume level and palette choice inside their tables (a damaged or foreign file must not
    // turn them into indexes outside them).
    int VolumeLevel() const;
    int PaletteChoice() const;
};

extern cOptionData g_OptionData;
