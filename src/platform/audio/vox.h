// The OGG player library in place of the outside "Vox.dll": a module that is loaded at run time
// and offers one entry, "CreateVox", which makes player objects. A player loads one OGG Vorbis
// file, plays it once or endlessly, and streams it into the mixer.
#pragma once
#include <cstdint>

namespace audio {

// One player. Operations in the order the music manager uses them; only Load reports a result.
class IVox {
  public:
    // Opens the file (a path on this machine); non-zero when it can be played.
    virtual std::uint8_t Load(const char* file) = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    // Forgets the loaded file.
    virtual void Close() = 0;
    // 0x7FFFFFFF plays endlessly, 0 plays once; n plays n more times after the first.
    virtual void SetLoop(std::int32_t count) = 0;
    // Destroys the player.
    virtual void Release() = 0;

  protected:
    virtual ~IVox() = default;
};

using CreateVoxProc = IVox* (*)();

struct VoxModule;
// "Vox.dll" is the only name this module answers to; null when it is missing.
VoxModule* LoadVoxLibrary(const char* name);
// "CreateVox" is the only entry; null for any other name.
CreateVoxProc GetVoxProcAddress(VoxModule* module, const char* entry);
void FreeVoxLibrary(VoxModule* module);

// Tests: make the library or its entry missing, or make CreateVox return null.
void SetVoxAvailabilityForTests(bool library, bool entry, bool create);
// Tests: true while some player is sounding.
bool AnyVoxPlayingForTests();

} // namespace audio
