#include "dialogs/ui/CHourMinuteCtrl.h"

#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>

namespace vorn {

namespace {

// Caret positions up to this one are in the hour.
constexpr long kHourEnd = 2;

}  // namespace

CHourMinuteCtrl::CHourMinuteCtrl(wxWindow* parent, wxWindowID id) : wxPanel(parent, id) {
    text_ = new wxTextCtrl(this, wxID_ANY, FormatHourMinute(time_), wxDefaultPosition,
                           wxDefaultSize, wxTE_CENTRE);
    text_->SetMaxLength(5);
    text_->SetMinSize(wxSize(text_->GetTextExtent("00:00").x + FromDIP(24), -1));
    spin_ = new wxSpinButton(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
    spin_->SetRange(-1, 1);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(text_, 0, wxALIGN_CENTER_VERTICAL);
    row->Add(spin_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(2));
    SetSizerAndFit(row);

    text_->Bind(wxEVT_KEY_DOWN, &CHourMinuteCtrl::OnKeyDown, this);
    text_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { OnText(); });
    text_->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        event.Skip();
        ShowTime(time_);
    });
    // The button only says up or down; it never holds a value of its own.
    spin_->Bind(wxEVT_SPIN_UP, [this](wxSpinEvent& event) {
        event.Veto();
        Step(1);
    });
    spin_->Bind(wxEVT_SPIN_DOWN, [this](wxSpinEvent& event) {
        event.Veto();
        Step(-1);
    });
}

void CHourMinuteCtrl::SetTime(HourMinute time) {
    time_ = time;
    modified_ = false;
    ShowTime(time_);
}

void CHourMinuteCtrl::Step(int delta) {
    const long caret = text_->GetInsertionPoint();
    if (caret <= kHourEnd) {
        time_.hour = ((time_.hour + delta) % 24 + 24) % 24;
    } else {
        time_.minute = ((time_.minute + delta) % 60 + 60) % 60;
    }
    modified_ = true;
    ShowTime(time_);
    text_->SetInsertionPoint(caret);
}

void CHourMinuteCtrl::OnKeyDown(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_UP || event.GetKeyCode() == WXK_DOWN) {
        Step(event.GetKeyCode() == WXK_UP ? 1 : -1);
        return;
    }
    event.Skip();
}

void CHourMinuteCtrl::OnText() {
    const auto typed = ParseHourMinute(text_->GetValue().ToStdWstring());
    if (typed && *typed != time_) {
        time_ = *typed;
        modified_ = true;
    }
}

void CHourMinuteCtrl::ShowTime(HourMinute time) {
    const wxString text = FormatHourMinute(time);
    if (text_->GetValue() != text) {
        text_->ChangeValue(text);
    }
}

}  // namespace vorn
