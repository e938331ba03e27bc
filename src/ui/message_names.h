// The message values the toolkit uses beyond those of platform/win_types.h.
#pragma once
#include "platform/win_types.h"

namespace ui {

constexpr win::UINT WM_ENABLE = 0x000A;
constexpr win::UINT WM_SETREDRAW = 0x000B;
constexpr win::UINT WM_SETTEXT = 0x000C;
constexpr win::UINT WM_GETTEXT = 0x000D;
constexpr win::UINT WM_GETMINMAXINFO = 0x0024;
constexpr win::UINT WM_NOTIFY = 0x004E;
constexpr win::UINT WM_INITDIALOG = 0x0110;
constexpr win::UINT WM_COMMAND = 0x0111;
constexpr win::UINT WM_HSCROLL = 0x0114;
constexpr win::UINT WM_VSCROLL = 0x0115;
constexpr win::UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr win::UINT WM_RBUTTONDOWN = 0x0204;
constexpr win::UINT WM_RBUTTONUP = 0x0205;
constexpr win::UINT WM_RBUTTONDBLCLK = 0x0206;
// Keys the keyboard hook hands to a dialog window itself.
constexpr win::UINT WM_USER_HOOKKEY = win::WM_USER + 1000;

} // namespace ui
