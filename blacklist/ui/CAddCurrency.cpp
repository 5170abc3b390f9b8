#include "blacklist/ui/CAddCurrency.h"

#include "blacklist/Composer.h"
#include "platform/TextConversion.h"

namespace vorn {

CAddCurrency::CAddCurrency(wxWindow* parent, const std::wstring& name, const std::wstring& comment)
    : ValueEntryDialog(parent,
                       {"Add/Edit Currency", nullptr, wxID_ANY, L"Валюта:", 1141, 1142,
                        L"Введите имя валюты", L"Слишком длинное имя валюты"},
                       name, comment) {}

bool CAddCurrency::ValueFits(const std::wstring& value) const {
    return platform::WideToUtf8(value).size() <= blacklist::kMaxCurrencyBytes;
}

}  // namespace vorn
