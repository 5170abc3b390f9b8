#include "blacklist/ui/AddSubString.h"

#include "blacklist/Composer.h"
#include "platform/TextConversion.h"

namespace vorn {

AddSubString::AddSubString(wxWindow* parent, const std::wstring& text, const std::wstring& comment)
    : ValueEntryDialog(parent,
                       {"Add/Edit Serial Number",
                        L"Пожалуйста, введите серийный номер банкноты или его часть. Часть "
                        L"серийного номера должна содержать несколько последних цифр "
                        L"серийного номера",
                        1138, L"Серийный Номер:", 1139, 1140, L"Введите строку",
                        L"Слишком длинный серийный номер"},
                       text, comment) {}

bool AddSubString::ValueFits(const std::wstring& value) const {
    return platform::WideToUtf16(value).size() <= blacklist::kMaxSubUnits;
}

}  // namespace vorn
