#include "platform/ui/ModalQuestions.h"

#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

namespace vorn::platform {

namespace {

// The path a test hook gave the file picker it answered. GTK's picker reports no path before
// it has been shown, so the answer is carried beside it.
const wxDialog* g_answeredDialog = nullptr;
wxString g_answeredPath;

}  // namespace

int AskMessage(wxWindow* parent, const wxString& text, const wxString& caption, long style) {
    wxMessageDialog dialog(parent, text, caption, style);
    return dialog.ShowModal();
}

std::optional<wxString> AskFile(wxWindow* parent, const FileQuestion& question) {
    long style = question.save ? wxFD_SAVE : wxFD_OPEN | wxFD_FILE_MUST_EXIST;
    if (question.save && question.overwritePrompt) {
        style |= wxFD_OVERWRITE_PROMPT;
    }
    wxFileDialog dialog(parent, question.title.empty() ? wxFileSelectorPromptStr : question.title,
                        question.directory, question.fileName, question.wildcard, style);
    g_answeredDialog = nullptr;
    const int result = dialog.ShowModal();
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
    if (question.save && !question.defaultExtension.empty() && wxFileName(path).GetExt().empty()) {
        path += "." + question.defaultExtension;
    }
    return path;
}

std::optional<wxString> AskFolder(wxWindow* parent, const wxString& title,
                                  const wxString& directory) {
    wxDirDialog dialog(parent, title, directory, wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    g_answeredDialog = nullptr;
    const int result = dialog.ShowModal();
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

int RunModal(wxDialog& dialog) {
    return dialog.ShowModal();
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
