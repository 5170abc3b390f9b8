#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include <wx/bmpbndl.h>
#include <wx/dialog.h>
#include <wx/font.h>
#include <wx/timer.h>

#include "monitor/MainWindowOperations.h"
#include "monitor/NotificationViews.h"
#include "platform/ui/UiThreadCall.h"

class wxButton;
class wxEventLoopBase;
class wxBitmapButton;
class wxBoxSizer;
class wxHyperlinkCtrl;
class wxIconizeEvent;
class wxIdleEvent;
class wxKeyEvent;
class wxListEvent;
class wxMenu;
class wxStaticBitmap;
class wxStaticText;

namespace vorn {

class CDevicesListCtrl;
class CLoadingBlackListWnd;
class CPrepareOfflineUpdateDlg;
class CSessionScanDataDlg;
class EventChannelWorker;
struct DeviceRecord;

namespace platform {
class DesktopTray;
}

// The program's main window: the device list, the status line, the update commands, the
// device service commands and the tray icon. Its file is split by concern: CUpdateCtrlDlg.cpp
// (construction, layout, life cycle), _Commands (buttons and service commands), _Tray, _Features
// (the feature windows it opens) and _Notifications (the window operations). It lives in the tray:
// closing it hides it, and only "Exit" (tray menu or Ctrl+Q) ends the program. Requests go to the
// agent from the UI thread; notifications come from the event channel's worker, which reaches the
// window only through the UI-thread gate.
class CUpdateCtrlDlg : public wxDialog,
                       public MainWindowOperations,
                       private OfflineUpdateView,
                       private RamFileViews {
public:
    // Control and command ids of the window.
    enum Id : int {
        kListId = 1000,
        kUpdateAllId = 1001,
        kUpdateDeviceId = 1002,
        kScanId = 1003,
        kSettingsId = 1004,
        kStatusId = 1005,
        kLastCheckLabelId = 1007,
        kStatusIconId = 1008,
        kNextCheckLabelId = 1009,
        kLastCheckTimeId = 1011,
        kNextCheckTimeId = 1012,
        kCheckNowId = 1013,
        kErrorLinkId = 1022,
        kRefreshConnectionId = 1037,
        kForceUpdateId = 1085,
        kCopyUinId = 1087,
        kOtherDevicesId = 1097,
        kSetDateTimeId = 1096,
        kTracingOnId = 1106,
        kTracingOffId = 1107,
        kLoadBlackListId = 1108,
        kDeleteBlackListId = 1152,
        kRamFileListId = 1153,
        kRamFileGetId = 1156,
        kRamFileDeleteId = 1157,
        kSetSerialNoId = 1162,
        kRevisionId = 1165,
        kDownloadId = 1167,
        kStartupTimerId = 776,
        kTrayShowHideId = 103,
    };
    // The tray menu's "Exit". The original command number does not fit a wxWidgets menu id.
    static constexpr int kTrayExitId = wxID_EXIT;
    static constexpr int kStartupDelayMs = 3000;
    static constexpr int kBalloonTimeoutMs = 2000;
    static constexpr std::size_t kMaxBalloonLength = 255;

    // enableOthers: the command line asked for "Обновить другие уст-ва...". Selects the stored
    // language, builds the window, asks the agent for its devices, starts the event channel,
    // adds the tray icon and starts the revision timer. The window is shown only when no tray
    // icon could be added.
    explicit CUpdateCtrlDlg(bool enableOthers);
    ~CUpdateCtrlDlg() override;

    // Runs the window's event loop until "Exit" was chosen; returns 0.
    int RunUntilExit();
    // Called once when "Exit" has done its steps; the application may end its own loop there.
    void SetExitHandler(std::function<void()> handler);
    bool ExitChosen() const { return exitRequested_ && exitDone_; }

    // A second program start asked for this window: restore it, bring it to the front and ask
    // for the newest program revision.
    void Activate();

    // The "Exit" of the tray menu.
    void RequestExit();

    // The context menu the list shows for this record, or nothing when no row is selected. The
    // caller owns it.
    std::unique_ptr<wxMenu> BuildContextMenu();
    // The tray's right-click menu, as it is built at this moment.
    std::unique_ptr<wxMenu> BuildTrayMenu();

    CDevicesListCtrl& List() { return *list_; }
    // Made on first use, not at start-up.
    CLoadingBlackListWnd& LoadingWindow();
    CPrepareOfflineUpdateDlg& OfflineUpdateDialog();
    // The "error description" link after the status line, made when first shown.
    wxHyperlinkCtrl& ErrorLink();
    CSessionScanDataDlg& ScanDialog();
    bool IsTaskRunning() const { return taskRunning_; }
    bool IsTrayIconAdded() const;
    // The icon the tray shows, empty when there is none.
    wxBitmapBundle TrayIcon() const;
    const AgentErrorRecord& ErrorRecord() const { return error_; }
    const std::wstring& DownloadAddress() const { return downloadAddress_; }
    wxString LastBalloon() const;

    // MainWindowOperations: called from the event channel's worker (or the UI thread); each one
    // runs on the UI thread before it returns.
    void ShowStatusMessage(std::int32_t messageType, const std::wstring& text) override;
    void ShowTrayBalloon(const std::wstring& text) override;
    void ShowUpdateSummary() override;
    void EnterTaskMode() override;
    void LeaveTaskMode() override;
    void LeaveTaskModeKeepingProgress() override;
    void RefreshUpdateAllButton() override;
    void StoreErrorRecord(const AgentErrorRecord& record) override;
    void StoreDownloadAddress(const std::wstring& address) override;
    void ShowLastCheckTime(const std::wstring& text) override;
    void ShowNextCheckTime(const std::wstring& text) override;
    void ShowNewRevision(const std::wstring& revisionLine, const std::wstring& buttonText) override;
    std::optional<std::int32_t> SelectedDeviceId() override;
    void ShowScanButton(bool visible) override;
    void PlaceProgress(std::int32_t deviceId) override;
    void SetProgressPosition(int position) override;
    bool IsProgressVisible() override;
    void HideLoadingWindow() override;
    DeviceTable& Devices() override;
    ScanSessionView& ScanSession() override;
    OfflineUpdateView& OfflineUpdate() override { return *this; }
    RamFileViews& RamFiles() override { return *this; }

protected:
    // Shows the context menu (modal until it closes); at the cursor when `where` is
    // wxDefaultPosition, else at that point of the list.
    virtual void PopupContextMenu(wxMenu& menu, const wxPoint& where);

private:
    // OfflineUpdateView: hands the agent's progress to the offline update dialog once it exists.
    void OnOfflineUpdateProgress(std::int32_t number, std::int32_t total, bool failed) override;
    // RamFileViews
    void ShowRamFileList(const std::wstring& batches) override;
    std::filesystem::path RamFileFolder() override;
    void RememberRamFileFolder(const std::filesystem::path& chosenFile) override;
    std::optional<std::filesystem::path> AskSavePath(const RamFileSaveQuestion& question) override;
    void ShowErrorBox(const std::wstring& text) override;

    void CreateControls();
    void Initialise();
    void SizeToContents();
    void OnWorkerMessage(const std::string& message);
    void OnWorkerFailure(const std::wstring& text);
    // Runs fn on the UI thread through the gate.
    void OnUi(const std::function<void()>& fn);

    // UI-thread parts of the window operations.
    void DoShowStatusMessage(std::int32_t messageType, const wxString& text);
    void DoShowTrayBalloon(const wxString& text);
    void DoShowUpdateSummary();
    void DoEnterTaskMode();
    void DoLeaveTaskMode(bool hideProgress);
    void DoRefreshUpdateAllButton();
    void SetIdleButtons();
    void SetStatusIcon(std::int32_t messageType);
    void ShowStatusIcon(std::int32_t messageType);
    void Relayout();
    void KeepKeyboardFocus();
    // The request channel found no agent or timed out: say so until it answers again.
    void ShowAgentAbsent();

    std::optional<DeviceRecord> SelectedRecord() const;
    // Sends a request; true when the agent took it.
    bool Send(const std::string& request);
    bool Call(const std::string& request, std::string& reply);
    void WarnFailed(const wchar_t* text);

    // Commands.
    void OnSelectionChanged(wxListEvent& event);
    // Buttons that follow the selected device, decided again whenever the selection or the
    // selected record changes (the platform's list reports changes of a row's texts too).
    void ApplySelectionState();
    void OnIdle(wxIdleEvent& event);
    void OnItemActivated(wxListEvent& event);
    void OnItemRightClick(wxListEvent& event);
    void ShowContextMenu(const wxPoint& where);
    wxPoint SelectedRowPoint() const;
    // Enter on a focused button or link presses it; false when the focus is elsewhere.
    bool PressFocusedControl();
    void UpdateSelectedDevice();
    void OnUpdateAll();
    void OnCheckNow();
    void OnSettings();
    void OnScan();
    void OnOtherDevices();
    void OnDownload();
    void OnErrorLink();
    void HideErrorLink();
    void OnForceUpdate();
    void OnCopyUin();
    void OnSetDateTime();
    void OnTracing(bool on);
    void OnLoadBlackList();
    void OnDeleteBlackList();
    void OnRamFileList();
    void OnRamFileNamed(bool fetch);
    void OnSetSerialNo();
    void RefreshConnection();
    void OnStartupTimer(wxTimerEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnIconize(wxIconizeEvent& event);
    void OnTrayCommand(int id);
    void OnCancel();
    void DoExit();

    bool enableOthers_;
    bool taskRunning_ = false;
    bool exitRequested_ = false;
    bool exitDone_ = false;
    AgentErrorRecord error_;
    std::wstring downloadAddress_;
    std::function<void()> exitHandler_;
    wxEventLoopBase* loop_ = nullptr;
    using SelectionKey = std::tuple<int, std::int32_t, std::int32_t, std::int32_t, bool>;
    std::optional<SelectionKey> selectionKey_;
    // The device the open context menu was built for, and the one the running menu command
    // acts on.
    std::optional<std::int32_t> menuDevice_;
    std::optional<std::int32_t> menuCommandDevice_;
    std::atomic<bool> agentAbsent_{false};

    wxFont statusFont_;
    std::int32_t statusIconType_ = -1;
    bool statusIconPending_ = false;
    // The tray's two images, decoded when the tray first needs them.
    const wxBitmapBundle& IdleTrayIcon();
    const wxBitmapBundle& TaskTrayIcon();
    wxBitmapBundle idleTrayIcon_;
    wxBitmapBundle taskTrayIcon_;

    CDevicesListCtrl* list_ = nullptr;
    wxStaticText* status_ = nullptr;
    wxStaticBitmap* statusIcon_ = nullptr;
    wxHyperlinkCtrl* errorLink_ = nullptr;  // made with the first error that has a description
    wxBoxSizer* statusRow_ = nullptr;
    wxBoxSizer* revisionRow_ = nullptr;
    wxStaticText* lastCheckLabel_ = nullptr;
    wxStaticText* lastCheckTime_ = nullptr;
    wxStaticText* nextCheckLabel_ = nullptr;
    wxStaticText* nextCheckTime_ = nullptr;
    wxButton* settings_ = nullptr;
    wxBitmapButton* checkNow_ = nullptr;
    wxButton* updateAll_ = nullptr;
    wxButton* updateDevice_ = nullptr;
    wxButton* scan_ = nullptr;
    wxButton* otherDevices_ = nullptr;  // only where the command line enables other devices
    wxStaticText* revision_ = nullptr;
    wxButton* download_ = nullptr;  // made with the first announced revision

    // Scan progress for the scan session dialog, which exists only once it was first opened;
    // until then the worker's calls are ignored, as for a closed dialog.
    class ScanSessionRelay : public ScanSessionView {
    public:
        explicit ScanSessionRelay(const std::atomic<CSessionScanDataDlg*>& dialog)
            : dialog_(dialog) {}
        void OnScanProgress(std::int32_t number, std::int32_t result) override;
        void OnUploadProgress(std::int32_t number, std::int32_t result) override;

    private:
        const std::atomic<CSessionScanDataDlg*>& dialog_;
    };

    CLoadingBlackListWnd* loading_ = nullptr;
    CPrepareOfflineUpdateDlg* offline_ = nullptr;  // a child window, destroyed with this one
    // Set on the UI thread, read by the event channel's worker; a child of this window, so it
    // lives until after the worker has stopped.
    std::atomic<CSessionScanDataDlg*> scanDialog_{nullptr};
    ScanSessionRelay scanSession_{scanDialog_};
    std::unique_ptr<platform::DesktopTray> tray_;
    wxTimer startupTimer_;
    platform::UiThreadCall gate_;
    std::unique_ptr<EventChannelWorker> worker_;
};

}  // namespace vorn
