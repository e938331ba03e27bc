#include "platform/audio/midi_out.h"
#include "audio_test_util.h"
#include "platform/messages.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace win;
using testaudio::PullFrames;
using testaudio::Rms;

namespace {

// A stream buffer being written: events of three words, long events with their bytes.
struct Events {
    std::vector<std::uint8_t> bytes;
    void Word(DWORD w) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    }
    DWORD Short(DWORD delta, DWORD word) {
        DWORD at = static_cast<DWORD>(bytes.size());
        Word(delta);
        Word(0);
        Word(word);
        return at;
    }
    void Long(DWORD delta, std::vector<std::uint8_t> data) {
        Word(delta);
        Word(0);
        Word(MEVT_F_LONG | static_cast<DWORD>(data.size()));
        while (data.size() % 4)
            data.push_back(0);
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
};

DWORD Msg(int status, int d1, int d2 = 0) {
    return static_cast<DWORD>(status | d1 << 8 | d2 << 16);
}

class MidiStreams : public testing::Test {
  protected:
    void SetUp() override {
        audio::SetManualOutput(true);
        audio::SetMidiSinkForTests(&sink);
        MSG m;
        PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE); // this thread's queue receives the callbacks
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        UINT dev = MIDI_MAPPER;
        ASSERT_EQ(midiStreamOpen(&stream, &dev, 1, GetCurrentThreadId(), 0, CALLBACK_THREAD),
                  MMSYSERR_NOERROR);
        MIDIPROPTIMEDIV td;
        td.dwTimeDiv = 96;
        ASSERT_EQ(midiStreamProperty(stream, reinterpret_cast<BYTE*>(&td), MIDIPROP_SET | MIDIPROP_TIMEDIV),
                  0u);
    }
    void TearDown() override {
        midiOutReset(stream);
        for (auto& h : headers)
            midiOutUnprepareHeader(stream, &h, sizeof(MIDIHDR));
        EXPECT_EQ(midiStreamClose(stream), MMSYSERR_NOERROR);
        audio::SetMidiSinkForTests(nullptr);
    }

    MIDIHDR& Queue(int i, Events& e) {
        MIDIHDR& h = headers[i];
        data[i] = e.bytes;
        data[i].resize(std::max<std::size_t>(data[i].size(), 1));
        h.lpData = reinterpret_cast<char*>(data[i].data());
        h.dwBufferLength = static_cast<DWORD>(data[i].size());
        h.dwBytesRecorded = static_cast<DWORD>(e.bytes.size());
        h.dwFlags = 0;
        EXPECT_EQ(midiOutPrepareHeader(stream, &h, sizeof h), 0u);
        EXPECT_EQ(midiStreamOut(stream, &h, sizeof h), 0u);
        return h;
    }

    // The recorded events other than the all-notes-off of stops and pauses, with their frames
    // as the device counts them.
    std::vector<audio::RecordingMidiSink::Event> Played() {
        std::vector<audio::RecordingMidiSink::Event> r;
        for (auto& e : sink.Events())
            if (!(e.bytes.size() == 3 && (e.bytes[0] & 0xF0) == 0xB0 && e.bytes[1] == 123)) r.push_back(e);
        return r;
    }

    std::vector<MSG> Callbacks() {
        std::vector<MSG> r;
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            if (m.message == MM_MOM_POSITIONCB) r.push_back(m);
        return r;
    }

    audio::RecordingMidiSink sink;
    HMIDISTRM stream = nullptr;
    MIDIHDR headers[2];
    std::vector<std::uint8_t> data[2];
};

} // namespace

