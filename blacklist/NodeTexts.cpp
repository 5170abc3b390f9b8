// Kept apart from the nodes so that programs that only read and write files (the fuzz target)
// can stand in for the translation storage.

#include "blacklist/BlackListItem.h"
#include "translation/Vocabrix.h"

namespace vorn::blacklist {

std::wstring TranslateNodeText(const wchar_t* text) {
    return Localization::CVocabrix::Instance().TranslateString(text);
}

}  // namespace vorn::blacklist
