#include "blacklist/ui/CLoadingBlackListWnd.h"

#include <algorithm>

#include <wx/dcbuffer.h>

#include "app/ui/Translate.h"
#include "resources/images/loading_blacklist.xpm"

namespace vorn {

CLoadingBlackListWnd::CLoadingBlackListWnd()
    : wxFrame(nullptr, wxID_ANY, wxEmptyString, wxPoint(0, 0), wxSize(kWidth, kHeight),
              wxBORDER_NONE | wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR, "BlackListLoading"),
      background_(loading_blacklist_xpm) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(wxSize(kWidth, kHeight));
    Bind(wxEVT_PAINT, &CLoadingBlackListWnd::OnPaint, this);
}

void CLoadingBlackListWnd::CentreOver(const wxRect& area) {
    // The size is the picture's; a window never shown yet may not report it.
    const wxSize size(kWidth, kHeight);
    SetSize(area.x + (area.width - size.x) / 2, area.y + (area.height - size.y) / 2, size.x,
            size.y);
}

wxString CLoadingBlackListWnd::FirstLine() {
    return Tr(L"Чёрный список загружается.");
}

wxString CLoadingBlackListWnd::SecondLine() {
    return Tr(L"Пожалуйста подождите");
}

void CLoadingBlackListWnd::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.DrawBitmap(background_, 0, 0, true);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetTextForeground(wxColour(255, 0, 0));
    dc.SetFont(GetFont());
    const int width = background_.GetWidth();
    const int height = background_.GetHeight();
    // The second line sits 20 pixels above the bottom; the first one a full line above it, so
    // that the two never overlap whatever the font's height.
    const int lineHeight = std::max(10, dc.GetCharHeight());
    dc.DrawText(SecondLine(), width - 250, height - 20);
    dc.DrawText(FirstLine(), width - 250, height - 20 - lineHeight);
}

}  // namespace vorn
