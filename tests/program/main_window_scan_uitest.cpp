#include <gtest/gtest.h>

#include <string>

#include <wx/button.h>
#include <wx/choice.h>

#include "main_window_test_support.h"
#include "monitor/DeviceTable.h"
#include "program/CUpdateCtrlDlg.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "scan/ui/CSessionScanDataDlg.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using test::Notify;
using test::PumpUntil;

// The scan button opens the scan session dialog with the devices that allow scanning, and the
// scan notifications reach that dialog while it is open, and only then; before it was first
// opened there is no dialog to reach.
TEST(MainWindowScan, ButtonOpensTheDialogWhichTakesTheScanNotifications) {
    test::TempDir registry;
    test::TempDir data;
    test::ScopedEnv registryEnv("VORN_REGISTRY_DIR", registry.path().string());
    test::ScopedEnv dataEnv("VORN_DATA_DIR", data.path().string());
    test::PrivatePipeNamespace pipes;
    test::FakeAgent agent;
    agent.Reply("<getalldevinfo/>",
                "<devices><device id=\"5\" connect=\"2\" updates=\"2\" type=\"Q750M1\" "
                "name=\"UIN-5\"/><device id=\"6\" connect=\"2\" updates=\"2\" type=\"Q750M1\" "
                "name=\"UIN-6\"/></devices>");
    platform::DesktopTray::OverrideAvailability(false);
    auto* window = new CUpdateCtrlDlg(false);
    ASSERT_TRUE(PumpUntil([&] { return window->List().GetItemCount() == 2; }));
    Notify(
        "<hasfwupdate phase=\"end\" id=\"6\" state=\"2\" allowScanning=\"1\" serialno=\"S\" "
        "attributeName=\"RUB\" message=\"\" msgtype=\"0\"/>");
    ASSERT_TRUE(PumpUntil([&] { return window->List().Devices().ScanCapableUins().size() == 1; }));

    // Made on first use: progress before then has no dialog to go to and is dropped.
    Notify("<get_scan_from_device number=\"2\" result=\"0\"/>");
    Notify("<upload_scan_to_server number=\"2\" result=\"0\"/>");
    test::Pump(std::chrono::milliseconds(100));

    auto count = [](wxDialog& dialog) {
        return dialog.FindWindow(CSessionScanDataDlg::kScanCountId)->GetLabel();
    };
    platform::ModalAnswers answers;
    wxDialog* opened = nullptr;
    wxArrayString uins;
    bool routed = false;
    answers.SetHandler([&](wxDialog& shown) {
        opened = &shown;
        uins = dynamic_cast<wxChoice*>(shown.FindWindow(CSessionScanDataDlg::kUinId))->GetStrings();
        Notify("<get_scan_from_device number=\"4\" result=\"0\"/>");
        routed = PumpUntil([&] { return count(shown) == L"Всего сканов: 4"; });
        return wxID_OK;
    });
    wxCommandEvent click(wxEVT_BUTTON, CUpdateCtrlDlg::kScanId);
    window->ProcessWindowEvent(click);
    ASSERT_EQ(opened, &window->ScanDialog());
    ASSERT_EQ(uins.size(), 1u);
    EXPECT_EQ(uins[0], "UIN-6");
    EXPECT_TRUE(routed);

    // Closed, the dialog keeps what it showed, and opens again as the same dialog.
    Notify("<get_scan_from_device number=\"7\" result=\"0\"/>");
    test::Pump(std::chrono::milliseconds(300));
    EXPECT_EQ(count(*opened), L"Всего сканов: 4");
    answers.SetHandler([&](wxDialog& shown) {
        EXPECT_EQ(&shown, opened);
        return wxID_OK;
    });
    window->ProcessWindowEvent(click);

    delete window;
    test::Pump();
    platform::DesktopTray::OverrideAvailability(std::nullopt);
}

}  // namespace
}  // namespace vorn
