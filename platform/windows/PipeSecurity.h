#pragma once

// Windows-only helpers shared by the named-pipe code of platform/windows. Include after
// <windows.h>.

#include <string>
#include <string_view>

namespace vorn::platform {

// UTF-8 to the system's wide text (invalid bytes become U+FFFD).
std::wstring WidenUtf8(std::string_view text);

// \\.\pipe\ + VORN_PIPE_NS + name, as the wide string the system takes.
std::wstring PipePath(std::string_view name);

// The security descriptor of every pipe this program serves: full access for the local system
// account, the administrators and the user running the program, nothing for anyone else, and
// network logons refused outright. Owns the descriptor; attributes() is null when it could not
// be built (the caller then does not serve at all rather than serve unprotected).
class PipeSecurity {
public:
    PipeSecurity();
    ~PipeSecurity();
    PipeSecurity(const PipeSecurity&) = delete;
    PipeSecurity& operator=(const PipeSecurity&) = delete;

    SECURITY_ATTRIBUTES* attributes() { return descriptor_ ? &attributes_ : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

// Creates one instance of a message-mode pipe for overlapped I/O with the program's security
// and remote clients refused. `first` asks that no instance of the name exist yet.
HANDLE CreatePipeInstance(const std::wstring& path, bool first, DWORD bufferBytes);

// Waits for overlapped I/O on `handle` to complete, for the stop signal (may be null) or for
// the deadline (none: for ever). On stop or deadline the I/O is cancelled; if it completed in
// the meantime its result is still returned. Returns the wait's outcome; `transferred` and
// `error` (ERROR_SUCCESS when the I/O succeeded) describe the I/O when it completed.
enum class IoWait { Done, Stopped, TimedOut, Failed };
IoWait WaitForIo(HANDLE handle, OVERLAPPED& overlapped, HANDLE stop, DWORD timeoutMs,
                 DWORD& transferred, DWORD& error);

}  // namespace vorn::platform
