// The English interface covers every Russian text in the program's sources, and the database
// built from it is the one the program finds beside itself.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "LanguageTestSupport.h"
#include "app/LanguageCatalogue.h"
#include "platform/TextConversion.h"
#include "support/TestEnvironment.h"
#include "tools/make-language-db/TranslationSource.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = VORN_SOURCE_DIR;
const fs::path kBinDir = VORN_BIN_DIR;

bool HasCyrillic(const std::string& utf8) {
    // Cyrillic letters are U+0400..U+04FF: lead bytes 0xD0..0xD3.
    for (char c : utf8) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0xD0 && b <= 0xD3) {
            return true;
        }
    }
    return false;
}

// The string literals of a C++ source, adjacent literals joined as the compiler joins them,
// escapes decoded. Comments, character literals and raw strings are stepped over.
std::vector<std::string> StringLiterals(const std::string& code) {
    std::vector<std::string> result;
    bool joinNext = false;
    std::size_t i = 0;
    auto skipSpaceAndComments = [&](std::size_t p) {
        while (p < code.size()) {
            if (std::isspace(static_cast<unsigned char>(code[p]))) {
                ++p;
            } else if (code.compare(p, 2, "//") == 0) {
                p = code.find('\n', p);
                p = p == std::string::npos ? code.size() : p;
            } else if (code.compare(p, 2, "/*") == 0) {
                p = code.find("*/", p + 2);
                p = p == std::string::npos ? code.size() : p + 2;
            } else {
                break;
            }
        }
        return p;
    };
    while (i < code.size()) {
        std::size_t next = skipSpaceAndComments(i);
        if (next != i) {
            i = next;
            continue;
        }
        char c = code[i];
        bool identifierBefore =
            i > 0 && (std::isalnum(static_cast<unsigned char>(code[i - 1])) || code[i - 1] == '_');
        if (c == '\'' && !identifierBefore) {
            for (++i; i < code.size() && code[i] != '\''; ++i) {
                i += code[i] == '\\' ? 1 : 0;
            }
            ++i;
            joinNext = false;
            continue;
        }
        if (c == 'R' && i + 1 < code.size() && code[i + 1] == '"') {
            std::size_t open = code.find('(', i);
            std::string delimiter = ")" + code.substr(i + 2, open - i - 2) + "\"";
            std::size_t close = code.find(delimiter, open);
            i = close == std::string::npos ? code.size() : close + delimiter.size();
            joinNext = false;
            continue;
        }
        if (c != '"') {
            // Prefixes L, u8, u, U belong to the literal that follows.
            if (!((c == 'L' || c == 'u' || c == 'U' || c == '8') && i + 1 < code.size() &&
                  (code[i + 1] == '"' || code[i + 1] == '8'))) {
                joinNext = false;
            }
            ++i;
            continue;
        }
        std::string text;
        for (++i; i < code.size() && code[i] != '"'; ++i) {
            if (code[i] != '\\' || i + 1 >= code.size()) {
                text.push_back(code[i]);
                continue;
            }
            char e = code[++i];
            switch (e) {
                case 'n':
                    text.push_back('\n');
                    break;
                case 't':
                    text.push_back('\t');
                    break;
                case 'r':
                    text.push_back('\r');
                    break;
                case 'u':
                case 'U': {
                    std::size_t digits = e == 'u' ? 4 : 8;
                    text += vorn::platform::WideToUtf8(std::wstring(
                        1,
                        static_cast<wchar_t>(std::stoul(code.substr(i + 1, digits), nullptr, 16))));
                    i += digits;
                    break;
                }
                default:
                    text.push_back(e);
            }
        }
        ++i;
        if (joinNext && !result.empty()) {
            result.back() += text;
        } else {
            result.push_back(text);
        }
        joinNext = true;
    }
    return result;
}

tools::TranslationSource EnglishSource() {
    return tools::ParseTranslationSource(
        test::ReadFileBytes(kSourceDir / "resources" / "translations" / "english.tsv"));
}

TEST(EnglishTranslationTest, SourceIsWellFormed) {
    auto source = EnglishSource();
    for (const auto& error : source.errors) {
        ADD_FAILURE() << error;
    }
    EXPECT_GT(source.pairs.size(), 100u);
}

