#include "support/ChildProcess.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/TextConversion.h"

namespace vorn::test {

namespace {

// One command-line word as the C runtime splits it again: quoted, with backslashes doubled
// before a quote.
std::wstring Quoted(const std::wstring& word) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args,
                           const std::filesystem::path& output) {
    std::wstring commandLine = Quoted(program.wstring());
    for (const auto& arg : args) {
        commandLine += L" " + Quoted(platform::Utf8ToWide(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        file = ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = file;
        startup.hStdError = file;
    }
    PROCESS_INFORMATION info{};
    // A group of its own, so that Ctrl+Break reaches it and not the test.
    started_ = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                file != INVALID_HANDLE_VALUE, CREATE_NEW_PROCESS_GROUP, nullptr,
                                nullptr, &startup, &info) != 0;
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    if (started_) {
        ::CloseHandle(info.hThread);
        handle_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

ChildProcess::~ChildProcess() {
    if (handle_ != nullptr) {
        Terminate();
    }
}

int ChildProcess::Terminate(std::chrono::milliseconds limit) {
    if (handle_ == nullptr) {
        return -1;
    }
    ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(id_));
    return WaitExit(limit);
}

int ChildProcess::WaitExit(std::chrono::milliseconds limit) {
    if (handle_ == nullptr) {
        return -1;
    }
    int result = -1;
    if (::WaitForSingleObject(handle_, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0) {
        DWORD code = 0;
        ::GetExitCodeProcess(handle_, &code);
        result = static_cast<int>(code);
    } else {
        ::TerminateProcess(handle_, 1);  // only a hung program of the test's own making
        ::WaitForSingleObject(handle_, INFINITE);
    }
    ::CloseHandle(handle_);
    handle_ = nullptr;
    id_ = -1;
    return result;
}

}  // namespace vorn::test
