#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/font.h>

#include "platform/ui/PixelHeightFont.h"

namespace {

using vorn::platform::PixelHeightFont;

// The quicker search must land on the point size the toolkit's own pixel-size font picks, for
// small and large heights, plain and bold, a face that is present and one that is substituted.
TEST(PixelHeightFont, PicksTheToolkitsPointSizeForEveryHeight) {
    wxDialog window(nullptr, wxID_ANY, "fonts");
    for (const wxString& face : {wxString("Arial"), wxString()}) {
        for (const bool bold : {false, true}) {
            for (int height = 6; height <= 48; ++height) {
                wxFontInfo wanted(wxSize(0, height));
                wxFontInfo info;
                if (!face.empty()) {
                    wanted.FaceName(face);
                    info.FaceName(face);
                }
                wanted.Bold(bold);
                info.Bold(bold);
                const wxFont expected(wanted);
                const wxFont font = PixelHeightFont(window, info, height);
                SCOPED_TRACE(face.ToStdString() + (bold ? " bold " : " ") + std::to_string(height) +
                             " px");
                EXPECT_EQ(font.GetPointSize(), expected.GetPointSize());
                EXPECT_EQ(font.GetWeight(), bold ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL);
                if (!face.empty()) {
                    EXPECT_EQ(font.GetFaceName(), face);
                }
            }
        }
    }
}

}  // namespace
