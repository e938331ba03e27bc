// The ranking-name entry: one field for a name of up to three characters (Shift-JIS characters: a
// two-byte character counts once), opened with the offered name selected so that typing replaces it.
//
// Scripted answers (ui/dialog_route.h): a name (UTF-8) is taken as entered, its first three
// characters kept; "cancel", an empty answer, or no answer without a display keeps the name offered.
#pragma once
#include "ui/dialog.h"

#include <string>

namespace ui {

constexpr int NAME_DIALOG_CHARS = 3;

class cNameDialog : public cDialog {
  public:
    // `name` is the text the field shows and OK writes back; null binds a scratch text, so the dialog
    // still works when nobody asked for the name.
    explicit cNameDialog(std::string* name);
    void OnInit(win::WPARAM wParam, win::LPARAM lParam) override;
    win::LRESULT OnCommand(win::WPARAM wParam, win::LPARAM lParam) override;

  private:
    std::string m_strScratch;
    cEditCtrl m_Name;
};

} // namespace ui

// 1 when OK was pressed (`name` holds the entry), 0 when the dialog was closed or cancelled.
int RunNameDialog(std::string* name);
