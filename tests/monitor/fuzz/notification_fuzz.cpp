// Fuzz target for notification handling: the input is a run of notifications separated by NUL
// bytes, each handled in turn (and its beginning also as that of a refused one) at a window that
// only records what it is asked to do, so that the device table carries state from one to the
// next. A fresh window for each input: state kept across inputs would look like a leak to the
// fuzzer and make it check for leaks at every input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <string_view>

#include "monitor/NotificationHandler.h"
#include "tests/monitor/RecordingWindow.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorn::test::RecordingWindow window;
    window.selected = 1;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (int handled = 0; handled < 16 && !rest.empty(); ++handled) {
        const std::size_t end = rest.find('\0');
        const std::string text(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        vorn::HandleNotification(text, window);
        vorn::HandleRefusedNotification(text, window);
    }
    // Every position the bar was given is a percentage, whatever the agent sent.
    for (const std::wstring& call : window.calls) {
        if (call.rfind(L"bar ", 0) == 0) {
            const long position = std::wcstol(call.c_str() + 4, nullptr, 10);
            if (position < 0 || position > 100) {
                std::abort();
            }
        }
    }
    return 0;
}
