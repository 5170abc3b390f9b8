#include "monitor/ui/CDevicesListCtrl.h"

#include <algorithm>
#include <mutex>

#include <wx/imaglist.h>

#include "monitor/DeviceStateText.h"
#include "platform/ui/ListGeometry.h"
#include "resources/icons/device_not_connected.xpm"
#include "resources/icons/device_up_to_date.xpm"
#include "resources/icons/device_update_available.xpm"

namespace vorn {

namespace {

constexpr int kHeaderPadding = 20;
constexpr int kInitialColumnWidth = 100;

// Images of a row, in the order of DeviceRowImage.
wxImageList* MakeStateImages() {
    auto* images = new wxImageList(16, 16, true, 3);
    images->Add(wxBitmap(device_up_to_date_xpm));
    images->Add(wxBitmap(device_update_available_xpm));
    images->Add(wxBitmap(device_not_connected_xpm));
    return images;
}

wxUIntPtr ItemData(std::int32_t deviceId) {
    return static_cast<wxUIntPtr>(static_cast<long>(deviceId));
}

}  // namespace

// Lets table changes from any thread ask the UI thread for one redraw, and stops them the moment
// the control begins to go away.
struct CDevicesListCtrl::RedrawGate {
    std::mutex mutex;
    CDevicesListCtrl* list = nullptr;
    bool posted = false;
};

CDevicesListCtrl::CDevicesListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                   const wxSize& size)
    : wxListCtrl(parent, id, pos, size, wxLC_REPORT | wxLC_HRULES | wxLC_VRULES),
      gate_(std::make_shared<RedrawGate>()) {
    AssignImageList(MakeStateImages(), wxIMAGE_LIST_SMALL);

    progress_ = new CCellProgressBar(this, kProgressId);
    progress_->Hide();

    gate_->list = this;
    table_.SetChangedHandler([gate = gate_] {
        std::lock_guard lock(gate->mutex);
        if (gate->list == nullptr || gate->posted) {
            return;
        }
        gate->posted = true;
        gate->list->CallAfter([gate] {
            CDevicesListCtrl* list = nullptr;
            {
                std::lock_guard inner(gate->mutex);
                gate->posted = false;
                list = gate->list;
            }
            if (list != nullptr) {
                list->Redraw();
            }
        });
    });

    Bind(wxEVT_IDLE, &CDevicesListCtrl::OnIdle, this);
    Bind(wxEVT_SIZE, &CDevicesListCtrl::OnSize, this);
    Bind(wxEVT_LIST_COL_END_DRAG, [this](wxListEvent& event) {
        event.Skip();
        CallAfter([this] { RelayProgress(); });
    });
}

CDevicesListCtrl::~CDevicesListCtrl() {
    {
        std::lock_guard lock(gate_->mutex);
        gate_->list = nullptr;
    }
    table_.SetChangedHandler(nullptr);
}

void CDevicesListCtrl::SetColumns(const std::vector<std::wstring>& headers) {
    static constexpr wxListColumnFormat kAlignment[] = {wxLIST_FORMAT_LEFT,   wxLIST_FORMAT_LEFT,
                                                        wxLIST_FORMAT_CENTRE, wxLIST_FORMAT_CENTRE,
                                                        wxLIST_FORMAT_CENTRE, wxLIST_FORMAT_CENTRE};
    DeleteAllColumns();
    for (std::size_t column = 0; column < std::size(kAlignment); ++column) {
        const wxString header = column < headers.size() ? wxString(headers[column]) : wxString();
        InsertColumn(static_cast<long>(column), header, kAlignment[column], kInitialColumnWidth);
    }
    SizeColumns();
}

void CDevicesListCtrl::Redraw() {
    const std::vector<DeviceRecord> rows = table_.Snapshot();
    const auto rowCount = static_cast<long>(rows.size());

    while (GetItemCount() > rowCount) {
        DeleteItem(GetItemCount() - 1);
    }
    while (GetItemCount() < rowCount) {
        const long row = GetItemCount();
        InsertItem(row, wxString(rows[static_cast<std::size_t>(row)].type));
    }
    const int columns = GetColumnCount();
    for (long row = 0; row < rowCount; ++row) {
        const DeviceRecord& record = rows[static_cast<std::size_t>(row)];
        SetItemPtrData(row, ItemData(record.id));
        const auto cells = DeviceRowCells(record);
        for (int column = 0; column < columns && column < static_cast<int>(cells.size());
             ++column) {
            SetItem(row, column, wxString(cells[static_cast<std::size_t>(column)]));
        }
        SetItemImage(row, DeviceRowImage(record));
    }
    SizeColumns();
    RelayProgress();
}

