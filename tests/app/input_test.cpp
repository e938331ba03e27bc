#include "app/input.h"
#include "shell_test_support.h"

#include <cstring>
#include <vector>

namespace {

// Scripted keyboard and joysticks.
bool g_keys[256];
bool g_joyAttached[8];
win::JOYINFOEX g_joy[8];
int g_joyReads = 0;

short ScriptedKey(int vk) {
    return (vk >= 0 && vk < 256 && g_keys[vk]) ? static_cast<short>(0x8000) : 0;
}

win::UINT ScriptedJoy(win::UINT id, win::JOYINFOEX* info) {
    ++g_joyReads;
    if (id >= 8 || !g_joyAttached[id]) return win::JOYERR_UNPLUGGED;
    EXPECT_EQ(info->dwSize, 52u);
    EXPECT_EQ(info->dwFlags, 131u);
    info->dwXpos = g_joy[id].dwXpos;
    info->dwYpos = g_joy[id].dwYpos;
    info->dwButtons = g_joy[id].dwButtons;
    return win::JOYERR_NOERROR;
}

constexpr int LEFT = 37, UP = 38, RIGHT = 39, DOWN = 40;

class Input : public testsupport::ShellFixture {
  protected:
    void SetUp() override {
        ShellFixture::SetUp();
        std::memset(g_keys, 0, sizeof g_keys);
        std::memset(g_joyAttached, 0, sizeof g_joyAttached);
        for (auto& j : g_joy) {
            j = win::JOYINFOEX{};
            j.dwXpos = j.dwYpos = 32767;
        }
        g_joyReads = 0;
        saved = g_InputSources;
        g_InputSources = InputSources{&ScriptedKey, &ScriptedJoy};
        SetDefaultKeyConfig(g_KeyConfig);
        rec = cInputRecord{};
        SetJoyButtonMasks(rec);
        SetKeyRepeat(rec, 18, 6);
    }
    void TearDown() override {
        g_InputSources = saved;
        SetDefaultKeyConfig(g_KeyConfig);
        ShellFixture::TearDown();
    }
    void Configure(int count, int joysticks) {
        g_KeyConfig.dwMode = 1;
        g_KeyConfig.dwCount = static_cast<std::uint32_t>(count);
        g_KeyConfig.dwJoysticks = static_cast<std::uint32_t>(joysticks);
    }
    InputSources saved{};
    cInputRecord rec;
};

std::string KeyConfigBytes(const KEYCONFIG& c) {
    return std::string(reinterpret_cast<const char*>(&c), sizeof c);
}

} // namespace

TEST_F(Input, KeyConfigDefaultsAndRawFile) {
    KEYCONFIG c{};
    SetDefaultKeyConfig(c);
    const std::uint16_t codes[12] = {37, 39, 38, 40, 'Z', 'X', 'C', 'V', 'A', 'S', 'D', 'F'};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(c.entries[i].dwDevice, 8u);
        EXPECT_EQ(c.entries[i].wCode, codes[i]);
    }
    EXPECT_EQ(c.dwCount, 12u);
    EXPECT_EQ(c.dwJoysticks, 1u);
    EXPECT_EQ(c.dwMode, 0u);

    EXPECT_FALSE(LoadKeyConfig("user_data\\KeyConfig.dat", c));
    // Written by hand: entry 0 joystick 0 axis left, count 5, 2 joysticks, configured mode.
    std::string bytes(108, '\0');
    const unsigned char head[8] = {0, 0, 0, 0, 0x00, 0x01, 0, 0};
    std::memcpy(&bytes[0], head, 8);
    bytes[96] = 5;
    bytes[100] = 2;
    bytes[104] = 1;
    testsupport::WriteFile(dir / "user_data" / "KeyConfig.dat", bytes);
    KEYCONFIG loaded{};
    ASSERT_TRUE(LoadKeyConfig("user_data\\KeyConfig.dat", loaded));
    EXPECT_EQ(KeyConfigBytes(loaded), bytes);
    EXPECT_EQ(loaded.entries[0].wCode, JOYCODE_LEFT);
    EXPECT_EQ(loaded.dwMode, 1u);

    // A short file fills only its own length.
    testsupport::WriteFile(dir / "user_data" / "KeyConfig.dat", bytes.substr(0, 10));
    KEYCONFIG partial;
    SetDefaultKeyConfig(partial);
    ASSERT_TRUE(LoadKeyConfig("user_data\\KeyConfig.dat", partial));
    EXPECT_EQ(partial.entries[0].wCode, JOYCODE_LEFT);
    EXPECT_EQ(partial.entries[1].dwDevice, 0u); // bytes 8-9 of the file: low half of entry 1's device
    EXPECT_EQ(partial.entries[1].wCode, 39u);
    EXPECT_EQ(partial.entries[2].wCode, 38u);
    EXPECT_EQ(partial.dwCount, 12u);
}

