// Modal dialogs of the toolkit, drawn inside the game window and run on the window thread.
//
// A dialog is built from a template (its size and controls in dialog units, 1.5 pixels each for the
// dialog font), opened by RunModal and ended by End. Its control windows behave as the platform's
// do (push buttons, radio buttons, check boxes, edit fields with input-method composition, static
// texts, group boxes, pictures, list boxes); control objects bind some of them to program variables,
// copied into the controls when the dialog opens and back when it is accepted. Messages reach the
// dialog procedure through the dialog's own queue; keys pass the keyboard hook (ui/hook.h) first.
//
// The input comes from a host (cDialogHost): the window thread's SDL events, or a scripted list of
// events in headless runs and tests.
#pragma once
#include "platform/widget_events.h"
#include "platform/win_types.h"
#include "ui/hook.h"
#include "ui/message_names.h"
#include "ui/window_object.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

// Control styles.
constexpr win::DWORD CS_TABSTOP = 0x1;
constexpr win::DWORD CS_GROUP = 0x2;
constexpr win::DWORD CS_DEFAULT = 0x4; // the default push button

// Notification codes.
constexpr int BN_CLICKED = 0;
constexpr int LBN_SELCHANGE = 1;
constexpr int LBN_DBLCLK = 2;
constexpr int EN_KILLFOCUS = 0x200;
constexpr int EN_UPDATE = 0x400;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Run flags of RunModal.
constexpr int RUN_HIDE_WINDOWS = 2;
constexpr int RUN_DISABLE_WINDOWS = 4;

enum class WidgetType { PushButton, RadioButton, CheckBox, Edit, Static, GroupBox, Picture, ListBox };

struct ControlTemplate {
    int id;
    WidgetType type;
    std::string text; // CP932
    int x, y, w, h;   // dialog units
    win::DWORD style;
};

struct DialogTemplate {
    int resourceId = 0;
    int w = 0, h = 0; // dialog units
    win::DWORD style = 0;
    std::string caption;
    std::vector<ControlTemplate> controls;
};

// Dialog units to pixels for the dialog font.
inline int DluToPx(int dlu) {
    return dlu * 3 / 2;
}

class cDialog;

// A control window: what the user sees and works with.
struct cWidget {
    int id = 0;
    WidgetType type = WidgetType::Static;
    win::RECT rect; // in the dialog's client area, pixels
    std::string text;
    win::DWORD style = 0;
    bool enabled = true;
    bool visible = true;
    int checked = 0;
    // Edit fields: selection from `selStart` (anchor) to `selEnd` (caret), byte offsets.
    int selStart = 0, selEnd = 0;
    int prevSelStart = 0, prevSelEnd = 0; // the selection before the last change of the text
    int scrollX = 0;
    // List boxes.
    std::vector<std::string> items;
    int curSel = -1;
    int topIndex = 0;

    bool IsTabStop() const { return (style & CS_TABSTOP) && enabled && visible; }
    int VisibleRows() const;
};

// A control object: binds a control window of a dialog to a program variable.
class cCtrl {
  public:
    virtual ~cCtrl() = default;
    virtual void Enable(bool on);
    virtual void CopyIn() {}
    virtual void CopyBack() {}
    virtual void OnChange() {}
    virtual int OnNotify(win::LPARAM) { return 0; }
    virtual void OnHook1() {}
    virtual void OnHook2() {}
    virtual void OnKillFocus() {}
    virtual void Redraw() {}
    virtual void OnKey(int, win::DWORD, bool) {}

    // Finds the control window `id` of the dialog; false when the dialog has none.
    bool Attach(cDialog* dialog, int id);

    int m_nId = 0;
    int m_nKind = 0;
    cWidget* m_pWnd = nullptr;
    cDialog* m_pDialog = nullptr;
    win::POINT m_Pos;
};

