#include "sound/bgm.h"

#include "app/globals.h"
#include "app/log.h"
#include "platform/file_system.h"
#include "platform/messages.h"
#include "project/project_database.h"
#include "project/save_data.h"
#include "project/system_data.h"
#include "platform/fault_points.h"

#include <cstdio>
#include <cstdlib>
#include <new>

cBgm g_Bgm;
cBgmNameTable g_BgmOggNames = {"bgm\\Title.ogg", "bgm\\WorldMap.ogg", "bgm\\Challenge.ogg", "bgm\\Option.ogg",
                               "bgm\\Stage.ogg"};
cBgmNameTable g_BgmMidiNames = {"bgm\\Title.mid", "bgm\\WorldMap.mid", "bgm\\Challenge.mid",
                                "bgm\\Option.mid", "bgm\\Stage.mid"};
std::int32_t g_nCurBgm = 0;
std::int32_t g_nBgmLoop = 0;

namespace {

// The text after the last '.', and whether there is one.
bool Extension(const std::string& name, std::string& ext) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    ext = name.substr(dot + 1);
    return true;
}

} // namespace

// ---- the OGG side ----

// Shut-down releases the players (cVoxPlayer::Release); at the end of the process nothing more is
// done, because the mixer may already be gone.
cVoxPlayer::~cVoxPlayer() = default;

int cVoxPlayer::Init() {
    m_hModule = audio::LoadVoxLibrary("Vox.dll");
    m_lpCreateVox = m_hModule ? audio::GetVoxProcAddress(m_hModule, "CreateVox") : nullptr;
    if (!m_lpCreateVox) {
        ErrorBox("oggの初期化に失敗！");
        return 0;
    }
    return 1;
}

int cVoxPlayer::Create(int count) {
    // Players of an earlier array are released before the new array is made.
    if (m_lpPlayers) {
        Stop();
        for (int i = 0; i < m_nCount; ++i)
            if (m_lpPlayers[i]) m_lpPlayers[i]->Release();
        m_lpPlayers.reset();
    }
    m_nCount = count > 0 ? count : 0;
    m_lpPlayers.reset(new (std::nothrow) audio::IVox*[m_nCount > 0 ? m_nCount : 1]());
    if (!m_lpPlayers || !m_lpCreateVox) {
        m_nCount = 0;
        OutOfMemory();
        return 0;
    }
    for (int i = 0; i < m_nCount; ++i) {
        m_lpPlayers[i] = m_lpCreateVox();
        if (!m_lpPlayers[i]) {
            OutOfMemory();
            return 0;
        }
    }
    return 1;
}

int cVoxPlayer::Play(int channel, const std::string& file, int loop) {
    if (file.empty()) return 0;
    Stop();
    if (channel < 0 || channel >= m_nCount || !m_lpPlayers || !m_lpPlayers[channel]) return 0;
    audio::IVox* p = m_lpPlayers[channel];
    p->Close();
    if (!p->Load(fsys::ToNative(file).c_str())) {
        m_nCurrent = -1;
        return 0;
    }
    p->SetLoop(loop ? 0x7FFFFFFF : 0);
    p->Play();
    m_nCurrent = channel;
    return 1;
}

void cVoxPlayer::Stop() {
    if (m_nCurrent == -1) return;
    if (m_lpPlayers && m_nCurrent < m_nCount && m_lpPlayers[m_nCurrent]) m_lpPlayers[m_nCurrent]->Stop();
    m_nCurrent = -1;
}

void cVoxPlayer::Release() {
    if (m_lpPlayers) {
        for (int i = 0; i < m_nCount; ++i)
            if (m_lpPlayers[i]) {
                m_lpPlayers[i]->Release();
                m_lpPlayers[i] = nullptr;
            }
        m_lpPlayers.reset();
    }
    m_nCount = 0;
    m_nCurrent = -1;
    if (m_hModule) audio::FreeVoxLibrary(m_hModule);
    m_hModule = nullptr;
    m_lpCreateVox = nullptr;
}

// ---- the manager ----

// Shut-down calls Release. A player still held at the end of the process is let go without
// stopping its thread, which may outlive the message queues it would need.
cBgm::~cBgm() {
    for (auto& p : m_MidiPlayers)
        static_cast<void>(p.release());
}

