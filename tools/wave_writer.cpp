#include "wave_writer.h"

#include <cstdio>

namespace wave_writer {

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

} // namespace

std::vector<std::uint8_t> Encode(const std::vector<std::int16_t>& samples, int rate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put(out, 36 + dataBytes, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put(out, 16, 4);
    Put(out, 1, 2); // PCM
    Put(out, 1, 2); // one channel
    Put(out, static_cast<std::uint32_t>(rate), 4);
    Put(out, static_cast<std::uint32_t>(rate) * 2, 4); // bytes per second
    Put(out, 2, 2);                                    // block alignment
    Put(out, 16, 2);                                   // bits per sample
    PutTag(out, "data");
    Put(out, dataBytes, 4);
    for (std::int16_t s : samples)
        Put(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

bool Write(const std::string& path, const std::vector<std::int16_t>& samples, int rate) {
    const std::vector<std::uint8_t> bytes = Encode(samples, rate);
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    return std::fclose(fp) == 0 && wrote;
}

} // namespace wave_writer
