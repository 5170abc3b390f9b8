#include "platform/windows/WindowsApi.h"

#include <chrono>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

#include "platform/RegistryBackend.h"
#include "platform/TextConversion.h"

namespace vorn::platform {

namespace {

constexpr auto kLockWait = std::chrono::seconds(10);
// A value larger than this is not one of ours and is not read.
constexpr DWORD kMaxValueBytes = 16u * 1024u * 1024u;

std::wstring ValueName(std::string_view name) {
    return name == "@" ? std::wstring() : Utf8ToWide(name);
}

class Key {
public:
    Key() = default;
    ~Key() {
        if (handle_ != nullptr) {
            ::RegCloseKey(handle_);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &handle_; }
    HKEY get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

// UTF-16 text of a string value, up to its first NUL; an odd last byte is dropped.
std::string StringData(const std::vector<BYTE>& bytes, DWORD size) {
    std::u16string units;
    for (DWORD i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        units += unit;
    }
    return Utf16ToUtf8(units);
}

class SystemRegistry final : public detail::RegistryBackend {
public:
    explicit SystemRegistry(RegistryRoot root)
        : root_(root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE) {}

    bool KeyExists(const std::string& key) const override {
        Key handle;
        return ::RegOpenKeyExW(root_, Utf8ToWide(key).c_str(), 0, KEY_READ, handle.out()) ==
               ERROR_SUCCESS;
    }

    std::optional<RegistryValue> Read(const std::string& key,
                                      std::string_view name) const override {
        Key handle;
        if (::RegOpenKeyExW(root_, Utf8ToWide(key).c_str(), 0, KEY_READ, handle.out()) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        const std::wstring valueName = ValueName(name);
        // The size is asked first; a value that grows in between is asked for again.
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            if (::RegQueryValueExW(handle.get(), valueName.c_str(), nullptr, &type, nullptr,
                                   &size) != ERROR_SUCCESS ||
                size > kMaxValueBytes) {
                return std::nullopt;
            }
            std::vector<BYTE> bytes(size + 2, 0);
            DWORD got = size;
            const LSTATUS rc = ::RegQueryValueExW(handle.get(), valueName.c_str(), nullptr, &type,
                                                  bytes.data(), &got);
            if (rc == ERROR_MORE_DATA) {
                continue;
            }
            if (rc != ERROR_SUCCESS || got > size) {
                return std::nullopt;
            }
            RegistryValue value;
            if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
                value.type = RegistryValue::Type::String;
                value.data = StringData(bytes, got);
            } else if (type == REG_DWORD && got == 4) {
                value.type = RegistryValue::Type::Dword;
                value.dword = static_cast<std::uint32_t>(bytes[0]) |
                              static_cast<std::uint32_t>(bytes[1]) << 8 |
                              static_cast<std::uint32_t>(bytes[2]) << 16 |
                              static_cast<std::uint32_t>(bytes[3]) << 24;
            } else {
                value.type = RegistryValue::Type::Binary;
                value.data.assign(reinterpret_cast<const char*>(bytes.data()), got);
            }
            return value;
        }
        return std::nullopt;
    }

    bool Write(const std::string& key, std::string_view name, const RegistryValue* value) override {
        Key handle;
        if (::RegCreateKeyExW(root_, Utf8ToWide(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              MAXIMUM_ALLOWED, nullptr, handle.out(), nullptr) != ERROR_SUCCESS) {
            return false;
        }
        if (value == nullptr) {
            return true;
        }
        const std::wstring valueName = ValueName(name);
        DWORD type = REG_BINARY;
        std::vector<BYTE> bytes;
        if (value->type == RegistryValue::Type::String) {
            // REG_SZ with its terminating NUL.
            type = REG_SZ;
            const std::u16string text = Utf8ToUtf16(value->data);
            for (const char16_t unit : text) {
                bytes.push_back(static_cast<BYTE>(unit & 0xFF));
                bytes.push_back(static_cast<BYTE>(unit >> 8));
            }
            bytes.push_back(0);
            bytes.push_back(0);
        } else if (value->type == RegistryValue::Type::Dword) {
            type = REG_DWORD;
            for (int shift = 0; shift < 32; shift += 8) {
                bytes.push_back(static_cast<BYTE>((value->dword >> shift) & 0xFF));
            }
        } else {
            bytes.assign(value->data.begin(), value->data.end());
        }
        if (bytes.size() > kMaxValueBytes) {
            return false;
        }
        return ::RegSetValueExW(handle.get(), valueName.c_str(), 0, type, bytes.data(),
                                static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    }

private:
    HKEY root_;
};

}  // namespace

namespace detail {

std::shared_ptr<RegistryBackend> MakeSystemRegistry(RegistryRoot root,
                                                    std::filesystem::path& file) {
    // VORN_REGISTRY_DIR puts the registry aside as on Linux: the roots become files of that
    // folder in the same export format, so that tests and demos never touch the user's settings
    // (nor meet each other in the one registry of a machine).
    const wchar_t* folder = ::_wgetenv(L"VORN_REGISTRY_DIR");
    if (folder != nullptr && *folder != L'\0') {
        file = std::filesystem::path(folder) / (std::string(RegistryRootName(root)) + ".reg");
        return MakeFileRegistry(file, RegistryRootName(root));
    }
    file.clear();
    return std::make_shared<SystemRegistry>(root);
}

RegistryFileLock::RegistryFileLock(const std::filesystem::path& lockFile) {
    HANDLE file = ::CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    for (;;) {
        OVERLAPPED at{};
        if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            locked_ = true;
            return;
        }
        if (::GetLastError() != ERROR_LOCK_VIOLATION ||
            std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

RegistryFileLock::~RegistryFileLock() {
    if (handle_ == -1) {
        return;
    }
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    if (locked_) {
        // Released at once rather than whenever the system gets round to it after the close.
        OVERLAPPED at{};
        ::UnlockFileEx(file, 0, 1, 0, &at);
    }
    ::CloseHandle(file);
}

}  // namespace detail

}  // namespace vorn::platform
