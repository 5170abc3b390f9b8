#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/sizer.h>

#include "monitor/ui/CDevicesListCtrl.h"
#include "support/UiPump.h"

wxIMPLEMENT_APP_NO_MAIN(wxApp);

namespace vorn {
namespace {

using namespace std::chrono_literals;

using test::Pump;
using test::PumpUntil;

DeviceRecord Device(std::int32_t id, std::int32_t connect, std::int32_t updates) {
    DeviceRecord record;
    record.id = id;
    record.type = L"Q750M1";
    record.name = L"UIN-" + std::to_wstring(id);
    record.connect = connect;
    record.updates = updates;
    return record;
}

class DevicesListTest : public testing::Test {
protected:
    void SetUp() override {
        frame_ = new wxFrame(nullptr, wxID_ANY, "list", wxDefaultPosition, wxSize(900, 300));
        list_ = new CDevicesListCtrl(frame_);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(list_, 1, wxEXPAND);
        frame_->SetSizer(sizer);
        list_->SetColumns({L"Модель", L"Серийный номер", L"Имя прибора", L"Подключено",
                           L"Обновление", L"Исполнение"});
        frame_->Show();
        frame_->Layout();
        Pump();
    }
    void TearDown() override {
        frame_->Destroy();
        wxTheApp->Yield(true);
    }

    // Waits until the list shows as many rows as the table holds.
    bool Drawn() {
        return PumpUntil([this] { return list_->GetItemCount() == list_->Devices().Count(); });
    }

    int Image(long row) {
        wxListItem item;
        item.SetId(row);
        item.SetMask(wxLIST_MASK_IMAGE);
        list_->GetItem(item);
        return item.GetImage();
    }

    wxRect UpdateCell(long row) {
        wxRect cell;
        list_->GetSubItemRect(row, CDevicesListCtrl::kUpdateColumn, cell);
        return cell;
    }

