#include <gtest/gtest.h>

#include <string>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "DialogTestSupport.h"
#include "app/AppProfile.h"
#include "dialogs/ui/COptionDialog.h"
#include "dialogs/ui/CRamFileListDialog.h"
#include "dialogs/ui/CRamFilenameDialog.h"
#include "dialogs/ui/CSerialNoDialog.h"
#include "dialogs/ui/CServerParams.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

wxTextCtrl& Edit(wxDialog& dialog, int id) {
    auto* edit = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(id));
    EXPECT_NE(edit, nullptr) << id;
    return *edit;
}

// Types one character into a field the way a key press reaches it.
void Type(wxTextCtrl& edit, wxChar c) {
    wxKeyEvent key(wxEVT_CHAR);
    key.m_uniChar = c;
    key.m_keyCode = c;
    key.SetEventObject(&edit);
    if (edit.ProcessWindowEvent(key)) {
        return;  // taken by the field's filter: refused
    }
    edit.WriteText(wxString(c));
}

class ServiceDialogs : public testing::Test {
protected:
    test::TempDir registry_;
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
};

TEST_F(ServiceDialogs, SerialNumberTakesDigitsOnlyAndAtMostSix) {
    CSerialNoDialog dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "Serial No");
    wxTextCtrl& edit = Edit(dialog, CSerialNoDialog::kSerialId);
    for (wxChar c : wxString(L"1a2б-3 4567")) {
        Type(edit, c);
    }
    EXPECT_EQ(edit.GetValue(), "123456");
    // Pasted text keeps its first six digits as well.
    edit.SetValue("SN 98-76-54-32");
    EXPECT_EQ(edit.GetValue(), "987654");
    EXPECT_EQ(test::Press(dialog, wxID_OK), wxID_OK);
    EXPECT_EQ(dialog.SerialNumber(), L"987654");

    CSerialNoDialog cancelled(nullptr);
    Edit(cancelled, CSerialNoDialog::kSerialId).SetValue("1");
    EXPECT_EQ(test::Press(cancelled, wxID_CANCEL), wxID_CANCEL);
    EXPECT_EQ(cancelled.SerialNumber(), L"");
}

TEST_F(ServiceDialogs, RamFileNameIsRememberedAcrossBothCommandsAndCancelLeavesIt) {
    {
        CRamFilenameDialog fetch(L"Введите имя файла для загрузки...", nullptr);
        EXPECT_EQ(fetch.FindWindow(CRamFilenameDialog::kPromptId)->GetLabel(),
                  L"Введите имя файла для загрузки...");
        EXPECT_EQ(Edit(fetch, CRamFilenameDialog::kFileNameId).GetValue(), "");
        Edit(fetch, CRamFilenameDialog::kFileNameId).SetValue(L"журнал.zip");
        EXPECT_EQ(test::Press(fetch, wxID_OK), wxID_OK);
        EXPECT_EQ(fetch.FileName(), L"журнал.zip");
    }
    EXPECT_EQ(GetLastRamFilename(), L"журнал.zip");
    {
        CRamFilenameDialog remove(L"Введите имя удаляемого файла...", nullptr);
        EXPECT_EQ(Edit(remove, CRamFilenameDialog::kFileNameId).GetValue(), L"журнал.zip");
        Edit(remove, CRamFilenameDialog::kFileNameId).SetValue(L"other.bin");
        EXPECT_EQ(test::Press(remove, wxID_CANCEL), wxID_CANCEL);
    }
    EXPECT_EQ(GetLastRamFilename(), L"журнал.zip");
}