void CDevicesListCtrl::SizeColumns() {
    const int columns = GetColumnCount();
    const int rows = std::min(GetItemCount(), kSizedRows);
    for (int column = 0; column < columns; ++column) {
        int width = 0;
        for (int row = 0; row < rows; ++row) {
            width = std::max(width, GetTextExtent(GetItemText(row, column)).x);
        }
        width += column == 0 ? kFirstColumnPadding : kColumnPadding;
        wxListItem header;
        header.SetMask(wxLIST_MASK_TEXT);
        if (GetColumn(column, header)) {
            width = std::max(width, GetTextExtent(header.GetText()).x + kHeaderPadding);
        }
        SetColumnWidth(column, width);
    }
}

int CDevicesListCtrl::FirstSelectedRow() const {
    return static_cast<int>(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

std::optional<DeviceRecord> CDevicesListCtrl::SelectedRecord() const {
    // By the row's device id, not by its position: a change from the worker may already be in
    // the table but not yet drawn, and a command must go to the device the operator sees.
    const int row = FirstSelectedRow();
    if (row < 0) {
        return std::nullopt;
    }
    const auto id = static_cast<std::int32_t>(static_cast<long>(GetItemData(row)));
    return table_.FindById(id);
}

long CDevicesListCtrl::FindDeviceItem(std::int32_t deviceId) const {
    // FindItem is not const in every port; the search itself changes nothing.
    auto* self = const_cast<CDevicesListCtrl*>(this);
    return self->FindItem(-1, ItemData(deviceId));
}

// The update cell of the progress bar's device, cut so that it never reaches into the header;
// nothing when the device has no row.
std::optional<wxRect> CDevicesListCtrl::ProgressCell() const {
    if (!progressDevice_) {
        return std::nullopt;
    }
    const long item = FindDeviceItem(*progressDevice_);
    wxRect cell;
    if (item < 0 || !GetSubItemRect(item, kUpdateColumn, cell)) {
        return std::nullopt;
    }
    const int headerBottom = platform::ListRowsTop(*this);
    if (cell.y <= headerBottom) {
        const int bottom = cell.GetBottom();
        cell.y = std::min(headerBottom + 1, bottom + 1);
        cell.height = std::max(0, bottom + 1 - cell.y);
    }
    return cell;
}

void CDevicesListCtrl::ShowProgressForDevice(std::int32_t deviceId) {
    progressDevice_ = deviceId;
    const auto cell = ProgressCell();
    if (!cell) {
        return;
    }
    if (progress_ == nullptr) {
        progress_ = new CCellProgressBar(this, kProgressId);
    }
    progress_->SetSize(*cell);
    progress_->SetRowSelected(GetItemState(FindDeviceItem(deviceId), wxLIST_STATE_SELECTED) != 0);
    progress_->SetRange(100);
    progress_->SetValue(0);
    progress_->Show();
    progress_->Raise();
}

void CDevicesListCtrl::SetProgressPosition(int position) {
    if (progress_ != nullptr) {
        progress_->SetValue(std::clamp(position, 0, progress_->GetRange()));
    }
}

bool CDevicesListCtrl::IsProgressVisible() const {
    return progress_ != nullptr && progress_->IsShown();
}

void CDevicesListCtrl::HideProgress() {
    if (progress_ != nullptr) {
        progress_->Hide();
    }
}

void CDevicesListCtrl::RelayProgress() {
    if (!IsProgressVisible()) {
        return;
    }
    const auto cell = ProgressCell();
    if (!cell) {
        progress_->Hide();
        Refresh();
        return;
    }
    const long item = FindDeviceItem(*progressDevice_);
    progress_->SetRowSelected(GetItemState(item, wxLIST_STATE_SELECTED) != 0);
    if (progress_->GetRect() != *cell) {
        progress_->SetSize(*cell);
        progress_->Refresh();
        Refresh();
    }
}

void CDevicesListCtrl::OnIdle(wxIdleEvent& event) {
    event.Skip();
    // Scrolling by wheel, keys or scroll bar reaches the rows window, not us; checking here
    // keeps the bar on its cell whatever moved it.
    RelayProgress();
}

void CDevicesListCtrl::OnSize(wxSizeEvent& event) {
    event.Skip();
    CallAfter([this] { RelayProgress(); });
}

}  // namespace vorn
