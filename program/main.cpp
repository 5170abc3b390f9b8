// Vorn_Update: keeps the firmware of the connected devices up to date through the agent.

#include <wx/app.h>
#include <wx/init.h>

#include "platform/SingleInstance.h"
#include "platform/ui/DesktopLeakSuppressions.h"
#include "program/CUpdateCtrlApp.h"
#include "program/ProgramVersion.h"

int main(int argc, char** argv) {
    vorn::platform::SingleInstance instance;
    if (instance.role() == vorn::platform::SingleInstance::Role::Second) {
        // Another instance runs: ask it for its window and end without a window, a log line or
        // an agent start.
        instance.SendActivation(vorn::MainWindowTitle());
        return 0;
    }
    wxApp::SetInstance(new vorn::CUpdateCtrlApp(instance));
    return wxEntry(argc, argv);
}
