#include "support/ChildProcess.h"

#include "platform/windows/WindowsApi.h"

#include "platform/TextConversion.h"
#include "platform/ThisProcess.h"

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
                           const std::filesystem::path& output,
                           const std::filesystem::path& input) {
    std::filesystem::path executable = program;
    if (!executable.has_extension()) {
        executable += ".exe";
    }
    std::wstring commandLine = Quoted(executable.wstring());
    for (const auto& arg : args) {
        commandLine += L" " + Quoted(platform::Utf8ToWide(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE source = INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!output.empty() || !input.empty()) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    }
    if (!output.empty()) {
        file = ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        startup.hStdOutput = file;
        startup.hStdError = file;
    }
    if (!input.empty()) {
        source = ::CreateFileW(input.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        startup.hStdInput = source;
    }
    PROCESS_INFORMATION info{};
    // A group of its own, so that Ctrl+Break reaches it and not the test.
    started_ = ::CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr,
                                startup.dwFlags != 0, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                                &startup, &info) != 0;
    for (HANDLE handle : {file, source}) {
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
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
    platform::RequestTermination(id_);
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
