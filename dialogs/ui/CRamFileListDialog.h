#pragma once

#include <string>

#include <wx/dialog.h>

class wxTextCtrl;

namespace vorn {

// Shows the list of files in a device's RAM as the agent reported it, in one line that the
// operator can scroll and copy from.
class CRamFileListDialog : public wxDialog {
public:
    enum Id : int { kListId = 1158 };

    explicit CRamFileListDialog(wxWindow* parent);

    void SetListText(const std::wstring& text);
    std::wstring ListText() const;

private:
    wxTextCtrl* edit_ = nullptr;
};

}  // namespace vorn
