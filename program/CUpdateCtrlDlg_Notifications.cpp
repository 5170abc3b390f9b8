// The main window's side of notification handling: the window operations, each carried to the
// UI thread, and the status line, buttons and progress they change.
#include "program/CUpdateCtrlDlg.h"

#include <wx/artprov.h>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "blacklist/ui/CLoadingBlackListWnd.h"
#include "monitor/DeviceTable.h"
#include "monitor/MainWindowRules.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "platform/ui/DesktopTray.h"
#include "program/MainWindowTexts.h"

namespace vorn {

using namespace mainwindow;

void CUpdateCtrlDlg::ShowStatusMessage(std::int32_t messageType, const std::wstring& text) {
    OnUi([&] { DoShowStatusMessage(messageType, text); });
}

void CUpdateCtrlDlg::ShowTrayBalloon(const std::wstring& text) {
    OnUi([&] { DoShowTrayBalloon(text); });
}

void CUpdateCtrlDlg::ShowUpdateSummary() {
    OnUi([&] { DoShowUpdateSummary(); });
}

void CUpdateCtrlDlg::EnterTaskMode() {
    OnUi([&] { DoEnterTaskMode(); });
}

void CUpdateCtrlDlg::LeaveTaskMode() {
    OnUi([&] { DoLeaveTaskMode(true); });
}

void CUpdateCtrlDlg::LeaveTaskModeKeepingProgress() {
    OnUi([&] { DoLeaveTaskMode(false); });
}

void CUpdateCtrlDlg::RefreshUpdateAllButton() {
    OnUi([&] { DoRefreshUpdateAllButton(); });
}

void CUpdateCtrlDlg::StoreErrorRecord(const AgentErrorRecord& record) {
    OnUi([&] { error_ = record; });
}

void CUpdateCtrlDlg::StoreDownloadAddress(const std::wstring& address) {
    OnUi([&] { downloadAddress_ = address; });
}

void CUpdateCtrlDlg::ShowLastCheckTime(const std::wstring& text) {
    OnUi([&] {
        lastCheckLabel_->Show();
        lastCheckTime_->SetLabel(text);
        Relayout();
    });
}

void CUpdateCtrlDlg::ShowNextCheckTime(const std::wstring& text) {
    OnUi([&] {
        nextCheckLabel_->Show();
        nextCheckTime_->SetLabel(text);
        Relayout();
    });
}

void CUpdateCtrlDlg::ShowNewRevision(const std::wstring& revisionLine,
                                     const std::wstring& buttonText) {
    OnUi([&] {
        revision_->SetLabel(revisionLine);
        if (download_ == nullptr) {
            download_ = new wxButton(this, kDownloadId, buttonText);
            revisionRow_->Add(download_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(8));
        }
        download_->SetLabel(buttonText);
        download_->Show();
        Relayout();
    });
}

std::optional<std::int32_t> CUpdateCtrlDlg::SelectedDeviceId() {
    std::optional<std::int32_t> id;
    OnUi([&] {
        if (auto record = SelectedRecord()) {
            id = record->id;
        }
    });
    return id;
}

void CUpdateCtrlDlg::ShowScanButton(bool visible) {
    OnUi([&] {
        scan_->Show(visible);
        Relayout();
    });
}

void CUpdateCtrlDlg::PlaceProgress(std::int32_t deviceId) {
    OnUi([&] { list_->ShowProgressForDevice(deviceId); });
}

void CUpdateCtrlDlg::SetProgressPosition(int position) {
    OnUi([&] { list_->SetProgressPosition(position); });
}

bool CUpdateCtrlDlg::IsProgressVisible() {
    bool visible = false;
    OnUi([&] { visible = list_->IsProgressVisible(); });
    return visible;
}

void CUpdateCtrlDlg::HideLoadingWindow() {
    OnUi([&] {
        if (loading_) {
            loading_->Hide();
        }
    });
}

DeviceTable& CUpdateCtrlDlg::Devices() {
    return list_->Devices();
}

ScanSessionView& CUpdateCtrlDlg::ScanSession() {
    return scanSession_;
}

wxHyperlinkCtrl& CUpdateCtrlDlg::ErrorLink() {
    if (errorLink_ == nullptr) {
        errorLink_ =
            new wxHyperlinkCtrl(this, kErrorLinkId, Tr(L"Описание ошибки"), wxEmptyString,
                                wxDefaultPosition, wxDefaultSize, wxHL_ALIGN_LEFT | wxBORDER_NONE);
        errorLink_->Hide();
        errorLink_->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { OnErrorLink(); });
        statusRow_->Add(errorLink_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(8));
    }
    return *errorLink_;
}

