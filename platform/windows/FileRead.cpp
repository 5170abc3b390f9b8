#include "platform/FileRead.h"

#include "platform/windows/WindowsApi.h"

namespace vorn::platform {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::size_t maxBytes) {
    // Others may go on reading, writing or replacing the file while it is read.
    HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    if (::GetFileType(handle) == FILE_TYPE_DISK) {
        std::string text;
        char buffer[16384];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
                break;
            }
            if (got == 0) {
                result = std::move(text);
                break;
            }
            text.append(buffer, got);
            if (text.size() > maxBytes) {
                break;
            }
        }
    }
    ::CloseHandle(handle);
    return result;
}

bool IsMissingFile(const std::filesystem::path& file) {
    if (::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace vorn::platform
