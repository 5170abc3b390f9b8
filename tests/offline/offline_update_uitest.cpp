#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "OfflineUiTestSupport.h"
#include "agent/AgentEventPipe.h"
#include "agent/AgentProtocol.h"
#include "agent/AgentProtocolMessage.h"
#include "offline/ui/CPrepareOfflineUpdateDlg.h"
#include "platform/LocalPipe.h"
#include "platform/ui/ModalQuestions.h"
#include "support/TestEnvironment.h"
#include "tools/agent-sim/AgentSimulator.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;
using Dlg = CPrepareOfflineUpdateDlg;
using test::Control;
using test::PumpUntil;

class OfflineUpdateDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_ = new Dlg(nullptr, [] {
            return AgentErrorRecord{0, 404, L"Пакет не найден", std::chrono::system_clock::now()};
        });
        dialog_->Move(40, 40);
        dialog_->Show();
        PumpUntil([&] { return dialog_->IsShown(); });
    }
    void TearDown() override { delete dialog_; }

    // The request goes on a worker: its end is waited for unless `wait` is false.
    void Start(const wxString& uin, bool wait = true) {
        Control<wxTextCtrl>(dialog_, Dlg::kUinId)->SetValue(uin);
        wxCommandEvent click(wxEVT_BUTTON, Dlg::kStartId);
        dialog_->ProcessWindowEvent(click);
        if (wait) {
            EXPECT_TRUE(PumpUntil([&] { return !dialog_->Requesting(); }, 10s));
        }
    }
    // A notification as notification handling passes it: from a worker thread.
    void Notify(std::int32_t number, std::int32_t total, bool failed = false) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            dialog_->OnOfflineUpdateProgress(number, total, failed);
            done = true;
        });
        PumpUntil([&] { return done.load(); });
        worker.join();
    }
    bool ButtonsEnabled() {
        return Control<wxButton>(dialog_, Dlg::kStartId)->IsEnabled() &&
               Control<wxButton>(dialog_, wxID_OK)->IsEnabled();
    }
    wxString Counter() { return Control<wxStaticText>(dialog_, Dlg::kCounterId)->GetLabel(); }
    int Position() { return Control<wxGauge>(dialog_, Dlg::kProgressId)->GetValue(); }
    bool LinkShown() { return Control<wxHyperlinkCtrl>(dialog_, Dlg::kErrorLinkId)->IsShown(); }

    test::PrivatePipeNamespace pipes_;
    platform::ModalAnswers answers_;
    Dlg* dialog_ = nullptr;
};

TEST_F(OfflineUpdateDialog, RefusesAMalformedUinAndReportsAnAgentThatIsNotThere) {
    for (const wchar_t* uin :
         {L"ABC-12-12345678", L"ABC-123-1234567", L"-123-12345678", L"ABC-123-12345678 "}) {
        Start(uin);
        ASSERT_EQ(answers_.asked().size(), 1u) << uin;
        EXPECT_EQ(answers_.asked()[0].text, L"Некорректно задан УИН устройства!");
        answers_.ClearAsked();
    }
    Start(L"ABC-123-12345678");  // no agent in this namespace
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].text,
              L"Ошибка подготовки offline обновления. Системный сервис не доступен!");
    EXPECT_TRUE(ButtonsEnabled());
}

// An agent that takes the request and never answers holds the worker for the call's time limit,
// not the window.
TEST_F(OfflineUpdateDialog, AnAgentThatDoesNotAnswerLeavesTheWindowResponsive) {
    const platform::PipeListener stalled = platform::PipeListener::Listen(kRequestPipeName);
    ASSERT_TRUE(stalled.IsListening());
    Start(L"ABC-123-12345678", false);
    EXPECT_TRUE(dialog_->Requesting());
    EXPECT_FALSE(ButtonsEnabled());
    EXPECT_TRUE(answers_.asked().empty());
    Notify(3, 12);  // the window goes on taking notifications meanwhile
    EXPECT_EQ(Counter(), "3/12");
    EXPECT_TRUE(test::SaveScreenshot(dialog_, "offline-update-requesting-ru"));
    ASSERT_TRUE(PumpUntil([&] { return !answers_.asked().empty(); }, 20s));
    EXPECT_EQ(answers_.asked()[0].text,
              L"Ошибка подготовки offline обновления. Системный сервис не доступен!");
    EXPECT_TRUE(ButtonsEnabled());
    Start(L"ABC-123-12345678", false);
    EXPECT_TRUE(dialog_->Requesting());  // the window goes with the request on its way
}

