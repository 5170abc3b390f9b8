#include "dialogs/ui/CServerParams.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/AgentSettings.h"
#include "app/AppProfile.h"
#include "app/ui/WindowLanguage.h"
#include "platform/ui/DialogButtons.h"

namespace vorn {

CServerParams::CServerParams(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, L"Параметры подключения..."),
      address_(GetHttpServerName()),
      port_(GetHttpServerPort()) {
    auto* addressLabel = new wxStaticText(this, wxID_ANY, L"Адрес сервера:", wxDefaultPosition,
                                          wxDefaultSize, wxALIGN_RIGHT);
    addressEdit_ = new wxTextCtrl(this, kAddressId, wxEmptyString);
    auto* portLabel =
        new wxStaticText(this, wxID_ANY, L"Порт:", wxDefaultPosition, wxDefaultSize, wxALIGN_RIGHT);
    portEdit_ = new wxTextCtrl(this, kPortId, wxEmptyString);
    auto* buttons = platform::CreateOkCancelButtons(this);
    ApplyLanguageToWindow(this);

    addressEdit_->ChangeValue(address_);
    portEdit_->ChangeValue(std::to_wstring(port_));

    const int gap = FromDIP(8);
    auto* fields = new wxFlexGridSizer(2, gap, gap);
    fields->AddGrowableCol(1);
    fields->Add(addressLabel, 0, wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT);
    fields->Add(addressEdit_, 1, wxEXPAND);
    fields->Add(portLabel, 0, wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT);
    fields->Add(portEdit_, 1, wxEXPAND);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(fields, 1, wxEXPAND | wxALL, gap);
    top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    SetSizer(top);
    // Template 154 is 310 dialog units wide.
    SetMinSize(wxSize(ConvertDialogToPixels(wxSize(310, 0)).x, -1));
    Fit();
    CentreOnParent();

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
}

void CServerParams::OnOK() {
    address_ = addressEdit_->GetValue().ToStdWstring();
    port_ = DecimalPrefix(portEdit_->GetValue().ToStdWstring());
    SetHttpServerName(address_);
    SetHttpServerPort(port_);
    SetReturnCode(wxID_OK);
    EndDialog(wxID_OK);
}

}  // namespace vorn
