#include "platform/audio/midi_out.h"

#include "platform/audio/mixer.h"
#include "platform/messages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fluidsynth.h>
#include <memory>

namespace win {

struct MidiStreamObject {
    ThreadId callbackThread = 0;
    DWORD timeDiv = 96;
    DWORD tempo = 500000; // microseconds per quarter note
    bool running = false;
    std::deque<MIDIHDR*> queue;
    DWORD offset = 0;          // byte offset of the next event in queue.front()
    bool haveEvent = false;    // the next event's delay has been taken
    double framesToNext = 0.0; // output frames until that event is due
};

} // namespace win

namespace audio {

namespace {

using win::DWORD;
using win::MIDIHDR;
using win::MidiStreamObject;

std::string g_soundFontPath;
bool g_soundFontPathSet = false;
MidiSink* g_testSink = nullptr;

std::string SoundFontPath() {
    if (g_soundFontPathSet) return g_soundFontPath;
    const char* env = std::getenv("MIRELDA4_SOUNDFONT");
    if (env && *env) return env;
    return "/usr/share/sounds/sf2/TimGM6mb.sf2";
}

// The General MIDI synthesizer: one instance for all streams, its soundfont loaded once.
class SynthSink final : public MidiSink {
  public:
    explicit SynthSink(const std::string& path) {
        fluid_set_log_function(FLUID_PANIC, &SynthLog, nullptr);
        fluid_set_log_function(FLUID_ERR, &SynthLog, nullptr);
        // Warnings (a program the soundfont lacks, say) would fill the log during play.
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
        m_settings = new_fluid_settings();
        if (!m_settings) return;
        fluid_settings_setnum(m_settings, "synth.sample-rate", kOutputRate);
        fluid_settings_setint(m_settings, "synth.threadsafe-api", 0);
        fluid_settings_setint(m_settings, "synth.cpu-cores", 1);
        // The default gain leaves a General MIDI piece some 20 dB below the sound effects.
        fluid_settings_setnum(m_settings, "synth.gain", 0.6);
        m_synth = new_fluid_synth(m_settings);
        if (!m_synth) return;
        // A missing soundfont is reported in one line of our own, not in the loader's four.
        fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
        int font = fluid_synth_sfload(m_synth, path.c_str(), 1);
        fluid_set_log_function(FLUID_ERR, &SynthLog, nullptr);
        if (font == FLUID_FAILED) {
            Log("audio: soundfont %s cannot be loaded; MIDI music plays silently", path.c_str());
            return;
        }
        m_ready = true;
    }
    ~SynthSink() override {
        if (m_synth) delete_fluid_synth(m_synth);
        if (m_settings) delete_fluid_settings(m_settings);
    }
    bool Ready() const { return m_ready; }

