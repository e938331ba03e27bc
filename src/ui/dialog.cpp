#include "ui/dialog.h"

#include "app/game_loop.h"
#include "app/globals.h"
#include "app/log.h"
#include "app/sjis.h"
#include "platform/cp932.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "platform/widget_events.h"
#include "ui/desktop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace ui {
namespace {

std::vector<cDialog*> g_OpenDialogs; // window thread only; the last is the active one
cDialogHost* g_pHost = nullptr;

win::WPARAM MakeWParam(int low, int high) {
    return static_cast<win::WPARAM>((static_cast<unsigned>(high & 0xFFFF) << 16) | (low & 0xFFFF));
}
int LowWord(win::WPARAM v) {
    return static_cast<int>(v & 0xFFFF);
}
int HighWord(win::WPARAM v) {
    return static_cast<int>((v >> 16) & 0xFFFF);
}

// Character steps in CP932 text: a lead+trail pair and a CR LF are one step each.
int NextChar(const std::string& t, int pos) {
    const int n = static_cast<int>(t.size());
    if (pos >= n) return n;
    if (pos + 1 < n && (IsSjisPair(t.c_str() + pos) || (t[pos] == '\r' && t[pos + 1] == '\n')))
        return pos + 2;
    return pos + 1;
}
int PrevChar(const std::string& t, int pos) {
    int p = 0, last = 0;
    while (p < pos) {
        last = p;
        p = NextChar(t, p);
    }
    return last;
}
// The nearest character boundary at or before `pos`.
int Boundary(const std::string& t, int pos) {
    pos = std::clamp(pos, 0, static_cast<int>(t.size()));
    int p = 0;
    while (p < pos) {
        const int q = NextChar(t, p);
        if (q > pos) break;
        p = q;
    }
    return p;
}

std::string ToCrLf(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) out += '\r';
        out += s[i];
    }
    return out;
}
std::string ToLf(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

// The code points of UTF-8 text, each with its bytes.
std::vector<std::string> SplitUtf8(const std::string& s) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        len = std::min(len, s.size() - i);
        out.push_back(s.substr(i, len));
        i += len;
    }
    return out;
}

bool Clickable(const cWidget* w) {
    return w->type != WidgetType::Static && w->type != WidgetType::GroupBox && w->type != WidgetType::Picture;
}

} // namespace

int cWidget::VisibleRows() const {
    return std::max(1, static_cast<int>((rect.bottom - rect.top - 4) / 16));
}

// ---- control objects ----

void cCtrl::Enable(bool on) {
    if (m_pWnd) m_pWnd->enabled = on;
}

bool cCtrl::Attach(cDialog* dialog, int id) {
    cWidget* w = dialog ? dialog->GetDlgItem(id) : nullptr;
    if (!w) return false;
    m_nId = id;
    m_pWnd = w;
    m_pDialog = dialog;
    m_Pos = win::POINT{w->rect.left, w->rect.top};
    return true;
}

cEditCtrl::cEditCtrl(std::string* value, int maxChars, bool doubleByte, int maxLines)
    : m_pValue(value), m_nMaxChars(maxChars), m_bDoubleByte(doubleByte), m_nMaxLines(maxLines) {
    m_nKind = 2;
}

int cEditCtrl::Measure(const std::string& text) const {
    if (!m_bDoubleByte) return static_cast<int>(text.size());
    int n = 0;
    for (std::size_t i = 0; i < text.size(); ++n)
        i += (i + 1 < text.size() && IsSjisPair(text.c_str() + i)) ? 2 : 1;
    return n;
}

void cEditCtrl::CopyIn() {
    if (!m_pWnd || !m_pValue) return;
    m_pWnd->text = ToCrLf(*m_pValue);
    m_pWnd->selStart = m_pWnd->selEnd = 0;
    m_strAccepted = m_pWnd->text;
}

void cEditCtrl::CopyBack() {
    if (!m_pWnd || !m_pValue) return;
    std::string text = ToLf(m_pWnd->text);
    // The variable never takes more than the limit, whatever the field holds.
    if (m_nMaxChars > 0) {
        std::size_t i = 0;
        for (int n = 0; n < m_nMaxChars && i < text.size(); ++n)
            i += (m_bDoubleByte && i + 1 < text.size() && IsSjisPair(text.c_str() + i)) ? 2 : 1;
        text.resize(i);
    }
    *m_pValue = text;
}

