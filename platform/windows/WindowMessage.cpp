#include "platform/windows/WindowsApi.h"

#include "platform/WindowMessage.h"

#include <algorithm>

#include "platform/windows/PipeSecurity.h"

namespace vorn::platform {

CopyDataResult SendCopyData(std::string_view windowTitle, std::uint32_t tag, std::string_view bytes,
                            std::chrono::milliseconds timeout) {
    const std::wstring title = WidenUtf8(windowTitle);
    const HWND window = ::FindWindowW(nullptr, title.c_str());
    if (window == nullptr) {
        return CopyDataResult::NoWindow;
    }
    if (bytes.size() > MAXDWORD) {
        return CopyDataResult::Failed;
    }
    COPYDATASTRUCT data{};
    data.dwData = 0;
    data.cbData = static_cast<DWORD>(bytes.size());
    // The system copies the bytes into the receiver; it never writes through this pointer.
    data.lpData = const_cast<char*>(bytes.data());
    DWORD_PTR answer = 0;
    const auto ms = static_cast<UINT>(std::clamp<long long>(timeout.count(), 0, 0x7FFFFFFF));
    const LRESULT sent = ::SendMessageTimeoutW(window, WM_COPYDATA, static_cast<WPARAM>(tag),
                                               reinterpret_cast<LPARAM>(&data),
                                               SMTO_BLOCK | SMTO_ABORTIFHUNG, ms, &answer);
    if (sent == 0) {
        return CopyDataResult::Failed;
    }
    return answer == 1 ? CopyDataResult::Taken : CopyDataResult::Failed;
}

}  // namespace vorn::platform
