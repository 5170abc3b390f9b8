#pragma once

#include "blacklist/ui/ValueEntryDialog.h"

namespace vorn {

// Enters or edits a currency: its name and a comment. A comment alone is accepted.
class CAddCurrency : public ValueEntryDialog {
public:
    CAddCurrency(wxWindow* parent, const std::wstring& name, const std::wstring& comment);

private:
    bool ValueFits(const std::wstring& value) const override;
};

}  // namespace vorn
