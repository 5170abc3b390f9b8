#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <wx/app.h>
#include <wx/base64.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textdlg.h>
#include <wx/timer.h>

#include <wx/dialog.h>
#include <wx/intl.h>
#include "agent/AgentEventPipe.h"
#include "agent/AgentProtocol.h"
#include "blacklist/ui/CLoadingBlackListWnd.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/ui/CRamFileListDialog.h"
#include "dialogs/ui/CRamFilenameDialog.h"
#include "dialogs/ui/CSerialNoDialog.h"
#include "main_window_test_support.h"
#include "monitor/DeviceTable.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "monitor/ui/CErrorReportingDlg.h"
#include "platform/LocalPipe.h"
#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "program/CUpdateCtrlDlg.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;
using platform::Clock;
using test::FakeAgent;
using test::Notify;
using test::Pump;
using test::PumpUntil;

std::string DeviceList(const std::string& devices) {
    return "<devices>" + devices + "</devices>";
}

std::string Device(int id, const char* type, int connect, int updates) {
    return "<device id=\"" + std::to_string(id) + "\" connect=\"" + std::to_string(connect) +
           "\" updates=\"" + std::to_string(updates) + "\" type=\"" + type + "\" name=\"UIN-" +
           std::to_string(id) + "\" msgtype=\"0\" message=\"\"/>";
}

// The context menu is modal; here it "opens" by running what the operator does meanwhile.
class MenuTestWindow : public CUpdateCtrlDlg {
public:
    using CUpdateCtrlDlg::CUpdateCtrlDlg;
    std::function<void(wxMenu&)> whileOpen;
    int opened = 0;

protected:
    void PopupContextMenu(wxMenu& menu, const wxPoint&) override {
        ++opened;
        if (whileOpen) {
            whileOpen(menu);
        }
    }
};

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override { agent_ = std::make_unique<FakeAgent>(); }

    void TearDown() override {
        Close();
        platform::DesktopTray::OverrideAvailability(std::nullopt);
        agent_.reset();
    }

    CUpdateCtrlDlg& Open(bool trayAvailable = true, bool enableOthers = false) {
        platform::DesktopTray::OverrideAvailability(trayAvailable);
        window_ = new CUpdateCtrlDlg(enableOthers);
        Pump();
        return *window_;
    }

    MenuTestWindow& OpenWithMenu() {
        platform::DesktopTray::OverrideAvailability(false);
        auto* window = new MenuTestWindow(false);
        window_ = window;
        Pump();
        return *window;
    }

    // Requests the agent got after "<quit/>".
    std::vector<std::string> RequestsAfterQuit() {
        const auto requests = agent_->Requests();
        auto quit = std::find(requests.begin(), requests.end(), "<quit/>");
        return quit == requests.end() ? std::vector<std::string>{"(no quit)"}
                                      : std::vector<std::string>(quit + 1, requests.end());
    }

    // Runs the window's loop until Exit, with `during` started from inside it; false when the
    // loop had to be ended from outside.
    bool RunUntilExit(const std::function<void()>& during) {
        bool gaveUp = false;
        window_->CallAfter(during);
        wxTimer guard;
        guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            gaveUp = true;
            for (wxWindow* window : wxTopLevelWindows) {
                if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal()) {
                    dialog->EndModal(wxID_ABORT);
                }
            }
            wxEventLoopBase::GetActive()->ScheduleExit(0);
        });
        guard.StartOnce(8000);
        window_->RunUntilExit();
        guard.Stop();
        return !gaveUp;
    }

    void Close() {
        if (window_) {
            delete window_;
            window_ = nullptr;
            Pump();
        }
    }

    // Sends a notification and waits until the window has taken it.
    void Event(const std::string& message, const std::function<bool()>& applied) {
        Notify(message);
        ASSERT_TRUE(PumpUntil(applied)) << message;
    }

    template <class T>
    T& Control(int id) {
        auto* control = dynamic_cast<T*>(window_->FindWindow(id));
        EXPECT_NE(control, nullptr) << id;
        return *control;
    }

    void Click(int id) {
        wxCommandEvent click(wxEVT_BUTTON, id);
        click.SetEventObject(window_->FindWindow(id));
        window_->ProcessWindowEvent(click);
    }

    void Command(int id) {
        wxCommandEvent command(wxEVT_MENU, id);
        window_->ProcessWindowEvent(command);
    }

    void Key(int code, int modifiers = wxMOD_NONE) {
        wxKeyEvent key(wxEVT_CHAR_HOOK);
        key.m_keyCode = code;
        key.m_controlDown = (modifiers & wxMOD_CONTROL) != 0;
        key.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
        window_->ProcessWindowEvent(key);
    }

    void SelectRow(long row) {
        for (long item = 0; item < window_->List().GetItemCount(); ++item) {
            if (item != row) {
                window_->List().SetItemState(item, 0, wxLIST_STATE_SELECTED);
            }
        }
        window_->List().SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                     wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        Pump();
    }

    void DoubleClickRow(long row) {
        wxListEvent activated(wxEVT_LIST_ITEM_ACTIVATED, CUpdateCtrlDlg::kListId);
        activated.m_itemIndex = row;
        activated.SetEventObject(&window_->List());
        window_->List().ProcessWindowEvent(activated);
    }

    wxString Status() { return Control<wxStaticText>(CUpdateCtrlDlg::kStatusId).GetLabel(); }
    bool Enabled(int id) { return window_->FindWindow(id)->IsEnabled(); }
    bool Shown(int id) {
        // Controls that are seldom needed are made when first shown.
        const wxWindow* control = window_->FindWindow(id);
        return control != nullptr && control->IsShown();
    }

    test::TempDir registry_;
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    test::PrivatePipeNamespace pipes_;
    std::unique_ptr<FakeAgent> agent_;
    CUpdateCtrlDlg* window_ = nullptr;
};

