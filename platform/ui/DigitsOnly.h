#pragma once

#include <cstddef>

class wxTextCtrl;

namespace vorn::platform {

// What a field does with a pasted text: keeps it as it is (a number field then reads what it
// can of it), or keeps only its digits.
enum class PastedText { AsIs, DigitsOnly };

// The one digit filter of the program's number fields: typed characters other than digits are
// refused (editing and moving keys pass), and with a `maxLength` above 0 no more digits than
// that are typed, or kept of a paste whose digits are kept.
void AcceptDigitsOnly(wxTextCtrl* edit, std::size_t maxLength = 0,
                      PastedText pasted = PastedText::AsIs);

}  // namespace vorn::platform
