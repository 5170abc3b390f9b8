#pragma once

#include <string>

#include <wx/dialog.h>

class wxTextCtrl;

namespace vorn {

// Asks for a device's serial number for the set-serial-number command: digits only, at most six
// of them, whether typed or pasted.
class CSerialNoDialog : public wxDialog {
public:
    enum Id : int { kSerialId = 1169 };

    explicit CSerialNoDialog(wxWindow* parent);

    // The number entered; valid after OK.
    const std::wstring& SerialNumber() const { return serial_; }

private:
    void OnOK();

    std::wstring serial_;
    wxTextCtrl* edit_ = nullptr;
};

}  // namespace vorn
