#include "monitor/mainwindow/CUpdateCtrlDlg.h"

#include <wx/artprov.h>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/evtloop.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textdlg.h>
#include <wx/utils.h>

#include "agent/AgentProtocol.h"
#include "agent/AgentProtocolMessage.h"
#include "agent/EventChannelWorker.h"
#include "agent/RequestChannel.h"
#include "app/AppProfile.h"
#include "app/LanguageCatalogue.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/ToolkitLanguage.h"
#include "app/ui/Translate.h"
#include "app/ui/WindowLanguage.h"
#include "blacklist/ui/CBlackListDlg.h"
#include "blacklist/ui/CLoadingBlackListWnd.h"
#include "dialogs/ui/COptionDialog.h"
#include "dialogs/ui/CRamFileListDialog.h"
#include "dialogs/ui/CRamFilenameDialog.h"
#include "dialogs/ui/CSerialNoDialog.h"
#include "monitor/DeviceTable.h"
#include "monitor/NotificationHandler.h"
#include "monitor/mainwindow/ProgramVersion.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "monitor/ui/CErrorReportingDlg.h"
#include "offline/ui/CPrepareOfflineUpdateDlg.h"
#include "offline/ui/CPrepareUsbDisk.h"
#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "platform/ui/PixelHeightFont.h"
#include "resources/icons/check_now.xpm"
#include "resources/icons/settings.xpm"
#include "scan/ui/CSessionScanDataDlg.h"
#include "translation/Vocabrix.h"

namespace vorn {

namespace {

constexpr const wchar_t* kForceUpdateModel = L"Q200M1";
constexpr const wchar_t* kTracingModel = L"Q750M1";
constexpr const wchar_t* kTrayTitle = L"Zelt";
constexpr const wchar_t* kOperationFailed = L"Операция не была выполнена";
constexpr const wchar_t* kNoFileChosen = L"Файл не был выбран";
constexpr const wchar_t* kAgentNotResponding = L"Служба обновления не отвечает";
constexpr const wchar_t* kBlackListWildcard =
    L"BlackList Files (*.blist)|*.blist|All Files (*.*)|*.*";

}  // namespace

CUpdateCtrlDlg::CUpdateCtrlDlg(bool enableOthers)
    : enableOthers_(enableOthers), startupTimer_(this, kStartupTimerId), gate_(this) {
    // The language is chosen before any window exists, so every text is translated from the
    // start.
    ApplyStoredLanguage();
    // A new window asks its questions again, whatever an earlier one ended with.
    platform::ReopenModalQuestions();
    Create(nullptr, wxID_ANY, "Vorn Update", wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMINIMIZE_BOX);
    // The toolkit's own texts appear only in message boxes and pickers, and none of them can
    // open before the event loop runs: its catalogue is read once the window is up.
    CallAfter([] { LoadToolkitLanguage(); });
    CreateControls();
    Initialise();
}

CUpdateCtrlDlg::~CUpdateCtrlDlg() {
    // Release a worker that waits for this window before asking it to stop, so that stopping
    // never waits on a window call.
    gate_.Close();
    if (auto* scan = scanDialog_.load()) {
        scan->CloseWindowCalls();
    }
    startupTimer_.Stop();
    if (worker_) {
        worker_->Stop();
        worker_.reset();
    }
    tray_.reset();
    if (loading_) {
        loading_->Destroy();
        loading_ = nullptr;
    }
    Localization::CVocabrix::Instance().CleanUp();
}

void CUpdateCtrlDlg::CreateControls() {
    statusFont_ = platform::PixelHeightFont(*this, wxFontInfo().Bold().FaceName("Arial"), 16);

    list_ = new CDevicesListCtrl(this, kListId);

    revision_ = new wxStaticText(this, kRevisionId, wxEmptyString);
    revision_->SetFont(statusFont_);
    revision_->SetForegroundColour(wxColour(255, 0, 0));

    statusIcon_ =
        new wxStaticBitmap(this, kStatusIconId, wxNullBitmap, wxDefaultPosition, wxSize(16, 16));
    status_ = new wxStaticText(this, kStatusId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxST_ELLIPSIZE_END);
    status_->SetFont(statusFont_);

    lastCheckLabel_ = new wxStaticText(this, kLastCheckLabelId, L"Последняя проверка:");
    lastCheckTime_ = new wxStaticText(this, kLastCheckTimeId, wxEmptyString);
    nextCheckLabel_ = new wxStaticText(this, kNextCheckLabelId, L"Следующая проверка:");
    nextCheckTime_ = new wxStaticText(this, kNextCheckTimeId, wxEmptyString);
    lastCheckLabel_->Hide();
    nextCheckLabel_->Hide();

    settings_ = new wxButton(this, kSettingsId, L"Настройки...");
    settings_->SetBitmap(wxBitmap(settings_xpm));
    checkNow_ = new wxBitmapButton(this, kCheckNowId, wxBitmap(check_now_xpm));
    updateAll_ = new wxButton(this, kUpdateAllId, L"Обновить все");
    updateAll_->Disable();
    updateDevice_ = new wxButton(this, kUpdateDeviceId, L"Обновить прошивку уст-ва");
    updateDevice_->Disable();
    scan_ = new wxButton(this, kScanId, L"Сканирование банкнот...");
    scan_->Hide();
    // Offered only when the command line asks for it.
    if (enableOthers_) {
        otherDevices_ = new wxButton(this, kOtherDevicesId, L"Обновить другие уст-ва...");
    }

    auto* revisionRow = new wxBoxSizer(wxHORIZONTAL);
    revisionRow->Add(revision_, 1, wxALIGN_CENTER_VERTICAL);
    revisionRow_ = revisionRow;  // the download button joins it when a revision is announced

    auto* statusRow = new wxBoxSizer(wxHORIZONTAL);
    statusRow->Add(statusIcon_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(6));
    statusRow->Add(status_, 1, wxALIGN_CENTER_VERTICAL);
    statusRow_ = statusRow;  // the error link joins it when first needed

    auto* times = new wxFlexGridSizer(2, FromDIP(2), FromDIP(8));
    times->Add(lastCheckLabel_, 0, wxALIGN_CENTER_VERTICAL);
    times->Add(lastCheckTime_, 0, wxALIGN_CENTER_VERTICAL);
    times->Add(nextCheckLabel_, 0, wxALIGN_CENTER_VERTICAL);
    times->Add(nextCheckTime_, 0, wxALIGN_CENTER_VERTICAL);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(settings_, 0, wxALIGN_CENTER_VERTICAL);
    buttons->Add(checkNow_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(4));
    buttons->AddStretchSpacer();
    if (otherDevices_ != nullptr) {
        buttons->Add(otherDevices_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(4));
    }
    buttons->Add(scan_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(4));
    buttons->Add(updateAll_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(4));
    buttons->Add(updateDevice_, 0, wxALIGN_CENTER_VERTICAL);

    const int border = FromDIP(8);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(list_, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, border);
    top->Add(revisionRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, border);
    top->Add(statusRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, border);
    top->Add(times, 0, wxLEFT | wxRIGHT | wxTOP, border);
    top->Add(buttons, 0, wxEXPAND | wxALL, border);
    SetSizer(top);

    list_->Bind(wxEVT_LIST_ITEM_SELECTED, &CUpdateCtrlDlg::OnSelectionChanged, this);
    list_->Bind(wxEVT_LIST_ITEM_DESELECTED, &CUpdateCtrlDlg::OnSelectionChanged, this);
    list_->Bind(wxEVT_LIST_ITEM_ACTIVATED, &CUpdateCtrlDlg::OnItemActivated, this);
    list_->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, &CUpdateCtrlDlg::OnItemRightClick, this);

