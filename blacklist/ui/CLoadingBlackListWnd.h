#pragma once

#include <wx/bitmap.h>
#include <wx/frame.h>

class wxPaintEvent;

namespace vorn {

// The borderless pop-up shown on top of everything while the agent loads a black list into a
// device: our own background picture with two red lines of text. Created hidden; the main
// window shows it over itself and hides it at the agent's next message.
class CLoadingBlackListWnd : public wxFrame {
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 180;

    CLoadingBlackListWnd();

    // Moves the window to the centre of `area` (screen coordinates), keeping its size.
    void CentreOver(const wxRect& area);

    // The two lines, translated, as they are drawn.
    static wxString FirstLine();
    static wxString SecondLine();

private:
    void OnPaint(wxPaintEvent& event);

    wxBitmap background_;
};

}  // namespace vorn
