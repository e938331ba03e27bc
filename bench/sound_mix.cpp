// Cost of the mixer: sixteen sound effects at once plus one OGG music stream, mixed into 16-bit
// stereo at 44.1 kHz. "core_percent" is the share of one core that keeps up with real time.
#include "platform/audio/dsound.h"
#include "platform/audio/midi_out.h"
#include "platform/audio/vox.h"
#include "platform/messages.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <vector>

namespace {

constexpr int kBlock = 1024;

std::string TonePath() {
    return (std::filesystem::path(__FILE__).parent_path() / ".." / "tests" / "platform_audio" / "data" /
            "tone.ogg")
        .string();
}

// Sixteen effects of ten seconds each (22,050 Hz, 8-bit mono, as the player's defaults), all playing.
std::vector<win::IDirectSoundBuffer*> StartVoices(win::IDirectSound* ds) {
    std::vector<win::IDirectSoundBuffer*> voices;
    win::WAVEFORMATEX f;
    f.wFormatTag = win::WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 22050;
    f.wBitsPerSample = 8;
    f.nBlockAlign = 1;
    f.nAvgBytesPerSec = 22050;
    win::DSBUFFERDESC d;
    d.dwSize = 36;
    d.dwBufferBytes = 22050 * 10;
    d.lpwfxFormat = &f;
    for (int i = 0; i < 16; ++i) {
        win::IDirectSoundBuffer* b = nullptr;
        ds->CreateSoundBuffer(&d, &b, nullptr);
        void* p;
        win::DWORD n;
        b->Lock(0, 0, &p, &n, nullptr, nullptr, win::DSBLOCK_ENTIREBUFFER);
        auto* s = static_cast<std::uint8_t*>(p);
        for (win::DWORD k = 0; k < n; ++k)
            s[k] = static_cast<std::uint8_t>(128 + 60 * std::sin(k * 0.05 * (i + 1)));
        b->Unlock(p, n, nullptr, 0);
        b->SetVolume(-300 * (i % 4));
        b->Play(0, 0, 0);
        voices.push_back(b);
    }
    return voices;
}

// The share of one core, in percent, that mixing takes while playing in real time.
void CorePercent(benchmark::State& state, std::chrono::steady_clock::time_point start) {
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double perBlock = state.iterations() ? seconds / static_cast<double>(state.iterations()) : 0.0;
    state.counters["core_percent"] = 100.0 * perBlock / (kBlock / 44100.0);
}

void Rewind(std::vector<win::IDirectSoundBuffer*>& voices) {
    for (auto* b : voices) {
        win::DWORD pos = 0;
        b->GetCurrentPosition(&pos, nullptr);
        if (pos > 22050 * 9) b->SetCurrentPosition(0);
        b->Play(0, 0, 0);
    }
}

void BM_SixteenVoicesAndOggMusic(benchmark::State& state) {
    audio::SetManualOutput(true);
    win::IDirectSound* ds = nullptr;
    win::DirectSoundCreate(nullptr, &ds, nullptr);
    auto voices = StartVoices(ds);
    auto* module = audio::LoadVoxLibrary("Vox.dll");
    audio::IVox* music = audio::GetVoxProcAddress(module, "CreateVox")();
    if (!music->Load(TonePath().c_str())) state.SkipWithError("tone.ogg not found");
    music->SetLoop(0x7FFFFFFF);
    music->Play();
    std::vector<std::int16_t> out(kBlock * 2);
    int blocks = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        audio::Pull(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
        if (++blocks % 64 == 0) Rewind(voices);
    }
    CorePercent(state, start);
    music->Release();
    for (auto* b : voices)
        b->Release();
    ds->Release();
    state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_SixteenVoicesAndOggMusic)->Unit(benchmark::kMicrosecond);

// For comparison: the General MIDI synthesizer playing a chord through the MIDI stream device.
void BM_MidiSynthesizerChord(benchmark::State& state) {
    audio::SetManualOutput(true);
    audio::SetSoundFontPath("/usr/share/sounds/sf2/TimGM6mb.sf2");
    win::MSG m;
    win::PeekMessage(&m, nullptr, 0, 0, win::PM_NOREMOVE);
    win::HMIDISTRM s = nullptr;
    win::UINT dev = win::MIDI_MAPPER;
    win::midiStreamOpen(&s, &dev, 1, win::GetCurrentThreadId(), 0, win::CALLBACK_THREAD);
    std::vector<std::uint32_t> ev;
    for (int note : {48, 52, 55, 60, 64, 67, 72, 76}) {
        ev.insert(ev.end(), {0, 0, static_cast<std::uint32_t>(0x90 | note << 8 | 100 << 16)});
    }
    win::MIDIHDR h;
    h.lpData = reinterpret_cast<char*>(ev.data());
    h.dwBufferLength = h.dwBytesRecorded = static_cast<win::DWORD>(ev.size() * 4);
    win::midiOutPrepareHeader(s, &h, sizeof h);
    win::midiStreamOut(s, &h, sizeof h);
    win::midiStreamRestart(s);
    std::vector<std::int16_t> out(kBlock * 2);
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        audio::Pull(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    CorePercent(state, start);
    win::midiOutReset(s);
    win::midiOutUnprepareHeader(s, &h, sizeof h);
    win::midiStreamClose(s);
    audio::ShutdownMidiSynth();
}
BENCHMARK(BM_MidiSynthesizerChord)->Unit(benchmark::kMicrosecond);

} // namespace
