#include "platform/ui/ListGeometry.h"

#include <wx/listctrl.h>

namespace vorn::platform {

int ListRowsTop(const wxListCtrl& list) {
    const wxWindow* rows = list.GetTargetWindow();
    return rows != nullptr && rows != &list ? rows->GetPosition().y : 0;
}

}  // namespace vorn::platform
