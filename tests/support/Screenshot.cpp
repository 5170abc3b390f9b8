#include "support/Screenshot.h"

#include <gtest/gtest.h>

#include "support/UiPump.h"

namespace vorn::test {

std::filesystem::path ScreenshotFolder() {
    return VORN_SCREENSHOT_DIR;
}

wxImage SaveScreenshot(wxWindow& window, const std::string& name) {
    window.Show();
    window.Raise();
    EXPECT_TRUE(PumpUntil([&] { return window.IsShownOnScreen(); })) << name << " never mapped";
    window.Refresh();
    window.Update();
    // What is drawn in idle time (sizer layouts, deferred paints) reaches the screen.
    Pump(std::chrono::milliseconds(300));
    const std::filesystem::path folder = ScreenshotFolder();
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / (name + kScreenshotSuffix + ".png");
    std::filesystem::remove(file);
    const wxRect rect = window.GetScreenRect();
    wxInitAllImageHandlers();
    if (std::string error; !CaptureScreen(rect, file, error)) {
        ADD_FAILURE() << error;
        return {};
    }
    wxImage shot(file.wstring(), wxBITMAP_TYPE_PNG);
    EXPECT_TRUE(shot.IsOk()) << file;
    // A window reaching past the screen's edge is cut off in the picture.
    EXPECT_TRUE(shot.GetSize() == rect.GetSize())
        << name << ": " << rect.width << "x" << rect.height << " at " << rect.x << "," << rect.y
        << " does not fit on the screen";
    return shot;
}

}  // namespace vorn::test