TEST_F(MainWindowTest, StartsInTheTrayAsksForDevicesAndOnceForTheRevisionAfterThreeSeconds) {
    agent_->Reply("<getalldevinfo/>",
                  DeviceList(Device(7, "Q750M1", 2, 2) + Device(0, "Q750M1", 2, 0) +
                             Device(9, "Q200M1", 1, 6)));
    const auto opened = Clock::now();
    auto& window = Open(true);

    EXPECT_FALSE(window.IsShown());
    EXPECT_TRUE(window.IsTrayIconAdded());
    EXPECT_EQ(window.GetTitle(), "Vorn Update v2.2.1.2293");
    EXPECT_NE(test::ReadFileBytes(registry_ / "HKEY_CURRENT_USER.reg")
                  .find("\"MainWindowTitle\"=\"Vorn Update v2.2.1.2293\""),
              std::string::npos);
    ASSERT_FALSE(agent_->Requests().empty());
    EXPECT_EQ(agent_->Requests().front(), "<getalldevinfo/>");
    // The device with id 0 is no device.
    ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 2; }));
    EXPECT_EQ(window.List().Devices().GetByIndex(0)->id, 7);
    EXPECT_EQ(Status(), L"Обновление не требуется!");
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateAllId));
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateDeviceId));
    EXPECT_FALSE(Shown(CUpdateCtrlDlg::kScanId));
    EXPECT_FALSE(Shown(CUpdateCtrlDlg::kOtherDevicesId));
    EXPECT_FALSE(Shown(CUpdateCtrlDlg::kErrorLinkId));
    EXPECT_FALSE(Shown(CUpdateCtrlDlg::kDownloadId));
    EXPECT_FALSE(Shown(CUpdateCtrlDlg::kLastCheckLabelId));
    EXPECT_FALSE(window.List().IsProgressVisible());

    // Not before three seconds have passed (a late pump only makes the request look later).
    const std::string version = "<get_actual_software_version/>";
    ASSERT_TRUE(PumpUntil([&] { return agent_->Count(version) == 1; }));
    EXPECT_GE(Clock::now() - opened, 2900ms);
    Pump(700ms);
    EXPECT_EQ(agent_->Count(version), 1);
}

TEST_F(MainWindowTest, AnUpdateWaitingAtStartEnablesUpdateAll) {
    agent_->Reply("<getalldevinfo/>",
                  DeviceList(Device(3, "Q750M1", 2, 2) + Device(4, "Q750M1", 2, 0)));
    Open(true);
    ASSERT_TRUE(PumpUntil([&] { return window_->List().GetItemCount() == 2; }));
    EXPECT_TRUE(Enabled(CUpdateCtrlDlg::kUpdateAllId));
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateDeviceId));
}

TEST_F(MainWindowTest, WithoutATrayTheWindowStaysVisibleAndClosingNeverHidesIt) {
    auto& window = Open(false, true);
    EXPECT_TRUE(window.IsShown());
    EXPECT_FALSE(window.IsTrayIconAdded());
    EXPECT_TRUE(Shown(CUpdateCtrlDlg::kOtherDevicesId));
    EXPECT_EQ(Status(), L"Подключите устройство для обновления.");
    agent_->Clear();

    Key(WXK_ESCAPE);
    Key(WXK_RETURN);
    window.Close();
    Pump();
    // Hidden, it could never be brought back: it is minimised instead.
    EXPECT_TRUE(window.IsShown());
    EXPECT_FALSE(window.ExitChosen());
    EXPECT_TRUE(agent_->Requests().empty());

    // Ctrl+Q exits as the tray menu's "Exit" would.
    Key('Q', wxMOD_CONTROL);
    EXPECT_TRUE(window.ExitChosen());
    EXPECT_EQ(agent_->Count("<quit/>"), 1);
}

TEST_F(MainWindowTest, EscEnterAndTheCloseBoxHideWithoutSendingAndOnlyExitQuits) {
    auto& window = Open(true);
    int exits = 0;
    window.SetExitHandler([&] { ++exits; });
    agent_->Clear();

    for (auto hide : std::vector<std::function<void()>>{
             [&] { Key(WXK_ESCAPE); }, [&] { Key(WXK_RETURN); }, [&] { window.Close(); }}) {
        window.Activate();
        Pump();
        EXPECT_TRUE(window.IsShown());
        hide();
        Pump();
        EXPECT_FALSE(window.IsShown());
    }
    // Each time it came back it asked for the newest revision; hiding sent nothing.
    EXPECT_EQ(agent_->Count("<get_actual_software_version/>"), 3);
    EXPECT_EQ(agent_->Requests().size(), 3u);
    EXPECT_FALSE(window.ExitChosen());

    // Minimising while the icon added at start is there: the addition is refused, so the window
    // stays (minimised) instead of vanishing.
    window.Activate();
    wxIconizeEvent minimised(window.GetId(), true);
    window.ProcessWindowEvent(minimised);
    EXPECT_TRUE(window.IsShown());
    Key(WXK_ESCAPE);

    // The tray menu offers "Показать" for the hidden window and "Скрыть" for the shown one.
    auto menu = window.BuildTrayMenu();
    EXPECT_EQ(menu->GetLabelText(CUpdateCtrlDlg::kTrayShowHideId), L"Показать");
    window.Activate();
    menu = window.BuildTrayMenu();
    EXPECT_EQ(menu->GetLabelText(CUpdateCtrlDlg::kTrayShowHideId), L"Скрыть");

    agent_->Clear();
    window.RequestExit();
    window.RequestExit();
    Key(WXK_ESCAPE);
    EXPECT_TRUE(window.ExitChosen());
    EXPECT_EQ(agent_->Count("<quit/>"), 1);
    EXPECT_EQ(agent_->Requests().size(), 1u);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(window.IsTrayIconAdded());
    EXPECT_FALSE(window.IsShown());
}

