// Vorn_Update.exe as the setup installed it, beside a recording AgentZelt.exe of the same
// folder, over the real named pipes; keys go in as the system's own input. Run by
// installed_program_test.sh in a Wine prefix of its own, after a silent install; it names the
// program folder (VORN_INSTALLED_DIR) and the screenshot file (VORN_SCREENSHOT_FILE).

#include "platform/windows/WindowsApi.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "agent/AgentProtocol.h"
#include "platform/TextConversion.h"
#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vorn::test::ChildProcess;
using vorn::test::WaitFor;

constexpr wchar_t kTitle[] = L"Vorn Update v2.2.1.2293";

fs::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? fs::path(vorn::platform::Utf8ToWide(value)) : fs::path();
}

HWND MainWindow() {
    return ::FindWindowW(nullptr, kTitle);
}

// The device list: the first report-style list view inside the window.
HWND DeviceList(HWND window) {
    HWND found = nullptr;
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM result) -> BOOL {
            wchar_t name[64] = {};
            ::GetClassNameW(child, name, 64);
            if (std::wstring(name) == WC_LISTVIEWW) {
                *reinterpret_cast<HWND*>(result) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

int Rows(HWND window) {
    const HWND list = DeviceList(window);
    return list != nullptr ? static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

// Ctrl+Q as the keyboard gives it, to the window in front.
void PressCtrlQ(HWND window) {
    ::SetForegroundWindow(window);
    std::vector<INPUT> keys(4);
    for (auto& key : keys) {
        key.type = INPUT_KEYBOARD;
    }
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = 'Q';
    keys[2].ki.wVk = 'Q';
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// What the screen shows of the window, as a PNG file.
bool SaveScreenshot(HWND window, const fs::path& file) {
    RECT rect{};
    if (!::GetWindowRect(window, &rect)) {
        return false;
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    wxBitmap bitmap(width, height, 24);
    {
        wxScreenDC screen;
        wxMemoryDC memory(bitmap);
        memory.Blit(0, 0, width, height, &screen, rect.left, rect.top);
    }
    fs::create_directories(file.parent_path());
    wxImage::AddHandler(new wxPNGHandler);
    return bitmap.ConvertToImage().SaveFile(file.wstring(), wxBITMAP_TYPE_PNG);
}

class InstalledProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.empty()) << "VORN_INSTALLED_DIR names the installed program folder";
        ASSERT_TRUE(fs::exists(folder_ / "Vorn_Update.exe")) << folder_;
        vorn::test::WriteFileBytes(script_,
                                   "wait 1500\n<devarrival id=\"3\" connect=\"1\" updates=\"1\" "
                                   "type=\"Q200M1\" name=\"020100003\" msgtype=\"0\" "
                                   "message=\"\"/>\n");
        // The simulator takes the pipe first; the agent the program starts finds it taken and
        // ends, so this one sees every request.
        agent_ = std::make_unique<ChildProcess>(
            folder_ / "AgentZelt.exe",
            std::vector<std::string>{"--script", vorn::platform::WideToUtf8(script_.wstring()),
                                     "--devices", "2", "--record",
                                     vorn::platform::WideToUtf8(record_.wstring())});
        ASSERT_TRUE(agent_->started());
        const std::wstring pipe = L"\\\\.\\pipe\\" + vorn::platform::Utf8ToWide(ns_.name()) +
                                  vorn::platform::Utf8ToWide(std::string(vorn::kRequestPipeName));
        ASSERT_TRUE(WaitFor([&] { return ::WaitNamedPipeW(pipe.c_str(), 0) != FALSE; }, 20s))
            << "the simulator never served its pipe";
    }

    int Count(const std::string& request) const {
        const std::string text = vorn::test::ReadFileBytes(record_);
        int n = 0;
        for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos;
             at = end + 1) {
            n += text.compare(at, end - at, request) == 0 ? 1 : 0;
        }
        return n;
    }

    vorn::test::TempDir temp_;
    vorn::test::PrivatePipeNamespace ns_;
    fs::path folder_ = FromEnvironment("VORN_INSTALLED_DIR");
    fs::path script_ = temp_.path() / "script.txt";
    fs::path record_ = temp_.path() / "requests.txt";
    std::unique_ptr<ChildProcess> agent_;
};

TEST_F(InstalledProgram, ServesTheAgentComesBackOnASecondStartAndExitsOnCtrlQ) {
    ChildProcess program(folder_ / "Vorn_Update.exe", {});
    ASSERT_TRUE(program.started());

    // The first request over the real pipe, and the device list filled from the reply.
    ASSERT_TRUE(WaitFor([&] { return Count("<getalldevinfo/>") >= 1; }, 60s))
        << vorn::test::ReadFileBytes(record_);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = MainWindow()) != nullptr; }, 30s));
    EXPECT_FALSE(::IsWindowVisible(window)) << "the window starts in the tray";
    // The script's arrival comes over the event pipe and adds a row.
    EXPECT_TRUE(WaitFor([&] { return Rows(window) == 3; }, 30s)) << Rows(window);

    // A second start ends at once and brings the first one's window back, which then asks
    // for the software version.
    const int versionsBefore = Count("<get_actual_software_version/>");
    ChildProcess second(folder_ / "Vorn_Update.exe", {});
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.WaitExit(20s), 0);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }, 20s));
    EXPECT_TRUE(
        WaitFor([&] { return Count("<get_actual_software_version/>") > versionsBefore; }, 20s));

    const fs::path shot = FromEnvironment("VORN_SCREENSHOT_FILE");
    if (!shot.empty()) {
        std::this_thread::sleep_for(1s);  // the window's first paint
        EXPECT_TRUE(SaveScreenshot(window, shot)) << shot;
    }

    // Ctrl+Q is the tray menu's Exit: one <quit/> to the agent, then the program ends.
    // Pressed again only if the keys were lost on their way (no window in front yet).
    for (int attempt = 0; attempt < 3 && Count("<quit/>") == 0; ++attempt) {
        PressCtrlQ(window);
        WaitFor([&] { return Count("<quit/>") >= 1; }, 10s);
    }
    EXPECT_EQ(program.WaitExit(20s), 0);
    EXPECT_EQ(Count("<quit/>"), 1);
    EXPECT_EQ(MainWindow(), nullptr);
}

}  // namespace
