#include "platform/audio/riff_wave.h"
#include "wave_builder.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <unistd.h>

using namespace testwave;

namespace {

bool Parse(const std::vector<std::uint8_t>& v, audio::WaveData* out) {
    return audio::ParseRiffWave(v.data(), v.size(), out);
}

} // namespace

TEST(RiffWave, EveryPcmKindLoadsWithItsFormatAndSamples) {
    for (std::uint16_t ch : {1, 2})
        for (std::uint16_t bits : {8, 16})
            for (std::uint32_t rate : {8000u, 22050u, 44100u}) {
                auto file = SineWave(ch, rate, bits, 101);
                audio::WaveData w;
                ASSERT_TRUE(Parse(file, &w)) << ch << " " << bits << " " << rate;
                EXPECT_EQ(w.format.wFormatTag, 1);
                EXPECT_EQ(w.format.nChannels, ch);
                EXPECT_EQ(w.format.wBitsPerSample, bits);
                EXPECT_EQ(w.format.nSamplesPerSec, rate);
                EXPECT_EQ(w.format.nBlockAlign, ch * bits / 8);
                EXPECT_EQ(w.samples, SineData(ch, rate, bits, 101).body);
            }
}

TEST(RiffWave, OtherChunksAreSkippedHonouringThePadByte) {
    // An odd-sized chunk before "fmt " and another between "fmt " and "data"; a long fmt chunk
    // (with the extension size) is read only as far as the format record goes.
    Chunk list{"LIST", {1, 2, 3}};
    Chunk fact{"fact", {9, 9, 9, 9, 9}};
    Chunk fmt = Fmt(1, 1, 11025, 16);
    Put16(fmt.body, 0);
    fmt.body.push_back(0x77); // 19 bytes: padded
    auto data = SineData(1, 11025, 16, 7);
    audio::WaveData w;
    ASSERT_TRUE(Parse(Riff({list, fmt, fact, data}), &w));
    EXPECT_EQ(w.format.nSamplesPerSec, 11025u);
    EXPECT_EQ(w.samples, data.body);
    // An odd data chunk keeps its odd length.
    Chunk odd{"data", {1, 2, 3}};
    ASSERT_TRUE(Parse(Riff({Fmt(1, 1, 8000, 8), odd}), &w));
    EXPECT_EQ(w.samples.size(), 3u);
}

TEST(RiffWave, RiffLengthLongerThanTheFileIsCutAtTheEnd) {
    auto file = SineWave(1, 8000, 8, 50);
    file[4] = 0xFF;
    file[5] = 0xFF;
    audio::WaveData w;
    EXPECT_TRUE(Parse(file, &w));
    EXPECT_EQ(w.samples.size(), 50u);
}

TEST(RiffWave, FormatsOtherThanPlainPcmAreRefused) {
    auto data = SineData(1, 8000, 16, 10);
    audio::WaveData w;
    EXPECT_FALSE(Parse(Riff({Fmt(3, 1, 8000, 16), data}), &w)) << "float tag";
    EXPECT_FALSE(Parse(Riff({Fmt(2, 1, 8000, 16), data}), &w)) << "ADPCM tag";
    EXPECT_FALSE(Parse(Riff({Fmt(1, 0, 8000, 16), data}), &w)) << "no channels";
    EXPECT_FALSE(Parse(Riff({Fmt(1, 3, 8000, 16), data}), &w)) << "three channels";
    EXPECT_FALSE(Parse(Riff({Fmt(1, 1, 8000, 24), data}), &w)) << "24 bits";
    EXPECT_FALSE(Parse(Riff({Fmt(1, 1, 0, 16), data}), &w)) << "rate 0";
    EXPECT_FALSE(Parse(Riff({Fmt(1, 2, 8000, 16, 2), data}), &w)) << "block alignment";
    Chunk shortFmt = Fmt(1, 1, 8000, 16);
    shortFmt.body.resize(14);
    EXPECT_FALSE(Parse(Riff({shortFmt, data}), &w)) << "format chunk too short";
}

