#pragma once

// A main window for the fuzz targets: it takes every operation notification handling asks for
// and keeps a line for each, touching no real window. Its answers are fixed.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "monitor/DeviceTable.h"
#include "monitor/MainWindowOperations.h"
#include "monitor/NotificationViews.h"

namespace vorn::fuzz {

class RecordingWindow final : public MainWindowOperations,
                              public ScanSessionView,
                              public OfflineUpdateView,
                              public RamFileViews {
public:
    std::vector<std::wstring> calls;
    std::vector<std::wstring> errorBoxes;
    int savePathQuestions = 0;
    std::optional<std::filesystem::path> savePath;  // the answer to the save question
    int progress = 0;
    bool progressShown = false;

    void ShowStatusMessage(std::int32_t type, const std::wstring& text) override {
        calls.push_back(L"status " + std::to_wstring(type) + L" " + text);
    }
    void ShowTrayBalloon(const std::wstring& text) override { calls.push_back(L"balloon " + text); }
    void ShowUpdateSummary() override { calls.push_back(L"summary"); }
    void EnterTaskMode() override { calls.push_back(L"enter task"); }
    void LeaveTaskMode() override {
        progressShown = false;
        calls.push_back(L"leave task");
    }
    void LeaveTaskModeKeepingProgress() override { calls.push_back(L"leave task, keep bar"); }
    void RefreshUpdateAllButton() override { calls.push_back(L"refresh"); }
    void StoreErrorRecord(const AgentErrorRecord& record) override {
        calls.push_back(L"error " + record.description);
    }
    void StoreDownloadAddress(const std::wstring& address) override {
        calls.push_back(L"address " + address);
    }
    void ShowLastCheckTime(const std::wstring& text) override { calls.push_back(L"last " + text); }
    void ShowNextCheckTime(const std::wstring& text) override { calls.push_back(L"next " + text); }
    void ShowNewRevision(const std::wstring& line, const std::wstring& button) override {
        calls.push_back(L"revision " + line + L" " + button);
    }
    std::optional<std::int32_t> SelectedDeviceId() override { return 1; }
    void ShowScanButton(bool visible) override {
        calls.push_back(visible ? L"scan on" : L"scan off");
    }
    void PlaceProgress(std::int32_t) override {
        progress = 0;
        progressShown = true;
    }
    void SetProgressPosition(int position) override { progress = position; }
    bool IsProgressVisible() override { return progressShown; }
    void HideLoadingWindow() override { calls.push_back(L"hide loading"); }
    DeviceTable& Devices() override { return devices_; }
    ScanSessionView& ScanSession() override { return *this; }
    OfflineUpdateView& OfflineUpdate() override { return *this; }
    RamFileViews& RamFiles() override { return *this; }

    void OnScanProgress(std::int32_t number, std::int32_t result) override {
        calls.push_back(L"scan " + std::to_wstring(number) + L" " + std::to_wstring(result));
    }
    void OnUploadProgress(std::int32_t number, std::int32_t result) override {
        calls.push_back(L"upload " + std::to_wstring(number) + L" " + std::to_wstring(result));
    }
    void OnOfflineUpdateProgress(std::int32_t number, std::int32_t total, bool failed) override {
        calls.push_back(L"offline " + std::to_wstring(number) + L"/" + std::to_wstring(total) +
                        (failed ? L" failed" : L""));
    }
    void ShowRamFileList(const std::wstring& batches) override {
        calls.push_back(L"list " + batches);
    }
    std::filesystem::path RamFileFolder() override { return {}; }
    void RememberRamFileFolder(const std::filesystem::path&) override {}
    std::optional<std::filesystem::path> AskSavePath(const RamFileSaveQuestion&) override {
        ++savePathQuestions;
        return savePath;
    }
    void ShowErrorBox(const std::wstring& text) override { errorBoxes.push_back(text); }

private:
    DeviceTable devices_;
};

}  // namespace vorn::fuzz
