#include "platform/audio/vox.h"
#include "audio_test_util.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

using testaudio::PullFrames;
using testaudio::Rms;

namespace {

const std::string kData = M4_SOURCE_DIR "/tests/platform_audio/data/";
const std::string kTone = kData + "tone.ogg"; // 0.5 s, 440 Hz

using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A file of its own for each test process.
std::string WriteScratch(const std::string& name, const Bytes& bytes) {
    std::string path = testing::TempDir() + "m4vox_" + std::to_string(getpid()) + "_" + name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// The offsets of the pages of an OGG file, and the length of each.
std::vector<std::pair<std::size_t, std::size_t>> Pages(const Bytes& b) {
    std::vector<std::pair<std::size_t, std::size_t>> r;
    for (std::size_t i = 0; i + 27 <= b.size();) {
        std::size_t n = 27 + b[i + 26];
        for (std::size_t k = 0; k < b[i + 26]; ++k)
            n += b[i + 27 + k];
        r.emplace_back(i, n);
        i += n;
    }
    return r;
}

// Writes the checksum of the page at `at` after its bytes were changed.
void SealPage(Bytes& b, std::size_t at, std::size_t length) {
    std::fill(b.begin() + at + 22, b.begin() + at + 26, 0);
    std::uint32_t crc = 0;
    for (std::size_t i = at; i < at + length; ++i) {
        crc ^= static_cast<std::uint32_t>(b[i]) << 24;
        for (int k = 0; k < 8; ++k)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int k = 0; k < 4; ++k)
        b[at + 22 + k] = static_cast<std::uint8_t>(crc >> (8 * k));
}

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

// Moved on without sound, a piece played twice ends on the block it ends on when it sounds.
TEST_F(VoxPlayers, MovedOnWithoutSoundItEndsWhenItWouldHaveSounded) {
    std::vector<bool> playing[2];
    for (int unheard = 0; unheard < 2; ++unheard) {
        ASSERT_EQ(vox->Load(kTone.c_str()), 1);
        vox->SetLoop(1);
        vox->Play();
        for (int k = 0; k < 40; ++k) {
            if (unheard)
                audio::Advance(2205);
            else
                PullFrames(2205);
            playing[unheard].push_back(audio::AnyVoxPlayingForTests());
        }
    }
    EXPECT_EQ(playing[1], playing[0]);
    EXPECT_TRUE(playing[0][15]);
    EXPECT_FALSE(playing[0][39]);
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

// Inputs found by fuzzing the reader. Each is refused, or plays endlessly looped without hanging
// (a player that meets a file yielding no sound gives up), and leaves the sanitizers quiet.
TEST_F(VoxPlayers, DamagedFilesAreRefusedOrGiveUpWithoutHanging) {
    const struct {
        const char* file;
        std::uint8_t loads;
    } cases[] = {
        {"ogg-loop-restart-never-progresses.ogg", 1},  // nothing after the seek back, for ever
        {"ogg-damaged-stream-after-loop-seek.ogg", 1}, // the seek back corrupts the Ogg library
        {"ogg-huge-sample-rate.ogg", 0},               // 4,294,949,760 Hz
        {"ogg-rate-2147483647.ogg", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        testaudio::HangGuard guard(std::string("playing ") + c.file, 120);
        ASSERT_EQ(vox->Load((kData + c.file).c_str()), c.loads);
        vox->SetLoop(0x7FFFFFFF);
        vox->Play();
        auto out = PullFrames(44100 * 5);
        EXPECT_EQ(Rms(out), 0.0);
        EXPECT_FALSE(audio::AnyVoxPlayingForTests()) << "the player gave up";
        vox->Close();
    }
}

// Rates up to 384 kHz play; above, the file is refused.
TEST_F(VoxPlayers, SampleRatesOutsideWhatASoundFileHoldsAreRefused) {
    const Bytes tone = ReadBytes(kTone);
    const auto first = Pages(tone).at(0); // the identification header: the rate at byte 40
    for (std::uint32_t rate : {1u, 384000u, 384001u, 0x80000000u}) {
        SCOPED_TRACE(rate);
        Bytes b = tone;
        for (int k = 0; k < 4; ++k)
            b[40 + k] = static_cast<std::uint8_t>(rate >> (8 * k));
        SealPage(b, first.first, first.second);
        std::string path = WriteScratch("rate.ogg", b);
        const bool playable = rate <= 384000;
        ASSERT_EQ(vox->Load(path.c_str()), playable ? 1 : 0);
        vox->SetLoop(0x7FFFFFFF);
        vox->Play();
        testaudio::HangGuard guard("playing at " + std::to_string(rate) + " Hz", 120);
        auto out = PullFrames(44100 * 2);
        EXPECT_EQ(Rms(out) > 0.0, playable);
        EXPECT_EQ(audio::AnyVoxPlayingForTests(), playable);
        vox->Close();
        std::filesystem::remove(path);
    }
}

// A file with a damaged page plays round its hole, and loops by opening the file again rather
// than seeking back in the damaged stream: with the file gone after loading, a damaged file ends
// after one pass, while an undamaged one goes on looping from its open stream.
TEST_F(VoxPlayers, ADamagedFileLoopsByOpeningItAgain) {
    const Bytes clean = ReadBytes(kData + "tone-2s.ogg"); // 2 s, one packet a page
    Bytes damaged = clean;
    const auto pages = Pages(damaged);
    const auto middle = pages.at(pages.size() / 2);
    damaged[middle.first + middle.second - 1] ^= 0xFF; // its checksum fails: the page is lost
    const struct {
        const char* name;
        const Bytes* bytes;
        bool removed;
        bool loops;
    } cases[] = {
        {"damaged", &damaged, false, true},
        {"damaged, then removed", &damaged, true, false},
        {"clean, then removed", &clean, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteScratch("tone.ogg", *c.bytes);
        ASSERT_EQ(vox->Load(path.c_str()), 1);
        if (c.removed) std::filesystem::remove(path);
        vox->SetLoop(0x7FFFFFFF);
        vox->Play();
        auto t = Tenths(PullFrames(44100 * 5));
        EXPECT_GT(t[5], 3000) << "the first pass";
        EXPECT_EQ(t[25] > 3000, c.loops) << "the second pass";
        EXPECT_EQ(t[45] > 3000, c.loops) << "the third pass";
        vox->Close();
        std::filesystem::remove(path);
    }
}
