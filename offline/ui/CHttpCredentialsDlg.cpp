#include "offline/ui/CHttpCredentialsDlg.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ui/Translate.h"
#include "platform/ui/DialogButtons.h"

namespace vorn {

CHttpCredentialsDlg::CHttpCredentialsDlg(wxWindow* parent, bool proxy)
    : wxDialog(parent, wxID_ANY, Tr(L"Авторизация")) {
    auto* prompt =
        new wxStaticText(this, wxID_ANY,
                         proxy ? Tr(L"Прокси-сервер требует имя пользователя и пароль")
                               : Tr(L"Сервер обновлений требует имя пользователя и пароль"));
    user_ = new wxTextCtrl(this, kUserId);
    password_ = new wxTextCtrl(this, kPasswordId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxTE_PASSWORD);
    auto* grid = new wxFlexGridSizer(2, FromDIP(wxSize(8, 6)));
    grid->AddGrowableCol(1);
    grid->Add(new wxStaticText(this, wxID_ANY, Tr(L"Имя пользователя:")), 0,
              wxALIGN_CENTER_VERTICAL);
    grid->Add(user_, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, Tr(L"Пароль:")), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(password_, 1, wxEXPAND);

    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(prompt, 0, wxALL, FromDIP(10));
    column->Add(grid, 0, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(10));
    column->Add(platform::CreateOkCancelButtons(this, Tr(L"Отмена")), 0, wxEXPAND | wxALL,
                FromDIP(10));
    SetSizerAndFit(column);
    SetMinSize(wxSize(FromDIP(360), GetSize().y));
    Fit();
    user_->SetFocus();
}

wxString CHttpCredentialsDlg::User() const {
    return user_->GetValue();
}

wxString CHttpCredentialsDlg::Password() const {
    return password_->GetValue();
}

}  // namespace vorn
