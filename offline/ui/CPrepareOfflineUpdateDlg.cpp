#include "offline/ui/CPrepareOfflineUpdateDlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "agent/AgentProtocol.h"
#include "agent/RequestChannel.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/Translate.h"
#include "app/ui/WindowLanguage.h"
#include "monitor/ui/CErrorReportingDlg.h"
#include "offline/OfflineRules.h"
#include "platform/ui/ModalQuestions.h"

namespace vorn {

CPrepareOfflineUpdateDlg::CPrepareOfflineUpdateDlg(wxWindow* parent,
                                                   std::function<AgentErrorRecord()> lastError)
    : wxDialog(parent, wxID_ANY, L"Подготовка offline обновления"),
      lastError_(std::move(lastError)),
      gate_(this) {
    SetIcons(ProgramIcons());

    auto* label = new wxStaticText(this, wxID_ANY, L"УИН устройства:");
    uin_ = new wxTextCtrl(this, kUinId, wxEmptyString, wxDefaultPosition,
                          ConvertDialogToPixels(wxSize(130, 12)));
    auto* hint = new wxStaticText(this, wxID_ANY, "A..A-BBB-CCCCCCCC");
    start_ = new wxButton(this, kStartId, L"Подготовить обновление");
    errorLink_ =
        new wxHyperlinkCtrl(this, kErrorLinkId, L"Ошибка загрузки!", wxEmptyString,
                            wxDefaultPosition, wxDefaultSize, wxHL_ALIGN_LEFT | wxBORDER_NONE);
    progress_ = new wxGauge(this, kProgressId, 100, wxDefaultPosition,
                            ConvertDialogToPixels(wxSize(193, 14)));
    counter_ = new wxStaticText(this, kCounterId, wxEmptyString, wxDefaultPosition,
                                ConvertDialogToPixels(wxSize(35, 8)), wxST_NO_AUTORESIZE);
    ok_ = new wxButton(this, wxID_OK, "OK");

    // The texts are translated before the layout, so that the translations get their room.
    ApplyLanguageToWindow(this);
    errorLink_->Hide();

    const int gap = ConvertDialogToPixels(wxSize(7, 0)).x;
    auto* uinRow = new wxFlexGridSizer(2, gap / 2, gap);
    uinRow->Add(label, 0, wxALIGN_CENTER_VERTICAL);
    uinRow->Add(uin_, 0, wxEXPAND);
    uinRow->AddSpacer(0);
    uinRow->Add(hint, 0, wxALIGN_RIGHT);
    auto* startRow = new wxBoxSizer(wxHORIZONTAL);
    startRow->Add(start_, 0, wxALIGN_CENTER_VERTICAL);
    startRow->Add(errorLink_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    auto* progressRow = new wxBoxSizer(wxHORIZONTAL);
    progressRow->Add(progress_, 1, wxALIGN_CENTER_VERTICAL);
    progressRow->Add(counter_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(uinRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    column->Add(startRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    column->Add(progressRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap * 2);
    column->Add(ok_, 0, wxALIGN_RIGHT | wxALL, gap);
    SetSizerAndFit(column);

    Bind(wxEVT_BUTTON, &CPrepareOfflineUpdateDlg::OnStart, this, kStartId);
    Bind(wxEVT_HYPERLINK, &CPrepareOfflineUpdateDlg::OnErrorLink, this, kErrorLinkId);
}

CPrepareOfflineUpdateDlg::~CPrepareOfflineUpdateDlg() {
    // A worker waiting for this window is released before the controls go; the request
    // itself ends within kAgentCallTimeout.
    gate_.Close();
    if (worker_.joinable()) {
        worker_.join();
    }
}

int CPrepareOfflineUpdateDlg::ShowModal() {
    Reset();
    return wxDialog::ShowModal();
}

void CPrepareOfflineUpdateDlg::Reset() {
    progress_->SetValue(0);
    counter_->SetLabel(wxEmptyString);
    errorLink_->Hide();
    EnableButtons(!requesting_);
    Layout();
}

void CPrepareOfflineUpdateDlg::EnableButtons(bool enable) {
    start_->Enable(enable);
    ok_->Enable(enable);
}

void CPrepareOfflineUpdateDlg::OnStart(wxCommandEvent&) {
    if (requesting_) {
        return;
    }
    progress_->SetValue(0);
    counter_->SetLabel(wxEmptyString);
    errorLink_->Hide();
    Layout();
    const std::wstring uin = uin_->GetValue().ToStdWstring();
    if (!IsValidUin(uin)) {
        platform::AskMessage(this, Tr(L"Некорректно задан УИН устройства!"), GetTitle(), wxOK);
        return;
    }
    if (worker_.joinable()) {
        worker_.join();  // it ended with its last call to this window
    }
    agentEnded_ = false;
    // Disabled while the request is on its way: the agent's end, or its absence, enables them.
    EnableButtons(false);
    requesting_ = true;
    worker_ = std::thread([this, request = request::PrepareOfflineUpdate(uin)] {
        std::string reply;
        const bool sent = CallAgent(request, reply);
        gate_.Run([&] { OnRequestDone(sent); });
    });
}

void CPrepareOfflineUpdateDlg::OnRequestDone(bool sent) {
    requesting_ = false;
    // The buttons wait for the agent's end, which may even have come already.
    EnableButtons(!sent || agentEnded_);
    if (sent) {
        return;
    }
    if (IsShown()) {
        platform::AskMessage(
            this, Tr(L"Ошибка подготовки offline обновления. Системный сервис не доступен!"),
            GetTitle(), wxOK);
    }
}

void CPrepareOfflineUpdateDlg::OnErrorLink(wxHyperlinkEvent&) {
    CErrorReportingDlg report(lastError_ ? lastError_() : AgentErrorRecord{}, this);
    platform::RunModal(report);
}

void CPrepareOfflineUpdateDlg::OnOfflineUpdateProgress(std::int32_t number, std::int32_t total,
                                                       bool failed) {
    // The completion message box is shown from within this call, so the worker waits for the
    // operator as a window message would.
    gate_.Run([&] { ApplyProgress(number, total, failed); });
}

void CPrepareOfflineUpdateDlg::ApplyProgress(std::int32_t number, std::int32_t total, bool failed) {
    if (!IsShown()) {
        return;  // closed: the agent's progress is not followed
    }
    if (failed) {
        agentEnded_ = true;
        EnableButtons(!requesting_);
        errorLink_->Show();
        Layout();
        return;
    }
    const OfflineProgress progress = ComputeOfflineProgress(number, total);
    if (progress.position) {
        progress_->SetValue(*progress.position);
    }
    counter_->SetLabel(progress.counter);
    if (progress.done) {
        agentEnded_ = true;
        EnableButtons(!requesting_);
        platform::AskMessage(this, Tr(L"Offline обновление подготовлено"), GetTitle(),
                             wxOK | wxICON_INFORMATION);
    }
}

}  // namespace vorn
