#pragma once

#include <wx/dialog.h>
#include <wx/font.h>

#include "monitor/MainWindowOperations.h"

class wxKeyEvent;
class wxContextMenuEvent;
class wxTextCtrl;

namespace vorn {

// The last error the agent or the update server reported, in full: its number, category,
// description and the local date and time at which it arrived. Ctrl+C, or "Copy" of its context
// menu, puts the whole report on the clipboard, for a support request. Run modally:
//     CErrorReportingDlg dlg(report, parent);
//     vorn::platform::RunModal(dlg);
class CErrorReportingDlg : public wxDialog {
public:
    enum Id : int {
        kIconId = 1023,
        kDescriptionId = 1025,
        kCategoryLabelId = 1026,
        kCategoryId = 1027,
        kErrorIdId = 1028,
        kTitleId = 1029,
        kTimeLabelId = 1030,
        kTimeId = 1031,
        kDescriptionLabelId = 1032,
    };

    CErrorReportingDlg(const AgentErrorRecord& report, wxWindow* parent);

    const AgentErrorRecord& Report() const { return report_; }

    // Puts the whole report on the clipboard as text; false when the clipboard cannot be opened.
    bool CopyReport();

private:
    void OnCharHook(wxKeyEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);

    AgentErrorRecord report_;
    wxFont titleFont_;
    wxFont idFont_;
    wxFont boldFont_;
    wxTextCtrl* description_ = nullptr;
};

}  // namespace vorn
