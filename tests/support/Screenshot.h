#pragma once

// Pictures of windows as the screen shows them, for a person to look at (clipping, alignment,
// both languages) and for tests that check colours on the screen.

#include <filesystem>
#include <string>

#include <wx/image.h>
#include <wx/window.h>

namespace vorn::test {

// build/screenshots beside the build folders of the presets: never inside the sources.
std::filesystem::path ScreenshotFolder();

// Shows `window` in front, waits until the screen shows it and saves what the screen shows of it
// as <ScreenshotFolder>/<name>.png. Returns the picture; a capture that failed is a test failure
// and gives an image that is not IsOk().
wxImage SaveScreenshot(wxWindow& window, const std::string& name);

// What the screen shows in `rect`, saved as a PNG file; false with `error` when it could not
// be. The pictures a platform takes end in its suffix ("-windows" under Wine), so that both
// platforms' pictures of a window lie side by side.
bool CaptureScreen(const wxRect& rect, const std::filesystem::path& file, std::string& error);
extern const char* const kScreenshotSuffix;

}  // namespace vorn::test
