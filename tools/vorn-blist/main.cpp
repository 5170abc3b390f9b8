// vorn-blist: shows a ".blist" file as text, builds one from text, or checks one.

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "blacklist/BlackListText.h"
#include "blacklist/BlackListTree.h"
#include "blacklist/Composer.h"
#include "platform/PathText.h"
#include "platform/TextConversion.h"
#include "platform/ThisProcess.h"

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

int Dump(const std::string& file) {
    const LoadedBlackList loaded = LoadBlackList(vorn::platform::PathFromUtf8(file));
    if (!loaded.root) {
        std::cerr << file << ": offset " << loaded.errorOffset << ": " << loaded.error << "\n";
        return 1;
    }
    std::cout << vorn::platform::WideToUtf8(TreeToText(*loaded.root));
    return std::cout.good() ? 0 : 1;
}

int Build(const std::string& file) {
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
    Composer composer(vorn::platform::PathFromUtf8(file));
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

int Check(const std::string& file) {
    const LoadedBlackList loaded = LoadBlackList(vorn::platform::PathFromUtf8(file));
    if (!loaded.root) {
        std::cout << file << ": offset " << loaded.errorOffset << ": " << loaded.error << "\n";
        return 1;
    }
    std::cout << file << ": OK\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The text form is the same bytes on every platform, so that a dump built elsewhere
    // builds here.
    vorn::platform::UseBinaryStandardStreams();
    const std::vector<std::string> args = vorn::platform::CommandLineArguments(argc, argv);
    const std::string command = args.size() == 2 ? args[0] : "";
    if (command == "dump") {
        return Dump(args[1]);
    }
    if (command == "build") {
        return Build(args[1]);
    }
    if (command == "check") {
        return Check(args[1]);
    }
    if (args.size() == 1 && args[0] == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string first = args.empty() ? "" : args[0];
    if (!args.empty() && first != "dump" && first != "build" && first != "check") {
        std::cerr << "vorn-blist: unknown command '" << first << "'\n";
    }
    std::fputs(kUsage, stderr);
    return 2;
}