    auto onButton = [this](int id, void (CUpdateCtrlDlg::*handler)()) {
        Bind(
            wxEVT_BUTTON, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
    };
    onButton(kUpdateAllId, &CUpdateCtrlDlg::OnUpdateAll);
    onButton(kUpdateDeviceId, &CUpdateCtrlDlg::UpdateSelectedDevice);
    onButton(kScanId, &CUpdateCtrlDlg::OnScan);
    onButton(kSettingsId, &CUpdateCtrlDlg::OnSettings);
    onButton(kCheckNowId, &CUpdateCtrlDlg::OnCheckNow);
    onButton(kOtherDevicesId, &CUpdateCtrlDlg::OnOtherDevices);
    onButton(kDownloadId, &CUpdateCtrlDlg::OnDownload);
    onButton(wxID_CANCEL, &CUpdateCtrlDlg::OnCancel);

    // Menu items and the window's own commands (the RAM and serial-number commands have no
    // menu item; they arrive as commands).
    auto onCommand = [this](int id, std::function<void()> handler) {
        Bind(
            wxEVT_MENU,
            [this, handler](wxCommandEvent&) {
                menuCommandDevice_ = menuDevice_;
                handler();
                menuCommandDevice_.reset();
            },
            id);
        Bind(
            wxEVT_BUTTON, [handler](wxCommandEvent&) { handler(); }, id);
    };
    onCommand(kForceUpdateId, [this] { OnForceUpdate(); });
    onCommand(kCopyUinId, [this] { OnCopyUin(); });
    onCommand(kSetDateTimeId, [this] { OnSetDateTime(); });
    onCommand(kTracingOnId, [this] { OnTracing(true); });
    onCommand(kTracingOffId, [this] { OnTracing(false); });
    onCommand(kLoadBlackListId, [this] { OnLoadBlackList(); });
    onCommand(kDeleteBlackListId, [this] { OnDeleteBlackList(); });
    onCommand(kRamFileListId, [this] { OnRamFileList(); });
    onCommand(kRamFileGetId, [this] { OnRamFileNamed(true); });
    onCommand(kRamFileDeleteId, [this] { OnRamFileNamed(false); });
    onCommand(kSetSerialNoId, [this] { OnSetSerialNo(); });
    onCommand(kRefreshConnectionId, [this] { RefreshConnection(); });

    Bind(wxEVT_TIMER, &CUpdateCtrlDlg::OnStartupTimer, this, kStartupTimerId);
    Bind(wxEVT_CHAR_HOOK, &CUpdateCtrlDlg::OnCharHook, this);
    Bind(wxEVT_ICONIZE, &CUpdateCtrlDlg::OnIconize, this);
    Bind(wxEVT_IDLE, &CUpdateCtrlDlg::OnIdle, this);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (event.CanVeto()) {
            event.Veto();
            OnCancel();
        } else {
            event.Skip();
        }
    });
}

