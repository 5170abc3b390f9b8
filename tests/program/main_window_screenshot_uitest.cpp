#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dialog.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/stockitem.h>
#include <wx/timer.h>

#include "agent/AgentEventPipe.h"
#include "agent/AgentProtocol.h"
#include "main_window_test_support.h"
#include "monitor/DeviceTable.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "platform/LocalPipe.h"
#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "program/CUpdateCtrlDlg.h"
#include "support/Screenshot.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;
using test::Notify;
using test::PumpUntil;

// Without a tray the balloons are desktop pop-ups, gone after their time-out; a picture of the
// window waits for that.
bool NoPopUpBeside(const wxWindow* window) {
    for (const wxWindow* top : wxTopLevelWindows) {
        if (top != window && top->IsShown()) {
            return false;
        }
    }
    return true;
}

// A registry, a pipe namespace and an agent of the test's own; the window is opened by the test,
// the agent's answers set before.
class MainWindowScreenshot : public testing::Test {
protected:
    ~MainWindowScreenshot() override {
        delete window_;
        platform::DesktopTray::OverrideAvailability(std::nullopt);
    }
    CUpdateCtrlDlg* Open(bool tray, wxSize size = wxDefaultSize) {
        platform::DesktopTray::OverrideAvailability(tray);
        window_ = new CUpdateCtrlDlg(false);
        if (size != wxDefaultSize) {
            window_->SetSize(size);
        }
        window_->Move(20, 20);
        return window_;
    }

    test::TempDir registry_;
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    test::PrivatePipeNamespace pipes_;
    std::unique_ptr<test::FakeAgent> agent_ = std::make_unique<test::FakeAgent>();
    CUpdateCtrlDlg* window_ = nullptr;
};

TEST_F(MainWindowScreenshot, ThreeDevicesOneOfThemWritingFirmware) {
    agent_->Reply(
        "<getalldevinfo/>",
        "<devices>"
        "<device id=\"11\" connect=\"2\" updates=\"2\" type=\"Q750M1\" name=\"7741-0093-1185\"/>"
        "<device id=\"12\" connect=\"2\" updates=\"0\" type=\"Q200M1\" name=\"7741-0102-3310\"/>"
        "<device id=\"13\" connect=\"0\" updates=\"6\" type=\"Q750M1\" name=\"7741-0093-2051\"/>"
        "</devices>");
    Open(false, wxSize(860, 420));
    ASSERT_TRUE(PumpUntil([&] { return window_->List().GetItemCount() == 3; }));

    Notify(
        "<hasfwupdate phase=\"end\" id=\"11\" state=\"2\" allowScanning=\"1\" "
        "serialno=\"QN7500931185\" attributeName=\"RUB/EUR\" message=\"\" msgtype=\"0\"/>");
    Notify(
        "<hasfwupdate phase=\"end\" id=\"12\" state=\"0\" allowScanning=\"0\" "
        "serialno=\"QN2001023310\" attributeName=\"RUB\" message=\"\" msgtype=\"0\"/>");
    Notify("<check_update_time last=\"1765170000\" next=\"1765256400\"/>");
    Notify(
        "<taskprocess id=\"12\" taskname=\"downloadfw\" phase=\"begin\" progress=\"0\" "
        "msgtype=\"0\" message=\"\"/>");
    Notify(
        "<taskprocess id=\"12\" taskname=\"downloadfw\" phase=\"end\" progress=\"1\" "
        "msgtype=\"0\" message=\"\"/>");
    Notify(
        "<taskprocess id=\"12\" taskname=\"updatefw\" phase=\"begin\" progress=\"0\" "
        "msgtype=\"0\" message=\"\"/>");
    Notify(
        "<taskprocess id=\"12\" taskname=\"updatefw\" phase=\"inprogress\" progress=\"0.4\" "
        "msgtype=\"0\" message=\"Запись прошивки в устройство 7741-0102-3310\"/>");
    ASSERT_TRUE(PumpUntil([&] {
        return window_->List().IsProgressVisible() &&
               window_->List().ProgressBar()->GetValue() == 70 && window_->IsTaskRunning();
    }));
    ASSERT_TRUE(PumpUntil([&] { return NoPopUpBeside(window_); }));

    // The filled part of the bar in the colour it is drawn in, which must stand out from the
    // row's own background: the list's on an unselected row, the selection's on a selected one.
    auto checkBar = [&](const wxImage& shot, const wxRect& windowRect, bool selected) {
        CCellProgressBar* bar = window_->List().ProgressBar();
        EXPECT_EQ(bar->IsRowSelected(), selected);
        const wxRect barRect(bar->GetScreenPosition() - windowRect.GetPosition(), bar->GetSize());
        const wxColour fill = bar->FillColour(selected);
        int filled = 0;
        for (int y = barRect.y + 3; y < barRect.GetBottom() - 2; ++y) {
            for (int x = barRect.x + 3; x < barRect.x + barRect.width * 6 / 10; ++x) {
                filled +=
                    wxColour(shot.GetRed(x, y), shot.GetGreen(x, y), shot.GetBlue(x, y)) == fill
                        ? 1
                        : 0;
            }
        }
        EXPECT_GT(filled, barRect.width / 2);
        // The row's background beside the bar, in the first column.
        const int rowX = barRect.x - window_->List().GetColumnWidth(3) - 4;
        const int rowY = barRect.y + barRect.height / 2;
        const wxColour row(shot.GetRed(rowX, rowY), shot.GetGreen(rowX, rowY),
                           shot.GetBlue(rowX, rowY));
        const int difference = std::abs(row.Red() - fill.Red()) +
                               std::abs(row.Green() - fill.Green()) +
                               std::abs(row.Blue() - fill.Blue());
        EXPECT_GT(difference, 150) << "fill " << fill.GetAsString().ToStdString() << " on row "
                                   << row.GetAsString().ToStdString();
    };

    wxImage unselected = test::SaveScreenshot(*window_, "main-window");
    ASSERT_TRUE(unselected.IsOk());
    checkBar(unselected, window_->GetScreenRect(), false);

    window_->List().SetItemState(1, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                 wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    window_->List().SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return window_->List().ProgressBar()->IsRowSelected(); }));
    wxImage selected = test::SaveScreenshot(*window_, "main-window-progress-selected");
    ASSERT_TRUE(selected.IsOk());
    checkBar(selected, window_->GetScreenRect(), true);
}