TEST_F(MainWindowTest, UpdateCheckAndFirmwareTaskDriveTheButtonsAndTheProgressBar) {
    agent_->Reply("<getalldevinfo/>",
                  DeviceList(Device(5, "Q750M1", 2, 6) + Device(6, "Q750M1", 2, 2)));
    auto& window = Open(true);
    ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 2; }));
    SelectRow(0);
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateDeviceId));

    Event("<hasfwupdate phase=\"begin\" id=\"5\"/>",
          [&] { return window.List().Devices().FindById(5)->updates == 1; });
    Event(
        "<hasfwupdate phase=\"end\" id=\"5\" state=\"0\" allowScanning=\"1\" serialno=\"S-5\" "
        "attributeName=\"RUB\" message=\"\" msgtype=\"0\"/>",
        [&] { return Enabled(CUpdateCtrlDlg::kUpdateAllId); });
    EXPECT_TRUE(Shown(CUpdateCtrlDlg::kScanId));
    EXPECT_EQ(Status(),
              L"ВНИМАНИЕ! Доступно обновление прошивок устройств. Рекомендуем провести "
              L"обновление!");
    SelectRow(0);
    EXPECT_TRUE(Enabled(CUpdateCtrlDlg::kUpdateDeviceId));

    agent_->Clear();
    Click(CUpdateCtrlDlg::kUpdateDeviceId);
    EXPECT_EQ(agent_->Requests(), std::vector<std::string>{request::UpdateDevice(5)});
    EXPECT_EQ(agent_->Requests().front().back(), '\n');

    Event(
        "<taskprocess id=\"5\" taskname=\"downloadfw\" phase=\"begin\" progress=\"0\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return window.IsTaskRunning() && window.List().IsProgressVisible(); });
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateDeviceId));
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateAllId));
    EXPECT_FALSE(Shown(CUpdateCtrlDlg::kCheckNowId));
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kScanId));

    // Everything is off while the task runs: the context menu, double clicks, selections.
    auto menu = window.BuildContextMenu();
    ASSERT_TRUE(menu);
    for (wxMenuItem* item : menu->GetMenuItems()) {
        EXPECT_TRUE(item->IsSeparator() || !item->IsEnabled()) << item->GetItemLabelText();
    }
    agent_->Clear();
    DoubleClickRow(0);
    SelectRow(1);
    SelectRow(0);
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateDeviceId));
    EXPECT_TRUE(agent_->Requests().empty());

    CCellProgressBar* bar = window.List().ProgressBar();
    Event(
        "<taskprocess id=\"5\" taskname=\"downloadfw\" phase=\"inprogress\" progress=\"0.5\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return bar->GetValue() == 25; });
    Event(
        "<taskprocess id=\"5\" taskname=\"downloadfw\" phase=\"end\" progress=\"1\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return bar->GetValue() == 50 && !window.IsTaskRunning(); });
    EXPECT_TRUE(window.List().IsProgressVisible());
    Event(
        "<taskprocess id=\"5\" taskname=\"updatefw\" phase=\"begin\" progress=\"0\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return window.IsTaskRunning(); });
    Event(
        "<taskprocess id=\"5\" taskname=\"updatefw\" phase=\"inprogress\" progress=\"0.5\" "
        "msgtype=\"0\" message=\"Запись\"/>",
        [&] { return bar->GetValue() == 75 && window.LastBalloon() == L"Запись"; });
    EXPECT_EQ(Status(), L"Запись");
    Event(
        "<taskprocess id=\"5\" taskname=\"updatefw\" phase=\"end\" progress=\"1\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] {
            return window.List().Devices().FindById(5)->updates == 2 &&
                   window.LastBalloon().empty();
        });
    // The task's own (empty) message is the last word on the status line.
    EXPECT_EQ(Status(), "");
    EXPECT_FALSE(window.IsTaskRunning());
    EXPECT_FALSE(window.List().IsProgressVisible());
    EXPECT_EQ(window.List().Devices().FindById(5)->updates, 2);
    EXPECT_TRUE(Shown(CUpdateCtrlDlg::kCheckNowId));
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateAllId));
    EXPECT_FALSE(Enabled(CUpdateCtrlDlg::kUpdateDeviceId));
    EXPECT_TRUE(Enabled(CUpdateCtrlDlg::kScanId));
}

