#include "dialogs/ui/CSerialNoDialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ui/WindowLanguage.h"
#include "dialogs/SerialNumberText.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/DigitsOnly.h"

namespace vorn {

CSerialNoDialog::CSerialNoDialog(wxWindow* parent) : wxDialog(parent, wxID_ANY, "Serial No") {
    auto* prompt = new wxStaticText(
        this, wxID_ANY,
        L"Пожалуйста, введите серийный номер прибора. Он есть на обратной стороне прибора.");
    edit_ = new wxTextCtrl(this, kSerialId, wxEmptyString);
    auto* buttons = platform::CreateOkCancelButtons(this);
    ApplyLanguageToWindow(this);

    // Template 165: 251 dialog units wide, the prompt over 237 of them.
    const int width = ConvertDialogToPixels(wxSize(237, 0)).x;
    prompt->Wrap(width);
    edit_->SetMinSize(wxSize(ConvertDialogToPixels(wxSize(125, 0)).x, -1));

    const int gap = FromDIP(8);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(prompt, 0, wxALL, gap);
    top->Add(edit_, 0, wxALIGN_CENTER_HORIZONTAL | wxLEFT | wxRIGHT, gap);
    top->Add(buttons, 0, wxEXPAND | wxALL, gap);
    SetSizer(top);
    SetMinSize(wxSize(width + 2 * gap, -1));
    Fit();
    edit_->SetFocus();
    CentreOnParent();

    platform::AcceptDigitsOnly(edit_, kSerialNumberLength, platform::PastedText::DigitsOnly);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
}

void CSerialNoDialog::OnOK() {
    serial_ = SerialNumberText(edit_->GetValue().ToStdWstring());
    SetReturnCode(wxID_OK);
    EndDialog(wxID_OK);
}

}  // namespace vorn
