// How the next dialog is answered. With a host set (tests), by the widgets under that host. Otherwise
// by the next scripted answer (MIRELDA4_ANSWERS): an answer "events:WORDS" runs the real dialog with
// those events (ui::ParseScript), drawn into the game window; any other answer is the dialog's answer
// as written. Without answers the dialog runs in the window when there is a display, and takes its
// default answer when there is none.
#pragma once
#include "ui/dialog.h"

#include <string>

namespace ui {

enum class Route { Answer, Widgets, Default };

class cDialogRoute {
  public:
    cDialogRoute() = default;
    ~cDialogRoute();
    cDialogRoute(const cDialogRoute&) = delete;
    cDialogRoute& operator=(const cDialogRoute&) = delete;
    // Answer: `answer` holds the scripted answer. Widgets: run the dialog (a scripted host is set
    // for as long as this object lives when the answer asked for events).
    Route Decide(std::string& answer);

  private:
    cScriptHost m_Script;
    cDialogHost* m_pPrev = nullptr;
    bool m_bSet = false;
};

} // namespace ui
