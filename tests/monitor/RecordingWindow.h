#pragma once

// A main window that touches no real window: it records every call notification handling makes
// as one line of text, in order, and keeps a real device table. Used by the notification
// handling tests and by the fuzz targets (header-only: those are built from their own lists).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "monitor/DeviceTable.h"
#include "monitor/MainWindowOperations.h"
#include "monitor/NotificationViews.h"

namespace vorn::test {

class RecordingWindow final : public MainWindowOperations,
                              public ScanSessionView,
                              public OfflineUpdateView,
                              public RamFileViews {
public:
    void ShowStatusMessage(std::int32_t type, const std::wstring& text) override {
        calls.push_back(L"status " + std::to_wstring(type) + L" " + text);
    }
    void ShowTrayBalloon(const std::wstring& text) override { calls.push_back(L"balloon " + text); }
    void ShowUpdateSummary() override { calls.push_back(L"summary"); }
    void EnterTaskMode() override { calls.push_back(L"enter task"); }
    void LeaveTaskMode() override {
        calls.push_back(L"leave task");
        progressVisible = false;
    }
    void LeaveTaskModeKeepingProgress() override { calls.push_back(L"leave task keeping bar"); }
    void RefreshUpdateAllButton() override { calls.push_back(L"refresh update all"); }
    void StoreErrorRecord(const AgentErrorRecord& record) override { error = record; }
    void StoreDownloadAddress(const std::wstring& address) override {
        calls.push_back(L"download address " + address);
    }
    void ShowLastCheckTime(const std::wstring& text) override { calls.push_back(L"last " + text); }
    void ShowNextCheckTime(const std::wstring& text) override { calls.push_back(L"next " + text); }
    void ShowNewRevision(const std::wstring& line, const std::wstring& button) override {
        calls.push_back(L"revision " + line + L" | " + button);
    }
    std::optional<std::int32_t> SelectedDeviceId() override { return selected; }
    void ShowScanButton(bool visible) override {
        calls.push_back(visible ? L"scan button shown" : L"scan button hidden");
    }
    void PlaceProgress(std::int32_t id) override {
        calls.push_back(L"place bar " + std::to_wstring(id));
        progressVisible = true;
        progress = 0;
    }
    void SetProgressPosition(int position) override {
        calls.push_back(L"bar " + std::to_wstring(position));
        progress = position;
    }
    bool IsProgressVisible() override { return progressVisible; }
    void HideLoadingWindow() override { ++loadingHidden; }
    DeviceTable& Devices() override { return table; }
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
        calls.push_back(L"ram list " + batches);
    }
    std::filesystem::path RamFileFolder() override { return ramFolder; }
    void RememberRamFileFolder(const std::filesystem::path& chosenFile) override {
        rememberedRamFile = chosenFile;
    }
    std::optional<std::filesystem::path> AskSavePath(const RamFileSaveQuestion& q) override {
        question = q;
        calls.push_back(L"ask save " + q.proposedName);
        return answer;
    }
    void ShowErrorBox(const std::wstring& text) override { calls.push_back(L"error box " + text); }

    std::vector<std::wstring> calls;
    DeviceTable table;
    std::optional<AgentErrorRecord> error;
    std::optional<std::int32_t> selected;
    bool progressVisible = false;
    int progress = -1;
    int loadingHidden = 0;
    std::filesystem::path ramFolder;
    std::optional<std::filesystem::path> rememberedRamFile;
    std::optional<RamFileSaveQuestion> question;
    std::optional<std::filesystem::path> answer;
};

}  // namespace vorn::test
