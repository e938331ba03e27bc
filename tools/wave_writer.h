// Writes RIFF/WAVE files of 16-bit PCM samples, one channel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wave_writer {

// The whole file: "RIFF" size "WAVE", a 16-byte "fmt " chunk (PCM, 1 channel, `rate` samples per
// second, 16 bits) and the "data" chunk.
std::vector<std::uint8_t> Encode(const std::vector<std::int16_t>& samples, int rate);
bool Write(const std::string& path, const std::vector<std::int16_t>& samples, int rate);

} // namespace wave_writer
