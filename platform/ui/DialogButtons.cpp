#include "platform/ui/DialogButtons.h"

#include <wx/button.h>
#include <wx/sizer.h>

namespace vorn::platform {

wxStdDialogButtonSizer* CreateOkCancelButtons(wxWindow* dialog, const wxString& cancelLabel) {
    auto* buttons = new wxStdDialogButtonSizer();
    auto* ok = new wxButton(dialog, wxID_OK, "OK");
    ok->SetDefault();
    buttons->AddButton(ok);
    buttons->AddButton(new wxButton(dialog, wxID_CANCEL, cancelLabel));
    buttons->Realize();
    return buttons;
}

}  // namespace vorn::platform
