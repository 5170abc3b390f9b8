#pragma once

// Helpers of the offline window tests: control lookup, the English interface, screenshots.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <wx/image.h>
#include <wx/window.h>

#include "support/LanguageFiles.h"
#include "support/UiPump.h"
#include "translation/Vocabrix.h"

namespace vorn::test {

template <class T>
T* Control(wxWindow* window, int id) {
    return dynamic_cast<T*>(window->FindWindow(id));
}

// Saves the window as build/screenshots/<name>.png; false when the capture failed.
inline bool SaveScreenshot(wxWindow* window, const std::string& name) {
    window->Raise();
    Pump(std::chrono::milliseconds(400));
    const std::filesystem::path folder =
        std::filesystem::path(VORN_SOURCE_DIR) / "build" / "screenshots";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / (name + ".png");
    std::filesystem::remove(file);
    const wxRect rect = window->GetScreenRect();
    const std::string command = "import -window root -crop " + std::to_string(rect.width) + "x" +
                                std::to_string(rect.height) + "+" + std::to_string(rect.x) + "+" +
                                std::to_string(rect.y) + " '" + file.string() + "'";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    wxInitAllImageHandlers();
    return wxImage(file.string(), wxBITMAP_TYPE_PNG).IsOk();
}

}  // namespace vorn::test
