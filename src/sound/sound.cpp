#include "sound/sound.h"

#include "app/log.h"
#include "platform/audio/riff_wave.h"
#include "platform/file_system.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

using namespace win;

cCheckedVector<cSound> g_Sounds;
cCheckedVector<cSoundSource> g_SoundSources;

const std::int32_t g_SoundVolumeTable[11] = {-10000, -3000, -2000, -1300, -800, -500,
                                             -300,   -150,  -80,   -30,   0};

namespace {

// The sound state of the process. The window thread plays requests while the game thread plays
// the menu cursor and sets volumes, so every operation on it takes this lock.
std::recursive_mutex g_SoundLock;
IDirectSound* g_lpDS = nullptr;
IDirectSoundBuffer* g_lpPrimary = nullptr;
HWND g_hSoundWnd = nullptr;
cCheckedVector<cSound>* g_lpSoundList = nullptr;
cCheckedVector<cSoundSource>* g_lpSourceList = nullptr;

void ReportAudioLine(const std::string& line) {
    Report("%s", line.c_str());
}

} // namespace

bool DS_Init(HWND hwnd, DWORD samplesPerSec, WORD bitsPerSample, WORD channels) {
    std::lock_guard lock(g_SoundLock);
    audio::SetLogSink(&ReportAudioLine);
    if (DirectSoundCreate(nullptr, &g_lpDS, nullptr) != DS_OK) {
        g_lpDS = nullptr;
        ECLog("DIRECTSOUNDCREATE_ERR!");
        return false;
    }
    if (g_lpDS->SetCooperativeLevel(hwnd, DSSCL_PRIORITY) != DS_OK) {
        ECLog("SETCOOPERATIVELEVEL_ERR!");
        return false;
    }
    DSBUFFERDESC desc;
    desc.dwSize = 36;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    if (g_lpDS->CreateSoundBuffer(&desc, &g_lpPrimary, nullptr) != DS_OK) {
        g_lpPrimary = nullptr;
        ECLog("CREATESOUNDBUFFER_ERR!");
        return false;
    }
    WAVEFORMATEX wfx;
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = channels;
    wfx.nSamplesPerSec = samplesPerSec;
    wfx.wBitsPerSample = bitsPerSample;
    wfx.nBlockAlign = static_cast<WORD>(bitsPerSample / 8 * channels);
    wfx.nAvgBytesPerSec = wfx.nBlockAlign * samplesPerSec;
    g_lpPrimary->SetFormat(&wfx);
    g_hSoundWnd = hwnd;
    g_lpSoundList = nullptr;
    g_lpSourceList = nullptr;
    return true;
}

void DS_Release() {
    std::lock_guard lock(g_SoundLock);
    if (!g_lpDS) return;
    if (g_lpSoundList)
        for (cSound& s : *g_lpSoundList)
            s.Release();
    if (g_lpPrimary) g_lpPrimary->Release();
    g_lpPrimary = nullptr;
    g_lpDS->Release();
    g_lpDS = nullptr;
    g_lpSoundList = nullptr;
    g_lpSourceList = nullptr;
}

bool ReadWaveFile(const std::string& fileName, cWaveData& wave) {
    audio::WaveData w;
    if (!audio::ReadRiffWaveFile(fsys::ToNative(fileName), &w)) return false;
    wave.wfx = w.format;
    wave.dwSize = static_cast<std::uint32_t>(w.samples.size());
    wave.lpData.reset(new (std::nothrow) std::uint8_t[std::max<std::size_t>(w.samples.size(), 1)]);
    if (!wave.lpData) return false;
    if (!w.samples.empty()) std::memcpy(wave.lpData.get(), w.samples.data(), w.samples.size());
    return true;
}

bool cSound::LoadWave(IDirectSoundBuffer** buffers, const std::string& fileName) {
    std::lock_guard lock(g_SoundLock);
    if (!g_lpDS) return true;
    cWaveData wave;
    if (!ReadWaveFile(fileName, wave)) {
        ECLogF("%s読み込み失敗！", fileName.c_str());
        return false;
    }
    DSBUFFERDESC desc;
    desc.dwSize = 36;
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME |
                   DSBCAPS_GETCURRENTPOSITION2;
    desc.dwBufferBytes = wave.dwSize;
    desc.lpwfxFormat = &wave.wfx;
    if (g_lpDS->CreateSoundBuffer(&desc, &buffers[0], nullptr) != DS_OK) {
        buffers[0] = nullptr;
        ECLogF("%s生成失敗！", fileName.c_str());
        return false;
    }
    void* p1 = nullptr;
    DWORD n1 = 0;
    if (buffers[0]->Lock(0, 0, &p1, &n1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER) == DS_OK) {
        std::memcpy(p1, wave.lpData.get(), std::min<DWORD>(n1, wave.dwSize));
        buffers[0]->Unlock(p1, n1, nullptr, 0);
    }
    return true;
}