TEST(RiffWave, MissingOrMisplacedChunksAreRefused) {
    auto fmt = Fmt(1, 1, 8000, 16);
    auto data = SineData(1, 8000, 16, 10);
    audio::WaveData w;
    EXPECT_FALSE(Parse(Riff({fmt, data}, "AVI "), &w)) << "not a WAVE form";
    EXPECT_FALSE(Parse(Riff({data}), &w)) << "no fmt";
    EXPECT_FALSE(Parse(Riff({fmt}), &w)) << "no data";
    EXPECT_FALSE(Parse(Riff({data, fmt}), &w)) << "data before fmt";
    EXPECT_FALSE(Parse({}, &w));
    EXPECT_FALSE(audio::ParseRiffWave(nullptr, 0, &w));
}

// A data chunk that says more bytes than the file holds loads the bytes there are; the chunks
// before it must still fit.
TEST(RiffWave, ADataChunkLongerThanTheFileLoadsTheBytesThere) {
    const auto whole = SineWave(1, 8000, 16, 10); // 12 + 24 (fmt) + 8 + 20 bytes
    const std::size_t fmtLenAt = 16, dataLenAt = 40;
    struct Case {
        const char* what;
        std::size_t lenAt;   // the length field changed (0: none)
        std::uint32_t len;   // to this
        std::size_t dropped; // bytes cut off the end
        bool loads;
        std::size_t samples;
    };
    const Case cases[] = {
        {"a data length one byte too long", dataLenAt, 21, 0, true, 20},
        {"a huge data length", dataLenAt, 0xFF000015u, 0, true, 20},
        {"a file cut inside its samples", 0, 0, 7, true, 13},
        {"a file cut right after the data header", 0, 0, 20, true, 0},
        {"a file cut inside the data header", 0, 0, 21, false, 0},
        {"a format chunk that runs past the file", fmtLenAt, 200, 0, false, 0},
    };
    for (const Case& k : cases) {
        auto file = whole;
        if (k.lenAt)
            for (int i = 0; i < 4; ++i)
                file[k.lenAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(k.len >> (8 * i));
        file.resize(file.size() - k.dropped);
        audio::WaveData w;
        ASSERT_EQ(Parse(file, &w), k.loads) << k.what;
        if (!k.loads) continue;
        EXPECT_EQ(w.samples.size(), k.samples) << k.what;
        EXPECT_TRUE(std::equal(w.samples.begin(), w.samples.end(), whole.begin() + 44)) << k.what;
    }
}

TEST(RiffWave, EveryPrefixLoadsWhatItHoldsOfTheSamplesWithoutReadingPastIt) {
    auto file = SineWave(2, 8000, 16, 40);
    const std::size_t samplesAt = 44; // after the RIFF header, the format chunk and the data header
    for (std::size_t n = 0; n < file.size(); ++n) {
        std::vector<std::uint8_t> prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        audio::WaveData w;
        ASSERT_EQ(Parse(prefix, &w), n >= samplesAt) << n;
        if (n >= samplesAt) {
            EXPECT_EQ(w.samples.size(), n - samplesAt) << n;
        }
    }
}

TEST(RiffWave, RandomDamageNeverReadsOutsideTheFile) {
    std::mt19937 rng(1234);
    auto file = Riff({Chunk{"LIST", {1, 2, 3}}, Fmt(1, 2, 22050, 16), SineData(2, 22050, 16, 64)});
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        auto v = file;
        int flips = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < flips; ++i)
            v[rng() % v.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        audio::WaveData w;
        if (Parse(v, &w)) {
            ++accepted;
            EXPECT_LE(w.samples.size(), v.size());
            EXPECT_EQ(w.format.nBlockAlign, w.format.nChannels * w.format.wBitsPerSample / 8);
        }
    }
    EXPECT_GT(accepted, 0); // flips inside the samples leave a valid file
}

TEST(RiffWave, ReadsFilesAndRefusesMissingOnes) {
    std::string path = testing::TempDir() + "riff_wave_test_" + std::to_string(getpid()) + ".wav";
    auto file = SineWave(1, 8000, 8, 30);
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    audio::WaveData w;
    EXPECT_TRUE(audio::ReadRiffWaveFile(path, &w));
    EXPECT_EQ(w.samples.size(), 30u);
    EXPECT_FALSE(audio::ReadRiffWaveFile(path + ".missing", &w));
    std::remove(path.c_str());
}
