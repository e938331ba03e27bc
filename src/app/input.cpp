#include "app/input.h"

#include "app/input_script.h"
#include "app/paths.h"
#include "platform/file_system.h"
#include "platform/keyboard.h"

#include <cstdio>
#include <cstring>

KEYCONFIG g_KeyConfig = {};
cCheckedVector<cInputRecord> g_Inputs(1);

const std::uint16_t g_DirHistoryValues[INPUT_DIR_HISTORIES] = {0, 1, 2, 4, 8, 5, 9, 6, 10, 15};

namespace {

constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr char FIXED_BUTTON_KEYS[8] = {'Z', 'X', 'C', 'V', 'A', 'S', 'D', 'F'};

constexpr win::DWORD AXIS_LOW = 10001;  // below: left or up
constexpr win::DWORD AXIS_HIGH = 55535; // at or above: right or down
constexpr std::uint32_t FRAMES_MAX = 0x7FFFFFFF;

bool KeyHeld(int vk) {
    return g_InputSources.keyState(vk) < 0;
}

// Reads one joystick into `info`, keeping the record's present flag and retry countdown. A
// missing joystick is asked again only every `rate` x 2 frames.
bool ReadJoystick(cInputRecord& rec, int joystick, int rate, win::JOYINFOEX& info) {
    if (!rec.bJoyPresent && rec.nJoyRetry > 0) {
        --rec.nJoyRetry;
        return false;
    }
    info = win::JOYINFOEX{};
    info.dwSize = sizeof(win::JOYINFOEX);
    info.dwFlags = win::JOY_RETURNX | win::JOY_RETURNY | win::JOY_RETURNBUTTONS;
    if (g_InputSources.joyGetPos(static_cast<win::UINT>(joystick), &info) != win::JOYERR_NOERROR) {
        rec.bJoyPresent = 0;
        rec.nJoyRetry = rate * 2;
        return false;
    }
    rec.bJoyPresent = 1;
    return true;
}

void ResetHistory(cStateHistory& history) {
    history.assign(INPUT_HISTORY_SIZE, INPUTSTATE{});
}

void PushState(cStateHistory& history, bool state) {
    if (history.empty()) ResetHistory(history);
    INPUTSTATE& newest = history.at(0);
    if (newest.dwState != (state ? 1u : 0u)) {
        history.insert(history.begin(), INPUTSTATE{state ? 1u : 0u, 1});
        history.resize(INPUT_HISTORY_SIZE);
    } else if (newest.dwFrames != FRAMES_MAX) {
        ++newest.dwFrames;
    }
}

// One axis pair of the key-repeat filter: bits `mask` of the word pass when they changed, or when
// they have been held `delay` frames and then every `interval` frames.
void RepeatAxis(cInputRecord& rec, std::uint32_t& counter, std::uint16_t mask) {
    std::uint16_t now = rec.wDir & mask;
    std::uint16_t before = static_cast<std::uint16_t>((rec.dwRepeatHistory >> 4) & mask);
    if (now != before) {
        counter = 0;
        return;
    }
    ++counter;
    // An interval of 0 means no repeat at all (and never a division by zero).
    bool repeat =
        rec.dwRepeatInterval != 0 && counter >= rec.dwRepeatDelay && counter % rec.dwRepeatInterval == 0;
    if (!repeat) rec.wDir &= static_cast<std::uint16_t>(~mask);
}

} // namespace

cInputRecord::cInputRecord()
    : dirHistories(INPUT_DIR_HISTORIES, cStateHistory(INPUT_HISTORY_SIZE)),
      buttonHistories(INPUT_BUTTON_HISTORIES, cStateHistory(INPUT_HISTORY_SIZE)) {}

InputSources PlatformInputSources() {
    return InputSources{&GetAsyncKeyState, &win::joyGetPosEx};
}

InputSources g_InputSources = PlatformInputSources();

bool LoadKeyConfig(const char* path, KEYCONFIG& config) {
    std::FILE* f = fsys::Open(path ? path : "", "rb");
    if (!f) return false;
    unsigned char bytes[sizeof(KEYCONFIG)];
    std::size_t got = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    std::memcpy(&config, bytes, got);
    return true;
}

void SetDefaultKeyConfig(KEYCONFIG& config) {
    static const std::uint16_t codes[KEYCONFIG_ENTRIES] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, 'Z', 'X',
                                                           'C',     'V',      'A',   'S',     'D', 'F'};
    for (int i = 0; i < KEYCONFIG_ENTRIES; ++i)
        config.entries[i] = KEYCONFIGENTRY{KEYCONFIG_KEYBOARD, codes[i], 0};
    config.dwCount = KEYCONFIG_ENTRIES;
    config.dwJoysticks = 1;
    config.dwMode = 0;
}

