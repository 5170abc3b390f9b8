#include "dialogs/ui/COptionDialog.h"

#include <exception>

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/AgentSettings.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/Translate.h"
#include "app/ui/WindowLanguage.h"
#include "dialogs/OptionValues.h"
#include "dialogs/ui/CHourMinuteCtrl.h"
#include "platform/ui/DigitsOnly.h"
#include "platform/ui/ModalQuestions.h"

namespace vorn {

COptionDialog::COptionDialog(wxWindow* parent, OptionDialogActions actions)
    : wxDialog(parent, wxID_ANY, L"Настройки системы"), actions_(std::move(actions)) {
    SetIcons(ProgramIcons());

    auto* dailyCheckLabel = new wxStaticText(this, kDailyCheckLabelId, L"Проверка обновлений:");
    dailyCheck_ = new wxCheckBox(this, kDailyCheckId, wxEmptyString);
    checkTime_ = new CHourMinuteCtrl(this, kCheckTimeId);
    timeFormat_ = new wxStaticText(this, kTimeFormatId, "HH:mm");
    autoUpdateLabel_ =
        new wxStaticText(this, kAutoUpdateLabelId, L"Автоматическое обновление прошивки:");
    autoUpdate_ = new wxCheckBox(this, kAutoUpdateId, wxEmptyString);
    auto* serverNameLabel = new wxStaticText(this, kServerNameLabelId, L"Имя сервера обновлений:");
    serverName_ = new wxTextCtrl(this, kServerNameId, wxEmptyString);
    auto* loadTimeoutLabel =
        new wxStaticText(this, kLoadTimeoutLabelId, L"Тайм-аут подключ. к серверу:");
    loadTimeout_ = new wxTextCtrl(this, kLoadTimeoutId, wxEmptyString, wxDefaultPosition,
                                  wxDefaultSize, wxTE_RIGHT);
    auto* seconds = new wxStaticText(this, wxID_ANY, "sec.");
    auto* countExtractionLabel =
        new wxStaticText(this, kCountExtractionLabelId, L"Извлекать пересчёты:");
    countExtraction_ = new wxCheckBox(this, kCountExtractionId, wxEmptyString);
    countPeriod_ = new wxTextCtrl(this, kCountPeriodId, wxEmptyString, wxDefaultPosition,
                                  wxDefaultSize, wxTE_RIGHT);
    auto* milliseconds = new wxStaticText(this, wxID_ANY, "ms.");
    auto* hotFolderLabel =
        new wxStaticText(this, kHotFolderLabelId, L"Горячая папка для пересчётов:");
    hotFolder_ = new wxTextCtrl(this, kHotFolderId, wxEmptyString);
    auto* scansFolderLabel = new wxStaticText(this, kScansFolderLabelId, L"Имя папки для сканов:");
    scansFolder_ = new wxTextCtrl(this, kScansFolderId, wxEmptyString);

    auto* offlineUpdate = new wxButton(this, kOfflineUpdateId, L"Подготовка offline обновления");
    offlineUpdate->SetBitmap(wxArtProvider::GetBitmap(wxART_GO_DOWN, wxART_BUTTON, wxSize(24, 24)));
    // Nothing in the program shows it: other devices are prepared from the main window.
    auto* otherDevices = new wxButton(this, kOtherDevicesId, L"Другие устройства");
    otherDevices->Hide();
    auto* newBlackList = new wxButton(this, kNewBlackListId, L"Новый чёрный список");
    auto* editBlackList = new wxButton(this, kEditBlackListId, L"Редакт. чёрный список");
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ApplyLanguageToWindow(this);

    serverNameLabel->Hide();
    serverName_->Hide();
    platform::AcceptDigitsOnly(loadTimeout_);
    platform::AcceptDigitsOnly(countPeriod_);
    const wxSize numberSize(loadTimeout_->GetTextExtent("0000000").x + FromDIP(16), -1);
    loadTimeout_->SetMinSize(numberSize);
    countPeriod_->SetMinSize(numberSize);
    const wxSize folderSize(ConvertDialogToPixels(wxSize(200, 0)).x, -1);
    hotFolder_->SetMinSize(folderSize);
    scansFolder_->SetMinSize(folderSize);

    const int gap = FromDIP(8);
    const int small = FromDIP(4);
    auto row = [&](std::initializer_list<wxWindow*> windows) {
        auto* sizer = new wxBoxSizer(wxHORIZONTAL);
        bool first = true;
        for (wxWindow* window : windows) {
            sizer->Add(window, 0, wxALIGN_CENTER_VERTICAL | (first ? 0 : wxLEFT), small);
            first = false;
        }
        return sizer;
    };
    auto* fields = new wxFlexGridSizer(2, small, gap);
    fields->AddGrowableCol(1);
    fields->Add(dailyCheckLabel, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(row({dailyCheck_, checkTime_, timeFormat_}), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(autoUpdateLabel_, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(autoUpdate_, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(serverNameLabel, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(serverName_, 0, wxEXPAND);
    fields->Add(loadTimeoutLabel, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(row({loadTimeout_, seconds}), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(countExtractionLabel, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(row({countExtraction_, countPeriod_, milliseconds}), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(hotFolderLabel, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(hotFolder_, 1, wxEXPAND);
    fields->Add(scansFolderLabel, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(scansFolder_, 1, wxEXPAND);

    auto* tools = new wxBoxSizer(wxHORIZONTAL);
    tools->Add(offlineUpdate, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, small);
    tools->Add(otherDevices, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, small);
    tools->Add(newBlackList, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, small);
    tools->Add(editBlackList, 0, wxALIGN_CENTER_VERTICAL);
    tools->AddStretchSpacer();
    tools->Add(ok, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(fields, 1, wxEXPAND | wxALL, gap);
    top->Add(new wxStaticLine(this), 0, wxEXPAND | wxLEFT | wxRIGHT, gap);
    top->Add(tools, 0, wxEXPAND | wxALL, gap);
    SetSizerAndFit(top);
    ok->SetDefault();
    CentreOnParent();

    const wxString notYet = Tr(L"Эта функция пока недоступна");
    if (!actions_.openOfflineUpdate) {
        offlineUpdate->Disable();
        offlineUpdate->SetToolTip(notYet);
    }
    if (!actions_.openBlackListEditor) {
        for (wxButton* button : {newBlackList, editBlackList}) {
            button->Disable();
            button->SetToolTip(notYet);
        }
    }

    // Without a Cancel button the toolkit would take Escape and the close box for OK and store
    // what was typed; both cancel here, also while a folder cannot be made.
    SetEscapeId(wxID_NONE);
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE) {
            EndDialog(wxID_CANCEL);
            return;
        }
        event.Skip();
    });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndDialog(wxID_CANCEL); });
    dailyCheck_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { ApplyDailyCheckState(); });
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            if (actions_.openOfflineUpdate) {
                actions_.openOfflineUpdate(this);
            }
        },
        kOfflineUpdateId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OpenBlackListEditor({}); }, kNewBlackListId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnEditBlackList(); }, kEditBlackListId);
}

int COptionDialog::RunWithOptions(const AgentOptions& options) {
    FillControls(options);
    return platform::RunModal(*this);
}

void COptionDialog::FillControls(const AgentOptions& options) {
    options_ = options;
    // The agent's server name is not edited here, but it is kept and handed back.
    serverName_->ChangeValue(options_.serverName);
    autoUpdate_->SetValue(options_.autoUpdate);
    checkTime_->SetTime(PickerTime(options_.checkHour, options_.checkMinute));
    dailyCheck_->SetValue(options_.checkEnabled);
    ApplyDailyCheckState();

    const ProgramSettings settings = ReadProgramSettings();
    countExtraction_->SetValue(settings.countExtractionEnabled);
    countPeriod_->ChangeValue(std::to_wstring(settings.countExtractionPeriod));
    hotFolder_->ChangeValue(settings.hotFolder);
    loadTimeout_->ChangeValue(std::to_wstring(settings.loadTimeout));
    scansFolder_->ChangeValue(settings.scansFolder);
}

void COptionDialog::ApplyDailyCheckState() {
    const bool on = dailyCheck_->GetValue();
    checkTime_->Enable(on);
    timeFormat_->Enable(on);
    autoUpdate_->Enable(on);
    autoUpdateLabel_->Enable(on);
}

void COptionDialog::OnOK() {
    options_.serverName = serverName_->GetValue().ToStdWstring();
    // A disabled box means no automatic update, whatever it shows.
    options_.autoUpdate = autoUpdate_->IsThisEnabled() && autoUpdate_->GetValue();
    // A stored time the picker could not show goes back unchanged unless the operator set one.
    if (checkTime_->IsModified()) {
        options_.checkHour = checkTime_->GetTime().hour;
        options_.checkMinute = checkTime_->GetTime().minute;
    }
    const HourMinute inRange = CheckTimeInRange(options_.checkHour, options_.checkMinute);
    options_.checkHour = inRange.hour;
    options_.checkMinute = inRange.minute;
    options_.checkEnabled = dailyCheck_->GetValue();

    ProgramSettings settings;
    settings.countExtractionEnabled = countExtraction_->GetValue();
    settings.countExtractionPeriod = DecimalPrefix(countPeriod_->GetValue().ToStdWstring());
    settings.hotFolder = hotFolder_->GetValue().ToStdWstring();
    settings.loadTimeout = DecimalPrefix(loadTimeout_->GetValue().ToStdWstring());
    settings.scansFolder = scansFolder_->GetValue().ToStdWstring();
    WriteProgramSettings(settings);

    // The folders as stored, checked after the values are written: they stay written even when
    // a folder cannot be made.
    for (const std::wstring& folder : {GetExtractionHotFolder(), GetExtractionScansFolder()}) {
        if (!EnsureSettingsFolder(folder)) {
            platform::AskMessage(this, Tr(L"Не удалось создать указанную папку"), GetTitle(),
                                 wxOK | wxICON_ERROR);
            return;
        }
    }
    SetReturnCode(wxID_OK);
    EndDialog(wxID_OK);
}

void COptionDialog::OnEditBlackList() {
    if (!actions_.openBlackListEditor) {
        return;
    }
    platform::FileQuestion question;
    question.defaultExtension = "blist";
    question.wildcard = "Black List Files (*.blist)|*.blist";
    const auto chosen = platform::AskFile(this, question);
    if (chosen) {
        OpenBlackListEditor(chosen->ToStdWstring());
    }
}

void COptionDialog::OpenBlackListEditor(const std::filesystem::path& file) {
    if (!actions_.openBlackListEditor) {
        return;
    }
    // A list file that cannot be read or written ends the command; the editor has told why.
    try {
        actions_.openBlackListEditor(this, file);
    } catch (const std::exception& error) {
        wxLogDebug("black-list editor: %s", error.what());
    }
}

}  // namespace vorn
