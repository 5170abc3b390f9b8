#include "platform/ui/ListGeometry.h"

#include "platform/windows/WindowsApi.h"

#include <commctrl.h>

#include <wx/listctrl.h>

namespace vorn::platform {

int ListRowsTop(const wxListCtrl& list) {
    const HWND header = ListView_GetHeader(static_cast<HWND>(list.GetHWND()));
    RECT rect{};
    if (header == nullptr || !::IsWindowVisible(header) || !::GetWindowRect(header, &rect)) {
        return 0;
    }
    // The header fills the client area's first lines; the rows start right below them.
    return rect.bottom - rect.top - 1;
}

}  // namespace vorn::platform
