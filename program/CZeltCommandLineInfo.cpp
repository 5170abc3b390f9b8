#include "program/CZeltCommandLineInfo.h"

#include <string>

namespace vorn {

void CZeltCommandLineInfo::ParseParam(const wchar_t* param, bool /*isFlag*/, bool /*isLast*/) {
    if (param == nullptr) {
        return;
    }
    // ASCII upper case only: a locale's case rules (a dotless i, say) must not turn some other
    // word into the switch.
    std::wstring upper(param);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    if (upper.find(L"ENABLE_OTHERS") != std::wstring::npos) {
        otherDevicesEnabled_ = true;
    }
}

void ParseCommandLine(int argc, const wchar_t* const* argv, CZeltCommandLineInfo& info) {
    for (int i = 1; i < argc; ++i) {
        const wchar_t* token = argv[i];
        if (token == nullptr) {
            continue;
        }
        bool isFlag = token[0] == L'-' || token[0] == L'/';
        info.ParseParam(isFlag ? token + 1 : token, isFlag, i == argc - 1);
    }
}

}  // namespace vorn
