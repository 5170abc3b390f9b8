#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/taskbar.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "platform/ui/UiThreadCall.h"
#include "support/TestEnvironment.h"
#include "support/UiPump.h"

using namespace std::chrono_literals;
using vorn::platform::AskedQuestion;
using vorn::platform::DesktopTray;
using vorn::platform::ModalAnswers;
using vorn::platform::UiThreadCall;

namespace {

using vorn::test::PumpUntil;

class WindowHelpers : public testing::Test {
protected:
    void SetUp() override { frame_ = new wxFrame(nullptr, wxID_ANY, "helpers"); }
    void TearDown() override {
        frame_->Destroy();
        wxTheApp->Yield(true);
    }
    wxFrame* frame_ = nullptr;
};

TEST_F(WindowHelpers, WorkerCallsRunOnTheUiThreadAndCloseReleasesWaitingWorkers) {
    UiThreadCall gate(frame_);
    const auto uiThread = std::this_thread::get_id();

    // A call from a worker runs on the UI thread and the worker waits for its end.
    std::thread::id ranOn;
    std::atomic<int> result{-1};
    std::thread worker([&] {
        int value = 0;
        const bool ran = gate.Run([&] {
            ranOn = std::this_thread::get_id();
            value = 42;
        });
        result = ran ? value : -2;
    });
    ASSERT_TRUE(PumpUntil([&] { return result != -1; }));
    worker.join();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(ranOn, uiThread);

    // On the UI thread the call runs straight away.
    bool direct = false;
    EXPECT_TRUE(gate.Run([&] { direct = true; }));
    EXPECT_TRUE(direct);

    // A worker waiting while the UI thread never pumps is released by Close, and its call is
    // dropped even when the queue is pumped afterwards.
    std::atomic<int> blocked{-1};
    bool lateRun = false;
    std::thread stuck([&] { blocked = gate.Run([&] { lateRun = true; }) ? 1 : 0; });
    // Without running it: the worker's call is queued and the worker waits.
    ASSERT_TRUE(vorn::test::WaitFor([] { return wxTheApp->HasPendingEvents(); }));
    EXPECT_EQ(blocked, -1);
    gate.Close();
    stuck.join();
    EXPECT_EQ(blocked, 0);
    PumpUntil([] { return false; }, 50ms);
    EXPECT_FALSE(lateRun);

    // After Close every call is refused, on any thread.
    EXPECT_FALSE(gate.Run([] {}));
    std::atomic<int> refused{-1};
    std::thread late([&] { refused = gate.Run([] {}) ? 1 : 0; });
    late.join();
    EXPECT_EQ(refused, 0);
}

TEST_F(WindowHelpers, ModalQuestionsAreAnsweredByTheHook) {
    ModalAnswers answers;
    answers.Answer(wxID_OK);
    answers.Answer(wxID_OK, "/tmp/chosen.blist");
    answers.Answer(wxID_CANCEL);

    EXPECT_EQ(
        vorn::platform::AskMessage(frame_, "text", "caption", wxOK | wxCANCEL | wxICON_WARNING),
        wxID_OK);
    vorn::platform::FileQuestion open;
    open.directory = "/tmp";
    open.wildcard = "BlackList Files (*.blist)|*.blist|All Files (*.*)|*.*";
    auto chosen = vorn::platform::AskFile(frame_, open);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, "/tmp/chosen.blist");
    EXPECT_FALSE(vorn::platform::AskFile(frame_, open).has_value());
    // Nothing queued and no handler: cancelled, never shown.
    EXPECT_EQ(vorn::platform::AskMessage(frame_, "more", "caption", wxOK), wxID_CANCEL);

    ASSERT_EQ(answers.asked().size(), 4u);
    EXPECT_EQ(answers.asked()[0].kind, AskedQuestion::Kind::Message);
    EXPECT_EQ(answers.asked()[0].text, "text");
    EXPECT_TRUE(answers.asked()[0].style & wxICON_WARNING);
    EXPECT_EQ(answers.asked()[1].kind, AskedQuestion::Kind::File);
    EXPECT_EQ(answers.asked()[1].wildcard, open.wildcard);
    EXPECT_EQ(answers.asked()[1].directory, "/tmp");

    // A saved name without extension gets the default one.
    answers.Answer(wxID_OK, "/tmp/archive");
    vorn::platform::FileQuestion save;
    save.save = true;
    save.defaultExtension = "zip";
    // The closing "||" of a stored filter is no third, empty filter for the toolkit.
    save.wildcard = "Archive (*.zip)|*.zip|All Files (*.*)|*.*||";
    EXPECT_EQ(vorn::platform::AskFile(frame_, save).value_or(""), "/tmp/archive.zip");
    EXPECT_EQ(answers.asked().back().wildcard, "Archive (*.zip)|*.zip|All Files (*.*)|*.*");

    // The handler answers any other dialog and may look into it.
    wxString seen;
    answers.SetHandler([&](wxDialog& dialog) {
        seen = dialog.GetTitle();
        return wxID_OK;
    });
    wxDialog sub(frame_, wxID_ANY, "sub-dialog");
    EXPECT_EQ(vorn::platform::RunModal(sub), wxID_OK);
    EXPECT_EQ(seen, "sub-dialog");
}

