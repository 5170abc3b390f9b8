#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/image.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "agent/AgentProtocol.h"
#include "agent/AgentProtocolMessage.h"
#include "agent/EventChannelWorker.h"
#include "app/AgentSettings.h"
#include "app/LanguageCatalogue.h"
#include "monitor/ui/CErrorReportingDlg.h"
#include "platform/KnownFolders.h"
#include "platform/PathText.h"
#include "platform/ProgramLog.h"
#include "platform/RegistryStore.h"
#include "platform/ui/ModalQuestions.h"
#include "scan/StoredScans.h"
#include "scan/ui/CSessionScanDataDlg.h"
#include "support/LanguageFiles.h"
#include "support/Screenshot.h"
#include "support/TestEnvironment.h"
#include "support/UiPump.h"
#include "tools/agent-sim/AgentSimulator.h"
#include "translation/Vocabrix.h"
#include "widgets/ui/CAnimatedPicture.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Dlg = CSessionScanDataDlg;
using test::PumpUntil;

// The dialog beside a simulated agent: requests go to AgentZelt, its notifications come back
// through the event channel to the dialog on the channel's worker, as in the program.
class ScanDialogTest : public ::testing::Test {
protected:
    void StartAgent(sim::ScanSimulation scans) {
        sim::SimulatorConfig config;
        config.scans = scans;
        config.optionsInRegistry = false;
        agent_ = std::make_unique<sim::AgentSimulator>(config);
        std::string error;
        ASSERT_TRUE(agent_->Start(error)) << error;
        dialog_ = new Dlg(nullptr, [this] {
            std::lock_guard lock(errorMutex_);
            return error_;
        });
        worker_ = std::make_unique<EventChannelWorker>(
            [this](const std::string& text) { Dispatch(text); }, [](const std::wstring&) {});
        worker_->Start();
        SetExtractionScansFolder(exportDir_.path().wstring());
    }

    void TearDown() override {
        if (dialog_) {
            dialog_->CloseWindowCalls();
        }
        if (worker_) {
            worker_->Stop();
        }
        if (agent_) {
            agent_->Stop();
        }
        if (dialog_) {
            dialog_->Destroy();
            test::Pump(20ms);
        }
    }

    // What notification handling does with the scan notifications.
    void Dispatch(const std::string& text) {
        const auto message = AgentMessage::Parse(text);
        if (!message) {
            return;
        }
        const AgentError error = ReadError(*message);
        if (error.HasError()) {
            std::lock_guard lock(errorMutex_);
            error_ = {error.category, error.errorId, error.description,
                      std::chrono::system_clock::now()};
        }
        if (message->name() == "get_scan_from_device") {
            dialog_->OnScanProgress(message->Int("number"), message->Int("result"));
        } else if (message->name() == "upload_scan_to_server") {
            dialog_->OnUploadProgress(message->Int("number"), message->Int("result"));
        }
    }

    template <class T>
    T* Find(int id) {
        return dynamic_cast<T*>(dialog_->FindWindow(id));
    }
    wxString Text(int id) { return dialog_->FindWindow(id)->GetLabel(); }
    bool Shown(int id) { return dialog_->FindWindow(id)->IsShown(); }
    bool Enabled(int id) { return dialog_->FindWindow(id)->IsEnabled(); }
    void Click(int id) {
        wxCommandEvent click(wxEVT_BUTTON, id);
        click.SetEventObject(dialog_->FindWindow(id));
        dialog_->FindWindow(id)->GetEventHandler()->ProcessEvent(click);
    }
    void Type(int id, const wxString& text) { Find<wxTextCtrl>(id)->ChangeValue(text); }
    void FillValidSession() {
        Type(Dlg::kCurrencyId, "RUB");
        Type(Dlg::kDenominationId, "500");
        Type(Dlg::kYearId, "2017");
        Type(Dlg::kCommentId, L"серия <АА> & дубли");
        Find<wxChoice>(Dlg::kAuthenticityId)->SetSelection(1);
    }
    // Runs fn on a worker thread, as notification handling does, while the UI thread goes on.
    void OnWorker(const std::function<void()>& fn) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            fn();
            done = true;
        });
        PumpUntil([&] { return done.load(); });
        worker.join();
    }
    static bool Has(const wxString& text, const wxString& part) { return text.Find(part) != -1; }

    void Screenshot(const std::string& name) { test::SaveScreenshot(*dialog_, name); }

    test::TempDir dataDir_;
    test::TempDir registryDir_;
    test::TempDir exportDir_;
    test::ScopedEnv dataEnv_{"VORN_DATA_DIR", dataDir_.path().string()};
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registryDir_.path().string()};
    test::PrivatePipeNamespace pipes_;
    platform::ModalAnswers answers_;
    std::mutex errorMutex_;
    AgentErrorRecord error_;
    std::unique_ptr<sim::AgentSimulator> agent_;
    std::unique_ptr<EventChannelWorker> worker_;
    Dlg* dialog_ = nullptr;
};

