// Message boxes drawn by the toolkit: the box's text as a static, its buttons in a row beneath (the
// default one marked and focused; Enter presses the focused button, Escape and the close box give
// the box's closed answer), shown in a small window of its own with the caption as its title.
// Drawn with the dialog font, its text reads the same whatever the locale and the display's fonts.
#pragma once
#include "platform/message_box.h"
#include "ui/dialog.h"

#include <cstdint>
#include <vector>

namespace ui {

// The box as a dialog; RunModal returns the button pressed (win::IDOK, IDCANCEL, IDYES, IDNO).
class cMessageBoxDialog : public cDialog {
  public:
    // The request's text and caption are UTF-8.
    explicit cMessageBoxDialog(const win::MessageBoxRequest& box);
    void OnInit(win::WPARAM wParam, win::LPARAM lParam) override;
    win::LRESULT OnCommand(win::WPARAM wParam, win::LPARAM lParam) override;
    win::LRESULT Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override;

  private:
    win::UINT m_nType;
};

// The box's window as it looks when it opens: `w` x `h` XRGB pixels.
std::vector<std::uint32_t> RenderMessageBox(const win::MessageBoxRequest& box, int& w, int& h);

// Shows the box in a window of its own and waits for its answer; 0 when it cannot be shown so
// (no display, or no dialog font).
int ShowMessageBoxWindow(const win::MessageBoxRequest& box);

} // namespace ui
