#include "platform/audio/vox.h"
#include "audio_test_util.h"

#include <gtest/gtest.h>

using testaudio::PullFrames;
using testaudio::Rms;

namespace {

const std::string kTone = M4_SOURCE_DIR "/tests/platform_audio/data/tone.ogg"; // 0.5 s, 440 Hz

class VoxPlayers : public testing::Test {
  protected:
    void SetUp() override {
        audio::SetManualOutput(true);
        audio::SetVoxAvailabilityForTests(true, true, true);
        module = audio::LoadVoxLibrary("Vox.dll");
        ASSERT_NE(module, nullptr);
        auto create = audio::GetVoxProcAddress(module, "CreateVox");
        ASSERT_NE(create, nullptr);
        vox = create();
        ASSERT_NE(vox, nullptr);
    }
    void TearDown() override {
        vox->Release();
        audio::FreeVoxLibrary(module);
        EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    }
    audio::VoxModule* module = nullptr;
    audio::IVox* vox = nullptr;
};

// The loudness of each tenth of a second.
std::vector<double> Tenths(const std::vector<std::int16_t>& s) {
    std::vector<double> r;
    for (std::size_t i = 0; i + 4410 <= s.size() / 2; i += 4410)
        r.push_back(Rms(s, -1, i, i + 4410));
    return r;
}

} // namespace

TEST_F(VoxPlayers, PlaysOnceThenFallsSilent) {
    ASSERT_EQ(vox->Load(kTone.c_str()), 1);
    vox->SetLoop(0);
    vox->Play();
    EXPECT_TRUE(audio::AnyVoxPlayingForTests());
    auto t = Tenths(PullFrames(44100));
    for (int i = 0; i < 4; ++i)
        EXPECT_GT(t[i], 3000) << i; // half scale sine: about 11,500
    for (int i = 6; i < 10; ++i)
        EXPECT_EQ(t[i], 0.0) << i;
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
}

TEST_F(VoxPlayers, PlaysEndlesslyWithTheLoopCount) {
    ASSERT_EQ(vox->Load(kTone.c_str()), 1);
    vox->SetLoop(0x7FFFFFFF);
    vox->Play();
    auto t = Tenths(PullFrames(44100 * 2));
    for (std::size_t i = 0; i < t.size(); ++i)
        EXPECT_GT(t[i], 3000) << i;
    EXPECT_TRUE(audio::AnyVoxPlayingForTests());
    vox->Stop();
    EXPECT_EQ(Rms(PullFrames(4410)), 0.0);
}

TEST_F(VoxPlayers, ALoopCountOfOnePlaysTwice) {
    ASSERT_EQ(vox->Load(kTone.c_str()), 1);
    vox->SetLoop(1);
    vox->Play();
    auto t = Tenths(PullFrames(44100 * 2));
    EXPECT_GT(t[8], 3000);
    EXPECT_EQ(t[12], 0.0);
}

TEST_F(VoxPlayers, FilesThatAreNotOggAreRefused) {
    EXPECT_EQ(vox->Load((kTone + ".missing").c_str()), 0);
    EXPECT_EQ(vox->Load(M4_SOURCE_DIR "/tests/platform_audio/data/make_tone_ogg.c"), 0);
    EXPECT_EQ(vox->Load(""), 0);
    vox->Play(); // nothing loaded: nothing sounds
    EXPECT_FALSE(audio::AnyVoxPlayingForTests());
    // Close forgets a loaded file.
    ASSERT_EQ(vox->Load(kTone.c_str()), 1);
    vox->Close();
    vox->Play();
    EXPECT_EQ(Rms(PullFrames(4410)), 0.0);
}
