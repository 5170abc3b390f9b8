#include "app/ui/ToolkitLanguage.h"

#include <utility>

#include <wx/intl.h>
#include <wx/translation.h>

#include "app/LanguageCatalogue.h"
#include "platform/KnownFolders.h"
#include "translation/Vocabrix.h"

namespace vorn {

namespace {

constexpr const char* kSourceLanguageName = "ru";

}  // namespace

wxString ToolkitLanguageName(const std::string& languageId, const std::string& languageName) {
    if (languageId.empty() || languageId == kSourceLanguageId) {
        return kSourceLanguageName;
    }
    // The catalogue names a language by its English name ("English") or, failing that, by an id
    // the toolkit may know ("en", "de_DE").
    for (const std::string& key : {languageName, languageId}) {
        if (key.empty()) {
            continue;
        }
        if (const wxLanguageInfo* info = wxLocale::FindLanguageInfo(wxString::FromUTF8(key))) {
            return info->CanonicalName;
        }
    }
    return "en";
}

bool LoadToolkitLanguage() {
    std::pair<std::string, std::string> current;
    Localization::CVocabrix::Instance().GetCurrentLanguage(current);
    const wxString name = ToolkitLanguageName(current.first, current.second);
    // The toolkit's own catalogues travel with the program where the system has none (Windows:
    // <program folder>/locale/<language>/LC_MESSAGES); elsewhere the system's are used.
    static const bool lookupAdded = [] {
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(
            (platform::ProgramFolder() / "locale").wstring());
        return true;
    }();
    (void)lookupAdded;
    // wxTranslations::Set takes the object over and deletes the one before it.
    auto* translations = new wxTranslations;
    translations->SetLanguage(name);
    wxTranslations::Set(translations);
    if (name.StartsWith("en")) {
        return true;
    }
    return translations->AddStdCatalog();
}

}  // namespace vorn
