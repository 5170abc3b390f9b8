#pragma once

#include <string>

namespace vorn {

// The program's version: four numbers, the last of which is the revision the agent compares
// newer releases with.
inline constexpr int kProgramVersion[4] = {2, 2, 1, 2293};

// "2.2.1.2293"
std::wstring ProgramVersionText();

// "Vorn Update v2.2.1.2293": the main window's caption, the stored MainWindowTitle, and the
// title a second instance looks for.
std::wstring MainWindowTitle();

// Keeps the caption in the settings value MainWindowTitle.
void StoreMainWindowTitle(const std::wstring& title);

}  // namespace vorn
