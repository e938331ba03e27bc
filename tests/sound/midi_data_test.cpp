#include "midi_builder.h"
#include "sound/midi.h"
#include "sound_test_env.h"

#include <random>

using namespace testmidi;

namespace {

class MidiFiles : public soundtest::SoundEnv {
  protected:
    // Reads the bytes as a file of the given name.
    std::unique_ptr<cMidiData> Read(const Bytes& file, const std::string& name = "song.mid") {
        WriteFile(name, file);
        return std::make_unique<cMidiData>(Path(name));
    }
};

} // namespace

TEST_F(MidiFiles, AFormatZeroFileKeepsItsEventsWithEveryStatusWrittenOut) {
    Track t;
    t.Ev(0, {0xC0, 5}).Ev(0, {0x90, 60, 100}).Ev(96, {60, 0}).Ev(0, {0xB0, 7, 90}).Meta(10, 0x03, {'a'});
    t.End(20);
    auto m = Read(File(0, 96, {t}));
    ASSERT_TRUE(m->HasImage());
    Bytes events = {0,    0xC0, 5,  0,  0x90, 60,   100, 0x60, 0x90, 60,   0,    0,
                    0xB0, 7,    90, 10, 0xFF, 0x03, 1,   'a',  20,   0xFF, 0x2F, 0};
    EXPECT_EQ(m->Image(), Image(96, events));
}

TEST_F(MidiFiles, FormatOneTracksMergeByTimeAndTrackOrder) {
    Track tempo;
    tempo.Tempo(0, 400000).Meta(96, 0x06, {'m'}).End(0);
    Track a;
    a.Ev(0, {0x90, 60, 100}).Ev(96, {0x80, 60, 0}).End(200); // ends last, at 296
    Track b;
    b.Ev(0, {0x91, 64, 90}).Ev(48, {0xE1, 0, 64}).Ev(48, {0x81, 64, 0}).End(0);
    auto m = Read(File(1, 0x01E0, {tempo, a, b}));
    ASSERT_TRUE(m->HasImage());
    // At tick 0: tempo (track 0), note of track 1, note of track 2. At 96: the marker (track 0),
    // then track 1's note off, then track 2's. One end of track at 296.
    Bytes events = {0,  0xFF, 0x51, 3,    0x06, 0x1A, 0x80, 0,    0x90, 60,   100, 0, 0x91,
                    64, 90,   48,   0xE1, 0,    64,   48,   0xFF, 0x06, 1,    'm', 0, 0x80,
                    60, 0,    0,    0x81, 64,   0,    0x81, 0x48, 0xFF, 0x2F, 0};
    EXPECT_EQ(m->Image(), Image(0x01E0, events));
}

TEST_F(MidiFiles, RunningStatusIsExpandedLikeTheSameFileWrittenWithout) {
    Track running, full;
    running.Ev(0, {0x90, 60, 100})
        .Ev(10, {62, 100})
        .Ev(10, {60, 0})
        .Meta(0, 0x01, {'x'})
        .Ev(5, {62, 0})
        .End();
    full.Ev(0, {0x90, 60, 100}).Ev(10, {0x90, 62, 100}).Ev(10, {0x90, 60, 0}).Meta(0, 0x01, {'x'});
    full.Ev(5, {0x90, 62, 0}).End();
    auto a = Read(File(0, 96, {running}), "a.mid");
    auto b = Read(File(0, 96, {full}), "b.mid");
    ASSERT_TRUE(a->HasImage());
    EXPECT_EQ(a->Image(), b->Image());
}

