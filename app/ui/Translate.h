#pragma once

// The one road of a window's text to the selected language: every text shown passes here right
// before it is shown. Without a loaded language the text comes back as it is.

#include <string>

#include <wx/string.h>

namespace vorn {

wxString Tr(const wchar_t* text);
wxString Tr(const std::wstring& text);

}  // namespace vorn
