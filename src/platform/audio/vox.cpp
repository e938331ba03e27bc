#include "platform/audio/vox.h"

#include "platform/audio/mixer.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>
#include <vorbis/vorbisfile.h>

namespace audio {

struct VoxModule {};

namespace {

std::atomic<bool> g_haveLibrary{true};
std::atomic<bool> g_haveEntry{true};
std::atomic<bool> g_createWorks{true};
std::atomic<int> g_playing{0};

constexpr std::int32_t kEndless = 0x7FFFFFFF;

// The sample rates a file may have: up to 384 kHz, the highest rate of sound hardware and of the
// sound formats that studios deliver. A higher rate comes from a damaged header, and playing it
// would decode thousands of the file's frames for each frame mixed.
constexpr long kMinRate = 1;
constexpr long kMaxRate = 384000;

struct FileCloser {
    void operator()(OggVorbis_File* f) const {
        ov_clear(f);
        delete f;
    }
};
using FilePtr = std::unique_ptr<OggVorbis_File, FileCloser>;

// Opens an OGG Vorbis file that can be played; null when it cannot.
FilePtr Open(const char* path, long* rate) {
    auto f = std::make_unique<OggVorbis_File>();
    if (ov_fopen(path, f.get()) != 0) return nullptr;
    FilePtr file(f.release());
    vorbis_info* info = ov_info(file.get(), -1);
    if (!info || info->rate < kMinRate || info->rate > kMaxRate || info->channels <= 0) return nullptr;
    *rate = info->rate;
    return file;
}

class VoxPlayer final : public IVox, public Source {
  public:
    VoxPlayer() { AddSource(this); }

    std::uint8_t Load(const char* file) override {
        {
            std::lock_guard lock(Lock());
            CloseLocked();
        }
        if (!file || !*file) return 0;
        // The file is opened without the audio lock, so that the sound goes on meanwhile.
        long rate = 0;
        auto f = Open(file, &rate);
        if (!f) return 0;
        std::lock_guard lock(Lock());
        CloseLocked();
        m_file = std::move(f);
        m_path = file;
        m_rate = rate;
        m_step = (static_cast<std::uint64_t>(m_rate) << 32) / kOutputRate;
        return 1;
    }

    void Play() override {
        std::lock_guard lock(Lock());
        if (!m_file || m_playing) return;
        m_playing = true;
        ++g_playing;
    }

    void Stop() override {
        std::lock_guard lock(Lock());
        SetStopped();
    }

    void Close() override {
        std::lock_guard lock(Lock());
        CloseLocked();
    }

    void SetLoop(std::int32_t count) override {
        std::lock_guard lock(Lock());
        m_loops = count < 0 ? 0 : count;
    }

    void Release() override {
        {
            std::lock_guard lock(Lock());
            CloseLocked();
        }
        RemoveSource(this);
        delete this;
    }

