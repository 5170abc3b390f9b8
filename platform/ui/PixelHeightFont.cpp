#include "platform/ui/PixelHeightFont.h"

#include <wx/window.h>

#include <algorithm>
#include <cmath>

namespace vorn::platform {

namespace {

// Line height over em size of common sans faces lies between 1.15 and 1.3; the guess only saves
// steps, the search below settles the size whatever it is.
constexpr double kLineOverEm = 1.25;
constexpr int kLargestPointSize = 1000;

}  // namespace

wxFont PixelHeightFont(const wxWindow& window, wxFontInfo info, int height) {
    height = std::max(1, height);
    const double dpi = std::max(1, window.GetDPI().y);
    wxFont font(info);
    // The toolkit's measure: the height of a line holding "g".
    auto fits = [&](int points) {
        font.SetPointSize(points);
        int lineHeight = 0;
        window.GetTextExtent("g", nullptr, &lineHeight, nullptr, nullptr, &font);
        return lineHeight <= height;
    };
    int points = std::clamp(static_cast<int>(std::lround(height * 72.0 / dpi / kLineOverEm)), 1,
                            kLargestPointSize);
    if (fits(points)) {
        while (points < kLargestPointSize && fits(points + 1)) {
            ++points;
        }
    } else {
        while (points > 1 && !fits(points - 1)) {
            --points;
        }
        points = std::max(1, points - 1);
    }
    font.SetPointSize(points);
    return font;
}

}  // namespace vorn::platform
