#include "demo_music.h"

#include "ogg_writer.h"
#include "synth.h"

#include <filesystem>

namespace demo_music {

namespace {

constexpr std::uint32_t kEighth = kDivision / 2;
constexpr std::uint32_t kBar = kDivision * 4;

// Melody: (key, length in eighths) per bar; 0 is a rest.
struct Step {
    int key;
    int eighths;
};
const std::vector<std::vector<Step>> kMelody = {
    {{76, 2}, {79, 2}, {84, 3}, {83, 1}},                            // C
    {{81, 2}, {76, 2}, {72, 2}, {76, 2}},                            // Am
    {{77, 2}, {81, 2}, {84, 2}, {81, 1}, {79, 1}},                   // F
    {{79, 3}, {77, 1}, {76, 2}, {74, 2}},                            // G
    {{72, 1}, {76, 1}, {79, 1}, {84, 1}, {88, 2}, {86, 1}, {84, 1}}, // C
    {{84, 2}, {81, 2}, {76, 3}, {81, 1}},                            // Am
    {{81, 1}, {79, 1}, {77, 2}, {84, 2}, {81, 2}},                   // F
    {{83, 2}, {86, 2}, {79, 4}},                                     // G
};
// Root, fifth and octave of each bar's chord for the bass; the chord's three keys.
struct Harmony {
    int root, fifth, octave;
    int chord[3];
};
const Harmony kHarmony[4] = {{36, 43, 48, {60, 64, 67}},
                             {33, 40, 45, {57, 60, 64}},
                             {41, 48, 53, {57, 60, 65}},
                             {43, 50, 55, {55, 59, 62}}};

} // namespace

std::vector<Note> TitleNotes() {
    std::vector<Note> notes;
    for (int bar = 0; bar < kBars; ++bar) {
        const std::uint32_t t0 = static_cast<std::uint32_t>(bar) * kBar;
        std::uint32_t t = t0;
        for (const Step& s : kMelody[static_cast<std::size_t>(bar)]) {
            const std::uint32_t len = static_cast<std::uint32_t>(s.eighths) * kEighth;
            if (s.key) notes.push_back({0, t, len - 20, s.key, 100});
            t += len;
        }
        const Harmony& h = kHarmony[bar % 4];
        const int bass[5][2] = {{h.root, 2}, {h.root, 1}, {h.fifth, 1}, {h.octave, 2}, {h.fifth, 2}};
        t = t0;
        for (const auto& b : bass) {
            const std::uint32_t len = static_cast<std::uint32_t>(b[1]) * kEighth;
            notes.push_back({1, t, len - 30, b[0], 96});
            t += len;
        }
        for (int half = 0; half < 2; ++half)
            for (int key : h.chord)
                notes.push_back({2, t0 + half * 2 * kDivision, 2 * kDivision - 40, key, 64});
        for (int beat = 0; beat < 4; ++beat) {
            const std::uint32_t tb = t0 + static_cast<std::uint32_t>(beat) * kDivision;
            notes.push_back({9, tb, 60, beat % 2 == 0 ? 36 : 38, beat % 2 == 0 ? 110 : 96});
            notes.push_back({9, tb, 60, 42, 70});
            notes.push_back({9, tb + kEighth, 60, 42, 50});
        }
        if (bar % 4 == 0) notes.push_back({9, t0, 240, 49, 90});
    }
    return notes;
}

std::vector<midi_writer::Track> TitleTracks() {
    std::vector<midi_writer::Track> tracks(5);
    tracks[0].Name(0, "Title");
    tracks[0].Tempo(0, kQuarterMicroseconds);
    tracks[0].TimeSignature(0, 4, 2);
    const char* names[4] = {"Melody", "Bass", "Piano", "Drums"};
    const int channels[4] = {0, 1, 2, 9};
    const int programs[4] = {73, 33, 4, 0};
    const int volumes[4] = {100, 100, 80, 90};
    for (int i = 0; i < 4; ++i) {
        tracks[i + 1].Name(0, names[i]);
        if (channels[i] != 9) tracks[i + 1].Program(0, channels[i], programs[i]);
        tracks[i + 1].Controller(0, channels[i], 7, volumes[i]);
    }
    for (const Note& n : TitleNotes()) {
        const int part = n.channel == 9 ? 4 : n.channel + 1;
        tracks[static_cast<std::size_t>(part)].Note(n.tick, n.length, n.channel, n.key, n.velocity);
    }
    // Every part ends at the end of the last bar, so that the piece loops in time.
    for (midi_writer::Track& track : tracks)
        track.EndAt(kBars * kBar);
    return tracks;
}

std::vector<float> RenderTitle(int bars) {
    synth::Buffer b(kOggRate);
    const double secondsPerTick = kQuarterMicroseconds / 1e6 / kDivision;
    const std::uint32_t end = static_cast<std::uint32_t>(bars) * kBar;
    for (const Note& n : TitleNotes()) {
        if (n.tick >= end) continue;
        synth::Tone t;
        t.start = n.tick * secondsPerTick;
        t.length = n.length * secondsPerTick;
        t.freq = synth::KeyFrequency(n.key);
        const double v = n.velocity / 127.0;
        switch (n.channel) {
        case 0:
            t.wave = synth::Wave::Triangle;
            t.volume = 0.30 * v;
            t.attack = 0.01;
            t.release = 0.08;
            t.decay = 0.8;
            b.Add(t);
            t.wave = synth::Wave::Sine;
            t.freq *= 2;
            t.volume = 0.08 * v;
            b.Add(t);
            break;
        case 1:
            t.wave = synth::Wave::Sine;
            t.volume = 0.45 * v;
            t.decay = 2;
            b.Add(t);
            t.wave = synth::Wave::Triangle;
            t.volume = 0.12 * v;
            b.Add(t);
            break;
        case 2:
            t.wave = synth::Wave::Sine;
            t.volume = 0.14 * v;
            t.attack = 0.02;
            t.release = 0.15;
            t.decay = 1.2;
            b.Add(t);
            break;
        default:
            if (n.key == 36) { // kick
                t.freq = 120;
                t.freqEnd = 45;
                t.length = 0.12;
                t.wave = synth::Wave::Sine;
                t.volume = 0.6 * v;
                t.decay = 12;
                b.Add(t);
            } else if (n.key == 38) { // snare
                t.freq = 6000;
                t.wave = synth::Wave::Noise;
                t.length = 0.12;
                t.volume = 0.25 * v;
                t.decay = 20;
                b.Add(t);
            } else { // hats and cymbal
                t.freq = 11000;
                t.wave = synth::Wave::Noise;
                t.length = n.key == 49 ? 0.6 : 0.03;
                t.volume = (n.key == 49 ? 0.12 : 0.08) * v;
                t.decay = n.key == 49 ? 4 : 60;
                b.Add(t);
            }
            break;
        }
    }
    // Exactly the bars' length: the tails of the last notes sound over the start of the next
    // turn, as they would when the piece loops.
    b.FoldAt(static_cast<std::size_t>(end * secondsPerTick * kOggRate));
    return b.Normalised(0.7);
}

bool WriteAll(const std::string& folder, bool ogg) {
    const std::filesystem::path dir = std::filesystem::path(folder) / "bgm";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!midi_writer::Write((dir / "Title.mid").string(), TitleTracks(), kDivision)) return false;
    if (ogg && !ogg_writer::Write((dir / "Title.ogg").string(), RenderTitle(4), kOggRate, 0.2f)) return false;
    return true;
}

} // namespace demo_music