TEST_F(Input, DirectionNumbersOfBothLayouts) {
    g_keys[LEFT] = g_keys[RIGHT] = true;
    SampleFixedInput(rec, 0, 3, 60);
    EXPECT_EQ(rec.wDir, 3);
    EXPECT_EQ(rec.nDirNumber, 5);
    g_keys[UP] = true;
    SampleFixedInput(rec, 0, 3, 60);
    EXPECT_EQ(rec.wDir, 7);
    EXPECT_EQ(rec.nDirNumber, 2);
    g_keys[RIGHT] = g_keys[UP] = false;
    g_keys[DOWN] = true;
    SampleFixedInput(rec, 0, 3, 60);
    EXPECT_EQ(rec.nDirNumber, 7);
    // The configured layout is not sampled by the fixed sampler and vice versa.
    EXPECT_EQ(SampleConfiguredInput(rec, 1, 60), 0);

    Configure(12, 1);
    EXPECT_EQ(SampleFixedInput(rec, 0, 3, 60), 0);
    g_keys[RIGHT] = true;
    g_keys[UP] = true;
    ASSERT_EQ(SampleConfiguredInput(rec, 1, 60), 1);
    EXPECT_EQ(rec.wDir, DIR_LEFT | DIR_UP); // left wins over right, up over down
    EXPECT_EQ(rec.nDirNumber, 1);
}

TEST_F(Input, ARecordedDirectionWordGivesTheNumberItWasPlayedWith) {
    // Every combination of held arrows in the fixed layout: played back from its word, the
    // direction number is the one the play had.
    const int keys[4] = {LEFT, RIGHT, UP, DOWN};
    for (int held = 0; held < 16; ++held) {
        std::memset(g_keys, 0, sizeof g_keys);
        for (int k = 0; k < 4; ++k)
            g_keys[keys[k]] = (held >> k) & 1;
        ASSERT_EQ(SampleFixedInput(rec, 0, 3, 60), 1);
        EXPECT_EQ(RecordedDirection(rec.wDir), rec.nDirNumber) << "held " << held;
    }
    // The configured layout never records both of a pair: one arrow or a diagonal.
    const std::pair<int, int> bitsToNumber[] = {{0, 5}, {1, 4}, {2, 6}, {4, 2}, {8, 8},
                                                {5, 1}, {6, 3}, {9, 7}, {10, 9}};
    for (auto [bits, number] : bitsToNumber)
        EXPECT_EQ(RecordedDirection(static_cast<std::uint16_t>(bits)), number) << bits;
}

TEST_F(Input, JoystickTakesPrecedenceAndAMissingOneIsRetriedEvery120Frames) {
    g_joyAttached[0] = true;
    g_joy[0].dwXpos = 0; // held left
    g_joy[0].dwButtons = 0x4;
    g_keys[RIGHT] = g_keys[DOWN] = true;
    g_keys['Z'] = true;
    SampleFixedInput(rec, 0, 3, 60);
    EXPECT_EQ(rec.wDir, DIR_LEFT);
    EXPECT_EQ(rec.nDirNumber, 4);
    EXPECT_EQ(rec.wButtons, 0x4);
    EXPECT_EQ(rec.bJoyPresent, 1u);
    // At the thresholds: 10001 is not left, 55535 is down.
    g_joy[0].dwXpos = 10001;
    g_joy[0].dwYpos = 55535;
    g_joy[0].dwButtons = 0;
    SampleFixedInput(rec, 0, 3, 60);
    EXPECT_EQ(rec.wDir, DIR_DOWN);
    EXPECT_EQ(rec.wButtons, 0x1); // keyboard Z: the joystick gave no button
    // Neutral joystick: the keyboard decides.
    g_joy[0].dwYpos = 32767;
    SampleFixedInput(rec, 0, 3, 60);
    EXPECT_EQ(rec.wDir, DIR_RIGHT | DIR_DOWN);
    EXPECT_EQ(rec.nDirNumber, 9);

    g_joyAttached[0] = false;
    g_joyReads = 0;
    for (int frame = 0; frame < 121; ++frame)
        SampleFixedInput(rec, 0, 3, 60);
    EXPECT_EQ(g_joyReads, 1);
    EXPECT_EQ(rec.bJoyPresent, 0u);
    EXPECT_EQ(rec.wDir, DIR_RIGHT | DIR_DOWN); // the keyboard still works meanwhile
    SampleFixedInput(rec, 0, 3, 60);
    EXPECT_EQ(g_joyReads, 2);
}

