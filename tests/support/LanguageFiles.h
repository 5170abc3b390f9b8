#pragma once

// The English interface that the build makes (bin/english.db and bin/languages.xml), for window
// tests. A test program that includes this defines VORN_BIN_DIR.

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/KnownFolders.h"
#include "translation/Vocabrix.h"

#ifdef VORN_BIN_DIR
namespace vorn::test {

// Translation into English from the database the build makes, for the lifetime of the object.
class EnglishInterface {
public:
    EnglishInterface() {
        auto& storage = Localization::CVocabrix::Instance();
        storage.SetTranslateOn(true);
        storage.SelectLanguage(
            {"ENG", "English", (std::filesystem::path(VORN_BIN_DIR) / "english.db").wstring()});
    }
    ~EnglishInterface() {
        auto& storage = Localization::CVocabrix::Instance();
        storage.CleanUp();
        storage.SetTranslateOn(false);
    }
    EnglishInterface(const EnglishInterface&) = delete;
    EnglishInterface& operator=(const EnglishInterface&) = delete;
};

// The program finds its language catalogue beside its executable; for a test that is the test
// program's folder. The copies are removed again at the end.
class LanguageFilesBesideProgram {
public:
    LanguageFilesBesideProgram() {
        for (const char* name : {"languages.xml", "english.db"}) {
            const std::filesystem::path target = platform::ProgramFolder() / name;
            std::filesystem::copy_file(std::filesystem::path(VORN_BIN_DIR) / name, target,
                                       std::filesystem::copy_options::overwrite_existing);
            copied_.push_back(target);
        }
    }
    ~LanguageFilesBesideProgram() {
        for (const auto& file : copied_) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
    }
    LanguageFilesBesideProgram(const LanguageFilesBesideProgram&) = delete;
    LanguageFilesBesideProgram& operator=(const LanguageFilesBesideProgram&) = delete;

private:
    std::vector<std::filesystem::path> copied_;
};

}  // namespace vorn::test
#endif