TEST_F(MainWindowTest, ErrorsOfATaskEndItAndTheLinkAppearsOnlyWithADescription) {
    agent_->Reply("<getalldevinfo/>", DeviceList(Device(5, "Q750M1", 2, 0)));
    auto& window = Open(true);
    Event(
        "<taskprocess id=\"5\" taskname=\"downloadfw\" phase=\"begin\" progress=\"0\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return window.IsTaskRunning(); });
    // An error without a stored description leaves the link hidden.
    Event(
        "<taskprocess id=\"5\" taskname=\"downloadfw\" phase=\"inprogress\" progress=\"0.2\" "
        "msgtype=\"2\" message=\"Сбой\"/>",
        [&] { return !window.IsTaskRunning(); });
    EXPECT_FALSE(window.List().IsProgressVisible());
    EXPECT_FALSE(Shown(CUpdateCtrlDlg::kErrorLinkId));
    EXPECT_TRUE(Shown(CUpdateCtrlDlg::kCheckNowId));
    Event(
        "<message msgtype=\"2\" message=\"Ошибка\" error_description=\"timeout\" category=\"0\" "
        "error_id=\"17\"/>",
        [&] { return Shown(CUpdateCtrlDlg::kErrorLinkId); });
    EXPECT_EQ(window.ErrorRecord().errorId, 17);
    EXPECT_EQ(window.ErrorRecord().description, L"timeout");
    Event("<message msgtype=\"0\" message=\"Готово\"/>",
          [&] { return !Shown(CUpdateCtrlDlg::kErrorLinkId); });

    // The link opens the error report with the record.
    platform::ModalAnswers answers;
    std::optional<AgentErrorRecord> shown;
    answers.SetHandler([&](wxDialog& dialog) {
        if (auto* report = dynamic_cast<CErrorReportingDlg*>(&dialog)) {
            shown = report->Report();
        }
        return static_cast<int>(wxID_OK);
    });
    window.ErrorLink().Show();
    wxHyperlinkEvent link(&window.ErrorLink(), CUpdateCtrlDlg::kErrorLinkId, wxEmptyString);
    window.ErrorLink().ProcessWindowEvent(link);
    ASSERT_EQ(answers.asked().size(), 1u);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->errorId, 17);
    EXPECT_EQ(shown->category, 0);
    EXPECT_EQ(shown->description, L"timeout");
}

TEST_F(MainWindowTest, TheSelectedDeviceIsUpdatedByModelAndOnlyWhenItNeedsAnUpdate) {
    agent_->Reply("<getalldevinfo/>",
                  DeviceList(Device(1, "Q200M1", 2, 0) + Device(2, "Q750M1", 2, 0) +
                             Device(3, "Q750M1", 2, 2) + Device(4, "Q750M1", 1, 0)));
    auto& window = Open(true);
    ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 4; }));
    agent_->Clear();

    // No selection: nothing at all.
    Click(CUpdateCtrlDlg::kUpdateDeviceId);
    Command(CUpdateCtrlDlg::kForceUpdateId);
    Command(CUpdateCtrlDlg::kRefreshConnectionId);
    EXPECT_TRUE(agent_->Requests().empty());

    SelectRow(0);
    Click(CUpdateCtrlDlg::kUpdateDeviceId);
    SelectRow(1);
    DoubleClickRow(1);
    EXPECT_EQ(agent_->Requests(),
              (std::vector<std::string>{request::ForceUpdate(1), request::UpdateDevice(2)}));

    // Up to date, or not connected: the status line says why and nothing is sent.
    for (long row : {2L, 3L}) {
        agent_->Clear();
        SelectRow(row);
        Click(CUpdateCtrlDlg::kUpdateDeviceId);
        EXPECT_TRUE(agent_->Requests().empty());
        EXPECT_EQ(Status(),
                  L"Для данного устройства обновление отсутствует, либо устройство отключено!");
    }

    // F5 refreshes the selected device's connection (through the window's own queue).
    agent_->Clear();
    Key(WXK_F5);
    ASSERT_TRUE(PumpUntil([&] { return agent_->Requests().size() == 1; }));
    EXPECT_EQ(agent_->Requests().front(), request::UpdateConnection(4));
    EXPECT_EQ(window.List().Devices().FindById(4)->connect, 1);

    // Check now: the selected device's connection, then the check.
    agent_->Clear();
    Click(CUpdateCtrlDlg::kCheckNowId);
    EXPECT_EQ(agent_->Requests(),
              (std::vector<std::string>{request::UpdateConnection(4), request::CheckUpdate()}));
}

TEST_F(MainWindowTest, ContextMenuOfAQ750M1DeviceHasTheTracingCommands) {
    agent_->Reply("<getalldevinfo/>",
                  DeviceList(Device(1, "Q200M1", 2, 0) + Device(2, "Q750M1", 2, 0)));
    auto& window = Open(true);
    ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 2; }));
    EXPECT_FALSE(window.BuildContextMenu());

    SelectRow(0);
    auto other = window.BuildContextMenu();
    ASSERT_TRUE(other);
    SelectRow(1);
    auto tracing = window.BuildContextMenu();
    ASSERT_TRUE(tracing);
    EXPECT_EQ(tracing->GetMenuItemCount(), other->GetMenuItemCount() + 2);
    EXPECT_EQ(other->FindItem(CUpdateCtrlDlg::kTracingOnId), nullptr);
    ASSERT_NE(tracing->FindItem(CUpdateCtrlDlg::kTracingOnId), nullptr);
    EXPECT_EQ(tracing->GetLabelText(CUpdateCtrlDlg::kTracingOnId), L"Включить трассировку");
    EXPECT_EQ(tracing->GetLabelText(CUpdateCtrlDlg::kRefreshConnectionId),
              L"Обновить соединение с прибором (F5)");
    for (wxMenuItem* item : tracing->GetMenuItems()) {
        EXPECT_TRUE(item->IsSeparator() || item->IsEnabled());
    }

    agent_->Clear();
    Command(CUpdateCtrlDlg::kTracingOnId);
    Command(CUpdateCtrlDlg::kTracingOffId);
    Command(CUpdateCtrlDlg::kSetDateTimeId);
    Command(CUpdateCtrlDlg::kForceUpdateId);
    EXPECT_EQ(agent_->Requests(),
              (std::vector<std::string>{request::LogCtlOn(2), request::LogCtlOff(2),
                                        request::SetDeviceDateTime(2), request::ForceUpdate(2)}));
}

