#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <wx/app.h>
#include <wx/gdicmn.h>
#include <wx/image.h>

#include "blacklist/ui/CLoadingBlackListWnd.h"
#include "support/Screenshot.h"
#include "support/TestEnvironment.h"
#include "support/UiPump.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;

using test::Pump;

TEST(LoadingWindow, IsAHiddenBorderlessTopmostPopUpThatCentresOverAnArea) {
    auto* window = new CLoadingBlackListWnd();
    EXPECT_FALSE(window->IsShown());
    EXPECT_EQ(window->GetName(), "BlackListLoading");
    EXPECT_EQ(window->GetParent(), nullptr);
    EXPECT_TRUE(window->HasFlag(wxSTAY_ON_TOP));
    EXPECT_TRUE(window->HasFlag(wxBORDER_NONE));
    EXPECT_FALSE(window->HasFlag(wxCAPTION));

    window->CentreOver(wxRect(100, 50, 800, 400));
    window->Show();
    Pump(100ms);
    const wxRect rect = window->GetScreenRect();
    EXPECT_EQ(rect, wxRect(350, 160, CLoadingBlackListWnd::kWidth, CLoadingBlackListWnd::kHeight));
    // A window smaller than the pop-up still gets it centred on it.
    window->CentreOver(wxRect(400, 300, 100, 80));
    Pump(50ms);
    EXPECT_EQ(window->GetPosition(), wxPoint(300, 250));
    window->Destroy();
    Pump(20ms);
}

TEST(LoadingWindow, PaintsItsPictureAndTwoRedLinesThatDoNotOverlap) {
    auto* window = new CLoadingBlackListWnd();
    // Away from where the other window tests put their windows when they run beside this one.
    const wxSize screen = wxGetDisplaySize();
    window->CentreOver(wxRect(screen.x - 320, screen.y - 200, 300, 180));
    const wxImage shot = test::SaveScreenshot(*window, "loading");
    ASSERT_TRUE(shot.IsOk());
    const wxRect rect = window->GetScreenRect();

    // The picture's dark frame.
    EXPECT_EQ(wxColour(shot.GetRed(0, 0), shot.GetGreen(0, 0), shot.GetBlue(0, 0)),
              wxColour(0x34, 0x50, 0x6E));
    // Red text (brighter than the red of the picture) in the lower part, starting 250 pixels left
    // of the right edge; rows with red ink form two separate bands, one per line.
    std::vector<bool> inked(static_cast<std::size_t>(rect.height), false);
    int leftmost = rect.width;
    for (int y = rect.height / 2; y < rect.height - 3; ++y) {
        for (int x = 3; x < rect.width - 3; ++x) {
            if (shot.GetRed(x, y) > 235 && shot.GetGreen(x, y) < 90 && shot.GetBlue(x, y) < 90) {
                inked[static_cast<std::size_t>(y)] = true;
                leftmost = std::min(leftmost, x);
            }
        }
    }
    int bands = 0;
    for (std::size_t y = 1; y < inked.size(); ++y) {
        if (inked[y] && !inked[y - 1]) {
            ++bands;
        }
    }
    EXPECT_EQ(bands, 2);
    EXPECT_GE(leftmost, CLoadingBlackListWnd::kWidth - 250);
    EXPECT_LE(leftmost, CLoadingBlackListWnd::kWidth - 250 + 4);
    window->Destroy();
    Pump(20ms);
}

}  // namespace
}  // namespace vorn
