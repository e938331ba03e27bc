#include "platform/audio/dsound.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace win {

struct IDirectSoundBuffer::Shared {
    WAVEFORMATEX format;
    std::vector<std::uint8_t> bytes;
    std::shared_ptr<audio::PcmData> pcm = std::make_shared<audio::PcmData>();

    // Turns the bytes as written into the mixer's samples. Called under the audio lock.
    void Decode() {
        audio::PcmData& d = *pcm;
        d.rate = static_cast<int>(format.nSamplesPerSec);
        d.channels = format.nChannels;
        const std::size_t frames = bytes.size() / format.nBlockAlign;
        d.samples.resize(frames * format.nChannels);
        const std::size_t n = d.samples.size();
        if (format.wBitsPerSample == 8) {
            for (std::size_t i = 0; i < n; ++i)
                d.samples[i] = static_cast<std::int16_t>((static_cast<int>(bytes[i]) - 128) * 256);
        } else {
            for (std::size_t i = 0; i < n; ++i)
                d.samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        }
    }
};

namespace {
std::atomic<int> g_failDuplicatesAfter{-1};
std::atomic<int> g_liveBuffers{0};
IDirectSound* g_device = nullptr;

bool ValidPcm(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec > 0 &&
           f.nSamplesPerSec <= 384000 && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}
} // namespace

HRESULT DirectSoundCreate(const void*, IDirectSound** out, void*) {
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    std::string why;
    if (!audio::OpenOutput(&why)) {
        audio::Log("audio: cannot open the sound output (%s)", why.c_str());
        return DSERR_NODRIVER;
    }
    g_device = new (std::nothrow) IDirectSound;
    if (!g_device) return DSERR_OUTOFMEMORY;
    *out = g_device;
    return DS_OK;
}

HRESULT IDirectSound::SetCooperativeLevel(HWND, DWORD) {
    return DS_OK;
}

ULONG IDirectSound::Release() {
    audio::CloseOutput();
    if (g_device == this) g_device = nullptr;
    delete this;
    return 0;
}

HRESULT IDirectSound::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** out, void*) {
    if (!desc || !out || desc->dwSize < sizeof(DWORD) * 4) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
        // The output format is fixed; the primary buffer only records what it is told.
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
        auto* b = new (std::nothrow) IDirectSoundBuffer;
        if (!b) return DSERR_OUTOFMEMORY;
        b->m_primary = true;
        ++g_liveBuffers;
        *out = b;
        return DS_OK;
    }
    if (!desc->lpwfxFormat || !ValidPcm(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
    if (desc->dwBufferBytes < 4 || desc->dwBufferBytes > 0x0FFFFFFF) return DSERR_INVALIDPARAM;
    auto* b = new (std::nothrow) IDirectSoundBuffer;
    if (!b) return DSERR_OUTOFMEMORY;
    try {
        b->m_shared = std::make_shared<IDirectSoundBuffer::Shared>();
        b->m_shared->format = *desc->lpwfxFormat;
        b->m_shared->bytes.assign(desc->dwBufferBytes, desc->lpwfxFormat->wBitsPerSample == 8 ? 0x80 : 0);
        std::lock_guard lock(audio::Lock());
        b->m_shared->Decode();
    } catch (const std::bad_alloc&) {
        delete b;
        return DSERR_OUTOFMEMORY;
    }
    b->m_voice.data = b->m_shared->pcm;
    ++g_liveBuffers;
    audio::AddVoice(&b->m_voice);
    *out = b;
    return DS_OK;
}

HRESULT IDirectSound::DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** out) {
    if (!original || !out || original->m_primary) return DSERR_INVALIDPARAM;
    *out = nullptr;
    int left = g_failDuplicatesAfter.load();
    if (left == 0) return DSERR_OUTOFMEMORY;
    if (left > 0) g_failDuplicatesAfter = left - 1;
    auto* b = new (std::nothrow) IDirectSoundBuffer;
    if (!b) return DSERR_OUTOFMEMORY;
    b->m_shared = original->m_shared;
    b->m_voice.data = b->m_shared->pcm;
    {
        // A duplicate starts stopped, at the start, at the original's volume.
        std::lock_guard lock(audio::Lock());
        b->m_volume = original->m_volume;
        b->m_voice.gain = original->m_voice.gain;
    }
    ++g_liveBuffers;
    audio::AddVoice(&b->m_voice);
    *out = b;
    return DS_OK;
}