int cBgm::Init(int channels, cBgmNameTable* oggNames, cBgmNameTable* midiNames, int slotCount) {
    {
        std::lock_guard lock(m_Lock);
        m_MidiPlayers.clear();
        m_MidiWords.clear();
    }
    // The library is looked for without the lock: its failure shows a box, which must not keep
    // the window thread waiting for the manager meanwhile.
    if (!m_Vox.Init()) {
        ECLog("m_Vox.Init失敗！");
        return 0;
    }
    std::lock_guard lock(m_Lock);
    m_bInit = 1;
    SetChannels(channels);
    m_lpOggNames = oggNames;
    m_lpMidiNames = midiNames;
    m_SlotKinds.assign(slotCount > 0 ? slotCount : 0, BGM_KIND_UNDECIDED);
    return 1;
}

int cBgm::SetChannels(int n) {
    std::lock_guard lock(m_Lock);
    if (!m_bInit) return 1;
    if (n < 0) n = 0;
    m_MidiPlayers.resize(n);
    m_MidiWords.resize(n, 0);
    m_Vox.Create(n);
    m_ChannelStates.assign(n, BGM_SILENT);
    return 1;
}

int cBgm::SetSlot(int slot, const std::string& name) {
    std::lock_guard lock(m_Lock);
    if (!m_bInit) return 1;
    std::string ext;
    if (!Extension(name, ext)) {
        m_lpOggNames->at(slot).clear();
        m_lpMidiNames->at(slot).clear();
        m_SlotKinds.at(slot) = BGM_KIND_UNDECIDED;
        return 0;
    }
    if (ext == "mid" || ext == "MID") {
        m_lpMidiNames->at(slot) = name.substr(0, name.size() - 3) + "mid";
        m_SlotKinds.at(slot) = BGM_KIND_MIDI;
        return 1;
    }
    if (ext == "ogg" || ext == "OGG") {
        m_lpOggNames->at(slot) = name;
        m_SlotKinds.at(slot) = BGM_KIND_OGG;
        return 1;
    }
    m_lpOggNames->at(slot) = name;
    m_lpMidiNames->at(slot) = name;
    m_SlotKinds.at(slot) = BGM_KIND_UNDECIDED;
    return 0;
}

int cBgm::Play(int channel, int slot, int loop, int stopMode, int force) {
    std::lock_guard lock(m_Lock);
    if (!m_bInit) return 1;
    if (slot == m_nCurSlot && !force) return 1;
    m_nCurSlot = slot;
    switch (m_SlotKinds.at(slot)) {
    case BGM_KIND_UNDECIDED:
        if (m_Vox.Play(channel, m_lpOggNames->at(slot), loop)) {
            m_ChannelStates.at(channel) = BGM_OGG_PLAYING;
            StopMidi(stopMode);
            return 1;
        }
        if (PlayMidi(channel, m_lpMidiNames->at(slot), loop)) {
            m_ChannelStates.at(channel) = BGM_MIDI_PLAYING;
            m_Vox.Stop();
            return 1;
        }
        break;
    case BGM_KIND_OGG:
        if (m_Vox.Play(channel, m_lpOggNames->at(slot), loop)) {
            m_ChannelStates.at(channel) = BGM_OGG_PLAYING;
            StopMidi(0);
            return 1;
        }
        break;
    case BGM_KIND_MIDI:
        if (PlayMidi(channel, m_lpMidiNames->at(slot), loop)) {
            m_ChannelStates.at(channel) = BGM_MIDI_PLAYING;
            m_Vox.Stop();
            return 1;
        }
        break;
    default:
        break;
    }
    m_ChannelStates.at(channel) = BGM_SILENT;
    m_nCurSlot = -1;
    m_Vox.Stop();
    StopMidi(0);
    return 0;
}

void cBgm::Stop() {
    std::lock_guard lock(m_Lock);
    if (!m_bInit) return;
    StopMidi(0);
    m_Vox.Stop();
}