TEST_F(OfflineUpdateDialog, ShowsProgressCompletionAndErrorsAndIgnoresThemWhenClosed) {
    test::TempDir folder;
    sim::SimulatorConfig config;
    config.optionsInRegistry = false;
    config.recordFile = folder / "requests.txt";
    sim::AgentSimulator agent(config);
    std::string error;
    ASSERT_TRUE(agent.Start(error)) << error;

    Start(L"ABC-123-12345678");
    EXPECT_TRUE(answers_.asked().empty());
    EXPECT_FALSE(ButtonsEnabled());
    EXPECT_NE(test::ReadFileBytes(folder / "requests.txt")
                  .find("<prepare_offline_update uin=\"ABC-123-12345678\"  />"),
              std::string::npos);

    Notify(3, 12);
    EXPECT_EQ(Position(), 25);
    EXPECT_EQ(Counter(), "3/12");
    EXPECT_FALSE(ButtonsEnabled());
    Notify(5, 0);  // no position for a total of 0, and no fault
    EXPECT_EQ(Position(), 25);
    EXPECT_EQ(Counter(), "5/0");
    Notify(0x1000C, 0x1000C);  // the low 16 bits: 12/12
    EXPECT_EQ(Position(), 100);
    EXPECT_EQ(Counter(), "12/12");
    EXPECT_TRUE(ButtonsEnabled());
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].text, L"Offline обновление подготовлено");
    EXPECT_TRUE(answers_.asked()[0].style & wxICON_INFORMATION);

    Start(L"ABC-123-12345678");
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(Counter(), "");
    Notify(4, 12, true);
    EXPECT_TRUE(LinkShown());
    EXPECT_TRUE(ButtonsEnabled());
    EXPECT_EQ(Counter(), "");  // an error changes nothing else
    answers_.ClearAsked();
    wxHyperlinkEvent link(dialog_, Dlg::kErrorLinkId, wxEmptyString);
    dialog_->ProcessWindowEvent(link);
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].kind, platform::AskedQuestion::Kind::Dialog);

    dialog_->Hide();
    Notify(7, 12);
    EXPECT_EQ(Counter(), "");
    EXPECT_EQ(answers_.asked().size(), 1u);
}

// The simulated agent's own progress, read from the event pipe as the program reads it.
TEST_F(OfflineUpdateDialog, FollowsTheSimulatedAgentToTheEndAndToAFailure) {
    AgentEventPipe events;
    ASSERT_EQ(events.Create(), platform::PipeStatus::Ok);
    sim::SimulatorConfig config;
    config.optionsInRegistry = false;
    config.reactions = sim::DemoReactions();
    sim::AgentSimulator agent(config);
    std::string error;
    ASSERT_TRUE(agent.Start(error)) << error;
    platform::StopSignal stop;
    std::atomic<int> delivered{0};
    std::thread reader([&] {
        std::string text;
        while (events.WaitForClient(stop) == AgentEventPipe::WaitOutcome::ClientConnected) {
            if (events.ReadMessage(text, stop)) {
                if (const auto message = AgentMessage::Parse(text)) {
                    dialog_->OnOfflineUpdateProgress(
                        message->Int("number"), message->Int("total"),
                        !message->Raw("error_description").value_or("").empty());
                    ++delivered;
                }
            }
        }
    });

    Start(L"ABC-123-12345678");
    EXPECT_TRUE(PumpUntil([&] { return Counter() == "3/12"; }, 10s));
    EXPECT_TRUE(PumpUntil([&] { return !answers_.asked().empty(); }, 10s));
    EXPECT_EQ(Counter(), "12/12");
    EXPECT_TRUE(ButtonsEnabled());

    Start(L"ABC-123-00000000");  // the simulator fails this one a third of the way
    EXPECT_TRUE(PumpUntil([&] { return LinkShown(); }, 10s));
    EXPECT_EQ(Counter(), "4/12");
    // The reader counts a notification once the dialog has taken it.
    EXPECT_TRUE(PumpUntil([&] { return delivered.load() == 12 + 5; }));

    stop.Signal();
    reader.join();
}

TEST_F(OfflineUpdateDialog, Screenshots) {
    Control<wxTextCtrl>(dialog_, Dlg::kUinId)->SetValue(L"ABC-123-12345678");
    Notify(3, 12);
    EXPECT_TRUE(test::SaveScreenshot(dialog_, "offline-update-ru"));

    delete dialog_;
    test::EnglishInterface english;
    SetUp();
    Control<wxTextCtrl>(dialog_, Dlg::kUinId)->SetValue(L"ABC-123-12345678");
    Notify(4, 12, true);
    Notify(3, 12);
    EXPECT_EQ(dialog_->GetTitle(), "Prepare an offline update");
    EXPECT_TRUE(test::SaveScreenshot(dialog_, "offline-update-en"));
    delete dialog_;
    dialog_ = nullptr;
}

}  // namespace
}  // namespace vorn
