// A MIDI stream output device in the manner of the platform's MIDI stream functions.
//
// The player hands it buffers of timed events (three 32-bit words each: delta time in ticks,
// stream id, event word; long events carry their bytes after the third word). The device plays
// them on the mixer's clock: each event is sent at the exact output frame its time falls on, to a
// sink that sounds it (a General MIDI synthesizer) or records it (tests). Events flagged with
// MEVT_F_CALLBACK post MM_MOM_POSITIONCB to the thread named at open. The end-of-track event that
// the player writes (a short event with the bytes FF 2F 00) is never sent to the sink: the device
// recognises it and marks its header with MHDR_ENDOFSTREAM before the callback is posted.
#pragma once
#include "platform/win_types.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win {

struct MidiStreamObject;
using HMIDISTRM = MidiStreamObject*;
using HMIDIOUT = MidiStreamObject*;
using MMRESULT = UINT;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MIDIERR_UNPREPARED = 64;
constexpr MMRESULT MIDIERR_STILLPLAYING = 65;

constexpr UINT MIDI_MAPPER = 0xFFFFFFFFu;
constexpr DWORD CALLBACK_THREAD = 0x00020000;

constexpr DWORD MIDIPROP_SET = 0x80000000;
constexpr DWORD MIDIPROP_GET = 0x40000000;
constexpr DWORD MIDIPROP_TIMEDIV = 0x00000001;
constexpr DWORD MIDIPROP_TEMPO = 0x00000002;

struct MIDIPROPTIMEDIV {
    DWORD cbStruct = sizeof(MIDIPROPTIMEDIV);
    DWORD dwTimeDiv = 0;
};

constexpr DWORD MHDR_DONE = 0x1;
constexpr DWORD MHDR_PREPARED = 0x2;
constexpr DWORD MHDR_INQUEUE = 0x4;
constexpr DWORD MHDR_ISSTRM = 0x8;
// Set by this device on a header whose flagged event was the end of the track.
constexpr DWORD MHDR_ENDOFSTREAM = 0x00010000;

constexpr DWORD MEVT_F_SHORT = 0x00000000;
constexpr DWORD MEVT_F_LONG = 0x80000000;
constexpr DWORD MEVT_F_CALLBACK = 0x40000000;
constexpr BYTE MEVT_SHORTMSG = 0x00;
constexpr BYTE MEVT_TEMPO = 0x01;
constexpr BYTE MEVT_NOP = 0x02;

constexpr UINT MM_MOM_DONE = 0x3C9;
constexpr UINT MM_MOM_POSITIONCB = 0x3CA;

struct MIDIHDR {
    char* lpData = nullptr;
    DWORD dwBufferLength = 0;
    DWORD dwBytesRecorded = 0;
    std::uintptr_t dwUser = 0;
    // Written by the device while the header is queued, read by the player's threads.
    std::atomic<DWORD> dwFlags{0};
    MIDIHDR* lpNext = nullptr;
    std::uintptr_t reserved = 0;
    DWORD dwOffset = 0;
    std::uintptr_t dwReserved[8] = {};
};

// The one device there is: MIDI_MAPPER or 0. `callback` is the id of the thread that receives
// the MM_MOM_* messages (fdwOpen CALLBACK_THREAD).
MMRESULT midiStreamOpen(HMIDISTRM* out, UINT* deviceId, DWORD cMidi, std::uintptr_t callback,
                        std::uintptr_t instance, DWORD fdwOpen);
MMRESULT midiStreamClose(HMIDISTRM stream);
MMRESULT midiStreamProperty(HMIDISTRM stream, BYTE* data, DWORD flags);
MMRESULT midiOutPrepareHeader(HMIDIOUT out, MIDIHDR* hdr, UINT size);
MMRESULT midiOutUnprepareHeader(HMIDIOUT out, MIDIHDR* hdr, UINT size);
MMRESULT midiStreamOut(HMIDISTRM stream, MIDIHDR* hdr, UINT size);
MMRESULT midiStreamRestart(HMIDISTRM stream);
MMRESULT midiStreamPause(HMIDISTRM stream);
// Hands back every queued buffer (done) and silences the synthesizer; time starts again at 0.
MMRESULT midiStreamStop(HMIDISTRM stream);
// As stop, and resets the controllers of every channel.
MMRESULT midiOutReset(HMIDIOUT out);
// The text of an error code; FALSE for an unknown code.
BOOL mciGetErrorString(DWORD error, char* text, UINT length);

} // namespace win

namespace audio {

// What sounds (or records) the events of the MIDI streams. Called under the audio lock.
class MidiSink {
  public:
    virtual ~MidiSink() = default;
    // `frame` counts output frames since the MIDI device started.
    virtual void ShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                              std::uint64_t frame) = 0;
    virtual void LongMessage(const std::uint8_t* bytes, std::size_t length, std::uint64_t frame) = 0;
    // Adds `frames` stereo frames of sound into `acc` (16-bit sample units).
    virtual void Render(float* acc, int frames) = 0;
};

// A sink that keeps every event with its output frame, for tests.
class RecordingMidiSink : public MidiSink {
  public:
    struct Event {
        std::uint64_t frame;
        std::vector<std::uint8_t> bytes;
    };
    void ShortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                      std::uint64_t frame) override;
    void LongMessage(const std::uint8_t* bytes, std::size_t length, std::uint64_t frame) override;
    void Render(float*, int) override {}
    // A copy taken under the audio lock.
    std::vector<Event> Events() const;
    void Clear();

  private:
    std::vector<Event> m_events;
};

// The soundfont of the General MIDI synthesizer. By default the environment variable
// MIRELDA4_SOUNDFONT, else /usr/share/sounds/sf2/TimGM6mb.sf2. A missing or bad soundfont is
// logged once and the music plays silently.
void SetSoundFontPath(const std::string& path);
// Routes the MIDI streams to `sink` (not owned) instead of the synthesizer; null restores it.
void SetMidiSinkForTests(MidiSink* sink);
// Frees the synthesizer (at shut-down); it is made again when a stream opens.
void ShutdownMidiSynth();
// Tests: whether the synthesizer has its soundfont loaded.
bool MidiSynthReadyForTests();

} // namespace audio