void cEditCtrl::OnChange() {
    if (!m_pWnd) return;
    const std::string& t = m_pWnd->text;
    const int lines = static_cast<int>(std::count(t.begin(), t.end(), '\n')) + 1;
    const bool refused =
        (m_nMaxChars > 0 && Measure(t) > m_nMaxChars) || (m_nMaxLines > 0 && lines > m_nMaxLines);
    if (refused) {
        // The field gets back its last accepted text, with the caret it had before the change.
        const int start = m_pWnd->prevSelStart, end = m_pWnd->prevSelEnd;
        m_pWnd->text = m_strAccepted;
        m_pWnd->selStart = Boundary(m_pWnd->text, start);
        m_pWnd->selEnd = Boundary(m_pWnd->text, end);
        return;
    }
    m_strAccepted = t;
}

void cRadioCtrl::CopyIn() {
    if (m_pWnd && m_pValue) m_pWnd->checked = *m_pValue == m_nValue ? 1 : 0;
}

void cRadioCtrl::CopyBack() {
    if (m_pWnd && m_pValue && m_pWnd->checked) *m_pValue = m_nValue;
}

void cCheckCtrl::CopyIn() {
    if (m_pWnd && m_pFlag) m_pWnd->checked = *m_pFlag != 0 ? 1 : 0;
}

void cCheckCtrl::CopyBack() {
    if (m_pWnd && m_pFlag) *m_pFlag = m_pWnd->checked;
}

// ---- the dialog ----

cDialog::cDialog(DialogTemplate tpl) : m_Template(std::move(tpl)) {}

cDialog::~cDialog() {
    std::erase(g_OpenDialogs, this);
}

int cDialog::OpenCount() {
    return static_cast<int>(g_OpenDialogs.size());
}

cDialog* cDialog::Active() {
    return g_OpenDialogs.empty() ? nullptr : g_OpenDialogs.back();
}

int cDialog::RunModal(int flags) {
    if (m_hWnd) return 0;
    m_nResult = 0;
    m_Controls.clear();
    m_bModeless = 0;
    m_nRunFlags = flags;
    m_bEnded = false;
    m_bInitialised = false;
    m_Queue.clear();
    m_strComposition.clear();

    // The dialog window and its control windows, as the template lays them out.
    m_Widgets.clear();
    for (const ControlTemplate& c : m_Template.controls) {
        auto w = std::make_unique<cWidget>();
        w->id = c.id;
        w->type = c.type;
        w->text = c.text;
        w->style = c.style;
        w->rect =
            win::RECT{DluToPx(c.x), DluToPx(c.y), DluToPx(c.x) + DluToPx(c.w), DluToPx(c.y) + DluToPx(c.h)};
        m_Widgets.push_back(std::move(w));
    }
    m_strCaption = m_Template.caption;
    m_pFocus = nullptr;
    m_pPressed = nullptr;
    m_pSpacePressed = nullptr;
    m_hWnd = reinterpret_cast<win::HWND>(this);
    g_OpenDialogs.push_back(this);

    cDialogHost& host = g_pHost ? *g_pHost : WindowHost();
    host.Begin(*this);
    Send(WM_INITDIALOG, 0, 0);
    Pump();
    host.Show(*this);
    while (!m_bEnded) {
        win::UiEvent e;
        if (!host.Next(*this, e)) {
            // No more input will come: the dialog is closed.
            Send(win::WM_CLOSE, 0, 0);
            if (!m_bEnded) End(0);
            break;
        }
        Feed(e);
        Pump();
        host.Show(*this);
    }
    host.End(*this);
    Send(win::WM_DESTROY, 0, 0);
    std::erase(g_OpenDialogs, this);
    m_hWnd = nullptr;
    m_pFocus = nullptr;
    m_pPressed = nullptr;
    m_pSpacePressed = nullptr;
    m_Controls.clear();
    m_Widgets.clear();
    m_Queue.clear();
    m_pHookProp = nullptr;
    return m_nResult;
}

