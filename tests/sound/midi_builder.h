// Standard MIDI Files written byte by byte for the tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace testmidi {

using Bytes = std::vector<std::uint8_t>;

inline void Vlq(Bytes& out, std::uint32_t v) {
    std::uint8_t tmp[5];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while ((v >>= 7) != 0)
        tmp[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
    while (n > 0)
        out.push_back(tmp[--n]);
}

// A track body: events appended as delta + bytes; End() appends the end of track.
struct Track {
    Bytes b;
    Track& Ev(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
        Vlq(b, delta);
        b.insert(b.end(), bytes);
        return *this;
    }
    Track& Meta(std::uint32_t delta, std::uint8_t type, const Bytes& data) {
        Vlq(b, delta);
        b.push_back(0xFF);
        b.push_back(type);
        Vlq(b, static_cast<std::uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        return *this;
    }
    Track& Tempo(std::uint32_t delta, std::uint32_t usPerQuarter) {
        return Meta(delta, 0x51,
                    {static_cast<std::uint8_t>(usPerQuarter >> 16),
                     static_cast<std::uint8_t>(usPerQuarter >> 8), static_cast<std::uint8_t>(usPerQuarter)});
    }
    Track& Sysex(std::uint32_t delta, const Bytes& data) { // data after F0, ending with F7
        Vlq(b, delta);
        b.push_back(0xF0);
        Vlq(b, static_cast<std::uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        return *this;
    }
    Track& End(std::uint32_t delta = 0) { return Ev(delta, {0xFF, 0x2F, 0x00}); }
};

inline void Be32(Bytes& v, std::uint32_t x) {
    for (int i = 3; i >= 0; --i)
        v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

inline Bytes File(std::uint16_t format, std::uint16_t division, const std::vector<Track>& tracks,
                  std::uint32_t headerLength = 6) {
    Bytes f = {'M', 'T', 'h', 'd'};
    Be32(f, headerLength);
    f.push_back(static_cast<std::uint8_t>(format >> 8));
    f.push_back(static_cast<std::uint8_t>(format));
    f.push_back(static_cast<std::uint8_t>(tracks.size() >> 8));
    f.push_back(static_cast<std::uint8_t>(tracks.size()));
    f.push_back(static_cast<std::uint8_t>(division >> 8));
    f.push_back(static_cast<std::uint8_t>(division));
    for (const Track& t : tracks) {
        f.insert(f.end(), {'M', 'T', 'r', 'k'});
        Be32(f, static_cast<std::uint32_t>(t.b.size()));
        f.insert(f.end(), t.b.begin(), t.b.end());
    }
    return f;
}

// The merged image as the reader writes it: header, one track of the given event bytes.
inline Bytes Image(std::uint16_t division, const Bytes& events) {
    Bytes f = {'M',
               'T',
               'h',
               'd',
               0,
               0,
               0,
               6,
               0,
               0,
               0,
               1,
               static_cast<std::uint8_t>(division >> 8),
               static_cast<std::uint8_t>(division),
               'M',
               'T',
               'r',
               'k'};
    Be32(f, static_cast<std::uint32_t>(events.size()));
    f.insert(f.end(), events.begin(), events.end());
    return f;
}

} // namespace testmidi
