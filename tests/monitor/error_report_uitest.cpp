#include <gtest/gtest.h>

#include <chrono>

#include <wx/clipbrd.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/DialogTestSupport.h"
#include "monitor/ErrorTexts.h"
#include "monitor/ui/CErrorReportingDlg.h"

namespace vorn {
namespace {

AgentErrorRecord SampleReport() {
    AgentErrorRecord report;
    report.errorId = 4021;
    report.category = 0;
    report.description =
        L"Не удалось загрузить прошивку с сервера обновлений: сервер не ответил в течение 30 "
        L"секунд. Проверьте имя сервера обновлений в настройках и подключение к сети.";
    report.time = std::chrono::system_clock::now();
    return report;
}

wxString Label(wxWindow& dialog, int id) {
    return dialog.FindWindow(id)->GetLabel();
}

wxString ClipboardText() {
    wxClipboardLocker locker;
    wxTextDataObject text;
    if (!locker || !wxTheClipboard->GetData(text)) {
        return {};
    }
    return text.GetText();
}

TEST(ErrorReport, ShowsTheReportWithItsIdOnlyWhenThereIsOne) {
    AgentErrorRecord report = SampleReport();
    {
        CErrorReportingDlg dialog(report, nullptr);
        EXPECT_EQ(dialog.GetTitle(), "Error Reporting");
        EXPECT_EQ(Label(dialog, CErrorReportingDlg::kTitleId), "ERROR!");
        EXPECT_EQ(Label(dialog, CErrorReportingDlg::kErrorIdId), "[4021]");
        EXPECT_EQ(Label(dialog, CErrorReportingDlg::kCategoryId), L"Коммуникация с сервером");
        EXPECT_EQ(Label(dialog, CErrorReportingDlg::kTimeId), ErrorTimeText(report.time));
        auto* description =
            dynamic_cast<wxTextCtrl*>(dialog.FindWindow(CErrorReportingDlg::kDescriptionId));
        ASSERT_NE(description, nullptr);
        EXPECT_EQ(description->GetValue(), WrapErrorDescription(report.description));
        EXPECT_FALSE(description->IsEditable());
        EXPECT_EQ(dialog.FindWindow(CErrorReportingDlg::kTitleId)->GetForegroundColour(),
                  wxColour(0, 0, 255));
        EXPECT_TRUE(dialog.FindWindow(CErrorReportingDlg::kTimeLabelId)->GetFont().GetWeight() ==
                    wxFONTWEIGHT_BOLD);
        test::SaveScreenshot(dialog, "error-report-ru");
    }
    report.errorId = 0;
    report.category = 5;
    CErrorReportingDlg dialog(report, nullptr);
    EXPECT_EQ(Label(dialog, CErrorReportingDlg::kErrorIdId), "");
    EXPECT_EQ(Label(dialog, CErrorReportingDlg::kCategoryId), L"Неизвестно");
}

TEST(ErrorReport, CtrlCAndCopyOfTheContextMenuPutTheWholeReportOnTheClipboard) {
    const AgentErrorRecord report = SampleReport();
    CErrorReportingDlg dialog(report, nullptr);
    const wxString expected = ErrorReportText(report);

    {
        wxClipboardLocker locker;
        wxTheClipboard->SetData(new wxTextDataObject("before"));
    }
    wxKeyEvent key(wxEVT_CHAR_HOOK);
    key.m_keyCode = 'C';
    key.m_controlDown = true;
    dialog.ProcessWindowEvent(key);
    EXPECT_EQ(ClipboardText(), expected);
    EXPECT_NE(expected.Find("[4021]"), wxNOT_FOUND);

    {
        wxClipboardLocker locker;
        wxTheClipboard->SetData(new wxTextDataObject("before"));
    }
    wxCommandEvent copy(wxEVT_MENU, wxID_COPY);
    dialog.ProcessWindowEvent(copy);
    EXPECT_EQ(ClipboardText(), expected);

    // A plain C is no copy.
    {
        wxClipboardLocker locker;
        wxTheClipboard->SetData(new wxTextDataObject("before"));
    }
    key.m_controlDown = false;
    dialog.ProcessWindowEvent(key);
    EXPECT_EQ(ClipboardText(), "before");
}

TEST(ErrorReport, EnglishInterface) {
    test::EnglishInterface english;
    CErrorReportingDlg dialog(SampleReport(), nullptr);
    EXPECT_EQ(Label(dialog, CErrorReportingDlg::kDescriptionLabelId), "Description:");
    EXPECT_EQ(Label(dialog, CErrorReportingDlg::kCategoryId), "Communication with the server");
    test::SaveScreenshot(dialog, "error-report-en");
}

}  // namespace
}  // namespace vorn
