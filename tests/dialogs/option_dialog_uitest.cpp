#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "DialogTestSupport.h"
#include "app/AgentSettings.h"
#include "dialogs/ui/CHourMinuteCtrl.h"
#include "dialogs/ui/COptionDialog.h"
#include "platform/ui/ModalQuestions.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

class OptionDialogTest : public testing::Test {
protected:
    void SetUp() override {
        SetExtractionHotFolder(L"");
        SetExtractionScansFolder(L"");
    }

    template <class T>
    T& Control(wxDialog& dialog, int id) {
        auto* control = dynamic_cast<T*>(dialog.FindWindow(id));
        EXPECT_NE(control, nullptr) << id;
        return *control;
    }
    wxTextCtrl& Edit(wxDialog& dialog, int id) { return Control<wxTextCtrl>(dialog, id); }
    wxCheckBox& Box(wxDialog& dialog, int id) { return Control<wxCheckBox>(dialog, id); }
    CHourMinuteCtrl& Time(wxDialog& dialog) {
        return Control<CHourMinuteCtrl>(dialog, COptionDialog::kCheckTimeId);
    }
    void Toggle(wxDialog& dialog, int id, bool on) {
        Box(dialog, id).SetValue(on);
        wxCommandEvent click(wxEVT_CHECKBOX, id);
        click.SetInt(on ? 1 : 0);
        click.SetEventObject(dialog.FindWindow(id));
        dialog.FindWindow(id)->ProcessWindowEvent(click);
    }

    test::TempDir registry_;
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    test::TempDir folders_;
};

TEST_F(OptionDialogTest, ShowsTheOptionsAndTheDailyCheckSwitchGovernsTimeAndAutomaticUpdate) {
    SetLoadTimeout(45);
    SetCountExtractionEnabled(true);
    SetCountExtractionPeriod(1500);
    COptionDialog dialog(nullptr, {});
    dialog.FillControls({true, L"upd.example", 4, 30, true});
    EXPECT_EQ(dialog.GetTitle(), L"Настройки системы");
    EXPECT_FALSE(dialog.FindWindow(COptionDialog::kServerNameId)->IsShown());
    EXPECT_FALSE(dialog.FindWindow(COptionDialog::kServerNameLabelId)->IsShown());
    EXPECT_FALSE(dialog.FindWindow(COptionDialog::kOtherDevicesId)->IsShown());
    EXPECT_EQ(Time(dialog).Field()->GetValue(), "04:30");
    EXPECT_TRUE(Box(dialog, COptionDialog::kAutoUpdateId).GetValue());
    EXPECT_EQ(Edit(dialog, COptionDialog::kLoadTimeoutId).GetValue(), "45");
    EXPECT_EQ(Edit(dialog, COptionDialog::kCountPeriodId).GetValue(), "1500");
    EXPECT_TRUE(Box(dialog, COptionDialog::kCountExtractionId).GetValue());

    const std::vector<int> governed = {COptionDialog::kCheckTimeId, COptionDialog::kTimeFormatId,
                                       COptionDialog::kAutoUpdateId,
                                       COptionDialog::kAutoUpdateLabelId};
    for (bool on : {false, true, false}) {
        Toggle(dialog, COptionDialog::kDailyCheckId, on);
        for (int id : governed) {
            EXPECT_EQ(dialog.FindWindow(id)->IsThisEnabled(), on) << id;
        }
    }
    // With the daily check off, automatic update is off whatever its box shows; the hidden
    // server name goes back as it came; the time-out has its floor.
    Edit(dialog, COptionDialog::kLoadTimeoutId).SetValue("0");
    EXPECT_EQ(test::Press(dialog, wxID_OK), wxID_OK);
    EXPECT_EQ(dialog.GetOptions(), (AgentOptions{false, L"upd.example", 4, 30, false}));
    EXPECT_EQ(GetLoadTimeout(), 3);

    // Buttons without their windows stay disabled and say why.
    for (int id : {int{COptionDialog::kOfflineUpdateId}, int{COptionDialog::kNewBlackListId},
                   int{COptionDialog::kEditBlackListId}}) {
        EXPECT_FALSE(dialog.FindWindow(id)->IsThisEnabled()) << id;
        EXPECT_EQ(dialog.FindWindow(id)->GetToolTipText(), L"Эта функция пока недоступна") << id;
    }
}

