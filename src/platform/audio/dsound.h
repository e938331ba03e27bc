// Sound buffers in the manner of the platform's sound interface, played by our mixer.
//
// Only what the player uses: a device object that creates static buffers from PCM data and
// duplicates them, and buffers with play, stop, position and volume. A duplicate shares the
// samples of its original and has its own position and volume. Every call is safe from any thread.
#pragma once
#include "platform/audio/mixer.h"
#include "platform/win_types.h"

namespace win {

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);

constexpr DWORD DSSCL_PRIORITY = 2;

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x1;
constexpr DWORD DSBCAPS_STATIC = 0x2;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x10000;

constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x2;
constexpr DWORD DSBSTATUS_PLAYING = 0x1;

constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;

constexpr WORD WAVE_FORMAT_PCM = 1;

struct WAVEFORMATEX {
    WORD wFormatTag = 0;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
    WORD cbSize = 0;
};

struct DSBUFFERDESC {
    DWORD dwSize = 0;
    DWORD dwFlags = 0;
    DWORD dwBufferBytes = 0;
    DWORD dwReserved = 0;
    WAVEFORMATEX* lpwfxFormat = nullptr;
};

class IDirectSound;

class IDirectSoundBuffer {
  public:
    HRESULT SetFormat(const WAVEFORMATEX* format);
    HRESULT Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2, DWORD* bytes2,
                 DWORD flags);
    HRESULT Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2);
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags);
    HRESULT Stop();
    // Positions are byte offsets into the buffer.
    HRESULT SetCurrentPosition(DWORD position);
    HRESULT GetCurrentPosition(DWORD* play, DWORD* write);
    HRESULT SetVolume(LONG volume);
    HRESULT GetVolume(LONG* volume);
    HRESULT GetStatus(DWORD* status);
    ULONG Release();

  private:
    friend class IDirectSound;
    IDirectSoundBuffer() = default;
    ~IDirectSoundBuffer();
    struct Shared; // the bytes as written and their decoded samples
    std::shared_ptr<Shared> m_shared;
    audio::Voice m_voice;
    LONG m_volume = 0;
    bool m_primary = false;
    WAVEFORMATEX m_primaryFormat;
};

class IDirectSound {
  public:
    HRESULT SetCooperativeLevel(HWND hwnd, DWORD level);
    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** out, void* outer);
    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original, IDirectSoundBuffer** out);
    ULONG Release();

  private:
    friend HRESULT DirectSoundCreate(const void*, IDirectSound**, void*);
    IDirectSound() = default;
};

// Opens the sound output (see audio::OpenOutput). DSERR_NODRIVER when there is none.
HRESULT DirectSoundCreate(const void* device, IDirectSound** out, void* outer);

} // namespace win

namespace audio {
// Tests: after `n` more successful duplicates, DuplicateSoundBuffer fails (out of memory);
// a negative n never fails.
void FailDuplicatesAfterForTests(int n);
// The number of sound buffers (originals and duplicates) alive, for leak checks in tests.
int LiveSoundBuffersForTests();
} // namespace audio