void cDialog::End(int result) {
    m_nResult = result;
    m_Controls.clear();
    m_bEnded = true;
}

void cDialog::Post(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    m_Queue.push_back(Traced{msg, wParam, lParam});
}

void cDialog::Pump() {
    while (!m_Queue.empty()) {
        const Traced m = m_Queue.front();
        m_Queue.pop_front();
        if (m_bEnded) continue; // the dialog is gone: its messages go with it
        Dispatch(m.msg, m.wParam, m.lParam);
    }
}

win::LRESULT cDialog::Send(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return Dispatch(msg, wParam, lParam);
}

win::LRESULT cDialog::Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    const win::LRESULT r = DialogProc(msg, wParam, lParam);
    if (msg == win::WM_DESTROY) return 1;
    if (msg == win::WM_CLOSE) {
        End(0);
        return 1;
    }
    return r != 0 ? 1 : 0;
}

win::LRESULT cDialog::DialogProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    m_Trace.push_back(Traced{msg, wParam, lParam});
    win::LRESULT r = HandleMessage(m_hWnd, msg, wParam, lParam);
    switch (msg) {
    case WM_INITDIALOG:
        OnInit(wParam, lParam);
        break;
    case WM_NOTIFY:
        for (cCtrl* c : m_Controls)
            if (c->m_nId == static_cast<int>(wParam)) return c->OnNotify(lParam);
        break;
    case win::WM_KEYDOWN: {
        const int vk = static_cast<int>(wParam);
        if (!m_bModeless) {
            const std::vector<cCtrl*> list = m_Controls;
            for (cCtrl* c : list)
                c->OnKey(vk, static_cast<win::DWORD>(lParam), cHook::CtrlHeld());
        }
        break;
    }
    default:
        break;
    }
    return r;
}

void cDialog::OnInit(win::WPARAM, win::LPARAM) {
    m_Controls.clear();
    // The window's own style and client size (a stored client size wins).
    m_dwStyle = m_Template.style;
    if (m_nClientW <= 0 || m_nClientH <= 0) {
        m_nClientW = DluToPx(m_Template.w);
        m_nClientH = DluToPx(m_Template.h);
    }
    RefreshGeometry();
    if (m_nReqLeft == NO_POSITION || m_nReqTop == NO_POSITION)
        CenterOnDesktop();
    else
        FitIntoWorkArea();
    if (!m_Hook.Install(this, m_bModeless)) ReportErrBox("KeyboardHookに失敗!");
    GetClientCursorPos(0, SAMPLE_HELD | SAMPLE_PRESSED | SAMPLE_RELEASED);
    for (auto& w : m_Widgets)
        if (w->IsTabStop() && Clickable(w.get())) {
            SetFocus(w.get());
            break;
        }
    m_bInitialised = true;
}

win::LRESULT cDialog::OnCommand(win::WPARAM wParam, win::LPARAM) {
    const int id = LowWord(wParam), code = HighWord(wParam);
    for (cCtrl* c : m_Controls) {
        if (c->m_nId != id || c->m_nKind < 2 || c->m_nKind > 8) continue;
        if (c->m_nKind == 2 || c->m_nKind == 3) {
            if (code == EN_UPDATE) {
                c->OnChange();
                break;
            }
            if (code == EN_KILLFOCUS) {
                c->OnKillFocus();
                break;
            }
        } else if (c->m_nKind == 7) {
            if (code == 1) {
                c->OnChange();
                break;
            }
        } else if (c->m_nKind == 8) {
            if (code == 1) {
                c->OnChange();
                break;
            }
            if (code == 5) {
                c->OnKillFocus();
                break;
            }
        }
    }
    RefreshLists();
    return 1;
}

void cDialog::RefreshLists() {
    for (cCtrl* c : m_Controls)
        if (c->m_nKind == 8) c->Redraw();
}

void cDialog::CopyIntoControls() {
    for (cCtrl* c : m_Controls)
        c->CopyIn();
}

void cDialog::CopyBackFromControls() {
    for (cCtrl* c : m_Controls)
        c->CopyBack();
}

