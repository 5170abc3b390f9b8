// What goes to another program's window by its title: the activation of the first instance and
// the log record by WM_COPYDATA. Needs a desktop, so it runs with the window tests.
#include "platform/windows/WindowsApi.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/SingleInstance.h"
#include "platform/WindowMessage.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

using namespace std::chrono_literals;

// What the test window received, and what it answers to WM_COPYDATA.
struct Received {
    WPARAM tag = 0;
    ULONG_PTR type = 99;
    std::string bytes;
    LRESULT answer = 1;
};
Received* g_received = nullptr;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA && g_received != nullptr) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        g_received->tag = wParam;
        g_received->type = data->dwData;
        g_received->bytes.assign(static_cast<const char*>(data->lpData), data->cbData);
        return g_received->answer;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A top-level window of the given title, on this thread.
class TestWindow {
public:
    explicit TestWindow(const wchar_t* title) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = TestWindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VornWindowMessageTest";
        ::RegisterClassW(&windowClass);
        window_ = ::CreateWindowExW(0, windowClass.lpszClassName, title, 0, 0, 0, 10, 10, nullptr,
                                    nullptr, windowClass.hInstance, nullptr);
    }
    ~TestWindow() {
        if (window_) {
            ::DestroyWindow(window_);
        }
    }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

TEST(WindowMessages, ActivationIsPostedToTheWindowOfThatTitle) {
    test::PrivatePipeNamespace ns;
    const wchar_t* title = L"Vorn Update activation test window";
    TestWindow window(title);
    ASSERT_NE(window.get(), nullptr);
    SingleInstance instance;
    EXPECT_TRUE(instance.SendActivation(title));
    MSG message{};
    ASSERT_TRUE(::PeekMessageW(&message, window.get(), 1131, 1131, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_EQ(message.lParam, 0);
    EXPECT_FALSE(instance.SendActivation(L"no window has this title"));
}

// The record arrives with its tag, as type 0, byte for byte; only an answer of 1 is taken.
TEST(WindowMessages, CopyDataIsTakenOnlyWhenTheWindowAnswersOne) {
    struct Case {
        LRESULT answer;
        CopyDataResult expected;
    };
    const Case cases[] = {
        {1, CopyDataResult::Taken}, {0, CopyDataResult::Failed}, {2, CopyDataResult::Failed}};
    const wchar_t* title = L"_grey_wick_test_window";
    TestWindow window(title);
    ASSERT_NE(window.get(), nullptr);
    Received received;
    g_received = &received;
    const std::string record("<command id=\"Warning\">\r\n\t<message val=\"\xD0\x96\" />\0x", 46);
    for (const Case& c : cases) {
        received = Received{};
        received.answer = c.answer;
        EXPECT_EQ(SendCopyData("_grey_wick_test_window", 7, record, 1000ms), c.expected);
        EXPECT_EQ(received.tag, 7u);
        EXPECT_EQ(received.type, 0u);
        EXPECT_EQ(received.bytes, record);
    }
    g_received = nullptr;
    EXPECT_EQ(SendCopyData("_grey_wick_no_such_window", 0, record, 1000ms),
              CopyDataResult::NoWindow);
}

}  // namespace
}  // namespace vorn::platform
