// The main window: construction, layout and life cycle. Its commands, tray, feature windows
// and the view of notifications are in the CUpdateCtrlDlg_*.cpp files beside this one.
#include "program/CUpdateCtrlDlg.h"

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "agent/AgentProtocol.h"
#include "agent/AgentProtocolMessage.h"
#include "agent/EventChannelWorker.h"
#include "agent/RequestChannel.h"
#include "app/AppProfile.h"
#include "app/LanguageCatalogue.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/ToolkitLanguage.h"
#include "app/ui/WindowLanguage.h"
#include "blacklist/ui/CLoadingBlackListWnd.h"
#include "monitor/DeviceTable.h"
#include "monitor/NotificationHandler.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "offline/ui/CPrepareOfflineUpdateDlg.h"
#include "platform/ui/DesktopTray.h"
#include "platform/ui/ModalQuestions.h"
#include "platform/ui/PixelHeightFont.h"
#include "program/MainWindowTexts.h"
#include "program/ProgramVersion.h"
#include "resources/icons/check_now.xpm"
#include "resources/icons/settings.xpm"
#include "scan/ui/CSessionScanDataDlg.h"

namespace vorn {

using namespace mainwindow;

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
