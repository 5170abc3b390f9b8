#pragma once

#include <wx/colour.h>
#include <wx/window.h>

class wxPaintEvent;

namespace vorn {

// The progress of a firmware task, drawn over a whole cell of the device list: the cell's own
// background, a framed bar filled up to the position and the percentage written on it. On a
// selected row the colours are turned round (the fill takes the selection's text colour), so the
// bar stands out on both kinds of row in any theme.
class CCellProgressBar : public wxWindow {
public:
    CCellProgressBar(wxWindow* parent, wxWindowID id);

    void SetRange(int range);
    int GetRange() const { return range_; }
    void SetValue(int value);
    int GetValue() const { return value_; }
    // Whether the row under the bar is selected; the colours follow it.
    void SetRowSelected(bool selected);
    bool IsRowSelected() const { return rowSelected_; }

    // The colour of the filled part on a selected or an unselected row.
    wxColour FillColour(bool selected) const;
    wxString PercentText() const;

private:
    void OnPaint(wxPaintEvent& event);

    int range_ = 100;
    int value_ = 0;
    bool rowSelected_ = false;
};

}  // namespace vorn
