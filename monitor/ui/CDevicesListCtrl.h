#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/listctrl.h>

#include "monitor/DeviceTable.h"
#include "monitor/ui/CCellProgressBar.h"

class wxIdleEvent;
class wxSizeEvent;

namespace vorn {

// The report list of the main window: one row per device of the table it owns, in table order,
// with a state image per row and one progress bar that it lays over the "Обновление" cell of
// the device whose firmware is being downloaded and written.
//
// The table may be changed from any thread; the list redraws on the UI thread after each
// change (changes that come in a burst are drawn once). Everything else is UI thread only.
class CDevicesListCtrl : public wxListCtrl {
public:
    static constexpr int kUpdateColumn = 4;
    static constexpr wxWindowID kProgressId = 291;
    // Columns are sized from this many rows at most, to their widest text plus a padding. The
    // first column also holds the row image, and GTK's list keeps a few more pixels of every
    // column for itself than the 28 that would do elsewhere.
    static constexpr int kSizedRows = 200;
    static constexpr int kFirstColumnPadding = 36;
    static constexpr int kColumnPadding = 12;

    CDevicesListCtrl(wxWindow* parent, wxWindowID id = 1000, const wxPoint& pos = wxDefaultPosition,
                     const wxSize& size = wxDefaultSize);
    ~CDevicesListCtrl() override;

    DeviceTable& Devices() { return table_; }

    // Makes the six columns with these (translated) headers, then sizes them.
    void SetColumns(const std::vector<std::wstring>& headers);

    // Shows the table again from a copy: items, texts, data, images, column widths, progress.
    void Redraw();

    // Index of the first selected row, -1 without selection, and the record of the device that
    // row shows (nothing when that device has left the table meanwhile).
    int FirstSelectedRow() const;
    std::optional<DeviceRecord> SelectedRecord() const;

    // The progress bar: laid over the update cell of deviceId, range 0..100, position 0, shown.
    void ShowProgressForDevice(std::int32_t deviceId);
    void SetProgressPosition(int position);
    bool IsProgressVisible() const;
    void HideProgress();
    CCellProgressBar* ProgressBar() const { return progress_; }

    // Lays the progress bar over its cell again (it follows scrolling, resizing and column
    // drags by itself, when the UI thread is idle); hides it when its device's row is gone.
    void RelayProgress();

private:
    struct RedrawGate;

    void SizeColumns();
    long FindDeviceItem(std::int32_t deviceId) const;
    std::optional<wxRect> ProgressCell() const;
    void OnIdle(wxIdleEvent& event);
    void OnSize(wxSizeEvent& event);

    DeviceTable table_;
    std::shared_ptr<RedrawGate> gate_;
    CCellProgressBar* progress_ = nullptr;
    std::optional<std::int32_t> progressDevice_;
};

}  // namespace vorn
