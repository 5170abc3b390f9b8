#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>

#include "support/Screenshot.h"

namespace vorn::test {

const char* const kScreenshotSuffix = "-windows";

// The screen's pixels as the system composed them, copied from the screen's device context.
bool CaptureScreen(const wxRect& rect, const std::filesystem::path& file, std::string& error) {
    wxBitmap bitmap(rect.width, rect.height, 24);
    {
        wxScreenDC screen;
        wxMemoryDC memory(bitmap);
        if (!memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y)) {
            error = "cannot copy the screen";
            return false;
        }
    }
    if (!bitmap.ConvertToImage().SaveFile(file.wstring(), wxBITMAP_TYPE_PNG)) {
        error = "cannot write " + file.string();
        return false;
    }
    return true;
}

}  // namespace vorn::test