TEST_F(Input, ConfiguredTableWithUntrustedCountAndDevices) {
    Configure(200, 1); // more entries than the file holds: only the 12 are used
    g_KeyConfig.entries[0] = KEYCONFIGENTRY{0, JOYCODE_LEFT, 0};
    g_KeyConfig.entries[2] = KEYCONFIGENTRY{7, JOYCODE_UP, 0}; // a joystick that is not polled
    g_KeyConfig.entries[4] = KEYCONFIGENTRY{0, 0x3, 0};        // button 0: joystick buttons 1 or 2
    g_KeyConfig.entries[11] = KEYCONFIGENTRY{8, 'Q', 0};       // button 7 on the keyboard
    g_joyAttached[0] = g_joyAttached[7] = true;
    g_joy[0].dwXpos = 0;
    g_joy[0].dwButtons = 0x2;
    g_joy[7].dwYpos = 0;
    g_keys['Q'] = true;
    SampleConfiguredInput(rec, 1, 60);
    EXPECT_EQ(rec.wDir, DIR_LEFT);
    EXPECT_EQ(rec.nDirNumber, 4);
    EXPECT_EQ(rec.wButtons, 0x1 | 0x80);
    EXPECT_EQ(g_joyReads, 1); // only joystick 0 is polled

    // A direction entry also accepts a joystick button that shares a bit with its code.
    g_joy[0].dwXpos = 32767;
    g_joy[0].dwButtons = 0x100;
    SampleConfiguredInput(rec, 1, 60);
    EXPECT_EQ(rec.wDir, DIR_LEFT);

    // Entries at or beyond the count are not used.
    Configure(4, 1);
    SampleConfiguredInput(rec, 1, 60);
    EXPECT_EQ(rec.wButtons, 0);
}

TEST_F(Input, KeyRepeatPassesAtFirstFrameThenAt18_24_30) {
    std::vector<int> passed;
    for (int frame = 0; frame < 40; ++frame) {
        rec.wDir = DIR_LEFT | DIR_DOWN;
        cKeyRepeat::Update(rec);
        if (rec.wDir & DIR_LEFT) passed.push_back(frame);
        EXPECT_EQ(rec.wDir & DIR_LEFT ? 1 : 0, rec.wDir & DIR_DOWN ? 1 : 0);
    }
    EXPECT_EQ(passed, (std::vector<int>{0, 18, 24, 30, 36}));
    // A change on one axis restarts only that axis.
    rec.wDir = DIR_RIGHT | DIR_DOWN;
    cKeyRepeat::Update(rec);
    EXPECT_EQ(rec.wDir, DIR_RIGHT);

    // Interval 0: no repeat at all, and no division by zero.
    cInputRecord noRepeat;
    SetKeyRepeat(noRepeat, 0, 0);
    passed.clear();
    for (int frame = 0; frame < 40; ++frame) {
        noRepeat.wDir = DIR_UP;
        cKeyRepeat::Update(noRepeat);
        if (noRepeat.wDir) passed.push_back(frame);
    }
    EXPECT_EQ(passed, (std::vector<int>{0}));

    rec.wButtons = 5;
    cKeyRepeat::Reset(rec);
    cKeyRepeat::Clear(rec);
    EXPECT_EQ(rec.wDir, 0);
    EXPECT_EQ(rec.nDirNumber, 5);
    EXPECT_EQ(rec.wButtons, 0);
}

TEST_F(Input, InputRingRemembersPastWords) {
    cInputHistory::Clear(rec);
    auto hold = [&](std::uint16_t dir, std::uint16_t buttons, int frames) {
        for (int i = 0; i < frames; ++i) {
            rec.wDir = dir;
            rec.wButtons = buttons;
            cInputHistory::Record(rec);
        }
    };
    hold(DIR_UP, 1, 3);
    hold(DIR_LEFT, 2, 5);
    EXPECT_EQ(cInputHistory::GetPast(rec, 0, 0), DIR_LEFT);
    EXPECT_EQ(cInputHistory::GetPast(rec, 0, 4), DIR_LEFT);
    EXPECT_EQ(cInputHistory::GetPast(rec, 0, 5), DIR_UP);
    EXPECT_EQ(cInputHistory::GetPast(rec, 1, 5), 2 - 1);
    EXPECT_EQ(cInputHistory::GetPast(rec, 0, 7), DIR_UP);

    // More than 32 changes: the ring wraps and keeps the newest.
    for (int i = 0; i < 40; ++i)
        hold(static_cast<std::uint16_t>(i % 2 ? DIR_UP : DIR_DOWN), 0, 1);
    EXPECT_EQ(cInputHistory::GetPast(rec, 0, 0), DIR_UP);
    EXPECT_EQ(cInputHistory::GetPast(rec, 0, 31), DIR_DOWN);

    // Frames held stop at 0x7FFFFFFF.
    rec.ring[0][rec.ringIndex[0]].dwFrames = 0x7FFFFFFF;
    hold(DIR_UP, 0, 1);
    EXPECT_EQ(rec.ring[0][rec.ringIndex[0]].dwFrames, 0x7FFFFFFFu);
}

