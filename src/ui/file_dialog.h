// Open and save file dialogs: a chooser drawn in the game window, listing the folders and the files
// that match the filter of a folder (patterns may hold wildcards inside the extension, as
// "*.stg4_*;*.rpl4_*"), with a name field. The open dialog takes only an existing file; the save
// dialog asks before replacing a file. A name saved without an extension takes the filter's first
// extension when that is a fixed one ("*.rpl4_732"); open names are taken as typed.
// Paths are system paths (CP932, backslashes), relative to the working folder unless absolute.
//
// Scripted answers (ui/dialog_route.h): a path (UTF-8) chooses that file, "cancel" cancels; without
// a display and without an answer the dialog is cancelled.
//
// While a dialog is shown over an 8-bit display, palette entry 0 is black (the dialog's text and
// frame colours must not take the game's colour 0); the palette's own colour comes back after it.
#pragma once

#include "platform/win_types.h"
#include "ui/dialog.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ui {

class cFileChooser : public cDialog {
  public:
    struct Entry {
        std::string name; // CP932
        bool folder;
    };
    // `patterns`: ';'-separated wildcard patterns; `name`: the name offered in the field.
    cFileChooser(bool save, const std::string& title, const std::string& folder,
                 const std::string& description, const std::string& patterns, const std::string& name,
                 std::size_t maxPath);
    void OnInit(win::WPARAM wParam, win::LPARAM lParam) override;
    win::LRESULT OnCommand(win::WPARAM wParam, win::LPARAM lParam) override;

    // The chosen path once the dialog ended with 1.
    const std::string& Path() const { return m_strPath; }
    const std::string& Folder() const { return m_strFolder; }
    const std::vector<Entry>& Entries() const { return m_Entries; }

  private:
    void Fill();
    void Enter(const std::string& folderName);
    void Accept();
    bool m_bSave;
    std::string m_strFolder; // ends with a backslash, or empty for the working folder
    std::string m_strDescription;
    std::vector<std::string> m_Patterns;
    std::string m_strName;
    std::string m_strPath;
    std::vector<Entry> m_Entries;
    cEditCtrl m_NameCtrl;
};

// A question or notice in the game window: OK, or Yes and No. Returns IDOK, IDYES or IDNO (closing
// answers IDNO, or IDOK for a notice).
int AskInWindow(const std::string& text, const std::string& caption, bool yesNo);

// Whether a file name matches a wildcard pattern ('*' any run, '?' one character), ignoring the case
// of ASCII letters.
bool MatchesPattern(const std::string& name, const std::string& pattern);

} // namespace ui

// Fills `result` (bufferSize bytes, CP932) with the chosen path; false when cancelled or when the
// chosen path does not fit the buffer. `pattern` is the filter's pattern list or its default extension
// ("stg4_*;rpl4_*": each becomes "*.stg4_*" ...).
bool OpenFileDialog(win::HWND owner, char* result, std::size_t bufferSize, const char* initialFolder,
                    const char* filterDescription, const char* title, const char* pattern);
// As OpenFileDialog; `result` holds the default file name on entry.
bool SaveFileDialog(win::HWND owner, char* result, std::size_t bufferSize, const char* initialFolder,
                    const char* filterDescription, const char* title, const char* pattern);