    wxFrame* frame_ = nullptr;
    CDevicesListCtrl* list_ = nullptr;
};

TEST_F(DevicesListTest, RowsShowTheTableInOrderWithTextsImagesAndIds) {
    auto& table = list_->Devices();
    table.Upsert(Device(10, 2, 0));
    table.Upsert(Device(-3, 2, 2));
    table.Upsert(Device(30, 0, 6));
    ASSERT_TRUE(Drawn());
    ASSERT_EQ(list_->GetItemCount(), 3);
    table.SetCheckResult(-3, 2, true, L"EUR", L"SN-77");
    Pump();

    EXPECT_EQ(list_->GetItemText(0, 0), L"Q750M1");
    EXPECT_EQ(list_->GetItemText(0, 3), L"Да");
    EXPECT_EQ(list_->GetItemText(0, 4), L"Доступно");
    EXPECT_EQ(list_->GetItemText(1, 1), L"SN-77");
    EXPECT_EQ(list_->GetItemText(1, 2), L"UIN--3");
    EXPECT_EQ(list_->GetItemText(1, 4), L"Не требуется");
    EXPECT_EQ(list_->GetItemText(1, 5), L"EUR");
    EXPECT_EQ(list_->GetItemText(2, 3), L"Нет");
    EXPECT_EQ(list_->GetItemText(2, 4), L"Нет информации");
    EXPECT_EQ(Image(0), 1);
    EXPECT_EQ(Image(1), 0);
    EXPECT_EQ(Image(2), 2);
    EXPECT_EQ(list_->FindItem(-1, static_cast<wxUIntPtr>(-3L)), 1);
    EXPECT_NE(list_->GetImageList(wxIMAGE_LIST_SMALL), nullptr);
    EXPECT_EQ(list_->GetImageList(wxIMAGE_LIST_SMALL)->GetImageCount(), 3);

    // Values outside their sets show empty cells; the image rule still applies.
    table.Upsert(Device(10, 7, 9));
    Pump();
    EXPECT_EQ(list_->GetItemText(0, 3), L"");
    EXPECT_EQ(list_->GetItemText(0, 4), L"");
    EXPECT_EQ(Image(0), 2);

    // Removing a row moves the following ones up; removing all empties the list.
    table.Remove(10);
    ASSERT_TRUE(Drawn());
    EXPECT_EQ(list_->GetItemText(0, 1), L"SN-77");
    table.Remove(-3);
    table.Remove(30);
    ASSERT_TRUE(Drawn());
    EXPECT_EQ(list_->GetItemCount(), 0);
}

TEST_F(DevicesListTest, ColumnsHaveTheirAlignmentAndHeaders) {
    const wxListColumnFormat expected[] = {wxLIST_FORMAT_LEFT,   wxLIST_FORMAT_LEFT,
                                           wxLIST_FORMAT_CENTRE, wxLIST_FORMAT_CENTRE,
                                           wxLIST_FORMAT_CENTRE, wxLIST_FORMAT_CENTRE};
    ASSERT_EQ(list_->GetColumnCount(), 6);
    for (int column = 0; column < 6; ++column) {
        wxListItem item;
        item.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT | wxLIST_MASK_WIDTH);
        ASSERT_TRUE(list_->GetColumn(column, item));
        EXPECT_EQ(item.GetAlign(), expected[column]) << column;
        // An empty list is as wide as its headers.
        EXPECT_GE(item.GetWidth(), list_->GetTextExtent(item.GetText()).x + 20) << column;
        if (column == 4) {
            EXPECT_EQ(item.GetText(), L"Обновление");
        }
    }
}

TEST_F(DevicesListTest, ChangesFromAnotherThreadAreDrawnOnTheUiThread) {
    std::thread writer([this] {
        for (int i = 0; i < 500; ++i) {
            list_->Devices().Upsert(Device(i % 50, 2, i % 7));
        }
        list_->Devices().SetUpdateState(49, 0);
    });
    writer.join();
    ASSERT_TRUE(PumpUntil([this] { return list_->GetItemCount() == 50; }));
    Pump();
    EXPECT_EQ(list_->GetItemText(49, 4), L"Доступно");
}

TEST_F(DevicesListTest, SelectionNamesTheDeviceItsRowShowsEvenBeforeARedraw) {
    auto& table = list_->Devices();
    for (int i = 1; i <= 3; ++i) {
        table.Upsert(Device(i, 2, 0));
    }
    ASSERT_TRUE(Drawn());
    EXPECT_FALSE(list_->SelectedRecord());
    list_->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    ASSERT_EQ(list_->SelectedRecord()->id, 1);

    // The selected device leaves; until the list is drawn again its row still shows it, and no
    // other device may stand in for it.
    table.Remove(1);
    EXPECT_EQ(list_->FirstSelectedRow(), 0);
    EXPECT_FALSE(list_->SelectedRecord());

    // A device above the selected one leaves: the selection still means its own device.
    ASSERT_TRUE(Drawn());
    list_->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    list_->SetItemState(0, 0, wxLIST_STATE_SELECTED);
    ASSERT_EQ(list_->SelectedRecord()->id, 3);
    table.Remove(2);
    ASSERT_TRUE(list_->SelectedRecord());
    EXPECT_EQ(list_->SelectedRecord()->id, 3);
}

TEST_F(DevicesListTest, ColumnsAreSizedFromTheFirst200Rows) {
    const std::wstring longSerial(80, L'W');
    auto& table = list_->Devices();
    std::vector<DeviceInfo> infos;
    for (int i = 1; i <= 300; ++i) {
        DeviceInfo info;
        info.id = i;
        info.connect = 2;
        info.updates = 2;
        info.type = L"Q";
        info.name = L"N";
        infos.push_back(info);
    }
    table.ApplyDeviceList(infos);
    ASSERT_TRUE(Drawn());
    table.SetSerialNo(250, longSerial);  // row 249: beyond the sized rows
    Pump();
    const int longWidth = list_->GetTextExtent(longSerial).x;
    EXPECT_LT(list_->GetColumnWidth(1), longWidth);

    table.SetSerialNo(150, longSerial);  // row 149: counts
    Pump();
    EXPECT_EQ(list_->GetColumnWidth(1), longWidth + CDevicesListCtrl::kColumnPadding);
    // The first column leaves room for the row image.
    table.Upsert([&] {
        DeviceRecord r = *table.FindById(3);
        r.type = std::wstring(60, L'M');
        return r;
    }());
    Pump();
    EXPECT_EQ(list_->GetColumnWidth(0), list_->GetTextExtent(std::wstring(60, L'M')).x +
                                            CDevicesListCtrl::kFirstColumnPadding);
}

TEST_F(DevicesListTest, ProgressBarFollowsItsDeviceRow) {
    auto& table = list_->Devices();
    for (int i = 1; i <= 5; ++i) {
        table.Upsert(Device(i, 2, 0));
    }
    ASSERT_TRUE(Drawn());
    CCellProgressBar* bar = list_->ProgressBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetId(), 291);
    EXPECT_FALSE(list_->IsProgressVisible());

