#include "ui/file_dialog.h"

#include "app/sjis.h"
#include "app/system_ini.h"
#include "draw/draw.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "ui/dialog_route.h"
#include "ui/widget_draw.h"

#include <algorithm>
#include <cstring>

namespace ui {
namespace {

enum : int {
    IDC_FOLDER_LABEL = 1101,
    IDC_FOLDER = 1102,
    IDC_LIST = 1103,
    IDC_NAME_LABEL = 1104,
    IDC_NAME = 1105,
    IDC_TYPE_LABEL = 1106,
    IDC_TYPE = 1107,
    IDC_TEXT = 1200,
    IDC_YES = 6,
    IDC_NO = 7,
};

// The list box's own notification: Backspace asks for the folder above.
constexpr int LBN_UP = 3;

const char* Text(const char* english, const char* japanese) {
    return g_SystemIni.English ? english : japanese;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Where the last separator of a system path is (a 0x5C trail byte is no separator); npos for none.
std::size_t LastSeparator(const std::string& path) {
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < path.size();) {
        if (i + 1 < path.size() && IsSjisPair(path.c_str() + i)) {
            i += 2;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/') found = i;
        ++i;
    }
    return found;
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

// The folder above; the working folder's parent is reached through its absolute path.
std::string Parent(const std::string& folder) {
    std::string f = folder;
    if (f.empty() || f == ".\\") {
        if (!fsys::GetCurrentDirectory(f)) return folder;
        f = WithSeparator(f);
    }
    if (f == "\\" || f == "/") return f;
    f.pop_back();
    const std::size_t sep = LastSeparator(f);
    if (sep == std::string::npos) return "";
    return f.substr(0, sep + 1);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The end of the run of digits from `i`, and where its value starts (past its leading zeros).
std::size_t DigitRun(const std::string& s, std::size_t i, std::size_t& start) {
    std::size_t end = i;
    while (end < s.size() && IsDigit(s[end]))
        ++end;
    start = i;
    while (start + 1 < end && s[start] == '0')
        ++start;
    return end;
}

// The character at `i` as its list compares it: a double-byte character whole, a letter lower-case.
std::string Unit(const std::string& s, std::size_t i) {
    if (i + 1 < s.size() && IsSjisPair(s.c_str() + i)) return s.substr(i, 2);
    return std::string(1, Lower(s[i]));
}

// Names in the order the platform's file dialog lists them: letters whatever their case, a run of
// digits by its value (s1, s2, s10); -1, 0 or 1.
int CompareNames(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ia = 0, jb = 0;
            const std::size_t ie = DigitRun(a, i, ia), je = DigitRun(b, j, jb);
            if (ie - ia != je - jb) return ie - ia < je - jb ? -1 : 1;
            if (const int c = a.compare(ia, ie - ia, b, jb, je - jb)) return c < 0 ? -1 : 1;
            i = ie;
            j = je;
            continue;
        }
        const std::string x = Unit(a, i), y = Unit(b, j);
        if (x != y)
            return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                                [](char p, char q) {
                                                    return static_cast<unsigned char>(p) <
                                                           static_cast<unsigned char>(q);
                                                })
                       ? -1
                       : 1;
        i += x.size();
        j += y.size();
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}

// Names equal in that order ("a1", "A01") keep an order of their own bytes.
bool Less(const std::string& a, const std::string& b) {
    const int c = CompareNames(a, b);
    return c != 0 ? c < 0 : a < b;
}

// The filter's patterns: a pattern list as given, or a default-extension list ("stg4_*") made into
// patterns ("*.stg4_*").
std::vector<std::string> SplitPatterns(const std::string& list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        std::string p = list.substr(start, end - start);
        while (!p.empty() && p.front() == ' ')
            p.erase(p.begin());
        while (!p.empty() && p.back() == ' ')
            p.pop_back();
        if (!p.empty()) out.push_back(p.front() == '*' ? p : "*." + p);
        start = end + 1;
    }
    if (out.empty()) out.push_back("*");
    return out;
}

// A name saved without an extension takes the filter's first extension when that is a fixed one
// ("*.rpl4_732"), so that the file is listed by the same filter afterwards.
std::string WithDefaultExtension(const std::string& path, const std::vector<std::string>& patterns) {
    const std::size_t sep = LastSeparator(path);
    const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    if (name.empty() || name.find('.') != std::string::npos || patterns.empty()) return path;
    const std::string& first = patterns.front();
    if (first.size() < 3 || first.compare(0, 2, "*.") != 0 ||
        first.find_first_of("*?", 2) != std::string::npos)
        return path;
    return path + first.substr(1);
}

DialogTemplate ChooserTemplate(bool save, const std::string& title) {
    return DialogTemplate{
        0,
        240,
        200,
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
        title,
        {
            {IDC_FOLDER_LABEL, WidgetType::Static, Text("Folder:", "フォルダ:"), 7, 7, 60, 10, 0},
            {IDC_FOLDER, WidgetType::Static, "", 68, 7, 165, 10, 0},
            {IDC_LIST, WidgetType::ListBox, "", 7, 20, 226, 120, CS_TABSTOP},
            {IDC_NAME_LABEL, WidgetType::Static, Text("File name:", "ファイル名:"), 7, 148, 60, 10, 0},
            {IDC_NAME, WidgetType::Edit, "", 68, 145, 165, 14, CS_TABSTOP},
            {IDC_TYPE_LABEL, WidgetType::Static, Text("Files of type:", "ファイルの種類:"), 7, 165, 60, 10,
             0},
            {IDC_TYPE, WidgetType::Static, "", 68, 165, 165, 10, 0},
            {IDOK, WidgetType::PushButton, save ? Text("Save", "保存") : Text("Open", "開く"), 120, 180, 55,
             14, CS_TABSTOP | CS_DEFAULT},
            {IDCANCEL, WidgetType::PushButton, Text("Cancel", "キャンセル"), 178, 180, 55, 14, CS_TABSTOP},
        }};
}

class cMessageDialog : public cDialog {
  public:
    cMessageDialog(DialogTemplate tpl, bool yesNo) : cDialog(std::move(tpl)), m_bYesNo(yesNo) {
        SetWindowGeometry(0, 0, 0, 0, 640, 480, 0, false, 0, 0, 0, 0);
    }
    win::LRESULT OnCommand(win::WPARAM wParam, win::LPARAM lParam) override {
        cDialog::OnCommand(wParam, lParam);
        const int id = static_cast<int>(wParam & 0xFFFF);
        if (id == IDC_YES || id == IDC_NO || id == IDOK) End(id);
        if (id == IDCANCEL) End(m_bYesNo ? IDC_NO : IDOK);
        return 1;
    }

