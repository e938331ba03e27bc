#include "demo_sounds.h"

#include "demo_media.h"
#include "synth.h"
#include "wave_writer.h"

#include <filesystem>

namespace demo_sounds {

namespace {

using synth::Tone;
using synth::Wave;

Tone Note(double start, double length, int key, Wave wave, double volume, double release = 0.06) {
    Tone t;
    t.start = start;
    t.length = length;
    t.freq = synth::KeyFrequency(key);
    t.wave = wave;
    t.volume = volume;
    t.release = release;
    return t;
}

Tone Glide(double start, double length, double from, double to, Wave wave, double volume) {
    Tone t;
    t.start = start;
    t.length = length;
    t.freq = from;
    t.freqEnd = to;
    t.wave = wave;
    t.volume = volume;
    return t;
}

// Notes one after another, each `step` seconds long.
void Arpeggio(synth::Buffer& b, double start, double step, std::initializer_list<int> keys, Wave wave,
              double volume, double release = 0.08) {
    double at = start;
    for (int key : keys) {
        b.Add(Note(at, step, key, wave, volume, release));
        at += step;
    }
}

// Notes sounding together, with a slow fall.
void Chord(synth::Buffer& b, double start, double length, std::initializer_list<int> keys, double volume) {
    for (int key : keys) {
        Tone t = Note(start, length, key, Wave::Triangle, volume, 0.3);
        t.decay = 1.5;
        b.Add(t);
        Tone s = Note(start, length, key + 12, Wave::Sine, volume / 3, 0.3);
        s.decay = 2.5;
        b.Add(s);
    }
}

void Noise(synth::Buffer& b, double start, double length, double colour, double volume, double decay) {
    Tone t;
    t.start = start;
    t.length = length;
    t.freq = colour;
    t.wave = Wave::Noise;
    t.volume = volume;
    t.decay = decay;
    t.attack = 0.001;
    b.Add(t);
}

void Build(synth::Buffer& b, int n) {
    switch (n) {
    case 0: // cursor
        b.Add(Note(0, 0.025, 93, Wave::Square, 0.4, 0.02));
        break;
    case 1: // confirm
        Arpeggio(b, 0, 0.05, {81, 88}, Wave::Square, 0.35);
        break;
    case 2: // cancel
        Arpeggio(b, 0, 0.05, {84, 77}, Wave::Square, 0.35);
        break;
    case 3: { // refused
        Tone t = Note(0, 0.22, 45, Wave::Square, 0.5, 0.04);
        b.Add(t);
        b.Add(Note(0, 0.22, 46, Wave::Square, 0.3, 0.04));
        break;
    }
    case 4: // pause
        Arpeggio(b, 0, 0.07, {88, 84, 91}, Wave::Triangle, 0.5, 0.12);
        break;
    case 5: // save
        Arpeggio(b, 0, 0.06, {72, 76, 79, 84}, Wave::Triangle, 0.5, 0.2);
        break;
    case 6: // page
        Noise(b, 0, 0.08, 6000, 0.2, 20);
        b.Add(Glide(0, 0.06, 700, 1000, Wave::Triangle, 0.4));
        break;
    case 7: // damage
        b.Add(Glide(0, 0.15, 600, 150, Wave::Square, 0.5));
        Noise(b, 0, 0.12, 3000, 0.3, 15);
        break;
    case 8: // hero lost
        Arpeggio(b, 0, 0.12, {79, 78, 77, 76}, Wave::Square, 0.35, 0.05);
        b.Add(Glide(0.48, 0.4, synth::KeyFrequency(72), synth::KeyFrequency(48), Wave::Triangle, 0.5));
        break;
    case 9: // character defeated
        Noise(b, 0, 0.2, 4000, 0.4, 12);
        b.Add(Glide(0, 0.2, 500, 90, Wave::Triangle, 0.5));
        break;
    case 10: // bounce
        b.Add(Glide(0, 0.12, 220, 880, Wave::Sine, 0.6));
        break;
    case 11: // select
        b.Add(Note(0, 0.04, 84, Wave::Sine, 0.5, 0.04));
        break;
    case 12: // message
        Arpeggio(b, 0, 0.04, {96, 96}, Wave::Square, 0.25, 0.02);
        break;
    case 13: // time warning
        b.Add(Note(0, 0.08, 83, Wave::Square, 0.4, 0.02));
        b.Add(Note(0.16, 0.08, 83, Wave::Square, 0.4, 0.02));
        break;
    case 14: // stage clear
        Arpeggio(b, 0, 0.1, {72, 76, 79}, Wave::Square, 0.3);
        Chord(b, 0.3, 0.9, {72, 76, 79, 84}, 0.35);
        break;
    case 15: // extra life
        Arpeggio(b, 0, 0.05, {84, 88, 91, 96, 100, 103}, Wave::Triangle, 0.5, 0.1);
        break;
    default: // 16, ranking registered
        Arpeggio(b, 0, 0.07, {79, 83, 86, 91}, Wave::Triangle, 0.45);
        Chord(b, 0.28, 0.6, {67, 71, 74, 79}, 0.3);
        break;
    }
}

void BuildProject(synth::Buffer& b, int n) {
    switch (n) {
    case 1: // jump
        b.Add(Glide(0, 0.14, 300, 900, Wave::Square, 0.35));
        break;
    case 2: // coin
        b.Add(Note(0, 0.07, 83, Wave::Square, 0.35, 0.02));
        {
            Tone t = Note(0.07, 0.3, 88, Wave::Square, 0.35, 0.1);
            t.decay = 5;
            b.Add(t);
        }
        break;
    case 3: // shot
        b.Add(Glide(0, 0.1, 1200, 300, Wave::Square, 0.3));
        Noise(b, 0, 0.06, 8000, 0.2, 30);
        break;
    default: // 4, explosion
        Noise(b, 0, 0.6, 2500, 0.9, 6);
        Noise(b, 0, 0.5, 400, 0.6, 5);
        b.LowPass(2500);
        break;
    }
}

} // namespace

std::vector<std::int16_t> SystemSound(int n) {
    synth::Buffer b(kRate);
    Build(b, n);
    return b.ToPcm16();
}

std::vector<std::int16_t> ProjectSound(int n) {
    synth::Buffer b(kRate);
    BuildProject(b, n);
    return b.ToPcm16();
}

bool WriteAll(const std::string& folder) {
    const std::filesystem::path dir = std::filesystem::path(folder) / "wave";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const auto hostPath = [&](const char* file) {
        const std::string name = file;
        return (dir / name.substr(name.rfind('\\') + 1)).string();
    };
    for (int n = 0; n < demo_media::kSystemSoundCount; ++n)
        if (!wave_writer::Write(hostPath(demo_media::kSystemSounds[n]), SystemSound(n), kRate)) return false;
    for (int n = 1; n <= demo_media::kProjectSoundCount; ++n)
        if (!wave_writer::Write(hostPath(demo_media::kProjectSounds[n - 1].file), ProjectSound(n), kRate))
            return false;
    return true;
}

} // namespace demo_sounds
