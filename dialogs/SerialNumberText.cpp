#include "dialogs/SerialNumberText.h"

namespace vorn {

std::wstring SerialNumberText(std::wstring_view text) {
    std::wstring digits;
    for (const wchar_t c : text) {
        if (c >= L'0' && c <= L'9' && digits.size() < kSerialNumberLength) {
            digits += c;
        }
    }
    return digits;
}

}  // namespace vorn
