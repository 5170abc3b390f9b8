#include "dialogs/ui/CSerialNoDialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ui/WindowLanguage.h"
#include "dialogs/SerialNumberText.h"

namespace vorn {

CSerialNoDialog::CSerialNoDialog(wxWindow* parent) : wxDialog(parent, wxID_ANY, "Serial No") {
    auto* prompt = new wxStaticText(
        this, wxID_ANY,
        L"Пожалуйста, введите серийный номер прибора. Он есть на обратной стороне прибора.");
    edit_ = new wxTextCtrl(this, kSerialId, wxEmptyString);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    ApplyLanguageToWindow(this);

    // Template 165: 251 dialog units wide, the prompt over 237 of them.
    const int width = ConvertDialogToPixels(wxSize(237, 0)).x;
    prompt->Wrap(width);
    edit_->SetMinSize(wxSize(ConvertDialogToPixels(wxSize(125, 0)).x, -1));

    const int gap = FromDIP(8);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(ok, 0, wxRIGHT, gap);
    buttons->Add(cancel);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(prompt, 0, wxALL, gap);
    top->Add(edit_, 0, wxALIGN_CENTER_HORIZONTAL | wxLEFT | wxRIGHT, gap);
    top->Add(buttons, 0, wxALIGN_RIGHT | wxALL, gap);
    SetSizer(top);
    SetMinSize(wxSize(width + 2 * gap, -1));
    Fit();
    ok->SetDefault();
    edit_->SetFocus();
    CentreOnParent();

    edit_->Bind(wxEVT_CHAR, &CSerialNoDialog::OnChar, this);
    edit_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { OnText(); });
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
}

void CSerialNoDialog::OnChar(wxKeyEvent& event) {
    const wxChar c = event.GetUnicodeKey();
    // Editing and moving keys pass; of the printable ones only digits, and only while there is
    // room for one more or a selection to replace.
    if (c == WXK_NONE || c < WXK_SPACE || c == WXK_DELETE || event.HasModifiers()) {
        event.Skip();
        return;
    }
    long from = 0;
    long to = 0;
    edit_->GetSelection(&from, &to);
    const bool room = edit_->GetValue().length() < kSerialNumberLength || from != to;
    if (c >= '0' && c <= '9' && room) {
        event.Skip();
    }
}

void CSerialNoDialog::OnText() {
    // Pasted text gets the same treatment as typed text.
    const std::wstring text = edit_->GetValue().ToStdWstring();
    const std::wstring kept = SerialNumberText(text);
    if (kept != text) {
        edit_->ChangeValue(kept);
        edit_->SetInsertionPointEnd();
    }
}

void CSerialNoDialog::OnOK() {
    serial_ = SerialNumberText(edit_->GetValue().ToStdWstring());
    SetReturnCode(wxID_OK);
    EndDialog(wxID_OK);
}

}  // namespace vorn
