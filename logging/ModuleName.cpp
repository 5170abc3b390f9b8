#include "logging/ModuleName.h"

#include <system_error>

#include "platform/KnownFolders.h"
#include "platform/PathText.h"

namespace Kavro::Greywick {

std::string LowerModuleName(std::string_view name) {
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
            continue;
        }
        if (c != 0xD0 || i + 1 >= out.size()) {
            continue;
        }
        // U+0410..U+042F are D0 90..D0 AF; their small letters are D0 B0..D0 BF and
        // D1 80..D1 8F. U+0401 (D0 81) becomes U+0451 (D1 91).
        const auto next = static_cast<unsigned char>(out[i + 1]);
        if (next >= 0x90 && next <= 0x9F) {
            out[i + 1] = static_cast<char>(next + 0x20);
        } else if (next >= 0xA0 && next <= 0xAF) {
            out[i] = static_cast<char>(0xD1);
            out[i + 1] = static_cast<char>(next - 0x20);
        } else if (next == 0x81) {
            out[i] = static_cast<char>(0xD1);
            out[i + 1] = static_cast<char>(0x91);
        }
        ++i;
    }
    return out;
}

std::string ModuleFileName(const ModulePath& module) {
    const std::filesystem::path path = module ? *module : vorn::platform::ProgramPath();
    return LowerModuleName(vorn::platform::PathToUtf8(path.filename()));
}

std::filesystem::path ProgramFolder() {
    const std::filesystem::path exe = vorn::platform::ProgramPath();
    if (exe.empty()) {
        std::error_code error;
        return std::filesystem::current_path(error);
    }
    return exe.parent_path();
}

}  // namespace Kavro::Greywick
