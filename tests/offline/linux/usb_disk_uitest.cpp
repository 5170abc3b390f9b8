#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/AppProfile.h"
#include "monitor/ErrorTexts.h"
#include "offline/OfflineUiTestSupport.h"
#include "offline/PackageUnpacker.h"
#include "offline/ZipTestSupport.h"
#include "offline/ui/CHttpCredentialsDlg.h"
#include "offline/ui/CPrepareUsbDisk.h"
#include "platform/ui/ModalQuestions.h"
#include "support/TestEnvironment.h"
#include "tools/update-server/UpdateServer.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Dlg = CPrepareUsbDisk;
using test::Control;
using test::PumpUntil;

// Disks come and go when the test says so.
struct VolumeEvents {
    platform::VolumeWatcher::Callback added;
    platform::VolumeWatcher::Callback removed;
    void Add(const fs::path& mount) {
        if (added) {
            added({mount, "USB"});
        }
    }
    void Remove(const fs::path& mount) {
        if (removed) {
            removed({mount, "USB"});
        }
    }
    // A disk as Windows gives it: a drive letter and its root.
    void AddDrive(char letter) {
        if (added) {
            added({std::string{letter, ':', '\\'}, "USB", letter});
        }
    }
};

class FakeVolumes : public platform::VolumeWatcher {
public:
    explicit FakeVolumes(std::shared_ptr<VolumeEvents> events) : events_(std::move(events)) {}
    void Start(Callback added, Callback removed) override {
        events_->added = std::move(added);
        events_->removed = std::move(removed);
    }
    void Stop() override { *events_ = {}; }
    std::string FileSystemType(const fs::path&) override { return "vfat"; }

private:
    std::shared_ptr<VolumeEvents> events_;
};

class UsbDiskDialog : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFileBytes(packages_ / "model-2.zip",
                             test::MakeZip({{"fw/", ""}, {"fw/p175.bin", "firmware 175"}}));
        test::WriteFileBytes(packages_ / "model-1.zip", test::MakeZip({{"p150.bin", "fw 150"}}));
        std::string error;
        ASSERT_TRUE(server_.Start(0, error)) << error;
        SetHttpServerPort(server_.Port());
    }
    void TearDown() override { delete dialog_; }

    void Open() {
        dialog_ = new Dlg(nullptr, std::make_unique<FakeVolumes>(volumes_));
        dialog_->Move(40, 40);
        dialog_->Show();
    }
    void Press(int id) {
        wxCommandEvent click(wxEVT_BUTTON, id);
        dialog_->ProcessWindowEvent(click);
    }
    // The lookup runs on the worker: its end is waited for.
    void Lookup(const wxString& serial) {
        Control<wxComboBox>(dialog_, Dlg::kSerialId)->SetValue(serial);
        Press(wxID_OK);
        EXPECT_TRUE(PumpUntil([&] { return !dialog_->Working(); }, 10s));
    }
    wxString Message() { return Control<wxStaticText>(dialog_, Dlg::kMessageId)->GetLabel(); }
    bool Enabled(int id) { return dialog_->FindWindow(id)->IsEnabled(); }
    // The message area breaks long lines at blanks.
    bool WaitFor(wxString text) {
        text.Replace("\n", " ");
        const bool found = PumpUntil(
            [&] {
                wxString shown = Message();
                shown.Replace("\n", " ");
                return shown.Contains(text);
            },
            10s);
        EXPECT_TRUE(found) << Message();
        return found;
    }

    test::TempDir registry_;
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    test::TempDir data_;
    test::ScopedEnv dataEnv_{"VORN_DATA_DIR", data_.path().string()};
    test::TempDir packages_;
    test::TempDir disks_;
    tools::UpdateServer server_{tools::UpdateServer::Config{
        packages_.path(), {{"QN-1", 1}, {"QN-2", 2}, {"QN-3", 3}}, std::nullopt}};
    std::shared_ptr<VolumeEvents> volumes_ = std::make_shared<VolumeEvents>();
    platform::ModalAnswers answers_;
    Dlg* dialog_ = nullptr;
};

