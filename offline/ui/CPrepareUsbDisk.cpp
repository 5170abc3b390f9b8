#include "offline/ui/CPrepareUsbDisk.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/AppProfile.h"
#include "app/ui/Translate.h"
#include "dialogs/ui/CServerParams.h"
#include "logging/Logger.h"
#include "offline/OfflineRules.h"
#include "offline/PackageUnpacker.h"
#include "offline/ui/CHttpCredentialsDlg.h"
#include "platform/FileRead.h"
#include "platform/KnownFolders.h"
#include "platform/PathText.h"
#include "platform/TextConversion.h"
#include "platform/ui/DesktopVolumes.h"
#include "platform/ui/ModalQuestions.h"
#include "platform/ui/ShellOpen.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kLogLevel = 50;

// Puts the values in place of the "%s" and "%c" marks of a translated text, one after the
// other; a translation with fewer marks simply shows fewer values.
wxString Fill(wxString text, std::initializer_list<wxString> values) {
    std::size_t from = 0;
    for (const wxString& value : values) {
        const std::size_t at = std::min(text.find("%s", from), text.find("%c", from));
        if (at == wxString::npos) {
            break;
        }
        text.replace(at, 2, value);
        from = at + value.length();
    }
    return text;
}

wxString Megabytes(std::uintmax_t bytes) {
    return std::to_string(bytes / (1024 * 1024) + (bytes % (1024 * 1024) != 0 ? 1 : 0));
}

}  // namespace

CPrepareUsbDisk::CPrepareUsbDisk(wxWindow* parent, std::unique_ptr<platform::VolumeWatcher> volumes)
    : wxDialog(parent, wxID_ANY, Tr(L"Обновление прошивки")), volumes_(std::move(volumes)) {
    if (!volumes_) {
        volumes_ = platform::CreateDesktopVolumeWatcher();
    }
    CreateControls();
    for (const std::wstring& serial : SplitSerialHistory(GetSerialNumbers())) {
        serialBox_->Append(serial);
    }
    ShowMessage(wxEmptyString);
}

CPrepareUsbDisk::~CPrepareUsbDisk() {
    // A worker waiting for this window is released, its transfer ends within a second.
    gate_.Close();
    stop_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
    volumes_->Stop();
}

