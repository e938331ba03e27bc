#include "platform/audio/riff_wave.h"

#include <cstring>
#include <fstream>

namespace audio {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Looks for a chunk with the given id among the chunks from `pos` up to `end`. On success `pos`
// is the start of its data and `size` its length, which lies wholly before `end`. With `cut`, the
// chunk looked for may say it runs past `end` (and past `fileEnd`): its length is cut at the file's
// end, so that what the file holds of it is read.
bool FindChunk(const std::uint8_t* b, std::size_t& pos, std::size_t end, const char* id, std::size_t& size,
               std::size_t fileEnd = 0, bool cut = false) {
    while (end - pos >= 8) {
        std::size_t len = Le32(b + pos + 4);
        std::size_t body = pos + 8;
        const bool found = std::memcmp(b + pos, id, 4) == 0;
        if (found && cut && len > fileEnd - body) len = fileEnd - body;
        if (len > end - body && !(found && cut)) return false; // a chunk that runs past its container
        if (found) {
            pos = body;
            size = len;
            return true;
        }
        std::size_t next = body + len + (len & 1);
        if (next > end) return false;
        pos = next;
    }
    return false;
}

} // namespace

bool ParseRiffWave(const std::uint8_t* b, std::size_t size, WaveData* out) {
    if (!b || !out) return false;
    // The RIFF chunk of form type "WAVE" among the file's top-level chunks. A RIFF length that
    // claims more than the file holds (some writers leave it wrong) is cut at the file's end; the
    // chunks inside must still fit.
    std::size_t pos = 0;
    std::size_t riffEnd = 0;
    for (;;) {
        if (size - pos < 12) return false;
        std::size_t len = Le32(b + pos + 4);
        std::size_t body = pos + 8;
        std::size_t end = len > size - body ? size : body + len;
        if (end - body >= 4 && std::memcmp(b + pos, "RIFF", 4) == 0 &&
            std::memcmp(b + body, "WAVE", 4) == 0) {
            riffEnd = end;
            pos = body + 4;
            break;
        }
        pos = end + ((end - body) & 1);
        if (pos >= size) return false;
    }
    std::size_t fmtLen = 0;
    if (!FindChunk(b, pos, riffEnd, "fmt ", fmtLen)) return false;
    if (fmtLen < 16) return false;
    win::WAVEFORMATEX f;
    f.wFormatTag = Le16(b + pos);
    f.nChannels = Le16(b + pos + 2);
    f.nSamplesPerSec = Le32(b + pos + 4);
    f.nAvgBytesPerSec = Le32(b + pos + 8);
    f.nBlockAlign = Le16(b + pos + 12);
    f.wBitsPerSample = Le16(b + pos + 14);
    f.cbSize = fmtLen >= 18 ? Le16(b + pos + 16) : 0;
    if (f.wFormatTag != win::WAVE_FORMAT_PCM) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nSamplesPerSec == 0 || f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
    // The data chunk is looked for after the format chunk, as the loader ascends out of it.
    pos += fmtLen + (fmtLen & 1);
    if (pos > riffEnd) return false;
    // A data chunk that says more bytes than the file holds loads the bytes there are.
    std::size_t dataLen = 0;
    if (!FindChunk(b, pos, riffEnd, "data", dataLen, size, true)) return false;
    out->format = f;
    out->samples.assign(b + pos, b + pos + dataLen);
    return true;
}

bool ReadRiffWaveFile(const std::string& hostPath, WaveData* out) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    std::streamoff len = in.tellg();
    if (len < 0 || len > 0x7FFFFFFF) return false;
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(len));
    if (len > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), len)) return false;
    return ParseRiffWave(bytes.data(), bytes.size(), out);
}

} // namespace audio
