#include "../platform_audio/audio_test_util.h"
#include "midi_builder.h"
#include "sound/midi.h"
#include "sound_test_env.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

using namespace testmidi;
using testaudio::PullFrames;

namespace {

class MidiPlayer : public soundtest::SoundEnv {
  protected:
    void SetUp() override {
        SoundEnv::SetUp();
        audio::SetMidiSinkForTests(&sink);
    }
    void TearDown() override {
        player.reset();
        audio::SetMidiSinkForTests(nullptr);
        SoundEnv::TearDown();
    }

    cMidiStream& Open(const Bytes& file) {
        WriteFile("song.mid", file);
        player = std::make_unique<cMidiStream>(Path("song.mid"));
        return *player;
    }

    // Plays `frames` frames in blocks as the audio device would, giving the player's thread the
    // time to refill or restart between blocks, as it has while a block is being heard.
    void Play(int frames) {
        for (int done = 0; done < frames; done += 1024) {
            PullFrames(std::min(1024, frames - done));
            auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
            while (std::chrono::steady_clock::now() < until && !Settled())
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    bool Settled() const {
        if (!player || player->State() != MIDI_PLAYING) return true;
        int queued = player->QueuedBuffers();
        return queued == MIDI_BUFFER_COUNT ||
               (queued > 0 && player->ReadPosition() >= player->Image().size());
    }

    // Note events only (the stops' all-notes-off left out), frames from the first one.
    std::vector<audio::RecordingMidiSink::Event> Notes() const {
        std::vector<audio::RecordingMidiSink::Event> r;
        for (auto& e : sink.Events())
            if ((e.bytes[0] & 0xE0) == 0x80) r.push_back(e);
        return r;
    }

    audio::RecordingMidiSink sink;
    std::unique_ptr<cMidiStream> player;
};

} // namespace

TEST_F(MidiPlayer, EventTimesFollowTheTempoMapAndIgnoreOtherMetaEvents) {
    Track tempo;
    tempo.Tempo(0, 500000).Tempo(96, 250000).End();
    Track notes;
    notes.Ev(0, {0x90, 60, 100}).Meta(48, 0x06, {'m', 'a', 'r', 'k'}).Ev(48, {0x90, 62, 100});
    notes.Ev(96, {0x90, 64, 100}).End(96);
    cMidiStream& m = Open(File(1, 96, {tempo, notes}));
    ASSERT_TRUE(m.HasImage());
    EXPECT_EQ(m.State(), MIDI_STOPPED);
    EXPECT_EQ(m.QueuedBuffers(), 1);
    m.Restart(0);
    Play(44100);
    auto n = Notes();
    ASSERT_EQ(n.size(), 3u);
    EXPECT_EQ(n[1].frame - n[0].frame, 22050u) << "a beat at 120 per minute";
    EXPECT_EQ(n[2].frame - n[1].frame, 11025u) << "a beat at 240 per minute";
    EXPECT_EQ(n[2].bytes, (Bytes{0x90, 64, 100}));
}

TEST_F(MidiPlayer, APieceLongerThanOneBufferPlaysWithoutAGap) {
    Track t;
    for (int i = 0; i < 3000; ++i)
        t.Ev(i == 0 ? 0 : 1, {0x90, static_cast<std::uint8_t>(i % 128), 1});
    t.End(1);
    cMidiStream& m = Open(File(0, 960, {t})); // 36,000 bytes of events: two buffers and more
    m.Restart(0);
    Play(44100 * 2);
    auto n = Notes();
    ASSERT_EQ(n.size(), 3000u);
    // A tick is 22.96875 frames: each note falls on the first whole frame at or after its time.
    for (std::size_t i = 1; i < n.size(); ++i) {
        double exact = i * 22.96875;
        double got = static_cast<double>(n[i].frame - n[0].frame);
        ASSERT_GE(got, exact - 1e-6) << i;
        ASSERT_LT(got, exact + 1.0) << i;
    }
    EXPECT_EQ(m.State(), MIDI_STOPPED) << "the end stops and rewinds";
    EXPECT_EQ(m.ReadPosition() > MIDI_FIRST_EVENT, true) << "one buffer queued again for the next start";
    EXPECT_EQ(m.QueuedBuffers(), 1);
}

TEST_F(MidiPlayer, ALoopingPieceStartsAgainFromItsFirstEvent) {
    Track t;
    t.Ev(0, {0x90, 60, 100}).Ev(96, {0x80, 60, 0}).End(96);
    cMidiStream& m = Open(File(0, 96, {t}));
    m.Restart(1);
    Play(44100 * 3);
    auto n = Notes();
    ASSERT_GE(n.size(), 5u);
    EXPECT_EQ(n[2].bytes, (Bytes{0x90, 60, 100}));
    std::uint64_t gap = n[2].frame - n[0].frame;
    EXPECT_GE(gap, 44100u);
    EXPECT_LE(gap, 44100u + 1024u) << "the restart waits at most for the block being heard";
    EXPECT_EQ(m.State(), MIDI_PLAYING);
}

TEST_F(MidiPlayer, PauseAndRestartResumeWithoutAnExtraBuffer) {
    Track t;
    for (int i = 0; i < 3000; ++i)
        t.Ev(4, {0x90, 60, 1});
    t.End();
    cMidiStream& m = Open(File(0, 960, {t}));
    m.Restart(0);
    Play(4096);
    ASSERT_EQ(m.QueuedBuffers(), 2);
    std::uint32_t pos = m.ReadPosition();
    std::size_t before = Notes().size();
    m.Stop(1);
    EXPECT_EQ(m.State(), MIDI_PAUSED);
    PullFrames(20000);
    EXPECT_EQ(Notes().size(), before) << "nothing plays while paused";
    m.Restart(0);
    EXPECT_EQ(m.State(), MIDI_PLAYING);
    EXPECT_EQ(m.ReadPosition(), pos) << "no buffer was filled";
    EXPECT_EQ(m.QueuedBuffers(), 2);
    Play(4096);
    EXPECT_GT(Notes().size(), before);
    // Stop(0) rewinds and queues the first buffer again.
    m.Stop(0);
    EXPECT_EQ(m.State(), MIDI_STOPPED);
    EXPECT_EQ(m.QueuedBuffers(), 1);
    m.Stop(1); // pausing a stopped stream does nothing
    EXPECT_EQ(m.State(), MIDI_STOPPED);
}

TEST_F(MidiPlayer, ASysexLongerThanABufferIsSkippedAndLogged) {
    Bytes huge(30000, 0x11);
    huge.back() = 0xF7;
    Track t;
    t.Ev(0, {0x90, 60, 100}).Sysex(48, huge).Sysex(0, {0x7E, 0x7F, 9, 1, 0xF7}).Ev(48, {0x90, 62, 100}).End();
    cMidiStream& m = Open(File(0, 96, {t}));
    m.Restart(0);
    Play(44100);
    auto n = Notes();
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[1].frame - n[0].frame, 22050u) << "the skipped event's time is kept";
    bool sawSmall = false;
    for (auto& e : sink.Events())
        sawSmall |= e.bytes == Bytes{0xF0, 0x7E, 0x7F, 9, 1, 0xF7};
    EXPECT_TRUE(sawSmall);
    EXPECT_NE(ReportLog().find("Sysex 30001 bytes skipped"), std::string::npos);
}

TEST_F(MidiPlayer, ThePlayersThreadEndsWithThePlayer) {
    Track t;
    t.Ev(0, {0x90, 60, 100}).End(96);
    cMidiStream& m = Open(File(0, 96, {t}));
    win::DWORD thread = m.PlayerThreadId();
    ASSERT_NE(thread, 0u);
    EXPECT_TRUE(win::PostThreadMessage(thread, win::WM_NULL, 0, 0));
    m.Restart(1);
    Play(2048);
    player.reset();
    EXPECT_FALSE(win::PostThreadMessage(thread, win::WM_NULL, 0, 0)) << "its queue is gone";
    // A refused file makes no thread and no stream.
    WriteFile("bad.mid", {'M', 'T', 'h', 'd'});
    cMidiStream bad(Path("bad.mid"));
    EXPECT_FALSE(bad.HasImage());
    EXPECT_EQ(bad.PlayerThreadId(), 0u);
    bad.Restart(1);
    EXPECT_EQ(bad.State(), MIDI_STOPPED);
}

// Found by fuzzing: one note 0x0FFFFFFF ticks away (some 16 days at 96 ticks a beat). The piece
// plays, looping, without a sound; the frames until the note are counted without overflowing,
// so that each block, with nothing due in it, is rendered in one piece.
TEST_F(MidiPlayer, AnEventDaysAwayWaitsQuietly) {
    struct CountingSink : audio::RecordingMidiSink {
        void Render(float*, int) override { ++renders; }
        int renders = 0;
    } counting;
    audio::SetMidiSinkForTests(&counting);
    std::ifstream in(M4_SOURCE_DIR "/tests/platform_audio/data/midi-delta-0x0fffffff.mid", std::ios::binary);
    cMidiStream& m = Open(Bytes(std::istreambuf_iterator<char>(in), {}));
    ASSERT_TRUE(m.HasImage());
    m.Restart(1);
    {
        testaudio::HangGuard guard("playing a note days away", 120);
        Play(1024 * 200);
    }
    audio::SetMidiSinkForTests(&sink);
    EXPECT_TRUE(counting.Events().empty());
    EXPECT_EQ(counting.renders, 200);
    EXPECT_EQ(m.State(), MIDI_PLAYING);
}