TEST_F(Input, StateHistoriesFollowExactDirectionsAndButtonBits) {
    UpdateInputBuffers(rec);
    rec.wDir = DIR_LEFT | DIR_UP; // 5
    rec.wButtons = 0;
    SampleInput(rec);
    SampleInput(rec);
    // Histories of 0, 1, 2, 4, 8, 5, 9, 6, 10, 15: only the exact value 5 holds.
    for (int h = 0; h < INPUT_DIR_HISTORIES; ++h) {
        const INPUTSTATE& newest = rec.dirHistories.at(h).at(0);
        if (g_DirHistoryValues[h] == 5) {
            EXPECT_EQ(newest.dwState, 1u);
            EXPECT_EQ(newest.dwFrames, 2u);
        } else {
            EXPECT_EQ(newest.dwState, 0u) << h;
            EXPECT_EQ(newest.dwFrames, 2u) << h;
        }
    }
    EXPECT_EQ(rec.buttonHistories.at(0).at(0).dwState, 1u); // no button
    rec.wButtons = 0x81;
    SampleInput(rec);
    EXPECT_EQ(rec.buttonHistories.at(0).at(0).dwState, 0u);
    EXPECT_EQ(rec.buttonHistories.at(1).at(0).dwState, 1u);
    EXPECT_EQ(rec.buttonHistories.at(8).at(0).dwState, 1u);
    EXPECT_EQ(rec.buttonHistories.at(2).at(0).dwState, 0u);
    // The change went in front; the older entry moved back; 32 entries stay.
    EXPECT_EQ(rec.buttonHistories.at(1).at(1).dwFrames, 2u);
    EXPECT_EQ(rec.buttonHistories.at(1).size(), 32u);
    rec.buttonHistories.at(1).at(0).dwFrames = 0x7FFFFFFF;
    SampleInput(rec);
    EXPECT_EQ(rec.buttonHistories.at(1).at(0).dwFrames, 0x7FFFFFFFu);
    UpdateInputBuffers(rec);
    EXPECT_EQ(rec.buttonHistories.at(1).at(0).dwFrames, 0u);
    EXPECT_EQ(rec.buttonHistories.at(1).at(0).dwState, 0u);
}

TEST_F(Input, UpdateInputSamplesPlayerOneWithTheConfiguredLayout) {
    cCheckedVector<cInputRecord> inputs(2);
    SetJoyButtonMasks(inputs.at(0));
    g_keys['X'] = true;
    UpdateInput(inputs);
    EXPECT_EQ(inputs.at(0).wButtons, 0x2);
    EXPECT_EQ(inputs.at(1).wButtons, 0);
    Configure(5, 0);
    g_KeyConfig.entries[4] = KEYCONFIGENTRY{8, 'X', 0};
    g_keys['X'] = false;
    g_keys[DOWN] = true;
    UpdateInput(inputs);
    EXPECT_EQ(inputs.at(0).wDir, DIR_DOWN);
    EXPECT_EQ(inputs.at(0).nDirNumber, 8);
    EXPECT_EQ(inputs.at(0).wButtons, 0);
    EXPECT_EQ(g_joyReads, 1); // the fixed layout read joystick 0; the table polls none
}

TEST(Joystick, BadRequestsAndMissingDevicesAreRefused) {
    win::JOYINFOEX info{};
    info.dwSize = sizeof info;
    EXPECT_EQ(win::joyGetPosEx(8, &info), win::JOYERR_PARMS);
    EXPECT_EQ(win::joyGetPosEx(0, nullptr), win::JOYERR_PARMS);
    // No test machine has eight joysticks attached.
    EXPECT_EQ(win::joyGetPosEx(7, &info), win::JOYERR_UNPLUGGED);
}
