#include "app/ui/WindowLanguage.h"

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/window.h>

#include <string>
#include <utility>

#include "translation/Vocabrix.h"

namespace vorn {

namespace {

// Long texts are looked up by their first kMaxWindowTextLength characters. When there is no
// translation the text keeps its full length: a long label must not lose its end just because
// a language is selected.
wxString Translate(const wxString& text) {
    wxString cut = text.Left(kMaxWindowTextLength);
    std::wstring wide = cut.ToStdWstring();
    const wchar_t* translated = Localization::CVocabrix::Instance().TranslateString(wide.c_str());
    if (translated == nullptr || wide == translated) {
        return text;
    }
    return wxString(translated);
}

// Menu texts lose every "&" before the lookup and get one in front of the translation, so
// the first letter becomes the access key. An accelerator after a tab is kept as it was.
wxString TranslateMenuText(const wxString& label) {
    wxString text = label;
    wxString accelerator;
    int tab = text.Find(L'\t');
    if (tab != wxNOT_FOUND) {
        accelerator = text.Mid(static_cast<size_t>(tab));
        text = text.Left(static_cast<size_t>(tab));
    }
    text.Replace(L"&", L"");
    if (text.empty()) {
        return label;
    }
    return L"&" + Translate(text) + accelerator;
}

void TranslateMenu(wxMenu* menu) {
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSeparator()) {
            continue;
        }
        item->SetItemLabel(TranslateMenuText(item->GetItemLabel()));
    }
}

}  // namespace

bool ApplyLanguageToWindow(wxWindow* window) {
    if (window == nullptr) {
        return false;
    }
    std::pair<std::string, std::string> current;
    Localization::CVocabrix::Instance().GetCurrentLanguage(current);
    if (current.first.empty()) {
        return true;
    }

    window->SetLabel(Translate(window->GetLabel()));

    if (auto* frame = dynamic_cast<wxFrame*>(window)) {
        if (wxMenuBar* bar = frame->GetMenuBar()) {
            for (size_t i = 0; i < bar->GetMenuCount(); ++i) {
                bar->SetMenuLabel(i, TranslateMenuText(bar->GetMenuLabel(i)));
                TranslateMenu(bar->GetMenu(i));
            }
        }
    }

    for (wxWindow* child : window->GetChildren()) {
        if (child->IsTopLevel()) {
            continue;  // owned dialogs translate themselves
        }
        wxString label = child->GetLabel();
        if (!label.empty()) {
            child->SetLabel(Translate(label));
        }
    }
    return true;
}

}  // namespace vorn