TEST(EnglishTranslationTest, EveryRussianTextOfTheProgramHasAnEnglishEntry) {
    std::set<std::string> translated;
    for (const auto& pair : EnglishSource().pairs) {
        translated.insert(pair.source);
    }
    // Everything that is part of the program; tests, tools and the build are not.
    const std::set<std::string> skipped = {"tests",     "tools",   "bench", "build",
                                           "resources", "scripts", "cmake", "translation"};
    int files = 0;
    for (const auto& top : fs::directory_iterator(kSourceDir)) {
        std::string name = top.path().filename().string();
        if (!top.is_directory() || name.starts_with(".") || name.starts_with("build") ||
            skipped.count(name) != 0) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(top.path())) {
            auto ext = entry.path().extension();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) {
                continue;
            }
            ++files;
            for (const auto& literal : StringLiterals(test::ReadFileBytes(entry.path()))) {
                if (HasCyrillic(literal)) {
                    EXPECT_TRUE(translated.count(literal) != 0)
                        << fs::relative(entry.path(), kSourceDir).string() << ": \"" << literal
                        << "\" has no English entry in resources/translations/english.tsv";
                }
            }
        }
    }
    EXPECT_GT(files, 0);
}

TEST(EnglishTranslationTest, EveryFixedMessageOfTheSimulatorHasAnEnglishEntry) {
    // The window shows the agent's status messages translated; a message with a device's name or
    // a file name in it cannot have one entry, so only the fixed ones are held to it.
    std::set<std::string> translated;
    for (const auto& pair : EnglishSource().pairs) {
        translated.insert(pair.source);
    }
    const std::string key = "message=\"";
    int messages = 0;
    for (const auto& entry : fs::directory_iterator(kSourceDir / "tools" / "agent-sim")) {
        if (entry.path().extension() != ".cpp") {
            continue;
        }
        for (const auto& literal : StringLiterals(test::ReadFileBytes(entry.path()))) {
            for (auto at = literal.find(key); at != std::string::npos;
                 at = literal.find(key, at + 1)) {
                const auto start = at + key.size();
                const std::string text = literal.substr(start, literal.find('"', start) - start);
                if (!HasCyrillic(text) || text.find('{') != std::string::npos) {
                    continue;
                }
                ++messages;
                EXPECT_TRUE(translated.count(text) != 0)
                    << entry.path().filename().string() << ": \"" << text
                    << "\" has no English entry in resources/translations/english.tsv";
            }
        }
    }
    EXPECT_GT(messages, 0);
}

TEST(EnglishTranslationTest, LiteralScannerJoinsAndSkipsLikeTheCompiler) {
    auto literals = StringLiterals(
        "// L\"Комментарий\"\n"
        "/* \"Блок\" */ f(L\"Для \" L\"всех\\tи\\n\", 'x', '\"');\n"
        "auto r = R\"x(Сырой \" текст)x\"; g(L\"\\u0416\");\n");
    ASSERT_EQ(literals.size(), 2u);
    EXPECT_EQ(literals[0], "Для всех\tи\n");
    EXPECT_EQ(literals[1], "Ж");
}

TEST(EnglishTranslationTest, ProgramFindsAndUsesTheBuiltDatabase) {
    test::ResetTranslationStorage();
    LanguageCatalogue catalogue(kBinDir);
    auto english = catalogue.Find("ENG");
    ASSERT_TRUE(english) << "no ENG entry in " << (kBinDir / "languages.xml");
    EXPECT_EQ(english->name, "English");
    EXPECT_EQ(english->file_path, (kBinDir / "english.db").wstring());

    auto& storage = Localization::CVocabrix::Instance();
    storage.SetTranslateOn(true);
    catalogue.SelectLanguage("ENG");
    std::pair<std::string, std::string> current;
    storage.GetCurrentLanguage(current);
    EXPECT_EQ(current.first, "ENG");
    EXPECT_STREQ(storage.TranslateString(L"Обновить все"), L"Update all");
    EXPECT_STREQ(storage.TranslateString(L" Любая версия (*)"), L" Any version (*)");
    test::ResetTranslationStorage();
}

}  // namespace
}  // namespace vorn
