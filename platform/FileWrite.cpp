#include "platform/FileWrite.h"

namespace vorn::platform {

bool IsReplacementLeftover(std::string_view entryName, std::string_view fileName) {
    // "." + name + "." + six characters of mkstemp's alphabet.
    constexpr std::size_t kSuffix = 6;
    if (entryName.size() != fileName.size() + 2 + kSuffix || entryName.front() != '.' ||
        entryName.substr(1, fileName.size()) != fileName || entryName[fileName.size() + 1] != '.') {
        return false;
    }
    for (const char c : entryName.substr(fileName.size() + 2)) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            return false;
        }
    }
    return true;
}

}  // namespace vorn::platform
