#include "platform/audio/mixer.h"

#include <SDL.h>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace audio {

namespace {

// The mixer's state lives as long as the process: SDL's audio thread may still call in while the
// process ends, after static objects have been destroyed.
struct MixerState {
    std::vector<Voice*> voices;
    std::vector<Source*> sources;
    std::vector<float> acc;
    LogSink logSink = nullptr;
    bool manual = false;
    bool manualHeard = true;
    bool open = false;
    SDL_AudioDeviceID device = 0;
    bool subsystemInit = false; // SDL_InitSubSystem(SDL_INIT_AUDIO) succeeded
    bool directInit = false;    // SDL_AudioInit("dummy") after the fallback
};

// The output runs on SDL's dummy driver (read by the device callback and the MIDI device).
std::atomic<bool> g_unheard{false};

MixerState& S() {
    static MixerState* state = new MixerState;
    return *state;
}

void MixVoice(Voice& v, float* acc, int frames) {
    const PcmData& d = *v.data;
    const std::size_t n = d.Frames();
    if (n == 0 || d.rate <= 0) {
        v.playing = false;
        return;
    }
    const std::uint64_t step = (static_cast<std::uint64_t>(d.rate) << 32) / kOutputRate;
    const std::int16_t* s = d.samples.data();
    const float g = v.gain;
    std::uint64_t pos = v.position;
    const std::uint64_t end = static_cast<std::uint64_t>(n) << 32;
    int i = 0;
    if (d.channels == 1) {
        for (; i < frames && pos < end; ++i, pos += step) {
            std::size_t k = static_cast<std::size_t>(pos >> 32);
            float f = static_cast<float>(pos & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
            float a = s[k];
            float b = k + 1 < n ? s[k + 1] : a;
            float x = (a + (b - a) * f) * g;
            acc[2 * i] += x;
            acc[2 * i + 1] += x;
        }
    } else {
        for (; i < frames && pos < end; ++i, pos += step) {
            std::size_t k = static_cast<std::size_t>(pos >> 32);
            float f = static_cast<float>(pos & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
            std::size_t k1 = k + 1 < n ? k + 1 : k;
            float l0 = s[2 * k], r0 = s[2 * k + 1];
            float l1 = s[2 * k1], r1 = s[2 * k1 + 1];
            acc[2 * i] += (l0 + (l1 - l0) * f) * g;
            acc[2 * i + 1] += (r0 + (r1 - r0) * f) * g;
        }
    }
    if (pos >= end) {
        v.playing = false;
        pos = end;
    }
    v.position = pos;
}

void SDLCALL DeviceCallback(void*, Uint8* stream, int len) {
    if (g_unheard.load(std::memory_order_relaxed)) {
        Advance(len / 4);
        std::memset(stream, 0, static_cast<std::size_t>(len));
        return;
    }
    Pull(reinterpret_cast<std::int16_t*>(stream), len / 4);
}

// Moves a voice on by `frames` without sound; it ends when it would have.
void SkipVoice(Voice& v, int frames) {
    const std::uint64_t step = (static_cast<std::uint64_t>(v.data->rate) << 32) / kOutputRate;
    const std::uint64_t end = static_cast<std::uint64_t>(v.data->Frames()) << 32;
    v.position += step * static_cast<std::uint64_t>(frames);
    if (v.position >= end) {
        v.position = end;
        v.playing = false;
    }
}

// ALSA prints its errors straight to standard error when there is no card. Its handler is set
// in the same library instance that SDL loads later.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void SilenceAlsa() {
    static void* lib = nullptr;
    if (lib) return;
    lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!lib) return;
    using SetHandler = int (*)(AlsaErrorHandler);
    auto set = reinterpret_cast<SetHandler>(dlsym(lib, "snd_lib_error_set_handler"));
    if (set) set(&QuietAlsa);
}

// The frames the device takes at a time. The dummy driver's thread sleeps for as long as a buffer
// would play and then asks for the next: nobody hears it, so it asks for large buffers and wakes
// seldom (voices and music still move on as they would have sounded).
Uint16 BufferFrames() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver && std::strcmp(driver, "dummy") == 0 ? 4096 : 1024;
}

SDL_AudioDeviceID OpenDevice() {
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = BufferFrames();
    want.callback = &DeviceCallback;
    SDL_AudioSpec have{};
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

} // namespace

std::recursive_mutex& Lock() {
    static std::recursive_mutex* m = new std::recursive_mutex;
    return *m;
}

void SetLogSink(LogSink sink) {
    std::lock_guard lock(Lock());
    S().logSink = sink;
}

