// What reaches the running program from outside on Windows: a second start's message 1131 to
// the window it found by title, and the termination event of RequestTermination; both arrive on
// the UI thread.

#include <gtest/gtest.h>

#include "platform/windows/WindowsApi.h"

#include <wx/frame.h>

#include <string>

#include "platform/SingleInstance.h"
#include "platform/ThisProcess.h"
#include "platform/ui/OutsideRequests.h"
#include "support/UiPump.h"

namespace vorn::platform {
namespace {

using namespace std::chrono_literals;

// The system's own loop for `time`, as the program's main loop runs it. Under Wine the toolkit's
// yield, which a test uses elsewhere, leaves posted application messages in the queue; the
// installed program's test shows them reaching the window through the real loop.
void RunSystemLoop(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::Sleep(5);
    }
}

class OutsideRequests : public ::testing::Test {
protected:
    void TearDown() override {
        StopActivationMessages(frame_);
        frame_->Destroy();
    }
    const std::wstring title_ = L"Outside requests " + std::to_wstring(::GetCurrentProcessId());
    wxFrame* frame_ = new wxFrame(nullptr, wxID_ANY, title_);
};

TEST_F(OutsideRequests, TheActivationMessageFromASecondStartReachesTheWindow) {
    int activations = 0;
    ReceiveActivationMessages(frame_, [&] { ++activations; });
    const auto window = static_cast<HWND>(frame_->GetHWND());

    // The second start finds the window by its exact title, as Vorn_Update does.
    ASSERT_TRUE(SingleInstance("Local\\OutsideRequestsTest").SendActivation(title_));
    RunSystemLoop(300ms);
    EXPECT_EQ(activations, 1);
    // Only the message with its zero parameters counts; anything else goes to the window.
    ::PostMessageW(window, WM_USER + 107, 1, 0);
    ::PostMessageW(window, WM_USER + 106, 0, 0);
    RunSystemLoop(200ms);
    EXPECT_EQ(activations, 1);
    // A window that no longer listens is left alone.
    StopActivationMessages(frame_);
    ::PostMessageW(window, WM_USER + 107, 0, 0);
    RunSystemLoop(200ms);
    EXPECT_EQ(activations, 1);
    EXPECT_FALSE(SingleInstance("Local\\OutsideRequestsTest").SendActivation(L"no such title"));
}

TEST_F(OutsideRequests, EveryTerminationRequestEndsOnTheUiThreadUntilStopped) {
    const auto uiThread = ::GetCurrentThreadId();
    int ends = 0;
    bool onUiThread = true;
    ReceiveEndRequests([&] {
        ++ends;
        onUiThread = onUiThread && ::GetCurrentThreadId() == uiThread;
    });
    for (int request = 1; request <= 2; ++request) {
        ASSERT_TRUE(RequestTermination(CurrentProcessId()));
        EXPECT_TRUE(test::PumpUntil([&] { return ends == request; }, 5s)) << request;
    }
    EXPECT_TRUE(onUiThread);
    // Stopping ends the waiting thread at once.
    const auto before = std::chrono::steady_clock::now();
    StopEndRequests();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
}

}  // namespace
}  // namespace vorn::platform
