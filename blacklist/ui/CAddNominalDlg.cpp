#include "blacklist/ui/CAddNominalDlg.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ui/Translate.h"
#include "blacklist/BlackListItem.h"
#include "blacklist/ui/ValueEntryDialog.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/DigitsOnly.h"
#include "platform/ui/ModalQuestions.h"

namespace vorn {

namespace {

// The number typed in a digits-only field, or nothing when it is empty or wider than `limit`.
std::optional<unsigned long> TypedNumber(const wxTextCtrl& field, unsigned long limit) {
    unsigned long value = 0;
    if (!field.GetValue().ToULong(&value) || value > limit) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

CAddNominalDlg::CAddNominalDlg(wxWindow* parent, std::uint32_t nominal, std::uint32_t year,
                               std::uint8_t version, const std::wstring& comment)
    : wxDialog(parent, wxID_ANY, "Add/Edit Denomination") {
    const bool anyNominal = nominal == blacklist::kAnyNominal;
    const bool anyYear = year >= blacklist::kAnyYear;

    auto* grid = new wxFlexGridSizer(3, FromDIP(6), FromDIP(8));
    grid->AddGrowableCol(1);
    auto label = [&](int id, const wchar_t* text) {
        grid->Add(new wxStaticText(this, id, Tr(text)), 0, wxALIGN_CENTER_VERTICAL);
    };
    label(1131, L"Номинал:");
    nominal_ = new wxTextCtrl(this, kNominalId, wxString::Format("%u", anyNominal ? 100u : nominal),
                              wxDefaultPosition, FromDIP(wxSize(120, -1)));
    grid->Add(nominal_, 1, wxEXPAND);
    anyNominal_ = new wxCheckBox(this, kAnyNominalId, Tr(L"Любой Номинал"));
    anyNominal_->SetValue(anyNominal);
    grid->Add(anyNominal_, 0, wxALIGN_CENTER_VERTICAL);

    label(1132, L"Год:");
    year_ = new wxTextCtrl(this, kYearId,
                           wxString::Format("%u", anyYear ? unsigned{kShownAnyYear} : year),
                           wxDefaultPosition, wxDefaultSize);
    grid->Add(year_, 1, wxEXPAND);
    platform::AcceptDigitsOnly(nominal_);
    platform::AcceptDigitsOnly(year_);
    anyYear_ = new wxCheckBox(this, kAnyYearId, Tr(L"Любой год"));
    anyYear_->SetValue(anyYear);
    grid->Add(anyYear_, 0, wxALIGN_CENTER_VERTICAL);

    label(1133, L"Версия:");
    version_ = new wxChoice(this, kVersionId);
    version_->Append(Tr(L" Любая версия (*)"),
                     reinterpret_cast<void*>(std::uintptr_t{blacklist::kAnyVersion}));
    int chosen = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const int index = version_->Append(wxString(" ") + letter,
                                           reinterpret_cast<void*>(std::uintptr_t(letter)));
        if (static_cast<std::uint8_t>(letter) == version) {
            chosen = index;
        }
    }
    version_->SetSelection(chosen);
    grid->Add(version_, 1, wxEXPAND);
    grid->AddSpacer(0);

    label(1134, L"Комментарий:");
    comment_ = new wxTextCtrl(this, kCommentId, comment);
    grid->Add(comment_, 1, wxEXPAND);
    grid->AddSpacer(0);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(10));
    top->Add(platform::CreateOkCancelButtons(this), 0, wxEXPAND | wxALL, FromDIP(10));
    SetSizerAndFit(top);
    CentreOnParent();

    UpdateEnabled();
    Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateEnabled(); }, kAnyNominalId);
    Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateEnabled(); }, kAnyYearId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOk(); }, wxID_OK);
}

void CAddNominalDlg::UpdateEnabled() {
    nominal_->Enable(!anyNominal_->GetValue());
    year_->Enable(!anyYear_->GetValue());
}

blacklist::NominalEntry CAddNominalDlg::Entry() const {
    blacklist::NominalEntry entry;
    entry.anyNominal = anyNominal_->GetValue();
    entry.anyYear = anyYear_->GetValue();
    entry.nominal = static_cast<std::uint32_t>(TypedNumber(*nominal_, 0xFFFFFFFFul).value_or(0));
    entry.year = static_cast<std::int32_t>(TypedNumber(*year_, 0x7FFFFFFFul).value_or(0));
    const int chosen = version_->GetSelection();
    entry.version = chosen == wxNOT_FOUND
                        ? blacklist::kAnyVersion
                        : static_cast<std::uint8_t>(reinterpret_cast<std::uintptr_t>(
                              version_->GetClientData(static_cast<unsigned>(chosen))));
    entry.comment = comment_->GetValue().ToStdWstring();
    return entry;
}

void CAddNominalDlg::Refuse(const wchar_t* text) {
    platform::AskMessage(this, Tr(text), GetTitle(), wxOK | wxICON_STOP);
}

void CAddNominalDlg::OnOk() {
    const auto nominal = TypedNumber(*nominal_, 0xFFFFFFFFul);
    // A year stored in 16 bits, 65535 meaning any: a typed year must stay below it.
    const auto year = TypedNumber(*year_, blacklist::kAnyYear - 1ul);
    if (!anyNominal_->GetValue() && nominal.value_or(0) == 0) {
        Refuse(L"Введите номинал");
    } else if (!anyYear_->GetValue() && year.value_or(0) == 0) {
        Refuse(L"Введите год выпуска");
    } else if (!CommentFits(comment_->GetValue().ToStdWstring())) {
        Refuse(L"Слишком длинный комментарий");
    } else if (HoldsListMarker(comment_->GetValue().ToStdWstring())) {
        Refuse(kListMarkerMessage);
    } else {
        SetReturnCode(wxID_OK);  // EndDialog keeps it only for a modal run
        EndDialog(wxID_OK);
    }
}

}  // namespace vorn
