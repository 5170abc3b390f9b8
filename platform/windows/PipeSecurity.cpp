#include "platform/windows/WindowsApi.h"
// windows.h first
#include <sddl.h>

#include "platform/windows/PipeSecurity.h"

#include <cstdlib>
#include <vector>

#ifndef PIPE_REJECT_REMOTE_CLIENTS
#define PIPE_REJECT_REMOTE_CLIENTS 0x00000008
#endif

namespace vorn::platform {

namespace {

// The string form of the user the process runs as, or empty.
std::wstring CurrentUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    std::wstring result;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        wchar_t* text = nullptr;
        if (::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid,
                                     &text)) {
            result = text;
            ::LocalFree(text);
        }
    }
    ::CloseHandle(token);
    return result;
}

PipeSecurity& ProgramPipeSecurity() {
    static PipeSecurity security;
    return security;
}

}  // namespace

std::wstring WidenUtf8(std::string_view text) {
    if (text.empty() || text.size() > 0x7FFFFFFF) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int wide = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (wide <= 0) {
        return {};
    }
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), wide);
    return out;
}

std::wstring PipePath(std::string_view name) {
    std::string path = "\\\\.\\pipe\\";
    if (const char* ns = std::getenv("VORN_PIPE_NS")) {
        path += ns;
    }
    path += name;
    return WidenUtf8(path);
}

PipeSecurity::PipeSecurity() {
    const std::wstring user = CurrentUserSid();
    if (user.empty()) {
        return;
    }
    // Protected list (nothing inherited): network logons denied first, then full access for the
    // system, the administrators and this user; everyone else has no entry and so no access.
    const std::wstring sddl = L"D:P(D;;GA;;;NU)(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;" + user + L")";
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                &descriptor_, nullptr)) {
        descriptor_ = nullptr;
        return;
    }
    attributes_.nLength = sizeof(attributes_);
    attributes_.lpSecurityDescriptor = descriptor_;
    attributes_.bInheritHandle = FALSE;  // never passed on to the processes we start
}

PipeSecurity::~PipeSecurity() {
    if (descriptor_) {
        ::LocalFree(descriptor_);
    }
}

HANDLE CreatePipeInstance(const std::wstring& path, bool first, DWORD bufferBytes) {
    SECURITY_ATTRIBUTES* security = ProgramPipeSecurity().attributes();
    if (security == nullptr) {
        ::SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return INVALID_HANDLE_VALUE;
    }
    if (first) {
        // The first-instance flag alone is not honoured everywhere (Wine ignores it): a name that
        // has an instance, free or busy, is taken. The flag still closes the gap between this
        // look and the creation where the system honours it.
        if (::WaitNamedPipeW(path.c_str(), 1) || ::GetLastError() == ERROR_SEM_TIMEOUT) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    const DWORD openMode =
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    const DWORD pipeMode =
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
    return ::CreateNamedPipeW(path.c_str(), openMode, pipeMode, PIPE_UNLIMITED_INSTANCES,
                              bufferBytes, bufferBytes, 1000, security);
}

IoWait WaitForIo(HANDLE handle, OVERLAPPED& overlapped, HANDLE stop, DWORD timeoutMs,
                 DWORD& transferred, DWORD& error) {
    const HANDLE handles[2] = {overlapped.hEvent, stop};
    const DWORD waited =
        ::WaitForMultipleObjects(stop != nullptr ? 2 : 1, handles, FALSE, timeoutMs);
    IoWait outcome = IoWait::Failed;
    if (waited == WAIT_OBJECT_0) {
        outcome = IoWait::Done;
    } else if (stop != nullptr && waited == WAIT_OBJECT_0 + 1) {
        outcome = IoWait::Stopped;
    } else if (waited == WAIT_TIMEOUT) {
        outcome = IoWait::TimedOut;
    }
    if (outcome != IoWait::Done) {
        ::CancelIoEx(handle, &overlapped);
    }
    // The I/O must be over before its buffer and OVERLAPPED go away, cancelled or not.
    transferred = 0;
    if (::GetOverlappedResult(handle, &overlapped, &transferred, TRUE)) {
        error = ERROR_SUCCESS;
        return IoWait::Done;
    }
    error = ::GetLastError();
    if (error != ERROR_OPERATION_ABORTED) {
        return IoWait::Done;  // completed, with an error of its own, before the cancel took
    }
    return outcome == IoWait::Done ? IoWait::Failed : outcome;
}

}  // namespace vorn::platform
