#include "dialogs/ui/CRamFileListDialog.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/display.h>
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

    // Template 164: the list is 503 dialog units wide, but never wider than most of the screen
    // (this toolkit's dialog units are larger than the ones the width was made for).
    edit_->SetMinSize(wxSize(std::min(ConvertDialogToPixels(wxSize(503, 0)).x,
                                      wxDisplay(this).GetClientArea().width * 9 / 10),
                             -1));
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
