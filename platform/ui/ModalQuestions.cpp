#include "platform/ui/ModalQuestions.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/stockitem.h>
// After wx/msgdlg.h, which declares its base class.
#include <wx/generic/msgdlgg.h>
#include <wx/tokenzr.h>
#include <wx/utils.h>

namespace vorn::platform {

namespace {

// The path a test hook gave the file picker it answered. GTK's picker reports no path before
// it has been shown, so the answer is carried beside it.
const wxDialog* g_answeredDialog = nullptr;
wxString g_answeredPath;

// The modal windows open at this moment, innermost last, and whether new ones are refused.
// UI thread only.
std::vector<wxDialog*> g_open;
bool g_closed = false;

void EndInnermost() {
    if (!g_open.empty() && g_open.back()->IsModal()) {
        g_open.back()->EndModal(wxID_CANCEL);
    }
}

// Keeps a dialog in the list while its loop runs. When the questions were closed meanwhile,
// the next outer one ends as soon as this one has: each loop is left from inside itself.
class OpenQuestion {
public:
    explicit OpenQuestion(wxDialog& dialog) : dialog_(dialog) { g_open.push_back(&dialog); }
    ~OpenQuestion() {
        g_open.erase(std::remove(g_open.begin(), g_open.end(), &dialog_), g_open.end());
        if (g_closed) {
            EndInnermost();
        }
    }
    OpenQuestion(const OpenQuestion&) = delete;
    OpenQuestion& operator=(const OpenQuestion&) = delete;

private:
    wxDialog& dialog_;
};

// "A|*.a|B|*.b||" leaves an empty description and pattern at the end, which GTK's picker shows
// as a filter with no name that matches nothing.
wxString WithoutEmptyFilters(const wxString& wildcard) {
    wxArrayString parts = wxStringTokenize(wildcard, "|", wxTOKEN_RET_EMPTY_ALL);
    wxString result;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) {
            continue;
        }
        if (!result.empty()) {
            result << "|";
        }
        result << parts[i] << "|" << parts[i + 1];
    }
    return parts.size() == 1 ? wildcard : result;
}

// GTK draws a button whose label is the stock one with GTK's own text, which follows the
// system's language rather than the interface's; the toolkit's translated label is put over it.
void RelabelStockButtons(wxWindow& window) {
    for (wxWindow* child : window.GetChildren()) {
        auto* button = dynamic_cast<wxButton*>(child);
        if (button != nullptr && wxIsStockID(button->GetId()) &&
            wxIsStockLabel(button->GetId(), button->GetLabel())) {
            button->SetLabelMarkup(wxGetStockLabel(button->GetId()));
        } else {
            RelabelStockButtons(*child);
        }
    }
}

}  // namespace

int AskMessage(wxWindow* parent, const wxString& text, const wxString& caption, long style) {
    if (g_closed) {
        return wxID_CANCEL;
    }
    // The generic box, because GTK's own runs a loop of its own that nobody else can end.
    wxGenericMessageDialog dialog(parent, text, caption, style);
    // Its buttons exist only once it is shown.
    dialog.Bind(wxEVT_SHOW, [&dialog](wxShowEvent& event) {
        event.Skip();
        if (event.IsShown()) {
            RelabelStockButtons(dialog);
        }
    });
    OpenQuestion open(dialog);
    return dialog.ShowModal();
}

namespace {

// Runs a file or folder picker: the path a test hook queued for it, else the one chosen;
// nothing when cancelled.
template <class Picker>
std::optional<wxString> RunPicker(Picker& dialog) {
    g_answeredDialog = nullptr;
    int result = wxID_CANCEL;
    {
        OpenQuestion open(dialog);
        result = dialog.ShowModal();
    }
    wxString path;
    if (g_answeredDialog == &dialog) {
        path = g_answeredPath;
    } else if (result == wxID_OK) {
        path = dialog.GetPath();
    }
    g_answeredDialog = nullptr;
    if (result != wxID_OK || path.empty()) {
        return std::nullopt;
    }
    return path;
}

// Pickers open where the operator's files are: the folder asked for, else the folder of the
// file name given, else the home folder; never the working directory the program was started in.
wxString StartFolder(const wxString& directory, const wxString& fileName) {
    if (!directory.empty() && wxFileName::DirExists(directory)) {
        return directory;
    }
    const wxFileName file(fileName);
    if (file.IsAbsolute() && wxFileName::DirExists(file.GetPath())) {
        return file.GetPath();
    }
    return wxGetHomeDir();
}

}  // namespace

