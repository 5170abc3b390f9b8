#pragma once

// Texts of an error report: the HTTP status descriptions the update-server client uses, the
// category names, the wrapped description, the arrival time and the whole report as plain text.
// Everything returned is translated and ready to show.

#include <chrono>
#include <string>

#include "monitor/MainWindowOperations.h"

namespace vorn {

// Description of an HTTP status; "Неизвестная ошибка" for a status without one.
std::wstring HttpStatusText(int status);

// 0 "Коммуникация с сервером", 1 "Коммуникация с устройством", anything else "Неизвестно".
std::wstring ErrorCategoryText(int category);

// A line is broken after the first blank that comes when it already holds this many characters.
inline constexpr std::size_t kErrorLineLength = 70;

// The description with a line feed after every blank that is copied while the current line
// holds kErrorLineLength characters or more (the blank included). Words are never split, so a
// line without blanks stays long; a line feed of the text starts a new line.
std::wstring WrapErrorDescription(const std::wstring& text);

// "DD/MM/YYYY hh:mm:ss" with leading zeros.
std::wstring ErrorTimeText(int year, int month, int day, int hour, int minute, int second);
// The same for a moment, in local time.
std::wstring ErrorTimeText(std::chrono::system_clock::time_point time);

// The whole report as text for the clipboard: the id in brackets (only when it is not 0), the
// description, the category and the date and time, one per line, with their labels.
std::wstring ErrorReportText(const AgentErrorRecord& report);

}  // namespace vorn
