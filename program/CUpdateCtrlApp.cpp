#include "program/CUpdateCtrlApp.h"

#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/log.h>

#include <vector>

#include "app/AgentStart.h"
#include "app/AppProfile.h"
#include "logging/Logger.h"
#include "platform/FolderTree.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProgramLog.h"
#include "platform/SingleInstance.h"
#include "platform/ui/ModalQuestions.h"
#include "platform/ui/OutsideRequests.h"
#include "program/CUpdateCtrlDlg.h"
#include "program/CZeltCommandLineInfo.h"
#include "translation/Vocabrix.h"

namespace vorn {

namespace {

constexpr std::uint32_t kStartupLogLevel = 50;
constexpr std::uint32_t kAgentExitLogLevel = 50;

}  // namespace

CUpdateCtrlApp::CUpdateCtrlApp(platform::SingleInstance& instance) : instance_(instance) {}

CUpdateCtrlApp::~CUpdateCtrlApp() {
    platform::SetProgramLogSink({});
    Localization::CVocabrix::Instance().SetLogSink({});
}

bool CUpdateCtrlApp::OnInit() {
    // Deliberately no wxApp::OnInit(): the toolkit's own command-line options are not ours.
    SetAppName(AppProfile::kDefaultAppName);
    AppProfile::SetRegistryKey(AppProfile::kDefaultRegistryKey);

    // A missing log folder is the logger's business; start-up goes on either way.
    std::filesystem::path dataFolder = platform::DataFolder();
    platform::CreateFolderTree(dataFolder);
    logger_ = std::make_unique<Kavro::Greywick::Logger>();
    logger_->SetFolder(dataFolder / "logs");
    logger_->Log(kStartupLogLevel, "CUpdateCtrlApp::InitInstance() CreateMutex, the LastError: %d",
                 instance_.lastError());

    // Layers below the logger (the agent channels, the translation library) log through this.
    auto toLog = [logger = logger_.get()](const std::string& line) {
        logger->Log(kStartupLogLevel, "%s", line.c_str());
    };
    platform::SetProgramLogSink(toLog);
    Localization::CVocabrix::Instance().SetLogSink(toLog);

    // Set before the start: an agent that fails at once is reported too.
    const std::filesystem::path agent = AgentProgramPath();
    platform::ProcessLauncher::Instance().SetExitHandler(
        [this, agent](const std::filesystem::path& program, platform::ProcessId pid,
                      platform::ProcessExit exit) {
            if (program == agent) {
                LogAgentExit(pid, exit);
            }
        });
    StartAgentProcess();

    commandLine_ = std::make_unique<CZeltCommandLineInfo>();
    std::vector<std::wstring> args;
    std::vector<const wchar_t*> argvWide;
    for (int i = 0; i < argc; ++i) {
        args.push_back(argv[i].ToStdWstring());
    }
    for (const auto& a : args) {
        argvWide.push_back(a.c_str());
    }
    ParseCommandLine(static_cast<int>(argvWide.size()), argvWide.data(), *commandLine_);

    platform::ReceiveEndRequests([this] { EndBySignal(); });

    window_ = new CUpdateCtrlDlg(commandLine_->OtherDevicesEnabled());
    SetTopWindow(window_);
    instance_.ServeActivations([this](const std::wstring& title) {
        // Called on the guard's worker; the window is looked at on the UI thread.
        CallAfter([this, title] { OnActivationRequest(title); });
    });
    // Where the system delivers the request to the window itself, it found the window by title.
    platform::ReceiveActivationMessages(
        window_, [this] { OnActivationRequest(window_->GetTitle().ToStdWstring()); });
    return true;
}

int CUpdateCtrlApp::OnRun() {
    window_->RunUntilExit();
    // No activation or end request may reach a window that is going away.
    instance_.Stop();
    platform::StopActivationMessages(window_);
    platform::StopEndRequests();
    delete window_;
    window_ = nullptr;
    commandLine_.reset();
    platform::SetProgramLogSink({});
    Localization::CVocabrix::Instance().SetLogSink({});
    platform::ProcessLauncher::Instance().SetExitHandler(nullptr);
    logger_.reset();
    return 0;
}

int CUpdateCtrlApp::OnExit() {
    instance_.Stop();
    return wxApp::OnExit();
}

bool CUpdateCtrlApp::OtherDevicesEnabled() const {
    return commandLine_ && commandLine_->OtherDevicesEnabled();
}

void CUpdateCtrlApp::OnActivationRequest(const std::wstring& title) {
    if (window_ != nullptr && !endingBySignal_ && title == window_->GetTitle().ToStdWstring()) {
        window_->Activate();
    }
}

void CUpdateCtrlApp::LogAgentExit(platform::ProcessId pid, platform::ProcessExit exit) {
    // The reaper's thread; the logger takes its own lock.
    if (exit.bySignal) {
        logger_->Log(kAgentExitLogLevel, "The agent (process %lld) was ended by signal %u",
                     static_cast<long long>(pid), static_cast<unsigned>(exit.code));
    } else {
        logger_->Log(kAgentExitLogLevel, "The agent (process %lld) exited with status %u",
                     static_cast<long long>(pid), static_cast<unsigned>(exit.code));
    }
}

void CUpdateCtrlApp::EndBySignal() {
    endingBySignal_ = true;
    // Dialogs and message boxes run loops of their own: end them first (none opens after
    // this), then the main window's loop.
    platform::CloseModalQuestions();
    if (platform::OpenModalQuestions() > 0) {
        CallAfter([this] { EndBySignal(); });
        return;
    }
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        loop->Exit(0);
    }
}

}  // namespace vorn
