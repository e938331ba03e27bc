// Joystick state in place of the platform's joystick functions: joysticks 0-7 are the first eight
// devices SDL finds, read as the platform reports them (axes 0..65535 with the centre at 32767,
// one bit per button).
#pragma once
#include "platform/win_types.h"

namespace win {

constexpr UINT JOYSTICKID1 = 0;
constexpr UINT JOYERR_NOERROR = 0;
constexpr UINT JOYERR_PARMS = 165;
constexpr UINT JOYERR_UNPLUGGED = 167;
constexpr DWORD JOY_RETURNX = 0x1;
constexpr DWORD JOY_RETURNY = 0x2;
constexpr DWORD JOY_RETURNBUTTONS = 0x80;

struct JOYINFOEX {
    DWORD dwSize = 0;
    DWORD dwFlags = 0;
    DWORD dwXpos = 0;
    DWORD dwYpos = 0;
    DWORD dwZpos = 0;
    DWORD dwRpos = 0;
    DWORD dwUpos = 0;
    DWORD dwVpos = 0;
    DWORD dwButtons = 0;
    DWORD dwButtonNumber = 0;
    DWORD dwPOV = 0;
    DWORD dwReserved1 = 0;
    DWORD dwReserved2 = 0;
};
static_assert(sizeof(JOYINFOEX) == 52);

// Starts the joystick system; called once on the window thread at start-up (a later read starts it
// itself when this was not called). False when no joystick can be read on this machine.
bool InitJoysticks();

// Reads joystick `id` (0-7). JOYERR_UNPLUGGED when no such device is attached, JOYERR_PARMS for a
// bad id or a null record.
UINT joyGetPosEx(UINT id, JOYINFOEX* info);

} // namespace win
