#include "platform/audio/dsound.h"
#include "audio_test_util.h"
#include "wave_builder.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

using namespace win;
using testaudio::PullFrames;
using testaudio::Rms;

namespace {

class SoundBuffers : public testing::Test {
  protected:
    void SetUp() override {
        audio::SetManualOutput(true);
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
        PullFrames(4096); // nothing left over from earlier tests
    }
    void TearDown() override {
        for (IDirectSoundBuffer* b : made)
            b->Release();
        ds->Release();
        EXPECT_EQ(audio::LiveSoundBuffersForTests(), 0);
        audio::FailDuplicatesAfterForTests(-1);
    }

    // A static buffer holding a sine, as the sound effects are made.
    IDirectSoundBuffer* Make(WORD channels, DWORD rate, WORD bits, int frames) {
        auto data = testwave::SineData(channels, rate, bits, frames);
        WAVEFORMATEX f;
        f.wFormatTag = WAVE_FORMAT_PCM;
        f.nChannels = channels;
        f.nSamplesPerSec = rate;
        f.wBitsPerSample = bits;
        f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
        f.nAvgBytesPerSec = rate * f.nBlockAlign;
        DSBUFFERDESC d;
        d.dwSize = 36;
        d.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLVOLUME | DSBCAPS_GETCURRENTPOSITION2;
        d.dwBufferBytes = static_cast<DWORD>(data.body.size());
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
        if (!b) return nullptr;
        void* p = nullptr;
        DWORD n = 0;
        EXPECT_EQ(b->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
        EXPECT_EQ(n, data.body.size());
        std::memcpy(p, data.body.data(), n);
        b->Unlock(p, n, nullptr, 0);
        made.push_back(b);
        return b;
    }

    IDirectSound* ds = nullptr;
    std::vector<IDirectSoundBuffer*> made;
};

bool Playing(IDirectSoundBuffer* b) {
    DWORD s = 0;
    b->GetStatus(&s);
    return s & DSBSTATUS_PLAYING;
}

} // namespace

TEST_F(SoundBuffers, APlayedBufferSoundsForItsLengthThenStops) {
    auto* b = Make(1, 22050, 16, 2205); // 0.1 s
    EXPECT_EQ(Rms(PullFrames(1000)), 0.0);
    b->Play(0, 0, 0);
    auto out = PullFrames(8820); // 0.2 s at 44.1 kHz
    // A sine at half scale has an RMS near 0.5 / sqrt(2) of full scale.
    EXPECT_NEAR(Rms(out, -1, 0, 4410), 0.3535 * 32767, 600);
    EXPECT_EQ(Rms(out, -1, 4420, 8820), 0.0);
    EXPECT_FALSE(Playing(b));
}

TEST_F(SoundBuffers, ABufferMovedOnWithoutSoundStopsWhenItWouldHaveSounded) {
    EXPECT_TRUE(audio::OutputHeard()) << "manual output is heard";
    auto* b = Make(1, 22050, 16, 2205); // 0.1 s
    b->Play(0, 0, 0);
    audio::Advance(4400);
    EXPECT_TRUE(Playing(b));
    audio::Advance(20);
    EXPECT_FALSE(Playing(b));
}

TEST_F(SoundBuffers, EveryKindOfPcmSoundsAtTheRightLengthAndLevel) {
    for (WORD ch : {1, 2})
        for (WORD bits : {8, 16})
            for (DWORD rate : {11025u, 44100u}) {
                auto* b = Make(ch, rate, bits, static_cast<int>(rate / 10));
                b->Play(0, 0, 0);
                auto out = PullFrames(8820);
                EXPECT_NEAR(Rms(out, 0, 0, 4400), 0.3535 * 32767, 800) << ch << " " << bits << " " << rate;
                EXPECT_NEAR(Rms(out, 1, 0, 4400), 0.3535 * 32767, 800);
                EXPECT_EQ(Rms(out, -1, 4420, 8820), 0.0);
            }
}

TEST_F(SoundBuffers, VolumeScalesByDecibelsAndTheFloorIsSilent) {
    auto* b = Make(1, 44100, 16, 44100);
    b->Play(0, 0, 0);
    double full = Rms(PullFrames(4410));
    for (LONG v : {-600L, -2000L, -4000L}) {
        ASSERT_EQ(b->SetVolume(v), DS_OK);
        double level = Rms(PullFrames(4410));
        EXPECT_NEAR(level / full, std::pow(10.0, v / 2000.0), 0.01) << v;
    }
    b->SetVolume(DSBVOLUME_MIN);
    EXPECT_EQ(Rms(PullFrames(4410)), 0.0);
    LONG got = 1;
    b->GetVolume(&got);
    EXPECT_EQ(got, -10000);
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
}

TEST_F(SoundBuffers, DuplicatesShareSamplesButHaveTheirOwnCursorAndVolume) {
    auto* a = Make(1, 44100, 16, 4410);
    a->SetVolume(-1000);
    IDirectSoundBuffer* d = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(a, &d), DS_OK);
    made.push_back(d);
    LONG v = 0;
    d->GetVolume(&v);
    EXPECT_EQ(v, -1000);
    d->SetVolume(0);
    a->GetVolume(&v);
    EXPECT_EQ(v, -1000);
    // Writing the original's samples changes what the duplicate plays.
    void* p;
    DWORD n;
    a->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
    std::memset(p, 0, n);
    a->Unlock(p, n, nullptr, 0);
    d->Play(0, 0, 0);
    EXPECT_EQ(Rms(PullFrames(2000)), 0.0);
    EXPECT_TRUE(Playing(d));
    EXPECT_FALSE(Playing(a));
    DWORD pa = 1, pd = 0;
    a->GetCurrentPosition(&pa, nullptr);
    d->GetCurrentPosition(&pd, nullptr);
    EXPECT_EQ(pa, 0u);
    EXPECT_EQ(pd, 4000u);
}