bool cDialog::AddControl(cCtrl* ctrl, int id) {
    if (!ctrl || !ctrl->Attach(this, id)) return false;
    m_Controls.push_back(ctrl);
    return true;
}

cWidget* cDialog::GetDlgItem(int id) {
    for (auto& w : m_Widgets)
        if (w->id == id) return w.get();
    return nullptr;
}

void cDialog::SetFocus(cWidget* w) {
    if (w == m_pFocus) return;
    // Space let go over another control presses nothing.
    m_pSpacePressed = nullptr;
    if (m_pFocus && m_pFocus->type == WidgetType::Edit)
        Post(WM_COMMAND, MakeWParam(m_pFocus->id, EN_KILLFOCUS), reinterpret_cast<win::LPARAM>(m_pFocus));
    m_pFocus = w;
    m_strComposition.clear();
}

void cDialog::SetItemText(int id, const std::string& text) {
    if (cWidget* w = GetDlgItem(id)) {
        w->text = text;
        w->selStart = w->selEnd = 0;
    }
}

void cDialog::SetSel(int id, int start, int end) {
    cWidget* w = GetDlgItem(id);
    if (!w) return;
    const int n = static_cast<int>(w->text.size());
    w->selStart = Boundary(w->text, start < 0 ? n : start);
    w->selEnd = Boundary(w->text, end < 0 ? n : end);
}

win::RECT cDialog::WindowRect() const {
    return win::RECT{m_nLeft, m_nTop, m_nLeft + m_nWindowW, m_nTop + m_nWindowH};
}

win::RECT cDialog::CloseBox() const {
    if ((m_dwStyle & WS_CAPTION) != WS_CAPTION || !(m_dwStyle & WS_SYSMENU)) return win::RECT{};
    const int right = m_nWindowW - m_nFrameR - 2, top = SM_CYDLGFRAME + 2;
    return win::RECT{right - 16, top, right, top + SM_CYCAPTION - 4};
}

cWidget* cDialog::WidgetAt(int x, int y) {
    for (auto it = m_Widgets.rbegin(); it != m_Widgets.rend(); ++it) {
        cWidget* w = it->get();
        if (!w->visible || w->type == WidgetType::GroupBox) continue;
        if (x >= w->rect.left && x < w->rect.right && y >= w->rect.top && y < w->rect.bottom) return w;
    }
    return nullptr;
}

cWidget* cDialog::DefaultButton() {
    for (auto& w : m_Widgets)
        if (w->type == WidgetType::PushButton && (w->style & CS_DEFAULT) && w->enabled && w->visible)
            return w.get();
    return nullptr;
}

void cDialog::NotifyChange(cWidget* w) {
    Post(WM_COMMAND, MakeWParam(w->id, EN_UPDATE), reinterpret_cast<win::LPARAM>(w));
}

void cDialog::Click(cWidget* w) {
    if (!w || !w->enabled) return;
    switch (w->type) {
    case WidgetType::CheckBox:
        w->checked = w->checked ? 0 : 1;
        break;
    case WidgetType::RadioButton: {
        // The radio buttons of one group: neighbours in template order, up to the next group start.
        auto it = std::find_if(m_Widgets.begin(), m_Widgets.end(), [&](auto& p) { return p.get() == w; });
        auto first = it;
        while (first != m_Widgets.begin() && !((*first)->style & CS_GROUP) &&
               (*(first - 1))->type == WidgetType::RadioButton)
            --first;
        for (auto i = first; i != m_Widgets.end() && (*i)->type == WidgetType::RadioButton; ++i) {
            if (i != first && ((*i)->style & CS_GROUP)) break;
            (*i)->checked = 0;
        }
        w->checked = 1;
        break;
    }
    case WidgetType::PushButton:
        break;
    default:
        return;
    }
    Post(WM_COMMAND, MakeWParam(w->id, BN_CLICKED), reinterpret_cast<win::LPARAM>(w));
}

void cDialog::MoveFocus(bool backwards) {
    std::vector<cWidget*> stops;
    for (auto& w : m_Widgets)
        if (w->IsTabStop() && Clickable(w.get())) stops.push_back(w.get());
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), m_pFocus);
    std::size_t i = it == stops.end() ? 0 : static_cast<std::size_t>(it - stops.begin());
    if (it != stops.end()) i = backwards ? (i + stops.size() - 1) % stops.size() : (i + 1) % stops.size();
    SetFocus(stops[i]);
    if (stops[i]->type == WidgetType::Edit) SetSel(stops[i]->id, 0, -1);
}