void InitInputRecords() {
    win::InitJoysticks();
    for (auto& rec : g_Inputs) {
        SetKeyRepeat(rec, 18, 6);
        SetJoyButtonMasks(rec);
    }
    if (!LoadKeyConfig(g_PathTable[PATH_KEYCONFIG_DAT].c_str(), g_KeyConfig))
        SetDefaultKeyConfig(g_KeyConfig);
}

void UpdateInput(cCheckedVector<cInputRecord>& inputs) {
    // A test's input script stands in for the devices.
    if (SampleScriptedInput(inputs.at(0))) return;
    if (g_KeyConfig.dwMode == 0)
        SampleFixedInput(inputs.at(0), 0, 3, 60);
    else
        SampleConfiguredInput(inputs.at(0), 1, 60);
}

int SampleFixedInput(cInputRecord& rec, int joystick, int sources, int rate) {
    if (g_KeyConfig.dwMode != 0) return 0;
    // What the joystick gives this frame; nothing when it was not read.
    std::uint16_t joyDir = 0;
    int joyNumber = 5;
    std::uint16_t joyButtons = 0;
    win::JOYINFOEX info;
    if (ReadJoystick(rec, joystick, rate, info) && (sources & 1)) {
        if (info.dwXpos < AXIS_LOW) {
            joyDir |= DIR_LEFT;
            joyNumber = 4;
        } else if (info.dwXpos >= AXIS_HIGH) {
            joyDir |= DIR_RIGHT;
            joyNumber = 6;
        }
        if (info.dwYpos < AXIS_LOW) {
            joyDir |= DIR_UP;
            joyNumber -= 3;
        } else if (info.dwYpos >= AXIS_HIGH) {
            joyDir |= DIR_DOWN;
            joyNumber += 3;
        }
        for (int n = 0; n < 8; ++n)
            if (info.dwButtons & rec.wJoyButtonMasks[n]) joyButtons |= static_cast<std::uint16_t>(1u << n);
    }
    rec.wDir = joyDir;
    rec.nDirNumber = joyNumber;
    rec.wButtons = joyButtons;
    if (!(sources & 2)) return 1;
    if (joyNumber == 5) {
        rec.wDir = 0;
        rec.nDirNumber = 5;
        if (KeyHeld(VK_LEFT)) {
            rec.wDir |= DIR_LEFT;
            rec.nDirNumber -= 1;
        }
        if (KeyHeld(VK_RIGHT)) {
            rec.wDir |= DIR_RIGHT;
            rec.nDirNumber += 1;
        }
        if (KeyHeld(VK_UP)) {
            rec.wDir |= DIR_UP;
            rec.nDirNumber -= 3;
        }
        if (KeyHeld(VK_DOWN)) {
            rec.wDir |= DIR_DOWN;
            rec.nDirNumber += 3;
        }
    }
    if (joyButtons == 0) {
        rec.wButtons = 0;
        for (int n = 0; n < 8; ++n)
            if (KeyHeld(FIXED_BUTTON_KEYS[n])) rec.wButtons |= static_cast<std::uint16_t>(1u << n);
    }
    return 1;
}

int SampleConfiguredInput(cInputRecord& rec, int players, int rate) {
    if (g_KeyConfig.dwMode == 0) return 0;
    // The stored count and device numbers are not trusted: at most 12 entries are used, and an
    // entry naming a joystick that is not polled is never pressed.
    int count =
        static_cast<int>(g_KeyConfig.dwCount > KEYCONFIG_ENTRIES ? KEYCONFIG_ENTRIES : g_KeyConfig.dwCount);
    int joysticks = static_cast<int>(g_KeyConfig.dwJoysticks > 8 ? 8 : g_KeyConfig.dwJoysticks);
    bool read[8] = {};
    win::JOYINFOEX info[8];
    for (int j = 0; j < joysticks; ++j)
        read[j] = ReadJoystick(rec, j, rate, info[j]);

    auto pressed = [&](int e, bool direction) {
        if (e >= count) return false;
        const KEYCONFIGENTRY& entry = g_KeyConfig.entries[e];
        if (entry.dwDevice == KEYCONFIG_KEYBOARD) return KeyHeld(entry.wCode);
        if (entry.dwDevice >= static_cast<std::uint32_t>(joysticks) || !read[entry.dwDevice]) return false;
        const win::JOYINFOEX& ji = info[entry.dwDevice];
        if ((ji.dwButtons & entry.wCode) != 0) return true;
        if (!direction) return false;
        switch (entry.wCode) {
        case JOYCODE_LEFT:
            return ji.dwXpos < AXIS_LOW;
        case JOYCODE_RIGHT:
            return ji.dwXpos >= AXIS_HIGH;
        case JOYCODE_UP:
            return ji.dwYpos < AXIS_LOW;
        case JOYCODE_DOWN:
            return ji.dwYpos >= AXIS_HIGH;
        default:
            return false;
        }
    };

    for (int p = 0; p < players && p < 1; ++p) {
        rec.wDir = 0;
        rec.wButtons = 0;
        rec.nDirNumber = 5;
        if (pressed(0, true)) {
            rec.wDir |= DIR_LEFT;
            rec.nDirNumber -= 1;
        } else if (pressed(1, true)) {
            rec.wDir |= DIR_RIGHT;
            rec.nDirNumber += 1;
        }
        if (pressed(2, true)) {
            rec.wDir |= DIR_UP;
            rec.nDirNumber -= 3;
        } else if (pressed(3, true)) {
            rec.wDir |= DIR_DOWN;
            rec.nDirNumber += 3;
        }
        for (int e = 4; e < count; ++e)
            if (pressed(e, false)) rec.wButtons |= static_cast<std::uint16_t>(1u << (e - 4));
    }
    return 1;
}

