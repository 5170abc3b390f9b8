#pragma once

#include <wx/string.h>

class wxStdDialogButtonSizer;
class wxWindow;

namespace vorn::platform {

// The desktop's OK/Cancel row for a dialog: OK is the default button, the order and spacing are the
// desktop's own. The row is realised; the caller adds it to the dialog's sizer.
wxStdDialogButtonSizer* CreateOkCancelButtons(wxWindow* dialog,
                                              const wxString& cancelLabel = "Cancel");

}  // namespace vorn::platform
