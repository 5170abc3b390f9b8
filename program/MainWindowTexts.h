#pragma once

// Texts and names that several of the main window's files share. Private to program/.

#include "app/ui/Translate.h"

namespace vorn::mainwindow {

inline constexpr const wchar_t* kTrayTitle = L"Zelt";
inline constexpr const wchar_t* kOperationFailed = L"Операция не была выполнена";
inline constexpr const wchar_t* kNoFileChosen = L"Файл не был выбран";
inline constexpr const wchar_t* kAgentNotResponding = L"Служба обновления не отвечает";
inline constexpr const wchar_t* kBlackListWildcard =
    L"BlackList Files (*.blist)|*.blist|All Files (*.*)|*.*";

}  // namespace vorn::mainwindow