void CUpdateCtrlDlg::HideErrorLink() {
    if (errorLink_ != nullptr) {
        errorLink_->Hide();
    }
}

void CUpdateCtrlDlg::SetStatusIcon(std::int32_t messageType) {
    // The first look-up reads the desktop's icon theme, which must not hold back the window's
    // first showing: the picture follows on the next turn of the event loop, the latest wins.
    statusIconType_ = messageType;
    if (statusIconPending_) {
        return;
    }
    statusIconPending_ = true;
    CallAfter([this] {
        statusIconPending_ = false;
        ShowStatusIcon(statusIconType_);
    });
}

void CUpdateCtrlDlg::ShowStatusIcon(std::int32_t messageType) {
    wxArtID art;
    switch (messageType) {
        case 0:
            art = wxART_INFORMATION;
            break;
        case 1:
            art = wxART_WARNING;
            break;
        case 2:
            art = wxART_ERROR;
            break;
        default:
            break;
    }
    statusIcon_->SetBitmap(
        art.empty() ? wxNullBitmap : wxArtProvider::GetBitmap(art, wxART_OTHER, wxSize(16, 16)));
}

void CUpdateCtrlDlg::DoShowStatusMessage(std::int32_t messageType, const wxString& text) {
    // The agent's text is shown as it came: an "&" in it is no access key.
    status_->SetLabelText(text);
    status_->SetToolTip(text);
    SetStatusIcon(messageType);
    if (messageType == 2) {
        if (!error_.description.empty()) {
            ErrorLink().Show();
        }
    } else {
        HideErrorLink();
    }
    Relayout();
}

void CUpdateCtrlDlg::DoShowUpdateSummary() {
    const UpdateSummary summary = SummaryOf(list_->Devices());
    if (summary == UpdateSummary::UpdateAvailable) {
        status_->SetLabel(Tr(
            L"ВНИМАНИЕ! Доступно обновление прошивок устройств. Рекомендуем провести обновление!"));
        status_->SetToolTip(status_->GetLabel());
        HideErrorLink();
        SetStatusIcon(1);
        Relayout();
        DoShowTrayBalloon(Tr(L"Доступно обновление прошивок!") + "\n" +
                          Tr(L"Для обновления кликните на иконку."));
    } else if (summary == UpdateSummary::NothingToUpdate) {
        DoShowStatusMessage(0, Tr(L"Обновление не требуется!"));
    } else {
        DoShowStatusMessage(0, Tr(L"Подключите устройство для обновления."));
    }
}

void CUpdateCtrlDlg::DoEnterTaskMode() {
    taskRunning_ = true;
    updateDevice_->Disable();
    checkNow_->Hide();
    updateAll_->Disable();
    if (scan_->IsShown()) {
        scan_->Disable();
    }
    tray_->Modify(TaskTrayIcon(), kTrayTitle);
    Relayout();
}

void CUpdateCtrlDlg::DoLeaveTaskMode(bool hideProgress) {
    taskRunning_ = false;
    updateDevice_->Disable();
    checkNow_->Show();
    DoRefreshUpdateAllButton();
    if (scan_->IsShown()) {
        scan_->Enable();
    }
    if (hideProgress) {
        list_->HideProgress();
    }
    tray_->Modify(IdleTrayIcon(), kTrayTitle);
    Relayout();
}

void CUpdateCtrlDlg::DoRefreshUpdateAllButton() {
    if (!taskRunning_) {
        updateAll_->Enable(list_->Devices().AnyUpdateAvailable());
    }
}

void CUpdateCtrlDlg::SetIdleButtons() {
    updateDevice_->Enable();
    checkNow_->Show();
    DoRefreshUpdateAllButton();
    if (scan_->IsShown()) {
        scan_->Enable();
    }
    Relayout();
}

void CUpdateCtrlDlg::ShowAgentAbsent() {
    agentAbsent_ = true;
    status_->SetLabelText(Tr(kAgentNotResponding));
    status_->SetToolTip(status_->GetLabelText());
    SetStatusIcon(2);
    HideErrorLink();
    Relayout();
}

}  // namespace vorn
