#pragma once

// Puts the selected language on a window's own texts: its caption, its menu bar (one level
// deep) and the labels of its direct children. Dialogs call it while they initialise, before
// they size themselves, so that the translated texts get their room.

#include <cstddef>

class wxWindow;

namespace vorn {

// Texts longer than this many characters are cut before they are looked up.
inline constexpr std::size_t kMaxWindowTextLength = 259;

// False only for a null window. Without a loaded language nothing changes.
bool ApplyLanguageToWindow(wxWindow* window);

}  // namespace vorn
