#include "platform/ThisProcess.h"

#include "platform/windows/TerminationEvent.h"
#include "platform/windows/WindowsApi.h"
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/TextConversion.h"

namespace vorn::platform {

ProcessId CurrentProcessId() {
    return ::GetCurrentProcessId();
}

std::uint64_t CurrentThreadId() {
    return ::GetCurrentThreadId();
}

void LowerCurrentThreadPriority() {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

namespace {

// The event another process sets to ask process `id` to end; only our own programs make one.
std::wstring TerminationEventName(ProcessId id) {
    return L"Local\\VornTerminate-" + std::to_wstring(id);
}

BOOL WINAPI OnConsoleControl(DWORD /*kind*/) {
    // Every kind (Ctrl+C, Ctrl+Break, close, log-off, shutdown) asks for the same orderly end.
    ::SetEvent(TerminationEvent());
    return TRUE;
}

}  // namespace

// Manual-reset, so that a request that came before the wait is not lost.
HANDLE TerminationEvent() {
    static HANDLE event =
        ::CreateEventW(nullptr, TRUE, FALSE, TerminationEventName(CurrentProcessId()).c_str());
    return event;
}

void TakeTerminationRequests() {
    TerminationEvent();
    // A parent that started this process with Ctrl+C ignored passes that on; take it back.
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

std::vector<std::string> CommandLineArguments(int /*argc*/, char** /*argv*/) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (words == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.push_back(WideToUtf8(words[i]));
    }
    ::LocalFree(words);
    return arguments;
}

void UseBinaryStandardStreams() {
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool RequestTermination(ProcessId process) {
    if (HANDLE event =
            ::OpenEventW(EVENT_MODIFY_STATE, FALSE, TerminationEventName(process).c_str())) {
        const bool set = ::SetEvent(event) != 0;
        ::CloseHandle(event);
        return set;
    }
    return ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(process)) != 0;
}

void WaitForTerminationRequest() {
    ::WaitForSingleObject(TerminationEvent(), INFINITE);
}

}  // namespace vorn::platform