TEST_F(MainWindowTest, BlackListLoadingAsksForAFileAndShowsTheLoadingWindowUntilTheNextMessage) {
    agent_->Reply("<getalldevinfo/>", DeviceList(Device(3, "Q750M1", 2, 2)));
    auto& window = Open(false);
    ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 1; }));
    SelectRow(0);
    agent_->Clear();

    // With no folder remembered the picker opens in the home folder, not the working directory.
    test::TempDir home;
    test::ScopedEnv homeEnv{"HOME", home.path().string()};
    platform::ModalAnswers answers;
    answers.Answer(wxID_CANCEL);  // the file picker
    answers.Answer(wxID_OK);      // "Файл не был выбран"
    Command(CUpdateCtrlDlg::kLoadBlackListId);
    ASSERT_EQ(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[0].kind, platform::AskedQuestion::Kind::File);
    EXPECT_EQ(answers.asked()[0].directory, home.path().string());
    EXPECT_NE(answers.asked()[0].wildcard.Find("*.blist"), wxNOT_FOUND);
    EXPECT_EQ(answers.asked()[1].text, L"Файл не был выбран");
    EXPECT_TRUE(answers.asked()[1].style & wxICON_WARNING);
    EXPECT_TRUE(answers.asked()[1].style & wxCANCEL);
    EXPECT_TRUE(agent_->Requests().empty());
    EXPECT_FALSE(window.LoadingWindow().IsShown());

    test::TempDir files;
    const wxString chosen = (files / "stop.blist").string();
    answers.Answer(wxID_OK, chosen);
    Command(CUpdateCtrlDlg::kLoadBlackListId);
    EXPECT_EQ(agent_->Requests(),
              std::vector<std::string>{request::BlackList(3, chosen.ToStdWstring())});
    EXPECT_TRUE(window.LoadingWindow().IsShown());
    Pump();
    const wxRect main = window.GetScreenRect();
    const wxRect popup = window.LoadingWindow().GetScreenRect();
    EXPECT_NEAR(popup.x + popup.width / 2, main.x + main.width / 2, 2);
    EXPECT_EQ(popup.width, CLoadingBlackListWnd::kWidth);
    // The folder is remembered for the next time.
    EXPECT_NE(test::ReadFileBytes(registry_ / "HKEY_CURRENT_USER.reg").find("BlackListPath"),
              std::string::npos);
    answers.Answer(wxID_OK, chosen);
    Command(CUpdateCtrlDlg::kLoadBlackListId);
    EXPECT_EQ(answers.asked().back().directory, files.path().string());

    Event("<ok/>", [&] { return !window.LoadingWindow().IsShown(); });

    // An agent that never got the request cannot end the wait: no loading window then.
    agent_.reset();
    answers.Answer(wxID_OK, chosen);
    answers.Answer(wxID_OK);
    Command(CUpdateCtrlDlg::kLoadBlackListId);
    EXPECT_EQ(answers.asked().back().text, L"Операция не была выполнена");
    EXPECT_FALSE(window.LoadingWindow().IsShown());
}

TEST_F(MainWindowTest, NotificationsReachTheTrayTheRevisionLineAndTheCheckTimes) {
    auto& window = Open(true);
    Event(
        "<devarrival id=\"1\" connect=\"2\" updates=\"2\" type=\"Q750M1\" name=\"UIN-1\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return window.LastBalloon() == L"Подключено устройство: UIN-1"; });
    EXPECT_EQ(window.List().GetItemCount(), 1);
    Event("<devremove id=\"1\"/>", [&] { return window.LastBalloon() == L"Устройство извлечено"; });
    EXPECT_EQ(Status(), L"Подключите устройство для обновления.");

    Event("<app_actual_version revision=\"2294\" href=\"http://updates.example/v\"/>",
          [&] { return Shown(CUpdateCtrlDlg::kDownloadId); });
    EXPECT_EQ(Control<wxStaticText>(CUpdateCtrlDlg::kRevisionId).GetLabel(),
              L"Доступна новая ревизия ПО: 2294");
    EXPECT_EQ(Control<wxButton>(CUpdateCtrlDlg::kDownloadId).GetLabel(), L"Скачать");
    EXPECT_EQ(window.DownloadAddress(), L"http://updates.example/v");

    Event("<check_update_time last=\"0\" next=\"1765256400\"/>",
          [&] { return Shown(CUpdateCtrlDlg::kNextCheckLabelId); });
    EXPECT_FALSE(Shown(CUpdateCtrlDlg::kLastCheckLabelId));
    EXPECT_FALSE(Control<wxStaticText>(CUpdateCtrlDlg::kNextCheckTimeId).GetLabel().empty());
}

TEST_F(MainWindowTest, AFetchedRamFileIsSavedWhereTheOperatorChoseAndTheFolderIsRemembered) {
    auto& window = Open(true);
    (void)window;
    platform::ModalAnswers answers;
    test::TempDir folder;
    const wxString target = (folder / "trace.zip").string();
    answers.Answer(wxID_OK, target);
    // "hello" in Base64; the file name part after the last backslash is proposed.
    Notify("<ram_file_get id=\"1\" filename=\"C:\\logs\\trace.zip\" content=\"aGVsbG8=\"/>");
    ASSERT_TRUE(PumpUntil([&] { return test::ReadFileBytes(target.ToStdString()) == "hello"; }));
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].kind, platform::AskedQuestion::Kind::File);
    EXPECT_EQ(answers.asked()[0].fileName, "trace.zip");
    ASSERT_TRUE(PumpUntil([&] {
        return test::ReadFileBytes(registry_ / "HKEY_CURRENT_USER.reg").find("RamFilePath") !=
               std::string::npos;
    }));

    // A list of files is shown to the operator in the RAM file list dialog.
    std::wstring listed;
    answers.SetHandler([&](wxDialog& dialog) {
        if (auto* list = dynamic_cast<CRamFileListDialog*>(&dialog)) {
            listed = list->ListText();
        }
        return static_cast<int>(wxID_OK);
    });
    Notify("<ram_file_list id=\"1\" batches=\"a.zip b.zip\"/>");
    ASSERT_TRUE(PumpUntil([&] { return answers.asked().size() == 2; }));
    EXPECT_EQ(listed, L"a.zip b.zip");
}