// An edit field bound to a text. The limit counts Shift-JIS characters when double-byte characters
// are allowed (a two-byte character counts once), else bytes; a change past the limit or past the
// line limit is refused and the field gets back its last accepted text and caret. Line ends are CR LF
// in the field and LF in the variable.
class cEditCtrl : public cCtrl {
  public:
    cEditCtrl(std::string* value, int maxChars, bool doubleByte, int maxLines = 0);
    void CopyIn() override;
    void CopyBack() override;
    void OnChange() override;
    // Characters of a text as the limit counts them.
    int Measure(const std::string& text) const;

    std::string* m_pValue;
    int m_nMaxChars;
    bool m_bDoubleByte;
    int m_nMaxLines;
    std::string m_strAccepted;
    int m_nAcceptedSelStart = 0, m_nAcceptedSelEnd = 0;
};

// A radio button standing for one value of a shared variable: copy-back stores the value only when
// the button is marked, so of several buttons bound to one variable the marked one decides.
class cRadioCtrl : public cCtrl {
  public:
    cRadioCtrl(int* value, int standsFor) : m_pValue(value), m_nValue(standsFor) {}
    void CopyIn() override;
    void CopyBack() override;
    int* m_pValue;
    int m_nValue;
};

class cCheckCtrl : public cCtrl {
  public:
    explicit cCheckCtrl(int* flag) : m_pFlag(flag) {}
    void CopyIn() override;
    void CopyBack() override;
    int* m_pFlag;
};

class cStaticCtrl : public cCtrl {};

// A list box reporting selection changes and double clicks (kind 8).
class cListCtrl : public cCtrl {
  public:
    cListCtrl() { m_nKind = 8; }
};

class cDialogHost;

class cDialog : public cWindow {
  public:
    explicit cDialog(DialogTemplate tpl);
    ~cDialog() override;

    // Runs the dialog until it ends; returns its result, or 0 at once when it is already open.
    int RunModal(int flags);
    // Ends the dialog with `result`.
    void End(int result);
    bool IsOpen() const { return m_hWnd != nullptr; }
    int Result() const { return m_nResult; }