void Log(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    LogSink sink;
    {
        std::lock_guard lock(Lock());
        sink = S().logSink;
    }
    if (sink)
        sink(buf);
    else
        std::fprintf(stderr, "%s\n", buf);
}

void AddVoice(Voice* voice) {
    std::lock_guard lock(Lock());
    S().voices.push_back(voice);
}

void RemoveVoice(Voice* voice) {
    std::lock_guard lock(Lock());
    S().voices.erase(std::remove(S().voices.begin(), S().voices.end(), voice), S().voices.end());
}

void AddSource(Source* source) {
    std::lock_guard lock(Lock());
    S().sources.push_back(source);
}

void RemoveSource(Source* source) {
    std::lock_guard lock(Lock());
    S().sources.erase(std::remove(S().sources.begin(), S().sources.end(), source), S().sources.end());
}

float GainOfVolume(long v) {
    if (v <= -10000) return 0.0f;
    if (v >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, static_cast<double>(v) / 2000.0));
}

void SetManualOutput(bool manual, bool heard) {
    std::lock_guard lock(Lock());
    S().manual = manual;
    S().manualHeard = heard;
}

bool OpenOutput(std::string* error) {
    {
        std::lock_guard lock(Lock());
        if (S().open) return true;
        if (S().manual) {
            S().open = true;
            g_unheard = !S().manualHeard;
            return true;
        }
    }
    const char* env = std::getenv("SDL_AUDIODRIVER");
    const bool chosen = env && *env;
    if (!chosen) SilenceAlsa();
    SDL_AudioDeviceID dev = 0;
    std::string why;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        S().subsystemInit = true;
        dev = OpenDevice();
        if (dev == 0) {
            why = SDL_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            S().subsystemInit = false;
        }
    } else {
        why = SDL_GetError();
    }
    if (dev == 0 && !chosen) {
        if (SDL_AudioInit("dummy") == 0) {
            S().directInit = true;
            dev = OpenDevice();
            if (dev == 0) {
                SDL_AudioQuit();
                S().directInit = false;
            }
        }
        if (dev != 0) Log("audio: no sound device (%s); playing silently on the dummy driver", why.c_str());
    }
    if (dev == 0) {
        if (error) *error = why.empty() ? SDL_GetError() : why;
        return false;
    }
    {
        std::lock_guard lock(Lock());
        S().device = dev;
        S().open = true;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    g_unheard = driver && std::strcmp(driver, "dummy") == 0;
    SDL_PauseAudioDevice(dev, 0);
    return true;
}

void CloseOutput() {
    SDL_AudioDeviceID dev;
    {
        std::lock_guard lock(Lock());
        if (!S().open) return;
        dev = S().device;
        S().device = 0;
        S().open = false;
    }
    g_unheard = false;
    // Closing waits for a running callback, which takes the lock: close outside it.
    if (dev != 0) SDL_CloseAudioDevice(dev);
    if (S().directInit) {
        SDL_AudioQuit();
        S().directInit = false;
    }
    if (S().subsystemInit) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        S().subsystemInit = false;
    }
}

void Pull(std::int16_t* out, int frames) {
    std::lock_guard lock(Lock());
    if (S().acc.size() < static_cast<std::size_t>(frames) * 2)
        S().acc.resize(static_cast<std::size_t>(frames) * 2);
    float* acc = S().acc.data();
    std::fill(acc, acc + 2 * frames, 0.0f);
    for (Voice* v : S().voices)
        if (v->playing && v->gain > 0.0f)
            MixVoice(*v, acc, frames);
        else if (v->playing && v->data)
            SkipVoice(*v, frames); // a silent voice still moves on, so that it ends when it would have
    for (Source* s : S().sources)
        s->Mix(acc, frames);
    for (int i = 0; i < 2 * frames; ++i) {
        float x = std::clamp(acc[i], -32768.0f, 32767.0f);
        out[i] = static_cast<std::int16_t>(std::lrint(x));
    }
}

void Advance(int frames) {
    std::lock_guard lock(Lock());
    for (Voice* v : S().voices)
        if (v->playing && v->data) {
            // As MixVoice ends a voice without sound data at once.
            if (v->data->Frames() == 0 || v->data->rate <= 0)
                v->playing = false;
            else
                SkipVoice(*v, frames);
        }
    for (Source* s : S().sources)
        s->Mix(nullptr, frames);
}

bool OutputHeard() {
    return !g_unheard.load(std::memory_order_relaxed);
}

} // namespace audio
