#include "monitor/ui/CCellProgressBar.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/settings.h>

namespace vorn {

namespace {

constexpr int kFrameMargin = 2;

}  // namespace

CCellProgressBar::CCellProgressBar(wxWindow* parent, wxWindowID id)
    : wxWindow(parent, id, wxDefaultPosition, wxSize(1, 1), wxBORDER_NONE) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CCellProgressBar::OnPaint, this);
}

void CCellProgressBar::SetRange(int range) {
    range_ = std::max(1, range);
    value_ = std::clamp(value_, 0, range_);
    Refresh();
}

void CCellProgressBar::SetValue(int value) {
    value = std::clamp(value, 0, range_);
    if (value != value_) {
        value_ = value;
        Refresh();
    }
}

void CCellProgressBar::SetRowSelected(bool selected) {
    if (selected != rowSelected_) {
        rowSelected_ = selected;
        Refresh();
    }
}

wxColour CCellProgressBar::FillColour(bool selected) const {
    return wxSystemSettings::GetColour(selected ? wxSYS_COLOUR_HIGHLIGHTTEXT
                                                : wxSYS_COLOUR_HIGHLIGHT);
}

wxString CCellProgressBar::PercentText() const {
    return wxString::Format("%d%%", value_ * 100 / range_);
}

void CCellProgressBar::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    const wxRect area = GetClientRect();
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    const wxColour highlightText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
    const wxWindow* list = GetParent();
    const wxColour background = rowSelected_ ? highlight : list->GetBackgroundColour();
    const wxColour text = rowSelected_ ? highlightText : list->GetForegroundColour();
    const wxColour fill = FillColour(rowSelected_);
    const wxColour textOnFill = rowSelected_ ? highlight : highlightText;

    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(background));
    dc.DrawRectangle(area);
    if (area.width <= 2 * kFrameMargin || area.height <= 2 * kFrameMargin) {
        return;
    }
    const wxRect frame = wxRect(area).Deflate(kFrameMargin);
    const wxRect filled(frame.x, frame.y, frame.width * value_ / range_, frame.height);
    dc.SetBrush(wxBrush(fill));
    dc.DrawRectangle(filled);
    dc.SetPen(wxPen(text));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(frame);

    // The percentage in the middle, in the colour that stands out on each part under it.
    dc.SetFont(list->GetFont());
    const wxString percent = PercentText();
    const wxSize extent = dc.GetTextExtent(percent);
    const wxPoint at(area.x + (area.width - extent.x) / 2, area.y + (area.height - extent.y) / 2);
    if (filled.width > 0) {
        wxDCClipper clip(dc, filled);
        dc.SetTextForeground(textOnFill);
        dc.DrawText(percent, at);
    }
    const wxRect rest(filled.GetRight() + 1, area.y, area.GetRight() - filled.GetRight(),
                      area.height);
    if (rest.width > 0) {
        wxDCClipper clip(dc, rest);
        dc.SetTextForeground(text);
        dc.DrawText(percent, at);
    }
}

}  // namespace vorn
