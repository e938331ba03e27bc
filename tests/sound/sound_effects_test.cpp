#include "project/project_database.h"
#include "project/system_data.h"
#include "sound/sound.h"
#include "../platform_audio/audio_test_util.h"
#include "../platform_audio/wave_builder.h"
#include "sound_test_env.h"

#include <cstdlib>

using namespace win;
using testaudio::PullFrames;
using testaudio::Rms;

namespace {

class SoundEffects : public soundtest::SoundEnv {
  protected:
    void SetUp() override {
        SoundEnv::SetUp();
        WriteFile("tone16.wav", testwave::SineWave(1, 22050, 16, 22050));
        WriteFile("tone8s.wav", testwave::SineWave(2, 11025, 8, 2000));
        auto whole = testwave::SineWave(1, 22050, 16, 100);
        // Cut inside its format chunk; one cut inside its samples loads the samples there are.
        WriteFile("cut.wav", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 30));
        WriteFile("short.wav", std::vector<std::uint8_t>(whole.begin(), whole.end() - 7));
        WriteFile("float.wav",
                  testwave::Riff({testwave::Fmt(3, 1, 8000, 16), testwave::SineData(1, 8000, 16, 10)}));
        baseBuffers = audio::LiveSoundBuffersForTests();
        ASSERT_TRUE(DS_Init(g_hWnd, 22050, 8, 1));
    }
    void TearDown() override {
        DS_Release();
        g_Sounds.clear();
        g_SoundSources.clear();
        EXPECT_EQ(audio::LiveSoundBuffersForTests(), baseBuffers) << "every buffer is released";
        audio::FailDuplicatesAfterForTests(-1);
        SoundEnv::TearDown();
    }

    void Sources(std::vector<cSoundSource> list) {
        g_Sounds.clear();
        g_Sounds.resize(list.size());
        g_SoundSources.assign(list.begin(), list.end());
    }

    static bool Playing(cSound& s, int i) {
        DWORD st = 0;
        s.m_lpBuffers[i]->GetStatus(&st);
        return st & DSBSTATUS_PLAYING;
    }
    static DWORD Position(cSound& s, int i) {
        DWORD p = 0;
        s.m_lpBuffers[i]->GetCurrentPosition(&p, nullptr);
        return p;
    }

    int baseBuffers = 0;
};

} // namespace