void CUpdateCtrlDlg::Initialise() {
    // The loading window, the scan session dialog and the offline update dialog are made when
    // first needed: building them here would hold back the first showing of this window.
    ApplyLanguageToWindow(this);
    // Decoding six sizes of the icon would hold back the first showing; the window manager takes
    // them as well once the window is up.
    CallAfter([this] { SetIcons(ProgramIcons()); });

    const std::wstring title = MainWindowTitle();
    SetTitle(title);
    StoreMainWindowTitle(title);

    updateAll_->SetToolTip(Tr(L"Применить доступные обновления к подключенным устройствам"));
    updateDevice_->SetToolTip(Tr(L"Обновить прошивку устройства"));
    checkNow_->SetToolTip(Tr(L"Проверить наличие обновлений"));
    settings_->SetToolTip(Tr(L"Настройки программы"));

    list_->SetColumns({Tr(L"Модель").ToStdWstring(), Tr(L"Серийный номер").ToStdWstring(),
                       Tr(L"Имя прибора").ToStdWstring(), Tr(L"Подключено").ToStdWstring(),
                       Tr(L"Обновление").ToStdWstring(), Tr(L"Исполнение").ToStdWstring()});

    // Sized only now that every text is in its final language.
    SizeToContents();

    std::string reply;
    const bool listed = CallAgent(request::GetAllDevInfo(), reply);
    if (listed) {
        if (auto message = AgentMessage::Parse(reply)) {
            list_->Devices().ApplyDeviceList(ReadDeviceList(*message));
        }
    }
    list_->HideProgress();
    // A device that already has an update waiting may be updated at once: the status line
    // below says so, and the button must agree with it.
    DoRefreshUpdateAllButton();

    worker_ = std::make_unique<EventChannelWorker>(
        [this](const std::string& message) { OnWorkerMessage(message); },
        [this](const std::wstring& text) { OnWorkerFailure(text); },
        [this](const std::string& head) { HandleRefusedNotification(head, *this); });
    worker_->Start();

    platform::DesktopTray::Handlers handlers;
    handlers.leftClick = [this] { Activate(); };
    handlers.buildMenu = [this] { return BuildTrayMenu().release(); };
    handlers.menuCommand = [this](int id) { OnTrayCommand(id); };
    tray_ = std::make_unique<platform::DesktopTray>(this, std::move(handlers));
    Relayout();
    CentreOnScreen();
    // Without a tray there is no way back to a hidden window, so it stays on the desktop. Asked
    // first so that the tray's images are decoded only for a tray that can show them.
    if (!platform::DesktopTray::IsAvailable() || !tray_->Add(IdleTrayIcon(), kTrayTitle)) {
        Show();
    }
    DoShowUpdateSummary();
    if (!listed) {
        ShowAgentAbsent();
    }
    startupTimer_.StartOnce(kStartupDelayMs);
}

void CUpdateCtrlDlg::SizeToContents() {
    // Template 102 is 409 by 182 dialog units.
    const wxSize templateSize = ConvertDialogToPixels(wxSize(409, 182));
    SetMinSize(wxSize(templateSize.x, templateSize.y));
    Fit();
    SetSize(wxSize(std::max(GetSize().x, templateSize.x), std::max(GetSize().y, templateSize.y)));
}

int CUpdateCtrlDlg::RunUntilExit() {
    if (ExitChosen()) {
        return 0;
    }
    wxGUIEventLoop loop;
    loop_ = &loop;
    loop.Run();
    loop_ = nullptr;
    return 0;
}

void CUpdateCtrlDlg::SetExitHandler(std::function<void()> handler) {
    exitHandler_ = std::move(handler);
}

void CUpdateCtrlDlg::OnWorkerMessage(const std::string& message) {
    // The agent speaks again: the status line goes back to what the devices say.
    if (agentAbsent_.exchange(false)) {
        OnUi([this] { DoShowUpdateSummary(); });
    }
    HandleNotification(message, *this);
}

void CUpdateCtrlDlg::OnWorkerFailure(const std::wstring& text) {
    OnUi([this, &text] { platform::AskMessage(this, Tr(text), GetTitle(), wxOK | wxICON_ERROR); });
}

void CUpdateCtrlDlg::OnUi(const std::function<void()>& fn) {
    gate_.Run(fn);
}

// --- Window operations --------------------------------------------------------------------

void CUpdateCtrlDlg::ShowStatusMessage(std::int32_t messageType, const std::wstring& text) {
    OnUi([&] { DoShowStatusMessage(messageType, text); });
}

void CUpdateCtrlDlg::ShowTrayBalloon(const std::wstring& text) {
    OnUi([&] { DoShowTrayBalloon(text); });
}

void CUpdateCtrlDlg::ShowUpdateSummary() {
    OnUi([&] { DoShowUpdateSummary(); });
}

void CUpdateCtrlDlg::EnterTaskMode() {
    OnUi([&] { DoEnterTaskMode(); });
}

void CUpdateCtrlDlg::LeaveTaskMode() {
    OnUi([&] { DoLeaveTaskMode(true); });
}

void CUpdateCtrlDlg::LeaveTaskModeKeepingProgress() {
    OnUi([&] { DoLeaveTaskMode(false); });
}

void CUpdateCtrlDlg::RefreshUpdateAllButton() {
    OnUi([&] { DoRefreshUpdateAllButton(); });
}

void CUpdateCtrlDlg::StoreErrorRecord(const AgentErrorRecord& record) {
    OnUi([&] { error_ = record; });
}

void CUpdateCtrlDlg::StoreDownloadAddress(const std::wstring& address) {
    OnUi([&] { downloadAddress_ = address; });
}

void CUpdateCtrlDlg::ShowLastCheckTime(const std::wstring& text) {
    OnUi([&] {
        lastCheckLabel_->Show();
        lastCheckTime_->SetLabel(text);
        Relayout();
    });
}

