// vorn-blist: shows a ".blist" file as text, builds one from text, or checks one.

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "blacklist/BlackListText.h"
#include "blacklist/BlackListTree.h"
#include "blacklist/Composer.h"
#include "platform/TextConversion.h"

namespace {

using namespace vorn::blacklist;

constexpr const char* kUsage =
    "Usage: vorn-blist dump FILE      the list as text\n"
    "       vorn-blist build OUT < TEXT  a list file from text\n"
    "       vorn-blist check FILE     reads the list and names its first problem\n"
    "\n"
    "Text: one node a line, two spaces of indentation per level: currencies at none,\n"
    "denominations (nominal year version, '*' for any; the version as its letter, or its\n"
    "character code) at one, serial numbers below; ' // ' and a comment may end any line.\n"
    "'Any' at the level of denominations holds serial numbers that stand directly under\n"
    "their currency.\n";

const char* ComposeError(int code) {
    switch (code) {
        case kComposeFull:
            return "the list is larger than 100000 bytes";
        case kComposeTooLong:
            return "a value or comment is too long for its field";
        case kComposeTooDeep:
            return "serial numbers are nested too deeply";
        case kComposeMarker:
            return "a currency name or comment holds \"$$$VK_END$$$\", which readers take for "
                   "the end of a leading block";
        case kComposeLeafBeforeContainer:
            return "serial numbers without nested ones under 'Any' cannot stand beside "
                   "denominations of the same currency in a list file";
        default:
            return "the list cannot be written";
    }
}

int Dump(const char* file) {
    const LoadedBlackList loaded = LoadBlackList(file);
    if (!loaded.root) {
        std::cerr << file << ": offset " << loaded.errorOffset << ": " << loaded.error << "\n";
        return 1;
    }
    std::cout << vorn::platform::WideToUtf8(TreeToText(*loaded.root));
    return std::cout.good() ? 0 : 1;
}

int Build(const char* file) {
    const std::string text((std::istreambuf_iterator<char>(std::cin)),
                           std::istreambuf_iterator<char>());
    const ParsedTree parsed = TextToTree(vorn::platform::Utf8ToWide(text));
    if (!parsed.root) {
        std::cerr << "line " << parsed.line << ": " << parsed.error << "\n";
        return 1;
    }
    if (parsed.root->children.empty()) {
        std::cerr << file << ": the text holds no currency; a list needs at least one\n";
        return 1;
    }
    Composer composer(file);
    if (const int result = WriteTree(composer, *parsed.root); result != kComposeOk) {
        std::cerr << file << ": " << ComposeError(result) << "\n";
        return 1;
    }
    if (!composer.Save()) {
        std::cerr << file << ": cannot be written\n";
        return 1;
    }
    return 0;
}

int Check(const char* file) {
    const LoadedBlackList loaded = LoadBlackList(file);
    if (!loaded.root) {
        std::cout << file << ": offset " << loaded.errorOffset << ": " << loaded.error << "\n";
        return 1;
    }
    std::cout << file << ": OK\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc == 3 ? argv[1] : "";
    if (command == "dump") {
        return Dump(argv[2]);
    }
    if (command == "build") {
        return Build(argv[2]);
    }
    if (command == "check") {
        return Check(argv[2]);
    }
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string first = argc >= 2 ? argv[1] : "";
    if (argc >= 2 && first != "dump" && first != "build" && first != "check") {
        std::cerr << "vorn-blist: unknown command '" << argv[1] << "'\n";
    }
    std::fputs(kUsage, stderr);
    return 2;
}
