#include "platform/joystick.h"

#include <SDL.h>

#include <mutex>

namespace win {

namespace {

std::mutex g_lock;
bool g_initTried = false;
bool g_initOk = false;
SDL_Joystick* g_open[8] = {};

bool EnsureJoystickSubsystem() {
    if (!g_initTried) {
        g_initTried = true;
        g_initOk = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    }
    return g_initOk;
}

DWORD AxisToPosition(Sint16 value) {
    return static_cast<DWORD>(static_cast<int>(value) + 32768);
}

} // namespace

bool InitJoysticks() {
    std::lock_guard lock(g_lock);
    return EnsureJoystickSubsystem();
}

UINT joyGetPosEx(UINT id, JOYINFOEX* info) {
    if (!info || id >= 8) return JOYERR_PARMS;
    std::lock_guard lock(g_lock);
    if (!EnsureJoystickSubsystem()) return JOYERR_UNPLUGGED;
    SDL_JoystickUpdate();
    SDL_Joystick*& js = g_open[id];
    if (js && !SDL_JoystickGetAttached(js)) {
        SDL_JoystickClose(js);
        js = nullptr;
    }
    if (!js) {
        if (static_cast<int>(id) >= SDL_NumJoysticks()) return JOYERR_UNPLUGGED;
        js = SDL_JoystickOpen(static_cast<int>(id));
        if (!js) return JOYERR_UNPLUGGED;
    }
    info->dwXpos = SDL_JoystickNumAxes(js) > 0 ? AxisToPosition(SDL_JoystickGetAxis(js, 0)) : 32767;
    info->dwYpos = SDL_JoystickNumAxes(js) > 1 ? AxisToPosition(SDL_JoystickGetAxis(js, 1)) : 32767;
    DWORD buttons = 0;
    int count = SDL_JoystickNumButtons(js);
    for (int b = 0; b < count && b < 32; ++b)
        if (SDL_JoystickGetButton(js, b)) buttons |= 1u << b;
    info->dwButtons = buttons;
    DWORD pressed = 0;
    for (int b = 0; b < count && b < 32; ++b)
        if (buttons & (1u << b)) ++pressed;
    info->dwButtonNumber = pressed;
    return JOYERR_NOERROR;
}

} // namespace win