void CUpdateCtrlDlg::ShowNextCheckTime(const std::wstring& text) {
    OnUi([&] {
        nextCheckLabel_->Show();
        nextCheckTime_->SetLabel(text);
        Relayout();
    });
}

void CUpdateCtrlDlg::ShowNewRevision(const std::wstring& revisionLine,
                                     const std::wstring& buttonText) {
    OnUi([&] {
        revision_->SetLabel(revisionLine);
        if (download_ == nullptr) {
            download_ = new wxButton(this, kDownloadId, buttonText);
            revisionRow_->Add(download_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(8));
        }
        download_->SetLabel(buttonText);
        download_->Show();
        Relayout();
    });
}

std::optional<std::int32_t> CUpdateCtrlDlg::SelectedDeviceId() {
    std::optional<std::int32_t> id;
    OnUi([&] {
        if (auto record = SelectedRecord()) {
            id = record->id;
        }
    });
    return id;
}

void CUpdateCtrlDlg::ShowScanButton(bool visible) {
    OnUi([&] {
        scan_->Show(visible);
        Relayout();
    });
}

void CUpdateCtrlDlg::PlaceProgress(std::int32_t deviceId) {
    OnUi([&] { list_->ShowProgressForDevice(deviceId); });
}

void CUpdateCtrlDlg::SetProgressPosition(int position) {
    OnUi([&] { list_->SetProgressPosition(position); });
}

bool CUpdateCtrlDlg::IsProgressVisible() {
    bool visible = false;
    OnUi([&] { visible = list_->IsProgressVisible(); });
    return visible;
}

void CUpdateCtrlDlg::HideLoadingWindow() {
    OnUi([&] {
        if (loading_) {
            loading_->Hide();
        }
    });
}

DeviceTable& CUpdateCtrlDlg::Devices() {
    return list_->Devices();
}

ScanSessionView& CUpdateCtrlDlg::ScanSession() {
    return scanSession_;
}

void CUpdateCtrlDlg::ScanSessionRelay::OnScanProgress(std::int32_t number, std::int32_t result) {
    if (auto* dialog = dialog_.load()) {
        dialog->OnScanProgress(number, result);
    }
}

void CUpdateCtrlDlg::ScanSessionRelay::OnUploadProgress(std::int32_t number, std::int32_t result) {
    if (auto* dialog = dialog_.load()) {
        dialog->OnUploadProgress(number, result);
    }
}

CSessionScanDataDlg& CUpdateCtrlDlg::ScanDialog() {
    if (scanDialog_.load() == nullptr) {
        scanDialog_ = new CSessionScanDataDlg(this, [this] { return error_; });
    }
    return *scanDialog_.load();
}

wxHyperlinkCtrl& CUpdateCtrlDlg::ErrorLink() {
    if (errorLink_ == nullptr) {
        errorLink_ =
            new wxHyperlinkCtrl(this, kErrorLinkId, Tr(L"Описание ошибки"), wxEmptyString,
                                wxDefaultPosition, wxDefaultSize, wxHL_ALIGN_LEFT | wxBORDER_NONE);
        errorLink_->Hide();
        errorLink_->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { OnErrorLink(); });
        statusRow_->Add(errorLink_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(8));
    }
    return *errorLink_;
}

void CUpdateCtrlDlg::HideErrorLink() {
    if (errorLink_ != nullptr) {
        errorLink_->Hide();
    }
}

CPrepareOfflineUpdateDlg& CUpdateCtrlDlg::OfflineUpdateDialog() {
    if (offline_ == nullptr) {
        offline_ = new CPrepareOfflineUpdateDlg(this, [this] { return error_; });
    }
    return *offline_;
}

const wxBitmapBundle& CUpdateCtrlDlg::IdleTrayIcon() {
    if (!idleTrayIcon_.IsOk()) {
        idleTrayIcon_ = wxBitmapBundle::FromIconBundle(ProgramIcons());
    }
    return idleTrayIcon_;
}

const wxBitmapBundle& CUpdateCtrlDlg::TaskTrayIcon() {
    if (!taskTrayIcon_.IsOk()) {
        taskTrayIcon_ = wxBitmapBundle::FromIconBundle(ProgramTaskIcons());
    }
    return taskTrayIcon_;
}

CLoadingBlackListWnd& CUpdateCtrlDlg::LoadingWindow() {
    if (loading_ == nullptr) {
        loading_ = new CLoadingBlackListWnd();
    }
    return *loading_;
}

void CUpdateCtrlDlg::OnOfflineUpdateProgress(std::int32_t number, std::int32_t total, bool failed) {
    // Through this window's gate, which its destruction closes before the worker is stopped.
    // A dialog never opened is closed, and a closed one does not follow the agent's progress.
    OnUi([&] {
        if (offline_ != nullptr) {
            offline_->OnOfflineUpdateProgress(number, total, failed);
        }
    });
}

void CUpdateCtrlDlg::ShowRamFileList(const std::wstring& batches) {
    OnUi([&] {
        CRamFileListDialog dlg(this);
        dlg.SetListText(batches);
        platform::RunModal(dlg);
    });
}

std::filesystem::path CUpdateCtrlDlg::RamFileFolder() {
    return GetRamFilePath();
}

void CUpdateCtrlDlg::RememberRamFileFolder(const std::filesystem::path& chosenFile) {
    vorn::RememberRamFileFolder(chosenFile.wstring());
}

