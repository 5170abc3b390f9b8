#include "platform/ui/windows/DriveVolumeWatcher.h"

#include <dbt.h>

#include <array>
#include <cwctype>

#include "platform/TextConversion.h"
#include "platform/ui/DesktopVolumes.h"

namespace vorn::platform {

namespace {

constexpr wchar_t kWindowClass[] = L"VornDriveWatcher";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kPeriodMs = 1000;
// The file-system name buffer of a volume query: MAX_PATH characters and the terminator.
constexpr DWORD kNameChars = MAX_PATH + 1;

std::wstring RootOf(char letter) {
    return {static_cast<wchar_t>(letter), L':', L'\\'};
}

// GetVolumeInformationW for one of its two names; empty when the query fails (no medium, a
// drive being removed).
std::string VolumeText(char letter, bool fileSystem) {
    std::array<wchar_t, kNameChars> name{};
    const std::wstring root = RootOf(letter);
    // No message box for a drive without a medium.
    const UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    const BOOL ok = fileSystem ? ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr,
                                                         nullptr, name.data(), kNameChars)
                               : ::GetVolumeInformationW(root.c_str(), name.data(), kNameChars,
                                                         nullptr, nullptr, nullptr, nullptr, 0);
    ::SetErrorMode(previous);
    return ok ? WideToUtf8(name.data()) : std::string();
}

ATOM RegisterWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ::DefWindowProcW;  // replaced per window below
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return ::RegisterClassExW(&windowClass);
    }();
    return atom;
}

}  // namespace

DriveVolumeWatcher::Drives DriveVolumeWatcher::SystemDrives() {
    Drives drives;
    drives.mask = [] { return static_cast<std::uint32_t>(::GetLogicalDrives()); };
    drives.type = [](char letter) { return ::GetDriveTypeW(RootOf(letter).c_str()); };
    drives.fileSystem = [](char letter) { return VolumeText(letter, true); };
    drives.label = [](char letter) { return VolumeText(letter, false); };
    return drives;
}

DriveVolumeWatcher::DriveVolumeWatcher(Drives drives) : drives_(std::move(drives)) {}

DriveVolumeWatcher::~DriveVolumeWatcher() {
    Stop();
}

void DriveVolumeWatcher::Start(Callback added, Callback removed) {
    Stop();
    added_ = std::move(added);
    removed_ = std::move(removed);
    known_ = drives_.mask();
    if (RegisterWindowClass() == 0) {
        return;
    }
    // A hidden top-level window: broadcasts never reach message-only windows.
    window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr) {
        return;
    }
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure));
    ::SetTimer(window_, kTimerId, kPeriodMs, nullptr);
}

void DriveVolumeWatcher::Stop() {
    if (window_ != nullptr) {
        ::KillTimer(window_, kTimerId);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
        window_ = nullptr;
    }
    added_ = nullptr;
    removed_ = nullptr;
}

std::string DriveVolumeWatcher::FileSystemType(const std::filesystem::path& mountPoint) {
    const std::wstring root = mountPoint.wstring();
    if (root.size() < 2 || root[1] != L':' || !std::iswalpha(root[0])) {
        return {};
    }
    return drives_.fileSystem(static_cast<char>(std::towupper(root[0])));
}

MountedVolume DriveVolumeWatcher::Describe(char letter) const {
    MountedVolume volume;
    volume.driveLetter = letter;
    volume.mountPoint = RootOf(letter);
    volume.name = drives_.label ? drives_.label(letter) : std::string();
    return volume;
}

void DriveVolumeWatcher::Rescan() {
    if (window_ == nullptr || reporting_) {
        return;
    }
    const std::uint32_t now = drives_.mask();
    const std::uint32_t changed = now ^ known_;
    known_ = now;
    reporting_ = true;
    for (int index = 0; index < 26 && window_ != nullptr; ++index) {
        const std::uint32_t bit = std::uint32_t{1} << index;
        if ((changed & bit) == 0) {
            continue;
        }
        const char letter = static_cast<char>('A' + index);
        const bool appeared = (now & bit) != 0;
        // A mapped network share is no disk to plug in. Removals are all reported (the type
        // of a letter that has gone cannot be asked); a watcher's owner ignores letters it
        // never took.
        if (appeared && drives_.type(letter) == DRIVE_REMOTE) {
            continue;
        }
        const Callback& callback = appeared ? added_ : removed_;
        if (callback) {
            // The callback may stop the watcher (a dialog closing); a copy outlives that.
            const Callback call = callback;
            call(Describe(letter));
        }
    }
    reporting_ = false;
}

LRESULT CALLBACK DriveVolumeWatcher::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                     LPARAM lParam) {
    auto* self = reinterpret_cast<DriveVolumeWatcher*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        if (message == WM_TIMER && wParam == kTimerId) {
            self->Rescan();
            return 0;
        }
        if (message == WM_DEVICECHANGE &&
            (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
            self->Rescan();
            return TRUE;
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

std::unique_ptr<VolumeWatcher> CreateDesktopVolumeWatcher() {
    return std::make_unique<DriveVolumeWatcher>();
}

}  // namespace vorn::platform
