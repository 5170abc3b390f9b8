#include "app/ui/Translate.h"

#include "translation/Vocabrix.h"

namespace vorn {

wxString Tr(const wchar_t* text) {
    return Localization::CVocabrix::Instance().TranslateString(text);
}

wxString Tr(const std::wstring& text) {
    return Tr(text.c_str());
}

}  // namespace vorn