TEST_F(UsbDiskDialog, LooksUpTheModelWaitsForADiskAndUnpacksOntoIt) {
    SetSerialNumbers(L"B7||A5");
    Open();
    auto* serials = Control<wxComboBox>(dialog_, Dlg::kSerialId);
    ASSERT_EQ(serials->GetCount(), 2u);  // no empty entry, sorted
    EXPECT_EQ(serials->GetString(0), "A5");
    EXPECT_TRUE(test::SaveScreenshot(dialog_, "usb-disk-open-ru"));
    serials->SetSelection(1);
    wxCommandEvent selected(wxEVT_COMBOBOX, Dlg::kSerialId);
    selected.SetInt(1);
    dialog_->ProcessWindowEvent(selected);
    EXPECT_EQ(serials->GetValue(), "B7");

    Lookup("nobody");
    EXPECT_EQ(Message(), kSerialNotFound);
    EXPECT_EQ(dialog_->Stage(), 0);
    EXPECT_TRUE(Enabled(wxID_OK) && Enabled(Dlg::kConnectionId));
    EXPECT_EQ(GetSerialNumbers(), L"B7||A5");

    Lookup("QN-2");
    EXPECT_EQ(Message(),
              L"Модель устройства: \"Pellam 175/175F\"\nПожалуйста, подключите "
              L"USB-диск (флешку)");
    EXPECT_EQ(dialog_->Stage(), 1);
    EXPECT_FALSE(Enabled(wxID_OK) || Enabled(Dlg::kConnectionId) || Enabled(Dlg::kSerialId));
    EXPECT_FALSE(dialog_->FindWindow(Dlg::kPromptId)->IsShown());
    EXPECT_EQ(GetSerialNumbers(), L"B7|A5|QN-2");

    const fs::path first = disks_ / "FIRST";
    const fs::path second = disks_ / "SECOND";
    fs::create_directories(first);
    fs::create_directories(second);
    volumes_->Add(first);
    EXPECT_TRUE(Message().StartsWith("Подключен диск " + first.string() +
                                     "\nФайловая система: vfat\nДля загрузки"));
    EXPECT_TRUE(Enabled(wxID_OK) && Enabled(Dlg::kConnectionId));
    volumes_->Remove(first);
    EXPECT_EQ(Message(), L"Флеш-диск был отключен. Пожалуйста, подключите другую флешку");
    EXPECT_FALSE(Enabled(wxID_OK));
    volumes_->Add(second);
    EXPECT_TRUE(Message().Contains(second.string()));
    EXPECT_TRUE(test::SaveScreenshot(dialog_, "usb-disk-ru"));

    Press(wxID_OK);
    ASSERT_TRUE(WaitFor(L"Операция выполнена!"));
    EXPECT_EQ(test::ReadFileBytes(second / "fw/p175.bin"), "firmware 175");
    EXPECT_TRUE(fs::exists(second / kManifestName));
    EXPECT_TRUE(fs::is_empty(first));
    EXPECT_EQ(Control<wxButton>(dialog_, wxID_CANCEL)->GetLabel(), L"Выход");
    EXPECT_FALSE(Enabled(wxID_OK));
    EXPECT_TRUE(answers_.asked().empty());
}

TEST_F(UsbDiskDialog, ADiskThatHasADriveLetterIsNamedByIt) {
    Open();
    Lookup("QN-2");
    volumes_->AddDrive('F');
    EXPECT_TRUE(Message().StartsWith(L"Подключен диск F\nФайловая система: vfat\nДля загрузки"))
        << Message();
    EXPECT_TRUE(Enabled(wxID_OK));
}

TEST_F(UsbDiskDialog, Model1FindsOrAsksForTheUpdaterAndStartsIt) {
    const fs::path empty = disks_ / "empty";
    const fs::path updater = disks_ / "updater";
    fs::create_directories(empty);
    fs::create_directories(updater);
    const fs::path program = updater / Dlg::UpdaterFileName();
    test::WriteFileBytes(program, "#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
    fs::permissions(program, fs::perms::owner_all);
    SetRenovexPath(empty.wstring());
    Open();

    // Cancelled picker: no disk is asked for, and OK is there to try again.
    Lookup("QN-1");
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].kind, platform::AskedQuestion::Kind::File);
    EXPECT_EQ(answers_.asked()[0].text, L"Выберите папку с файлом Renovex.exe");
    EXPECT_EQ(Message(), L"Программа для прошивки счётчика не была найдена");
    EXPECT_TRUE(Enabled(wxID_OK) && Enabled(Dlg::kConnectionId) && Enabled(Dlg::kSerialId));
    EXPECT_TRUE(dialog_->FindWindow(Dlg::kPromptId)->IsShown());
    EXPECT_EQ(dialog_->Stage(), 0);

    // A picked folder without it is kept all the same, and "Файл не найден" is shown.
    answers_.ClearAsked();
    answers_.Answer(wxID_OK, (disks_ / "elsewhere").string());
    Press(wxID_OK);
    ASSERT_TRUE(PumpUntil([&] { return !dialog_->Working(); }, 10s));
    ASSERT_EQ(answers_.asked().size(), 2u);
    EXPECT_EQ(answers_.asked()[1].text, L"Файл не найден");
    EXPECT_TRUE(answers_.asked()[1].style & wxICON_EXCLAMATION);
    EXPECT_EQ(GetRenovexPath(), (disks_ / "elsewhere").wstring());

    answers_.Answer(wxID_OK, updater.string());
    Press(wxID_OK);
    ASSERT_TRUE(WaitFor(L"Операция выполнена!"));
    EXPECT_EQ(test::ReadFileBytes(updater / "p150.bin"), "fw 150");
    EXPECT_TRUE(PumpUntil([&] { return fs::exists(updater / "started"); }, 10s));
    EXPECT_EQ(GetRenovexPath(), updater.wstring());
    EXPECT_EQ(volumes_->added, nullptr);  // no disk was waited for
}

