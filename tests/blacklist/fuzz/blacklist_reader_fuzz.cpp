// Fuzz target for the black list reader: any bytes are read as a list; a list that loads is
// written again and must load to the same tree. The same bytes are also read as the text form.

#include <algorithm>
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

namespace {

// The image of a tree, or nothing when the composer refuses it.
std::string Written(const BlackListNode& root) {
    Composer composer("/nonexistent/fuzz.blist");
    return WriteTree(composer, root) == kComposeOk ? composer.Image() : std::string();
}

LoadedBlackList Reloaded(const std::string& image) {
    BlackListReader reader;
    reader.OpenBytes(image);
    return LoadBlackList(reader);
}

std::size_t Lines(const std::wstring& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), L'\n'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    BlackListReader reader;
    reader.OpenBytes(bytes);
    const LoadedBlackList loaded = LoadBlackList(reader);
    if (loaded.root) {
        for (const auto& currency : loaded.root->children) {
            currency.item->GetText();
        }
        // A root without currencies is written as its record alone, which is no list. A save
        // puts branches before leaves, so the order may change once, but no node is lost and a
        // second round changes nothing.
        if (!loaded.root->children.empty()) {
            const std::wstring first = TreeToText(*loaded.root);
            const std::string image = Written(*loaded.root);
            if (!image.empty()) {
                const LoadedBlackList again = Reloaded(image);
                if (!again.root || Lines(TreeToText(*again.root)) != Lines(first) ||
                    Written(*again.root) != image) {
                    std::abort();
                }
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
