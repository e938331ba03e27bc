// Sound effects: short WAVE files held in sound buffers, several buffers per effect sharing one
// copy of the samples so that an effect can overlap with itself.
//
// Effect numbers 0-15 are the system sounds, 16 + k the project's sound k. Worker threads play an
// effect through the main window (WM_USER+5); only the menu cursor plays directly. While sound is
// not set up (before DS_Init, after DS_Release) every call returns at once.
#pragma once
#include "app/checked_containers.h"
#include "platform/audio/dsound.h"

#include <cstdint>
#include <memory>
#include <string>

constexpr win::UINT WM_USER_PLAYSE = win::WM_USER + 5;

// One sound effect.
class cSound {
  public:
    cSound() = default;
    cSound(cSound&&) = default;
    cSound& operator=(cSound&&) = default;
    ~cSound() = default; // buffers are released by Release / DS_Release, never implicitly

    // Loads the effect from a WAVE file with `count` buffers; volume 0 leaves them at full volume.
    bool Create(const std::string& fileName, std::int32_t count, std::int32_t volume);
    // Reads the WAVE file into buffer 0 of `buffers`.
    static bool LoadWave(win::IDirectSoundBuffer** buffers, const std::string& fileName);
    // Releases the duplicates, then buffer 0, and frees the array.
    void Release();
    bool IsLoaded() const { return m_lpBuffers != nullptr; }

    std::string m_Name;
    std::unique_ptr<win::IDirectSoundBuffer*[]> m_lpBuffers;
    std::int32_t m_nCount = 0;
    std::int32_t m_nNext = 0;
    std::int32_t m_nAllocated = 0; // length of the buffer array
};

// One entry of the source list: where sound i comes from.
struct cSoundSource {
    std::string szFileName;
    std::int32_t nDupCount = 1;
    std::int32_t nVolume = 0; // hundredths of a decibel, -10000..0; 0 = full volume
    std::int32_t nFlag = 0;   // 1 for every source that start-up fills
};

// A WAVE file's format and samples, while it is being loaded.
struct cWaveData {
    win::WAVEFORMATEX wfx;
    std::unique_ptr<std::uint8_t[]> lpData;
    std::uint32_t dwSize = 0;
};

// The sound list and its source list (built by start-up, same length).
extern cCheckedVector<cSound> g_Sounds;
extern cCheckedVector<cSoundSource> g_SoundSources;

// Start-up's step that sizes the two lists to 16 + the number of the project's sound records:
// sources 0-16 take the system sounds of the system data, source 16 + k the file of sound record k;
// every source filled has duplicate count 1, volume 0 and flag 1.
void BuildSoundLists();

// The option's sound-effect volume levels 0-10 in hundredths of a decibel.
extern const std::int32_t g_SoundVolumeTable[11];

bool DS_Init(win::HWND hwnd, win::DWORD samplesPerSec, win::WORD bitsPerSample, win::WORD channels);
void DS_Release();
// Loads every sound of the list that is not loaded yet; volume 0 means each source's own volume.
int LoadSounds(cCheckedVector<cSound>& sounds, cCheckedVector<cSoundSource>& sources, std::int32_t volume);
bool ReadWaveFile(const std::string& fileName, cWaveData& wave);
bool DuplicateSound(win::IDirectSoundBuffer** dest, win::IDirectSoundBuffer* source);
void SoundPlay(cSound& sound, win::DWORD flags);
// mode 1: value is added to the buffer's current volume; otherwise it is set. Clamped to -10000..0.
std::int32_t SoundSetVolume(cSound& sound, int index, std::int32_t value, int mode);
std::int32_t SoundGetVolume(cSound& sound, int index);

// The main window's handler of WM_USER_PLAYSE: plays sound number wParam. Result 0.
win::LRESULT OnPlaySeRequest(win::WPARAM wParam);
