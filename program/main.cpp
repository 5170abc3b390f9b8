// Vorn_Update: keeps the firmware of the connected devices up to date through the agent.

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <string>

#include "app/AgentSettings.h"
#include "app/LanguageCatalogue.h"
#include "platform/SingleInstance.h"
#include "platform/TextConversion.h"
#include "platform/ui/DesktopLeakSuppressions.h"
#include "program/CUpdateCtrlApp.h"
#include "program/ProgramOptions.h"
#include "program/ProgramVersion.h"

namespace {

constexpr int kUsageExit = 2;
constexpr int kNoDisplayExit = 1;

int Usage(const std::string& problem) {
    std::fprintf(stderr, "vorn-update: %s\n\n%s", problem.c_str(), vorn::ProgramUsage().c_str());
    return kUsageExit;
}

// Stores the language asked for; false (with the reason printed) when there is no such language.
bool StoreLanguage(const std::string& requested) {
    auto& catalogue = vorn::LanguageCatalogue::Instance();
    auto id = catalogue.ResolveChoice(requested);
    if (!id) {
        std::string known;
        for (const auto& choosable : catalogue.ChoosableIds()) {
            known += (known.empty() ? "" : ", ") + choosable;
        }
        Usage("no language " + requested + " (there are " + known + ")");
        return false;
    }
    vorn::SetCurrentLanguage(vorn::platform::Utf8ToWide(*id));
    return true;
}

// wxEntry, with the toolkit's start checked first: without a display the toolkit would report it
// in a message box it cannot show.
int RunProgram(int argc, char** argv) {
    {
        wxLogNull quiet;
        if (!wxEntryStart(argc, argv)) {
            std::fputs(
                "vorn-update: no display to show the window on (is DISPLAY or WAYLAND_DISPLAY "
                "set?)\n",
                stderr);
            return kNoDisplayExit;
        }
    }
    int code = -1;
    if (wxTheApp->CallOnInit()) {
        code = wxTheApp->OnRun();
        wxTheApp->OnExit();
    }
    wxEntryCleanup();
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before anything else: no display, settings, instance check or agent is touched.
    const vorn::ProgramOptions options = vorn::ParseProgramOptions(argc, argv);
    switch (options.action) {
        case vorn::ProgramOptions::Action::Help:
            std::fputs(vorn::ProgramUsage().c_str(), stdout);
            return 0;
        case vorn::ProgramOptions::Action::Version:
            std::printf("Vorn Update %s\n",
                        vorn::platform::WideToUtf8(vorn::ProgramVersionText()).c_str());
            return 0;
        case vorn::ProgramOptions::Action::UsageError:
            return Usage(options.problem);
        case vorn::ProgramOptions::Action::Run:
            break;
    }
    if (options.language && !StoreLanguage(*options.language)) {
        return kUsageExit;
    }

    vorn::platform::SingleInstance instance;
    if (instance.role() == vorn::platform::SingleInstance::Role::Second) {
        // Another instance runs: ask it for its window and end without a window, a log line or
        // an agent start.
        if (options.language) {
            std::puts("Vorn Update already runs; the language applies from its next start.");
        }
        instance.SendActivation(vorn::MainWindowTitle());
        return 0;
    }
    vorn::LanguageCatalogue::Instance().StoreFirstLanguage(vorn::DesktopMessagesLocale());
    wxApp::SetInstance(new vorn::CUpdateCtrlApp(instance));
    return RunProgram(argc, argv);
}
