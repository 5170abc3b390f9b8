#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include <wx/modalhook.h>
#include <wx/string.h>

class wxDialog;
class wxWindow;

namespace vorn::platform {

// Every message box, file picker and sub-dialog of the program is run through these functions,
// so that there is one place where modal questions are asked and a test can answer them.

// A message box. Returns the button id (wxID_OK, wxID_CANCEL, wxID_YES, wxID_NO).
int AskMessage(wxWindow* parent, const wxString& text, const wxString& caption, long style);

struct FileQuestion {
    bool save = false;
    wxString title;
    wxString directory;
    wxString fileName;
    wxString defaultExtension;  // without the dot; added to a saved name that has none
    wxString wildcard;          // wxWidgets form: "Text (*.txt)|*.txt|All (*.*)|*.*"
    bool overwritePrompt = false;
};

// A file picker. It opens in `directory` when that exists, else in the folder of an absolute
// `fileName`, else in the home folder. Returns the chosen full path, or nothing when the
// operator cancelled.
std::optional<wxString> AskFile(wxWindow* parent, const FileQuestion& question);

// A folder picker starting at `directory`, or the home folder when that does not exist. Returns the
// chosen folder, or nothing when the operator cancelled.
std::optional<wxString> AskFolder(wxWindow* parent, const wxString& title,
                                  const wxString& directory);

// Any other modal dialog.
int RunModal(wxDialog& dialog);

// How many of the questions above are open at this moment (nested ones count each).
std::size_t OpenModalQuestions();
// Ends every open question with wxID_CANCEL, innermost first, and answers every later one with
// wxID_CANCEL (or no file) without showing it: the program is ending. UI thread only.
void CloseModalQuestions();
// Questions are shown again (a new main window).
void ReopenModalQuestions();
bool ModalQuestionsClosed();

// What a test hook saw of one modal question.
struct AskedQuestion {
    enum class Kind { Message, File, Dialog };
    Kind kind = Kind::Dialog;
    wxString text;       // message text; the title of a file picker or dialog
    wxString caption;    // message box caption
    long style = 0;      // message box style
    wxString wildcard;   // file picker
    wxString directory;  // file or folder picker
    wxString fileName;   // file picker
    int answer = 0;
};

// Test hook: while it exists, every modal dialog is answered from its queue instead of being
// shown. A file picker answered with OK takes the queued path. With nothing queued, the
// handler decides (it may fill the dialog); without a handler the answer is wxID_CANCEL, so a
// test never waits for an operator.
class ModalAnswers : public wxModalDialogHook {
public:
    ModalAnswers();
    ~ModalAnswers() override;

    void Answer(int result, const wxString& path = wxString());
    void SetHandler(std::function<int(wxDialog&)> handler);

    const std::vector<AskedQuestion>& asked() const { return asked_; }
    void ClearAsked() { asked_.clear(); }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    struct Queued {
        int result;
        wxString path;
    };
    std::deque<Queued> queue_;
    std::function<int(wxDialog&)> handler_;
    std::vector<AskedQuestion> asked_;
};

}  // namespace vorn::platform