void cBgm::Release() {
    std::lock_guard lock(m_Lock);
    if (!m_bInit) return;
    m_Vox.Release();
    for (auto& p : m_MidiPlayers)
        p.reset();
    m_MidiPlayers.clear();
    m_MidiWords.clear();
    m_bInit = 0;
}

int cBgm::PlayMidi(int channel, const std::string& fileName, int loop) {
    PassFaultPoint("music");
    std::lock_guard lock(m_Lock);
    StopMidi(1);
    for (auto& p : m_MidiPlayers)
        p.reset();
    std::string ext;
    if (!Extension(fileName, ext) || ext != "mid") return 0;
    std::unique_ptr<cMidiStream>& slot = m_MidiPlayers.at(channel);
    slot = std::make_unique<cMidiStream>(fileName);
    if (!slot->HasImage()) return 0;
    slot->Restart(loop);
    return 1;
}

void cBgm::StopMidi(int mode) {
    std::lock_guard lock(m_Lock);
    for (auto& p : m_MidiPlayers)
        if (p) p->Stop(mode);
}

bool cBgm::IsInitialised() const {
    std::lock_guard lock(m_Lock);
    return m_bInit != 0;
}

int cBgm::CurrentSlot() const {
    std::lock_guard lock(m_Lock);
    return m_nCurSlot;
}

int cBgm::SlotKind(int slot) const {
    std::lock_guard lock(m_Lock);
    return slot >= 0 && slot < m_SlotKinds.Count() ? m_SlotKinds[slot] : -1;
}

int cBgm::ChannelState(int channel) const {
    std::lock_guard lock(m_Lock);
    return channel >= 0 && channel < m_ChannelStates.Count() ? m_ChannelStates[channel] : -1;
}

cMidiStream* cBgm::MidiPlayer(int channel) const {
    std::lock_guard lock(m_Lock);
    return channel >= 0 && channel < m_MidiPlayers.Count() ? m_MidiPlayers[channel].get() : nullptr;
}

// ---- start-up, the option and the request ----

int BgmInitDefault() {
    return g_Bgm.Init(1, &g_BgmOggNames, &g_BgmMidiNames, BGM_SLOT_COUNT);
}

namespace {

// Test tooling, off unless MIRELDA4_MUSIC names a file: one line per music request received,
// "CONTEXT NUMBER" (contexts 0-3 the menus with their music number, 4 the stage's music).
void LogMusicRequest(int context, std::int32_t number) {
    static std::FILE* const file = [] {
        const char* path = std::getenv("MIRELDA4_MUSIC");
        return path && *path ? std::fopen(path, "w") : nullptr;
    }();
    if (!file) return;
    std::fprintf(file, "%d %d\n", context, static_cast<int>(number));
    std::fflush(file);
}

} // namespace

win::LRESULT OnBgmRequest(win::WPARAM wParam, win::LPARAM lParam) {
    if (wParam > 4) return 0;
    const int context = static_cast<int>(wParam);
    LogMusicRequest(context,
                    context < 4 ? g_SystemData.m_vnMenuBgm.at(context) : static_cast<std::int32_t>(lParam));
    std::lock_guard lock(g_Bgm.m_Lock);
    if (context < 4) {
        std::int32_t number = g_SystemData.m_vnMenuBgm.at(context);
        if (number == 0) {
            g_Bgm.Stop();
            return 0;
        }
        g_Bgm.SetSlot(context, g_Database.m_Bgms.at(number).szFileName);
        g_Bgm.Play(0, context, g_SystemData.m_vbMenuBgmLoop.at(context), 0, 1);
        return 0;
    }
    g_nCurBgm = static_cast<std::int32_t>(lParam);
    g_Bgm.SetSlot(4, g_Database.m_Bgms.at(g_nCurBgm).szFileName);
    if (g_nCurBgm != 0)
        g_Bgm.Play(0, 4, g_nBgmLoop, 0, 1);
    else
        g_Bgm.Stop();
    return 0;
}

void PlayStageBgm(int music, int loop) {
    g_SaveData.m_nStageBgm = music;
    g_SaveData.m_nStageBgmLoop = loop;
    g_nBgmLoop = loop;
    if (g_hWnd) win::SendMessage(g_hWnd, WM_USER_BGM, BGM_SLOT_STAGE, music);
}
