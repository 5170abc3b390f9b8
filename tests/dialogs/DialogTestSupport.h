#pragma once

// What the dialog tests share: the English language from the built database, screenshots of a
// dialog under build/screenshots, and answering a dialog by filling it and pressing a button.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <wx/dialog.h>

#include "support/LanguageFiles.h"
#include "support/Screenshot.h"
#include "support/UiPump.h"
#include "translation/Vocabrix.h"

namespace vorn::test {

// Shows the dialog without a modal loop at a fixed place, saves its picture as
// build/screenshots/<name>.png and hides it again.
inline void SaveScreenshot(wxDialog& dialog, const std::string& name) {
    dialog.Move(40, 40);
    SaveScreenshot(static_cast<wxWindow&>(dialog), name);
    dialog.Hide();
    Pump();
}

// Presses a button of a dialog that a test hook holds (not modal) the way a click would, and
// returns the code the dialog ended with: the button's own when it closed without one, 0 while
// it stays open.
inline int Press(wxDialog& dialog, int buttonId) {
    dialog.SetReturnCode(0);
    dialog.Show();
    wxCommandEvent click(wxEVT_BUTTON, buttonId);
    click.SetEventObject(dialog.FindWindow(buttonId));
    dialog.ProcessWindowEvent(click);
    if (dialog.IsShown()) {
        dialog.Hide();
        return 0;
    }
    return dialog.GetReturnCode() != 0 ? dialog.GetReturnCode() : buttonId;
}

}  // namespace vorn::test