TEST_F(MidiStreams, EventsSoundAtTheFramesOfTheTempoMap) {
    Events e;
    e.Short(0, Msg(0x90, 60, 100));
    e.Short(96, Msg(0x80, 60));                       // one beat at 120 per minute: 0.5 s
    e.Short(0, 0x01000000 | 250000);                  // tempo: 240 per minute
    e.Short(96, Msg(0xC0, 5));                        // one beat: 0.25 s
    e.Long(48, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); // half a beat
    Queue(0, e);
    PullFrames(1000);
    EXPECT_TRUE(sink.Events().empty()) << "nothing before the restart";
    midiStreamRestart(stream);
    PullFrames(44100);
    auto ev = Played();
    ASSERT_EQ(ev.size(), 4u);
    std::uint64_t t0 = ev[0].frame;
    EXPECT_EQ(ev[0].bytes, (std::vector<std::uint8_t>{0x90, 60, 100}));
    EXPECT_EQ(ev[1].frame - t0, 22050u);
    EXPECT_EQ(ev[1].bytes, (std::vector<std::uint8_t>{0x80, 60, 0}));
    EXPECT_EQ(ev[2].frame - t0, 22050u + 11025u);
    EXPECT_EQ(ev[2].bytes, (std::vector<std::uint8_t>{0xC0, 5}));
    EXPECT_EQ(ev[3].frame - t0, 22050u + 11025u + 5513u); // 5512.5 frames, due at the next whole one
    EXPECT_EQ(ev[3].bytes, (std::vector<std::uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(headers[0].dwFlags & (MHDR_INQUEUE | MHDR_DONE), MHDR_DONE);
}

// Moved on without sound (nobody hears the output), in blocks mixed with sounding ones, the events
// fall on the frames they sound on.
TEST_F(MidiStreams, EventsMovedOnWithoutSoundKeepTheirFrames) {
    Events e;
    e.Short(0, Msg(0x90, 60, 100));
    e.Short(96, Msg(0x80, 60));
    e.Short(0, 0x01000000 | 250000);
    e.Short(96, Msg(0xC0, 5));
    e.Long(48, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    Queue(0, e);
    midiStreamRestart(stream);
    for (int done = 0, k = 0; done < 44100; ++k) {
        const int n = k % 3 == 2 ? 1024 : 777;
        if (k % 3 == 2)
            PullFrames(n);
        else
            audio::Advance(n);
        done += n;
    }
    auto ev = Played();
    ASSERT_EQ(ev.size(), 4u);
    const std::uint64_t t0 = ev[0].frame;
    EXPECT_EQ(ev[1].frame - t0, 22050u);
    EXPECT_EQ(ev[2].frame - t0, 22050u + 11025u);
    EXPECT_EQ(ev[3].frame - t0, 22050u + 11025u + 5513u);
    EXPECT_EQ(headers[0].dwFlags & (MHDR_INQUEUE | MHDR_DONE), MHDR_DONE);
}

TEST_F(MidiStreams, FlaggedEventsPostTheirPositionAndTheEndIsMarkedByTheDevice) {
    Events e;
    DWORD flagged = e.Short(10, MEVT_F_CALLBACK | Msg(0x90, 64, 90));
    e.Short(10, Msg(0x80, 64));
    Queue(0, e);
    Events end;
    end.Short(0, Msg(0xB0, 7, 100));
    DWORD endAt = end.Short(20, MEVT_F_CALLBACK | 0x00002FFF);
    Queue(1, end);
    midiStreamRestart(stream);
    PullFrames(44100);
    auto cb = Callbacks();
    ASSERT_EQ(cb.size(), 2u);
    auto* h0 = reinterpret_cast<MIDIHDR*>(cb[0].lParam);
    EXPECT_EQ(h0, &headers[0]);
    EXPECT_EQ(h0->dwOffset, flagged);
    EXPECT_FALSE(h0->dwFlags & MHDR_ENDOFSTREAM);
    auto* h1 = reinterpret_cast<MIDIHDR*>(cb[1].lParam);
    EXPECT_EQ(h1, &headers[1]);
    EXPECT_EQ(h1->dwOffset, endAt);
    EXPECT_TRUE(h1->dwFlags & MHDR_ENDOFSTREAM);
    EXPECT_FALSE(h1->dwFlags & MHDR_INQUEUE) << "the last buffer is handed back before its callback";
    // The end marker is not sent on; a tempo whose low bytes look like it is not an end.
    auto ev = Played();
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[2].bytes[0], 0xB0);
    Events tempo;
    tempo.Short(0, MEVT_F_CALLBACK | 0x01002FFF);
    Queue(0, tempo);
    PullFrames(100);
    cb = Callbacks();
    ASSERT_EQ(cb.size(), 1u);
    EXPECT_FALSE(reinterpret_cast<MIDIHDR*>(cb[0].lParam)->dwFlags & MHDR_ENDOFSTREAM);
}

TEST_F(MidiStreams, TwoQueuedBuffersPlayWithoutAGap) {
    Events a, b;
    a.Short(0, Msg(0x90, 60, 100));
    a.Short(96, Msg(0x80, 60));
    b.Short(96, Msg(0x90, 62, 100));
    Queue(0, a);
    Queue(1, b);
    midiStreamRestart(stream);
    PullFrames(3 * 22050);
    auto ev = Played();
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[2].frame - ev[0].frame, 44100u);
}

TEST_F(MidiStreams, PauseHoldsTheClockAndStopHandsEverythingBack) {
    Events e;
    e.Short(0, Msg(0x90, 60, 100));
    e.Short(96, Msg(0x80, 60));
    Queue(0, e);
    Events later;
    later.Short(96, Msg(0x90, 61, 100));
    Queue(1, later);
    midiStreamRestart(stream);
    PullFrames(11025);
    midiStreamPause(stream);
    PullFrames(10000);
    midiStreamRestart(stream);
    PullFrames(22050);
    auto ev = Played();
    ASSERT_GE(ev.size(), 2u);
    EXPECT_EQ(ev[1].frame - ev[0].frame, 22050u + 10000u);
    // Stop: both buffers come back done, and the next restart starts the clock afresh.
    midiStreamStop(stream);
    for (auto& h : headers)
        EXPECT_EQ(h.dwFlags & (MHDR_INQUEUE | MHDR_DONE), MHDR_DONE);
    EXPECT_EQ(midiStreamClose(nullptr), MMSYSERR_INVALHANDLE);
    sink.Clear();
    Events again;
    again.Short(48, Msg(0x90, 70, 1));
    Queue(0, again);
    PullFrames(5000);
    midiStreamRestart(stream);
    PullFrames(20000);
    ASSERT_EQ(Played().size(), 1u);
}

TEST_F(MidiStreams, RefusesWhatThePlayerNeverDoes) {
    Events e;
    e.Short(0, Msg(0x90, 60, 100));
    MIDIHDR h;
    std::vector<std::uint8_t> d = e.bytes;
    h.lpData = reinterpret_cast<char*>(d.data());
    h.dwBufferLength = h.dwBytesRecorded = static_cast<DWORD>(d.size());
    EXPECT_EQ(midiStreamOut(stream, &h, sizeof h), MIDIERR_UNPREPARED);
    midiOutPrepareHeader(stream, &h, sizeof h);
    EXPECT_EQ(midiStreamOut(stream, &h, sizeof h), MMSYSERR_NOERROR);
    EXPECT_EQ(midiStreamOut(stream, &h, sizeof h), MIDIERR_STILLPLAYING);
    EXPECT_EQ(midiOutUnprepareHeader(stream, &h, sizeof h), MIDIERR_STILLPLAYING);
    EXPECT_EQ(midiStreamClose(stream), MIDIERR_STILLPLAYING);
    midiStreamStop(stream);
    EXPECT_EQ(midiOutUnprepareHeader(stream, &h, sizeof h), MMSYSERR_NOERROR);
    char text[512];
    EXPECT_TRUE(mciGetErrorString(MIDIERR_STILLPLAYING, text, sizeof text));
    EXPECT_STRNE(text, "");
    EXPECT_FALSE(mciGetErrorString(9999, text, sizeof text));
}

TEST(MidiSynth, TimGM6mbSoundsAboveTheLoudnessFloor) {
    audio::SetManualOutput(true);
    audio::SetSoundFontPath("/usr/share/sounds/sf2/TimGM6mb.sf2");
    ASSERT_TRUE(audio::MidiSynthReadyForTests());
    MSG m;
    PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE);
    HMIDISTRM s = nullptr;
    UINT dev = MIDI_MAPPER;
    ASSERT_EQ(midiStreamOpen(&s, &dev, 1, GetCurrentThreadId(), 0, CALLBACK_THREAD), 0u);
    Events e;
    e.Short(0, Msg(0xC0, 0));
    e.Short(0, Msg(0x90, 60, 110));
    e.Short(0, Msg(0x90, 64, 110));
    e.Short(0, Msg(0x90, 67, 110));
    e.Short(192, Msg(0x80, 60));
    MIDIHDR h;
    h.lpData = reinterpret_cast<char*>(e.bytes.data());
    h.dwBufferLength = h.dwBytesRecorded = static_cast<DWORD>(e.bytes.size());
    midiOutPrepareHeader(s, &h, sizeof h);
    midiStreamOut(s, &h, sizeof h);
    midiStreamRestart(s);
    auto out = PullFrames(2 * 44100);
    EXPECT_GT(Rms(out), 400.0); // about -38 dB of full scale; silence is 0
    midiOutReset(s);
    auto after = PullFrames(44100);
    EXPECT_LT(Rms(after, -1, 22050), 50.0) << "reset silences the notes";
    midiOutUnprepareHeader(s, &h, sizeof h);
    midiStreamClose(s);
    // A missing soundfont leaves the synthesizer silent but usable.
    audio::SetSoundFontPath("/nonexistent/none.sf2");
    EXPECT_FALSE(audio::MidiSynthReadyForTests());
    audio::SetSoundFontPath("/usr/share/sounds/sf2/TimGM6mb.sf2");
    audio::ShutdownMidiSynth();
}