TEST_F(UsbDiskDialog, ServerErrorsKeepTheStageAndCredentialsAreAskedFor) {
    Open();
    Lookup("QN-3");
    volumes_->Add(disks_.path());
    Press(wxID_OK);  // there is no package for model 3
    ASSERT_TRUE(WaitFor(HttpStatusText(404)));
    EXPECT_EQ(dialog_->Stage(), 1);
    EXPECT_TRUE(Enabled(wxID_OK) && Enabled(Dlg::kConnectionId));
    Press(Dlg::kConnectionId);  // the server settings, to try another server
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].text, L"Параметры подключения...");
    answers_.ClearAsked();

    server_.Stop();
    tools::UpdateServer guarded(
        tools::UpdateServer::Config{packages_.path(), {{"QN-2", 2}}, std::string("tech:s3cret")});
    std::string error;
    ASSERT_TRUE(guarded.Start(0, error)) << error;
    SetHttpServerPort(guarded.Port());
    answers_.SetHandler([](wxDialog& dialog) {
        Control<wxTextCtrl>(&dialog, CHttpCredentialsDlg::kUserId)->SetValue("tech");
        Control<wxTextCtrl>(&dialog, CHttpCredentialsDlg::kPasswordId)->SetValue("s3cret");
        return static_cast<int>(wxID_OK);
    });
    delete dialog_;
    Open();
    Lookup("QN-2");
    EXPECT_EQ(dialog_->Model(), 2);
    EXPECT_EQ(dialog_->Stage(), 1);
    ASSERT_EQ(answers_.asked().size(), 1u);
    EXPECT_EQ(answers_.asked()[0].kind, platform::AskedQuestion::Kind::Dialog);
}

TEST(HttpCredentialsDialog, Screenshots) {
    for (const bool english : {false, true}) {
        std::optional<test::EnglishInterface> language;
        if (english) {
            language.emplace();
        }
        CHttpCredentialsDlg dialog(nullptr, true);
        dialog.Move(40, 40);
        dialog.Show();
        // OK answers with the typed name and password, and is the default button.
        EXPECT_EQ(dialog.GetDefaultItem(), dialog.FindWindow(wxID_OK));
        EXPECT_EQ(dialog.FindWindow(wxID_CANCEL)->GetLabel(),
                  english ? wxString("Cancel") : wxString(L"Отмена"));
        EXPECT_TRUE(
            test::SaveScreenshot(&dialog, english ? "http-credentials-en" : "http-credentials-ru"));
    }
}

TEST_F(UsbDiskDialog, EnglishScreenshot) {
    test::EnglishInterface english;
    Open();
    Lookup("QN-2");
    fs::create_directories(disks_ / "USB-DISK");
    volumes_->Add(disks_ / "USB-DISK");
    EXPECT_EQ(dialog_->GetTitle(), "Firmware update");
    EXPECT_TRUE(Message().StartsWith("Disk "));
    EXPECT_TRUE(test::SaveScreenshot(dialog_, "usb-disk-en"));
}

