#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/stattext.h>

#include "main_window_test_support.h"
#include "program/CUpdateCtrlDlg.h"
#include "offline/ui/CPrepareOfflineUpdateDlg.h"
#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using test::PumpUntil;

class MainWindowOffline : public testing::Test {
protected:
    void SetUp() override { platform::DesktopTray::OverrideAvailability(false); }
    void TearDown() override {
        delete window_;
        test::Pump();
        platform::DesktopTray::OverrideAvailability(std::nullopt);
    }

    test::TempDir registry_;
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    test::PrivatePipeNamespace pipes_;
    test::FakeAgent agent_;
    platform::ModalAnswers answers_;
    CUpdateCtrlDlg* window_ = nullptr;
};

TEST_F(MainWindowOffline, OtherDevicesButtonOpensTheUsbDiskWindow) {
    window_ = new CUpdateCtrlDlg(true);
    test::Pump();
    auto* button = window_->FindWindow(CUpdateCtrlDlg::kOtherDevicesId);
    ASSERT_TRUE(button->IsShown());
    wxCommandEvent click(wxEVT_BUTTON, CUpdateCtrlDlg::kOtherDevicesId);
    window_->ProcessWindowEvent(click);
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].kind, platform::AskedQuestion::Kind::Dialog);
    EXPECT_EQ(answers_.asked()[0].text, L"Обновление прошивки");
}

TEST_F(MainWindowOffline, OfflineProgressReachesTheOwnedDialogOnlyWhileItIsOpen) {
    window_ = new CUpdateCtrlDlg(false);
    test::Pump();
    // The dialog is made on first use: progress before then has nowhere to go and is dropped.
    test::Notify("<offline_update number=\"2\" total=\"4\"/>");
    test::Pump(std::chrono::milliseconds(300));
    CPrepareOfflineUpdateDlg& dialog = window_->OfflineUpdateDialog();
    auto* counter = dialog.FindWindow(CPrepareOfflineUpdateDlg::kCounterId);
    test::Notify("<offline_update number=\"1\" total=\"4\"/>");  // closed: nothing changes
    test::Pump(std::chrono::milliseconds(300));
    EXPECT_EQ(counter->GetLabel(), "");

    dialog.Show();
    test::Notify("<offline_update number=\"3\" total=\"12\"/>");
    EXPECT_TRUE(PumpUntil([&] { return counter->GetLabel() == "3/12"; }));
    test::Notify(
        "<offline_update number=\"4\" total=\"12\" error_id=\"7\" category=\"0\" "
        "error_description=\"no package\"/>");
    auto* link = dialog.FindWindow(CPrepareOfflineUpdateDlg::kErrorLinkId);
    EXPECT_TRUE(PumpUntil([&] { return link->IsShown(); }));
    EXPECT_EQ(window_->ErrorRecord().description, L"no package");
    dialog.Hide();
}

TEST_F(MainWindowOffline, OptionsButton1060OpensTheOwnedOfflineDialog) {
    window_ = new CUpdateCtrlDlg(false);
    test::Pump();
    int offlineShown = 0;
    answers_.SetHandler([&](wxDialog& dialog) {
        if (&dialog == &window_->OfflineUpdateDialog()) {
            ++offlineShown;
        } else {
            wxCommandEvent click(wxEVT_BUTTON, 1060);
            dialog.ProcessWindowEvent(click);
        }
        return static_cast<int>(wxID_CANCEL);
    });
    wxCommandEvent settings(wxEVT_BUTTON, CUpdateCtrlDlg::kSettingsId);
    window_->ProcessWindowEvent(settings);
    EXPECT_EQ(offlineShown, 1);
}

}  // namespace
}  // namespace vorn
