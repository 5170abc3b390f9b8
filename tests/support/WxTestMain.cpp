// main() for tests that open real wxWidgets windows. They run under Xvfb; a plain
// --gtest_list_tests run (test discovery at build time) needs no display and starts no toolkit.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr, "cannot start wxWidgets (is DISPLAY set?)\n");
        return 1;
    }
    // Log to stderr: a log window would wait for someone to close it.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    int result = RUN_ALL_TESTS();
    wxEntryCleanup();
    return result;
}
