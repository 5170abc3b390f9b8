#pragma once

// The three small registry functions of the settings store. Each call opens the key, does its
// one read or write and is done: nothing is cached, so a value changed by the agent is seen at
// the next read.

#include <string>

#include "platform/RegistryStore.h"

namespace vorn {

using platform::RegistryRoot;

// The key the program shares with the agent service.
inline constexpr const wchar_t* kAgentKey = L"Software\\Quorin\\Zelt\\AgentZelt";

// Key paths may be written with doubled backslashes; every doubled backslash counts as one.
std::wstring NormaliseKeyPath(std::wstring_view keyPath);

// True when the value was read; `out` is then the value's text up to its first NUL, else empty.
// Any value type is accepted (double words read as decimal text).
bool RegReadString(std::wstring_view keyPath, std::wstring_view valueName, std::wstring& out,
                   RegistryRoot root = RegistryRoot::CurrentUser);

// Creates the key when needed and stores the text as a string value. False on failure, when
// the old value stays.
bool RegWriteString(std::wstring_view keyPath, std::wstring_view valueName, const wchar_t* value,
                    RegistryRoot root = RegistryRoot::CurrentUser);

// As RegReadString, with 8-bit text in the character set of the current locale.
bool RegReadStringA(std::string_view keyPath, std::string_view valueName, std::string& out,
                    RegistryRoot root = RegistryRoot::CurrentUser);

}  // namespace vorn
