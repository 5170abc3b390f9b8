#include "platform/FolderTree.h"

#include <vector>

namespace vorn::platform {

namespace {

bool IsDirectory(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

}  // namespace

bool CreateFolderTree(const std::filesystem::path& path, std::error_code* error) {
    std::error_code ec;
    if (error != nullptr) {
        error->clear();
    }
    std::filesystem::path full = std::filesystem::absolute(path, ec).lexically_normal();
    if (ec) {
        if (error != nullptr) {
            *error = ec;
        }
        return false;
    }
    if (IsDirectory(full)) {
        return true;
    }

    std::vector<std::filesystem::path> created;
    // The walk starts below the root ("/", "c:\\"): a drive name alone is no folder to make.
    std::filesystem::path prefix = full.root_path();
    for (const auto& part : full.relative_path()) {
        prefix /= part;
        if (part.empty() || IsDirectory(prefix)) {
            continue;
        }
        const bool made = std::filesystem::create_directory(prefix, ec);
        if (!made && !ec) {
            // Another process or thread made this level in the meantime: it is not ours to
            // remove, and it is there, which is all that is asked.
            continue;
        }
        if (ec) {
            for (auto it = created.rbegin(); it != created.rend(); ++it) {
                std::error_code removeError;
                std::filesystem::remove_all(*it, removeError);
                if (removeError) {
                    break;
                }
            }
            if (error != nullptr) {
                *error = ec;
            }
            return false;
        }
        created.push_back(prefix);
    }
    return IsDirectory(full);
}

}  // namespace vorn::platform
