// Replays during play: the F1 and F2 keys save this play's recording (F1) or the previous play's
// (F2) to a replay file. The game thread (or the pause thread during a wait) asks the window thread,
// which shows the save dialog and writes the file, and waits until it is done.
#pragma once

// The main window's requests for replay files: +3 choose and load one, +4 save one (wParam 0 this
// play's recording, 1 the previous play's).
constexpr unsigned WM_USER_LOADREPLAY = 0x0400 + 3;
constexpr unsigned WM_USER_SAVEREPLAY = 0x0400 + 4;

// Frames during which a refused save stays silent after its buzzer.
constexpr int REPLAY_BUZZER_COOLDOWN = 60;

// Once per play frame and per frame of a wait. A new press of F1 or F2 saves: the current
// recording while F1 is down (F1 and F2 pressed together save the current one), else the previous
// one. A key held from an earlier frame does nothing more. A recording without input is refused
// with the buzzer, at most once per 60 calls. Nothing in replay playback (play mode 4) or when the
// project does not record replays. 1 when a save was asked for (whether or not a file was chosen).
int CheckReplayHotKeys();

// Forgets the keys' last state and the buzzer's cool-down (a new play scene).
void ResetReplayHotKeys();

// Asks the window thread to save replay `which` (0 current, 1 previous) and waits until it has
// finished; false when the program is closing meanwhile.
bool RequestSaveReplay(int which);
