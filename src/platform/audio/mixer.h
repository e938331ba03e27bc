// Our own sound mixer over SDL audio.
//
// Every sound the player makes passes through here: the sample buffers of the sound effects
// (voices), and streaming sources such as the OGG players and the MIDI stream device. One lock
// guards all of it, because the window thread, the game thread and SDL's audio thread all touch
// the same state. The output is 16-bit stereo at a fixed rate; it goes either to an SDL audio
// device or, in manual mode, to whoever calls Pull (tests and benchmarks).
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace audio {

constexpr int kOutputRate = 44100;

// The lock of all audio state. Held by the audio callback while it mixes.
std::recursive_mutex& Lock();

// Informational lines of the audio layer (device choice, soundfont problems). The sound
// subsystem routes them into its own log; until then they go to standard error.
using LogSink = void (*)(const std::string& line);
void SetLogSink(LogSink sink);
void Log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Decoded samples, 16-bit signed, interleaved when stereo. Shared by a buffer and its duplicates.
struct PcmData {
    int rate = 0;
    int channels = 1;
    std::vector<std::int16_t> samples;
    std::size_t Frames() const {
        return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
};

// One playing position over shared samples. Owned by its sound buffer; registered with the mixer
// while it exists. Every field is read and written under Lock().
struct Voice {
    std::shared_ptr<PcmData> data;
    std::uint64_t position = 0; // in frames of data->rate, 32.32 fixed point
    bool playing = false;
    float gain = 1.0f;
};

// A source that produces sound of its own each block. Mix is called under Lock().
class Source {
  public:
    virtual ~Source() = default;
    // Adds `frames` stereo frames (interleaved, in 16-bit sample units) into `acc`. A null `acc`
    // (Advance) moves the source on by `frames` as if it had sounded, without making the sound.
    virtual void Mix(float* acc, int frames) = 0;
};

void AddVoice(Voice* voice);
void RemoveVoice(Voice* voice);
void AddSource(Source* source);
void RemoveSource(Source* source);

// Gain of a volume in hundredths of a decibel: 10^(v/2000); -10000 and below is silence.
float GainOfVolume(long hundredthsDb);

// Opening the output. Without SDL_AUDIODRIVER set, a failing device falls back to SDL's dummy
// driver (and ALSA's own error printing is silenced). Returns false with a reason when no output
// can be had.
bool OpenOutput(std::string* error);
void CloseOutput();

// Manual mode: OpenOutput opens no device, and the mixer runs only when Pull or Advance is called.
// Unless `heard`, the open output counts as unheard, as on the dummy driver (OutputHeard).
void SetManualOutput(bool manual, bool heard = true);
// Mixes `frames` stereo frames into `out` (interleaved). Used by the device callback and by tests.
void Pull(std::int16_t* out, int frames);
// Moves every voice and source on by `frames` exactly as Pull does (voices end, events fall due at
// the same frames) without making any sound: the device callback's work while nobody hears it.
void Advance(int frames);
// Whether the output reaches anyone: false while the device runs on SDL's dummy driver, which
// throws the sound away (chosen, or the fallback without a sound device). Manual output is heard
// unless it was set up unheard.
bool OutputHeard();

} // namespace audio