TEST_F(MainWindowScreenshot, TheAgentStopsAnswering) {
    agent_->Reply("<getalldevinfo/>",
                  "<devices>"
                  "<device id=\"21\" connect=\"2\" updates=\"2\" type=\"Q750M1\" "
                  "name=\"7741-0093-1185\"/>"
                  "<device id=\"22\" connect=\"2\" updates=\"2\" type=\"Q200M1\" "
                  "name=\"7741-0102-3310\"/>"
                  "</devices>");
    Open(false, wxSize(860, 360));
    ASSERT_TRUE(PumpUntil([&] { return window_->List().GetItemCount() == 2; }));
    window_->List().SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    // The agent goes away; F5 finds nobody.
    agent_.reset();
    wxCommandEvent refresh(wxEVT_MENU, CUpdateCtrlDlg::kRefreshConnectionId);
    window_->ProcessWindowEvent(refresh);
    // What the window shows once the agent is gone: the status says so, the devices stay listed
    // as they were (not left "being checked") and nothing waits for the agent.
    ASSERT_TRUE(PumpUntil([&] {
        return window_->FindWindow(CUpdateCtrlDlg::kStatusId)->GetLabel() ==
               L"Служба обновления не отвечает";
    }));
    EXPECT_EQ(window_->List().GetItemCount(), 2);
    EXPECT_EQ(window_->List().GetItemText(0, 3), L"Да");
    EXPECT_FALSE(window_->IsTaskRunning());
    ASSERT_TRUE(PumpUntil([&] { return NoPopUpBeside(window_); }));
    test::SaveScreenshot(*window_, "main-window-agent-absent");
}

// The error link, made with the first error that has a description, sits after the status text
// on the same line.
TEST_F(MainWindowScreenshot, TheErrorLinkBesideTheStatusLine) {
    Open(false, wxSize(860, 360));
    test::Pump();
    EXPECT_EQ(window_->FindWindow(CUpdateCtrlDlg::kErrorLinkId), nullptr);
    test::Notify(
        "<message msgtype=\"2\" message=\"Не удалось загрузить прошивку\" "
        "error_description=\"timeout\" category=\"0\" error_id=\"17\"/>");
    wxWindow* link = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        link = window_->FindWindow(CUpdateCtrlDlg::kErrorLinkId);
        return link != nullptr && link->IsShown();
    }));
    // The link is placed by the layout that its showing asks for.
    const wxWindow* statusText = window_->FindWindow(CUpdateCtrlDlg::kStatusId);
    ASSERT_TRUE(PumpUntil([&] { return link->GetRect().x >= statusText->GetRect().GetRight(); }));
    const wxRect status = statusText->GetRect();
    const wxRect linkRect = link->GetRect();
    EXPECT_GE(linkRect.x, status.GetRight());
    EXPECT_LE(linkRect.GetRight(), window_->GetClientSize().x);
    EXPECT_NEAR(linkRect.y + linkRect.height / 2, status.y + status.height / 2, 3);
    test::SaveScreenshot(*window_, "main-window-error-link");
}

