#pragma once

// Inside the platform layer only: the two kinds of store behind RegistryStore, the system's
// registry (Windows) and a file in registry export format (both platforms).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryStore.h"

namespace vorn::platform::detail {

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    // `key` is normalised (single backslashes, none at either end) and not empty for writes;
    // `name` "" or "@" is the default value.
    virtual bool KeyExists(const std::string& key) const = 0;
    virtual std::optional<RegistryValue> Read(const std::string& key,
                                              std::string_view name) const = 0;
    // Sets the value, creating the key when it is missing; without a value only the key.
    virtual bool Write(const std::string& key, std::string_view name,
                       const RegistryValue* value) = 0;
};

std::shared_ptr<RegistryBackend> MakeFileRegistry(std::filesystem::path file, std::string rootName);

// The system's registry under `root`; `file` receives the file it lives in (Linux), or is left
// empty (Windows).
std::shared_ptr<RegistryBackend> MakeSystemRegistry(RegistryRoot root, std::filesystem::path& file);

// An exclusive lock on a lock file beside a registry file, held while a writer reads, changes
// and replaces the file; waits a few seconds for another holder.
class RegistryFileLock {
public:
    explicit RegistryFileLock(const std::filesystem::path& lockFile);
    ~RegistryFileLock();
    RegistryFileLock(const RegistryFileLock&) = delete;
    RegistryFileLock& operator=(const RegistryFileLock&) = delete;
    bool locked() const { return locked_; }

private:
    std::intptr_t handle_ = -1;  // a descriptor (Linux) or a HANDLE (Windows)
    bool locked_ = false;
};

}  // namespace vorn::platform::detail