TEST_F(MidiFiles, BadHeadersGiveTheirLogLines) {
    Track t;
    t.Ev(0, {0x90, 60, 100}).End(10);
    auto good = File(0, 96, {t});
    auto notMidi = good;
    notMidi[1] = 'X';
    EXPECT_FALSE(Read(notMidi, "n.mid")->HasImage());
    EXPECT_FALSE(Read(File(0, 96, {t}, 7), "h.mid")->HasImage());
    EXPECT_FALSE(Read(File(2, 96, {t}), "f2.mid")->HasImage());
    EXPECT_FALSE(Read(File(3, 96, {t}), "f3.mid")->HasImage());
    auto noTrack = good;
    noTrack[15] = 'X';
    EXPECT_FALSE(Read(noTrack, "t.mid")->HasImage());
    EXPECT_FALSE(std::make_unique<cMidiData>(Path("missing.mid"))->HasImage());
    std::string log = ReportLog();
    EXPECT_NE(log.find("Midi " + Path("n.mid") + " Init 標準MIDIでない(4)"), std::string::npos) << log;
    EXPECT_NE(log.find("Midi " + Path("h.mid") + " Init 標準MIDIでない(6)"), std::string::npos);
    EXPECT_NE(log.find("Midi " + Path("f2.mid") + " Init 対応フォーマットが2でない"), std::string::npos);
    EXPECT_NE(log.find("Midi " + Path("f3.mid") + " Init 対応フォーマットが0または1でない"),
              std::string::npos);
    EXPECT_NE(log.find("Midi " + Path("t.mid") + " Init 標準MIDIでない(4)"), std::string::npos);
    EXPECT_NE(log.find("Midi " + Path("missing.mid") + " Create ファイルが開けません"), std::string::npos);
    // The failures go to the EC log as well.
    EXPECT_NE(ECLogText().find("対応フォーマットが2でない"), std::string::npos);
}

TEST_F(MidiFiles, TracksMustEndInsideTheFile) {
    Track noEnd;
    noEnd.Ev(0, {0x90, 60, 100}).Ev(10, {0x80, 60, 0});
    EXPECT_FALSE(Read(File(0, 96, {noEnd}), "noend.mid")->HasImage());
    Track t;
    t.Ev(0, {0x90, 60, 100}).End(10);
    auto twoTracks = File(1, 96, {t, t});
    twoTracks[11] = 3; // claims a third track
    EXPECT_FALSE(Read(twoTracks, "three.mid")->HasImage());
    Track dataFirst;
    dataFirst.Ev(0, {60, 100}).End();
    EXPECT_FALSE(Read(File(0, 96, {dataFirst}), "nostatus.mid")->HasImage())
        << "running status with none before";
    Track longDelta;
    longDelta.b = {0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100, 0, 0xFF, 0x2F, 0};
    EXPECT_FALSE(Read(File(0, 96, {longDelta}), "vlq.mid")->HasImage()) << "a five-byte delta";
    Track bigSysex;
    bigSysex.Sysex(0, {1, 2, 3, 0xF7});
    bigSysex.b[2] = 0x7F; // claims 127 bytes
    EXPECT_FALSE(Read(File(0, 96, {bigSysex}), "sysex.mid")->HasImage());
}

TEST_F(MidiFiles, DamagedFilesAreRefusedWithoutReadingOutside) {
    Track tempo;
    tempo.Tempo(0, 500000).Meta(0, 0x03, {'t', 'i', 't', 'l', 'e'}).End();
    Track a;
    a.Ev(0, {0xC0, 1})
        .Ev(0, {0x90, 60, 100})
        .Ev(30, {62, 90})
        .Sysex(5, {0x7E, 0x7F, 9, 1, 0xF7})
        .Ev(40, {0x80, 60, 0});
    a.End(10);
    auto file = File(1, 96, {tempo, a});
    cMidiData m(Path("fuzz.mid"));
    for (std::size_t n = 0; n < file.size(); ++n) {
        std::vector<std::uint8_t> prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(m.Merge(prefix.data(), prefix.size())) << n;
    }
    EXPECT_TRUE(m.Merge(file.data(), file.size()));
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        auto v = file;
        int flips = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < flips; ++i)
            v[rng() % v.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        if (m.Merge(v.data(), v.size())) {
            const auto& img = m.Image();
            ASSERT_GE(img.size(), 25u);
            EXPECT_EQ(Bytes(img.end() - 3, img.end()), (Bytes{0xFF, 0x2F, 0}));
        }
    }
}
