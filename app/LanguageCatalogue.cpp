#include "app/LanguageCatalogue.h"

#include <tinyxml2.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/AgentSettings.h"
#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"

namespace vorn {

LanguageCatalogue::LanguageCatalogue(std::filesystem::path programFolder)
    : folder_(std::move(programFolder)) {}

LanguageCatalogue& LanguageCatalogue::Instance() {
    static LanguageCatalogue catalogue(platform::ProgramFolder());
    return catalogue;
}

bool LanguageCatalogue::EnsureLoaded() {
    std::lock_guard lock(mutex_);
    return loaded_ || LoadLocked();
}

bool LanguageCatalogue::IsLoaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

std::vector<Localization::LANGUAGE_INFO> LanguageCatalogue::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

bool LanguageCatalogue::LoadLocked() {
    std::filesystem::path file = folder_ / kCatalogueFileName;
    // Read here rather than by the parser, which opens files by 8-bit name only.
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tinyxml2::XMLDocument document;
    if (in.bad() || document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        return false;
    }
    // The first element named "languages" in document order, however deep it lies.
    const tinyxml2::XMLElement* root = nullptr;
    std::vector<const tinyxml2::XMLElement*> pending;
    for (auto* e = document.LastChildElement(); e != nullptr; e = e->PreviousSiblingElement()) {
        pending.push_back(e);
    }
    while (!pending.empty()) {
        const tinyxml2::XMLElement* current = pending.back();
        pending.pop_back();
        if (std::string_view(current->Name()) == "languages") {
            root = current;
            break;
        }
        for (auto* child = current->LastChildElement(); child != nullptr;
             child = child->PreviousSiblingElement()) {
            pending.push_back(child);
        }
    }
    if (root == nullptr) {
        return false;
    }
    for (auto* e = root->FirstChildElement("language"); e != nullptr;
         e = e->NextSiblingElement("language")) {
        const char* id = e->Attribute("id");
        const char* name = e->Attribute("name");
        if (id == nullptr || name == nullptr) {
            continue;
        }
        Localization::LANGUAGE_INFO info;
        info.id = id;
        info.name = name;
        if (const char* path = e->Attribute("file_path")) {
            // Catalogues separate folders with either slash; the path takes this system's.
            const auto separator = static_cast<wchar_t>(std::filesystem::path::preferred_separator);
            std::wstring relative = platform::Utf8ToWide(path);
            for (wchar_t& c : relative) {
                if (c == L'\\' || c == L'/') {
                    c = separator;
                }
            }
            info.file_path = folder_.wstring() + separator + relative;
        }
        entries_.push_back(std::move(info));
    }
    loaded_ = true;
    return true;
}

std::optional<Localization::LANGUAGE_INFO> LanguageCatalogue::Find(const std::string& id) {
    std::lock_guard lock(mutex_);
    if (!loaded_ && !LoadLocked()) {
        return std::nullopt;
    }
    for (const auto& entry : entries_) {
        if (entry.id == id) {
            return entry;
        }
    }
    return std::nullopt;
}

std::optional<Localization::LANGUAGE_INFO> LanguageCatalogue::SelectLanguage(
    const std::string& id) {
    auto entry = Find(id);
    if (entry) {
        Localization::CVocabrix::Instance().SelectLanguage(*entry);
    }
    return entry;
}

bool LanguageCatalogue::ApplyStoredLanguage() {
    auto stored = GetCurrentLanguage();
    if (!stored) {
        return false;
    }
    std::string id = platform::WideToLocale(*stored);
    if (id.empty() || id == kSourceLanguageId) {
        return true;
    }
    Localization::CVocabrix::Instance().SetTranslateOn(true);
    SelectLanguage(id);
    return true;
}

namespace {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string LanguageForLocale(std::string_view locale) {
    const bool russian = locale.starts_with("ru") && (locale.size() == 2 || locale[2] == '_' ||
                                                      locale[2] == '.' || locale[2] == '@');
    return russian ? kSourceLanguageId : kEnglishLanguageId;
}

std::string DesktopMessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

std::optional<std::string> LanguageCatalogue::ResolveChoice(std::string_view requested) {
    for (const auto& id : ChoosableIds()) {
        if (EqualIgnoringAsciiCase(id, requested)) {
            return id;
        }
    }
    return std::nullopt;
}

std::vector<std::string> LanguageCatalogue::ChoosableIds() {
    std::vector<std::string> ids{kSourceLanguageId};
    EnsureLoaded();
    for (const auto& entry : Entries()) {
        ids.push_back(entry.id);
    }
    return ids;
}

bool LanguageCatalogue::StoreFirstLanguage(std::string_view locale) {
    if (GetCurrentLanguage()) {
        return false;
    }
    auto id = ResolveChoice(LanguageForLocale(locale));
    if (!id) {
        return false;
    }
    SetCurrentLanguage(platform::Utf8ToWide(*id));
    return true;
}

bool ApplyStoredLanguage() {
    return LanguageCatalogue::Instance().ApplyStoredLanguage();
}

std::optional<Localization::LANGUAGE_INFO> SelectLanguageById(const std::string& id) {
    return LanguageCatalogue::Instance().SelectLanguage(id);
}

}  // namespace vorn
