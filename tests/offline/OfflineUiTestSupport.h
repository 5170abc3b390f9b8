#pragma once

// Helpers of the offline window tests: control lookup, the English interface, screenshots.

#include <string>

#include <wx/window.h>

#include "support/LanguageFiles.h"
#include "support/Screenshot.h"
#include "support/UiPump.h"
#include "translation/Vocabrix.h"

namespace vorn::test {

template <class T>
T* Control(wxWindow* window, int id) {
    return dynamic_cast<T*>(window->FindWindow(id));
}

// Saves the window as build/screenshots/<name>.png; false when the capture failed.
inline bool SaveScreenshot(wxWindow* window, const std::string& name) {
    return SaveScreenshot(*window, name).IsOk();
}

}  // namespace vorn::test