std::optional<std::filesystem::path> CUpdateCtrlDlg::AskSavePath(
    const RamFileSaveQuestion& question) {
    std::optional<std::filesystem::path> path;
    OnUi([&] {
        platform::FileQuestion file;
        file.save = true;
        file.directory = question.initialFolder.wstring();
        file.fileName = question.proposedName;
        file.defaultExtension = question.defaultExtension;
        file.wildcard = question.filter;
        file.overwritePrompt = true;
        if (auto chosen = platform::AskFile(this, file)) {
            path = std::filesystem::path(chosen->ToStdWstring());
        }
    });
    return path;
}

void CUpdateCtrlDlg::ShowErrorBox(const std::wstring& text) {
    OnUi([&] { platform::AskMessage(this, text, GetTitle(), wxOK | wxICON_ERROR); });
}

// --- UI-thread parts ----------------------------------------------------------------------

void CUpdateCtrlDlg::SetStatusIcon(std::int32_t messageType) {
    // The first look-up reads the desktop's icon theme, which must not hold back the window's
    // first showing: the picture follows on the next turn of the event loop, the latest wins.
    statusIconType_ = messageType;
    if (statusIconPending_) {
        return;
    }
    statusIconPending_ = true;
    CallAfter([this] {
        statusIconPending_ = false;
        ShowStatusIcon(statusIconType_);
    });
}

void CUpdateCtrlDlg::ShowStatusIcon(std::int32_t messageType) {
    wxArtID art;
    switch (messageType) {
        case 0:
            art = wxART_INFORMATION;
            break;
        case 1:
            art = wxART_WARNING;
            break;
        case 2:
            art = wxART_ERROR;
            break;
        default:
            break;
    }
    statusIcon_->SetBitmap(
        art.empty() ? wxNullBitmap : wxArtProvider::GetBitmap(art, wxART_OTHER, wxSize(16, 16)));
}

void CUpdateCtrlDlg::DoShowStatusMessage(std::int32_t messageType, const wxString& text) {
    // The agent's text is shown as it came: an "&" in it is no access key.
    status_->SetLabelText(text);
    status_->SetToolTip(text);
    SetStatusIcon(messageType);
    if (messageType == 2) {
        if (!error_.description.empty()) {
            ErrorLink().Show();
        }
    } else {
        HideErrorLink();
    }
    Relayout();
}

void CUpdateCtrlDlg::DoShowTrayBalloon(const wxString& text) {
    // After Exit the icon is gone for good, whatever the agent still reports.
    if (exitDone_) {
        return;
    }
    // Where the icon is gone, put it back first, as a failed change of it would.
    if (!tray_->IsAdded()) {
        tray_->Add(taskRunning_ ? TaskTrayIcon() : IdleTrayIcon(), kTrayTitle);
    }
    tray_->ShowBalloon(kTrayTitle, text.Left(kMaxBalloonLength), kBalloonTimeoutMs);
}

void CUpdateCtrlDlg::DoShowUpdateSummary() {
    if (list_->Devices().AnyUpdateAvailable()) {
        status_->SetLabel(Tr(
            L"ВНИМАНИЕ! Доступно обновление прошивок устройств. Рекомендуем провести обновление!"));
        status_->SetToolTip(status_->GetLabel());
        HideErrorLink();
        SetStatusIcon(1);
        Relayout();
        DoShowTrayBalloon(Tr(L"Доступно обновление прошивок!") + "\n" +
                          Tr(L"Для обновления кликните на иконку."));
    } else if (list_->Devices().Count() > 0) {
        DoShowStatusMessage(0, Tr(L"Обновление не требуется!"));
    } else {
        DoShowStatusMessage(0, Tr(L"Подключите устройство для обновления."));
    }
}

void CUpdateCtrlDlg::DoEnterTaskMode() {
    taskRunning_ = true;
    updateDevice_->Disable();
    checkNow_->Hide();
    updateAll_->Disable();
    if (scan_->IsShown()) {
        scan_->Disable();
    }
    tray_->Modify(TaskTrayIcon(), kTrayTitle);
    Relayout();
}

void CUpdateCtrlDlg::DoLeaveTaskMode(bool hideProgress) {
    taskRunning_ = false;
    updateDevice_->Disable();
    checkNow_->Show();
    DoRefreshUpdateAllButton();
    if (scan_->IsShown()) {
        scan_->Enable();
    }
    if (hideProgress) {
        list_->HideProgress();
    }
    tray_->Modify(IdleTrayIcon(), kTrayTitle);
    Relayout();
}

void CUpdateCtrlDlg::DoRefreshUpdateAllButton() {
    if (!taskRunning_) {
        updateAll_->Enable(list_->Devices().AnyUpdateAvailable());
    }
}

void CUpdateCtrlDlg::SetIdleButtons() {
    updateDevice_->Enable();
    checkNow_->Show();
    DoRefreshUpdateAllButton();
    if (scan_->IsShown()) {
        scan_->Enable();
    }
    Relayout();
}

void CUpdateCtrlDlg::Relayout() {
    if (GetSizer()) {
        Layout();
    }
    KeepKeyboardFocus();
}

void CUpdateCtrlDlg::KeepKeyboardFocus() {
    // A button that disabled or hid itself leaves the focus nowhere, and with it every key of
    // the window; the list takes it over.
    wxWindow* focus = FindFocus();
    const bool lost = focus == nullptr ? IsActive()
                                       : focus != list_ && IsDescendant(focus) &&
                                             (!focus->IsEnabled() || !focus->IsShown());
    if (lost && IsShown() && list_->IsEnabled()) {
        list_->SetFocus();
    }
}