    list_->ShowProgressForDevice(4);
    EXPECT_TRUE(list_->IsProgressVisible());
    EXPECT_EQ(bar->GetRange(), 100);
    EXPECT_EQ(bar->GetValue(), 0);
    EXPECT_EQ(bar->GetRect(), UpdateCell(3));
    list_->SetProgressPosition(40);
    EXPECT_EQ(bar->GetValue(), 40);
    EXPECT_EQ(bar->PercentText(), "40%");
    // The bar draws itself in the colours of its row's selection state.
    EXPECT_FALSE(bar->IsRowSelected());
    list_->SetItemState(3, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    Pump();
    EXPECT_TRUE(bar->IsRowSelected());

    // A row above goes away: the bar moves up with its device.
    table.Remove(2);
    ASSERT_TRUE(Drawn());
    EXPECT_EQ(list_->FindItem(-1, static_cast<wxUIntPtr>(4L)), 2);
    EXPECT_EQ(bar->GetRect(), UpdateCell(2));
    EXPECT_EQ(bar->GetValue(), 40);

    // A wider column before it shifts the cell to the right.
    list_->SetColumnWidth(1, 300);
    Pump();
    EXPECT_EQ(bar->GetRect(), UpdateCell(2));

    // Its device leaves: the bar is hidden.
    table.Remove(4);
    ASSERT_TRUE(Drawn());
    EXPECT_FALSE(list_->IsProgressVisible());

    // A device without a row gets no bar.
    list_->ShowProgressForDevice(77);
    EXPECT_FALSE(list_->IsProgressVisible());
}

TEST_F(DevicesListTest, ProgressBarFollowsScrollingAndStaysBelowTheHeader) {
    auto& table = list_->Devices();
    for (int i = 1; i <= 60; ++i) {
        table.Upsert(Device(i, 2, 0));
    }
    ASSERT_TRUE(Drawn());
    list_->ShowProgressForDevice(3);
    CCellProgressBar* bar = list_->ProgressBar();
    const wxRect before = bar->GetRect();
    ASSERT_GT(before.height, 0);
    const int rowHeight = before.height;
    const int headerBottom = before.y;  // row 2 is fully below the header at the start

    // Two rows up: the bar moves with its row.
    list_->ScrollList(0, 2 * rowHeight);
    Pump();
    EXPECT_EQ(bar->GetRect(), UpdateCell(2));
    EXPECT_LT(bar->GetRect().y, before.y);

    // Its row scrolled away above: the bar shrinks to nothing instead of covering the header.
    list_->ScrollList(0, 20 * rowHeight);
    Pump();
    const wxRect hidden = bar->GetRect();
    EXPECT_EQ(hidden.height, 0);
    EXPECT_LT(hidden.y, headerBottom);
    EXPECT_EQ(hidden.GetBottom(), UpdateCell(2).GetBottom());

    // Back to the top: over its cell again.
    list_->ScrollList(0, -100 * rowHeight);
    Pump();
    EXPECT_EQ(bar->GetRect(), before);
}

}  // namespace
}  // namespace vorn
