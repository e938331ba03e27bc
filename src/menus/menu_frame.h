// What the five menu scenes share: the per-frame operation (key repeat, one-shot confirm and
// cancel, set-up on the first frame, the state handler), the fade-in and leave steps, the music
// rule, the menu cursor as the scenes use it, the text font of menus, the boxes of consecutive
// texts and of the save slots, and the request hand-overs with the window thread.
#pragma once

#include "app/input.h"
#include "app/scene.h"
#include "draw/draw.h"
#include "menus/menu_cursor.h"

#include <atomic>
#include <cstdint>
#include <string>

class Font;

// Input bits the menus read (player 1's record).
constexpr std::uint16_t MENU_CONFIRM = 1;
constexpr std::uint16_t MENU_CANCEL = 2;
constexpr std::uint16_t MENU_BUTTON3 = 4;
constexpr std::uint16_t MENU_BUTTON4 = 8;

// Makes the masked buttons one-shot: the lowest masked button down while none is latched passes for
// this frame and sets the latch; while latched every masked button is taken out of the word; the
// latch clears once none of them is down. Mask 0 means buttons 0-7. The latch belongs to the record.
void LatchButtons(cInputRecord& rec, std::uint16_t mask);
// Forgets every latch (a test or a new program run).
void ResetButtonLatches();

// What the menus need from the layer above them; the player installs these at start-up. Unset
// hooks do nothing (and a colour table counts as applied).
struct MenuHooks {
    // Once per drawn menu frame: the blinking colours.
    void (*updateBlinkColours)() = nullptr;
    // Applies colour table n (8-bit displays); false when it could not be loaded.
    bool (*loadColourTable)(int n) = nullptr;
};
extern MenuHooks g_MenuHooks;
void MenuUpdateBlinkColours();

// The 32-pixel font of menu titles and items.
Font& MenuFont();

// The music rule of a menu scene's Init: the request for context c (0 title, 1 world map and save
// menu, 2 challenge, 3 options) is sent unless that music already plays.
void MenuMusicRule(int context);

// Base of the menu scenes: each frame, key repeat on player 1's directions, confirm and cancel made
// one-shot, then the scene's states (Init on the first frame).
class cMenuScene : public cScene {
  public:
    void Run() override;

  protected:
    // Player 1's input record as this frame's handlers read it.
    static cInputRecord& Input();
    static std::uint16_t Dir() { return Input().wDir; }
    static std::uint16_t Buttons() { return Input().wButtons; }
    static bool Confirmed() { return (Buttons() & MENU_CONFIRM) != 0; }
    static bool Cancelled() { return (Buttons() & MENU_CANCEL) != 0; }

    // One step of the fade from black; true when it has finished.
    static bool FadeInStep();
    // One step of the fade to black; when it has finished, the back buffer is cleared, the cursor
    // reset (unless told not to), and the scene manager moves from `self` to the requested scene.
    static bool LeaveStep(int self, bool resetCursor = true);
};

// A menu scene drawn whole on one 640 x 480 screen surface of its own, which is shown each frame
// (and drawn anew when it was lost).
class cScreenMenuScene : public cMenuScene {
  public:
    ~cScreenMenuScene() override;
    // Draws the scene's screen onto `surface` (nothing for a null surface).
    virtual void DrawScreen(DDSURFACEDATA* surface) = 0;

    DDSurfaceVec m_Surfaces;
    DDSurfaceDefVec m_SurfaceDefs;

  protected:
    // The screen surface; null before Init made it.
    DDSURFACEDATA* Screen();
    // Makes the screen surface (posting WM_CLOSE when it cannot be made) and draws it.
    void CreateScreen();
    // The screen onto the back buffer (drawn anew when lost), then the blinking colours.
    void ShowScreen();
    // One frame of the fade-in (an 8-bit display draws the screen anew each frame); the state moves
    // to 1 when the fade has finished.
    void FadeInScreen();
};

// ---- The menu cursor (g_MenuCursor) as the scenes use it ----
using MenuCursorPos = cCursorRecord;
// The active level.
MenuCursorPos& CursorActive();
// The level below the active one (the active one when there is only one).
MenuCursorPos& CursorParent();
void CursorReset();
void CursorPush();
// Mode 0 zeroes the parent, 1 keeps it, 2 gives it the removed level's fields.
void CursorPop(int mode);
void CursorMoveGrid(std::uint16_t keys, int x0, int y0, int cellW, int cellH, int cols, int rows);
void CursorMoveList(std::uint16_t keys, int& top, int originY, int pitch, int x, int window, int count,
                    bool paging);
// The cursor click: axes bit 0 horizontal keys, bit 1 vertical keys.
void CursorSound(std::uint16_t keys, int axes, int sound);

// ---- Save slots ----
// Slots the menus offer at least; more when slot files beyond them exist (up to 99).
extern int g_nSaveSlotCount;
// Sizes the slot list to the slots offered and fills it from the slot files.
void PrepareSaveSlotList();

// ---- Drawing helpers ----
// Texts first .. first + count - 1 of the project's text list as one box on the back buffer, one
// line each (" %s" with room for a cursor when mark is set), 16 pixels a character and a line.
void DrawTextLines(int x, int y, int first, int count, int mark);
// The save-slot box: 320 pixels wide, 16 a row, separators, slot number and save time of used slots.
void FormatSaveSlotLine(DDSURFACEDATA* surface, int x, int y, int first, int count);
// Decimal digits of a value (1 for 0; the sign is not counted).
int MenuCountDigits(std::int64_t value);
// A 16 x 16 cell of the accessory sheet at (x, y), transparent.
void DrawAccessory(DDSURFACEDATA* target, int x, int y, int sx, int sy, int size);

// ---- Hand-overs ----
// Sends a request to the main window and waits (1 ms a look) until `done` is set or shut-down
// begins; false when shut-down ended the wait.
bool SendRequestAndWait(unsigned msg, std::atomic<int>& done);
// The box shown when a stage file cannot be loaded from a menu.
void StageLoadFailedBox(const std::string& name);

// System bitmaps the menus load.
constexpr int MENUBMP_WINDOW = 45;
constexpr int MENUBMP_TITLE = 47;
constexpr int MENUBMP_GAMEMODE = 48;
constexpr int MENUBMP_ACCESSORY = 49;
constexpr int MENUBMP_SYMBOL = 50;
constexpr int MENUBMP_MAPCHIP = 52;
constexpr int MENUBMP_MAPEVENT = 53;
constexpr int MENUBMP_WORLDBACK = 54;
constexpr int MENUBMP_MAPWORK = 67;
// Loads system bitmaps (posting WM_CLOSE when one fails) and releases them.
void LoadMenuBitmaps(const int* list, int count);
void ReleaseMenuBitmaps(const int* list, int count);
DDSURFACEDATA* SystemSurface(int index);
