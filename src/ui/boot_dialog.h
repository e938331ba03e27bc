// The start-up dialog: chooses the drawing back-end before the display is set up, and whether to ask
// again next time. Starting saves "user_data\Boot.dat".
//
// Scripted answers (ui/dialog_route.h): "direct3d" or "directdraw" chooses and starts, "noask"
// (after a choice, as "direct3d noask") also ticks "do not ask again", "cancel" cancels; without a
// display and without an answer the game starts with the stored choice.
#pragma once
#include "ui/dialog.h"

namespace ui {

class cBootDialog : public cDialog {
  public:
    // Placed over the game area; the cursor goes onto the start button.
    cBootDialog();
    void OnInit(win::WPARAM wParam, win::LPARAM lParam) override;
    win::LRESULT OnCommand(win::WPARAM wParam, win::LPARAM lParam) override;

  private:
    cRadioCtrl m_D3D, m_DDraw;
    cCheckCtrl m_NoAsk;
    cStaticCtrl m_Note;
};

} // namespace ui

// 1 when the game is to start (g_BootData holds the choice), 0 when the dialog was cancelled.
int RunBootDialog();