TEST_F(ScanDialogTest, FetchThenUploadThenSaveToDisk) {
    StartAgent({6, 150ms, false});
    dialog_->OpenWithDevices({L"ABC-123-12345678", L"XYZ-2"});
    EXPECT_EQ(dialog_->GetId(), Dlg::kTemplateId);
    EXPECT_EQ(Find<wxChoice>(Dlg::kUinId)->GetCount(), 2u);
    EXPECT_EQ(Find<wxChoice>(Dlg::kUinId)->GetStringSelection(), "ABC-123-12345678");
    EXPECT_EQ(Find<wxTextCtrl>(Dlg::kVersionId)->GetValue(), "A");
    EXPECT_FALSE(Enabled(Dlg::kUploadId));
    EXPECT_FALSE(Enabled(Dlg::kSaveToDiskId));
    EXPECT_FALSE(Shown(Dlg::kBusyId));

    // An incomplete description is refused with its messages; nothing reaches the agent.
    Click(Dlg::kStartId);
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_TRUE(Has(answers_.asked()[0].text, L"Код валюты должен состоять из 3-ех символов;"));
    EXPECT_TRUE(Has(answers_.asked()[0].text, L"Неверное значение номинала;"));
    EXPECT_FALSE(fs::exists(ScanStorageFolder()));
    EXPECT_TRUE(Shown(Dlg::kStartId));

    FillValidSession();
    Click(Dlg::kStartId);
    EXPECT_EQ(answers_.asked().size(), 1u);
    EXPECT_FALSE(Shown(Dlg::kStartId));
    EXPECT_TRUE(Shown(Dlg::kStopId));
    EXPECT_TRUE(Enabled(Dlg::kStopId));
    EXPECT_TRUE(Shown(Dlg::kBusyId));
    EXPECT_TRUE(dialog_->BusyIndicator().IsPlaying());
    for (int id : {Dlg::kUinId, Dlg::kAuthenticityId, Dlg::kCurrencyId, Dlg::kCommentId,
                   Dlg::kSideId, Dlg::kLastSessionId}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    EXPECT_EQ(Text(Dlg::kScanCountId), L"Всего сканов: 0");
    ASSERT_TRUE(PumpUntil([&] { return Text(Dlg::kScanCountId) == L"Всего сканов: 3"; }));
    Screenshot("scan-session-fetching");

    ASSERT_TRUE(PumpUntil(
        [&] { return Text(Dlg::kScanCountId) == L"Сканирование завершено.Всего сканов: 6"; }));
    EXPECT_TRUE(Shown(Dlg::kStartId));
    EXPECT_FALSE(Shown(Dlg::kStopId));
    EXPECT_FALSE(Shown(Dlg::kBusyId));
    EXPECT_FALSE(dialog_->BusyIndicator().IsPlaying());
    EXPECT_TRUE(Enabled(Dlg::kCurrencyId));
    EXPECT_TRUE(Enabled(Dlg::kUploadId));
    EXPECT_TRUE(Enabled(Dlg::kSaveToDiskId));
    EXPECT_EQ(dialog_->StoredScans(), 6);
    // The agent stored the session where the dialog looks for it, the comment intact.
    const std::wstring name = SessionFolderName(dialog_->LastSession());
    EXPECT_EQ(LoadSessionData(ScanStorageFolder() / name / kSessionDocumentName).comment,
              L"серия <АА> & дубли");

    Click(Dlg::kUploadId);
    EXPECT_FALSE(Enabled(Dlg::kUploadId));
    EXPECT_FALSE(Enabled(Dlg::kSaveToDiskId));
    ASSERT_TRUE(PumpUntil([&] { return Shown(Dlg::kUploadDoneId); }));
    EXPECT_EQ(Find<wxGauge>(Dlg::kUploadProgressId)->GetValue(), 100);
    EXPECT_EQ(Text(Dlg::kUploadCounterId), "6/6");
    EXPECT_FALSE(Shown(Dlg::kErrorLinkId));
    EXPECT_FALSE(Enabled(Dlg::kUploadId));

    // Saving moves the session folder to the export folder; after an upload the buttons wait
    // for the next count, here the next showing.
    dialog_->Hide();
    dialog_->OpenWithDevices({L"ABC-123-12345678"});
    EXPECT_TRUE(Enabled(Dlg::kSaveToDiskId));
    answers_.ClearAsked();
    Click(Dlg::kSaveToDiskId);
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].text, L"Сканы успешно скопированы");
    EXPECT_FALSE(fs::exists(ScanStorageFolder() / name));
    EXPECT_EQ(CountStoredScans(exportDir_.path()), 6);
}

