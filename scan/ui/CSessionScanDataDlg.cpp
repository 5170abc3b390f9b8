#include "scan/ui/CSessionScanDataDlg.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/progdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "agent/AgentProtocol.h"
#include "agent/RequestChannel.h"
#include "app/AgentSettings.h"
#include "app/ui/Translate.h"
#include "app/ui/WindowLanguage.h"
#include "monitor/ui/CErrorReportingDlg.h"
#include "platform/LocalTime.h"
#include "platform/PathText.h"
#include "platform/ProgramLog.h"
#include "platform/TextConversion.h"
#include "platform/ui/ModalQuestions.h"
#include "scan/StoredScans.h"
#include "widgets/ui/CAnimatedPicture.h"

namespace vorn {

namespace {

constexpr const wchar_t* kCaption = L"Сканирование банкнот";
// A copy that takes longer than this gets a progress window.
constexpr auto kQuietCopy = std::chrono::milliseconds(700);

SessionTimestamp Now() {
    const std::tm local = platform::ToLocalTime(std::time(nullptr)).value_or(std::tm{});
    return {static_cast<std::uint16_t>(local.tm_year + 1900),
            static_cast<std::uint16_t>(local.tm_mon + 1),
            static_cast<std::uint16_t>(local.tm_mday),
            static_cast<std::uint16_t>(local.tm_hour),
            static_cast<std::uint16_t>(local.tm_min),
            static_cast<std::uint16_t>(local.tm_sec)};
}

}  // namespace

CSessionScanDataDlg::CSessionScanDataDlg(wxWindow* parent,
                                         std::function<AgentErrorRecord()> errorRecord)
    : wxDialog(parent, kTemplateId, kCaption), errorRecord_(std::move(errorRecord)), gate_(this) {
    CreateControls();
    busy_->LoadGifResource();
}

CSessionScanDataDlg::~CSessionScanDataDlg() {
    gate_.Close();
    busy_->Halt();
}

void CSessionScanDataDlg::CreateControls() {
    const int gap = FromDIP(6);
    auto label = [&](const wchar_t* text) {
        auto* control = new wxStaticText(this, wxID_ANY, text);
        templateTexts_.emplace_back(control, text);
        return control;
    };
    auto button = [&](int id, const wchar_t* text) {
        auto* control = new wxButton(this, id, text);
        templateTexts_.emplace_back(control, text);
        return control;
    };
    auto edit = [&](int id, int width) {
        return new wxTextCtrl(this, id, wxEmptyString, wxDefaultPosition,
                              wxSize(FromDIP(width), -1));
    };

    auto* box = new wxStaticBox(this, wxID_ANY, L"Данные сессии сканирования");
    templateTexts_.emplace_back(box, L"Данные сессии сканирования");
    uin_ = new wxChoice(this, kUinId);
    uin_->SetMinSize(wxSize(FromDIP(150), -1));
    authenticity_ = new wxChoice(this, kAuthenticityId);
    currency_ = edit(kCurrencyId, 64);
    denomination_ = edit(kDenominationId, 64);
    year_ = edit(kYearId, 64);
    version_ = edit(kVersionId, 64);
    rotation_ = new wxChoice(this, kRotationId);
    side_ = new wxChoice(this, kSideId);
    comment_ = edit(kCommentId, 400);

    auto* left = new wxFlexGridSizer(2, gap, gap);
    auto* right = new wxFlexGridSizer(2, gap, gap);
    auto row = [&](wxFlexGridSizer* grid, const wchar_t* text, wxWindow* control) {
        grid->Add(label(text), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(control, 0, wxALIGN_CENTER_VERTICAL);
    };
    row(left, L"УИН устройства:", uin_);
    row(left, L"Подлинность:", authenticity_);
    row(left, L"Валюта:", currency_);
    row(left, L"Номинал:", denomination_);
    row(right, L"Год:", year_);
    row(right, L"Версия:", version_);
    row(right, L"Ориентация(разворот):", rotation_);
    row(right, L"Ориентация(сторона):", side_);
    auto* fields = new wxBoxSizer(wxHORIZONTAL);
    fields->Add(left, 0);
    fields->Add(new wxStaticLine(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLI_VERTICAL),
                0, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(12));
    fields->Add(right, 0);

    auto* commentRow = new wxBoxSizer(wxHORIZONTAL);
    commentRow->Add(label(L"Комментарий:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    commentRow->Add(comment_, 1, wxALIGN_CENTER_VERTICAL);

    lastSessionButton_ = button(kLastSessionId, L"Установить данные последней сессии");
    start_ = button(kStartId, L"Получить сканы");
    stop_ = button(kStopId, L"Остановить получение сканов");
    stop_->Hide();
    scanCount_ = new wxStaticText(this, kScanCountId, wxEmptyString, wxDefaultPosition,
                                  wxDefaultSize, wxST_ELLIPSIZE_END);
    busy_ = new CAnimatedPicture(this, kBusyId);
    busy_->Hide();
    auto* fetchRow = new wxBoxSizer(wxHORIZONTAL);
    fetchRow->Add(start_, 0, wxALIGN_CENTER_VERTICAL);
    fetchRow->Add(stop_, 0, wxALIGN_CENTER_VERTICAL);
    fetchRow->Add(scanCount_, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    fetchRow->Add(busy_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);

    auto* session = new wxStaticBoxSizer(box, wxVERTICAL);
    session->Add(fields, 0, wxALL, gap);
    session->Add(commentRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    session->Add(lastSessionButton_, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    session->Add(fetchRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap);

    upload_ = button(kUploadId, L"Отправить сканы на сервер");
    saveToDisk_ = button(kSaveToDiskId, L"Сохр.на диск");
    uploadDone_ = new wxStaticText(this, kUploadDoneId, L"Отправка сканов успешно завершена.");
    templateTexts_.emplace_back(uploadDone_, L"Отправка сканов успешно завершена.");
    errorLink_ =
        new wxHyperlinkCtrl(this, kErrorLinkId, L"Ошибка отправки данных!", wxEmptyString,
                            wxDefaultPosition, wxDefaultSize, wxHL_ALIGN_LEFT | wxBORDER_NONE);
    templateTexts_.emplace_back(errorLink_, L"Ошибка отправки данных!");
    auto* uploadRow = new wxBoxSizer(wxHORIZONTAL);
    uploadRow->Add(upload_, 0, wxALIGN_CENTER_VERTICAL);
    uploadRow->Add(saveToDisk_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    uploadRow->Add(uploadDone_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    uploadRow->Add(errorLink_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);

    uploadProgress_ = new wxGauge(this, kUploadProgressId, 100);
    uploadCounter_ = new wxStaticText(this, kUploadCounterId, wxEmptyString, wxDefaultPosition,
                                      wxSize(FromDIP(70), -1));
    auto* progressRow = new wxBoxSizer(wxHORIZONTAL);
    progressRow->Add(uploadProgress_, 1, wxALIGN_CENTER_VERTICAL);
    progressRow->Add(uploadCounter_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);

    auto* close = button(wxID_OK, L"Закрыть");

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(session, 0, wxEXPAND | wxALL, gap);
    top->Add(uploadRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    top->Add(progressRow, 0, wxEXPAND | wxALL, gap);
    top->Add(new wxStaticLine(this), 0, wxEXPAND | wxLEFT | wxRIGHT, gap);
    top->Add(close, 0, wxALIGN_RIGHT | wxALL, gap);
    SetSizer(top);

    auto on = [this](int id, void (CSessionScanDataDlg::*handler)()) {
        Bind(
            wxEVT_BUTTON, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
    };
    on(kStartId, &CSessionScanDataDlg::OnStart);
    on(kStopId, &CSessionScanDataDlg::OnStop);
    on(kUploadId, &CSessionScanDataDlg::OnUpload);
    on(kSaveToDiskId, &CSessionScanDataDlg::OnSaveToDisk);
    on(kLastSessionId, &CSessionScanDataDlg::OnLastSession);
    Bind(
        wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { OnErrorLink(); }, kErrorLinkId);
}

void CSessionScanDataDlg::SetTemplateTexts() {
    SetLabel(kCaption);
    for (const auto& [window, text] : templateTexts_) {
        window->SetLabel(text);
    }
    ApplyLanguageToWindow(this);
}

int CSessionScanDataDlg::DoModalWithDevices(const std::vector<std::wstring>& uins) {
    Open(uins);
    open_ = true;
    const int result = platform::RunModal(*this);
    open_ = false;
    return result;
}

void CSessionScanDataDlg::OpenWithDevices(const std::vector<std::wstring>& uins) {
    Open(uins);
    Show();
}

bool CSessionScanDataDlg::Show(bool show) {
    // Whether the dialog is open follows these calls, not the toolkit's show events: when the
    // window manager maps a window late, the toolkit reports it shown again even though it was
    // hidden in the meantime, and a closed dialog would take progress again.
    open_ = show;
    if (!show) {
        busy_->Halt();
    }
    return wxDialog::Show(show);
}

void CSessionScanDataDlg::Open(const std::vector<std::wstring>& uins) {
    uins_ = uins;
    // Every showing starts from the template: idle, fields empty, nothing uploaded.
    SetTemplateTexts();
    uin_->Clear();
    for (const std::wstring& uin : uins_) {
        uin_->Append(uin);
    }
    // Wide enough for the longest UIN.
    uin_->SetMinSize(wxDefaultSize);
    uin_->InvalidateBestSize();
    uin_->SetMinSize(wxSize(std::max(FromDIP(150), uin_->GetBestSize().x), -1));
    if (!uins_.empty()) {
        uin_->SetSelection(0);
    }
    authenticity_->Set(wxArrayString());
    authenticity_->Append(Tr(L"Подлинная"));
    authenticity_->Append(Tr(L"Фальшивая"));
    rotation_->Set(wxArrayString());
    rotation_->Append("0deg");
    rotation_->Append("180deg");
    side_->Set(wxArrayString());
    side_->Append("Face");
    side_->Append("Back");
    for (wxChoice* choice : {authenticity_, rotation_, side_}) {
        choice->SetSelection(0);
    }
    for (wxTextCtrl* text : {currency_, denomination_, year_, comment_}) {
        text->ChangeValue(wxEmptyString);
    }
    version_->ChangeValue("A");
    scanCount_->SetLabel(wxEmptyString);
    uploadDone_->Hide();
    errorLink_->Hide();
    uploadProgress_->SetValue(0);
    uploadCounter_->SetLabel(wxEmptyString);
    const int stored = RecountStoredScans();
    {
        std::lock_guard lock(rulesMutex_);
        rules_.Open(stored);
    }
    ShowState();
    Fit();
    CentreOnParent();
}

int CSessionScanDataDlg::StoredScans() const {
    std::lock_guard lock(rulesMutex_);
    return rules_.StoredScans();
}

int CSessionScanDataDlg::RecountStoredScans() {
    return CountStoredScans(ScanStorageFolder());
}

void CSessionScanDataDlg::ShowState() {
    ScanSessionRules rules;
    {
        std::lock_guard lock(rulesMutex_);
        rules = rules_;
    }
    for (wxWindow* field : std::initializer_list<wxWindow*>{
             uin_, authenticity_, currency_, denomination_, year_, version_, rotation_, side_,
             comment_, lastSessionButton_}) {
        field->Enable(rules.FieldsEnabled());
    }
    start_->Show(rules.StartShown());
    start_->Enable(rules.StartShown());
    stop_->Show(rules.Fetching());
    stop_->Enable(rules.StopEnabled());
    busy_->Show(rules.Fetching());
    if (rules.Fetching()) {
        if (!busy_->IsPlaying()) {
            busy_->Start();
        }
    } else {
        busy_->Halt();
    }
    upload_->Enable(rules.UploadEnabled());
    saveToDisk_->Enable(rules.SaveEnabled());
    Relayout();
}

void CSessionScanDataDlg::Relayout() {
    Layout();
}

bool CSessionScanDataDlg::Send(const std::string& request) {
    std::string reply;
    return CallAgent(request, reply);
}

void CSessionScanDataDlg::OnStart() {
    SessionData session;
    if (uin_->GetSelection() != wxNOT_FOUND) {
        session.uin = uin_->GetStringSelection().ToStdWstring();
    }
    session.timestamp = Now();
    session.authenticity = authenticity_->GetSelection();
    session.currency = currency_->GetValue().ToStdWstring();
    // Read as a stored session document is read, so that both agree on every text.
    session.denomination = DenominationFromText(denomination_->GetValue().ToStdWstring());
    session.year = YearFromText(year_->GetValue().ToStdWstring());
    session.version = version_->GetValue().ToStdWstring();
    session.rotation = rotation_->GetSelection();
    session.side = side_->GetSelection();
    session.comment = comment_->GetValue().ToStdWstring();

    const std::vector<std::wstring> problems = SessionDataProblems(session);
    if (!problems.empty()) {
        // Each message is a text of its own in the language files.
        wxString text;
        for (const std::wstring& problem : problems) {
            text += Tr(problem);
        }
        platform::AskMessage(this, text, GetTitle(), wxOK);
        return;
    }
    lastSession_ = session;
    if (!Send(FormatSessionData(session))) {
        platform::AskMessage(this, Tr(L"Ошибка сканирования. Системный сервис не доступен!"),
                             GetTitle(), wxOK | wxICON_ERROR);
        return;
    }
    {
        std::lock_guard lock(rulesMutex_);
        rules_.StartAccepted();
    }
    scanCount_->SetLabel(Tr(L"Всего сканов: 0"));
    ShowState();
}

void CSessionScanDataDlg::OnStop() {
    if (!Send(request::StopLoadScanData())) {
        platform::AskMessage(this, Tr(L"Ошибка. Системный сервис не доступен!"), GetTitle(),
                             wxOK | wxICON_ERROR);
        return;
    }
    // The agent's notification that fetching has ended brings the buttons back.
    {
        std::lock_guard lock(rulesMutex_);
        rules_.StopAccepted();
    }
    ShowState();
}

void CSessionScanDataDlg::OnScanProgress(std::int32_t number, std::int32_t result) {
    if (!open_ || (result != 0 && result != 1)) {
        return;
    }
    // The file-system work stays on the calling worker; only the window changes go across.
    const int stored = result == 1 ? RecountStoredScans() : 0;
    gate_.Run([&] {
        if (!open_) {
            return;
        }
        if (result == 0) {
            scanCount_->SetLabel(Tr(L"Всего сканов:") + " " + wxString::Format("%d", number));
            return;
        }
        scanCount_->SetLabel(Tr(L"Сканирование завершено.Всего сканов:") + " " +
                             wxString::Format("%d", number));
        {
            std::lock_guard lock(rulesMutex_);
            rules_.FetchFinished(stored);
        }
        ShowState();
    });
}

void CSessionScanDataDlg::OnUpload() {
    const int stored = RecountStoredScans();
    {
        std::lock_guard lock(rulesMutex_);
        rules_.Counted(stored);
    }
    if (!Send(request::SendScanData())) {
        platform::AskMessage(this, Tr(L"Ошибка отправки сканов. Системный сервис не доступен!"),
                             GetTitle(), wxOK | wxICON_ERROR);
        return;
    }
    ShowUploadProgress(0);
    errorLink_->Hide();
    uploadDone_->Hide();
    {
        std::lock_guard lock(rulesMutex_);
        rules_.UploadAccepted();
    }
    ShowState();
}

void CSessionScanDataDlg::ShowUploadProgress(std::int32_t number) {
    const int stored = StoredScans();
    // Without stored scans there is no share to show; the bar stays at the start.
    long long position = stored > 0 ? static_cast<long long>(number) * 100 / stored : 0;
    uploadProgress_->SetValue(static_cast<int>(std::clamp(position, 0LL, 100LL)));
    uploadCounter_->SetLabel(wxString::Format("%d/%d", number, stored));
}

void CSessionScanDataDlg::OnUploadProgress(std::int32_t number, std::int32_t result) {
    if (!open_ || result < 0 || result > 2) {
        return;
    }
    const int stored = result == 2 ? RecountStoredScans() : 0;
    gate_.Run([&] {
        if (!open_) {
            return;
        }
        if (result == 0) {
            ShowUploadProgress(number);
        } else if (result == 1) {
            std::lock_guard lock(rulesMutex_);
            rules_.UploadFinished();
            uploadDone_->Show();
        } else {
            std::lock_guard lock(rulesMutex_);
            rules_.UploadFailed(stored);
            errorLink_->Show();
        }
        ShowState();
    });
}

void CSessionScanDataDlg::OnErrorLink() {
    CErrorReportingDlg report(errorRecord_ ? errorRecord_() : AgentErrorRecord{}, this);
    platform::RunModal(report);
}

std::wstring CSessionScanDataDlg::ExportFolder() {
    std::wstring folder = GetExtractionScansFolder();
    if (folder.empty()) {
        const auto chosen =
            platform::AskFolder(this, Tr(L"Выберите папку для сканов"), wxGetHomeDir());
        return chosen ? chosen->ToStdWstring() : std::wstring();
    }
    if (!std::filesystem::path(folder).is_absolute()) {
        // A relative folder would be the program's working folder, wherever that is.
        platform::AskMessage(
            this,
            Tr(L"Папка для сканов должна быть задана полным путём:") + "\n" + wxString(folder),
            GetTitle(), wxOK | wxICON_ERROR);
        return {};
    }
    return folder;
}

void CSessionScanDataDlg::OnSaveToDisk() {
    {
        std::lock_guard lock(rulesMutex_);
        if (!rules_.SaveEnabled()) {
            return;  // scans still arrive or leave
        }
    }
    if (lastSession_.uin.empty()) {
        // No session was started in this run, so there is no folder to save.
        scanCount_->SetLabel(Tr(L"Нет сессии для сохранения: в этом запуске сканы не получались."));
        Relayout();
        return;
    }
    const int stored = RecountStoredScans();
    {
        std::lock_guard lock(rulesMutex_);
        rules_.Counted(stored);
    }
    const std::wstring exportFolder = ExportFolder();
    if (exportFolder.empty()) {
        return;
    }
    const std::wstring name = SessionFolderName(lastSession_);
    const std::filesystem::path source = ScanStorageFolder() / name;
    const std::filesystem::path target = std::filesystem::path(exportFolder) / name;

    // The copy gets a progress window only when it takes a while.
    const auto started = std::chrono::steady_clock::now();
    std::unique_ptr<wxProgressDialog> progress;
    auto onProgress = [&](std::uintmax_t done, std::uintmax_t total) {
        if (!progress && std::chrono::steady_clock::now() - started > kQuietCopy) {
            progress = std::make_unique<wxProgressDialog>(
                GetTitle(), Tr(L"Сохр.на диск"), 100, this,
                wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_AUTO_HIDE | wxPD_ELAPSED_TIME);
        }
        if (!progress) {
            return true;
        }
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        return progress->Update(std::min(percent, 100));
    };
    std::wstring error = L"the session folder name is no plain folder name";
    const bool copied = IsPlainFolderName(name) && CopyFolder(source, target, onProgress, error);
    progress.reset();
    if (!copied) {
        platform::ProgramLog(
            "scan dialog: copying %s to %s failed: %s", platform::PathToUtf8(source).c_str(),
            platform::PathToUtf8(target).c_str(), platform::WideToUtf8(error).c_str());
        platform::AskMessage(this, Tr(L"Ошибка копирования сканов"), GetTitle(),
                             wxOK | wxICON_ERROR);
        return;
    }
    if (!RemoveCopiedFiles(source, target)) {
        platform::ProgramLog("scan dialog: %s kept what was not copied to %s",
                             platform::PathToUtf8(source).c_str(),
                             platform::PathToUtf8(target).c_str());
    }
    platform::AskMessage(this, Tr(L"Сканы успешно скопированы"), GetTitle(), wxOK);
}

void CSessionScanDataDlg::OnLastSession() {
    if (lastSession_.uin.empty()) {
        return;
    }
    uin_->Clear();
    uin_->Append(lastSession_.uin);
    uin_->SetSelection(0);
    authenticity_->SetSelection(lastSession_.authenticity);
    rotation_->SetSelection(lastSession_.rotation);
    side_->SetSelection(lastSession_.side);
    currency_->ChangeValue(lastSession_.currency);
    denomination_->ChangeValue(wxString::Format("%u", lastSession_.denomination));
    year_->ChangeValue(wxString::Format("%u", unsigned{lastSession_.year}));
    version_->ChangeValue(lastSession_.version);
    comment_->ChangeValue(lastSession_.comment);
}

}  // namespace vorn
