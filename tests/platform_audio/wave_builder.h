// Builds RIFF/WAVE files byte by byte for the audio tests.
#pragma once
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace testwave {

inline void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}
inline void Put16(std::vector<std::uint8_t>& v, std::uint16_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
inline void PutId(std::vector<std::uint8_t>& v, const char* id) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<std::uint8_t>(id[i]));
}

struct Chunk {
    std::string id;
    std::vector<std::uint8_t> body;
};

inline Chunk Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                 int blockAlign = -1) {
    Chunk c{"fmt ", {}};
    std::uint16_t align = blockAlign < 0 ? static_cast<std::uint16_t>(channels * bits / 8)
                                         : static_cast<std::uint16_t>(blockAlign);
    Put16(c.body, tag);
    Put16(c.body, channels);
    Put32(c.body, rate);
    Put32(c.body, rate * align);
    Put16(c.body, align);
    Put16(c.body, bits);
    return c;
}

// A sine of `frames` frames at `freq` Hz, full scale / 2, every channel the same.
inline Chunk SineData(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, int frames,
                      double freq = 440.0) {
    Chunk c{"data", {}};
    for (int i = 0; i < frames; ++i) {
        double s = 0.5 * std::sin(2.0 * M_PI * freq * i / rate);
        for (int ch = 0; ch < channels; ++ch) {
            if (bits == 8)
                c.body.push_back(static_cast<std::uint8_t>(128 + std::lround(s * 127)));
            else
                Put16(c.body, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(s * 32767))));
        }
    }
    return c;
}

// The file: "RIFF", length, "WAVE", then the chunks, each padded to an even length.
inline std::vector<std::uint8_t> Riff(const std::vector<Chunk>& chunks, const char* form = "WAVE") {
    std::vector<std::uint8_t> body;
    PutId(body, form);
    for (const Chunk& c : chunks) {
        PutId(body, c.id.c_str());
        Put32(body, static_cast<std::uint32_t>(c.body.size()));
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.body.size() & 1) body.push_back(0);
    }
    std::vector<std::uint8_t> v;
    PutId(v, "RIFF");
    Put32(v, static_cast<std::uint32_t>(body.size()));
    v.insert(v.end(), body.begin(), body.end());
    return v;
}

inline std::vector<std::uint8_t> SineWave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                          int frames) {
    return Riff({Fmt(1, channels, rate, bits), SineData(channels, rate, bits, frames)});
}

} // namespace testwave
