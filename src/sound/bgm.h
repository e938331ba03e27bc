// Background music: one manager with five slots (title, world map, challenge, options, stage),
// each naming an OGG file (played by the OGG player library) or a MIDI file (played by the MIDI
// stream player). Scenes ask for music with WM_USER+6 to the main window; the window thread fills
// the slot and plays it. Switched off in the options, the manager is uninitialised and every
// request does nothing.
//
// The manager is shared by the window thread (requests, closing) and the game thread (the
// options scene switching music off and on), so every operation takes its lock.
#pragma once
#include "app/checked_containers.h"
#include "platform/audio/vox.h"
#include "platform/win_types.h"
#include "sound/midi.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

constexpr win::UINT WM_USER_BGM = win::WM_USER + 6;

enum {
    BGM_SLOT_TITLE = 0,
    BGM_SLOT_WORLDMAP = 1,
    BGM_SLOT_CHALLENGE = 2,
    BGM_SLOT_OPTION = 3,
    BGM_SLOT_STAGE = 4,
    BGM_SLOT_COUNT = 5
};

enum BgmKind { BGM_KIND_UNDECIDED = 0, BGM_KIND_OGG = 1, BGM_KIND_MIDI = 2 };
enum BgmChannelState { BGM_SILENT = 0, BGM_OGG_PLAYING = 1, BGM_MIDI_PLAYING = 2 };

// The OGG side: one player per channel, made by the library's "CreateVox".
class cVoxPlayer {
  public:
    ~cVoxPlayer();
    int Init();
    int Create(int count);
    int Play(int channel, const std::string& file, int loop);
    void Stop();
    void Release();

    std::unique_ptr<audio::IVox*[]> m_lpPlayers;
    int m_nCount = 0;
    int m_nCurrent = -1;
    audio::VoxModule* m_hModule = nullptr;
    audio::CreateVoxProc m_lpCreateVox = nullptr;
};

using cBgmNameTable = cCheckedVector<std::string>;

class cBgm {
  public:
    ~cBgm();
    int Init(int channels, cBgmNameTable* oggNames, cBgmNameTable* midiNames, int slotCount);
    int SetChannels(int channels);
    int SetSlot(int slot, const std::string& fileName);
    int Play(int channel, int slot, int loop, int stopMode, int force);
    void Stop();
    void Release();

    // The MIDI side: play by name on a channel (a new player each time), and stop every player.
    int PlayMidi(int channel, const std::string& fileName, int loop);
    void StopMidi(int mode);

    bool IsInitialised() const;
    int CurrentSlot() const;
    int SlotKind(int slot) const;
    int ChannelState(int channel) const;
    // The player of a channel, for tests; null when there is none.
    cMidiStream* MidiPlayer(int channel) const;

    mutable std::recursive_mutex m_Lock;
    int m_bInit = 0;
    cVoxPlayer m_Vox;
    cBgmNameTable* m_lpOggNames = nullptr;
    cCheckedVector<std::unique_ptr<cMidiStream>> m_MidiPlayers;
    cCheckedVector<std::int32_t> m_MidiWords;
    cBgmNameTable* m_lpMidiNames = nullptr;
    int m_nCurSlot = -1;
    cCheckedVector<std::int32_t> m_SlotKinds;
    cCheckedVector<std::int32_t> m_ChannelStates;
};

extern cBgm g_Bgm;
// The slot file names before any request overwrites them ("bgm\Title.ogg" ... "bgm\Stage.mid").
extern cBgmNameTable g_BgmOggNames;
extern cBgmNameTable g_BgmMidiNames;

// The music number of the stage context (0 = none), kept from the last stage request, and the loop
// flag that the stage sets before its request.
extern std::int32_t g_nCurBgm;
extern std::int32_t g_nBgmLoop;

// Start-up with music on, and the options' change of the music setting: the manager with one
// channel, the default name tables and five slots.
int BgmInitDefault();

// The main window's handler of WM_USER_BGM: context wParam 0-4, lParam the music number of
// context 4. The menu contexts take their music number and loop flag from the system data, every
// number names a record of the project's music list (entry 0: none). Result 0. Test tooling: with
// MIRELDA4_MUSIC naming a file, each request is written to it as a line "CONTEXT NUMBER".
win::LRESULT OnBgmRequest(win::WPARAM wParam, win::LPARAM lParam);

// Stage music `music` (loop flag `loop`): kept in the save data and asked of the window thread.
void PlayStageBgm(int music, int loop);
