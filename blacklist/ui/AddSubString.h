#pragma once

#include "blacklist/ui/ValueEntryDialog.h"

namespace vorn {

// Enters or edits a serial number or the last part of one, with a comment.
class AddSubString : public ValueEntryDialog {
public:
    AddSubString(wxWindow* parent, const std::wstring& text, const std::wstring& comment);

private:
    bool ValueFits(const std::wstring& value) const override;
};

}  // namespace vorn
