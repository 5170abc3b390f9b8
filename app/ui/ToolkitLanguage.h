#pragma once

// The toolkit's own texts (stock buttons, file pickers' captions, its error messages) in the
// language the interface speaks.

#include <string>

#include <wx/string.h>

namespace vorn {

// The toolkit's name of the interface language (its id, then its display name), as in "ru" or
// "en_GB"; the source language when no language is selected.
wxString ToolkitLanguageName(const std::string& languageId, const std::string& languageName);

// Loads the toolkit's catalogue of the language selected in the translation storage. English
// needs none. False when the catalogue of a language other than English is not installed.
bool LoadToolkitLanguage();

}  // namespace vorn
