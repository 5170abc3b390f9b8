#include "program/ProgramOptions.h"

#include <string_view>

namespace vorn {

namespace {

bool ContainsEnableOthers(std::string_view token) {
    std::string upper(token);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper.find("ENABLE_OTHERS") != std::string::npos;
}

ProgramOptions Error(std::string problem) {
    ProgramOptions options;
    options.action = ProgramOptions::Action::UsageError;
    options.problem = std::move(problem);
    return options;
}

}  // namespace

ProgramOptions ParseProgramOptions(int argc, const char* const* argv) {
    ProgramOptions options;
    constexpr std::string_view kLanguage = "--language";
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) {
            continue;
        }
        const std::string_view token = argv[i];
        if (ContainsEnableOthers(token) || !token.starts_with('-')) {
            continue;
        }
        if (token == "--help" || token == "-h") {
            options.action = ProgramOptions::Action::Help;
            return options;
        }
        if (token == "--version") {
            options.action = ProgramOptions::Action::Version;
            return options;
        }
        if (token == kLanguage || token.starts_with("--language=")) {
            std::string_view value;
            if (token.size() > kLanguage.size()) {
                value = token.substr(kLanguage.size() + 1);
            } else if (i + 1 < argc && argv[i + 1] != nullptr) {
                value = argv[++i];
            }
            if (value.empty()) {
                return Error("--language needs a language, e.g. --language=ENG");
            }
            options.language = std::string(value);
            continue;
        }
        return Error("unknown option " + std::string(token));
    }
    return options;
}

std::string ProgramUsage() {
    return "Usage: vorn-update [--language=ENG|RUS] [ENABLE_OTHERS]\n"
           "       vorn-update --help | --version\n"
           "\n"
           "Vorn Update keeps the firmware of Vorn banknote-processing devices up to date through\n"
           "the agent service AgentZelt, which it starts from its own folder. It opens hidden in\n"
           "the tray; a second start shows the running instance's window and ends.\n"
           "\n"
           "  --language=ID   the interface language from now on: RUS (Russian) or ENG (English);\n"
           "                  stored as CurrentLanguage. Without a stored choice the first start\n"
           "                  takes Russian on a Russian desktop and English elsewhere.\n"
           "  ENABLE_OTHERS   show the button that prepares firmware for devices the agent does\n"
           "                  not update (the word in any letter case, anywhere in an argument)\n"
           "  --help          this text\n"
           "  --version       the program's version\n"
           "\n"
           "Environment: VORN_DATA_DIR (logs and scans), VORN_REGISTRY_DIR (settings files),\n"
           "VORN_PIPE_NS (a prefix of the local channel addresses).\n";
}

}  // namespace vorn
