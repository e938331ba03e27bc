// Keyboard and joystick input of player 1, sampled once per frame, with the key configuration
// "user_data\KeyConfig.dat", the state histories read by the key conditions and replays, and the
// key-repeat filter of the menus.
#pragma once
#include "app/checked_containers.h"
#include "platform/joystick.h"

#include <cstdint>

constexpr int KEYCONFIG_ENTRIES = 12;
constexpr std::uint32_t KEYCONFIG_KEYBOARD = 8;
// Joystick codes of the axes; any other code is a mask of joystick buttons.
constexpr std::uint16_t JOYCODE_LEFT = 256;
constexpr std::uint16_t JOYCODE_RIGHT = 512;
constexpr std::uint16_t JOYCODE_UP = 1024;
constexpr std::uint16_t JOYCODE_DOWN = 2048;

// Direction bits.
constexpr std::uint16_t DIR_LEFT = 1;
constexpr std::uint16_t DIR_RIGHT = 2;
constexpr std::uint16_t DIR_UP = 4;
constexpr std::uint16_t DIR_DOWN = 8;

struct KEYCONFIGENTRY {
    std::uint32_t dwDevice; // 8 keyboard, 0-7 a joystick
    std::uint16_t wCode;    // virtual-key code, or a joystick axis code or button mask
    std::uint16_t wReserved;
};

// The 108 bytes of KeyConfig.dat, little-endian, as stored.
struct KEYCONFIG {
    KEYCONFIGENTRY entries[KEYCONFIG_ENTRIES]; // 0-3 left, right, up, down; 4 onward buttons 0, 1, ...
    std::uint32_t dwCount;                     // entries used
    std::uint32_t dwJoysticks;                 // joysticks polled by the configured table
    std::uint32_t dwMode;                      // 0 the fixed layout, else the configured table
};
static_assert(sizeof(KEYCONFIG) == 108);

extern KEYCONFIG g_KeyConfig;

struct INPUTRINGENTRY {
    std::uint16_t wValue = 0;
    std::uint32_t dwFrames = 0;
};
struct INPUTSTATE {
    std::uint32_t dwState = 0; // 0 or 1
    std::uint32_t dwFrames = 0;
};
using cStateHistory = cCheckedVector<INPUTSTATE>;

constexpr int INPUT_RING_SIZE = 32;
constexpr int INPUT_HISTORY_SIZE = 32;
constexpr int INPUT_DIR_HISTORIES = 10;
constexpr int INPUT_BUTTON_HISTORIES = 9;
// The direction words whose exact presence the direction histories follow, in history order.
extern const std::uint16_t g_DirHistoryValues[INPUT_DIR_HISTORIES];

// The input record of one player.
struct cInputRecord {
    cInputRecord();

    std::uint16_t wDir = 0;
    std::uint16_t wButtons = 0;
    // Direction bits of the previous frame in bits 4-7, of this frame in bits 0-3.
    std::uint32_t dwRepeatHistory = 0;
    // Ring 0 follows the direction word, ring 1 the button word.
    INPUTRINGENTRY ring[2][INPUT_RING_SIZE] = {};
    std::uint32_t ringIndex[2] = {};
    cCheckedVector<cStateHistory> dirHistories;
    cCheckedVector<cStateHistory> buttonHistories;
    std::int32_t nDirNumber = 5;
    std::uint32_t dwRepeatCountH = 0;
    std::uint32_t dwRepeatCountV = 0;
    std::uint32_t dwRepeatDelay = 0;
    std::uint32_t dwRepeatInterval = 0;
    std::uint16_t wJoyButtonMasks[8] = {};
    std::uint32_t bJoyPresent = 0;
    std::int32_t nJoyRetry = 0;
};

// Element 0 is player 1, the one that is sampled.
extern cCheckedVector<cInputRecord> g_Inputs;

// Where input comes from: the platform, or a test's scripted keys and joysticks.
struct InputSources {
    short (*keyState)(int vk);
    win::UINT (*joyGetPos)(win::UINT id, win::JOYINFOEX* info);
};
extern InputSources g_InputSources;
InputSources PlatformInputSources();

// Reads the 108 raw bytes; a shorter file fills only its own length. False when it cannot be opened.
bool LoadKeyConfig(const char* path, KEYCONFIG& config);
void SetDefaultKeyConfig(KEYCONFIG& config);

// Start-up: every record gets the key-repeat delay 18 and interval 6 and the joystick button masks;
// the key configuration is read from "user_data\KeyConfig.dat", or the defaults are used.
void InitInputRecords();

void UpdateInput(cCheckedVector<cInputRecord>& inputs);
int SampleFixedInput(cInputRecord& rec, int joystick, int sources, int rate);
int SampleConfiguredInput(cInputRecord& rec, int players, int rate);
// The direction number the samplers gave for a direction word that was recorded (a replay, a
// script): every held key counts, so left and right together, which only the fixed layout
// records, cancel out as they did in play.
int RecordedDirection(std::uint16_t dirBits);
void SampleInput(cInputRecord& rec);
void UpdateInputBuffers(cInputRecord& rec);
void SetKeyRepeat(cInputRecord& rec, int delay, int interval);
void SetJoyButtonMasks(cInputRecord& rec);

class cInputHistory {
  public:
    static void Clear(cInputRecord& rec);
    static void Record(cInputRecord& rec);
    // The word that was current `framesAgo` frames ago (0 = now); ring 0 directions, 1 buttons.
    static std::uint16_t GetPast(const cInputRecord& rec, int ring, int framesAgo);
};

class cKeyRepeat {
  public:
    static void Update(cInputRecord& rec);
    static void Reset(cInputRecord& rec);
    static void Clear(cInputRecord& rec);
};