TEST_F(OptionDialogTest, ATimeThePickerCannotHoldIsShownAs2359AndSentBackOnlyWhenChanged) {
    {
        COptionDialog dialog(nullptr, {});
        dialog.FillControls({true, L"", 24, 0, true});
        EXPECT_EQ(Time(dialog).Field()->GetValue(), "23:59");
        EXPECT_EQ(test::Press(dialog, wxID_OK), wxID_OK);
        EXPECT_EQ(dialog.GetOptions().checkHour, 24);
        EXPECT_EQ(dialog.GetOptions().checkMinute, 0);
    }
    COptionDialog dialog(nullptr, {});
    dialog.FillControls({true, L"", 24, 0, true});
    // Up on the hour wraps round the clock; then a typed time.
    Time(dialog).Field()->SetInsertionPoint(0);
    Time(dialog).Step(1);
    EXPECT_EQ(Time(dialog).Field()->GetValue(), "00:59");
    Time(dialog).Field()->SetInsertionPoint(4);
    Time(dialog).Step(1);
    EXPECT_EQ(Time(dialog).Field()->GetValue(), "00:00");
    Time(dialog).Field()->SetValue("6:15");
    EXPECT_EQ(test::Press(dialog, wxID_OK), wxID_OK);
    EXPECT_EQ(dialog.GetOptions().checkHour, 6);
    EXPECT_EQ(dialog.GetOptions().checkMinute, 15);
}

TEST_F(OptionDialogTest, OkWritesTheProgramSettingsAndMakesEveryLevelOfANewFolder) {
    platform::ModalAnswers answers;
    const fs::path hot = folders_ / "one" / "two" / "three";
    {
        COptionDialog dialog(nullptr, {});
        dialog.FillControls({});
        Toggle(dialog, COptionDialog::kCountExtractionId, true);
        Edit(dialog, COptionDialog::kCountPeriodId).SetValue("250");
        Edit(dialog, COptionDialog::kHotFolderId).SetValue(hot.wstring());
        Edit(dialog, COptionDialog::kScansFolderId).SetValue("");
        Edit(dialog, COptionDialog::kLoadTimeoutId).SetValue("12");
        EXPECT_EQ(test::Press(dialog, wxID_OK), wxID_OK);
    }
    EXPECT_TRUE(fs::is_directory(hot));
    EXPECT_TRUE(answers.asked().empty());
    EXPECT_EQ(GetExtractionScansFolder(), L"");
    EXPECT_TRUE(GetCountExtractionEnabled());
    EXPECT_EQ(GetCountExtractionPeriod(), 250);
}

