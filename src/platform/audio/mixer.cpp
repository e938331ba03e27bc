#include "platform/audio/mixer.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace audio {

namespace {

std::vector<Voice*> g_voices;
std::vector<Source*> g_sources;
std::vector<float> g_acc;
LogSink g_logSink = nullptr;
bool g_manual = false;
bool g_open = false;
SDL_AudioDeviceID g_device = 0;
bool g_subsystemInit = false; // SDL_InitSubSystem(SDL_INIT_AUDIO) succeeded
bool g_directInit = false;    // SDL_AudioInit("dummy") after the fallback

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
    Pull(reinterpret_cast<std::int16_t*>(stream), len / 4);
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

SDL_AudioDeviceID OpenDevice() {
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &DeviceCallback;
    SDL_AudioSpec have{};
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

} // namespace

std::recursive_mutex& Lock() {
    static std::recursive_mutex m;
    return m;
}

void SetLogSink(LogSink sink) {
    std::lock_guard lock(Lock());
    g_logSink = sink;
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
        sink = g_logSink;
    }
    if (sink)
        sink(buf);
    else
        std::fprintf(stderr, "%s\n", buf);
}

void AddVoice(Voice* voice) {
    std::lock_guard lock(Lock());
    g_voices.push_back(voice);
}

void RemoveVoice(Voice* voice) {
    std::lock_guard lock(Lock());
    g_voices.erase(std::remove(g_voices.begin(), g_voices.end(), voice), g_voices.end());
}

void AddSource(Source* source) {
    std::lock_guard lock(Lock());
    g_sources.push_back(source);
}

void RemoveSource(Source* source) {
    std::lock_guard lock(Lock());
    g_sources.erase(std::remove(g_sources.begin(), g_sources.end(), source), g_sources.end());
}

float GainOfVolume(long v) {
    if (v <= -10000) return 0.0f;
    if (v >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, static_cast<double>(v) / 2000.0));
}

void SetManualOutput(bool manual) {
    std::lock_guard lock(Lock());
    g_manual = manual;
}

bool IsOutputOpen() {
    std::lock_guard lock(Lock());
    return g_open;
}

bool OpenOutput(std::string* error) {
    {
        std::lock_guard lock(Lock());
        if (g_open) return true;
        if (g_manual) {
            g_open = true;
            return true;
        }
    }
    const char* env = std::getenv("SDL_AUDIODRIVER");
    const bool chosen = env && *env;
    if (!chosen) SilenceAlsa();
    SDL_AudioDeviceID dev = 0;
    std::string why;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        g_subsystemInit = true;
        dev = OpenDevice();
        if (dev == 0) {
            why = SDL_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            g_subsystemInit = false;
        }
    } else {
        why = SDL_GetError();
    }
    if (dev == 0 && !chosen) {
        if (SDL_AudioInit("dummy") == 0) {
            g_directInit = true;
            dev = OpenDevice();
            if (dev == 0) {
                SDL_AudioQuit();
                g_directInit = false;
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
        g_device = dev;
        g_open = true;
    }
    SDL_PauseAudioDevice(dev, 0);
    return true;
}

void CloseOutput() {
    SDL_AudioDeviceID dev;
    {
        std::lock_guard lock(Lock());
        if (!g_open) return;
        dev = g_device;
        g_device = 0;
        g_open = false;
    }
    // Closing waits for a running callback, which takes the lock: close outside it.
    if (dev != 0) SDL_CloseAudioDevice(dev);
    if (g_directInit) {
        SDL_AudioQuit();
        g_directInit = false;
    }
    if (g_subsystemInit) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_subsystemInit = false;
    }
}

void Pull(std::int16_t* out, int frames) {
    std::lock_guard lock(Lock());
    if (g_acc.size() < static_cast<std::size_t>(frames) * 2)
        g_acc.resize(static_cast<std::size_t>(frames) * 2);
    float* acc = g_acc.data();
    std::fill(acc, acc + 2 * frames, 0.0f);
    for (Voice* v : g_voices)
        if (v->playing && v->gain > 0.0f)
            MixVoice(*v, acc, frames);
        else if (v->playing && v->data) {
            // A silent voice still moves on, so that it ends when it would have.
            const std::uint64_t step = (static_cast<std::uint64_t>(v->data->rate) << 32) / kOutputRate;
            const std::uint64_t end = static_cast<std::uint64_t>(v->data->Frames()) << 32;
            v->position += step * static_cast<std::uint64_t>(frames);
            if (v->position >= end) {
                v->position = end;
                v->playing = false;
            }
        }
    for (Source* s : g_sources)
        s->Mix(acc, frames);
    for (int i = 0; i < 2 * frames; ++i) {
        float x = std::clamp(acc[i], -32768.0f, 32767.0f);
        out[i] = static_cast<std::int16_t>(std::lrint(x));
    }
}

} // namespace audio
