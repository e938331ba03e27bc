// OGG Vorbis music: the player object loads the file, plays it looping and is mixed for a few
// blocks, as the music manager uses it. Ogg pages carry a checksum, so the mutator seals every page
// again after each change; otherwise almost every change would only lose a page.
#include "fuzz_support.h"

#include "platform/audio/mixer.h"
#include "platform/audio/vox.h"

#include <cstring>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

std::uint32_t OggCrc(const std::uint8_t* p, std::size_t n) {
    static std::uint32_t table[256];
    static bool built = false;
    if (!built) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            table[i] = r;
        }
        built = true;
    }
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < n; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

// Recomputes the checksum of every whole page that starts with "OggS".
void SealPages(std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    while (at + 27 <= size) {
        if (std::memcmp(data + at, "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const std::size_t segments = data[at + 26];
        std::size_t length = 27 + segments;
        if (at + length > size) return;
        for (std::size_t k = 0; k < segments; ++k)
            length += data[at + 27 + k];
        if (at + length > size) return;
        std::memset(data + at + 22, 0, 4);
        const std::uint32_t crc = OggCrc(data + at, length);
        for (int k = 0; k < 4; ++k)
            data[at + 22 + k] = static_cast<std::uint8_t>(crc >> (8 * k));
        at += length;
    }
}

audio::IVox* Player() {
    static audio::IVox* vox = [] {
        audio::SetManualOutput(true);
        audio::VoxModule* module = audio::LoadVoxLibrary("Vox.dll");
        if (!module) __builtin_trap();
        audio::CreateVoxProc create = audio::GetVoxProcAddress(module, "CreateVox");
        if (!create) __builtin_trap();
        return create();
    }();
    return vox;
}

} // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    SealPages(data, size);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile("bgm\\fuzz.ogg", data, size)) return 0;
    audio::IVox* vox = Player();
    if (vox->Load("bgm/fuzz.ogg")) {
        vox->SetLoop(0x7FFFFFFF);
        vox->Play();
        static std::int16_t out[2 * 1024];
        for (int block = 0; block < 8; ++block)
            audio::Pull(out, 1024);
        vox->Stop();
    }
    vox->Close();
    return 0;
}
