#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vorn {

class DeviceTable;
class ScanSessionView;
class OfflineUpdateView;
class RamFileViews;

// The last error an agent message described; the error link of the main window opens it.
struct AgentErrorRecord {
    std::int32_t category = 1;  // 0 server communication, 1 device communication
    std::int32_t errorId = 0;
    std::wstring description;
    std::chrono::system_clock::time_point time;  // when the description arrived
};

// What notification handling asks of the main window. The main window implements it.
//
// Every operation is called on the event channel's worker thread (and once on the UI thread,
// for the reply to the set-options request). An implementation carries each call to the UI
// thread, completes it there and only then returns, as a window message would; while the window
// is being destroyed it returns without waiting. Texts arrive translated and ready to show.
class MainWindowOperations {
public:
    virtual ~MainWindowOperations() = default;

    // Status line = text. Message type 0: information icon, error link hidden; 1: warning
    // icon, link hidden; 2: error icon, link shown if an error description is stored (else the
    // link keeps its state); any other value: no icon, link hidden.
    virtual void ShowStatusMessage(std::int32_t messageType, const std::wstring& text) = 0;

    // Balloon of the tray icon: title "Zelt", information icon, 2000 ms, text cut to 255
    // characters.
    virtual void ShowTrayBalloon(const std::wstring& text) = 0;

    // Status line and balloon that tell whether any connected device has an update available,
    // or that no update is needed, or that no device is connected.
    virtual void ShowUpdateSummary() = 0;

    // A firmware download or write began: task running = true; disable "Обновить прошивку
    // уст-ва" and "Обновить все", hide the check-now button, disable the scan button if it is
    // visible.
    virtual void EnterTaskMode() = 0;

    // The task ended or failed: task running = false; disable "Обновить прошивку уст-ва", show
    // the check-now button, RefreshUpdateAllButton, enable the scan button if it is visible,
    // hide the list's progress bar.
    virtual void LeaveTaskMode() = 0;

    // As LeaveTaskMode, but the progress bar stays where it is: the download has ended and the
    // write goes on on the same bar.
    virtual void LeaveTaskModeKeepingProgress() = 0;

    // If no task runs, enable "Обновить все" exactly when the device table has a connected
    // device with an update available; while a task runs, leave it as it is.
    virtual void RefreshUpdateAllButton() = 0;

    // Keep this record as the window's error record (replacing the previous one).
    virtual void StoreErrorRecord(const AgentErrorRecord& record) = 0;

    // Keep the address that the download button opens.
    virtual void StoreDownloadAddress(const std::wstring& address) = 0;

    // Show the label "Последняя проверка:" and set the text beside it.
    virtual void ShowLastCheckTime(const std::wstring& text) = 0;

    // Show the label "Следующая проверка:" and set the text beside it.
    virtual void ShowNextCheckTime(const std::wstring& text) = 0;

    // Set the revision line under the list to revisionLine, set the download button's text to
    // buttonText and show the button.
    virtual void ShowNewRevision(const std::wstring& revisionLine,
                                 const std::wstring& buttonText) = 0;

    // Id of the device in the first selected row of the list; nothing when no row is selected.
    virtual std::optional<std::int32_t> SelectedDeviceId() = 0;

    // Show the button "Сканирование банкнот..." when visible is true, hide it otherwise.
    virtual void ShowScanButton(bool visible) = 0;

    // Lay the list's progress bar over the "Обновление" cell of this device: range 0..100,
    // position 0, shown. Nothing when the device has no row.
    virtual void PlaceProgress(std::int32_t deviceId) = 0;

    // Set the position of the list's progress bar (0..100).
    virtual void SetProgressPosition(int position) = 0;

    // Whether the list's progress bar is shown.
    virtual bool IsProgressVisible() = 0;

    // Hide the black-list loading window (it waits for the agent's next message of any kind).
    virtual void HideLoadingWindow() = 0;

    // The device table held by the list control. Its operations lock it themselves and may be
    // used from any thread; the list redraws by itself after each change.
    virtual DeviceTable& Devices() = 0;

    // The dialogs that take their share of the notifications; see NotificationViews.h.
    virtual ScanSessionView& ScanSession() = 0;
    virtual OfflineUpdateView& OfflineUpdate() = 0;
    virtual RamFileViews& RamFiles() = 0;
};

}  // namespace vorn