void CPrepareUsbDisk::CreateControls() {
    prompt_ =
        new wxStaticText(this, kPromptId, Tr(L"Пожалуйста, введите серийный номер устройства:"));
    serialBox_ = new wxComboBox(this, kSerialId, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0,
                                nullptr, wxCB_DROPDOWN | wxCB_SORT);
    message_ = new wxStaticText(this, kMessageId, wxEmptyString, wxDefaultPosition,
                                ConvertDialogToPixels(wxSize(296, 113)),
                                wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    connection_ = new wxButton(this, kConnectionId, Tr(L"Параметры подключения"));
    ok_ = new wxButton(this, wxID_OK, "OK");
    ok_->SetDefault();
    cancel_ = new wxButton(this, wxID_CANCEL, "Cancel");

    const int gap = ConvertDialogToPixels(wxSize(7, 0)).x;
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(connection_, 0);
    buttons->AddStretchSpacer();
    buttons->Add(ok_, 0, wxRIGHT, gap / 2);
    buttons->Add(cancel_, 0);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(prompt_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    column->Add(serialBox_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    column->Add(message_, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    column->Add(buttons, 0, wxEXPAND | wxALL, gap);
    SetSizerAndFit(column);

    Bind(wxEVT_BUTTON, &CPrepareUsbDisk::OnOk, this, wxID_OK);
    Bind(wxEVT_BUTTON, &CPrepareUsbDisk::OnCancel, this, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, &CPrepareUsbDisk::OnClose, this);
    Bind(wxEVT_BUTTON, &CPrepareUsbDisk::OnConnectionParameters, this, kConnectionId);
    Bind(wxEVT_COMBOBOX, &CPrepareUsbDisk::OnSerialSelected, this, kSerialId);
}

void CPrepareUsbDisk::ShowMessage(const wxString& text) {
    message_->SetLabel(text);
    message_->Wrap(message_->GetClientSize().x);
}

void CPrepareUsbDisk::EnableActions(bool enable) {
    ok_->Enable(enable);
    connection_->Enable(enable);
}

void CPrepareUsbDisk::OnSerialSelected(wxCommandEvent&) {
    const int selection = serialBox_->GetSelection();
    if (selection != wxNOT_FOUND) {
        serialBox_->SetValue(serialBox_->GetString(static_cast<unsigned>(selection)));
    }
}

void CPrepareUsbDisk::OnConnectionParameters(wxCommandEvent&) {
    // It stores what the operator enters; the next request reads it afresh.
    CServerParams dialog(this);
    platform::RunModal(dialog);
}

void CPrepareUsbDisk::OnOk(wxCommandEvent&) {
    if (working_) {
        return;
    }
    if (stage_ == 0) {
        CheckSerialNumber();
        return;
    }
    EnableActions(false);
    CallAfter(&CPrepareUsbDisk::DownloadAndUnpack);
}

void CPrepareUsbDisk::OnCancel(wxCommandEvent& event) {
    if (!working_) {
        event.Skip();  // closes the window
        return;
    }
    // The window closes once the worker has stopped and taken back what it wrote.
    closeWhenDone_ = true;
    stop_ = true;
    cancel_->Disable();
}

void CPrepareUsbDisk::OnClose(wxCloseEvent& event) {
    if (working_ && event.CanVeto()) {
        event.Veto();
        closeWhenDone_ = true;
        stop_ = true;
        cancel_->Disable();
        return;
    }
    event.Skip();
}

void CPrepareUsbDisk::StartWork(std::function<void()> work) {
    if (worker_.joinable()) {
        worker_.join();  // it ended with its last call to this window
    }
    working_ = true;
    stop_ = false;
    lastProgress_ = {};
    worker_ = std::thread(std::move(work));
}

bool CPrepareUsbDisk::EndWork() {
    working_ = false;
    if (closeWhenDone_) {
        closeWhenDone_ = false;
        cancel_->Enable();
        if (IsModal()) {
            EndModal(wxID_CANCEL);
        } else {
            Hide();
        }
        return false;
    }
    return true;
}

void CPrepareUsbDisk::ShowProgress(const wxString& text, bool force) {
    // Often enough to look alive, seldom enough not to slow the transfer down.
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastProgress_ < std::chrono::milliseconds(250)) {
        return;
    }
    lastProgress_ = now;
    gate_.Run([&] {
        if (!stop_) {
            ShowMessage(text);
        }
    });
}

std::optional<HttpCredentials> CPrepareUsbDisk::AskCredentials(bool proxy) {
    CHttpCredentialsDlg dialog(this, proxy);
    if (platform::RunModal(dialog) != wxID_OK) {
        return std::nullopt;
    }
    return HttpCredentials{dialog.User().ToStdWstring(), dialog.Password().ToStdWstring()};
}

std::optional<HttpCredentials> CPrepareUsbDisk::AskCredentialsFromWorker(bool proxy) {
    std::optional<HttpCredentials> answer;
    gate_.Run([&] {
        if (!stop_) {
            answer = AskCredentials(proxy);
        }
    });
    return answer;
}

void CPrepareUsbDisk::CheckSerialNumber() {
    EnableActions(false);
    serial_ = serialBox_->GetValue().ToStdWstring();
    ShowMessage(Tr(L"Осуществляется проверка введённого серийного номера..."));
    StartWork([this, serial = serial_] {
        HttpControl control;
        control.prompt = [this](bool proxy) { return AskCredentialsFromWorker(proxy); };
        control.cancel = &stop_;
        std::int32_t model = 0;
        const std::wstring error = QueryDeviceModel(serial, model, control);
        gate_.Run([&] { OnLookupDone(error, model); });
    });
}

void CPrepareUsbDisk::OnLookupDone(const std::wstring& error, std::int32_t model) {
    if (!EndWork()) {
        return;
    }
    if (error.empty() || error == kSerialNotFound) {
        model_ = model;
    }
    if (!error.empty()) {
        ShowMessage(error == kSerialNotFound ? Tr(kSerialNotFound) : wxString(error));
        EnableActions(true);
        return;
    }
    RememberSerialNumber();
    prompt_->Hide();
    serialBox_->Disable();
    if (model_ == kRenovexModel) {
        ShowMessage(Fill(Tr(L"Модель устройства: \"%s\""), {ModelDisplayName(model_)}));
        if (FindUpdater()) {
            CallAfter(&CPrepareUsbDisk::DownloadAndUnpack);
            return;
        }
        prompt_->Show();
        serialBox_->Enable();
        // Unlike before, OK and the connection settings come back so that the operator can
        // try again without reopening the window.
        EnableActions(true);
        ShowMessage(Tr(L"Программа для прошивки счётчика не была найдена"));
        return;
    }
    ShowMessage(Fill(Tr(L"Модель устройства: \"%s\"\nПожалуйста, подключите USB-диск (флешку)"),
                     {ModelDisplayName(model_)}));
    StartWaitingForDisk();
}

void CPrepareUsbDisk::RememberSerialNumber() {
    if (!serial_.empty()) {
        SetSerialNumbers(AddToSerialHistory(GetSerialNumbers(), serial_,
                                            static_cast<std::size_t>(kMaxSerialNumberHistory)));
    }
    if (serialBox_->FindString(serial_, true) == wxNOT_FOUND && !serial_.empty()) {
        serialBox_->Append(serial_);
    }
}

void CPrepareUsbDisk::StartWaitingForDisk() {
    stage_ = 1;
    waiting_ = true;
    disk_.reset();
    volumes_->Start([this](const platform::MountedVolume& v) { OnVolumeAdded(v); },
                    [this](const platform::MountedVolume& v) { OnVolumeRemoved(v); });
}

void CPrepareUsbDisk::OnVolumeAdded(const platform::MountedVolume& volume) {
    if (stage_ != 1 || !waiting_ || working_) {
        return;
    }
    waiting_ = false;
    disk_ = volume;
    const wxString fileSystem = wxString::FromUTF8(volumes_->FileSystemType(volume.mountPoint));
    // A disk goes by its letter where the system gives letters, else by where it is mounted.
    const bool lettered = volume.driveLetter != 0;
    const wxString disk = lettered ? wxString(wxUniChar(volume.driveLetter))
                                   : wxString::FromUTF8(platform::PathToUtf8(volume.mountPoint));
    ShowMessage(Fill(lettered ? Tr(L"Подключен диск %c\nФайловая система: %s")
                              : Tr(L"Подключен диск %s\nФайловая система: %s"),
                     {disk, fileSystem}) +
                Tr(L"\nДля загрузки файлов и их копирования на\nфлеш-диск, нажмите кнопку \"OK\""));
    EnableActions(true);
}

void CPrepareUsbDisk::OnVolumeRemoved(const platform::MountedVolume& volume) {
    if (stage_ != 1) {
        return;
    }
    if (working_) {
        // The work's end tells what became of it; the disk is waited for again after that.
        diskGone_ = diskGone_ || (disk_ && disk_->mountPoint == volume.mountPoint);
        return;
    }
    // The disk chosen before OK was pressed has gone: wait for another one rather than unpack
    // onto nothing.
    if (diskGone_) {
        diskGone_ = false;
    } else if (!waiting_ && !(disk_ && disk_->mountPoint == volume.mountPoint)) {
        return;
    }
    waiting_ = true;
    disk_.reset();
    EnableActions(false);
    ShowMessage(Tr(L"Флеш-диск был отключен. Пожалуйста, подключите другую флешку"));
}

void CPrepareUsbDisk::DownloadAndUnpack() {
    ShowMessage(Tr(L"Загрузка данных с сервера"));
    const fs::path target = model_ == kRenovexModel ? updaterFolder_
                            : disk_                 ? disk_->mountPoint
                                                    : fs::path();
    if (target.empty()) {
        EnableActions(true);
        return;
    }
    diskGone_ = false;
    // The texts are translated here, once: the worker only fills in the numbers.
    const wxString downloading = Tr(L"Загрузка данных с сервера");
    const wxString received = Tr(L"Получено: %s КБ");
    const wxString unpacking = Tr(L"Распаковано файлов: %s из %s");
    StartWork([this, target, model = model_, downloading, received, unpacking] {
        HttpControl control;
        control.prompt = [this](bool proxy) { return AskCredentialsFromWorker(proxy); };
        control.cancel = &stop_;
        control.progress = [&](std::uint64_t bytes, std::uint64_t) {
            if (bytes > 0) {
                ShowProgress(downloading + "\n" + Fill(received, {std::to_string(bytes / 1024)}),
                             false);
            }
        };
        std::string package;
        std::wstring error;
        if (!DownloadUpdate(model, package, error, control)) {
            gate_.Run([&] { OnDownloadDone(error); });
            return;
        }
        UnpackOptions options;
        options.log = [this](const std::string& line) { Log(line); };
        options.cancel = &stop_;
        options.progress = [&](std::size_t done, std::size_t total) {
            ShowProgress(Fill(unpacking, {std::to_string(done), std::to_string(total)}), done == 1);
        };
        const UnpackReport report = UnpackUpdateArchive(package, target, options);
        gate_.Run([&] { OnUnpackDone(report, target); });
    });
}

void CPrepareUsbDisk::OnDownloadDone(const std::wstring& error) {
    if (!EndWork()) {
        return;
    }
    ShowMessage(error);
    EnableActions(true);
    if (diskGone_) {
        OnVolumeRemoved(platform::MountedVolume{});
    }
}

void CPrepareUsbDisk::OnUnpackDone(const UnpackReport& report, const fs::path& target) {
    if (!EndWork()) {
        return;
    }
    if (!report.FilesWritten()) {
        // Reported, where a silent "done" would send a technician off with a broken disk.
        if (!report.isArchive) {
            ShowMessage(Tr(L"Полученный с сервера пакет обновления не является ZIP-архивом"));
        } else if (report.tooManyEntries) {
            ShowMessage(Fill(Tr(L"Пакет обновления содержит больше %s файлов"),
                             {std::to_string(kMaxArchiveEntries)}));
        } else if (!report.enoughSpace) {
            ShowMessage(Fill(Tr(L"Недостаточно места на диске %s: нужно %s МБ, свободно %s МБ"),
                             {wxString::FromUTF8(platform::PathToUtf8(target)),
                              Megabytes(report.needed), Megabytes(report.available)}));
        } else {
            ShowMessage(Fill(Tr(L"Не удалось записать файлов: %s из %s. Подробности в журнале"),
                             {std::to_string(report.failed.size() + report.unsafe.size()),
                              std::to_string(report.failed.size() + report.unsafe.size() +
                                             report.written.size())}));
        }
        EnableActions(true);
        if (diskGone_) {
            OnVolumeRemoved(platform::MountedVolume{});
        }
        return;
    }
    volumes_->Stop();
    if (model_ == kRenovexModel) {
        StartUpdater();
    }
    // The files are all there; a manifest that could not be written is said so.
    ShowMessage(report.Succeeded()
                    ? Tr(L"Операция выполнена!")
                    : Tr(L"Файлы записаны, но MANIFEST.sha256 записать не удалось. Подробности "
                         L"в журнале"));
    cancel_->SetLabel(Tr(L"Выход"));
}

fs::path CPrepareUsbDisk::UpdaterFolder(bool currentWhenUnset) const {
    fs::path folder = platform::PathFromUtf8(platform::WideToUtf8(GetRenovexPath()));
    if (folder.empty() && currentWhenUnset) {
        std::error_code ignored;
        folder = fs::current_path(ignored);
    }
    return folder;
}

bool CPrepareUsbDisk::FindUpdater() {
    fs::path folder = UpdaterFolder(true);
    if (platform::IsMissingFile(folder / UpdaterFileName())) {
        const auto picked = platform::AskFolder(this, Tr(L"Выберите папку с файлом Renovex.exe"),
                                                wxString::FromUTF8(platform::PathToUtf8(folder)));
        if (!picked || picked->empty()) {
            return false;
        }
        SetRenovexPath(picked->ToStdWstring());
        folder = platform::PathFromUtf8(std::string(picked->utf8_str()));
        if (platform::IsMissingFile(folder / UpdaterFileName())) {
            platform::AskMessage(this, Tr(L"Файл не найден"), GetTitle(),
                                 wxOK | wxCANCEL | wxICON_EXCLAMATION);
            return false;
        }
    }
    updaterFolder_ = folder;
    return true;
}

fs::path CPrepareUsbDisk::UpdaterFileName() {
    return platform::ExecutableFileName(kUpdaterName);
}

void CPrepareUsbDisk::StartUpdater() {
    std::string error;
    if (!platform::ShellOpen(updaterFolder_ / UpdaterFileName(), error)) {
        Log("cannot start the updater: " + error);
    }
}

void CPrepareUsbDisk::Log(const std::string& line) {
    if (!logger_) {
        logger_ = std::make_unique<Kavro::Greywick::Logger>();
        logger_->SetFolder(platform::DataFolder() / "logs");
    }
    logger_->Log(kLogLevel, "CPrepareUsbDisk: %s", line.c_str());
}

}  // namespace vorn