std::optional<wxString> AskFile(wxWindow* parent, const FileQuestion& question) {
    if (g_closed) {
        return std::nullopt;
    }
    long style = question.save ? wxFD_SAVE : wxFD_OPEN | wxFD_FILE_MUST_EXIST;
    if (question.save && question.overwritePrompt) {
        style |= wxFD_OVERWRITE_PROMPT;
    }
    // The toolkit's default caption, in the interface's language.
    wxFileDialog dialog(
        parent, question.title.empty() ? wxGetTranslation(wxFileSelectorPromptStr) : question.title,
        StartFolder(question.directory, question.fileName),
        wxFileName(question.fileName).GetFullName(), WithoutEmptyFilters(question.wildcard), style);
    std::optional<wxString> path = RunPicker(dialog);
    if (!path) {
        return std::nullopt;
    }
    if (question.save && !question.defaultExtension.empty() && wxFileName(*path).GetExt().empty()) {
        *path += "." + question.defaultExtension;
    }
    return path;
}

std::optional<wxString> AskFolder(wxWindow* parent, const wxString& title,
                                  const wxString& directory) {
    if (g_closed) {
        return std::nullopt;
    }
    wxDirDialog dialog(parent, title, StartFolder(directory, wxString()),
                       wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    return RunPicker(dialog);
}

int RunModal(wxDialog& dialog) {
    if (g_closed) {
        return wxID_CANCEL;
    }
    RelabelStockButtons(dialog);
    OpenQuestion open(dialog);
    return dialog.ShowModal();
}

std::size_t OpenModalQuestions() {
    return g_open.size();
}

void CloseModalQuestions() {
    g_closed = true;
    EndInnermost();
}

void ReopenModalQuestions() {
    g_closed = false;
}

bool ModalQuestionsClosed() {
    return g_closed;
}

ModalAnswers::ModalAnswers() {
    Register();
}

ModalAnswers::~ModalAnswers() {
    Unregister();
}

void ModalAnswers::Answer(int result, const wxString& path) {
    queue_.push_back({result, path});
}

void ModalAnswers::SetHandler(std::function<int(wxDialog&)> handler) {
    handler_ = std::move(handler);
}

int ModalAnswers::Enter(wxDialog* dialog) {
    AskedQuestion asked;
    if (auto* message = dynamic_cast<wxMessageDialogBase*>(dialog)) {
        asked.kind = AskedQuestion::Kind::Message;
        asked.text = message->GetMessage();
        asked.caption = message->GetTitle();
        asked.style = message->GetMessageDialogStyle();
    } else if (auto* file = dynamic_cast<wxFileDialogBase*>(dialog)) {
        asked.kind = AskedQuestion::Kind::File;
        asked.text = file->GetMessage();
        asked.wildcard = file->GetWildcard();
        asked.directory = file->GetDirectory();
        asked.fileName = file->GetFilename();
    } else if (auto* folder = dynamic_cast<wxDirDialogBase*>(dialog)) {
        asked.kind = AskedQuestion::Kind::File;
        asked.text = folder->GetMessage();
        asked.directory = folder->GetPath();
    } else {
        asked.text = dialog->GetTitle();
    }
    int result = wxID_CANCEL;
    if (!queue_.empty()) {
        result = queue_.front().result;
        if (asked.kind == AskedQuestion::Kind::File) {
            g_answeredDialog = dialog;
            g_answeredPath = queue_.front().path;
        }
        queue_.pop_front();
    } else if (handler_) {
        result = handler_(*dialog);
    }
    asked.answer = result;
    asked_.push_back(asked);
    return result;
}

void ModalAnswers::Exit(wxDialog*) {}

}  // namespace vorn::platform