    void ShortMessage(std::uint8_t status, std::uint8_t d1, std::uint8_t d2, std::uint64_t) override {
        if (!m_ready) return;
        int ch = status & 0x0F;
        switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(m_synth, ch, d1);
            break;
        case 0x90:
            fluid_synth_noteon(m_synth, ch, d1, d2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(m_synth, ch, d1, d2);
            break;
        case 0xB0:
            fluid_synth_cc(m_synth, ch, d1, d2);
            break;
        case 0xC0:
            fluid_synth_program_change(m_synth, ch, d1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(m_synth, ch, d1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(m_synth, ch, d1 | (d2 << 7));
            break;
        default:
            break;
        }
    }
    void LongMessage(const std::uint8_t* bytes, std::size_t n, std::uint64_t) override {
        if (!m_ready || n < 2 || bytes[0] != 0xF0) return;
        // The synthesizer takes the body without the leading F0 and the closing F7.
        std::size_t len = n - 1;
        if (bytes[n - 1] == 0xF7) --len;
        fluid_synth_sysex(m_synth, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(len), nullptr,
                          nullptr, nullptr, 0);
    }
    void Render(float* acc, int frames) override {
        if (!m_ready || frames <= 0) return;
        if (m_left.size() < static_cast<std::size_t>(frames)) {
            m_left.resize(frames);
            m_right.resize(frames);
        }
        fluid_synth_write_float(m_synth, frames, m_left.data(), 0, 1, m_right.data(), 0, 1);
        for (int i = 0; i < frames; ++i) {
            acc[2 * i] += m_left[i] * 32767.0f;
            acc[2 * i + 1] += m_right[i] * 32767.0f;
        }
    }
    void SoundsOff(bool resetControllers) {
        if (!m_ready) return;
        for (int ch = 0; ch < 16; ++ch) {
            fluid_synth_all_notes_off(m_synth, ch);
            if (resetControllers) fluid_synth_cc(m_synth, ch, 121, 0);
        }
    }

  private:
    static void SynthLog(int level, const char* message, void*) {
        // Called under the audio lock; the log sink takes the same recursive lock.
        Log("audio: synthesizer %s: %s", level == FLUID_PANIC ? "panic" : "error", message);
    }

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    bool m_ready = false;
    std::vector<float> m_left, m_right;
};

// Plays every open stream and sounds them through the sink. Registered with the mixer while a
// stream is open.
// Where the events go while nobody hears them.
class NullSink final : public MidiSink {
  public:
    void ShortMessage(std::uint8_t, std::uint8_t, std::uint8_t, std::uint64_t) override {}
    void LongMessage(const std::uint8_t*, std::size_t, std::uint64_t) override {}
    void Render(float*, int) override {}
};

class MidiDevice final : public Source {
  public:
    std::vector<MidiStreamObject*> streams;
    std::unique_ptr<SynthSink> synth;
    std::uint64_t frame = 0;
    bool registered = false;

    MidiSink* Sink() {
        if (g_testSink) return g_testSink;
        // Nobody hears the output: the sound font is not even loaded, the events go nowhere.
        static NullSink none;
        if (!synth && !OutputHeard()) return &none;
        if (!synth) synth = std::make_unique<SynthSink>(SoundFontPath());
        return synth.get();
    }

    void Mix(float* acc, int frames) override {
        int done = 0;
        while (done < frames) {
            int n = frames - done;
            for (MidiStreamObject* s : streams) {
                DispatchDue(*s);
                // The next event may lie days away (a delta of 2^28 ticks): compared as a double,
                // converted only once it is known to fall within the block.
                if (s->running && s->haveEvent && std::ceil(s->framesToNext) < n)
                    n = std::max(1, static_cast<int>(std::ceil(s->framesToNext)));
            }
            if (acc) Sink()->Render(acc + 2 * done, n);
            for (MidiStreamObject* s : streams)
                if (s->running && s->haveEvent) s->framesToNext -= n;
            frame += static_cast<std::uint64_t>(n);
            done += n;
        }
    }

    double FramesPerTick(const MidiStreamObject& s) const {
        if (s.timeDiv & 0x8000) {
            // SMPTE division: frames per second in the high byte (negative), ticks per frame low.
            int fps = -static_cast<std::int8_t>((s.timeDiv >> 8) & 0xFF);
            int tpf = static_cast<int>(s.timeDiv & 0xFF);
            if (fps <= 0 || tpf <= 0) return 0.0;
            return static_cast<double>(kOutputRate) / (fps * tpf);
        }
        DWORD ppqn = s.timeDiv & 0x7FFF;
        if (ppqn == 0) ppqn = 96;
        return static_cast<double>(s.tempo) * kOutputRate / (1e6 * ppqn);
    }

    // Sends every event whose time has come.
    void DispatchDue(MidiStreamObject& s) {
        while (s.running) {
            if (!s.haveEvent && !TakeDelay(s)) return;
            if (s.framesToNext > 0.0) return;
            Dispatch(s);
        }
    }

    // Reads the delay of the next event in the queue; false when the queue is empty.
    bool TakeDelay(MidiStreamObject& s) {
        while (!s.queue.empty()) {
            MIDIHDR* h = s.queue.front();
            if (s.offset + 12 <= h->dwBytesRecorded) {
                DWORD delta;
                std::memcpy(&delta, h->lpData + s.offset, 4);
                s.framesToNext += delta * FramesPerTick(s);
                s.haveEvent = true;
                return true;
            }
            Finish(s); // a buffer without (further) events
        }
        return false;
    }

    // Hands the front buffer back to the player.
    void Finish(MidiStreamObject& s) {
        MIDIHDR* h = s.queue.front();
        s.queue.pop_front();
        s.offset = 0;
        h->dwFlags = (h->dwFlags & ~win::MHDR_INQUEUE) | win::MHDR_DONE;
        win::PostThreadMessage(s.callbackThread, win::MM_MOM_DONE, reinterpret_cast<win::WPARAM>(&s),
                               reinterpret_cast<win::LPARAM>(h));
    }

    void Dispatch(MidiStreamObject& s) {
        MIDIHDR* h = s.queue.front();
        const DWORD at = s.offset;
        DWORD word;
        std::memcpy(&word, h->lpData + at + 8, 4);
        DWORD size = 12;
        bool end = false;
        if (word & win::MEVT_F_LONG) {
            DWORD len = word & 0x00FFFFFF;
            DWORD padded = (len + 3) & ~3u;
            if (padded > h->dwBytesRecorded - at - 12) {
                // A long event that claims more than the buffer holds ends the buffer.
                size = h->dwBytesRecorded - at;
            } else {
                size += padded;
                if (((word >> 24) & 0x3F) == 0)
                    Sink()->LongMessage(reinterpret_cast<const std::uint8_t*>(h->lpData + at + 12), len,
                                        frame);
            }
        } else {
            switch ((word >> 24) & 0x3F) {
            case win::MEVT_SHORTMSG: {
                std::uint8_t status = word & 0xFF, d1 = (word >> 8) & 0xFF, d2 = (word >> 16) & 0xFF;
                if (status == 0xFF && d1 == 0x2F && d2 == 0x00)
                    end = true; // the player's end-of-track marker
                else if (status >= 0x80 && status < 0xF0)
                    Sink()->ShortMessage(status, d1, d2, frame);
                break;
            }
            case win::MEVT_TEMPO:
                if (word & 0x00FFFFFF) s.tempo = word & 0x00FFFFFF;
                break;
            default:
                break;
            }
        }
        s.offset += size;
        s.haveEvent = false;
        const bool last = s.offset + 12 > h->dwBytesRecorded;
        if (word & win::MEVT_F_CALLBACK) {
            h->dwOffset = at;
            if (end) h->dwFlags |= win::MHDR_ENDOFSTREAM;
        }
        if (last) Finish(s);
        if (word & win::MEVT_F_CALLBACK)
            win::PostThreadMessage(s.callbackThread, win::MM_MOM_POSITIONCB,
                                   reinterpret_cast<win::WPARAM>(&s), reinterpret_cast<win::LPARAM>(h));
    }

    void Silence(bool resetControllers) {
        if (g_testSink) {
            for (int ch = 0; ch < 16; ++ch) {
                g_testSink->ShortMessage(static_cast<std::uint8_t>(0xB0 | ch), 123, 0, frame);
                if (resetControllers)
                    g_testSink->ShortMessage(static_cast<std::uint8_t>(0xB0 | ch), 121, 0, frame);
            }
        } else if (synth) {
            synth->SoundsOff(resetControllers);
        }
    }

    // Every queued buffer goes back done; the stream's time starts again.
    void Flush(MidiStreamObject& s) {
        while (!s.queue.empty())
            Finish(s);
        s.offset = 0;
        s.haveEvent = false;
        s.framesToNext = 0.0;
    }
};

// Kept for the life of the process, as the mixer's state is.
MidiDevice& Device() {
    static MidiDevice* device = new MidiDevice;
    return *device;
}

bool IsOpen(MidiStreamObject* s) {
    auto& v = Device().streams;
    return s && std::find(v.begin(), v.end(), s) != v.end();
}

} // namespace

void RecordingMidiSink::ShortMessage(std::uint8_t status, std::uint8_t d1, std::uint8_t d2,
                                     std::uint64_t frame) {
    std::uint8_t n = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    Event e{frame, {status, d1, d2}};
    e.bytes.resize(n);
    m_events.push_back(std::move(e));
}

void RecordingMidiSink::LongMessage(const std::uint8_t* bytes, std::size_t length, std::uint64_t frame) {
    m_events.push_back(Event{frame, std::vector<std::uint8_t>(bytes, bytes + length)});
}

std::vector<RecordingMidiSink::Event> RecordingMidiSink::Events() const {
    std::lock_guard lock(Lock());
    return m_events;
}

void RecordingMidiSink::Clear() {
    std::lock_guard lock(Lock());
    m_events.clear();
}

void SetSoundFontPath(const std::string& path) {
    std::lock_guard lock(Lock());
    g_soundFontPath = path;
    g_soundFontPathSet = true;
    Device().synth.reset(); // loaded again with the new font when next needed
}

void SetMidiSinkForTests(MidiSink* sink) {
    std::lock_guard lock(Lock());
    g_testSink = sink;
}

void ShutdownMidiSynth() {
    std::lock_guard lock(Lock());
    Device().synth.reset();
}

bool MidiSynthReadyForTests() {
    std::lock_guard lock(Lock());
    if (!Device().synth) Device().synth = std::make_unique<SynthSink>(SoundFontPath());
    return Device().synth->Ready();
}

} // namespace audio

namespace win {

using audio::Device;
using audio::Lock;

MMRESULT midiStreamOpen(HMIDISTRM* out, UINT* deviceId, DWORD cMidi, std::uintptr_t callback, std::uintptr_t,
                        DWORD fdwOpen) {
    if (!out) return MMSYSERR_INVALPARAM;
    *out = nullptr;
    if (deviceId && *deviceId != MIDI_MAPPER && *deviceId != 0) return MMSYSERR_BADDEVICEID;
    if (cMidi != 1) return MMSYSERR_INVALPARAM;
    if ((fdwOpen & 0x00070000) != CALLBACK_THREAD) return MMSYSERR_INVALFLAG;
    // The synthesizer is made when the first stream opens. Loading the soundfont takes a while, so
    // it is done without holding the audio lock, which would keep the sound effects waiting.
    std::unique_ptr<audio::SynthSink> fresh;
    std::string font;
    {
        std::lock_guard lock(Lock());
        // Nobody hears the output: no synthesizer at all (MidiDevice::Sink).
        if (!audio::g_testSink && !Device().synth && audio::OutputHeard()) font = audio::SoundFontPath();
    }
    if (!font.empty()) fresh = std::make_unique<audio::SynthSink>(font);
    auto* s = new MidiStreamObject;
    s->callbackThread = static_cast<ThreadId>(callback);
    std::lock_guard lock(Lock());
    auto& d = Device();
    if (fresh && !d.synth) d.synth = std::move(fresh);
    d.streams.push_back(s);
    if (!d.registered) {
        audio::AddSource(&d);
        d.registered = true;
    }
    *out = s;
    return MMSYSERR_NOERROR;
}

MMRESULT midiStreamClose(HMIDISTRM s) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    if (!s->queue.empty()) return MIDIERR_STILLPLAYING;
    auto& v = Device().streams;
    v.erase(std::find(v.begin(), v.end(), s));
    delete s;
    if (v.empty() && Device().registered) {
        // With no stream open the synthesizer is not run at all.
        audio::RemoveSource(&Device());
        Device().registered = false;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT midiStreamProperty(HMIDISTRM s, BYTE* data, DWORD flags) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    if (!data) return MMSYSERR_INVALPARAM;
    bool set = flags & MIDIPROP_SET;
    if (set == bool(flags & MIDIPROP_GET)) return MMSYSERR_INVALFLAG;
    DWORD* field = nullptr;
    if (flags & MIDIPROP_TIMEDIV)
        field = &s->timeDiv;
    else if (flags & MIDIPROP_TEMPO)
        field = &s->tempo;
    else
        return MMSYSERR_INVALPARAM;
    auto* p = reinterpret_cast<MIDIPROPTIMEDIV*>(data); // both properties are {size, value}
    if (set)
        *field = p->dwTimeDiv;
    else
        p->dwTimeDiv = *field;
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutPrepareHeader(HMIDIOUT s, MIDIHDR* h, UINT) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    if (!h || !h->lpData) return MMSYSERR_INVALPARAM;
    h->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutUnprepareHeader(HMIDIOUT s, MIDIHDR* h, UINT) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    if (!h) return MMSYSERR_INVALPARAM;
    if (h->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
    h->dwFlags &= ~MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT midiStreamOut(HMIDISTRM s, MIDIHDR* h, UINT) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    if (!h || !h->lpData || h->dwBytesRecorded > h->dwBufferLength) return MMSYSERR_INVALPARAM;
    if (!(h->dwFlags & MHDR_PREPARED)) return MIDIERR_UNPREPARED;
    if (h->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
    h->dwFlags = (h->dwFlags & ~(MHDR_DONE | MHDR_ENDOFSTREAM)) | MHDR_INQUEUE | MHDR_ISSTRM;
    s->queue.push_back(h);
    return MMSYSERR_NOERROR;
}

MMRESULT midiStreamRestart(HMIDISTRM s) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    s->running = true;
    return MMSYSERR_NOERROR;
}

MMRESULT midiStreamPause(HMIDISTRM s) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    if (s->running) Device().Silence(false);
    s->running = false;
    return MMSYSERR_NOERROR;
}

MMRESULT midiStreamStop(HMIDISTRM s) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    s->running = false;
    Device().Flush(*s);
    Device().Silence(false);
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutReset(HMIDIOUT s) {
    std::lock_guard lock(Lock());
    if (!audio::IsOpen(s)) return MMSYSERR_INVALHANDLE;
    s->running = false;
    Device().Flush(*s);
    Device().Silence(true);
    return MMSYSERR_NOERROR;
}

BOOL mciGetErrorString(DWORD error, char* text, UINT length) {
    const char* msg = nullptr;
    switch (error) {
    case MMSYSERR_NOERROR:
        msg = "The specified command was carried out.";
        break;
    case MMSYSERR_ERROR:
        msg = "Undefined external error.";
        break;
    case MMSYSERR_BADDEVICEID:
        msg = "A device ID has been used that is out of range for your system.";
        break;
    case MMSYSERR_INVALHANDLE:
        msg = "The specified device handle is invalid.";
        break;
    case MMSYSERR_NOMEM:
        msg = "Your system is low on memory.";
        break;
    case MMSYSERR_INVALFLAG:
        msg = "An invalid flag was passed to a system function.";
        break;
    case MMSYSERR_INVALPARAM:
        msg = "An invalid parameter was passed to a system function.";
        break;
    case MIDIERR_UNPREPARED:
        msg = "The MIDI header was not prepared.";
        break;
    case MIDIERR_STILLPLAYING:
        msg = "The MIDI buffer is still playing.";
        break;
    default:
        break;
    }
    if (text && length > 0) {
        std::snprintf(text, length, "%s", msg ? msg : "Unknown error.");
    }
    return msg ? TRUE : FALSE;
}

} // namespace win