// A RAM file of a few megabytes reaches the disk byte for byte; one whose notification is over
// the channel's cap is reported to the operator instead of vanishing.
TEST_F(MainWindowTest, LargeRamFilesAreSavedWholeAndOversizedOnesReported) {
    Open(true);
    platform::ModalAnswers answers;
    test::TempDir folder;
    const wxString target = (folder / "large.zip").string();
    answers.Answer(wxID_OK, target);
    std::string content(3u << 20, '\0');
    std::uint32_t seed = 12345;
    for (char& c : content) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    Notify("<ram_file_get id=\"1\" filename=\"large.zip\" content=\"" +
           wxBase64Encode(content.data(), content.size()).ToStdString() + "\"/>");
    ASSERT_TRUE(PumpUntil([&] { return test::ReadFileBytes(target.ToStdString()) == content; }));

    std::string oversized = "<?xml version=\"1.0\"?>\n<ram_file_get id=\"1\" content=\"";
    oversized.resize(platform::kMaxMessageBytes + 1, 'A');
    Notify(oversized);
    ASSERT_TRUE(PumpUntil([&] { return answers.asked().size() == 2; }, 20s));
    EXPECT_EQ(answers.asked()[1].text, L"Ошибка в полученных данных");
    EXPECT_TRUE(answers.asked()[1].style & wxICON_ERROR);
}

TEST_F(MainWindowTest, ServiceCommandsSendTheirRequestsAndReportFailures) {
    agent_->Reply("<getalldevinfo/>", DeviceList(Device(8, "Q750M1", 2, 2)));
    auto& window = Open(true);
    ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 1; }));
    SelectRow(0);
    agent_->Clear();

    platform::ModalAnswers answers;
    wxString typed = "004217";
    answers.SetHandler([&](wxDialog& dialog) {
        // The service dialogs are filled and confirmed the way the operator would.
        for (int field : {int{CSerialNoDialog::kSerialId}, int{CRamFilenameDialog::kFileNameId}}) {
            if (auto* edit = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(field))) {
                edit->SetValue(typed);
                return test::Press(dialog, wxID_OK);
            }
        }
        return static_cast<int>(wxID_CANCEL);
    });
    Command(CUpdateCtrlDlg::kSetSerialNoId);
    EXPECT_EQ(window.List().Devices().FindById(8)->serialno, L"004217");
    typed = L"журнал.zip";
    Command(CUpdateCtrlDlg::kRamFileGetId);
    Command(CUpdateCtrlDlg::kRamFileDeleteId);
    Command(CUpdateCtrlDlg::kRamFileListId);
    Command(CUpdateCtrlDlg::kDeleteBlackListId);
    Click(CUpdateCtrlDlg::kUpdateAllId);
    Click(CUpdateCtrlDlg::kSettingsId);
    EXPECT_EQ(agent_->Requests(),
              (std::vector<std::string>{
                  request::SetSerialNo(8, L"004217"), request::RamFileGet(8, L"журнал.zip"),
                  request::RamFileDelete(8, L"журнал.zip"), request::RamFileList(8),
                  request::DeleteBlackList(8), request::UpdateAll(), request::GetOptions()}));
    // The name typed last is kept for the next question.
    EXPECT_NE(test::ReadFileBytes(registry_ / "HKEY_CURRENT_USER.reg").find("LastRamFilename"),
              std::string::npos);

    Command(CUpdateCtrlDlg::kCopyUinId);
    {
        wxClipboardLocker locker;
        ASSERT_TRUE(!!locker);
        wxTextDataObject text;
        ASSERT_TRUE(wxTheClipboard->GetData(text));
        EXPECT_EQ(text.GetText(), "UIN-8");
    }

    // Without an agent: message boxes for the commands whose failure is reported, and the
    // serial number stays as it was.
    agent_.reset();
    answers.ClearAsked();
    typed = "004218";
    Command(CUpdateCtrlDlg::kSetSerialNoId);
    EXPECT_EQ(window.List().Devices().FindById(8)->serialno, L"004217");
    Command(CUpdateCtrlDlg::kDeleteBlackListId);
    Command(CUpdateCtrlDlg::kRamFileListId);
    Command(CUpdateCtrlDlg::kSetDateTimeId);
    int failures = 0;
    for (const auto& asked : answers.asked()) {
        if (asked.text == L"Операция не была выполнена") {
            ++failures;
        }
    }
    EXPECT_EQ(failures, 2);
}

