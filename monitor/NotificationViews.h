#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// The dialogs that take their share of the agent's notifications, as notification handling sees
// them. Like MainWindowOperations, every call comes from the event channel's worker thread; the
// implementation carries it to the UI thread and returns when it is done there.

namespace vorn {

// The scan session dialog. Both calls do nothing while the dialog's window does not exist.
class ScanSessionView {
public:
    virtual ~ScanSessionView() = default;

    // "get_scan_from_device": number of scans fetched so far; result 0 in progress, 1 finished.
    virtual void OnScanProgress(std::int32_t number, std::int32_t result) = 0;

    // "upload_scan_to_server": number of scans sent; result 0 in progress, 1 finished, 2 failed.
    virtual void OnUploadProgress(std::int32_t number, std::int32_t result) = 0;
};

// The offline update dialog, which gets its notifications whether or not it is open.
class OfflineUpdateView {
public:
    virtual ~OfflineUpdateView() = default;

    // "offline_update": step number of total; failed when the notification described an error
    // (already stored as the main window's error record when this is called).
    virtual void OnOfflineUpdateProgress(std::int32_t number, std::int32_t total, bool failed) = 0;
};

// What the save question of a fetched RAM file offers.
struct RamFileSaveQuestion {
    std::wstring proposedName;      // file name part of the agent's "filename"
    std::wstring defaultExtension;  // "zip"
    std::wstring filter;            // wildcard filter in the platform's file dialog form
    std::filesystem::path initialFolder;
};

// The RAM file list dialog, the save question for a fetched RAM file, the folder remembered for
// that question, and the message boxes of that action.
class RamFileViews {
public:
    virtual ~RamFileViews() = default;

    // Show the RAM file list dialog modally with this text; returns when the operator closed it.
    virtual void ShowRamFileList(const std::wstring& batches) = 0;

    // The profile value "SpecificPlatforms"/"RamFilePath"; empty when it is not set.
    virtual std::filesystem::path RamFileFolder() = 0;
    // Remember the folder of the file the operator chose, by the settings store's folder rule.
    virtual void RememberRamFileFolder(const std::filesystem::path& chosenFile) = 0;

    // Save-file dialog with overwrite prompt on; the chosen path, or nothing when cancelled.
    virtual std::optional<std::filesystem::path> AskSavePath(
        const RamFileSaveQuestion& question) = 0;

    // Modal message box with the error icon and an OK button; text already translated.
    virtual void ShowErrorBox(const std::wstring& text) = 0;
};

}  // namespace vorn
