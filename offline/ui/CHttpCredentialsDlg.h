#pragma once

#include <wx/dialog.h>

class wxTextCtrl;

namespace vorn {

// Asks for the user name and password that the update server (or a proxy on the way) wants.
class CHttpCredentialsDlg : public wxDialog {
public:
    enum Id : int { kUserId = 1201, kPasswordId = 1202 };

    CHttpCredentialsDlg(wxWindow* parent, bool proxy);

    wxString User() const;
    wxString Password() const;

private:
    wxTextCtrl* user_ = nullptr;
    wxTextCtrl* password_ = nullptr;
};

}  // namespace vorn