TEST_F(MainWindowTest, ExitChosenWhileAModalLoopRunsStillEndsTheWindowsLoop) {
    auto& window = Open(true);
    bool nestedEnded = false;
    bool gaveUp = false;
    window.CallAfter([&] {
        // The loop of a message box or file picker that is open when "Exit" is chosen.
        wxGUIEventLoop nested;
        window.CallAfter([&] {
            window.RequestExit();
            nested.Exit(0);
        });
        nested.Run();
        nestedEnded = true;
    });
    wxTimer guard;
    guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        gaveUp = true;
        wxEventLoopBase::GetActive()->Exit(0);
    });
    guard.StartOnce(3000);
    window.RunUntilExit();
    guard.Stop();
    EXPECT_TRUE(nestedEnded);
    EXPECT_FALSE(gaveUp) << "the window's loop went on after Exit";
    EXPECT_TRUE(window.ExitChosen());
    EXPECT_EQ(agent_->Count("<quit/>"), 1);
}

TEST_F(MainWindowTest, TheKeyboardOutlivesTheButtonThatDisabledItself) {
    agent_->Reply("<getalldevinfo/>", DeviceList(Device(5, "Q750M1", 2, 0)));
    auto& window = Open(true);
    window.Activate();
    ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 1; }));
    SelectRow(0);
    auto& update = Control<wxButton>(CUpdateCtrlDlg::kUpdateDeviceId);
    ASSERT_TRUE(update.IsEnabled());
    update.SetFocus();
    Pump();
    ASSERT_EQ(wxWindow::FindFocus(), &update);

    // Enter on a focused button presses it instead of hiding the window.
    agent_->Clear();
    Key(WXK_RETURN);
    EXPECT_EQ(agent_->Count(request::UpdateDevice(5)), 1);
    EXPECT_TRUE(window.IsShown());
    EXPECT_FALSE(window.IsIconized());

    // The task begins and the button disables itself: the list takes the focus over.
    Event(
        "<taskprocess id=\"5\" taskname=\"downloadfw\" phase=\"begin\" progress=\"0\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return window.IsTaskRunning(); });
    EXPECT_FALSE(update.IsEnabled());
    EXPECT_EQ(wxWindow::FindFocus(), &window.List());

    // The check-now button hid itself too; a link keeps the focus it has.
    Event(
        "<taskprocess id=\"5\" taskname=\"updatefw\" phase=\"end\" progress=\"1\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return !window.IsTaskRunning(); });
    Control<wxButton>(CUpdateCtrlDlg::kCheckNowId).SetFocus();
    Pump();
    agent_->Clear();
    Key(WXK_NUMPAD_ENTER);
    EXPECT_EQ(agent_->Count("<checkupdate/>"), 1);

    // Enter anywhere else keeps hiding the window.
    window.List().SetFocus();
    Pump();
    agent_->Clear();
    Key(WXK_RETURN);
    Pump();
    EXPECT_FALSE(window.IsShown());
    EXPECT_TRUE(agent_->Requests().empty());
}

TEST_F(MainWindowTest, MenuCommandsGoToTheDeviceTheMenuWasOpenedFor) {
    agent_->Reply("<getalldevinfo/>",
                  DeviceList(Device(1, "Q750M1", 2, 2) + Device(2, "Q200M1", 2, 2)));
    auto& window = OpenWithMenu();
    ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 2; }));
    auto choose = [&](int id) {
        wxCommandEvent command(wxEVT_MENU, id);
        window.ProcessWindowEvent(command);
    };

    // The Menu key and Shift+F10 open the selected row's menu; its command reaches its device.
    SelectRow(1);
    window.whileOpen = [&](wxMenu&) { choose(CUpdateCtrlDlg::kSetDateTimeId); };
    Key(WXK_MENU);
    Key(WXK_F10, wxMOD_SHIFT);
    EXPECT_EQ(window.opened, 2);
    EXPECT_EQ(agent_->Count(request::SetDeviceDateTime(2)), 2);

    // The device leaves while its menu is up and the next one moves under the row: the command
    // does nothing.
    SelectRow(0);
    agent_->Clear();
    window.whileOpen = [&](wxMenu&) {
        Event("<devremove id=\"1\"/>", [&] { return window.List().GetItemCount() == 1; });
        ASSERT_EQ(window.List().FirstSelectedRow(), 0);
        choose(CUpdateCtrlDlg::kSetDateTimeId);
        choose(CUpdateCtrlDlg::kRefreshConnectionId);
    };
    Key(WXK_MENU);
    EXPECT_TRUE(agent_->Requests().empty()) << agent_->Requests().front();
    EXPECT_EQ(window.List().Devices().FindById(2)->connect, 2);
}

// A shown window other than `main` that holds a text with `label` somewhere inside.
bool ShownWindowWithText(const wxWindow& main, const wxString& label) {
    std::function<bool(const wxWindow&)> holds = [&](const wxWindow& window) {
        if (auto* text = dynamic_cast<const wxStaticText*>(&window);
            text != nullptr && text->GetLabelText() == label) {
            return true;
        }
        for (const wxWindow* child : window.GetChildren()) {
            if (holds(*child)) {
                return true;
            }
        }
        return false;
    };
    for (const wxWindow* window : wxTopLevelWindows) {
        if (window != &main && window->IsShown() && holds(*window)) {
            return true;
        }
    }
    return false;
}

