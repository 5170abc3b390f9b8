#include "scan/StoredScans.h"

#include <vector>

#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"
#include "scan/SessionData.h"

namespace vorn {

namespace fs = std::filesystem;

fs::path ScanStorageFolder() {
    return platform::DataFolder() / "ScanData";
}

int CountStoredScans(const fs::path& storage) {
    int count = 0;
    std::error_code error;
    for (fs::directory_iterator it(storage, error), end; !error && it != end; it.increment(error)) {
        const fs::path session = it->path();
        if (!ValidateSessionData(LoadSessionData(session / kSessionDocumentName)).empty()) {
            continue;
        }
        std::error_code inner;
        for (fs::directory_iterator file(session, inner); !inner && file != end;
             file.increment(inner)) {
            if (file->path().extension() == kScanExtension) {
                ++count;
            }
        }
    }
    return count;
}

bool IsPlainFolderName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(L"/\\") == std::wstring::npos &&
           name.find(L'\0') == std::wstring::npos;
}

bool CopyFolder(const fs::path& source, const fs::path& target, const CopyProgress& progress,
                std::wstring& error) {
    std::error_code ec;
    if (!fs::is_directory(source, ec)) {
        error = L"no folder " + source.wstring();
        return false;
    }
    // What is to be copied, measured first so that progress has a total.
    std::vector<fs::directory_entry> entries;
    std::uintmax_t total = 0;
    for (fs::recursive_directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        entries.push_back(*it);
        if (it->is_regular_file()) {
            total += it->file_size();
        }
    }
    if (ec) {
        error = platform::Utf8ToWide(ec.message());
        return false;
    }
    // Created by this call, in creation order, to be taken back when the copy fails.
    std::vector<fs::path> created;
    auto fail = [&](const std::wstring& why) {
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
            std::error_code ignored;
            fs::remove(*it, ignored);
        }
        error = why;
        return false;
    };
    auto makeFolder = [&](const fs::path& folder) {
        std::vector<fs::path> missing;
        for (fs::path p = folder; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
            missing.push_back(p);
            if (p == p.parent_path()) {
                break;
            }
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            if (!fs::create_directory(*it, ec) && ec) {
                return false;
            }
            created.push_back(*it);
        }
        return fs::is_directory(folder, ec);
    };
    if (!makeFolder(target)) {
        return fail(L"cannot create " + target.wstring());
    }
    std::uintmax_t done = 0;
    for (const fs::directory_entry& entry : entries) {
        const fs::path to = target / fs::relative(entry.path(), source, ec);
        if (ec) {
            return fail(platform::Utf8ToWide(ec.message()));
        }
        if (entry.is_directory()) {
            if (!makeFolder(to)) {
                return fail(L"cannot create " + to.wstring());
            }
            continue;
        }
        const bool existed = fs::exists(to, ec);
        if (!fs::copy_file(entry.path(), to, fs::copy_options::overwrite_existing, ec)) {
            return fail(L"cannot copy " + entry.path().wstring() + L": " +
                        platform::Utf8ToWide(ec.message()));
        }
        if (!existed) {
            created.push_back(to);
        }
        done += entry.is_regular_file() ? entry.file_size() : 0;
        if (progress && !progress(done, total)) {
            return fail(L"copy aborted");
        }
    }
    return true;
}

bool RemoveCopiedFiles(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    std::vector<fs::path> files;
    std::vector<fs::path> folders;
    for (fs::recursive_directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        (it->is_directory(kind) && !it->is_symlink(kind) ? folders : files).push_back(it->path());
    }
    if (ec) {
        return false;
    }
    // A read-only entry, or one in a read-only folder, is made writable and tried once more.
    auto remove = [](const fs::path& entry) {
        std::error_code error;
        if (fs::remove(entry, error) && !error) {
            return;
        }
        for (const fs::path& p : {entry.parent_path(), entry}) {
            fs::permissions(p, fs::perms::owner_all, fs::perm_options::add, error);
        }
        fs::remove(entry, error);
    };
    for (const fs::path& file : files) {
        std::error_code a;
        std::error_code b;
        const fs::path copy = target / fs::relative(file, source, a);
        const bool same = !a && fs::is_regular_file(copy, b) &&
                          fs::file_size(file, a) == fs::file_size(copy, b) && !a && !b;
        if (same) {
            remove(file);
        }
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        if (fs::is_empty(*it, ec)) {
            remove(*it);
        }
    }
    if (fs::is_empty(source, ec)) {
        remove(source);
    }
    std::error_code ignored;
    return !fs::exists(source, ignored);
}

}  // namespace vorn
