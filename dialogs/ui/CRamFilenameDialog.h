#pragma once

#include <string>

#include <wx/dialog.h>

class wxTextCtrl;

namespace vorn {

// Asks for the name of a file in a device's RAM, for fetching or deleting it. It offers the
// name entered last (profile "History"/"LastRamFilename", for either command) and remembers the
// new one on OK; Cancel leaves the profile as it was.
class CRamFilenameDialog : public wxDialog {
public:
    enum Id : int { kPromptId = 1154, kFileNameId = 1155 };

    // prompt: translated text shown above the field.
    CRamFilenameDialog(const std::wstring& prompt, wxWindow* parent);

    const std::wstring& FileName() const { return fileName_; }

private:
    void OnOK();

    std::wstring fileName_;
    wxTextCtrl* edit_ = nullptr;
};

}  // namespace vorn
