#include "blacklist/ui/ValueEntryDialog.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ui/Translate.h"
#include "blacklist/Composer.h"
#include "platform/TextConversion.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/ModalQuestions.h"

namespace vorn {

bool CommentFits(const std::wstring& comment) {
    return platform::WideToUtf8(comment).size() <= blacklist::kMaxCommentBytes;
}

bool HoldsListMarker(const std::wstring& text) {
    return blacklist::HoldsLeadingBlockMarker(platform::WideToUtf8(text));
}

ValueEntryDialog::ValueEntryDialog(wxWindow* parent, const Texts& texts, const std::wstring& value,
                                   const std::wstring& comment)
    : wxDialog(parent, wxID_ANY, texts.title), texts_(texts) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    if (texts.intro != nullptr) {
        auto* intro = new wxStaticText(this, texts.introId, Tr(texts.intro));
        intro->Wrap(FromDIP(360));
        top->Add(intro, 0, wxALL, FromDIP(10));
    }
    auto* grid = new wxFlexGridSizer(2, FromDIP(6), FromDIP(8));
    grid->AddGrowableCol(1);
    grid->Add(new wxStaticText(this, texts.valueLabelId, Tr(texts.valueLabel)), 0,
              wxALIGN_CENTER_VERTICAL);
    value_ = new wxTextCtrl(this, kValueId, value, wxDefaultPosition, FromDIP(wxSize(240, -1)));
    grid->Add(value_, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, texts.commentLabelId, Tr(L"Комментарий:")), 0,
              wxALIGN_CENTER_VERTICAL);
    comment_ = new wxTextCtrl(this, kCommentId, comment);
    grid->Add(comment_, 1, wxEXPAND);
    top->Add(grid, 0, wxEXPAND | wxLEFT | wxRIGHT | (texts.intro ? 0 : wxTOP), FromDIP(10));

    top->Add(platform::CreateOkCancelButtons(this), 0, wxEXPAND | wxALL, FromDIP(10));
    SetSizerAndFit(top);
    CentreOnParent();
    value_->SetFocus();
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnOk(); }, wxID_OK);
}

std::wstring ValueEntryDialog::Value() const {
    return value_->GetValue().ToStdWstring();
}

std::wstring ValueEntryDialog::Comment() const {
    return comment_->GetValue().ToStdWstring();
}

void ValueEntryDialog::Refuse(const wchar_t* text) {
    platform::AskMessage(this, Tr(text), GetTitle(), wxOK | wxICON_STOP);
}

void ValueEntryDialog::OnOk() {
    const std::wstring value = Value();
    const std::wstring comment = Comment();
    if (value.empty() && comment.empty()) {
        Refuse(texts_.emptyMessage);
    } else if (!ValueFits(value)) {
        Refuse(texts_.tooLongValue);
    } else if (!CommentFits(comment)) {
        Refuse(L"Слишком длинный комментарий");
    } else if (HoldsListMarker(value) || HoldsListMarker(comment)) {
        Refuse(kListMarkerMessage);
    } else {
        SetReturnCode(wxID_OK);  // EndDialog keeps it only for a modal run
        EndDialog(wxID_OK);
    }
}

}  // namespace vorn