void CUpdateCtrlDlg::ShowAgentAbsent() {
    agentAbsent_ = true;
    status_->SetLabelText(Tr(kAgentNotResponding));
    status_->SetToolTip(status_->GetLabelText());
    SetStatusIcon(2);
    HideErrorLink();
    Relayout();
}

bool CUpdateCtrlDlg::IsTrayIconAdded() const {
    return tray_ && tray_->IsAdded();
}

wxBitmapBundle CUpdateCtrlDlg::TrayIcon() const {
    return IsTrayIconAdded() ? tray_->image() : wxBitmapBundle();
}

wxString CUpdateCtrlDlg::LastBalloon() const {
    return tray_ ? tray_->lastBalloon() : wxString();
}

std::optional<DeviceRecord> CUpdateCtrlDlg::SelectedRecord() const {
    // A menu command acts on the device its menu was opened for, wherever the selection went
    // while the menu was up; nothing when that device has gone.
    if (menuCommandDevice_) {
        return list_->Devices().FindById(*menuCommandDevice_);
    }
    return list_->SelectedRecord();
}

bool CUpdateCtrlDlg::Send(const std::string& request) {
    std::string reply;
    return Call(request, reply);
}

bool CUpdateCtrlDlg::Call(const std::string& request, std::string& reply) {
    // After "<quit/>" the agent hears nothing more from this window, whatever handler is still
    // unwinding.
    if (exitDone_) {
        return false;
    }
    if (!CallAgent(request, reply)) {
        ShowAgentAbsent();
        return false;
    }
    if (agentAbsent_.exchange(false)) {
        DoShowUpdateSummary();
    }
    return true;
}

void CUpdateCtrlDlg::WarnFailed(const wchar_t* text) {
    platform::AskMessage(this, Tr(text), GetTitle(), wxOK | wxCANCEL | wxICON_WARNING);
}

// --- Commands -----------------------------------------------------------------------------

void CUpdateCtrlDlg::OnSelectionChanged(wxListEvent& event) {
    event.Skip();
    ApplySelectionState();
}

void CUpdateCtrlDlg::OnIdle(wxIdleEvent& event) {
    event.Skip();
    const int row = list_->FirstSelectedRow();
    const auto record = SelectedRecord();
    const SelectionKey key = record ? SelectionKey{row, record->id, record->connect,
                                                   record->updates, record->allowScanning}
                                    : SelectionKey{-1, 0, 0, 0, false};
    if (selectionKey_ != key) {
        ApplySelectionState();
    }
}

void CUpdateCtrlDlg::ApplySelectionState() {
    const int row = list_->FirstSelectedRow();
    const auto selected = SelectedRecord();
    selectionKey_ = selected ? SelectionKey{row, selected->id, selected->connect, selected->updates,
                                            selected->allowScanning}
                             : SelectionKey{-1, 0, 0, 0, false};
    if (taskRunning_) {
        updateDevice_->Disable();
        return;
    }
    const auto record = SelectedRecord();
    if (!record) {
        updateDevice_->Disable();
        scan_->Hide();
    } else {
        updateDevice_->Enable(record->connect == 2 && record->updates == 0);
        scan_->Enable();
        scan_->Show(record->allowScanning);
    }
    Relayout();
}

void CUpdateCtrlDlg::OnItemActivated(wxListEvent&) {
    if (!taskRunning_ && SelectedRecord()) {
        UpdateSelectedDevice();
    }
}