TEST_F(ServiceDialogs, ServerParamsStoreAddressAndPortAsTypedOnOkOnly) {
    {
        CServerParams dialog(nullptr);
        EXPECT_EQ(Edit(dialog, CServerParams::kAddressId).GetValue(), "127.0.0.1");
        EXPECT_EQ(Edit(dialog, CServerParams::kPortId).GetValue(), "3000");
    }
    struct Case {
        const wchar_t* address;
        const wchar_t* port;
        int stored;
    } cases[] = {
        {L"updates.example", L"8080", 8080},
        {L"", L"abc", 0},
        {L"10.0.0.1", L" 42x", 42},
        {L"h", L"", 0},
        {L"h", L"-5", -5},
        {L"h", L"99999999999", 2147483647},
    };
    for (const auto& c : cases) {
        CServerParams dialog(nullptr);
        Edit(dialog, CServerParams::kAddressId).SetValue(c.address);
        Edit(dialog, CServerParams::kPortId).SetValue(c.port);
        EXPECT_EQ(test::Press(dialog, wxID_OK), wxID_OK);
        EXPECT_EQ(GetHttpServerName(), c.address);
        EXPECT_EQ(GetHttpServerPort(), c.stored) << c.port;
        // The next dialog shows what was stored.
        CServerParams next(nullptr);
        EXPECT_EQ(Edit(next, CServerParams::kPortId).GetValue(), std::to_wstring(c.stored));
    }
    CServerParams cancelled(nullptr);
    Edit(cancelled, CServerParams::kAddressId).SetValue("never.example");
    EXPECT_EQ(test::Press(cancelled, wxID_CANCEL), wxID_CANCEL);
    EXPECT_EQ(GetHttpServerName(), L"h");
}

// Every OK/Cancel row is the desktop's one: both buttons in one standard button sizer, OK the
// default.
TEST_F(ServiceDialogs, OkAndCancelComeInTheDesktopsRow) {
    CServerParams server(nullptr);
    CSerialNoDialog serial(nullptr);
    CRamFilenameDialog name(L"prompt", nullptr);
    CRamFileListDialog list(nullptr);
    for (wxDialog* dialog : std::initializer_list<wxDialog*>{&server, &serial, &name, &list}) {
        auto* ok = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_OK));
        auto* cancel = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_CANCEL));
        ASSERT_TRUE(ok && cancel) << dialog->GetTitle();
        auto* row = dynamic_cast<wxStdDialogButtonSizer*>(ok->GetContainingSizer());
        EXPECT_NE(row, nullptr) << dialog->GetTitle();
        EXPECT_EQ(cancel->GetContainingSizer(), ok->GetContainingSizer()) << dialog->GetTitle();
        EXPECT_EQ(dialog->GetDefaultItem(), ok) << dialog->GetTitle();
    }
}

// The number fields share one filter: typed letters are refused; a paste stays as it is where
// the field reads what it can of it, and keeps its digits in the serial number.
TEST_F(ServiceDialogs, NumberFieldsRefuseTypedLetters) {
    COptionDialog options(nullptr, {});
    CSerialNoDialog serial(nullptr);
    const struct {
        wxTextCtrl* edit;
        wxString typed;
        wxString pasted;
    } cases[] = {
        {&Edit(options, COptionDialog::kLoadTimeoutId), "12345678", "x12 345"},
        {&Edit(options, COptionDialog::kCountPeriodId), "12345678", "x12 345"},
        {&Edit(serial, CSerialNoDialog::kSerialId), "123456", "12345"},
    };
    for (const auto& c : cases) {
        c.edit->ChangeValue("");
        for (wxChar ch : wxString(L"1a2б-3 45678")) {
            Type(*c.edit, ch);
        }
        EXPECT_EQ(c.edit->GetValue(), c.typed) << c.edit->GetId();
        c.edit->SetValue("x12 345");
        EXPECT_EQ(c.edit->GetValue(), c.pasted) << c.edit->GetId();
    }
}

void ShootAll(const std::string& language) {
    CServerParams server(nullptr);
    test::SaveScreenshot(server, "server-params-" + language);
    CSerialNoDialog serial(nullptr);
    Edit(serial, CSerialNoDialog::kSerialId).SetValue("004217");
    test::SaveScreenshot(serial, "serial-number-" + language);
    CRamFilenameDialog name(
        Localization::CVocabrix::Instance().TranslateString(L"Введите имя файла для загрузки..."),
        nullptr);
    test::SaveScreenshot(name, "ram-file-name-" + language);
    CRamFileListDialog list(nullptr);
    list.SetListText(L"trace.zip;journal_2024-03-05.zip;events.log;calib.bin");
    test::SaveScreenshot(list, "ram-file-list-" + language);
}

TEST_F(ServiceDialogs, ScreenshotsInRussianAndEnglish) {
    SetLastRamFilename(L"trace.zip");
    ShootAll("ru");
    test::EnglishInterface english;
    {
        CServerParams server(nullptr);
        EXPECT_EQ(server.GetTitle(), "Connection settings...");
    }
    ShootAll("en");
}

}  // namespace
}  // namespace vorn
