// The main window in the tray: the icon and its two images, balloons, the tray menu, and the
// window's return from the tray or from a second program start.
#include "program/CUpdateCtrlDlg.h"

#include <wx/menu.h>

#include "agent/AgentProtocol.h"
#include "app/ui/ProgramIcon.h"
#include "platform/ui/DesktopTray.h"
#include "program/MainWindowTexts.h"

namespace vorn {

using namespace mainwindow;

const wxBitmapBundle& CUpdateCtrlDlg::IdleTrayIcon() {
    if (!idleTrayIcon_.IsOk()) {
        idleTrayIcon_ = wxBitmapBundle::FromIconBundle(ProgramIcons());
    }
    return idleTrayIcon_;
}

const wxBitmapBundle& CUpdateCtrlDlg::TaskTrayIcon() {
    if (!taskTrayIcon_.IsOk()) {
        taskTrayIcon_ = wxBitmapBundle::FromIconBundle(ProgramTaskIcons());
    }
    return taskTrayIcon_;
}

void CUpdateCtrlDlg::DoShowTrayBalloon(const wxString& text) {
    // After Exit the icon is gone for good, whatever the agent still reports.
    if (exitDone_) {
        return;
    }
    // Where the icon is gone, put it back first, as a failed change of it would.
    if (!tray_->IsAdded()) {
        tray_->Add(taskRunning_ ? TaskTrayIcon() : IdleTrayIcon(), kTrayTitle);
    }
    tray_->ShowBalloon(kTrayTitle, text.Left(kMaxBalloonLength), kBalloonTimeoutMs);
}

bool CUpdateCtrlDlg::IsTrayIconAdded() const {
    return tray_ && tray_->IsAdded();
}

wxBitmapBundle CUpdateCtrlDlg::TrayIcon() const {
    return IsTrayIconAdded() ? tray_->image() : wxBitmapBundle();
}

wxString CUpdateCtrlDlg::LastBalloon() const {
    return tray_ ? tray_->lastBalloon() : wxString();
}

std::unique_ptr<wxMenu> CUpdateCtrlDlg::BuildTrayMenu() {
    auto menu = std::make_unique<wxMenu>();
    menu->Append(kTrayShowHideId, IsShown() ? Tr(L"Скрыть") : Tr(L"Показать"));
    menu->Append(kTrayExitId, "Exit");
    return menu;
}

void CUpdateCtrlDlg::OnIconize(wxIconizeEvent& event) {
    event.Skip();
    if (!event.IsIconized()) {
        return;
    }
    // While the icon added at start is there the addition is refused and the window stays
    // minimised; without a tray it stays minimised as well.
    if (tray_->Add(IdleTrayIcon(), kTrayTitle)) {
        Hide();
    }
}

void CUpdateCtrlDlg::OnTrayCommand(int id) {
    if (id == kTrayShowHideId) {
        if (IsShown()) {
            Hide();
        } else {
            Show();
            Raise();
            Send(request::GetActualSoftwareVersion());
        }
    } else if (id == kTrayExitId) {
        RequestExit();
    }
}

void CUpdateCtrlDlg::Activate() {
    if (IsIconized()) {
        Iconize(false);
    }
    Show();
    Raise();
    Send(request::GetActualSoftwareVersion());
}

}  // namespace vorn
