#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include <wx/app.h>
#include <wx/gauge.h>
#include <wx/image.h>

#include "agent/AgentEventPipe.h"
#include "agent/AgentProtocol.h"
#include "main_window_test_support.h"
#include "monitor/DeviceTable.h"
#include "monitor/ui/CDevicesListCtrl.h"
#include "monitor/mainwindow/CUpdateCtrlDlg.h"
#include "platform/LocalPipe.h"
#include "platform/ui/DesktopTray.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;
using test::Notify;
using test::PumpUntil;

TEST(MainWindowScreenshot, ThreeDevicesOneOfThemWritingFirmware) {
    test::TempDir registry;
    test::ScopedEnv registryEnv("VORN_REGISTRY_DIR", registry.path().string());
    test::PrivatePipeNamespace pipes;
    test::FakeAgent agent;
    agent.Reply(
        "<getalldevinfo/>",
        "<devices>"
        "<device id=\"11\" connect=\"2\" updates=\"2\" type=\"Q750M1\" name=\"7741-0093-1185\"/>"
        "<device id=\"12\" connect=\"2\" updates=\"0\" type=\"Q200M1\" name=\"7741-0102-3310\"/>"
        "<device id=\"13\" connect=\"0\" updates=\"6\" type=\"Q750M1\" name=\"7741-0093-2051\"/>"
        "</devices>");
    platform::DesktopTray::OverrideAvailability(false);
    auto* window = new CUpdateCtrlDlg(false);
    window->SetSize(wxSize(860, 420));
    window->Move(20, 20);
    ASSERT_TRUE(PumpUntil([&] { return window->List().GetItemCount() == 3; }));

    Notify(
        "<hasfwupdate phase=\"end\" id=\"11\" state=\"2\" allowScanning=\"1\" "
        "serialno=\"QN7500931185\" attributeName=\"RUB/EUR\" message=\"\" msgtype=\"0\"/>");
    Notify(
        "<hasfwupdate phase=\"end\" id=\"12\" state=\"0\" allowScanning=\"0\" "
        "serialno=\"QN2001023310\" attributeName=\"RUB\" message=\"\" msgtype=\"0\"/>");
    Notify("<check_update_time last=\"1765170000\" next=\"1765256400\"/>");
    Notify(
        "<taskprocess id=\"12\" taskname=\"downloadfw\" phase=\"begin\" progress=\"0\" "
        "msgtype=\"0\" message=\"\"/>");
    Notify(
        "<taskprocess id=\"12\" taskname=\"downloadfw\" phase=\"end\" progress=\"1\" "
        "msgtype=\"0\" message=\"\"/>");
    Notify(
        "<taskprocess id=\"12\" taskname=\"updatefw\" phase=\"begin\" progress=\"0\" "
        "msgtype=\"0\" message=\"\"/>");
    Notify(
        "<taskprocess id=\"12\" taskname=\"updatefw\" phase=\"inprogress\" progress=\"0.4\" "
        "msgtype=\"0\" message=\"Запись прошивки в устройство 7741-0102-3310\"/>");
    ASSERT_TRUE(PumpUntil([&] {
        return window->List().IsProgressVisible() &&
               window->List().ProgressBar()->GetValue() == 70 && window->IsTaskRunning();
    }));
    window->Raise();
    PumpUntil([] { return false; }, 500ms);

    const std::filesystem::path folder =
        std::filesystem::path(VORN_SOURCE_DIR) / "build" / "screenshots";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "main-window.png";
    std::filesystem::remove(file);
    const wxRect rect = window->GetScreenRect();
    const std::string command = "import -window root -crop " + std::to_string(rect.width) + "x" +
                                std::to_string(rect.height) + "+" + std::to_string(rect.x) + "+" +
                                std::to_string(rect.y) + " '" + file.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    wxInitAllImageHandlers();
    wxImage shot(file.string(), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(shot.IsOk());
    EXPECT_EQ(shot.GetWidth(), rect.width);
    EXPECT_EQ(shot.GetHeight(), rect.height);
    // The bar lies over the update cell of the second row: its filled part has the theme's
    // selection colour, which neither the text nor the list's background has.
    wxGauge* bar = window->List().ProgressBar();
    const wxRect barRect(bar->GetScreenPosition() - rect.GetPosition(), bar->GetSize());
    const wxColour list = window->List().GetBackgroundColour();
    int drawn = 0;
    for (int y = barRect.y; y < barRect.GetBottom(); ++y) {
        for (int x = barRect.x; x < barRect.x + barRect.width * 7 / 10; ++x) {
            const wxColour pixel(shot.GetRed(x, y), shot.GetGreen(x, y), shot.GetBlue(x, y));
            if (pixel != list && pixel.Blue() > pixel.Red() + 60) {
                ++drawn;
            }
        }
    }
    EXPECT_GT(drawn, barRect.width / 2);

    delete window;
    platform::DesktopTray::OverrideAvailability(std::nullopt);
}

}  // namespace
}  // namespace vorn