TEST_F(MainWindowTest, WithoutATrayBalloonsStillReachTheDesktop) {
    // No notification service on the session bus: the toolkit's own notification window shows.
    test::ScopedEnv noBus{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vorn-test-bus"};
    auto& window = Open(false);
    ASSERT_FALSE(window.IsTrayIconAdded());
    Event(
        "<devarrival id=\"6\" connect=\"2\" updates=\"2\" type=\"Q750M1\" name=\"U-6\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return window.LastBalloon() == L"Подключено устройство: U-6"; });
    EXPECT_TRUE(
        PumpUntil([&] { return ShownWindowWithText(window, L"Подключено устройство: U-6"); }));
    Event("<devremove id=\"6\"/>", [&] { return window.LastBalloon() == L"Устройство извлечено"; });
    EXPECT_TRUE(PumpUntil([&] { return ShownWindowWithText(window, L"Устройство извлечено"); }));
}

TEST_F(MainWindowTest, TheAgentsAbsenceIsShownUntilItAnswersAgain) {
    agent_.reset();
    auto& window = Open(false);
    EXPECT_EQ(Status(), L"Служба обновления не отвечает");
    // The toolkit's own texts speak the interface's language.
    EXPECT_EQ(wxGetTranslation("Cancel"), L"Отмена");

    agent_ = std::make_unique<FakeAgent>();
    Click(CUpdateCtrlDlg::kCheckNowId);
    EXPECT_EQ(agent_->Count("<checkupdate/>"), 1);
    EXPECT_EQ(Status(), L"Подключите устройство для обновления.");

    // A device; the agent dies; F5 finds nobody and the row does not stay on "being checked".
    Event(
        "<devarrival id=\"3\" connect=\"2\" updates=\"2\" type=\"Q750M1\" name=\"U-3\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return window.List().GetItemCount() == 1; });
    SelectRow(0);
    agent_.reset();
    Key(WXK_F5);
    ASSERT_TRUE(PumpUntil([&] { return Status() == L"Служба обновления не отвечает"; }));
    Pump();
    EXPECT_EQ(window.List().Devices().FindById(3)->connect, 2);
    EXPECT_EQ(window.List().GetItemText(0, 3), L"Да");

    // A notification means the agent is back: the summary returns.
    Event(
        "<deviceinfo id=\"3\" connect=\"2\" updates=\"2\" type=\"Q750M1\" name=\"U-3\" "
        "msgtype=\"0\" message=\"\"/>",
        [&] { return Status() == L"Обновление не требуется!"; });
    agent_ = std::make_unique<FakeAgent>();
}

// "Exit" chosen from the tray while a modal question is up ends it and the window's loop, and
// nothing reaches the agent after "<quit/>", not even a command still arriving (F5).
TEST_F(MainWindowTest, ExitEndsAnOpenDialogAndNothingIsSentAfterQuit) {
    const struct {
        const char* what;
        std::function<void()> open;
    } cases[] = {
        // A real picker, as the operator would see it.
        {"file picker", [this] { Command(CUpdateCtrlDlg::kLoadBlackListId); }},
        // The agent's RAM file without content: its error box.
        {"message box", [] { Notify("<ram_file_get id=\"4\" filename=\"a.zip\"/>"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        agent_.reset();  // the pipe's name is free before the next agent takes it
        agent_ = std::make_unique<FakeAgent>();
        agent_->Reply("<getalldevinfo/>", DeviceList(Device(4, "Q750M1", 2, 2)));
        auto& window = Open(true);
        ASSERT_TRUE(PumpUntil([&] { return window.List().GetItemCount() == 1; }));
        SelectRow(0);
        bool returned = false;
        std::size_t openWhenExiting = 0;
        wxTimer exit;
        exit.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            if (platform::OpenModalQuestions() == 0) {
                return;  // the question is not up yet
            }
            exit.Stop();
            openWhenExiting = platform::OpenModalQuestions();
            window.RequestExit();
        });
        exit.Start(100);
        EXPECT_TRUE(RunUntilExit([&] {
            c.open();
            returned = true;
        }));
        Pump();
        EXPECT_EQ(openWhenExiting, 1u);
        EXPECT_TRUE(returned);
        EXPECT_EQ(platform::OpenModalQuestions(), 0u);
        Key(WXK_F5);
        Pump();
        EXPECT_TRUE(RequestsAfterQuit().empty()) << RequestsAfterQuit().front();
        Close();
    }
}

TEST_F(MainWindowTest, AnAmpersandInTheAgentsTextIsShownNotTakenForAnAccessKey) {
    auto& window = Open(true);
    Event("<message msgtype=\"1\" message=\"R&amp;D: Q&amp;A\"/>",
          [&] { return window.LastBalloon() == "R&D: Q&A"; });
    EXPECT_EQ(Control<wxStaticText>(CUpdateCtrlDlg::kStatusId).GetLabelText(), "R&D: Q&A");
}

TEST_F(MainWindowTest, AfterExitNoBalloonBringsTheTrayIconBack) {
    agent_->Reply("<getalldevinfo/>", DeviceList(Device(4, "Q750M1", 2, 0)));
    auto& window = Open(true);
    window.RequestExit();
    ASSERT_FALSE(window.IsTrayIconAdded());
    // Notifications that arrive between Exit and the window's end.
    window.ShowTrayBalloon(L"Устройство извлечено");
    window.ShowUpdateSummary();
    EXPECT_FALSE(window.IsTrayIconAdded());
}

TEST_F(MainWindowTest, StoppingTheWindowReleasesAWorkerThatWaitsForIt) {
    auto& window = Open(true);
    (void)window;
    // The worker hands this message to the window and waits for the UI thread, which is busy
    // destroying the window and never pumps.
    // Sent without pumping, so that the worker's call cannot run before the window closes.
    Notify(
        "<devarrival id=\"1\" connect=\"2\" updates=\"0\" type=\"Q750M1\" name=\"U\" "
        "msgtype=\"0\" message=\"\"/>",
        false);
    // Without running it: the worker's call is queued and the worker waits.
    ASSERT_TRUE(test::WaitFor([] { return wxTheApp->HasPendingEvents(); }));
    const auto start = Clock::now();
    Close();
    EXPECT_LT(Clock::now() - start, 10s);  // only a hang fails
}

}  // namespace
}  // namespace vorn
