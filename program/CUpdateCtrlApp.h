#pragma once

#include <wx/app.h>

#include <memory>

#include "platform/ProcessLauncher.h"

namespace Kavro::Greywick {
class Logger;
}

namespace vorn {

class CUpdateCtrlDlg;
class CZeltCommandLineInfo;

namespace platform {
class SingleInstance;
}

// The application object: sets up everything the program needs before the operator sees a
// window, runs the main window until "Exit", and takes it all down again. The single-instance
// guard is taken by main() before the toolkit starts, so that a second start needs no display.
class CUpdateCtrlApp : public wxApp {
public:
    // `instance` is held by this process for the application's whole life.
    explicit CUpdateCtrlApp(platform::SingleInstance& instance);
    ~CUpdateCtrlApp() override;

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;

    bool OtherDevicesEnabled() const;

private:
    // An orderly end asked from outside (SIGTERM, SIGINT, the Windows termination event or
    // session end): end the way the window's destruction ends, without "Exit"'s message to the
    // agent.
    void EndBySignal();
    void OnActivationRequest(const std::wstring& title);
    // Records how the agent this program started has ended.
    void LogAgentExit(platform::ProcessId pid, platform::ProcessExit exit);

    platform::SingleInstance& instance_;
    std::unique_ptr<Kavro::Greywick::Logger> logger_;
    std::unique_ptr<CZeltCommandLineInfo> commandLine_;
    CUpdateCtrlDlg* window_ = nullptr;
    bool endingBySignal_ = false;
};

}  // namespace vorn