void CUpdateCtrlDlg::OnItemRightClick(wxListEvent& event) {
    // As in the platform's own lists, a right click selects the row under the cursor.
    const long clicked = event.GetIndex();
    if (clicked >= 0 &&
        !(list_->GetItemState(clicked, wxLIST_STATE_SELECTED) & wxLIST_STATE_SELECTED)) {
        for (long item = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
             item = list_->GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
            list_->SetItemState(item, 0, wxLIST_STATE_SELECTED);
        }
        list_->SetItemState(clicked, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                            wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
    ShowContextMenu(event.GetPoint());
}

void CUpdateCtrlDlg::ShowContextMenu(const wxPoint& where) {
    auto menu = BuildContextMenu();
    if (!menu) {
        return;
    }
    menuDevice_ = SelectedRecord()->id;
    PopupContextMenu(*menu, where);
    // Commands the menu queued are handled first; then the menu's device is forgotten.
    CallAfter([this] { menuDevice_.reset(); });
}

void CUpdateCtrlDlg::PopupContextMenu(wxMenu& menu, const wxPoint& where) {
    if (where == wxDefaultPosition) {
        PopupMenu(&menu);
    } else {
        list_->PopupMenu(&menu, where);
    }
}

std::unique_ptr<wxMenu> CUpdateCtrlDlg::BuildContextMenu() {
    // The row's own device, not the table's record at that position: the table may already
    // have changed under a list that has not been redrawn yet.
    const auto record = SelectedRecord();
    if (!record) {
        return nullptr;
    }
    auto menu = std::make_unique<wxMenu>();
    menu->Append(kCopyUinId, Tr(L"Скопировать УИН"));
    menu->Append(kForceUpdateId, Tr(L"Принудительно обновить"));
    menu->Append(kSetDateTimeId, Tr(L"Установить Дату/Время"));
    if (record->type == kTracingModel) {
        menu->Append(kTracingOnId, Tr(L"Включить трассировку"));
        menu->Append(kTracingOffId, Tr(L"Выключить трассировку"));
    }
    menu->AppendSeparator();
    menu->Append(kLoadBlackListId, Tr(L"Загрузить черный список"));
    menu->Append(kDeleteBlackListId, Tr(L"Удалить черный список"));
    menu->AppendSeparator();
    menu->Append(kRefreshConnectionId, Tr(L"Обновить соединение с прибором (F5)"));
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (!item->IsSeparator()) {
            item->Enable(!taskRunning_);
        }
    }
    return menu;
}

std::unique_ptr<wxMenu> CUpdateCtrlDlg::BuildTrayMenu() {
    auto menu = std::make_unique<wxMenu>();
    menu->Append(kTrayShowHideId, IsShown() ? Tr(L"Скрыть") : Tr(L"Показать"));
    menu->Append(kTrayExitId, "Exit");
    return menu;
}

void CUpdateCtrlDlg::UpdateSelectedDevice() {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    if (record->connect != 2 || record->updates != 0) {
        status_->SetLabel(
            Tr(L"Для данного устройства обновление отсутствует, либо устройство "
               L"отключено!"));
        status_->SetToolTip(status_->GetLabel());
        HideErrorLink();
        SetStatusIcon(1);
        Relayout();
        return;
    }
    const std::string text = record->type == kForceUpdateModel ? request::ForceUpdate(record->id)
                                                               : request::UpdateDevice(record->id);
    if (!Send(text)) {
        SetIdleButtons();
    }
}

void CUpdateCtrlDlg::OnUpdateAll() {
    Send(request::UpdateAll());
}

void CUpdateCtrlDlg::OnCheckNow() {
    if (SelectedRecord()) {
        RefreshConnection();
    }
    Send(request::CheckUpdate());
}

void CUpdateCtrlDlg::OnSettings() {
    std::string reply;
    if (!Call(request::GetOptions(), reply)) {
        return;
    }
    const auto message = AgentMessage::Parse(reply);
    AgentOptions options;
    if (message) {
        options = ReadOptions(*message);
    }
    OptionDialogActions actions;
    actions.openOfflineUpdate = [this](wxWindow*) { platform::RunModal(OfflineUpdateDialog()); };
    // Filled by the black-list editor and the offline update dialog.
    actions.openBlackListEditor = [](wxWindow* parent, const std::filesystem::path& file) {
        CBlackListDlg::Run(parent, file);
    };
    COptionDialog dlg(this, std::move(actions));
    if (dlg.RunWithOptions(options) != wxID_OK) {
        return;
    }
    options = dlg.GetOptions();
    if (!options.checkEnabled) {
        lastCheckTime_->SetLabel(wxEmptyString);
        nextCheckTime_->SetLabel(wxEmptyString);
        lastCheckLabel_->Hide();
        nextCheckLabel_->Hide();
        Relayout();
    }
    // The agent answers the new options as it would notify; an unanswered request has nothing
    // to hand on.
    std::string answer;
    if (Call(request::AppOptions(options), answer)) {
        HandleNotification(answer, *this);
    }
}

void CUpdateCtrlDlg::OnScan() {
    ScanDialog().DoModalWithDevices(list_->Devices().ScanCapableUins());
}

void CUpdateCtrlDlg::OnOtherDevices() {
    CPrepareUsbDisk dialog(this);
    platform::RunModal(dialog);
}

void CUpdateCtrlDlg::OnDownload() {
    if (!downloadAddress_.empty()) {
        wxLaunchDefaultBrowser(downloadAddress_);
    }
}

void CUpdateCtrlDlg::OnErrorLink() {
    CErrorReportingDlg dlg(error_, this);
    platform::RunModal(dlg);
}

void CUpdateCtrlDlg::OnForceUpdate() {
    const auto record = SelectedRecord();
    if (record && !Send(request::ForceUpdate(record->id))) {
        SetIdleButtons();
    }
}

void CUpdateCtrlDlg::OnCopyUin() {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    wxClipboardLocker locker;
    if (!locker) {
        return;
    }
    wxTheClipboard->SetData(new wxTextDataObject(record->name));
    wxTheClipboard->Flush();
}

void CUpdateCtrlDlg::OnSetDateTime() {
    if (const auto record = SelectedRecord()) {
        Send(request::SetDeviceDateTime(record->id));
    }
}

void CUpdateCtrlDlg::OnTracing(bool on) {
    const auto record = SelectedRecord();
    if (record && !Send(on ? request::LogCtlOn(record->id) : request::LogCtlOff(record->id))) {
        SetIdleButtons();
    }
}

void CUpdateCtrlDlg::OnLoadBlackList() {
    platform::FileQuestion question;
    question.directory = GetBlackListPath();
    question.defaultExtension = "blist";
    question.wildcard = kBlackListWildcard;
    const auto chosen = platform::AskFile(this, question);
    if (chosen) {
        RememberBlackListFolder(chosen->ToStdWstring());
    }
    if (!chosen) {
        WarnFailed(kNoFileChosen);
        return;
    }
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    if (!Send(request::BlackList(record->id, chosen->ToStdWstring()))) {
        // The agent never got the list, so no message of it would ever take a loading window
        // away again.
        WarnFailed(kOperationFailed);
        return;
    }
    CLoadingBlackListWnd& loading = LoadingWindow();
    loading.CentreOver(GetScreenRect());
    loading.Show();
    loading.Raise();
}

void CUpdateCtrlDlg::OnDeleteBlackList() {
    const auto record = SelectedRecord();
    if (record && !Send(request::DeleteBlackList(record->id))) {
        WarnFailed(kOperationFailed);
    }
}

void CUpdateCtrlDlg::OnRamFileList() {
    const auto record = SelectedRecord();
    if (record && !Send(request::RamFileList(record->id))) {
        WarnFailed(kOperationFailed);
    }
}

void CUpdateCtrlDlg::OnRamFileNamed(bool fetch) {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    // The dialog remembers the name for the next question, of either command.
    CRamFilenameDialog dlg(
        (fetch ? Tr(L"Введите имя файла для загрузки...") : Tr(L"Введите имя удаляемого файла..."))
            .ToStdWstring(),
        this);
    if (platform::RunModal(dlg) != wxID_OK) {
        return;
    }
    const std::wstring name = dlg.FileName();
    const std::string text =
        fetch ? request::RamFileGet(record->id, name) : request::RamFileDelete(record->id, name);
    if (!Send(text)) {
        WarnFailed(kOperationFailed);
    }
}

void CUpdateCtrlDlg::OnSetSerialNo() {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    CSerialNoDialog dlg(this);
    if (platform::RunModal(dlg) != wxID_OK) {
        return;
    }
    const std::wstring serial = dlg.SerialNumber();
    if (Send(request::SetSerialNo(record->id, serial))) {
        list_->Devices().SetSerialNo(record->id, serial);
    }
}

void CUpdateCtrlDlg::RefreshConnection() {
    const auto record = SelectedRecord();
    if (!record) {
        return;
    }
    list_->Devices().MarkChecking(record->id);
    if (!Send(request::UpdateConnection(record->id))) {
        // No agent will ever end this check.
        list_->Devices().CancelChecking(record->id, record->connect);
    }
}

void CUpdateCtrlDlg::OnStartupTimer(wxTimerEvent&) {
    startupTimer_.Stop();
    Send(request::GetActualSoftwareVersion());
}

void CUpdateCtrlDlg::OnCharHook(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && PressFocusedControl()) {
        return;
    }
    if (key == WXK_ESCAPE || key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
        OnCancel();
        return;
    }
    if (key == WXK_MENU || (key == WXK_F10 && event.GetModifiers() == wxMOD_SHIFT)) {
        ShowContextMenu(SelectedRowPoint());
        return;
    }
    if (key == WXK_F5 && !event.HasAnyModifiers()) {
        CallAfter([this] { RefreshConnection(); });
        return;
    }
    if (key == 'Q' && event.GetModifiers() == wxMOD_CONTROL) {
        RequestExit();
        return;
    }
    event.Skip();
}

