// The feature windows the main window opens (options, scans, black lists, offline updates, RAM
// files, the error report) and the views through which notification handling reaches them.
#include "program/CUpdateCtrlDlg.h"

#include <wx/stattext.h>

#include "agent/AgentProtocol.h"
#include "agent/AgentProtocolMessage.h"
#include "app/AppProfile.h"
#include "blacklist/ui/CBlackListDlg.h"
#include "blacklist/ui/CLoadingBlackListWnd.h"
#include "dialogs/ui/COptionDialog.h"
#include "dialogs/ui/CRamFileListDialog.h"
#include "monitor/DeviceTable.h"
#include "monitor/NotificationHandler.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "monitor/ui/CErrorReportingDlg.h"
#include "offline/ui/CPrepareOfflineUpdateDlg.h"
#include "offline/ui/CPrepareUsbDisk.h"
#include "platform/ui/ModalQuestions.h"
#include "program/MainWindowTexts.h"
#include "scan/ui/CSessionScanDataDlg.h"

namespace vorn {

using namespace mainwindow;

void CUpdateCtrlDlg::ScanSessionRelay::OnScanProgress(std::int32_t number, std::int32_t result) {
    if (auto* dialog = dialog_.load()) {
        dialog->OnScanProgress(number, result);
    }
}

void CUpdateCtrlDlg::ScanSessionRelay::OnUploadProgress(std::int32_t number, std::int32_t result) {
    if (auto* dialog = dialog_.load()) {
        dialog->OnUploadProgress(number, result);
    }
}

CSessionScanDataDlg& CUpdateCtrlDlg::ScanDialog() {
    if (scanDialog_.load() == nullptr) {
        scanDialog_ = new CSessionScanDataDlg(this, [this] { return error_; });
    }
    return *scanDialog_.load();
}

CPrepareOfflineUpdateDlg& CUpdateCtrlDlg::OfflineUpdateDialog() {
    if (offline_ == nullptr) {
        offline_ = new CPrepareOfflineUpdateDlg(this, [this] { return error_; });
    }
    return *offline_;
}

CLoadingBlackListWnd& CUpdateCtrlDlg::LoadingWindow() {
    if (loading_ == nullptr) {
        loading_ = new CLoadingBlackListWnd();
    }
    return *loading_;
}

void CUpdateCtrlDlg::OnOfflineUpdateProgress(std::int32_t number, std::int32_t total, bool failed) {
    // Through this window's gate, which its destruction closes before the worker is stopped.
    // A dialog never opened is closed, and a closed one does not follow the agent's progress.
    OnUi([&] {
        if (offline_ != nullptr) {
            offline_->OnOfflineUpdateProgress(number, total, failed);
        }
    });
}

void CUpdateCtrlDlg::ShowRamFileList(const std::wstring& batches) {
    OnUi([&] {
        CRamFileListDialog dlg(this);
        dlg.SetListText(batches);
        platform::RunModal(dlg);
    });
}

std::filesystem::path CUpdateCtrlDlg::RamFileFolder() {
    return GetRamFilePath();
}

void CUpdateCtrlDlg::RememberRamFileFolder(const std::filesystem::path& chosenFile) {
    vorn::RememberRamFileFolder(chosenFile.wstring());
}

std::optional<std::filesystem::path> CUpdateCtrlDlg::AskSavePath(
    const RamFileSaveQuestion& question) {
    std::optional<std::filesystem::path> path;
    OnUi([&] {
        platform::FileQuestion file;
        file.save = true;
        file.directory = question.initialFolder.wstring();
        file.fileName = question.proposedName;
        file.defaultExtension = question.defaultExtension;
        file.wildcard = question.filter;
        file.overwritePrompt = true;
        if (auto chosen = platform::AskFile(this, file)) {
            path = std::filesystem::path(chosen->ToStdWstring());
        }
    });
    return path;
}

void CUpdateCtrlDlg::ShowErrorBox(const std::wstring& text) {
    OnUi([&] { platform::AskMessage(this, text, GetTitle(), wxOK | wxICON_ERROR); });
}

void CUpdateCtrlDlg::OnSettings() {
    std::string reply;
    if (!Call(request::GetOptions(), reply)) {
        return;
    }
    const auto message = AgentMessage::Parse(reply);
    AgentOptions options;
    if (message) {
        options = ReadOptions(*message);
    }
    OptionDialogActions actions;
    actions.openOfflineUpdate = [this](wxWindow*) { platform::RunModal(OfflineUpdateDialog()); };
    // Filled by the black-list editor and the offline update dialog.
    actions.openBlackListEditor = [](wxWindow* parent, const std::filesystem::path& file) {
        CBlackListDlg::Run(parent, file);
    };
    COptionDialog dlg(this, std::move(actions));
    if (dlg.RunWithOptions(options) != wxID_OK) {
        return;
    }
    options = dlg.GetOptions();
    if (!options.checkEnabled) {
        lastCheckTime_->SetLabel(wxEmptyString);
        nextCheckTime_->SetLabel(wxEmptyString);
        lastCheckLabel_->Hide();
        nextCheckLabel_->Hide();
        Relayout();
    }
    // The agent answers the new options as it would notify; an unanswered request has nothing
    // to hand on.
    std::string answer;
    if (Call(request::AppOptions(options), answer)) {
        HandleNotification(answer, *this);
    }
}

void CUpdateCtrlDlg::OnScan() {
    ScanDialog().DoModalWithDevices(list_->Devices().ScanCapableUins());
}

void CUpdateCtrlDlg::OnOtherDevices() {
    CPrepareUsbDisk dialog(this);
    platform::RunModal(dialog);
}

void CUpdateCtrlDlg::OnErrorLink() {
    CErrorReportingDlg dlg(error_, this);
    platform::RunModal(dlg);
}

void CUpdateCtrlDlg::OnLoadBlackList() {
    platform::FileQuestion question;
    question.directory = GetBlackListPath();
    question.defaultExtension = "blist";
    question.wildcard = kBlackListWildcard;
    const auto chosen = platform::AskFile(this, question);
    if (chosen) {
        RememberBlackListFolder(chosen->ToStdWstring());
    }
    if (!chosen) {
        WarnFailed(kNoFileChosen);
        return;
    }
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    if (!Send(request::BlackList(record->id, chosen->ToStdWstring()))) {
        // The agent never got the list, so no message of it would ever take a loading window
        // away again.
        WarnFailed(kOperationFailed);
        return;
    }
    CLoadingBlackListWnd& loading = LoadingWindow();
    loading.CentreOver(GetScreenRect());
    loading.Show();
    loading.Raise();
}

}  // namespace vorn
