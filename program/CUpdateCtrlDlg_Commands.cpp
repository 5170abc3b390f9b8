// The main window's commands: its buttons, the device list's selection and context menu, and the
// service commands that each send one request to the agent.
#include "program/CUpdateCtrlDlg.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "agent/AgentProtocol.h"
#include "agent/RequestChannel.h"
#include "dialogs/ui/CRamFilenameDialog.h"
#include "dialogs/ui/CSerialNoDialog.h"
#include "monitor/DeviceTable.h"
#include "monitor/MainWindowRules.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "platform/ui/ModalQuestions.h"
#include "program/MainWindowTexts.h"

namespace vorn {

using namespace mainwindow;

std::optional<DeviceRecord> CUpdateCtrlDlg::SelectedRecord() const {
    // A menu command acts on the device its menu was opened for, wherever the selection went
    // while the menu was up; nothing when that device has gone.
    if (menuCommandDevice_) {
        return list_->Devices().FindById(*menuCommandDevice_);
    }
    return list_->SelectedRecord();
}

bool CUpdateCtrlDlg::Send(const std::string& request) {
    std::string reply;
    return Call(request, reply);
}

bool CUpdateCtrlDlg::Call(const std::string& request, std::string& reply) {
    // After "<quit/>" the agent hears nothing more from this window, whatever handler is still
    // unwinding.
    if (exitDone_) {
        return false;
    }
    if (!CallAgent(request, reply)) {
        ShowAgentAbsent();
        return false;
    }
    if (agentAbsent_.exchange(false)) {
        DoShowUpdateSummary();
    }
    return true;
}

void CUpdateCtrlDlg::WarnFailed(const wchar_t* text) {
    platform::AskMessage(this, Tr(text), GetTitle(), wxOK | wxCANCEL | wxICON_WARNING);
}

void CUpdateCtrlDlg::OnSelectionChanged(wxListEvent& event) {
    event.Skip();
    ApplySelectionState();
}

void CUpdateCtrlDlg::OnIdle(wxIdleEvent& event) {
    event.Skip();
    const int row = list_->FirstSelectedRow();
    const auto record = SelectedRecord();
    const SelectionKey key = record ? SelectionKey{row, record->id, record->connect,
                                                   record->updates, record->allowScanning}
                                    : SelectionKey{-1, 0, 0, 0, false};
    if (selectionKey_ != key) {
        ApplySelectionState();
    }
}

void CUpdateCtrlDlg::ApplySelectionState() {
    const int row = list_->FirstSelectedRow();
    const auto selected = SelectedRecord();
    selectionKey_ = selected ? SelectionKey{row, selected->id, selected->connect, selected->updates,
                                            selected->allowScanning}
                             : SelectionKey{-1, 0, 0, 0, false};
    const SelectionButtons buttons =
        ButtonsForSelection(taskRunning_, selected ? &*selected : nullptr);
    updateDevice_->Enable(buttons.updateDeviceEnabled);
    if (!buttons.changeScan) {
        return;
    }
    scan_->Enable();
    scan_->Show(buttons.scanShown);
    Relayout();
}

void CUpdateCtrlDlg::OnItemActivated(wxListEvent&) {
    if (!taskRunning_ && SelectedRecord()) {
        UpdateSelectedDevice();
    }
}

void CUpdateCtrlDlg::OnItemRightClick(wxListEvent& event) {
    // As in the platform's own lists, a right click selects the row under the cursor.
    const long clicked = event.GetIndex();
    if (clicked >= 0 &&
        !(list_->GetItemState(clicked, wxLIST_STATE_SELECTED) & wxLIST_STATE_SELECTED)) {
        for (long item = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
             item = list_->GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
            list_->SetItemState(item, 0, wxLIST_STATE_SELECTED);
        }
        list_->SetItemState(clicked, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                            wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
    ShowContextMenu(event.GetPoint());
}

void CUpdateCtrlDlg::ShowContextMenu(const wxPoint& where) {
    auto menu = BuildContextMenu();
    if (!menu) {
        return;
    }
    menuDevice_ = SelectedRecord()->id;
    PopupContextMenu(*menu, where);
    // Commands the menu queued are handled first; then the menu's device is forgotten.
    CallAfter([this] { menuDevice_.reset(); });
}

void CUpdateCtrlDlg::PopupContextMenu(wxMenu& menu, const wxPoint& where) {
    if (where == wxDefaultPosition) {
        PopupMenu(&menu);
    } else {
        list_->PopupMenu(&menu, where);
    }
}

std::unique_ptr<wxMenu> CUpdateCtrlDlg::BuildContextMenu() {
    // The row's own device, not the table's record at that position: the table may already
    // have changed under a list that has not been redrawn yet.
    const auto record = SelectedRecord();
    if (!record) {
        return nullptr;
    }
    auto menu = std::make_unique<wxMenu>();
    menu->Append(kCopyUinId, Tr(L"Скопировать УИН"));
    menu->Append(kForceUpdateId, Tr(L"Принудительно обновить"));
    menu->Append(kSetDateTimeId, Tr(L"Установить Дату/Время"));
    if (OffersTracing(*record)) {
        menu->Append(kTracingOnId, Tr(L"Включить трассировку"));
        menu->Append(kTracingOffId, Tr(L"Выключить трассировку"));
    }
    menu->AppendSeparator();
    menu->Append(kLoadBlackListId, Tr(L"Загрузить черный список"));
    menu->Append(kDeleteBlackListId, Tr(L"Удалить черный список"));
    menu->AppendSeparator();
    menu->Append(kRefreshConnectionId, Tr(L"Обновить соединение с прибором (F5)"));
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (!item->IsSeparator()) {
            item->Enable(!taskRunning_);
        }
    }
    return menu;
}

void CUpdateCtrlDlg::UpdateSelectedDevice() {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    if (!CanUpdateNow(*record)) {
        status_->SetLabel(
            Tr(L"Для данного устройства обновление отсутствует, либо устройство "
               L"отключено!"));
        status_->SetToolTip(status_->GetLabel());
        HideErrorLink();
        SetStatusIcon(1);
        Relayout();
        return;
    }
    if (!Send(UpdateRequestFor(*record))) {
        SetIdleButtons();
    }
}

void CUpdateCtrlDlg::OnUpdateAll() {
    Send(request::UpdateAll());
}

void CUpdateCtrlDlg::OnCheckNow() {
    if (SelectedRecord()) {
        RefreshConnection();
    }
    Send(request::CheckUpdate());
}

void CUpdateCtrlDlg::OnDownload() {
    if (!downloadAddress_.empty()) {
        wxLaunchDefaultBrowser(downloadAddress_);
    }
}

void CUpdateCtrlDlg::OnForceUpdate() {
    const auto record = SelectedRecord();
    if (record && !Send(request::ForceUpdate(record->id))) {
        SetIdleButtons();
    }
}

void CUpdateCtrlDlg::OnCopyUin() {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    wxClipboardLocker locker;
    if (!locker) {
        return;
    }
    wxTheClipboard->SetData(new wxTextDataObject(record->name));
    wxTheClipboard->Flush();
}

void CUpdateCtrlDlg::OnSetDateTime() {
    if (const auto record = SelectedRecord()) {
        Send(request::SetDeviceDateTime(record->id));
    }
}

void CUpdateCtrlDlg::OnTracing(bool on) {
    const auto record = SelectedRecord();
    if (record && !Send(on ? request::LogCtlOn(record->id) : request::LogCtlOff(record->id))) {
        SetIdleButtons();
    }
}

void CUpdateCtrlDlg::OnDeleteBlackList() {
    const auto record = SelectedRecord();
    if (record && !Send(request::DeleteBlackList(record->id))) {
        WarnFailed(kOperationFailed);
    }
}

void CUpdateCtrlDlg::OnRamFileList() {
    const auto record = SelectedRecord();
    if (record && !Send(request::RamFileList(record->id))) {
        WarnFailed(kOperationFailed);
    }
}

void CUpdateCtrlDlg::OnRamFileNamed(bool fetch) {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    // The dialog remembers the name for the next question, of either command.
    CRamFilenameDialog dlg(
        (fetch ? Tr(L"Введите имя файла для загрузки...") : Tr(L"Введите имя удаляемого файла..."))
            .ToStdWstring(),
        this);
    if (platform::RunModal(dlg) != wxID_OK) {
        return;
    }
    const std::wstring name = dlg.FileName();
    const std::string text =
        fetch ? request::RamFileGet(record->id, name) : request::RamFileDelete(record->id, name);
    if (!Send(text)) {
        WarnFailed(kOperationFailed);
    }
}

void CUpdateCtrlDlg::OnSetSerialNo() {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    CSerialNoDialog dlg(this);
    if (platform::RunModal(dlg) != wxID_OK) {
        return;
    }
    const std::wstring serial = dlg.SerialNumber();
    if (Send(request::SetSerialNo(record->id, serial))) {
        list_->Devices().SetSerialNo(record->id, serial);
    }
}

void CUpdateCtrlDlg::RefreshConnection() {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    list_->Devices().MarkChecking(record->id);
    if (!Send(request::UpdateConnection(record->id))) {
        // No agent will ever end this check.
        list_->Devices().CancelChecking(record->id, record->connect);
    }
}

wxPoint CUpdateCtrlDlg::SelectedRowPoint() const {
    wxRect row;
    const int selected = list_->FirstSelectedRow();
    if (selected < 0 || !list_->GetItemRect(selected, row)) {
        return wxDefaultPosition;
    }
    return wxPoint(row.x + row.height, row.y + row.height / 2);
}

}  // namespace vorn
