#pragma once

#include <string>

#include <wx/dialog.h>

class wxTextCtrl;

namespace vorn {

// The two-field dialog behind CAddCurrency and AddSubString: a value and a comment, prefilled,
// read back after OK. OK stays open with a message while the values cannot be stored.
class ValueEntryDialog : public wxDialog {
public:
    static constexpr int kValueId = 1121;
    static constexpr int kCommentId = 1122;

    std::wstring Value() const;
    std::wstring Comment() const;

protected:
    struct Texts {
        const char* title;     // not translated
        const wchar_t* intro;  // may be null; wrapped above the fields
        int introId;
        const wchar_t* valueLabel;
        int valueLabelId;
        int commentLabelId;
        const wchar_t* emptyMessage;  // both fields empty
        const wchar_t* tooLongValue;
    };

    ValueEntryDialog(wxWindow* parent, const Texts& texts, const std::wstring& value,
                     const std::wstring& comment);

    // Whether the value fits the field that stores it.
    virtual bool ValueFits(const std::wstring& value) const = 0;

private:
    void OnOk();
    void Refuse(const wchar_t* text);

    Texts texts_;
    wxTextCtrl* value_ = nullptr;
    wxTextCtrl* comment_ = nullptr;
};

// Whether a comment fits its field.
bool CommentFits(const std::wstring& comment);
// A text that would end a list file's leading block for every reader, and its message.
bool HoldsListMarker(const std::wstring& text);
inline constexpr const wchar_t* kListMarkerMessage = L"Текст не может содержать «$$$VK_END$$$»";

}  // namespace vorn