bool CUpdateCtrlDlg::PressFocusedControl() {
    wxWindow* focus = FindFocus();
    if (focus == nullptr || !IsDescendant(focus) || !focus->IsEnabled()) {
        return false;
    }
    if (auto* button = dynamic_cast<wxButton*>(focus)) {
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->ProcessWindowEvent(click);
        return true;
    }
    if (auto* link = dynamic_cast<wxHyperlinkCtrl*>(focus)) {
        wxHyperlinkEvent click(link, link->GetId(), link->GetURL());
        link->ProcessWindowEvent(click);
        return true;
    }
    return false;
}

wxPoint CUpdateCtrlDlg::SelectedRowPoint() const {
    wxRect row;
    const int selected = list_->FirstSelectedRow();
    if (selected < 0 || !list_->GetItemRect(selected, row)) {
        return wxDefaultPosition;
    }
    return wxPoint(row.x + row.height, row.y + row.height / 2);
}

void CUpdateCtrlDlg::OnIconize(wxIconizeEvent& event) {
    event.Skip();
    if (!event.IsIconized()) {
        return;
    }
    // While the icon added at start is there the addition is refused and the window stays
    // minimised; without a tray it stays minimised as well.
    if (tray_->Add(IdleTrayIcon(), kTrayTitle)) {
        Hide();
    }
}

void CUpdateCtrlDlg::OnTrayCommand(int id) {
    if (id == kTrayShowHideId) {
        if (IsShown()) {
            Hide();
        } else {
            Show();
            Raise();
            Send(request::GetActualSoftwareVersion());
        }
    } else if (id == kTrayExitId) {
        RequestExit();
    }
}

void CUpdateCtrlDlg::Activate() {
    if (IsIconized()) {
        Iconize(false);
    }
    Show();
    Raise();
    Send(request::GetActualSoftwareVersion());
}

void CUpdateCtrlDlg::RequestExit() {
    exitRequested_ = true;
    OnCancel();
}

void CUpdateCtrlDlg::OnCancel() {
    if (exitRequested_) {
        DoExit();
        return;
    }
    // Without a tray icon a hidden window could not be brought back.
    if (tray_->IsAdded()) {
        Hide();
    } else {
        Iconize(true);
    }
}

void CUpdateCtrlDlg::DoExit() {
    if (exitDone_) {
        return;
    }
    exitDone_ = true;
    // Every dialog and message box first, so that none outlives the window or speaks after it.
    platform::CloseModalQuestions();
    std::string reply;
    CallAgent(request::Quit(), reply);
    tray_->Remove();
    Hide();
    if (loading_) {
        loading_->Hide();
    }
    if (IsModal()) {
        EndModal(wxID_CANCEL);
    }
    if (offline_ && offline_->IsModal()) {
        offline_->EndModal(wxID_CANCEL);
    }
    if (auto* scan = scanDialog_.load(); scan && scan->IsModal()) {
        scan->EndModal(wxID_CANCEL);
    }
    if (loop_) {
        // Exit may be chosen while a message box or picker runs its own loop; Exit() would
        // refuse then and the program would go on without its icon.
        loop_->ScheduleExit(0);
    }
    if (exitHandler_) {
        exitHandler_();
    }
}

}  // namespace vorn
