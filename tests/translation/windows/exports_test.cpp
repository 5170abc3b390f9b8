#include "platform/windows/WindowsApi.h"

#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>

namespace {

std::string Demangled(const char* name) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> text(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), &std::free);
    return status == 0 && text ? std::string(text.get()) : std::string(name);
}

// The names in the export table of Vocabrix.dll as the loader mapped it.
std::set<std::string> ExportedNames() {
    HMODULE library = ::LoadLibraryW(VOCABRIX_FILE);
    if (library == nullptr) {
        ADD_FAILURE() << "cannot load " << VOCABRIX_FILE << ": error " << ::GetLastError();
        return {};
    }
    const auto* base = reinterpret_cast<const unsigned char*>(library);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::set<std::string> names;
    if (entry.VirtualAddress != 0) {
        const auto* exports =
            reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
        const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
            names.insert(Demangled(reinterpret_cast<const char*>(base + nameOffsets[i])));
        }
    }
    ::FreeLibrary(library);
    return names;
}

TEST(VocabrixExportsTest, OnlyTheStorageClassIsExported) {
    const std::set<std::string> names = ExportedNames();
    ASSERT_FALSE(names.empty());
    const std::string prefix = "Localization::CVocabrix::";
    std::set<std::string> members;
    for (const std::string& name : names) {
        EXPECT_EQ(name.rfind(prefix, 0), 0u) << "unexpected export: " << name;
        members.insert(name.substr(0, name.find('(')));
    }
    for (const char* member : {"Instance", "SelectLanguage", "GetCurrentLanguage", "SetTranslateOn",
                               "TranslateString", "CleanUp", "FlushUntranslated"}) {
        EXPECT_EQ(members.count(prefix + member), 1u) << member << " is not exported";
    }
}

}  // namespace
