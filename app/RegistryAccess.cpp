#include "app/RegistryAccess.h"

#include "platform/TextConversion.h"

namespace vorn {

namespace {

std::string NormaliseNarrow(std::string_view keyPath) {
    std::string out;
    out.reserve(keyPath.size());
    for (std::size_t i = 0; i < keyPath.size(); ++i) {
        out.push_back(keyPath[i]);
        if (keyPath[i] == '\\' && i + 1 < keyPath.size() && keyPath[i + 1] == '\\') {
            ++i;
        }
    }
    return out;
}

std::optional<std::string> ReadUtf8(std::string_view keyPath, std::string_view valueName,
                                    RegistryRoot root) {
    platform::RegistryStore store(root);
    auto text = store.ReadString(NormaliseNarrow(keyPath), valueName);
    if (text) {
        text->erase(std::min(text->size(), text->find('\0')));
    }
    return text;
}

}  // namespace

std::wstring NormaliseKeyPath(std::wstring_view keyPath) {
    std::wstring out;
    out.reserve(keyPath.size());
    for (std::size_t i = 0; i < keyPath.size(); ++i) {
        out.push_back(keyPath[i]);
        if (keyPath[i] == L'\\' && i + 1 < keyPath.size() && keyPath[i + 1] == L'\\') {
            ++i;
        }
    }
    return out;
}

bool RegReadString(std::wstring_view keyPath, std::wstring_view valueName, std::wstring& out,
                   RegistryRoot root) {
    out.clear();
    auto text = ReadUtf8(platform::WideToUtf8(NormaliseKeyPath(keyPath)),
                         platform::WideToUtf8(valueName), root);
    if (!text) {
        return false;
    }
    out = platform::Utf8ToWide(*text);
    return true;
}

bool RegWriteString(std::wstring_view keyPath, std::wstring_view valueName, const wchar_t* value,
                    RegistryRoot root) {
    if (value == nullptr) {
        return false;
    }
    platform::RegistryStore store(root);
    return store.WriteString(platform::WideToUtf8(NormaliseKeyPath(keyPath)),
                             platform::WideToUtf8(valueName), platform::WideToUtf8(value));
}

bool RegReadStringA(std::string_view keyPath, std::string_view valueName, std::string& out,
                    RegistryRoot root) {
    out.clear();
    auto text = ReadUtf8(keyPath, valueName, root);
    if (!text) {
        return false;
    }
    out = platform::WideToLocale(platform::Utf8ToWide(*text));
    return true;
}

}  // namespace vorn
