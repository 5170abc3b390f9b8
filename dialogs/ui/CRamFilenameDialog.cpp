#include "dialogs/ui/CRamFilenameDialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/AppProfile.h"
#include "app/ui/WindowLanguage.h"
#include "platform/ui/DialogButtons.h"

namespace vorn {

CRamFilenameDialog::CRamFilenameDialog(const std::wstring& prompt, wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Select RAM File Name"), fileName_(GetLastRamFilename()) {
    auto* promptText = new wxStaticText(this, kPromptId, "Enter the RAM File Name");
    edit_ = new wxTextCtrl(this, kFileNameId, wxEmptyString);
    auto* buttons = platform::CreateOkCancelButtons(this);
    ApplyLanguageToWindow(this);

    // Template 163: the prompt and the field are 295 dialog units wide.
    const int width = ConvertDialogToPixels(wxSize(295, 0)).x;
    // The prompt comes translated; shown as it is, without access keys.
    promptText->SetLabelText(prompt);
    promptText->Wrap(width);
    edit_->ChangeValue(fileName_);
    edit_->SetMinSize(wxSize(width, -1));

    const int gap = FromDIP(8);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(promptText, 0, wxALL, gap);
    top->AddSpacer(gap);
    top->Add(edit_, 0, wxEXPAND | wxLEFT | wxRIGHT, gap);
    top->Add(buttons, 0, wxEXPAND | wxALL, gap);
    SetSizerAndFit(top);
    edit_->SetFocus();
    edit_->SelectAll();
    CentreOnParent();

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
}

void CRamFilenameDialog::OnOK() {
    fileName_ = edit_->GetValue().ToStdWstring();
    SetLastRamFilename(fileName_);
    SetReturnCode(wxID_OK);
    EndDialog(wxID_OK);
}

}  // namespace vorn