TEST_F(SoundEffects, LoadSoundsLoadsWhatItCanAndLogsTheRest) {
    Sources({{Path("tone16.wav"), 3, -600},
             {Path("tone8s.wav"), 1, 0},
             {Path("missing.wav"), 2, 0},
             {Path("float.wav"), 1, 0},
             {Path("cut.wav"), 1, 0},
             {Path("short.wav"), 1, 0}});
    EXPECT_EQ(LoadSounds(g_Sounds, g_SoundSources, 0), 1);
    EXPECT_TRUE(g_Sounds[0].IsLoaded());
    EXPECT_EQ(g_Sounds[0].m_nCount, 3);
    EXPECT_EQ(g_Sounds[0].m_Name, Path("tone16.wav"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(SoundGetVolume(g_Sounds[0], i), -600);
    EXPECT_TRUE(g_Sounds[1].IsLoaded());
    EXPECT_EQ(SoundGetVolume(g_Sounds[1], 0), 0);
    EXPECT_FALSE(g_Sounds[2].IsLoaded());
    EXPECT_FALSE(g_Sounds[3].IsLoaded());
    EXPECT_FALSE(g_Sounds[4].IsLoaded());
    EXPECT_TRUE(g_Sounds[5].IsLoaded());
    std::string ec = ECLogText();
    EXPECT_NE(ec.find(Path("cut.wav") + "読み込み失敗！"), std::string::npos) << ec;
    EXPECT_NE(ec.find(Path("missing.wav") + "読み込み失敗！"), std::string::npos) << ec;
    EXPECT_NE(ec.find(Path("float.wav") + "読み込み失敗！"), std::string::npos) << ec;
    // A second run keeps what is loaded; a volume argument overrides every source's volume.
    SoundPlay(g_Sounds[0], 0);
    g_Sounds[1].Release();
    LoadSounds(g_Sounds, g_SoundSources, g_SoundVolumeTable[5]);
    EXPECT_TRUE(Playing(g_Sounds[0], 0)) << "a loaded sound is not made again";
    EXPECT_EQ(SoundGetVolume(g_Sounds[1], 0), -500);
    EXPECT_EQ(SoundGetVolume(g_Sounds[0], 0), -600);
}

TEST_F(SoundEffects, VolumeTableLevelsZeroAndTen) {
    EXPECT_EQ(g_SoundVolumeTable[0], -10000);
    EXPECT_EQ(g_SoundVolumeTable[10], 0);
    Sources({{Path("tone16.wav"), 1, -700}, {Path("tone16.wav"), 1, -700}});
    cCheckedVector<cSound> silent(1);
    cCheckedVector<cSoundSource> one(1, g_SoundSources[0]);
    LoadSounds(silent, one, g_SoundVolumeTable[0]);
    EXPECT_EQ(SoundGetVolume(silent[0], 0), -10000);
    LoadSounds(g_Sounds, g_SoundSources, g_SoundVolumeTable[10]); // 0: each source's own volume
    EXPECT_EQ(SoundGetVolume(g_Sounds[0], 0), -700);
    SoundPlay(silent[0], 0);
    EXPECT_EQ(Rms(PullFrames(4410)), 0.0);
    silent[0].Release();
}

TEST_F(SoundEffects, RelativeVolumesAddAndClamp) {
    Sources({{Path("tone16.wav"), 2, 0}});
    LoadSounds(g_Sounds, g_SoundSources, 0);
    cSound& s = g_Sounds[0];
    EXPECT_EQ(SoundSetVolume(s, 0, -9000, 0), -9000);
    EXPECT_EQ(SoundSetVolume(s, 0, -3000, 1), -10000);
    EXPECT_EQ(SoundSetVolume(s, 1, -200, 0), -200);
    EXPECT_EQ(SoundSetVolume(s, 1, 500, 1), 0);
    EXPECT_EQ(SoundSetVolume(s, 1, 20000, 0), 0);
    EXPECT_EQ(SoundGetVolume(s, 0), -10000);
    EXPECT_EQ(SoundSetVolume(s, 2, -100, 0), 0) << "a missing buffer";
    EXPECT_EQ(SoundGetVolume(s, -1), 0);
}

TEST_F(SoundEffects, PlaysTakeTheBuffersInTurn) {
    Sources({{Path("tone16.wav"), 3, 0}});
    LoadSounds(g_Sounds, g_SoundSources, 0);
    cSound& s = g_Sounds[0];
    for (int i = 0; i < 3; ++i) {
        SoundPlay(s, 0);
        PullFrames(882); // 441 frames of the 22,050 Hz sound: 882 bytes
    }
    EXPECT_EQ(Position(s, 0), 3 * 882u);
    EXPECT_EQ(Position(s, 1), 2 * 882u);
    EXPECT_EQ(Position(s, 2), 882u);
    SoundPlay(s, 0); // the fourth play cuts the first one off and starts it again
    EXPECT_EQ(Position(s, 0), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Playing(s, i));
    EXPECT_EQ(s.m_nNext, 1);
}

TEST_F(SoundEffects, TheMixedOutputFollowsTheVolumeInDecibels) {
    Sources({{Path("tone16.wav"), 1, 0}});
    LoadSounds(g_Sounds, g_SoundSources, 0);
    SoundPlay(g_Sounds[0], 0);
    double full = Rms(PullFrames(4410));
    EXPECT_GT(full, 8000.0);
    SoundSetVolume(g_Sounds[0], 0, g_SoundVolumeTable[5], 0);
    double half = Rms(PullFrames(4410));
    EXPECT_NEAR(half / full, 0.5623, 0.01); // -5 dB
}

TEST_F(SoundEffects, AFailedDuplicateKeepsTheBuffersThatWereMade) {
    Sources({{Path("tone16.wav"), 4, -300}});
    audio::FailDuplicatesAfterForTests(1);
    LoadSounds(g_Sounds, g_SoundSources, 0);
    cSound& s = g_Sounds[0];
    EXPECT_NE(ECLogText().find(Path("tone16.wav") + "のメモリ共用バッファの生成失敗！"), std::string::npos);
    ASSERT_TRUE(s.IsLoaded());
    EXPECT_EQ(s.m_nCount, 2);
    EXPECT_EQ(SoundGetVolume(s, 1), -300);
    for (int i = 0; i < 5; ++i)
        SoundPlay(s, 0);
    EXPECT_EQ(s.m_nNext, 1);
    EXPECT_TRUE(Playing(s, 0));
    EXPECT_GT(Rms(PullFrames(2000)), 1000.0) << "later plays still sound";
    // DS_Release in TearDown releases both buffers (checked there).
}

TEST_F(SoundEffects, ABadSoundNumberIsLoggedClosesAndPlaysSoundZero) {
    Sources({{Path("tone16.wav"), 1, 0}, {Path("tone8s.wav"), 1, 0}});
    LoadSounds(g_Sounds, g_SoundSources, 0);
    EXPECT_FALSE(ClosePosted());
    EXPECT_EQ(SendMessage(g_hWnd, WM_NULL, 0, 0), 0); // the window exists
    OnPlaySeRequest(1);
    EXPECT_TRUE(Playing(g_Sounds[1], 0));
    EXPECT_FALSE(Playing(g_Sounds[0], 0));
    EXPECT_FALSE(ClosePosted());
    OnPlaySeRequest(static_cast<WPARAM>(-1));
    EXPECT_TRUE(ClosePosted());
    EXPECT_TRUE(Playing(g_Sounds[0], 0));
    g_Sounds[0].m_lpBuffers[0]->Stop();
    EXPECT_EQ(OnPlaySeRequest(2), 0);
    EXPECT_TRUE(ClosePosted());
    EXPECT_TRUE(Playing(g_Sounds[0], 0));
    std::string report = ReportLog();
    EXPECT_NE(report.find("err V[-1] ( 2 , "), std::string::npos) << report;
    EXPECT_NE(report.find("err V[2] ( 2 , "), std::string::npos) << report;
}

TEST_F(SoundEffects, WithoutSoundEverythingReturnsAtOnce) {
    DS_Release();
    Sources({{Path("tone16.wav"), 2, 0}});
    EXPECT_EQ(LoadSounds(g_Sounds, g_SoundSources, 0), 1);
    EXPECT_FALSE(g_Sounds[0].IsLoaded());
    EXPECT_TRUE(g_Sounds[0].Create(Path("tone16.wav"), 1, 0));
    EXPECT_TRUE(DuplicateSound(nullptr, nullptr));
    OnPlaySeRequest(0);
    EXPECT_EQ(SoundSetVolume(g_Sounds[0], 0, -100, 0), 0);
    EXPECT_EQ(Rms(PullFrames(1000)), 0.0);
    // Without a device set-up fails with its log line.
    audio::SetManualOutput(false);
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(DS_Init(g_hWnd, 22050, 8, 1));
    EXPECT_NE(ECLogText().find("DIRECTSOUNDCREATE_ERR!"), std::string::npos);
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    audio::SetManualOutput(true);
}

TEST_F(SoundEffects, StartUpBuildsSystemAndProjectSources) {
    auto savedSystem = g_SystemData.m_vstrSystemSounds;
    auto savedSounds = g_Database.m_Sounds;
    g_SystemData.m_vstrSystemSounds.clear();
    for (int i = 0; i < 17; ++i)
        g_SystemData.m_vstrSystemSounds.push_back("se\\sys" + std::to_string(i) + ".wav");
    g_Database.m_Sounds.assign(3, cEdSound());
    g_Database.m_Sounds[1].szFileName = "se\\jump.wav";
    g_Database.m_Sounds[2].szFileName = "se\\coin.wav";
    BuildSoundLists();
    ASSERT_EQ(g_Sounds.Count(), 19);
    ASSERT_EQ(g_SoundSources.Count(), 19);
    EXPECT_EQ(g_SoundSources[0].szFileName, "se\\sys0.wav");
    EXPECT_EQ(g_SoundSources[16].szFileName, "se\\sys16.wav");
    EXPECT_EQ(g_SoundSources[17].szFileName, "se\\jump.wav");
    EXPECT_EQ(g_SoundSources[18].szFileName, "se\\coin.wav");
    for (const cSoundSource& s : g_SoundSources) {
        EXPECT_EQ(s.nDupCount, 1);
        EXPECT_EQ(s.nVolume, 0);
        EXPECT_EQ(s.nFlag, 1);
    }
    g_SystemData.m_vstrSystemSounds = savedSystem;
    g_Database.m_Sounds = savedSounds;
}
