#pragma once

// What the dialog tests share: the English language from the built database, screenshots of a
// dialog under build/screenshots, and answering a dialog by filling it and pressing a button.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <wx/dialog.h>
#include <wx/image.h>

#include "support/LanguageFiles.h"
#include "support/UiPump.h"
#include "translation/Vocabrix.h"

namespace vorn::test {

#ifdef VORN_SOURCE_DIR
// Shows the dialog without a modal loop, takes its picture from the screen into
// build/screenshots/<name>.png and hides it again.
inline void SaveScreenshot(wxDialog& dialog, const std::string& name) {
    dialog.Move(40, 40);
    dialog.Show();
    dialog.Raise();
    Pump(std::chrono::milliseconds(400));
    const std::filesystem::path folder =
        std::filesystem::path(VORN_SOURCE_DIR) / "build" / "screenshots";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / (name + ".png");
    std::filesystem::remove(file);
    const wxRect rect = dialog.GetScreenRect();
    const std::string command = "import -window root -crop " + std::to_string(rect.width) + "x" +
                                std::to_string(rect.height) + "+" + std::to_string(rect.x) + "+" +
                                std::to_string(rect.y) + " '" + file.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    wxInitAllImageHandlers();
    wxImage shot(file.string(), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(shot.IsOk()) << file;
    EXPECT_EQ(shot.GetWidth(), rect.width);
    dialog.Hide();
    Pump();
}
#endif

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