TEST_F(SoundBuffers, StopAndRewindRestartsFromTheBeginning) {
    auto* b = Make(1, 44100, 16, 4410);
    b->Play(0, 0, 0);
    PullFrames(3000);
    b->Stop();
    DWORD pos = 0;
    b->GetCurrentPosition(&pos, nullptr);
    EXPECT_EQ(pos, 6000u);
    EXPECT_EQ(Rms(PullFrames(1000)), 0.0);
    b->SetCurrentPosition(0);
    b->Play(0, 0, 0);
    PullFrames(3000);
    EXPECT_TRUE(Playing(b)); // 4410 frames from the start still have 1410 to go
}

TEST_F(SoundBuffers, BadRequestsAreRefused) {
    WAVEFORMATEX f;
    f.wFormatTag = 3; // float
    f.nChannels = 1;
    f.nSamplesPerSec = 8000;
    f.wBitsPerSample = 32;
    f.nBlockAlign = 4;
    DSBUFFERDESC d;
    d.dwSize = 36;
    d.dwBufferBytes = 400;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_BADFORMAT);
    f.wFormatTag = 1;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    d.dwBufferBytes = 0;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(b, nullptr);
    // The primary buffer takes a format but plays nothing of its own.
    DSBUFFERDESC pd;
    pd.dwSize = 36;
    pd.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&pd, &primary, nullptr), DS_OK);
    made.push_back(primary);
    EXPECT_EQ(primary->SetFormat(&f), DS_OK);
    IDirectSoundBuffer* dup = nullptr;
    EXPECT_EQ(ds->DuplicateSoundBuffer(primary, &dup), DSERR_INVALIDPARAM);
}

TEST(SoundDevice, OpensThroughSdlAndFailsForAnUnknownDriver) {
    audio::SetManualOutput(false);
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    IDirectSound* ds = nullptr;
    EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    EXPECT_FALSE(audio::OutputHeard()) << "the dummy driver throws the sound away";
    ds->Release();
    EXPECT_TRUE(audio::OutputHeard());
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    audio::SetManualOutput(true);
}

// Manual output opens no device: it is heard unless it was set up unheard (as the dummy driver is),
// and counts as unheard only while it is open.
TEST(SoundDevice, ManualOutputIsHeardUnlessSetUpUnheard) {
    struct Case {
        bool heard;
    };
    for (const Case c : {Case{true}, Case{false}}) {
        SCOPED_TRACE(c.heard);
        audio::SetManualOutput(true, c.heard);
        IDirectSound* ds = nullptr;
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
        EXPECT_EQ(audio::OutputHeard(), c.heard);
        ds->Release();
        EXPECT_TRUE(audio::OutputHeard()) << "no output open";
    }
    audio::SetManualOutput(true);
}

TEST(SoundDevice, WithNoDriverNamedSomeOutputOpensQuietly) {
    audio::SetManualOutput(false);
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    unsetenv("SDL_AUDIODRIVER");
    std::vector<std::string> lines;
    static std::vector<std::string>* sink = nullptr;
    sink = &lines;
    audio::SetLogSink([](const std::string& line) { sink->push_back(line); });
    testing::internal::CaptureStderr();
    IDirectSound* ds = nullptr;
    HRESULT hr = DirectSoundCreate(nullptr, &ds, nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    audio::SetLogSink(nullptr);
    ASSERT_EQ(hr, DS_OK) << "a real device or, failing that, the dummy driver";
    ds->Release();
    EXPECT_EQ(err.find("ALSA"), std::string::npos) << err;
    EXPECT_LE(lines.size(), 1u) << "at most the one line that names the fallback";
    if (old) setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    audio::SetManualOutput(true);
}