// Message boxes are the toolkit's generic ones; their stock buttons follow the interface language.
TEST_F(MainWindowScreenshot, AWarningBoxInRussian) {
    Open(false);
    // The window loads the toolkit's texts once its loop runs.
    ASSERT_TRUE(PumpUntil([] { return wxGetTranslation("Cancel") == L"Отмена"; }));
    // Read from inside the box's modal loop, once it is up.
    std::vector<wxString> texts;
    wxTimer shoot;
    shoot.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        for (wxWindow* top : wxTopLevelWindows) {
            auto* box = dynamic_cast<wxDialog*>(top);
            if (box != nullptr && box != window_ && box->IsModal()) {
                shoot.Stop();
                for (const int id : {wxID_OK, wxID_CANCEL}) {
                    const wxWindow* button = box->FindWindow(id);
                    // Windows' buttons go without mnemonics on OK and Cancel, GTK's with.
                    texts.push_back(button != nullptr ? wxStripMenuCodes(button->GetLabel())
                                                      : wxString("(none)"));
                }
                test::SaveScreenshot(*box, "message-box");
                box->EndModal(wxID_CANCEL);
                return;
            }
        }
    });
    shoot.Start(100);
    EXPECT_EQ(platform::AskMessage(window_, L"Операция не была выполнена", window_->GetTitle(),
                                   wxOK | wxCANCEL | wxICON_WARNING),
              wxID_CANCEL);
    // The toolkit's Russian stock labels: GTK's come with mnemonics ("&ОК"); Windows keeps
    // OK and Cancel without, as its own boxes do, and its catalogue's plain "OK" is Latin.
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], L"Отмена");
    EXPECT_TRUE(texts[0] == wxStripMenuCodes(wxGetStockLabel(wxID_OK)) ||
                texts[0] == wxGetStockLabel(wxID_OK, wxSTOCK_NOFLAGS))
        << texts[0];
}

// The title bar gets the program's icon in every size it is drawn in, the tray the same icon,
// with a mark in its upper right corner while a task runs. The picture shows what they are
// given: the window's icons, then the tray's at 22 px idle, busy and idle again.
TEST_F(MainWindowScreenshot, TheProgramIconInTheTitleAndTheTray) {
    Open(true);
    test::Pump();

    const wxIconBundle& icons = window_->GetIcons();
    std::vector<wxBitmap> shown;
    std::vector<int> sizes;
    for (size_t i = 0; i < icons.GetIconCount(); ++i) {
        const wxIcon icon = icons.GetIconByIndex(i);
        EXPECT_EQ(icon.GetWidth(), icon.GetHeight());
        sizes.push_back(icon.GetWidth());
        shown.emplace_back(icon);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 64, 128, 256}));

    ASSERT_TRUE(window_->IsTrayIconAdded());
    const wxSize tray(22, 22);
    const wxImage idle = window_->TrayIcon().GetBitmap(tray).ConvertToImage();
    window_->EnterTaskMode();
    const wxImage busy = window_->TrayIcon().GetBitmap(tray).ConvertToImage();
    window_->LeaveTaskMode();
    const wxImage back = window_->TrayIcon().GetBitmap(tray).ConvertToImage();
    ASSERT_EQ(idle.GetSize(), tray);
    ASSERT_EQ(busy.GetSize(), tray);
    auto pixel = [](const wxImage& image, int x, int y) {
        return std::make_tuple(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y),
                               image.HasAlpha() ? image.GetAlpha(x, y) : 255);
    };
    // The mark's orange in the corner while busy; the rest of the icon as it was.
    EXPECT_EQ(pixel(busy, 19, 3), std::make_tuple(0xFF, 0x8C, 0x1A, 255));
    EXPECT_NE(pixel(idle, 19, 3), pixel(busy, 19, 3));
    EXPECT_EQ(pixel(idle, 6, 14), pixel(busy, 6, 14));
    EXPECT_EQ(pixel(back, 19, 3), pixel(idle, 19, 3));
    shown.emplace_back(idle);
    shown.emplace_back(busy);
    shown.emplace_back(back);

    const int gap = 12;
    int width = gap;
    for (const wxBitmap& bitmap : shown) {
        width += bitmap.GetWidth() + gap;
    }
    wxBitmap canvas(width, 256 + 2 * gap);
    {
        wxMemoryDC dc(canvas);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        int x = gap;
        for (const wxBitmap& bitmap : shown) {
            dc.DrawBitmap(bitmap, x, gap + 256 - bitmap.GetHeight(), true);
            x += bitmap.GetWidth() + gap;
        }
    }
    std::filesystem::create_directories(test::ScreenshotFolder());
    EXPECT_TRUE(canvas.SaveFile((test::ScreenshotFolder() / "program-icon.png").string(),
                                wxBITMAP_TYPE_PNG));
}

}  // namespace
}  // namespace vorn