TEST_F(ScanDialogTest, StopFailedUploadErrorLinkAndLastSession) {
    StartAgent({50, 100ms, true});
    dialog_->OpenWithDevices({L"DEV-1"});
    // Upload progress while nothing is stored has no share to show, and does not fault.
    OnWorker([&] { dialog_->OnUploadProgress(3, 0); });
    EXPECT_EQ(Text(Dlg::kUploadCounterId), "3/0");
    EXPECT_EQ(Find<wxGauge>(Dlg::kUploadProgressId)->GetValue(), 0);

    // Scans of an earlier run, but nothing started in this one: nothing to save, and the
    // dialog says so.
    SessionData earlier;
    earlier.uin = L"DEV-0";
    earlier.timestamp = {2024, 1, 5, 9, 30, 5};
    earlier.authenticity = earlier.rotation = earlier.side = 0;
    earlier.currency = L"EUR";
    earlier.denomination = 5;
    earlier.year = 2002;
    earlier.version = L"A";
    const fs::path old = ScanStorageFolder() / SessionFolderName(earlier);
    fs::create_directories(old);
    test::WriteFileBytes(old / kSessionDocumentName, FormatSessionData(earlier));
    test::WriteFileBytes(old / "a.sgcsd", "scan");
    dialog_->Hide();
    dialog_->OpenWithDevices({L"DEV-1"});
    ASSERT_TRUE(Enabled(Dlg::kSaveToDiskId));
    Click(Dlg::kSaveToDiskId);
    EXPECT_TRUE(answers_.asked().empty());
    EXPECT_TRUE(Has(Text(Dlg::kScanCountId), L"Нет сессии для сохранения"));
    Click(Dlg::kLastSessionId);  // nothing to fill in yet
    EXPECT_EQ(Find<wxTextCtrl>(Dlg::kCurrencyId)->GetValue(), "");

    FillValidSession();
    Click(Dlg::kStartId);
    ASSERT_TRUE(PumpUntil([&] { return Text(Dlg::kScanCountId) == L"Всего сканов: 2"; }));
    Click(Dlg::kStopId);
    EXPECT_FALSE(Enabled(Dlg::kStopId));
    EXPECT_TRUE(Shown(Dlg::kStopId));
    ASSERT_TRUE(PumpUntil([&] { return Shown(Dlg::kStartId); }));
    const int stored = dialog_->StoredScans();
    EXPECT_GE(stored, 2);
    EXPECT_LT(stored, 50);

    // The agent fails half way: the error link shows and opens the report of that error.
    Click(Dlg::kUploadId);
    ASSERT_TRUE(PumpUntil([&] { return Shown(Dlg::kErrorLinkId); }));
    EXPECT_TRUE(Enabled(Dlg::kUploadId));
    EXPECT_TRUE(Enabled(Dlg::kSaveToDiskId));
    EXPECT_FALSE(Shown(Dlg::kUploadDoneId));
    AgentErrorRecord shown;
    answers_.SetHandler([&](wxDialog& report) {
        if (auto* dlg = dynamic_cast<CErrorReportingDlg*>(&report)) {
            shown = dlg->Report();
        }
        return wxID_OK;
    });
    wxHyperlinkEvent link(Find<wxHyperlinkCtrl>(Dlg::kErrorLinkId), Dlg::kErrorLinkId, "");
    Find<wxHyperlinkCtrl>(Dlg::kErrorLinkId)->GetEventHandler()->ProcessEvent(link);
    EXPECT_EQ(shown.description, L"Сервер не принял сканы");
    EXPECT_EQ(shown.errorId, 503);

    // The last session comes back into the fields, with only its device.
    dialog_->Hide();
    dialog_->OpenWithDevices({L"DEV-1", L"DEV-2"});
    EXPECT_EQ(Find<wxTextCtrl>(Dlg::kCurrencyId)->GetValue(), "");
    Click(Dlg::kLastSessionId);
    EXPECT_EQ(Find<wxChoice>(Dlg::kUinId)->GetCount(), 1u);
    EXPECT_EQ(Find<wxTextCtrl>(Dlg::kCurrencyId)->GetValue(), "RUB");
    EXPECT_EQ(Find<wxTextCtrl>(Dlg::kYearId)->GetValue(), "2017");
    EXPECT_EQ(Find<wxChoice>(Dlg::kAuthenticityId)->GetSelection(), 1);
    EXPECT_EQ(Find<wxTextCtrl>(Dlg::kCommentId)->GetValue(), L"серия <АА> & дубли");

    // Closed, the dialog ignores notifications, also once the window manager has caught up
    // with the showing just before (the toolkit then reports the window shown again).
    dialog_->Hide();
    test::Pump(150ms);
    const wxString before = Text(Dlg::kScanCountId);
    OnWorker([&] {
        dialog_->OnScanProgress(9, 0);
        dialog_->OnUploadProgress(9, 2);
    });
    EXPECT_EQ(Text(Dlg::kScanCountId), before);

    // Without an agent a start is refused with its own message.
    agent_->Stop();
    dialog_->OpenWithDevices({L"DEV-1"});
    FillValidSession();
    answers_.SetHandler({});
    answers_.ClearAsked();
    Click(Dlg::kStartId);
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].text, L"Ошибка сканирования. Системный сервис не доступен!");
    EXPECT_TRUE(Shown(Dlg::kStartId));
}

