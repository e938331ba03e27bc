// A bounded reader of RIFF/WAVE files, in place of the platform's multimedia file functions.
//
// It finds the "WAVE" RIFF chunk, its "fmt " chunk and the "data" chunk after it, as the sound
// effects loader walks them; every chunk must lie inside the file, odd-sized chunks are followed
// by their pad byte, and only plain PCM (1 or 2 channels, 8 or 16 bits) is accepted.
#pragma once
#include "platform/audio/dsound.h"
#include <cstddef>
#include <string>
#include <vector>

namespace audio {

struct WaveData {
    win::WAVEFORMATEX format;
    std::vector<std::uint8_t> samples;
};

bool ParseRiffWave(const std::uint8_t* bytes, std::size_t size, WaveData* out);
// Reads a file by its path on this machine.
bool ReadRiffWaveFile(const std::string& hostPath, WaveData* out);

} // namespace audio