bool DuplicateSound(IDirectSoundBuffer** dest, IDirectSoundBuffer* source) {
    std::lock_guard lock(g_SoundLock);
    if (!g_lpDS) return true;
    if (g_lpDS->DuplicateSoundBuffer(source, dest) != DS_OK) {
        *dest = nullptr;
        return false;
    }
    return true;
}

bool cSound::Create(const std::string& fileName, std::int32_t count, std::int32_t volume) {
    std::lock_guard lock(g_SoundLock);
    if (!g_lpDS) return true;
    Release();
    *this = cSound();
    // A duplicate count below 1 would leave no room for the loaded buffer.
    if (count < 1) count = 1;
    m_lpBuffers.reset(new (std::nothrow) IDirectSoundBuffer*[count]());
    if (!m_lpBuffers) {
        ECLogF("%sのメモリ確保失敗！", fileName.c_str());
        return false;
    }
    m_nAllocated = count;
    if (!LoadWave(m_lpBuffers.get(), fileName)) {
        // Nothing was made: the effect stays unloaded and silent.
        m_lpBuffers.reset();
        m_nAllocated = 0;
        return false;
    }
    bool result = true;
    std::int32_t made = 1;
    for (; made < count; ++made) {
        if (!DuplicateSound(&m_lpBuffers[made], m_lpBuffers[0])) {
            ECLogF("%sのメモリ共用バッファの生成失敗！", fileName.c_str());
            result = false;
            break;
        }
    }
    // After a failed duplicate the effect keeps the buffers that were made, so that it still
    // sounds and every buffer is released with it.
    m_nCount = made;
    if (result) m_Name = fileName;
    if (volume != 0)
        for (int i = 0; i < m_nCount; ++i)
            SoundSetVolume(*this, i, volume, 0);
    return result;
}

void cSound::Release() {
    std::lock_guard lock(g_SoundLock);
    if (!g_lpDS || !m_lpBuffers) return;
    for (int i = 1; i < m_nAllocated; ++i)
        if (m_lpBuffers[i]) {
            m_lpBuffers[i]->Release();
            m_lpBuffers[i] = nullptr;
        }
    if (m_nAllocated > 0 && m_lpBuffers[0]) {
        m_lpBuffers[0]->Release();
        m_lpBuffers[0] = nullptr;
    }
    m_lpBuffers.reset();
    m_nAllocated = 0;
}

void SoundPlay(cSound& sound, DWORD flags) {
    std::lock_guard lock(g_SoundLock);
    if (!g_lpDS || !sound.m_lpBuffers || sound.m_nNext < 0 || sound.m_nNext >= sound.m_nAllocated) return;
    IDirectSoundBuffer* b = sound.m_lpBuffers[sound.m_nNext];
    if (!b) return;
    b->Stop();
    b->SetCurrentPosition(0);
    b->Play(0, 0, flags);
    if (++sound.m_nNext >= sound.m_nCount) sound.m_nNext = 0;
}

namespace {
IDirectSoundBuffer* BufferOf(cSound& sound, int index) {
    if (!g_lpDS || !sound.m_lpBuffers || index < 0 || index >= sound.m_nAllocated) return nullptr;
    return sound.m_lpBuffers[index];
}
} // namespace

std::int32_t SoundGetVolume(cSound& sound, int index) {
    std::lock_guard lock(g_SoundLock);
    IDirectSoundBuffer* b = BufferOf(sound, index);
    if (!b) return 0;
    LONG v = 0;
    b->GetVolume(&v);
    return v;
}

std::int32_t SoundSetVolume(cSound& sound, int index, std::int32_t value, int mode) {
    std::lock_guard lock(g_SoundLock);
    IDirectSoundBuffer* b = BufferOf(sound, index);
    if (!b) return 0;
    if (mode == 1) value += SoundGetVolume(sound, index);
    value = std::clamp<std::int32_t>(value, DSBVOLUME_MIN, DSBVOLUME_MAX);
    b->SetVolume(value);
    return value;
}

int LoadSounds(cCheckedVector<cSound>& sounds, cCheckedVector<cSoundSource>& sources, std::int32_t volume) {
    std::lock_guard lock(g_SoundLock);
    g_lpSoundList = &sounds;
    g_lpSourceList = &sources;
    for (int i = 0; i < sounds.Count(); ++i) {
        cSound& s = sounds.at(i);
        if (s.IsLoaded()) continue;
        const cSoundSource& src = sources.at(i);
        s.Create(src.szFileName, src.nDupCount, volume != 0 ? volume : src.nVolume);
    }
    return 1;
}

LRESULT OnPlaySeRequest(WPARAM wParam) {
    // A bad number is logged, closes the program and plays sound 0 meanwhile.
    SoundPlay(g_Sounds.at(static_cast<int>(wParam)), 0);
    return 0;
}