IDirectSoundBuffer::~IDirectSoundBuffer() {
    if (!m_primary) audio::RemoveVoice(&m_voice);
    --g_liveBuffers;
}

ULONG IDirectSoundBuffer::Release() {
    delete this;
    return 0;
}

HRESULT IDirectSoundBuffer::SetFormat(const WAVEFORMATEX* format) {
    if (!format) return DSERR_INVALIDPARAM;
    if (!m_primary) return DSERR_INVALIDPARAM;
    std::lock_guard lock(audio::Lock());
    m_primaryFormat = *format;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2,
                                 DWORD* bytes2, DWORD flags) {
    if (m_primary || !ptr1 || !bytes1) return DSERR_INVALIDPARAM;
    std::vector<std::uint8_t>& data = m_shared->bytes;
    if (flags & DSBLOCK_ENTIREBUFFER) {
        offset = 0;
        bytes = static_cast<DWORD>(data.size());
    }
    if (offset >= data.size() || bytes > data.size()) return DSERR_INVALIDPARAM;
    // A region that runs past the end wraps round to the start, as a ring buffer's lock does.
    DWORD first = std::min<DWORD>(bytes, static_cast<DWORD>(data.size()) - offset);
    *ptr1 = data.data() + offset;
    *bytes1 = first;
    if (ptr2) *ptr2 = bytes > first ? data.data() : nullptr;
    if (bytes2) *bytes2 = bytes - first;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void*, DWORD, void*, DWORD) {
    if (m_primary) return DSERR_INVALIDPARAM;
    std::lock_guard lock(audio::Lock());
    m_shared->Decode();
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD, DWORD, DWORD) {
    if (m_primary) return DS_OK;
    std::lock_guard lock(audio::Lock());
    m_voice.playing = true;
    if ((m_voice.position >> 32) >= m_voice.data->Frames()) m_voice.position = 0;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
    if (m_primary) return DS_OK;
    std::lock_guard lock(audio::Lock());
    m_voice.playing = false;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD position) {
    if (m_primary) return DSERR_INVALIDPARAM;
    std::lock_guard lock(audio::Lock());
    if (position >= m_shared->bytes.size()) return DSERR_INVALIDPARAM;
    m_voice.position = static_cast<std::uint64_t>(position / m_shared->format.nBlockAlign) << 32;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(DWORD* play, DWORD* write) {
    if (m_primary) return DSERR_INVALIDPARAM;
    std::lock_guard lock(audio::Lock());
    DWORD bytes = static_cast<DWORD>((m_voice.position >> 32) * m_shared->format.nBlockAlign);
    if (bytes >= m_shared->bytes.size()) bytes = 0;
    if (play) *play = bytes;
    if (write) *write = bytes;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::SetVolume(LONG volume) {
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::lock_guard lock(audio::Lock());
    m_volume = volume;
    m_voice.gain = audio::GainOfVolume(volume);
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetVolume(LONG* volume) {
    if (!volume) return DSERR_INVALIDPARAM;
    std::lock_guard lock(audio::Lock());
    *volume = m_volume;
    return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(DWORD* status) {
    if (!status) return DSERR_INVALIDPARAM;
    std::lock_guard lock(audio::Lock());
    *status = (!m_primary && m_voice.playing) ? DSBSTATUS_PLAYING : 0;
    return DS_OK;
}

} // namespace win

namespace audio {
void FailDuplicatesAfterForTests(int n) {
    win::g_failDuplicatesAfter = n;
}
int LiveSoundBuffersForTests() {
    return win::g_liveBuffers.load();
}
} // namespace audio
