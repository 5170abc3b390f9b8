#pragma once

#include <string>

#include <wx/dialog.h>

class wxTextCtrl;

namespace vorn {

// Address and port of the update server the program itself talks HTTP to. Reads them from the
// application profile when it is made and stores them there itself on OK, unchecked: an empty
// address is stored too, and a port that is no number is 0. Cancel stores nothing.
class CServerParams : public wxDialog {
public:
    enum Id : int { kAddressId = 1102, kPortId = 1103 };

    explicit CServerParams(wxWindow* parent);

    const std::wstring& Address() const { return address_; }
    int Port() const { return port_; }

private:
    void OnOK();

    std::wstring address_;
    int port_ = 0;
    wxTextCtrl* addressEdit_ = nullptr;
    wxTextCtrl* portEdit_ = nullptr;
};

}  // namespace vorn