// The lookup, the download and the unpacking each keep the window alive, show their progress
// and stop on Cancel, which takes back what was written and closes the window. A slow server
// and a disk that blocks the writer (a FIFO nobody reads yet) hold each step for as long as the
// test needs; before, each froze the window until the server gave up.
TEST_F(UsbDiskDialog, SlowWorkShowsProgressAndCancelStopsIt) {
    using tools::HttpReply;
    server_.SetReply("/getmodel?serialno=SLOW", HttpReply::Hostile(200, "{", 1000, 100, 1, 100ms));
    server_.SetReply("/update?model=2",
                     HttpReply::Hostile(200, std::string(1024, 'P'), 1 << 24, 100, 1024, 100ms));
    for (const bool english : {false, true}) {
        std::optional<test::EnglishInterface> language;
        if (english) {
            language.emplace();
        }
        const std::string suffix = english ? "-en" : "-ru";
        const auto cancel = [&] {
            Press(wxID_CANCEL);
            EXPECT_TRUE(PumpUntil([&] { return !dialog_->IsShown() && !dialog_->Working(); }, 10s));
            delete dialog_;
            dialog_ = nullptr;
        };

        Open();
        Control<wxComboBox>(dialog_, Dlg::kSerialId)->SetValue("SLOW");
        Press(wxID_OK);
        EXPECT_TRUE(dialog_->Working());
        EXPECT_FALSE(Enabled(wxID_OK));
        cancel();

        Open();
        Lookup("QN-2");
        const fs::path disk = disks_ / ("DISK" + suffix);
        fs::create_directories(disk);
        volumes_->Add(disk);
        Press(wxID_OK);
        ASSERT_TRUE(WaitFor(english ? L"Received: " : L"Получено: "));
        EXPECT_TRUE(test::SaveScreenshot(dialog_, "usb-disk-download" + suffix));
        cancel();
        EXPECT_TRUE(fs::is_empty(disk));

        server_.SetReply("/update?model=2",
                         HttpReply(200, test::MakeZip({{"fw/a.bin", "a"}, {"b.bin", "b"}})));
        ASSERT_EQ(::mkfifo((disk / "b.bin").c_str(), 0644), 0);
        Open();
        Lookup("QN-2");
        volumes_->Add(disk);
        Press(wxID_OK);
        ASSERT_TRUE(WaitFor(english ? L"Files unpacked: 1 of 2" : L"Распаковано файлов: 1 из 2"));
        EXPECT_TRUE(test::SaveScreenshot(dialog_, "usb-disk-unpack" + suffix));
        Press(wxID_CANCEL);
        // The writer is let go only now, so that it meets the cancellation.
        const int reader = ::open((disk / "b.bin").c_str(), O_RDONLY | O_NONBLOCK);
        EXPECT_GE(reader, 0);
        EXPECT_TRUE(PumpUntil([&] { return !dialog_->IsShown() && !dialog_->Working(); }, 10s));
        ::close(reader);
        EXPECT_FALSE(fs::exists(disk / "fw"));
        EXPECT_FALSE(fs::exists(disk / "b.bin"));
        delete dialog_;
        dialog_ = nullptr;
        server_.SetReply("/update?model=2", HttpReply::Hostile(200, std::string(1024, 'P'), 1 << 24,
                                                               100, 1024, 100ms));
    }
}

// What the unpacking came to is said as it is: a manifest that could not be written is not
// reported as files that failed, nor hidden behind "done".
TEST_F(UsbDiskDialog, TheUnpackingsOutcomeIsShown) {
    const std::string package = test::MakeZip({{"a.bin", "a"}});
    struct Case {
        std::string package;
        bool blockManifest;
        const wchar_t* message;
        bool english = false;
    };
    const Case cases[] = {
        {"<html>", false, L"Полученный с сервера пакет обновления не является ZIP-архивом"},
        {test::MakeEmptyEntriesZip(kMaxArchiveEntries + 1), false,
         L"Пакет обновления содержит больше 65535 файлов"},
        {package, true,
         L"Файлы записаны, но MANIFEST.sha256 записать не удалось. Подробности в журнале"},
        {package, false, L"Операция выполнена!"},
        {package, true,
         L"The files were written, but MANIFEST.sha256 could not be. See the log for details",
         true},
    };
    int number = 0;
    for (const Case& c : cases) {
        std::optional<test::EnglishInterface> language;
        if (c.english) {
            language.emplace();
        }
        const fs::path disk = disks_ / std::to_string(++number);
        fs::create_directories(disk);
        if (c.blockManifest) {
            fs::create_directory(disk / kManifestName);
        }
        server_.SetReply("/update?model=2", tools::HttpReply(200, c.package));
        Open();
        Lookup("QN-2");
        volumes_->Add(disk);
        Press(wxID_OK);
        EXPECT_TRUE(WaitFor(c.message));
        EXPECT_TRUE(PumpUntil([&] { return !dialog_->Working(); }, 10s));
        if (c.blockManifest) {
            EXPECT_TRUE(test::SaveScreenshot(
                dialog_, c.english ? "usb-disk-manifest-en" : "usb-disk-manifest-ru"));
        }
        delete dialog_;
        dialog_ = nullptr;
    }
}

// Closing the window while the worker waits on a trickling server ends the worker with it.
TEST_F(UsbDiskDialog, ClosingTheWindowStopsTheWorker) {
    server_.SetReply("/getmodel?serialno=SLOW",
                     tools::HttpReply::Hostile(200, "{", 1000, 1000, 1, 100ms));
    Open();
    Control<wxComboBox>(dialog_, Dlg::kSerialId)->SetValue("SLOW");
    Press(wxID_OK);
    ASSERT_TRUE(dialog_->Working());
    delete dialog_;  // joins the worker, which stops within a second
    dialog_ = nullptr;
}

}  // namespace
}  // namespace vorn
