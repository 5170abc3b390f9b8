#include "dialogs/ui/CRamFileListDialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "app/ui/WindowLanguage.h"
#include "platform/ui/DialogButtons.h"

namespace vorn {

CRamFileListDialog::CRamFileListDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Ram File List", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    edit_ = new wxTextCtrl(this, kListId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                           wxTE_READONLY);
    auto* buttons = platform::CreateOkCancelButtons(this);
    ApplyLanguageToWindow(this);

    // Template 164: the list is 503 dialog units wide.
    edit_->SetMinSize(wxSize(ConvertDialogToPixels(wxSize(503, 0)).x, -1));
    const int gap = FromDIP(8);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(edit_, 0, wxEXPAND | wxALL, gap);
    top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    SetSizerAndFit(top);
    FindWindow(wxID_OK)->SetFocus();
    CentreOnParent();
}

void CRamFileListDialog::SetListText(const std::wstring& text) {
    edit_->ChangeValue(text);
}

std::wstring CRamFileListDialog::ListText() const {
    return edit_->GetValue().ToStdWstring();
}

}  // namespace vorn
