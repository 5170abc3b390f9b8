// Fuzz target for the black list reader: any bytes are read as a list; a list that loads is
// written again and must load to the same tree. The same bytes are also read as the text form.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "blacklist/BlackListReader.h"
#include "blacklist/BlackListText.h"
#include "blacklist/BlackListTree.h"
#include "blacklist/Composer.h"
#include "platform/TextConversion.h"

namespace vorn::blacklist {

// No translation storage here: labels stay as they are.
std::wstring TranslateNodeText(const wchar_t* text) {
    return text;
}

}  // namespace vorn::blacklist

using namespace vorn::blacklist;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    BlackListReader reader;
    reader.OpenBytes(bytes);
    const LoadedBlackList loaded = LoadBlackList(reader);
    if (loaded.root) {
        for (const auto& currency : loaded.root->children) {
            currency.item->GetText();
        }
        // A root without currencies is written as its record alone, which is no list.
        Composer composer("/nonexistent/fuzz.blist");
        if (WriteTree(composer, *loaded.root) == kComposeOk && !loaded.root->children.empty()) {
            BlackListReader again;
            again.OpenBytes(composer.Image());
            const LoadedBlackList reloaded = LoadBlackList(again);
            if (!reloaded.root || TreeToText(*reloaded.root) != TreeToText(*loaded.root)) {
                std::abort();
            }
        }
    }

    const ParsedTree parsed = TextToTree(vorn::platform::Utf8ToWide(bytes));
    if (parsed.root) {
        Composer composer("/nonexistent/fuzz.blist");
        WriteTree(composer, *parsed.root);
    }
    return 0;
}
