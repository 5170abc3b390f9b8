// The main window's settings command against an agent on a real local socket: options asked,
// the dialog run, the registry written and the new options sent back byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <wx/checkbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/AgentSettings.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/ui/COptionDialog.h"
#include "main_window_test_support.h"
#include "program/CUpdateCtrlDlg.h"
#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::FakeAgent;
using test::Notify;
using test::PumpUntil;

constexpr const char* kOptionsReply =
    "<options server_name=\"upd.example\" autoupdate=\"1\" check_firmware_updates_time=\"04:30\" "
    "check_firmware_updates_enabled=\"1\"/>";

class SettingsFlowTest : public testing::Test {
protected:
    void SetUp() override {
        agent_.Reply("<getoptions/>", kOptionsReply);
        platform::DesktopTray::OverrideAvailability(false);
        window_ = new CUpdateCtrlDlg(false);
        test::Pump();
        agent_.Clear();
    }
    void TearDown() override {
        delete window_;
        test::Pump();
        platform::DesktopTray::OverrideAvailability(std::nullopt);
    }

    // Clicks "Настройки..." while `fill` plays the operator in the options dialog; returns what
    // the dialog ended with.
    int Settings(const std::function<int(COptionDialog&)>& fill) {
        int result = 0;
        answers_.SetHandler([&](wxDialog& dialog) {
            if (auto* options = dynamic_cast<COptionDialog*>(&dialog)) {
                result = fill(*options);
                return result;
            }
            return static_cast<int>(wxID_OK);  // message boxes
        });
        wxCommandEvent click(wxEVT_BUTTON, CUpdateCtrlDlg::kSettingsId);
        window_->ProcessWindowEvent(click);
        return result;
    }

    static wxTextCtrl& Edit(wxDialog& dialog, int id) {
        return *dynamic_cast<wxTextCtrl*>(dialog.FindWindow(id));
    }
    static void SetBox(wxDialog& dialog, int id, bool on) {
        auto* box = dynamic_cast<wxCheckBox*>(dialog.FindWindow(id));
        box->SetValue(on);
        wxCommandEvent click(wxEVT_CHECKBOX, id);
        click.SetInt(on ? 1 : 0);
        box->ProcessWindowEvent(click);
    }

    test::TempDir registry_;
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    test::TempDir folders_;
    test::PrivatePipeNamespace pipes_;
    FakeAgent agent_;
    platform::ModalAnswers answers_;
    CUpdateCtrlDlg* window_ = nullptr;
};

TEST_F(SettingsFlowTest, OkWritesTheRegistrySendsTheOptionsAndHandsTheReplyOn) {
    const fs::path hot = folders_ / "hot" / "counts";
    agent_.Reply(
        "<app_options server_name=\"upd.example\" autoupdate=\"1\" "
        "check_firmware_updates_time=\"05:30\" check_firmware_updates_enabled=\"1\" />",
        "<message msgtype=\"0\" message=\"Настройки применены\"/>");
    EXPECT_EQ(Settings([&](COptionDialog& dialog) {
                  EXPECT_EQ(dynamic_cast<wxTextCtrl*>(
                                dialog.FindWindow(COptionDialog::kCheckTimeId)->GetChildren()[0])
                                ->GetValue(),
                            "04:30");
                  Edit(dialog, COptionDialog::kHotFolderId).SetValue(hot.wstring());
                  Edit(dialog, COptionDialog::kScansFolderId).SetValue("");
                  Edit(dialog, COptionDialog::kLoadTimeoutId).SetValue("1");
                  dynamic_cast<wxTextCtrl*>(
                      dialog.FindWindow(COptionDialog::kCheckTimeId)->GetChildren()[0])
                      ->SetValue("05:30");
                  return test::Press(dialog, wxID_OK);
              }),
              wxID_OK);
    EXPECT_EQ(
        agent_.Requests(),
        (std::vector<std::string>{
            "<getoptions/>",
            "<app_options server_name=\"upd.example\" autoupdate=\"1\" "
            "check_firmware_updates_time=\"05:30\" check_firmware_updates_enabled=\"1\" />"}));
    EXPECT_TRUE(fs::is_directory(hot));
    EXPECT_EQ(GetLoadTimeout(), 3);
    EXPECT_EQ(GetExtractionHotFolder(), hot.wstring());
    // The reply is handled as a notification.
    EXPECT_EQ(
        dynamic_cast<wxStaticText*>(window_->FindWindow(CUpdateCtrlDlg::kStatusId))->GetLabel(),
        L"Настройки применены");
}

TEST_F(SettingsFlowTest, DailyCheckOffClearsAndHidesTheCheckTimes) {
    Notify("<check_update_time last=\"1765170000\" next=\"1765256400\"/>");
    ASSERT_TRUE(PumpUntil([&] {
        return window_->FindWindow(CUpdateCtrlDlg::kNextCheckLabelId)->IsShown() &&
               window_->FindWindow(CUpdateCtrlDlg::kLastCheckLabelId)->IsShown();
    }));
    Settings([&](COptionDialog& dialog) {
        SetBox(dialog, COptionDialog::kDailyCheckId, false);
        return test::Press(dialog, wxID_OK);
    });
    EXPECT_EQ(agent_.Requests().back(),
              "<app_options server_name=\"upd.example\" autoupdate=\"0\" "
              "check_firmware_updates_time=\"04:30\" check_firmware_updates_enabled=\"0\" />");
    for (int id :
         {int{CUpdateCtrlDlg::kLastCheckLabelId}, int{CUpdateCtrlDlg::kNextCheckLabelId}}) {
        EXPECT_FALSE(window_->FindWindow(id)->IsShown()) << id;
    }
    for (int id : {int{CUpdateCtrlDlg::kLastCheckTimeId}, int{CUpdateCtrlDlg::kNextCheckTimeId}}) {
        EXPECT_EQ(window_->FindWindow(id)->GetLabel(), "") << id;
    }
}

TEST_F(SettingsFlowTest, AFolderThatCannotBeMadeKeepsTheDialogOpenAndCancelSendsNothing) {
    test::WriteFileBytes(folders_ / "file", "x");
    const fs::path impossible = folders_ / "file" / "hot";
    int presses = 0;
    EXPECT_EQ(Settings([&](COptionDialog& dialog) {
                  Edit(dialog, COptionDialog::kHotFolderId).SetValue(impossible.wstring());
                  Edit(dialog, COptionDialog::kLoadTimeoutId).SetValue("64");
                  presses += test::Press(dialog, wxID_OK) == 0 ? 1 : 0;
                  // The operator gives up: the close box.
                  return static_cast<int>(wxID_CANCEL);
              }),
              wxID_CANCEL);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(GetExtractionHotFolder(), impossible.wstring());
    EXPECT_EQ(GetLoadTimeout(), 64);
    int refused = 0;
    for (const auto& asked : answers_.asked()) {
        refused += asked.text == L"Не удалось создать указанную папку" ? 1 : 0;
    }
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(agent_.Requests(), std::vector<std::string>{"<getoptions/>"});

    // Without an answer to "getoptions" no dialog opens.
    agent_.Clear();
    answers_.ClearAsked();
    test::PrivatePipeNamespace elsewhere;
    Settings([](COptionDialog&) { return static_cast<int>(wxID_OK); });
    EXPECT_TRUE(answers_.asked().empty());
}

}  // namespace
}  // namespace vorn
