#pragma once

class wxListCtrl;

namespace vorn::platform {

// The last line of a report-style list's column header, in the list's own coordinates: a row
// whose top is at or above it is partly covered by the header. The generic list (GTK) keeps its
// rows in a scrolled window under the header window; the native list (Windows) draws them in
// its client area under a header control.
int ListRowsTop(const wxListCtrl& list);

}  // namespace vorn::platform
