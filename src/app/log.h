// The two text logs and the message boxes through which every part of the system reports trouble.
//
// "Report_Game.txt" (the report log) is emptied at start-up and takes one line per call. The EC log
// ("EC_Game.txt") is written only while its switch is on; the program switches it off at start-up.
// Every line is on disk when its call returns (the file is opened, written and closed per line), and
// writes from several threads are serialised. Lines end with CR LF, as the logs always have.
#pragma once
#include "platform/win_types.h"

constexpr int LOG_PATH_SIZE = 260;
constexpr int LOG_FORMAT_BUFFER = 1024; // formatted messages keep at most 1,023 characters

extern char g_szReportPath[LOG_PATH_SIZE];
extern char g_szECLogPath[LOG_PATH_SIZE];
extern int g_bECLogEnabled;
extern unsigned char g_bECLogStarted;

// Creates or empties the report log and remembers its name; false when it cannot be created.
bool ReportOpen(const char* fileName);
// Appends the formatted text and a line end; false when the log cannot be opened (it is never made
// here: a report log deleted while the program runs stays deleted).
bool Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
// As Report, and the same text to the EC log; false (and no EC line) when the report cannot be opened.
bool ReportErr(const char* format, ...) __attribute__((format(printf, 1, 2)));
// As ReportErr, then the text in an error box. The box is shown even when the report log cannot be
// opened, so that a fatal start-up message always reaches the user.
bool ReportErrBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

void ECLogSet(int enabled, const char* fileName);
// EC log: nothing while switched off. The first write of a run empties the file, later ones append.
void ECLog(const char* text);
void ECLogText(const char* text);
void ECLogF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// ECLogF of the text (when switched on), then in every case WM_CLOSE to the window; returns the post's
// result.
win::BOOL FatalLog(win::HWND hwnd, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Every box goes through here. While the drawing library runs full screen it routes boxes through
// its own box function (set with SetFullScreenMessageBox, cleared with nullptr when it leaves full
// screen); otherwise the platform's message box is shown.
using FullScreenMessageBoxFn = int (*)(const char* text, const char* caption, win::UINT type);
void SetFullScreenMessageBox(FullScreenMessageBoxFn fn);
int MessageBoxActive(const char* text, const char* caption, win::UINT type);
int ErrorBoxText(const char* text);                                               // caption "エラー", OK
int ErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));      // formatted ErrorBoxText
int DebugErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2))); // only with the EC log on
// Memory ran out: the reserve is given back, the first telling of a run shows `text` in a box (a
// later one, from another thread or from the close itself, shows none) and each asks for the close.
void TellOutOfMemory(const char* text);
// TellOutOfMemory("メモリが不足しています！").
void OutOfMemory();
// Whether memory has run out (the program is closing for it): no frame is run after it.
bool OutOfMemoryTold();
// For tests that run out of memory more than once in one process: the next telling shows its box.
void ForgetOutOfMemoryTold();
