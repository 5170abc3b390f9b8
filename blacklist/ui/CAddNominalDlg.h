#pragma once

#include <cstdint>
#include <string>

#include <wx/dialog.h>

#include "blacklist/BlackListEntryEditor.h"

class wxCheckBox;
class wxChoice;
class wxTextCtrl;

namespace vorn {

// Enters or edits a denomination: nominal, year and print version, each of which may be any,
// and a comment.
class CAddNominalDlg : public wxDialog {
public:
    static constexpr int kNominalId = 1123;
    static constexpr int kYearId = 1124;
    static constexpr int kVersionId = 1125;
    static constexpr int kAnyNominalId = 1127;
    static constexpr int kAnyYearId = 1128;
    static constexpr int kCommentId = 1005;
    // A year shown when the denomination has any year.
    static constexpr int kShownAnyYear = 1973;

    CAddNominalDlg(wxWindow* parent, std::uint32_t nominal, std::uint32_t year,
                   std::uint8_t version, const std::wstring& comment);

    // The values as typed and chosen, for the node to take after OK.
    blacklist::NominalEntry Entry() const;

private:
    void UpdateEnabled();
    void OnOk();
    void Refuse(const wchar_t* text);

    wxTextCtrl* nominal_ = nullptr;
    wxCheckBox* anyNominal_ = nullptr;
    wxTextCtrl* year_ = nullptr;
    wxCheckBox* anyYear_ = nullptr;
    wxChoice* version_ = nullptr;
    wxTextCtrl* comment_ = nullptr;
};

}  // namespace vorn