void cDialog::KeyToFocus(const win::UiEvent& e) {
    if (Composing()) return; // the input method has the keys
    const int vk = e.vk;
    if (vk == win::VK_TAB) {
        MoveFocus(e.shift);
        return;
    }
    if (vk == win::VK_RETURN) {
        if (m_pFocus && m_pFocus->type == WidgetType::PushButton)
            Click(m_pFocus);
        else if (cWidget* d = DefaultButton())
            Click(d);
        else
            Post(WM_COMMAND, MakeWParam(IDOK, BN_CLICKED), 0);
        return;
    }
    if (vk == win::VK_ESCAPE) {
        Post(WM_COMMAND, MakeWParam(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    cWidget* w = m_pFocus;
    if (!w || !w->enabled) return;
    switch (w->type) {
    case WidgetType::PushButton:
    case WidgetType::CheckBox:
        // A button goes down with Space and acts when Space is let go, as it does for the mouse.
        if (vk == win::VK_SPACE && !e.repeat) m_pSpacePressed = w;
        break;
    case WidgetType::RadioButton: {
        if (vk == win::VK_SPACE) {
            if (!e.repeat) m_pSpacePressed = w;
            break;
        }
        const int step = (vk == win::VK_RIGHT || vk == win::VK_DOWN) ? 1
                         : (vk == win::VK_LEFT || vk == win::VK_UP)  ? -1
                                                                     : 0;
        if (!step) break;
        // The next radio button of the group, round.
        std::vector<cWidget*> group;
        auto it = std::find_if(m_Widgets.begin(), m_Widgets.end(), [&](auto& p) { return p.get() == w; });
        auto first = it;
        while (first != m_Widgets.begin() && !((*first)->style & CS_GROUP) &&
               (*(first - 1))->type == WidgetType::RadioButton)
            --first;
        for (auto i = first; i != m_Widgets.end() && (*i)->type == WidgetType::RadioButton; ++i) {
            if (i != first && ((*i)->style & CS_GROUP)) break;
            group.push_back(i->get());
        }
        const auto pos = std::find(group.begin(), group.end(), w) - group.begin();
        const int n = static_cast<int>(group.size());
        cWidget* next = group[static_cast<std::size_t>((pos + step + n) % n)];
        SetFocus(next);
        Click(next);
        break;
    }
    case WidgetType::Edit: {
        std::string& t = w->text;
        const int lo = std::min(w->selStart, w->selEnd), hi = std::max(w->selStart, w->selEnd);
        auto move = [&](int to) {
            w->selEnd = to;
            if (!e.shift) w->selStart = to;
        };
        auto erase = [&](int from, int to) {
            if (from >= to) return;
            w->prevSelStart = w->selStart;
            w->prevSelEnd = w->selEnd;
            t.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
            w->selStart = w->selEnd = from;
            NotifyChange(w);
        };
        switch (vk) {
        case win::VK_LEFT:
            move(!e.shift && lo != hi ? lo : PrevChar(t, w->selEnd));
            break;
        case win::VK_RIGHT:
            move(!e.shift && lo != hi ? hi : NextChar(t, w->selEnd));
            break;
        case win::VK_HOME:
            move(0);
            break;
        case win::VK_END:
            move(static_cast<int>(t.size()));
            break;
        case win::VK_BACK:
            erase(lo != hi ? lo : PrevChar(t, lo), hi);
            break;
        case win::VK_DELETE:
            erase(lo, lo != hi ? hi : NextChar(t, hi));
            break;
        default:
            if (e.ctrl && vk == 'A') SetSel(w->id, 0, -1);
            break;
        }
        break;
    }
    case WidgetType::ListBox: {
        const int n = static_cast<int>(w->items.size());
        if (n == 0) break;
        int sel = w->curSel;
        const int page = w->VisibleRows();
        switch (vk) {
        case win::VK_UP:
            sel = sel < 0 ? 0 : sel - 1;
            break;
        case win::VK_DOWN:
            sel = sel + 1;
            break;
        case win::VK_PRIOR:
            sel -= page;
            break;
        case win::VK_NEXT:
            sel = sel < 0 ? page - 1 : sel + page;
            break;
        case win::VK_HOME:
            sel = 0;
            break;
        case win::VK_END:
            sel = n - 1;
            break;
        case win::VK_BACK:
            // Backspace in a list of folders goes one folder up.
            Post(WM_COMMAND, MakeWParam(w->id, 3), reinterpret_cast<win::LPARAM>(w));
            return;
        default:
            return;
        }
        sel = std::clamp(sel, 0, n - 1);
        if (sel != w->curSel) {
            w->curSel = sel;
            if (sel < w->topIndex) w->topIndex = sel;
            if (sel >= w->topIndex + page) w->topIndex = sel - page + 1;
            Post(WM_COMMAND, MakeWParam(w->id, LBN_SELCHANGE), reinterpret_cast<win::LPARAM>(w));
        }
        break;
    }
    default:
        break;
    }
}

void cDialog::TextToFocus(const std::string& utf8) {
    cWidget* w = m_pFocus;
    if (!w || w->type != WidgetType::Edit || !w->enabled) return;
    // Committed text becomes the system's CP932 here; a character without a CP932 form is refused,
    // as are control characters in a one-line field.
    std::string add;
    for (const std::string& ch : SplitUtf8(utf8)) {
        if (ch.size() == 1 && static_cast<unsigned char>(ch[0]) < 0x20) continue;
        bool exact = false;
        const std::string sj = cp932::FromUtf8(ch, &exact);
        if (exact && !sj.empty()) add += sj;
    }
    if (add.empty()) return;
    const int lo = std::min(w->selStart, w->selEnd), hi = std::max(w->selStart, w->selEnd);
    w->prevSelStart = w->selStart;
    w->prevSelEnd = w->selEnd;
    w->text.replace(static_cast<std::size_t>(lo), static_cast<std::size_t>(hi - lo), add);
    w->selStart = w->selEnd = lo + static_cast<int>(add.size());
    NotifyChange(w);
}

void cDialog::SpaceUp() {
    cWidget* w = m_pSpacePressed;
    m_pSpacePressed = nullptr;
    if (w && w == m_pFocus && !Composing()) Click(w);
}

void cDialog::Feed(const win::UiEvent& e) {
    cDialog* active = Active() ? Active() : this;
    switch (e.kind) {
    case win::UiEvent::KeyDown:
        cHook::Proc(active, e.vk, KeyData(false, e.repeat), Composing());
        KeyToFocus(e);
        break;
    case win::UiEvent::KeyUp:
        cHook::Proc(active, e.vk, KeyData(true, false), Composing());
        if (e.vk == win::VK_SPACE) SpaceUp();
        break;
    case win::UiEvent::Text:
        m_strComposition.clear();
        TextToFocus(e.text);
        break;
    case win::UiEvent::Editing:
        m_strComposition = e.text;
        m_nCompositionCursor = e.cursor;
        break;
    case win::UiEvent::MouseMove:
        SetCursorFromMouse(e.x, e.y, true);
        break;
    case win::UiEvent::MouseLeave:
        SetCursorFromMouse(e.x, e.y, false);
        break;
    case win::UiEvent::MouseDown:
    case win::UiEvent::MouseUp: {
        SetCursorFromMouse(e.x, e.y, true);
        if (e.button != 1) break;
        const int wx = e.x - m_nLeft, wy = e.y - m_nTop;
        const win::RECT box = CloseBox();
        const bool onClose = wx >= box.left && wx < box.right && wy >= box.top && wy < box.bottom;
        cWidget* w = WidgetAt(wx - m_nFrameL, wy - m_nFrameT);
        if (e.kind == win::UiEvent::MouseDown) {
            m_pPressed = onClose ? nullptr : w;
            if (onClose) {
                Post(win::WM_CLOSE, 0, 0);
                break;
            }
            if (!w || !w->enabled || !Clickable(w)) break;
            SetFocus(w);
            if (w->type == WidgetType::Edit) {
                // The caret goes to the end on a click (the field is narrow).
                const int n = static_cast<int>(w->text.size());
                w->selStart = w->selEnd = n;
            } else if (w->type == WidgetType::ListBox) {
                const int row = (wy - m_nFrameT - w->rect.top - 2) / 16 + w->topIndex;
                if (row >= 0 && row < static_cast<int>(w->items.size())) {
                    if (row != w->curSel) {
                        w->curSel = row;
                        Post(WM_COMMAND, MakeWParam(w->id, LBN_SELCHANGE), reinterpret_cast<win::LPARAM>(w));
                    }
                    if (e.clicks >= 2)
                        Post(WM_COMMAND, MakeWParam(w->id, LBN_DBLCLK), reinterpret_cast<win::LPARAM>(w));
                }
            }
        } else {
            if (w && w == m_pPressed &&
                (w->type == WidgetType::PushButton || w->type == WidgetType::CheckBox ||
                 w->type == WidgetType::RadioButton))
                Click(w);
            m_pPressed = nullptr;
        }
        break;
    }
    case win::UiEvent::Close:
        Post(win::WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

// ---- hosts ----

void SetDialogHost(cDialogHost* host) {
    g_pHost = host;
}

cDialogHost* GetDialogHost() {
    return g_pHost;
}

cScriptHost& cScriptHost::Key(int vk, bool shift) {
    Step s;
    s.event.kind = win::UiEvent::KeyDown;
    s.event.vk = vk;
    s.event.shift = shift;
    m_Steps.push_back(s);
    return *this;
}

cScriptHost& cScriptHost::Text(const std::string& utf8) {
    Step s;
    s.event.kind = win::UiEvent::Text;
    s.event.text = utf8;
    m_Steps.push_back(s);
    return *this;
}

cScriptHost& cScriptHost::Compose(const std::string& utf8) {
    Step s;
    s.event.kind = win::UiEvent::Editing;
    s.event.text = utf8;
    m_Steps.push_back(s);
    return *this;
}

cScriptHost& cScriptHost::Click(int x, int y, int clicks) {
    Step s;
    s.event.kind = win::UiEvent::MouseDown;
    s.event.button = 1;
    s.event.x = x;
    s.event.y = y;
    s.event.clicks = clicks;
    m_Steps.push_back(s);
    return *this;
}

cScriptHost& cScriptHost::ClickItem(int id, int clicks) {
    Step s;
    s.event.kind = win::UiEvent::MouseDown;
    s.event.button = 1;
    s.event.clicks = clicks;
    s.clickId = id;
    m_Steps.push_back(s);
    return *this;
}

cScriptHost& cScriptHost::Close() {
    Step s;
    s.event.kind = win::UiEvent::Close;
    m_Steps.push_back(s);
    return *this;
}

cScriptHost& cScriptHost::WaitForClose() {
    Step s;
    s.waitForClose = true;
    m_Steps.push_back(s);
    return *this;
}

void cScriptHost::WaitForTheClose() {
    using Clock = std::chrono::steady_clock;
    // The play is held while the dialog is open: the frames the frame limit still allows pass at
    // the game's rate, and then the limit closes the program as it would have.
    unsigned limitMs = 0;
    const bool limited = TimeLeftBeforeFrameLimit(limitMs);
    const Clock::time_point limitAt = Clock::now() + std::chrono::milliseconds(limitMs);
    win::MSG m;
    for (;;) {
        // Requests sent by other threads are served meanwhile.
        win::PeekMessage(&m, nullptr, 0, 0, win::PM_NOREMOVE);
        if (win::IsAborting() ||
            win::PeekMessage(&m, nullptr, win::WM_CLOSE, win::WM_CLOSE, win::PM_NOREMOVE))
            return;
        // The game window's close box and the loss of the display, as for a dialog the user answers
        // (only when shown in the game window, from the window thread); its other input is not used.
        win::UiEvent e;
        bool closed = false;
        while (m_bPublish && !closed && win::PollUiEvent(e))
            closed = e.kind == win::UiEvent::Close;
        if (closed || (limited && Clock::now() >= limitAt)) {
            if (g_hWnd) win::PostMessage(g_hWnd, win::WM_CLOSE, 0, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

cScriptHost& cScriptHost::Do(std::function<void(cDialog&)> action) {
    Step s;
    s.action = std::move(action);
    m_Steps.push_back(s);
    return *this;
}

bool cScriptHost::Next(cDialog& dialog, win::UiEvent& e) {
    if (m_bPendingUp) {
        m_bPendingUp = false;
        e = m_Up;
        return true;
    }
    while (m_nNext < m_Steps.size()) {
        Step& s = m_Steps[m_nNext++];
        if (s.waitForClose) {
            // Said on standard error, as boxes answered without a display are, so that a script
            // knows when to close the program.
            std::fprintf(stderr, "[%s] waiting for the close\n", cp932::ToUtf8(dialog.Caption()).c_str());
            std::fflush(stderr);
            WaitForTheClose();
            return false;
        }
        if (s.action) {
            const auto action = s.action; // the action may add steps
            action(dialog);
            if (!dialog.IsOpen()) return false;
            continue;
        }
        e = s.event;
        if (s.clickId == CLICK_CLOSE_BOX) {
            const win::RECT r = dialog.WindowRect(), b = dialog.CloseBox();
            e.x = r.left + (b.left + b.right) / 2;
            e.y = r.top + (b.top + b.bottom) / 2;
        } else if (s.clickId) {
            cWidget* w = dialog.GetDlgItem(s.clickId);
            if (!w) continue;
            const win::RECT r = dialog.WindowRect();
            e.x = r.left + dialog.FrameLeft() + (w->rect.left + w->rect.right) / 2;
            e.y = r.top + dialog.FrameTop() + (w->rect.top + w->rect.bottom) / 2;
        }
        // Keys and clicks are pressed and released.
        if (e.kind == win::UiEvent::KeyDown || e.kind == win::UiEvent::MouseDown) {
            m_Up = e;
            m_Up.kind = e.kind == win::UiEvent::KeyDown ? win::UiEvent::KeyUp : win::UiEvent::MouseUp;
            m_bPendingUp = true;
        }
        return true;
    }
    return false;
}

bool ParseScript(const std::string& words, cScriptHost& host) {
    struct Name {
        const char* word;
        int vk;
        bool shift;
    };
    static constexpr Name kKeys[] = {
        {"enter", win::VK_RETURN, false}, {"tab", win::VK_TAB, false},       {"shift+tab", win::VK_TAB, true},
        {"space", win::VK_SPACE, false},  {"escape", win::VK_ESCAPE, false}, {"left", win::VK_LEFT, false},
        {"right", win::VK_RIGHT, false},  {"up", win::VK_UP, false},         {"down", win::VK_DOWN, false},
        {"back", win::VK_BACK, false},    {"delete", win::VK_DELETE, false}, {"home", win::VK_HOME, false},
        {"end", win::VK_END, false},      {"pgup", win::VK_PRIOR, false},    {"pgdn", win::VK_NEXT, false},
    };
    std::size_t i = 0;
    bool ok = true;
    while (i < words.size()) {
        while (i < words.size() && words[i] == ' ')
            ++i;
        std::size_t j = i;
        while (j < words.size() && words[j] != ' ')
            ++j;
        const std::string w = words.substr(i, j - i);
        i = j;
        if (w.empty()) continue;
        if (w.rfind("text:", 0) == 0) {
            host.Text(w.substr(5));
        } else if (w.rfind("compose:", 0) == 0) {
            host.Compose(w.substr(8));
        } else if (w == "click:close") {
            host.ClickItem(CLICK_CLOSE_BOX);
        } else if (w.rfind("click:", 0) == 0) {
            host.ClickItem(std::atoi(w.c_str() + 6));
        } else if (w == "close") {
            host.Close();
        } else if (w == "wait") {
            host.WaitForClose();
        } else {
            const Name* k =
                std::find_if(std::begin(kKeys), std::end(kKeys), [&](const Name& n) { return w == n.word; });
            if (k == std::end(kKeys)) {
                ok = false;
                continue;
            }
            host.Key(k->vk, k->shift);
        }
    }
    return ok;
}

} // namespace ui