  private:
    bool m_bYesNo;
};

// Palette entry 0 is black while a dialog covers an 8-bit display.
class cPaletteCare {
  public:
    cPaletteCare() {
        m_bOn = (g_DDSettings.bInitialized || DDIsD3D()) && g_DDSettings.nBpp == 8 && g_lpDDCon &&
                g_lpDDCon->lpPalette;
        if (!m_bOn) return;
        const gfx::PALETTEENTRY black{};
        g_lpDDCon->lpPalette->SetEntries(0, 0, 1, &black);
    }
    ~cPaletteCare() {
        if (m_bOn && g_lpDDCon && g_lpDDCon->lpPalette)
            g_lpDDCon->lpPalette->SetEntries(0, 0, 1, &g_Palette[0]);
    }
    cPaletteCare(const cPaletteCare&) = delete;
    cPaletteCare& operator=(const cPaletteCare&) = delete;

  private:
    bool m_bOn = false;
};

bool Choose(bool save, char* result, std::size_t bufferSize, const char* initialFolder,
            const char* description, const char* title, const char* pattern) {
    if (!result || bufferSize == 0) return false;
    std::string answer;
    cDialogRoute route;
    std::string path;
    switch (route.Decide(answer)) {
    case Route::Answer:
        if (answer.empty() || answer == "cancel") return false;
        path = cp932::FromUtf8(answer);
        break;
    case Route::Default:
        return false;
    case Route::Widgets: {
        std::string folder = initialFolder ? initialFolder : "";
        // The default name may carry a folder of its own.
        std::string name = save ? std::string(result, strnlen(result, bufferSize)) : "";
        const std::size_t sep = LastSeparator(name);
        if (sep != std::string::npos) {
            if (fsys::IsDirectory(name.substr(0, sep + 1))) folder = name.substr(0, sep + 1);
            name = name.substr(sep + 1);
        }
        cPaletteCare care;
        cFileChooser chooser(save, title ? title : "", folder, description ? description : "",
                             pattern ? pattern : "", name, bufferSize);
        if (chooser.RunModal(0) != 1) return false;
        path = chooser.Path();
        break;
    }
    }
    if (save) path = WithDefaultExtension(path, SplitPatterns(pattern ? pattern : ""));
    if (path.size() + 1 > bufferSize) return false;
    std::memcpy(result, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    // Iterative wildcard match with one backtrack point.
    std::size_t n = 0, p = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

int AskInWindow(const std::string& text, const std::string& caption, bool yesNo) {
    // Sized to the text: one static line per line of text, buttons below.
    const std::vector<std::string> lines = DialogTextLines(text);
    const int widest = DialogTextWidth(lines);
    const int wDlu = std::clamp(widest * 2 / 3 + 20, yesNo ? 130 : 80, 400);
    const int hDlu = static_cast<int>(lines.size()) * 10 + 40;
    DialogTemplate tpl{0, wDlu, hDlu, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, caption, {}};
    for (std::size_t i = 0; i < lines.size(); ++i)
        tpl.controls.push_back({IDC_TEXT + static_cast<int>(i), WidgetType::Static, lines[i], 10,
                                8 + static_cast<int>(i) * 10, wDlu - 20, 10, 0});
    const int by = hDlu - 22;
    if (yesNo) {
        tpl.controls.push_back({IDC_YES, WidgetType::PushButton, Text("Yes", "はい"), wDlu / 2 - 55, by, 50,
                                14, CS_TABSTOP | CS_DEFAULT});
        tpl.controls.push_back(
            {IDC_NO, WidgetType::PushButton, Text("No", "いいえ"), wDlu / 2 + 5, by, 50, 14, CS_TABSTOP});
    } else {
        tpl.controls.push_back(
            {IDOK, WidgetType::PushButton, "OK", wDlu / 2 - 25, by, 50, 14, CS_TABSTOP | CS_DEFAULT});
    }
    cMessageDialog box(std::move(tpl), yesNo);
    const int r = box.RunModal(0);
    if (r == 0) return yesNo ? IDC_NO : IDOK;
    return r;
}

cFileChooser::cFileChooser(bool save, const std::string& title, const std::string& folder,
                           const std::string& description, const std::string& patterns,
                           const std::string& name, std::size_t maxPath)
    : cDialog(ChooserTemplate(save, title)), m_bSave(save), m_strFolder(WithSeparator(folder)),
      m_strDescription(description), m_Patterns(SplitPatterns(patterns)), m_strName(name),
      m_NameCtrl(&m_strName, maxPath > 1 ? static_cast<int>(maxPath - 1) : 1, false, 1) {
    SetWindowGeometry(0, 0, 100, 100, 640, 480, 0, false, 0, 0, 0, 0);
}

void cFileChooser::OnInit(win::WPARAM wParam, win::LPARAM lParam) {
    cDialog::OnInit(wParam, lParam);
    AddControl(&m_NameCtrl, IDC_NAME);
    CopyIntoControls();
    SetItemText(IDC_TYPE, m_strDescription);
    Fill();
    // Typing starts in the name field (the default name selected, so that typing replaces it);
    // Tab reaches the list.
    SetFocus(GetDlgItem(IDC_NAME));
    SetSel(IDC_NAME, 0, -1);
}

void cFileChooser::Fill() {
    m_Entries.clear();
    std::vector<std::string> names;
    const std::string listed = m_strFolder.empty() ? "." : m_strFolder;
    fsys::ListFolder(listed, names);
    std::vector<Entry> folders, files;
    for (const std::string& u : names) {
        bool exact = false;
        const std::string n = cp932::FromUtf8(u, &exact);
        if (!exact || n.empty() || n[0] == '.') continue; // unreachable by a system path, or hidden
        if (fsys::IsTempFileName(u) || fsys::IsKeptFileName(u)) continue; // a save in progress or cut off
        if (fsys::IsDirectory(m_strFolder + n)) {
            folders.push_back(Entry{n, true});
        } else if (std::any_of(m_Patterns.begin(), m_Patterns.end(),
                               [&](const std::string& p) { return MatchesPattern(n, p); })) {
            files.push_back(Entry{n, false});
        }
    }
    auto byName = [](const Entry& a, const Entry& b) { return Less(a.name, b.name); };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    if (m_strFolder != "\\" && m_strFolder != "/") m_Entries.push_back(Entry{"..", true});
    m_Entries.insert(m_Entries.end(), folders.begin(), folders.end());
    m_Entries.insert(m_Entries.end(), files.begin(), files.end());

    cWidget* list = GetDlgItem(IDC_LIST);
    list->items.clear();
    for (const Entry& e : m_Entries)
        list->items.push_back(e.folder ? "[" + e.name + "]" : e.name);
    list->curSel = -1;
    list->topIndex = 0;
    SetItemText(IDC_FOLDER, m_strFolder.empty() ? ".\\" : m_strFolder);
}

void cFileChooser::Enter(const std::string& folderName) {
    m_strFolder = folderName == ".." ? Parent(m_strFolder) : m_strFolder + folderName + "\\";
    Fill();
}

void cFileChooser::Accept() {
    CopyBackFromControls();
    cWidget* list = GetDlgItem(IDC_LIST);
    if (m_strName.empty()) {
        // Nothing typed: a chosen folder is opened.
        if (list->curSel >= 0 && m_Entries[static_cast<std::size_t>(list->curSel)].folder)
            Enter(m_Entries[static_cast<std::size_t>(list->curSel)].name);
        return;
    }
    const std::string full = fsys::IsAbsolute(m_strName) ? m_strName : m_strFolder + m_strName;
    if (m_strName == ".." || fsys::IsDirectory(full)) {
        m_strFolder = m_strName == ".." ? Parent(m_strFolder) : WithSeparator(full);
        m_strName.clear();
        CopyIntoControls();
        Fill();
        return;
    }
    const std::string caption = Caption();
    const std::string target = m_bSave ? WithDefaultExtension(full, m_Patterns) : full;
    if (!m_bSave && !fsys::IsFile(full)) {
        AskInWindow(m_strName + Text("\nFile not found.", "\nファイルが見つかりません。"), caption, false);
        return;
    }
    if (m_bSave && fsys::Exists(target) &&
        AskInWindow(
            WithDefaultExtension(m_strName, m_Patterns) +
                Text(" already exists.\nDo you want to replace it?", " は既に存在します。\n上書きしますか？"),
            caption, true) != IDC_YES)
        return;
    m_strPath = target;
    End(1);
}

win::LRESULT cFileChooser::OnCommand(win::WPARAM wParam, win::LPARAM lParam) {
    cDialog::OnCommand(wParam, lParam);
    const int id = static_cast<int>(wParam & 0xFFFF), code = static_cast<int>((wParam >> 16) & 0xFFFF);
    cWidget* list = GetDlgItem(IDC_LIST);
    switch (id) {
    case IDOK:
        Accept();
        break;
    case IDCANCEL:
        End(0);
        break;
    case IDC_LIST: {
        if (code == LBN_UP) {
            Enter("..");
            break;
        }
        if (list->curSel < 0 || list->curSel >= static_cast<int>(m_Entries.size())) break;
        const Entry e = m_Entries[static_cast<std::size_t>(list->curSel)];
        if (code == LBN_SELCHANGE && !e.folder) {
            m_strName = e.name;
            CopyIntoControls();
        } else if (code == LBN_DBLCLK) {
            if (e.folder) {
                Enter(e.name);
            } else {
                m_strName = e.name;
                CopyIntoControls();
                Accept();
            }
        }
        break;
    }
    default:
        break;
    }
    return 1;
}

} // namespace ui

bool OpenFileDialog(win::HWND, char* result, std::size_t bufferSize, const char* initialFolder,
                    const char* filterDescription, const char* title, const char* pattern) {
    return ui::Choose(false, result, bufferSize, initialFolder, filterDescription, title, pattern);
}

bool SaveFileDialog(win::HWND, char* result, std::size_t bufferSize, const char* initialFolder,
                    const char* filterDescription, const char* title, const char* pattern) {
    return ui::Choose(true, result, bufferSize, initialFolder, filterDescription, title, pattern);
}