// Escape and the close box, pressed in a real modal run, cancel: nothing is stored and the
// caller gets no options to send, also when a folder typed there cannot be made.
TEST_F(OptionDialogTest, EscapeAndTheCloseBoxCancelWhateverWasTyped) {
    SetLoadTimeout(45);
    const struct {
        const char* what;
        bool escape;  // else the close box
        std::wstring hotFolder;
    } cases[] = {
        {"Escape", true, L""},
        {"close box", false, L""},
        {"Escape, folder that cannot be made", true, L"/proc/no/such/folder"},
        {"close box, folder that cannot be made", false, L"/proc/no/such/folder"},
    };
    for (const auto& c : cases) {
        COptionDialog dialog(nullptr, {});
        platform::ModalAnswers answers;
        // The options dialog itself runs for real; any message box gets OK.
        answers.SetHandler(
            [&](wxDialog& shown) { return &shown == &dialog ? wxID_NONE : wxID_OK; });
        dialog.CallAfter([&] {
            Edit(dialog, COptionDialog::kLoadTimeoutId).SetValue("99");
            Edit(dialog, COptionDialog::kHotFolderId).SetValue(c.hotFolder);
            if (c.escape) {
                wxKeyEvent escape(wxEVT_CHAR_HOOK);
                escape.m_keyCode = WXK_ESCAPE;
                escape.SetEventObject(dialog.FindWindow(COptionDialog::kLoadTimeoutId));
                dialog.FindWindow(COptionDialog::kLoadTimeoutId)->ProcessWindowEvent(escape);
            } else {
                dialog.Close();
            }
        });
        // A dialog that cannot be dismissed fails the case instead of hanging the test.
        wxTimer hang;
        hang.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.EndModal(wxID_ABORT); });
        hang.StartOnce(15000);
        EXPECT_EQ(dialog.RunWithOptions({true, L"upd.example", 4, 30, true}), wxID_CANCEL)
            << c.what;
        hang.Stop();
        EXPECT_EQ(GetLoadTimeout(), 45) << c.what;
        EXPECT_EQ(GetExtractionHotFolder(), L"") << c.what;
        EXPECT_EQ(answers.asked().size(), 1u) << c.what;  // the dialog itself, no message
    }
}

TEST_F(OptionDialogTest, ToolButtonsOpenTheWindowsTheyWereGiven) {
    std::vector<std::wstring> opened;
    OptionDialogActions actions;
    actions.openOfflineUpdate = [&](wxWindow* parent) {
        EXPECT_NE(parent, nullptr);
        opened.push_back(L"offline");
    };
    actions.openBlackListEditor = [&](wxWindow*, const fs::path& file) {
        opened.push_back(L"editor " + file.wstring());
        if (file == "/broken.blist") {
            throw std::runtime_error("cannot read");
        }
    };
    COptionDialog dialog(nullptr, std::move(actions));
    dialog.FillControls({});
    EXPECT_TRUE(dialog.FindWindow(COptionDialog::kOfflineUpdateId)->IsThisEnabled());
    EXPECT_EQ(dialog.FindWindow(COptionDialog::kEditBlackListId)->GetToolTipText(), "");

    platform::ModalAnswers answers;
    answers.Answer(wxID_OK, "/lists/bank.blist");
    answers.Answer(wxID_CANCEL);
    answers.Answer(wxID_OK, "/broken.blist");
    for (int id : {int{COptionDialog::kOfflineUpdateId}, int{COptionDialog::kNewBlackListId},
                   int{COptionDialog::kEditBlackListId}, int{COptionDialog::kEditBlackListId},
                   int{COptionDialog::kEditBlackListId}}) {
        EXPECT_NE(test::Press(dialog, id), wxID_OK);
    }
    EXPECT_EQ(opened,
              (std::vector<std::wstring>{L"offline", L"editor ", L"editor /lists/bank.blist",
                                         L"editor /broken.blist"}));
    ASSERT_EQ(answers.asked().size(), 3u);
    EXPECT_EQ(answers.asked()[0].wildcard, "Black List Files (*.blist)|*.blist");
}

TEST_F(OptionDialogTest, ScreenshotsInRussianAndEnglish) {
    SetExtractionHotFolder(L"/srv/counts/hot");
    SetExtractionScansFolder(L"/home/operator/scans");
    {
        COptionDialog dialog(nullptr, {});
        dialog.FillControls({true, L"upd.example", 3, 0, true});
        test::SaveScreenshot(dialog, "options-ru");
    }
    test::EnglishInterface english;
    COptionDialog dialog(nullptr, {});
    dialog.FillControls({false, L"upd.example", 3, 0, false});
    EXPECT_EQ(dialog.GetTitle(), "System settings");
    test::SaveScreenshot(dialog, "options-en");
}

}  // namespace
}  // namespace vorn
