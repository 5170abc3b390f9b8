#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <wx/dialog.h>

#include "offline/PackageUnpacker.h"
#include "offline/UpdateServerClient.h"
#include "platform/VolumeWatcher.h"
#include "platform/ui/UiThreadCall.h"

class wxButton;
class wxComboBox;
class wxStaticText;

namespace Kavro::Greywick {
class Logger;
}

namespace vorn {

// Prepares a firmware update for a device that the agent does not update: asks the update
// server for the device's model by its serial number, waits for a USB disk and unpacks the
// model's package onto it; for model 1 it unpacks into the updater program's folder and starts
// "Renovex" instead. Modal. The lookup, the download and the unpacking run on a worker while the
// window shows their progress; Cancel stops them within a second, takes back what was written
// and closes the window.
class CPrepareUsbDisk : public wxDialog {
public:
    enum Id : int {
        kMessageId = 1100,
        kConnectionId = 1101,
        kSerialId = 1104,
        kPromptId = 1105,
    };
    static constexpr const char* kUpdaterName = "Renovex";
    // Its file name on this system ("Renovex.exe" on Windows).
    static std::filesystem::path UpdaterFileName();

    // volumes: where USB disks are seen coming and going; null: the desktop's volume monitor.
    explicit CPrepareUsbDisk(wxWindow* parent,
                             std::unique_ptr<platform::VolumeWatcher> volumes = nullptr);
    ~CPrepareUsbDisk() override;

    int Stage() const { return stage_; }
    std::int32_t Model() const { return model_; }
    std::wstring SerialNumber() const { return serial_; }
    // A lookup, download or unpacking is running on the worker.
    bool Working() const { return working_; }

private:
    void CreateControls();
    void ShowMessage(const wxString& text);
    void EnableActions(bool enable);
    void OnOk(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    // Runs `work` on the worker; it reports back through gate_. The previous worker has ended.
    void StartWork(std::function<void()> work);
    // On the UI thread once the worker's work is over: false when the window closes instead.
    bool EndWork();
    // Called on the worker: shows `text` at most every so often, and always when `force`.
    void ShowProgress(const wxString& text, bool force);
    void OnLookupDone(const std::wstring& error, std::int32_t model);
    void OnDownloadDone(const std::wstring& error);
    void OnUnpackDone(const UnpackReport& report, const std::filesystem::path& target);
    void OnConnectionParameters(wxCommandEvent& event);
    void OnSerialSelected(wxCommandEvent& event);
    void CheckSerialNumber();
    void RememberSerialNumber();
    void StartWaitingForDisk();
    void OnVolumeAdded(const platform::MountedVolume& volume);
    void OnVolumeRemoved(const platform::MountedVolume& volume);
    void DownloadAndUnpack();
    // The folder of the updater when "Renovex" is there, after asking for it if need be.
    bool FindUpdater();
    void StartUpdater();
    std::filesystem::path UpdaterFolder(bool currentWhenUnset) const;
    std::optional<HttpCredentials> AskCredentials(bool proxy);
    // The same, asked from the worker.
    std::optional<HttpCredentials> AskCredentialsFromWorker(bool proxy);
    void Log(const std::string& line);

    std::unique_ptr<platform::VolumeWatcher> volumes_;
    std::unique_ptr<Kavro::Greywick::Logger> logger_;
    wxStaticText* prompt_ = nullptr;
    wxComboBox* serialBox_ = nullptr;
    wxStaticText* message_ = nullptr;
    wxButton* connection_ = nullptr;
    wxButton* ok_ = nullptr;
    wxButton* cancel_ = nullptr;

    int stage_ = 0;
    std::int32_t model_ = 0;
    std::wstring serial_;
    bool waiting_ = false;
    std::optional<platform::MountedVolume> disk_;
    std::filesystem::path updaterFolder_;  // where "Renovex" was found for this run

    bool working_ = false;
    bool closeWhenDone_ = false;     // Cancel was pressed during the work
    bool diskGone_ = false;          // the chosen disk went away during the work
    std::atomic<bool> stop_{false};  // the worker is to stop
    std::chrono::steady_clock::time_point lastProgress_;  // worker only
    // Declared last: closed first thing in destruction, then the worker is joined.
    platform::UiThreadCall gate_{this};
    std::thread worker_;
};

}  // namespace vorn
