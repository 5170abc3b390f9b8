#include "platform/ui/DigitsOnly.h"

#include <wx/textctrl.h>

namespace vorn::platform {

void AcceptDigitsOnly(wxTextCtrl* edit, std::size_t maxLength, PastedText pasted) {
    edit->Bind(wxEVT_CHAR, [edit, maxLength](wxKeyEvent& event) {
        const wxChar c = event.GetUnicodeKey();
        if (c == WXK_NONE || c < WXK_SPACE || c == WXK_DELETE || event.HasModifiers()) {
            event.Skip();
            return;
        }
        // A digit goes in while there is room for it, or a selection for it to replace.
        long from = 0;
        long to = 0;
        edit->GetSelection(&from, &to);
        const bool room = maxLength == 0 || edit->GetValue().length() < maxLength || from != to;
        if (c >= '0' && c <= '9' && room) {
            event.Skip();
        }
    });
    if (pasted == PastedText::AsIs) {
        return;
    }
    edit->Bind(wxEVT_TEXT, [edit, maxLength](wxCommandEvent& event) {
        event.Skip();
        const wxString text = edit->GetValue();
        wxString kept;
        for (const wxUniChar c : text) {
            if (c >= '0' && c <= '9' && (maxLength == 0 || kept.length() < maxLength)) {
                kept += c;
            }
        }
        if (kept != text) {
            edit->ChangeValue(kept);
            edit->SetInsertionPointEnd();
        }
    });
}

}  // namespace vorn::platform
