#include "platform/ui/ShellOpen.h"

#include "platform/windows/WindowsApi.h"

#include <shellapi.h>

#include <wx/app.h>
#include <wx/window.h>

#include "platform/PathText.h"

namespace vorn::platform {

bool ShellOpen(const std::filesystem::path& file, std::string& error) {
    wxWindow* main = wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr;
    const HWND owner = main != nullptr ? static_cast<HWND>(main->GetHWND()) : nullptr;
    // Above 32 is success; the rest are the shell's own error codes.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        error =
            "the shell could not open " + PathToUtf8(file) + " (" + std::to_string(result) + ")";
        return false;
    }
    return true;
}

}  // namespace vorn::platform
