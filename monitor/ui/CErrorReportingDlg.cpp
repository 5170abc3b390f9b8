#include "monitor/ui/CErrorReportingDlg.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ui/WindowLanguage.h"
#include "monitor/ErrorTexts.h"
#include "platform/ui/PixelHeightFont.h"
#include "translation/Vocabrix.h"

namespace vorn {

namespace {

const wxColour kBlue(0, 0, 255);

}  // namespace

CErrorReportingDlg::CErrorReportingDlg(const AgentErrorRecord& report, wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Error Reporting", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      report_(report) {
    auto* icon =
        new wxStaticBitmap(this, kIconId, wxArtProvider::GetBitmap(wxART_ERROR, wxART_MESSAGE_BOX));
    auto* title = new wxStaticText(this, kTitleId, "ERROR!");
    auto* errorId = new wxStaticText(this, kErrorIdId, wxEmptyString);
    auto* descriptionLabel = new wxStaticText(this, kDescriptionLabelId, L"Описание:");
    description_ = new wxTextCtrl(this, kDescriptionId, wxEmptyString, wxDefaultPosition,
                                  wxDefaultSize, wxTE_MULTILINE | wxTE_READONLY | wxHSCROLL);
    auto* categoryLabel = new wxStaticText(this, kCategoryLabelId, L"Категория:");
    auto* category = new wxStaticText(this, kCategoryId, L"Неизвестно");
    auto* timeLabel = new wxStaticText(this, kTimeLabelId, L"Дата, время:");
    auto* time = new wxStaticText(this, kTimeId, "dd/mm/yyyy hh:mm:ss");
    auto* ok = new wxButton(this, wxID_OK, "OK");

    ApplyLanguageToWindow(this);

    titleFont_ = platform::PixelHeightFont(*this, wxFontInfo().FaceName("Arial"), 30);
    idFont_ = platform::PixelHeightFont(*this, wxFontInfo().FaceName("Arial"), 20);
    boldFont_ = category->GetFont().Bold();
    title->SetFont(titleFont_);
    title->SetForegroundColour(kBlue);
    errorId->SetFont(idFont_);
    errorId->SetForegroundColour(kBlue);
    if (report_.errorId != 0) {
        errorId->SetLabel("[" + std::to_wstring(report_.errorId) + "]");
    }
    description_->SetValue(WrapErrorDescription(report_.description));
    categoryLabel->SetFont(boldFont_);
    timeLabel->SetFont(boldFont_);
    // The category is a translated text; an "&" in it is no access key.
    category->SetLabelText(ErrorCategoryText(report_.category));
    time->SetLabel(ErrorTimeText(report_.time));

    const int gap = FromDIP(8);
    auto* head = new wxBoxSizer(wxHORIZONTAL);
    head->Add(icon, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    head->Add(title, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    head->Add(errorId, 0, wxALIGN_CENTER_VERTICAL);

    auto* facts = new wxFlexGridSizer(2, FromDIP(4), gap);
    facts->Add(categoryLabel, 0, wxALIGN_CENTER_VERTICAL);
    facts->Add(category, 0, wxALIGN_CENTER_VERTICAL);
    facts->Add(timeLabel, 0, wxALIGN_CENTER_VERTICAL);
    facts->Add(time, 0, wxALIGN_CENTER_VERTICAL);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(head, 0, wxALL, gap);
    top->Add(descriptionLabel, 0, wxLEFT | wxRIGHT, gap);
    // Room for a wrapped line: 70 characters and the word that ends it.
    description_->SetMinSize(
        wxSize(description_->GetTextExtent(wxString(L'н', 90)).x, FromDIP(110)));
    top->Add(description_, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap);
    top->Add(facts, 0, wxALL, gap);
    top->Add(ok, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    SetSizerAndFit(top);
    ok->SetDefault();
    ok->SetFocus();
    CentreOnParent();

    Bind(wxEVT_CHAR_HOOK, &CErrorReportingDlg::OnCharHook, this);
    Bind(wxEVT_CONTEXT_MENU, &CErrorReportingDlg::OnContextMenu, this);
    description_->Bind(wxEVT_CONTEXT_MENU, &CErrorReportingDlg::OnContextMenu, this);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { CopyReport(); }, wxID_COPY);
}

bool CErrorReportingDlg::CopyReport() {
    wxClipboardLocker locker;
    if (!locker) {
        return false;
    }
    wxTheClipboard->SetData(new wxTextDataObject(ErrorReportText(report_)));
    wxTheClipboard->Flush();
    return true;
}

void CErrorReportingDlg::OnCharHook(wxKeyEvent& event) {
    const bool copy = (event.GetKeyCode() == 'C' || event.GetKeyCode() == WXK_INSERT) &&
                      event.GetModifiers() == wxMOD_CONTROL;
    if (!copy) {
        event.Skip();
        return;
    }
    // Text the operator selected in the description is copied as the field copies it.
    long from = 0;
    long to = 0;
    description_->GetSelection(&from, &to);
    if (FindFocus() == description_ && from != to) {
        event.Skip();
        return;
    }
    CopyReport();
}

void CErrorReportingDlg::OnContextMenu(wxContextMenuEvent&) {
    wxMenu menu;
    menu.Append(wxID_COPY, Localization::CVocabrix::Instance().TranslateString(L"Копировать"));
    PopupMenu(&menu);
}

}  // namespace vorn