// "Сохр.на диск" waits while scans arrive, and copies only to a full path; what is not copied
// whole is never deleted, and the log says why a copy failed.
TEST_F(ScanDialogTest, SaveToDiskWaitsForTheFetchAndNeedsAFullExportFolder) {
    StartAgent({40, 50ms, false});
    std::mutex logMutex;
    std::vector<std::string> log;
    platform::SetProgramLogSink([&](const std::string& line) {
        std::lock_guard lock(logMutex);
        log.push_back(line);
    });
    // Two scans or more have arrived in the running fetch.
    auto arrived = [&] {
        const wxString text = Text(Dlg::kScanCountId);
        const wxString prefix = L"Всего сканов: ";
        long count = 0;
        return text.StartsWith(prefix) && text.Mid(prefix.length()).ToLong(&count) && count >= 2;
    };
    dialog_->OpenWithDevices({L"ABC-123-12345678"});
    FillValidSession();
    Click(Dlg::kStartId);
    ASSERT_TRUE(PumpUntil(arrived, 20s));
    Click(Dlg::kStopId);
    ASSERT_TRUE(PumpUntil([&] { return Shown(Dlg::kStartId); }, 20s));
    EXPECT_TRUE(Enabled(Dlg::kSaveToDiskId));

    // A second fetch: the stored scans may not be saved while it runs.
    Click(Dlg::kStartId);
    ASSERT_TRUE(PumpUntil(arrived, 20s));
    EXPECT_FALSE(Enabled(Dlg::kSaveToDiskId));
    EXPECT_TRUE(Enabled(Dlg::kUploadId));
    Screenshot("scan-session-second-fetch");
    answers_.ClearAsked();
    Click(Dlg::kSaveToDiskId);
    EXPECT_TRUE(answers_.asked().empty());
    const fs::path source = ScanStorageFolder() / SessionFolderName(dialog_->LastSession());
    EXPECT_TRUE(fs::exists(source));
    Click(Dlg::kStopId);
    ASSERT_TRUE(PumpUntil([&] { return Shown(Dlg::kStartId); }, 20s));
    EXPECT_TRUE(Enabled(Dlg::kSaveToDiskId));
    // The last session's own scans, which a save moves (an earlier session of the same second
    // shares its folder).
    int stored = 0;
    for (const auto& entry : fs::directory_iterator(source)) {
        stored += entry.path().extension() == kScanExtension ? 1 : 0;
    }
    ASSERT_GT(stored, 0);

    test::TempDir workingDir;
    const fs::path before = fs::current_path();
    fs::current_path(workingDir.path());
    // A folder that cannot be made on any system: a file stands where its parent would be.
    test::TempDir blockerDir;
    test::WriteFileBytes(blockerDir.path() / "file", "");
    const fs::path unmakeable = blockerDir.path() / "file" / "scans";
    const struct {
        const char* what;
        std::wstring folder;  // the stored export folder
        int pickerAnswer;     // for an empty one: wxID_OK picks exportDir_
        wxString told;        // the last message, empty for none
        bool moved;
    } cases[] = {
        {"relative", L"scans", 0, L"Папка для сканов должна быть задана полным путём:\nscans",
         false},
        {"empty, picker cancelled", L"", wxID_CANCEL, L"", false},
        {"cannot be made", unmakeable.wstring(), 0, L"Ошибка копирования сканов", false},
        {"empty, a folder picked", L"", wxID_OK, L"Сканы успешно скопированы", true},
    };
    for (const auto& c : cases) {
        SetExtractionScansFolder(c.folder);
        answers_.ClearAsked();
        if (c.folder.empty()) {
            answers_.Answer(c.pickerAnswer, exportDir_.path().string());
        }
        Click(Dlg::kSaveToDiskId);
        const auto& asked = answers_.asked();
        wxString told;
        if (!asked.empty() && asked.back().kind == platform::AskedQuestion::Kind::Message) {
            told = asked.back().text;
        }
        EXPECT_EQ(told, c.told) << c.what;
        if (c.folder.empty()) {
            ASSERT_FALSE(asked.empty()) << c.what;
            EXPECT_EQ(asked.front().kind, platform::AskedQuestion::Kind::File) << c.what;
        }
        EXPECT_EQ(fs::exists(source), !c.moved) << c.what;
        EXPECT_EQ(CountStoredScans(exportDir_.path()), c.moved ? stored : 0) << c.what;
        EXPECT_TRUE(fs::is_empty(workingDir.path())) << c.what;
    }
    fs::current_path(before);
    platform::SetProgramLogSink({});
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(platform::PathToUtf8(unmakeable)), std::string::npos) << log[0];
}