    void Mix(float* acc, int frames) override {
        if (!m_playing) return;
        for (int i = 0; i < frames; ++i) {
            std::size_t k = static_cast<std::size_t>(m_pos >> 32);
            while (k + 1 >= Frames() && !m_ended)
                Decode();
            if (k >= Frames()) {
                SetStopped();
                return;
            }
            if (acc) {
                float f = static_cast<float>(m_pos & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
                std::size_t k1 = k + 1 < Frames() ? k + 1 : k;
                acc[2 * i] += m_pcm[2 * k] + (m_pcm[2 * k1] - m_pcm[2 * k]) * f;
                acc[2 * i + 1] += m_pcm[2 * k + 1] + (m_pcm[2 * k1 + 1] - m_pcm[2 * k + 1]) * f;
            }
            m_pos += m_step;
        }
        // Drop what has been played, keeping the frame the next block interpolates from.
        std::size_t k = static_cast<std::size_t>(m_pos >> 32);
        if (k > 8192 && k <= Frames()) {
            m_pcm.erase(m_pcm.begin(), m_pcm.begin() + static_cast<std::ptrdiff_t>(2 * k));
            m_pos -= static_cast<std::uint64_t>(k) << 32;
        }
    }

  private:
    ~VoxPlayer() override = default;

    std::size_t Frames() const { return m_pcm.size() / 2; }

    void SetStopped() {
        if (m_playing) --g_playing;
        m_playing = false;
    }

    void CloseLocked() {
        SetStopped();
        m_file.reset();
        m_path.clear();
        m_passFrames = 0;
        m_damaged = false;
        m_ended = false;
        m_pcm.clear();
        m_pos = 0;
    }

    // Appends one slice of decoded sound; at the end of the file either starts it again or marks
    // the end.
    void Decode() {
        if (!m_file) {
            m_ended = true;
            return;
        }
        char buf[8192];
        int section = 0;
        long n = ov_read(m_file.get(), buf, sizeof buf, 0, 2, 1, &section);
        if (n == OV_HOLE) {
            m_damaged = true;
            return;
        }
        if (n < 0) {
            m_ended = true;
            return;
        }
        if (n == 0) {
            Restart();
            return;
        }
        vorbis_info* info = ov_info(m_file.get(), section);
        int ch = info && info->channels > 0 ? info->channels : 1;
        const std::int16_t* s = reinterpret_cast<const std::int16_t*>(buf);
        std::size_t frames = static_cast<std::size_t>(n) / 2 / static_cast<std::size_t>(ch);
        for (std::size_t i = 0; i < frames; ++i) {
            float l = s[i * ch];
            float r = ch >= 2 ? s[i * ch + 1] : l;
            m_pcm.push_back(l);
            m_pcm.push_back(r);
        }
        m_passFrames += frames;
    }

    // At the end of the file: starts it again while loops remain. A pass that yielded nothing
    // gives up, as every further pass would do the same. After damage (a hole, or fewer or more
    // frames than the file says it holds), the file is opened afresh rather than sought back:
    // seeking in a damaged stream can leave the Ogg library's state inconsistent.
    void Restart() {
        const bool damaged =
            m_damaged || m_passFrames != static_cast<std::uint64_t>(ov_pcm_total(m_file.get(), -1));
        const bool yielded = m_passFrames > 0;
        m_passFrames = 0;
        m_damaged = false;
        if (m_loops == 0 || !yielded) {
            m_ended = true;
            return;
        }
        if (damaged) {
            long rate = 0;
            m_file = Open(m_path.c_str(), &rate);
            if (!m_file || rate != m_rate) {
                m_ended = true;
                return;
            }
        } else if (ov_pcm_seek(m_file.get(), 0) != 0) {
            m_ended = true;
            return;
        }
        if (m_loops != kEndless) --m_loops;
    }

    FilePtr m_file;                 // null while nothing is loaded
    std::string m_path;             // of the loaded file, to open it again
    std::uint64_t m_passFrames = 0; // frames decoded since the file was opened or sought back
    bool m_damaged = false;         // a hole was met since then
    bool m_playing = false;
    bool m_ended = false;
    long m_rate = 0;
    std::uint64_t m_step = 0;
    std::uint64_t m_pos = 0;
    std::int32_t m_loops = 0;
    std::vector<float> m_pcm; // decoded stereo frames not yet played
};

IVox* CreateVox() {
    if (!g_createWorks) return nullptr;
    return new (std::nothrow) VoxPlayer;
}

} // namespace

VoxModule* LoadVoxLibrary(const char* name) {
    static VoxModule module;
    if (!g_haveLibrary || !name || std::strcmp(name, "Vox.dll") != 0) return nullptr;
    return &module;
}

CreateVoxProc GetVoxProcAddress(VoxModule* module, const char* entry) {
    if (!module || !g_haveEntry || !entry || std::strcmp(entry, "CreateVox") != 0) return nullptr;
    return &CreateVox;
}

void FreeVoxLibrary(VoxModule*) {}

void SetVoxAvailabilityForTests(bool library, bool entry, bool create) {
    g_haveLibrary = library;
    g_haveEntry = entry;
    g_createWorks = create;
}

bool AnyVoxPlayingForTests() {
    return g_playing.load() > 0;
}

} // namespace audio
