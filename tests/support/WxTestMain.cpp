// main() for tests that open real wxWidgets windows. They run under Xvfb; a plain
// --gtest_list_tests run (test discovery at build time) needs no display and starts no toolkit.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include "platform/ui/DesktopLeakSuppressions.h"

namespace {

// A GUI application object, so that GTK is initialised for the windows the tests create.
wxAppConsole* CreateTestApp() {
    return new wxApp;
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    if (wxApp::GetInitializerFunction() == nullptr) {
        wxApp::SetInitializerFunction(CreateTestApp);
    }
    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr, "cannot start wxWidgets (is DISPLAY set?)\n");
        return 1;
    }
    // Log to stderr: a log window would wait for someone to close it.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    // A failed wxWidgets check fails the test instead of opening a dialog nobody answers.
    wxSetAssertHandler([](const wxString& file, int line, const wxString&, const wxString& cond,
                          const wxString& msg) {
        ADD_FAILURE() << file << ":" << line << ": " << cond << " " << msg;
    });
    const int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