    // Queues a message for the dialog procedure; Pump hands every queued message to it.
    void Post(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void Pump();
    // Sends a message to the dialog straight away.
    win::LRESULT Send(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

    // One input event, handled as the dialog window and its controls handle it.
    void Feed(const win::UiEvent& e);

    // The message dispatcher: the dialog procedure, then the dialog's answer.
    virtual win::LRESULT Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    virtual win::LRESULT DialogProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    virtual void OnInit(win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT OnCommand(win::WPARAM wParam, win::LPARAM lParam) override;
    void RefreshLists();

    void CopyIntoControls();
    void CopyBackFromControls();
    // Puts a control object on the control list (attached to its window); false when the window is missing.
    bool AddControl(cCtrl* ctrl, int id);

    cWidget* GetDlgItem(int id);
    const std::vector<std::unique_ptr<cWidget>>& Widgets() const { return m_Widgets; }
    cWidget* Focus() const { return m_pFocus; }
    void SetFocus(cWidget* w);
    void SetItemText(int id, const std::string& text);
    // Selects the text of an edit field from `start` to `end` (-1: the end).
    void SetSel(int id, int start, int end);

    const DialogTemplate& Template() const { return m_Template; }
    const std::string& Caption() const { return m_strCaption; }
    void SetCaption(const std::string& caption) { m_strCaption = caption; }
    // The composition the input method has open (UTF-8), empty when none.
    const std::string& Composition() const { return m_strComposition; }
    bool Composing() const { return !m_strComposition.empty(); }
    // The caption's close box, in client coordinates (empty without a caption).
    win::RECT CloseBox() const;
    // The dialog's place on the desktop (its window rectangle).
    win::RECT WindowRect() const;

    // Every message the dialog procedure has received, oldest first (for tests and the message log).
    struct Traced {
        win::UINT msg;
        win::WPARAM wParam;
        win::LPARAM lParam;
    };
    std::vector<Traced> m_Trace;

    cHook* m_pHookProp = nullptr; // the keyboard hook's property of the window

    // How many dialogs are open on the thread, and the active (topmost) one.
    static int OpenCount();
    static cDialog* Active();

  protected:
    // The native handling of a click on a control window (buttons notify the dialog).
    void Click(cWidget* w);
    void KeyToFocus(const win::UiEvent& e);
    void SpaceUp();
    void TextToFocus(const std::string& utf8);
    void MoveFocus(bool backwards);
    void NotifyChange(cWidget* w);
    cWidget* WidgetAt(int x, int y);
    cWidget* DefaultButton();

    DialogTemplate m_Template;
    std::string m_strCaption;
    std::vector<std::unique_ptr<cWidget>> m_Widgets;
    std::vector<cCtrl*> m_Controls;
    std::deque<Traced> m_Queue;
    cWidget* m_pFocus = nullptr;
    cWidget* m_pPressed = nullptr;
    // The button Space went down on: it is pressed when Space is let go over it.
    cWidget* m_pSpacePressed = nullptr;
    std::string m_strComposition;
    int m_nCompositionCursor = 0;
    cHook m_Hook;
    int m_nRunFlags = 0;
    int m_nResult = 0;
    int m_bModeless = 0;
    bool m_bEnded = false;
    bool m_bInitialised = false;
    friend class cDialogHost;
};

// Where a running dialog gets its input and shows itself.
class cDialogHost {
  public:
    virtual ~cDialogHost() = default;
    virtual void Begin(cDialog&) {}
    // The next input event; false when no more will come (the dialog is then closed with 0).
    virtual bool Next(cDialog& dialog, win::UiEvent& e) = 0;
    // After each event: show the dialog as it now is.
    virtual void Show(cDialog&) {}
    virtual void End(cDialog&) {}
};

constexpr int CLICK_CLOSE_BOX = -1;

// A scripted run: events and actions in order; when they run out the dialog is closed.
class cScriptHost : public cDialogHost {
  public:
    cScriptHost& Key(int vk, bool shift = false);
    cScriptHost& Text(const std::string& utf8);
    cScriptHost& Compose(const std::string& utf8);
    cScriptHost& Click(int x, int y, int clicks = 1); // desktop pixels
    cScriptHost& ClickItem(int id, int clicks = 1);   // the middle of a control (or CLICK_CLOSE_BOX)
    cScriptHost& Close();
    // Keeps the dialog open until the program is closed (a signal or the close box), as a user
    // who leaves it open would.
    cScriptHost& WaitForClose();
    cScriptHost& Do(std::function<void(cDialog&)> action);

    bool Next(cDialog& dialog, win::UiEvent& e) override;
    void Begin(cDialog& dialog) override;
    void Show(cDialog& dialog) override;
    void End(cDialog& dialog) override;
    // Draw each state into the game window's frame as the dialog runs (whole-program runs).
    bool m_bPublish = false;
    // The frame the dialog was drawn in at its last Show (with m_bPublish), or on demand.
    std::vector<std::uint32_t> m_Frame;

  private:
    // Holds the dialog open until the program is closed.
    void WaitForTheClose();
    struct Step {
        win::UiEvent event;
        int clickId = 0;
        std::function<void(cDialog&)> action;
        bool waitForClose = false;
    };
    std::vector<Step> m_Steps;
    std::size_t m_nNext = 0;
    bool m_bPendingUp = false;
    win::UiEvent m_Up;
};

// Builds a script from a text of words separated by blanks: a key name ("enter", "tab", "space",
// "escape", "left", "right", "up", "down", "back", "delete", "home", "end", "pgup", "pgdn",
// "shift+tab"), "text:WORD" (committed text), "compose:WORD", "click:ID" (a control), "click:close" (the
// caption's close box), "close" (the window closed) or "wait" (open until the program is closed).
// False when a word is not understood.
bool ParseScript(const std::string& words, cScriptHost& host);

// The host for the next dialogs: null means the window thread's own (SDL events).
void SetDialogHost(cDialogHost* host);
cDialogHost* GetDialogHost();

// The host over the window's SDL events (window thread only).
cDialogHost& WindowHost();

// The focused control of `dialog` when it is a text field: its rectangle in game-area pixels, where
// the input method's window belongs. False while the focus is on anything else.
bool FocusedTextField(const cDialog& dialog, win::RECT& field);

} // namespace ui
