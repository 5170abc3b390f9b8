#include "platform/ui/ShellOpen.h"

#include <unistd.h>

#include <system_error>

#include <wx/utils.h>

#include "platform/PathText.h"
#include "platform/ProcessLauncher.h"

namespace vorn::platform {

bool ShellOpen(const std::filesystem::path& file, std::string& error) {
    if (::access(file.c_str(), X_OK) == 0 && !std::filesystem::is_directory(file)) {
        int code = 0;
        if (ProcessLauncher::Instance().Start(file, {}, &code) < 0) {
            error = std::generic_category().message(code);
            return false;
        }
        return true;
    }
    if (!wxLaunchDefaultApplication(wxString::FromUTF8(PathToUtf8(file)))) {
        error = "no application opens " + PathToUtf8(file);
        return false;
    }
    return true;
}

}  // namespace vorn::platform