TEST_F(WindowHelpers, ClosingTheQuestionsEndsNestedOnesAndAnswersLaterOnesAtOnce) {
    // Real dialogs, as the operator sees them: a message box opened from inside a dialog.
    wxDialog outer(frame_, wxID_ANY, "outer");
    int innerResult = -1;
    std::size_t openInside = 0;
    outer.CallAfter([&] {
        outer.CallAfter([&] {
            openInside = vorn::platform::OpenModalQuestions();
            vorn::platform::CloseModalQuestions();
        });
        innerResult = vorn::platform::AskMessage(&outer, "text", "caption", wxOK | wxCANCEL);
    });
    // Whatever stays open is ended after a while, so that a failure does not hang.
    wxTimer guard;
    guard.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
        for (wxWindow* window : wxTopLevelWindows) {
            if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal()) {
                dialog->EndModal(wxID_ABORT);
            }
        }
    });
    guard.Start(3000);
    const int outerResult = vorn::platform::RunModal(outer);
    guard.Stop();
    EXPECT_EQ(openInside, 2u);
    EXPECT_EQ(innerResult, wxID_CANCEL);
    EXPECT_EQ(outerResult, wxID_CANCEL);
    EXPECT_EQ(vorn::platform::OpenModalQuestions(), 0u);

    // Later questions are not shown at all until the questions are reopened.
    ModalAnswers answers;
    answers.SetHandler([](wxDialog&) { return wxID_OK; });
    EXPECT_EQ(vorn::platform::AskMessage(frame_, "late", "caption", wxOK), wxID_CANCEL);
    EXPECT_FALSE(vorn::platform::AskFile(frame_, {}).has_value());
    wxDialog late(frame_, wxID_ANY, "late");
    EXPECT_EQ(vorn::platform::RunModal(late), wxID_CANCEL);
    EXPECT_TRUE(answers.asked().empty());
    vorn::platform::ReopenModalQuestions();
    EXPECT_EQ(vorn::platform::AskMessage(frame_, "again", "caption", wxOK), wxID_OK);
}

TEST_F(WindowHelpers, TrayIconCountsAsNotAddedWithoutATrayButBalloonsStillShow) {
    const wxIcon icon = wxArtProvider::GetIcon(wxART_INFORMATION, wxART_OTHER, wxSize(16, 16));
    int commands = 0;
    int clicks = 0;
    DesktopTray::Handlers handlers;
    handlers.leftClick = [&] { ++clicks; };
    handlers.buildMenu = [] {
        auto* menu = new wxMenu;
        menu->Append(103, L"Показать");
        menu->Append(wxID_EXIT, "Exit");
        return menu;
    };
    handlers.menuCommand = [&](int) { ++commands; };

    DesktopTray::OverrideAvailability(false);
    {
        DesktopTray tray(frame_, handlers);
        EXPECT_FALSE(tray.Add(icon, "Zelt"));
        EXPECT_FALSE(tray.IsAdded());
        EXPECT_FALSE(tray.Modify(icon, "Zelt"));
        // A balloon is a desktop notification: a desktop without a tray shows it too.
        EXPECT_TRUE(tray.ShowBalloon("Zelt", L"Устройство извлечено", 2000));
        EXPECT_EQ(tray.lastBalloon(), L"Устройство извлечено");
        EXPECT_TRUE(tray.ShowBalloon("Zelt", "", 2000));
    }

    DesktopTray::OverrideAvailability(true);
    {
        DesktopTray tray(frame_, handlers);
        EXPECT_TRUE(tray.Add(icon, "Zelt"));
        // A second addition is refused while the icon is there.
        EXPECT_FALSE(tray.Add(icon, "Zelt"));
        EXPECT_TRUE(tray.Modify(icon, "Zelt"));
        // A click arrives as the event this toolkit sends for it.
        ASSERT_NE(tray.IconEvents(), nullptr);
#ifdef __WXGTK__
        wxTaskBarIconEvent click(wxEVT_TASKBAR_LEFT_DOWN, nullptr);
#else
        wxTaskBarIconEvent click(wxEVT_TASKBAR_LEFT_UP, nullptr);
#endif
        tray.IconEvents()->ProcessEvent(click);
        EXPECT_EQ(clicks, 1);
        auto shownWindows = [] {
            wxTheApp->Yield(true);
            int shown = 0;
            for (wxWindow* window : wxTopLevelWindows) {
                shown += window->IsShown() ? 1 : 0;
            }
            return shown;
        };
        const int before = shownWindows();
        EXPECT_TRUE(tray.ShowBalloon("Zelt", L"Подключено устройство: 1", 2000));
        EXPECT_EQ(tray.lastBalloon(), L"Подключено устройство: 1");
        // Balloons replace each other; an empty one takes the balloon away.
        EXPECT_TRUE(tray.ShowBalloon("Zelt", "second", 2000));
        EXPECT_TRUE(tray.ShowBalloon("Zelt", "third", 2000));
        EXPECT_LE(shownWindows(), before + 1);
        EXPECT_TRUE(tray.ShowBalloon("Zelt", "", 2000));
        EXPECT_EQ(shownWindows(), before);
        std::unique_ptr<wxMenu> menu(tray.BuildMenu());
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->GetMenuItemCount(), 2u);
        tray.Remove();
        EXPECT_FALSE(tray.IsAdded());
        EXPECT_TRUE(tray.Add(icon, "Zelt"));
    }
    DesktopTray::OverrideAvailability(std::nullopt);
    wxTheApp->Yield(true);
}

}  // namespace
