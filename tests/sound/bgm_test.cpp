#include "../platform_audio/audio_test_util.h"
#include "fixtures/box_capture.h"
#include "midi_builder.h"
#include "project/project_database.h"
#include "project/system_data.h"
#include "sound/bgm.h"
#include "sound_test_env.h"

#include <atomic>
#include <thread>

using namespace testmidi;
using testaudio::PullFrames;
using testaudio::Rms;

namespace {

// The options' change of the music setting: the manager released, and started again when on.
void SwitchMusic(bool on) {
    g_Bgm.Release();
    if (on) BgmInitDefault();
}

class Music : public soundtest::SoundEnv {
  protected:
    void SetUp() override {
        SoundEnv::SetUp();
        audio::SetMidiSinkForTests(&sink);
        audio::SetVoxAvailabilityForTests(true, true, true);
        savedOgg = g_BgmOggNames;
        savedMid = g_BgmMidiNames;
        savedBgms = g_Database.m_Bgms;
        savedMenu = g_SystemData.m_vnMenuBgm;
        savedLoops = g_SystemData.m_vbMenuBgmLoop;
        std::filesystem::copy_file(M4_SOURCE_DIR "/tests/platform_audio/data/tone.ogg", dir / "tone.ogg");
        Track t;
        t.Ev(0, {0xC0, 0}).Ev(0, {0x90, 60, 100}).Ev(96, {0x80, 60, 0}).End(96);
        WriteFile("song.mid", File(0, 96, {t}));
        WriteFile("effect.wav", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
        ASSERT_EQ(BgmInitDefault(), 1);
    }
    void TearDown() override {
        g_Bgm.Release();
        g_BgmOggNames = savedOgg;
        g_BgmMidiNames = savedMid;
        g_Database.m_Bgms = savedBgms;
        g_SystemData.m_vnMenuBgm = savedMenu;
        g_SystemData.m_vbMenuBgmLoop = savedLoops;
        g_nCurBgm = g_nBgmLoop = 0;
        audio::SetVoxAvailabilityForTests(true, true, true);
        audio::SetMidiSinkForTests(nullptr);
        SoundEnv::TearDown();
    }

    std::size_t NotesHeard() {
        PullFrames(4096);
        std::size_t n = 0;
        for (auto& e : sink.Events())
            n += (e.bytes[0] & 0xF0) == 0x90;
        return n;
    }
    bool MidiPlaying() const {
        cMidiStream* p = g_Bgm.MidiPlayer(0);
        return p && p->State() == MIDI_PLAYING;
    }

    audio::RecordingMidiSink sink;
    // The project's music list and the system data's menu music, as the request reads them.
    void Project(const std::vector<std::string>& files, std::vector<std::int32_t> menu,
                 std::vector<std::uint8_t> loops) {
        g_Database.m_Bgms.clear();
        for (const std::string& f : files) {
            cEdBgm b;
            b.szFileName = f;
            g_Database.m_Bgms.push_back(b);
        }
        g_SystemData.m_vnMenuBgm.assign(menu.begin(), menu.end());
        g_SystemData.m_vbMenuBgmLoop.assign(loops.begin(), loops.end());
    }

    cBgmNameTable savedOgg, savedMid;
    cCheckedVector<cEdBgm> savedBgms;
    cCheckedVector<std::int32_t> savedMenu;
    cCheckedVector<std::uint8_t> savedLoops;
};

} // namespace

TEST_F(Music, SlotsTakeOnlyTheFourKnownExtensions) {
    EXPECT_EQ(g_BgmOggNames[0], "bgm\\Title.ogg");
    EXPECT_EQ(g_BgmMidiNames[4], "bgm\\Stage.mid");
    EXPECT_EQ(g_Bgm.SetSlot(0, "a\\b.OGG"), 1);
    EXPECT_EQ(g_Bgm.SlotKind(0), BGM_KIND_OGG);
    EXPECT_EQ(g_BgmOggNames[0], "a\\b.OGG");
    EXPECT_EQ(g_BgmMidiNames[0], "bgm\\Title.mid") << "the other engine's name is left";
    EXPECT_EQ(g_Bgm.SetSlot(1, "x.y\\song.MID"), 1);
    EXPECT_EQ(g_Bgm.SlotKind(1), BGM_KIND_MIDI);
    EXPECT_EQ(g_BgmMidiNames[1], "x.y\\song.mid");
    EXPECT_EQ(g_Bgm.SetSlot(2, "tune.Ogg"), 0) << "mixed case counts as another extension";
    EXPECT_EQ(g_Bgm.SlotKind(2), BGM_KIND_UNDECIDED);
    EXPECT_EQ(g_BgmOggNames[2], "tune.Ogg");
    EXPECT_EQ(g_BgmMidiNames[2], "tune.Ogg");
    EXPECT_EQ(g_Bgm.SetSlot(3, "noextension"), 0);
    EXPECT_EQ(g_BgmOggNames[3], "");
    EXPECT_EQ(g_BgmMidiNames[3], "");
    // Names are held whole, however long.
    std::string longName(600, 'n');
    EXPECT_EQ(g_Bgm.SetSlot(4, longName + ".ogg"), 1);
    EXPECT_EQ(g_BgmOggNames[4].size(), 604u);
}

TEST_F(Music, AnOggSlotPlaysThroughTheMixerOnceOrLooping) {
    g_Bgm.SetSlot(0, Path("tone.ogg"));
    EXPECT_EQ(g_Bgm.Play(0, 0, 0, 0, 1), 1);
    EXPECT_EQ(g_Bgm.CurrentSlot(), 0);
    EXPECT_EQ(g_Bgm.ChannelState(0), BGM_OGG_PLAYING);
    auto once = PullFrames(44100);
    EXPECT_GT(Rms(once, -1, 0, 4410), 3000.0);
    EXPECT_EQ(Rms(once, -1, 30000, 44100), 0.0) << "half a second, played once";
    EXPECT_EQ(g_Bgm.Play(0, 0, 1, 0, 1), 1);
    auto looped = PullFrames(2 * 44100);
    EXPECT_GT(Rms(looped, -1, 80000, 88200), 3000.0);
    g_Bgm.Stop();
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    EXPECT_EQ(g_Bgm.CurrentSlot(), 0) << "stopping keeps the current slot";
}

TEST_F(Music, AnUpperCaseMidSlotPlaysTheLowerCaseFileAsMidi) {
    g_Bgm.SetSlot(4, Path("song.MID"));
    EXPECT_EQ(g_Bgm.Play(0, 4, 1, 0, 1), 1);
    EXPECT_EQ(g_Bgm.ChannelState(0), BGM_MIDI_PLAYING);
    EXPECT_TRUE(MidiPlaying());
    EXPECT_EQ(g_Bgm.MidiPlayer(0)->FileName(), Path("song.mid"));
    EXPECT_GE(NotesHeard(), 1u);
}

TEST_F(Music, EachEngineStopsTheOther) {
    g_Bgm.SetSlot(0, Path("tone.ogg"));
    g_Bgm.SetSlot(4, Path("song.mid"));
    g_Bgm.Play(0, 0, 1, 0, 1);
    EXPECT_TRUE(audio::AnyVoxPlayingForTests());
    g_Bgm.Play(0, 4, 1, 0, 1);
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    EXPECT_TRUE(MidiPlaying());
    g_Bgm.Play(0, 0, 1, 0, 1);
    EXPECT_TRUE(audio::AnyVoxPlayingForTests());
    ASSERT_NE(g_Bgm.MidiPlayer(0), nullptr);
    EXPECT_EQ(g_Bgm.MidiPlayer(0)->State(), MIDI_STOPPED);
}

TEST_F(Music, FailuresLeaveSilenceAndNoCurrentSlot) {
    g_Bgm.SetSlot(0, Path("tone.ogg"));
    g_Bgm.Play(0, 0, 1, 0, 1);
    // A name without extension: nothing can play it, the music stops.
    g_Bgm.SetSlot(1, "bgm\\nothing");
    EXPECT_EQ(g_Bgm.Play(0, 1, 1, 0, 1), 0);
    EXPECT_EQ(g_Bgm.CurrentSlot(), -1);
    EXPECT_EQ(g_Bgm.ChannelState(0), BGM_SILENT);
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    // "wav" is tried as OGG, then refused by the MIDI side for its extension.
    g_Bgm.SetSlot(0, Path("tone.ogg"));
    g_Bgm.Play(0, 0, 1, 0, 1);
    g_Bgm.SetSlot(2, Path("effect.wav"));
    EXPECT_EQ(g_Bgm.Play(0, 2, 1, 0, 1), 0);
    EXPECT_EQ(g_Bgm.CurrentSlot(), -1);
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    EXPECT_EQ(g_Bgm.MidiPlayer(0), nullptr);
    EXPECT_EQ(Rms(PullFrames(4410)), 0.0);
    // A missing OGG file.
    g_Bgm.SetSlot(3, Path("missing.ogg"));
    EXPECT_EQ(g_Bgm.Play(0, 3, 1, 0, 1), 0);
    EXPECT_EQ(g_Bgm.CurrentSlot(), -1);
}

TEST_F(Music, TheCurrentSlotRestartsOnlyWhenForced) {
    g_Bgm.SetSlot(4, Path("song.mid"));
    g_Bgm.Play(0, 4, 1, 0, 1);
    cMidiStream* first = g_Bgm.MidiPlayer(0);
    EXPECT_EQ(g_Bgm.Play(0, 4, 1, 0, 0), 1);
    EXPECT_EQ(g_Bgm.MidiPlayer(0), first) << "unforced: the music goes on";
    EXPECT_EQ(g_Bgm.Play(0, 4, 1, 0, 1), 1);
    EXPECT_TRUE(MidiPlaying());
}

TEST_F(Music, TheRequestPlaysMenuAndStageMusic) {
    Project({"", Path("tone.ogg"), Path("song.mid")}, {1, 2, 0, 1}, {1, 0, 1, 1});
    EXPECT_EQ(OnBgmRequest(0, 0), 0);
    EXPECT_EQ(g_Bgm.CurrentSlot(), 0);
    EXPECT_TRUE(audio::AnyVoxPlayingForTests());
    OnBgmRequest(1, 0);
    EXPECT_TRUE(MidiPlaying());
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    OnBgmRequest(2, 0); // menu music number 0: stop
    EXPECT_FALSE(MidiPlaying());
    g_nBgmLoop = 1;
    OnBgmRequest(4, 1);
    EXPECT_EQ(g_nCurBgm, 1);
    EXPECT_EQ(g_Bgm.CurrentSlot(), 4);
    EXPECT_TRUE(audio::AnyVoxPlayingForTests());
    OnBgmRequest(4, 0); // stage music 0: stop
    EXPECT_EQ(g_nCurBgm, 0);
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    OnBgmRequest(5, 1); // no such context
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    EXPECT_FALSE(ClosePosted());
    // A music number outside the list: logged, the program closes, entry 0 (none) is used.
    OnBgmRequest(4, 3);
    EXPECT_TRUE(ClosePosted());
    EXPECT_NE(ReportLog().find("err V[3] ( 3 , "), std::string::npos);
    EXPECT_EQ(g_Bgm.CurrentSlot(), -1);
}

TEST_F(Music, WithMusicOffEveryRequestDoesNothing) {
    Project({"", Path("tone.ogg")}, {1, 1, 1, 1}, {1, 1, 1, 1});
    g_Bgm.SetSlot(2, Path("song.mid"));
    SwitchMusic(false);
    EXPECT_FALSE(g_Bgm.IsInitialised());
    EXPECT_EQ(OnBgmRequest(0, 0), 0);
    EXPECT_EQ(g_Bgm.SetSlot(0, "x.ogg"), 1);
    EXPECT_EQ(g_Bgm.Play(0, 0, 1, 0, 1), 1);
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    EXPECT_EQ(g_BgmOggNames[0], "bgm\\Title.ogg");
    SwitchMusic(true);
    EXPECT_TRUE(g_Bgm.IsInitialised());
    EXPECT_EQ(g_BgmMidiNames[2], Path("song.mid")) << "slot names persist";
    OnBgmRequest(3, 0);
    EXPECT_TRUE(audio::AnyVoxPlayingForTests());
}

TEST_F(Music, AMissingOggLibraryLeavesMusicOff) {
    g_Bgm.Release();
    fixtures::BoxCapture boxes;
    audio::SetVoxAvailabilityForTests(true, false, true);
    EXPECT_EQ(BgmInitDefault(), 0);
    EXPECT_FALSE(g_Bgm.IsInitialised());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "oggの初期化に失敗！");
    EXPECT_NE(ECLogText().find("m_Vox.Init失敗！"), std::string::npos);
    // A player the library cannot make: out of memory, and the program closes.
    audio::SetVoxAvailabilityForTests(true, true, false);
    EXPECT_EQ(BgmInitDefault(), 1);
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_EQ(boxes.texts()[1], "メモリが不足しています！");
    EXPECT_TRUE(ClosePosted());
    g_Bgm.SetSlot(0, Path("tone.ogg"));
    EXPECT_EQ(g_Bgm.Play(0, 0, 1, 0, 1), 0) << "no player: nothing plays, nothing breaks";
}

TEST_F(Music, TheOptionMaySwitchMusicWhileTheWindowThreadServesRequests) {
    Project({"", Path("tone.ogg"), Path("song.mid")}, {1, 2, 1, 2}, {1, 1, 1, 1});
    std::atomic<bool> done{false};
    std::thread game([&] {
        for (int i = 0; i < 20; ++i)
            SwitchMusic(i % 2 != 0);
        done = true;
    });
    for (int i = 0; !done || i < 40; ++i) {
        OnBgmRequest(static_cast<win::WPARAM>(i % 4), 0);
        PullFrames(256);
    }
    game.join();
    EXPECT_TRUE(g_Bgm.IsInitialised());
}