using test::LanguageFilesBesideProgram;

TEST_F(ScanDialogTest, EnglishWhileFetching) {
    LanguageFilesBesideProgram languages;
    ASSERT_TRUE(platform::RegistryStore(platform::RegistryRoot::CurrentUser)
                    .WriteString("Software\\Quorin\\Zelt\\AgentZelt", "CurrentLanguage", "ENG"));
    ASSERT_TRUE(ApplyStoredLanguage());
    StartAgent({8, 150ms, false});
    dialog_->OpenWithDevices({L"ABC-123-12345678"});
    EXPECT_EQ(dialog_->GetTitle(), "Banknote scanning");
    EXPECT_EQ(Text(Dlg::kStartId), "Get scans");
    EXPECT_EQ(Find<wxChoice>(Dlg::kAuthenticityId)->GetString(0), "Genuine");
    // Each refusal reason in English, joined after it was translated.
    answers_.ClearAsked();
    Type(Dlg::kYearId, "2017");
    Click(Dlg::kStartId);
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].text,
              "\r\nThe currency code must have 3 characters;"
              "\r\nWrong denomination;");
    FillValidSession();
    Click(Dlg::kStartId);
    ASSERT_TRUE(PumpUntil([&] { return Text(Dlg::kScanCountId) == "Scans in all: 3"; }));
    Screenshot("scan-session-fetching-english");
    Click(Dlg::kStopId);
    ASSERT_TRUE(PumpUntil([&] { return Shown(Dlg::kStartId); }));
    EXPECT_TRUE(Has(Text(Dlg::kScanCountId), "Scanning finished. Scans in all:"));
    Localization::CVocabrix::Instance().CleanUp();
    Localization::CVocabrix::Instance().SetTranslateOn(false);
}

}  // namespace
}  // namespace vorn
