// Builds a language database and the language catalogue from a translation source:
//
//   make-language-db SOURCE.tsv ID NAME DATABASE CATALOGUE
//
// DATABASE gets one table named ID with the pairs of SOURCE; CATALOGUE ("languages.xml") lists
// the language with DATABASE's file name, relative to the catalogue's folder. Both files are
// written beside their final names and renamed into place, so a failed run leaves no half file.

#include <sqlite3.h>
#include <tinyxml2.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>

#include "platform/PathText.h"
#include "tools/make-language-db/TranslationSource.h"

namespace {

bool IsPlainId(const std::string& id) {
    if (id.empty()) {
        return false;
    }
    for (char c : id) {
        bool ok =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool WriteDatabase(const std::filesystem::path& file, const std::string& id,
                   const std::vector<vorn::tools::TranslationPair>& pairs) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    sqlite3* db = nullptr;
    if (sqlite3_open(vorn::platform::PathToUtf8(file).c_str(), &db) != SQLITE_OK) {
        std::cerr << "cannot create " << file << ": " << sqlite3_errmsg(db) << "\n";
        sqlite3_close(db);
        return false;
    }
    auto exec = [&](const std::string& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            std::cerr << file << ": " << (message != nullptr ? message : "error") << "\n";
            sqlite3_free(message);
            return false;
        }
        return true;
    };
    bool ok = exec("BEGIN") &&
              exec("CREATE TABLE \"" + id + "\" (source TEXT NOT NULL, destination TEXT NOT NULL)");
    sqlite3_stmt* insert = nullptr;
    std::string sql = "INSERT INTO \"" + id + "\" (source, destination) VALUES (?, ?)";
    ok = ok && sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr) == SQLITE_OK;
    for (const auto& pair : pairs) {
        if (!ok) {
            break;
        }
        sqlite3_bind_text(insert, 1, pair.source.data(), static_cast<int>(pair.source.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, pair.translation.data(),
                          static_cast<int>(pair.translation.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && exec("COMMIT");
    ok = (sqlite3_close(db) == SQLITE_OK) && ok;
    return ok;
}

bool WriteCatalogue(const std::filesystem::path& file, const std::string& id,
                    const std::string& name, const std::string& databaseName) {
    tinyxml2::XMLDocument document;
    document.InsertEndChild(document.NewDeclaration());
    auto* languages = document.NewElement("languages");
    document.InsertEndChild(languages);
    auto* language = document.NewElement("language");
    language->SetAttribute("id", id.c_str());
    language->SetAttribute("name", name.c_str());
    language->SetAttribute("file_path", databaseName.c_str());
    languages->InsertEndChild(language);
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(printer.CStr(), static_cast<std::streamsize>(printer.CStrSize() - 1));
    return static_cast<bool>(out.flush());
}

std::filesystem::path Temporary(const std::filesystem::path& file) {
    // Unique enough for two builds that write the same output folder at once.
    return file.parent_path() /
           ("." + file.filename().string() + "." + std::to_string(std::random_device{}()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::cerr << "usage: make-language-db SOURCE.tsv ID NAME DATABASE CATALOGUE\n";
        return 2;
    }
    const std::filesystem::path sourceFile = argv[1];
    const std::string id = argv[2];
    const std::string name = argv[3];
    const std::filesystem::path database = argv[4];
    const std::filesystem::path catalogue = argv[5];
    if (!IsPlainId(id)) {
        std::cerr << "the language id must be letters, digits and '_'\n";
        return 2;
    }

    std::ifstream in(sourceFile, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << sourceFile << "\n";
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto source = vorn::tools::ParseTranslationSource(text);
    for (const auto& error : source.errors) {
        std::cerr << sourceFile.string() << ": " << error << "\n";
    }
    if (!source.errors.empty()) {
        return 1;
    }

    auto tempDatabase = Temporary(database);
    auto tempCatalogue = Temporary(catalogue);
    std::error_code ec;
    bool ok = WriteDatabase(tempDatabase, id, source.pairs) &&
              WriteCatalogue(tempCatalogue, id, name, database.filename().string());
    if (ok) {
        std::filesystem::rename(tempDatabase, database, ec);
        ok = !ec;
    }
    if (ok) {
        std::filesystem::rename(tempCatalogue, catalogue, ec);
        ok = !ec;
    }
    std::filesystem::remove(tempDatabase, ec);
    std::filesystem::remove(tempCatalogue, ec);
    if (!ok) {
        std::cerr << "cannot write " << database << " or " << catalogue << "\n";
        return 1;
    }
    return 0;
}
