#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

// Lines of `nm -D --defined-only -C` for the library as built.
std::string DynamicSymbols() {
    const std::string command = std::string("nm -D --defined-only -C '") + VOCABRIX_FILE + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string out;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        out.append(buffer, n);
    }
    EXPECT_EQ(pclose(pipe), 0);
    return out;
}

TEST(VocabrixExportsTest, OnlyTheStorageClassIsExported) {
    const std::string symbols = DynamicSymbols();
    ASSERT_FALSE(symbols.empty());
    // What the toolchain puts in every shared object.
    const std::set<std::string> toolchain = {"_init", "_fini", "_edata", "_end", "__bss_start"};
    const std::string prefix = "Localization::CVocabrix::";
    std::set<std::string> exported;
    std::istringstream lines(symbols);
    std::string line;
    while (std::getline(lines, line)) {
        // "<address> <type> <name>"
        const std::size_t space = line.find(' ');
        if (space == std::string::npos || line.size() < space + 3) {
            continue;
        }
        const std::string name = line.substr(space + 3);
        if (name.empty() || toolchain.count(name) != 0) {
            continue;
        }
        EXPECT_EQ(name.rfind(prefix, 0), 0u) << "unexpected export: " << line;
        exported.insert(name.substr(0, name.find('(')));
    }
    for (const char* member : {"Instance", "SelectLanguage", "GetCurrentLanguage", "SetTranslateOn",
                               "TranslateString", "CleanUp", "FlushUntranslated"}) {
        EXPECT_EQ(exported.count(prefix + member), 1u) << member << " is not exported";
    }
}

}  // namespace
