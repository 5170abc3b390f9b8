#include <cstdlib>

#include "support/Screenshot.h"

namespace vorn::test {

const char* const kScreenshotSuffix = "";

// ImageMagick's import reads the X server's own picture of the screen.
bool CaptureScreen(const wxRect& rect, const std::filesystem::path& file, std::string& error) {
    const std::string command = "import -window root -crop " + std::to_string(rect.width) + "x" +
                                std::to_string(rect.height) + "+" + std::to_string(rect.x) + "+" +
                                std::to_string(rect.y) + " '" + file.string() + "'";
    if (std::system(command.c_str()) != 0) {
        error = command;
        return false;
    }
    return true;
}

}  // namespace vorn::test
