#pragma once

#include <wx/panel.h>

#include "dialogs/OptionValues.h"

class wxKeyEvent;
class wxSpinButton;
class wxTextCtrl;

namespace vorn {

// A time of day shown as "HH:mm" with an up-down button. The arrows and the Up and Down keys
// step the hour or the minute, whichever the caret is in, round the clock; typed text is taken
// as soon as it reads as a time, and put back to the last time when the field loses the focus.
class CHourMinuteCtrl : public wxPanel {
public:
    CHourMinuteCtrl(wxWindow* parent, wxWindowID id);

    // Shows the time and forgets earlier changes.
    void SetTime(HourMinute time);
    HourMinute GetTime() const { return time_; }
    // Whether the operator changed the time since SetTime.
    bool IsModified() const { return modified_; }

    // Steps the field the caret is in by delta.
    void Step(int delta);
    wxTextCtrl* Field() const { return text_; }

private:
    void OnKeyDown(wxKeyEvent& event);
    void OnText();
    void ShowTime(HourMinute time);

    HourMinute time_;
    bool modified_ = false;
    wxTextCtrl* text_ = nullptr;
    wxSpinButton* spin_ = nullptr;
};

}  // namespace vorn