int RecordedDirection(std::uint16_t dirBits) {
    int number = 5;
    if (dirBits & DIR_LEFT) number -= 1;
    if (dirBits & DIR_RIGHT) number += 1;
    if (dirBits & DIR_UP) number -= 3;
    if (dirBits & DIR_DOWN) number += 3;
    return number;
}

void SampleInput(cInputRecord& rec) {
    for (int h = 0; h < INPUT_DIR_HISTORIES; ++h)
        PushState(rec.dirHistories.at(h), rec.wDir == g_DirHistoryValues[h]);
    PushState(rec.buttonHistories.at(0), rec.wButtons == 0);
    for (int h = 1; h < INPUT_BUTTON_HISTORIES; ++h)
        PushState(rec.buttonHistories.at(h), (rec.wButtons & (1u << (h - 1))) != 0);
}

void UpdateInputBuffers(cInputRecord& rec) {
    rec.dirHistories.resize(INPUT_DIR_HISTORIES);
    rec.buttonHistories.resize(INPUT_BUTTON_HISTORIES);
    for (auto& h : rec.dirHistories)
        ResetHistory(h);
    for (auto& h : rec.buttonHistories)
        ResetHistory(h);
}

void SetKeyRepeat(cInputRecord& rec, int delay, int interval) {
    rec.dwRepeatDelay = static_cast<std::uint32_t>(delay < 0 ? 0 : delay);
    rec.dwRepeatInterval = static_cast<std::uint32_t>(interval < 0 ? 0 : interval);
}

void SetJoyButtonMasks(cInputRecord& rec) {
    for (int n = 0; n < 8; ++n)
        rec.wJoyButtonMasks[n] = static_cast<std::uint16_t>(1u << n);
}

void cInputHistory::Clear(cInputRecord& rec) {
    for (auto& ring : rec.ring)
        for (auto& e : ring)
            e = INPUTRINGENTRY{};
    rec.ringIndex[0] = rec.ringIndex[1] = 0;
}

void cInputHistory::Record(cInputRecord& rec) {
    const std::uint16_t words[2] = {rec.wDir, rec.wButtons};
    for (int r = 0; r < 2; ++r) {
        INPUTRINGENTRY& current = rec.ring[r][rec.ringIndex[r] % INPUT_RING_SIZE];
        if (current.wValue != words[r]) {
            rec.ringIndex[r] = (rec.ringIndex[r] + 1) % INPUT_RING_SIZE;
            rec.ring[r][rec.ringIndex[r]] = INPUTRINGENTRY{words[r], 1};
        } else if (current.dwFrames != FRAMES_MAX) {
            ++current.dwFrames;
        }
    }
}

std::uint16_t cInputHistory::GetPast(const cInputRecord& rec, int ring, int framesAgo) {
    ring = ring ? 1 : 0;
    std::uint32_t index = rec.ringIndex[ring] % INPUT_RING_SIZE;
    std::int64_t remaining = static_cast<std::int64_t>(framesAgo) + 1;
    for (int i = 0; i < INPUT_RING_SIZE; ++i) {
        const INPUTRINGENTRY& e = rec.ring[ring][index];
        if (remaining > static_cast<std::int64_t>(e.dwFrames)) {
            remaining -= e.dwFrames;
            index = (index + INPUT_RING_SIZE - 1) % INPUT_RING_SIZE;
        }
    }
    return rec.ring[ring][index].wValue;
}

void cKeyRepeat::Update(cInputRecord& rec) {
    rec.dwRepeatHistory = (rec.dwRepeatHistory << 4) | (rec.wDir & 0xF);
    RepeatAxis(rec, rec.dwRepeatCountH, DIR_LEFT | DIR_RIGHT);
    RepeatAxis(rec, rec.dwRepeatCountV, DIR_UP | DIR_DOWN);
}

void cKeyRepeat::Reset(cInputRecord& rec) {
    rec.wDir = 0;
    rec.nDirNumber = 5;
}

void cKeyRepeat::Clear(cInputRecord& rec) {
    rec.wButtons = 0;
}
