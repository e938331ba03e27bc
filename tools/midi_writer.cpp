#include "midi_writer.h"

#include <algorithm>
#include <cstdio>

namespace midi_writer {

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutVarLen(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

std::uint8_t Data(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 127));
}

std::uint8_t Status(int kind, int channel) {
    return static_cast<std::uint8_t>(kind | (channel & 0x0F));
}

} // namespace

void Track::Tempo(std::uint32_t tick, std::uint32_t us) {
    m_Events.push_back({tick,
                        0,
                        {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(us >> 16),
                         static_cast<std::uint8_t>(us >> 8), static_cast<std::uint8_t>(us)}});
}

void Track::TimeSignature(std::uint32_t tick, int numerator, int denominatorPower) {
    m_Events.push_back({tick, 0, {0xFF, 0x58, 0x04, Data(numerator), Data(denominatorPower), 24, 8}});
}

void Track::Name(std::uint32_t tick, const std::string& name) {
    Event e{tick, 0, {0xFF, 0x03}};
    PutVarLen(e.bytes, static_cast<std::uint32_t>(name.size()));
    e.bytes.insert(e.bytes.end(), name.begin(), name.end());
    m_Events.push_back(std::move(e));
}

void Track::Program(std::uint32_t tick, int channel, int program) {
    m_Events.push_back({tick, 0, {Status(0xC0, channel), Data(program)}});
}

void Track::Controller(std::uint32_t tick, int channel, int controller, int value) {
    m_Events.push_back({tick, 0, {Status(0xB0, channel), Data(controller), Data(value)}});
}

void Track::Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity) {
    m_Events.push_back({tick, 2, {Status(0x90, channel), Data(key), Data(velocity)}});
    m_Events.push_back({tick + length, 1, {Status(0x80, channel), Data(key), 0}});
}

std::vector<std::uint8_t> Encode(const std::vector<Track>& tracks, int division) {
    std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd'};
    Put(out, 6, 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(tracks.size()), 2);
    Put(out, static_cast<std::uint32_t>(division), 2);
    for (const Track& track : tracks) {
        std::vector<Event> events = track.Events();
        std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        std::vector<std::uint8_t> body;
        std::uint32_t now = 0;
        for (const Event& e : events) {
            PutVarLen(body, e.tick - now);
            now = e.tick;
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        }
        PutVarLen(body, track.End() > now ? track.End() - now : 0);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        Put(out, static_cast<std::uint32_t>(body.size()), 4);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

bool Write(const std::string& path, const std::vector<Track>& tracks, int division) {
    const std::vector<std::uint8_t> bytes = Encode(tracks, division);
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    return std::fclose(fp) == 0 && wrote;
}

} // namespace midi_writer
