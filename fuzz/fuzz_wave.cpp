// WAVE files: the RIFF/WAVE reader over a file held in memory.
#include "fuzz_support.h"

#include "platform/audio/riff_wave.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    audio::WaveData wave;
    if (!audio::ParseRiffWave(data, size, &wave)) return 0;
    // What was accepted is plain PCM whose samples came from inside the file.
    const auto& f = wave.format;
    if (f.nChannels < 1 || f.nChannels > 2 || (f.wBitsPerSample != 8 && f.wBitsPerSample != 16))
        __builtin_trap();
    if (wave.samples.size() > size) __builtin_trap();
    return 0;
}
