#include "draw/frame_snapshot.h"

#include "app/log.h"
#include "platform/gfx/presenter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

constexpr int SNAP_W = 640, SNAP_H = 480;

struct SnapshotState {
    std::mutex mutex;
    bool read = false;
    bool on = false;
    std::string dir;
    std::vector<std::uint64_t> frames; // sorted
    std::uint64_t presented = 0;
};

SnapshotState& State() {
    static SnapshotState s;
    return s;
}

void PutLE(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

} // namespace

bool ParseSnapshotSetting(const char* setting, std::string& dir, std::vector<std::uint64_t>& frames) {
    dir.clear();
    frames.clear();
    if (!setting) return false;
    const std::string s(setting);
    const std::size_t colon = s.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    dir = s.substr(0, colon);
    std::size_t pos = colon + 1;
    for (;;) {
        const std::size_t comma = s.find(',', pos);
        const std::string item = s.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos) return false;
        errno = 0;
        const unsigned long long n = std::strtoull(item.c_str(), nullptr, 10);
        if (n == 0 || errno == ERANGE) return false;
        frames.push_back(n);
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return true;
}

bool WriteSnapshotBmp(const std::string& path, const std::uint32_t* xrgb, int w, int h) {
    constexpr std::size_t rowBytes = SNAP_W * 3; // a multiple of 4: no row padding
    constexpr std::size_t header = 54;
    std::vector<unsigned char> b(header + rowBytes * SNAP_H, 0);
    b[0] = 'B', b[1] = 'M';
    PutLE(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    PutLE(b, 10, header, 4);
    PutLE(b, 14, 40, 4);
    PutLE(b, 18, SNAP_W, 4);
    PutLE(b, 22, SNAP_H, 4); // positive: bottom row first
    PutLE(b, 26, 1, 2);
    PutLE(b, 28, 24, 2);
    PutLE(b, 34, static_cast<std::uint32_t>(rowBytes * SNAP_H), 4);
    PutLE(b, 38, 2835, 4);
    PutLE(b, 42, 2835, 4);
    for (int y = 0; y < std::min(h, SNAP_H); ++y) {
        unsigned char* row = &b[header + rowBytes * static_cast<std::size_t>(SNAP_H - 1 - y)];
        for (int x = 0; x < std::min(w, SNAP_W); ++x) {
            const std::uint32_t c = xrgb[static_cast<std::size_t>(y) * w + x];
            row[3 * x] = static_cast<unsigned char>(c);
            row[3 * x + 1] = static_cast<unsigned char>(c >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(c >> 16);
        }
    }
    // The frame takes its name only when written whole, so that whoever reads the folder while the
    // game runs never opens half a picture.
    const std::string part = path + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) return false;
    bool written = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    written = std::fclose(f) == 0 && written;
    if (written && std::rename(part.c_str(), path.c_str()) == 0) return true;
    std::remove(part.c_str());
    return false;
}

void DDSnapshotPresentedFrame() {
    SnapshotState& s = State();
    std::lock_guard lock(s.mutex);
    if (!s.read) {
        s.read = true;
        const char* env = std::getenv("MIRELDA4_SNAPSHOT");
        if (env && *env) {
            s.on = ParseSnapshotSetting(env, s.dir, s.frames);
            if (!s.on) Report("MIRELDA4_SNAPSHOT ignored: expected DIR:N[,N...], got \"%s\"", env);
        }
    }
    if (!s.on) return;
    const std::uint64_t n = ++s.presented;
    if (!std::binary_search(s.frames.begin(), s.frames.end(), n)) return;
    std::vector<std::uint32_t> px;
    int w = 0, h = 0;
    const std::string path = s.dir + "/frame-" + std::to_string(n) + ".bmp";
    if (!gfx::ReadLastFrame(px, w, h) || !WriteSnapshotBmp(path, px.data(), w, h))
        Report("MIRELDA4_SNAPSHOT: frame %llu not written to %s", static_cast<unsigned long long>(n),
               path.c_str());
    if (n >= s.frames.back()) s.on = false;
}

void DDResetSnapshot() {
    SnapshotState& s = State();
    std::lock_guard lock(s.mutex);
    s.read = s.on = false;
    s.dir.clear();
    s.frames.clear();
    s.presented = 0;
}
