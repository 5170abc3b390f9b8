#include "offline/PackageUnpacker.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>

#include "platform/FileWrite.h"
#include "platform/PathText.h"
#include "platform/Sha256.h"
#include "platform/TextConversion.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 256 * 1024;

// minizip reads the archive straight from memory through these callbacks.
struct MemoryStream {
    std::string_view bytes;
    std::size_t position = 0;
};

voidpf ZCALLBACK MemoryOpen(voidpf opaque, const void*, int) {
    static_cast<MemoryStream*>(opaque)->position = 0;
    return opaque;
}

uLong ZCALLBACK MemoryRead(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* memory = static_cast<MemoryStream*>(stream);
    const std::size_t left = memory->bytes.size() - memory->position;
    const std::size_t count = std::min<std::size_t>(left, size);
    std::memcpy(buffer, memory->bytes.data() + memory->position, count);
    memory->position += count;
    return static_cast<uLong>(count);
}

uLong ZCALLBACK MemoryWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK MemoryTell(voidpf, voidpf stream) {
    return static_cast<MemoryStream*>(stream)->position;
}

long ZCALLBACK MemorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* memory = static_cast<MemoryStream*>(stream);
    ZPOS64_T base = 0;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_CUR:
            base = memory->position;
            break;
        case ZLIB_FILEFUNC_SEEK_END:
            base = memory->bytes.size();
            break;
        case ZLIB_FILEFUNC_SEEK_SET:
            base = 0;
            break;
        default:
            return -1;
    }
    if (offset > memory->bytes.size() || base + offset > memory->bytes.size()) {
        return -1;
    }
    memory->position = static_cast<std::size_t>(base + offset);
    return 0;
}

int ZCALLBACK MemoryClose(voidpf, voidpf) {
    return 0;
}

int ZCALLBACK MemoryError(voidpf, voidpf) {
    return 0;
}

struct Entry {
    std::string name;
    unz64_file_pos position{};
    std::uintmax_t size = 0;
};

struct ZipCloser {
    void operator()(void* file) const { unzClose(file); }
};

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool IsCancelled(const UnpackOptions& options) {
    return options.cancel != nullptr && options.cancel->load();
}

enum class Copy { kDone, kFailed, kCancelled };

// Writes the open entry to `out`, at most its declared size; the digest follows what was written
// as long as it can.
Copy CopyEntry(unzFile zip, platform::OutputFile& out, std::uintmax_t declared,
               platform::Sha256& digest, std::vector<char>& buffer, const UnpackOptions& options) {
    std::uintmax_t total = 0;
    for (;;) {
        if (IsCancelled(options)) {
            return Copy::kCancelled;
        }
        const int n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n < 0) {
            return Copy::kFailed;
        }
        if (n == 0) {
            return total == declared ? Copy::kDone : Copy::kFailed;
        }
        total += static_cast<std::uintmax_t>(n);
        // An entry that inflates beyond what it declared would defeat the free-space check.
        if (total > declared) {
            return Copy::kFailed;
        }
        const std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
        if (!out.Write(chunk)) {
            return Copy::kFailed;
        }
        digest.Update(chunk);
    }
}

bool IsWithin(const fs::path& root, const fs::path& path) {
    const auto [rootEnd, pathAt] =
        std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end();
}

bool IsManifestName(const fs::path& relative) {
    const std::string name = platform::PathToUtf8(relative);
    const std::string_view manifest = kManifestName;
    const auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return name.size() == manifest.size() &&
           std::equal(name.begin(), name.end(), manifest.begin(),
                      [&](char a, char b) { return lower(a) == lower(b); });
}

std::string Text(const fs::path& path) {
    return platform::PathToUtf8(path);
}

// The key of a file in the manifest: its path below the target with forward slashes.
std::string ManifestKey(const fs::path& relative) {
    const std::u8string text = relative.generic_u8string();
    return std::string(text.begin(), text.end());
}

// The folder for `relative`'s file below the canonical `root`, each level checked before the
// next one is made: a link already there must resolve to a folder inside the root. Folders made
// here are added to `made`. Empty when the path leads outside; `error` set when a level cannot
// be made.
fs::path MakeFolders(const fs::path& root, const fs::path& relative, std::vector<fs::path>& made,
                     std::string& error) {
    fs::path at = root;
    for (const fs::path& part : relative.parent_path()) {
        const fs::path next = at / part;
        std::error_code statusError;
        const fs::file_status status = fs::symlink_status(next, statusError);
        std::error_code makeError;
        if (fs::exists(status)) {
            std::error_code ignored;
            fs::path resolved = fs::is_symlink(status) ? fs::canonical(next, ignored) : next;
            if (resolved.empty() || !IsWithin(root, resolved)) {
                return {};
            }
            if (!fs::is_directory(resolved, ignored)) {
                error = Text(next) + " is no folder";
                return {};
            }
            at = std::move(resolved);
        } else if (status.type() == fs::file_type::not_found &&
                   fs::create_directory(next, makeError)) {
            made.push_back(next);
            at = next;
        } else {
            error = "cannot create " + Text(next) + ": " +
                    (makeError ? makeError : statusError).message();
            return {};
        }
    }
    return at;
}

// Takes back what a cancelled call wrote: its files, then the folders it made, deepest first.
void RemoveWritten(const std::vector<fs::path>& files, const std::vector<fs::path>& folders) {
    std::error_code ignored;
    for (const fs::path& file : files) {
        fs::remove(file, ignored);
    }
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        fs::remove(*folder, ignored);  // only when empty, as something else may be inside
    }
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
    std::string error;
    platform::Sha256 digest(platform::LoadSha256(platform::kSha256Library, error));
    if (!digest.Update(bytes)) {
        return {};
    }
    return digest.FinishHex();
}

fs::path SafeEntryPath(std::string_view name) {
    if (name.empty() || IsSeparator(name.front())) {
        return {};
    }
    if (name.size() >= 2 && name[1] == ':') {
        return {};
    }
    fs::path path;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) {
            ++end;
        }
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            return {};
        }
        if (!part.empty() && part != ".") {
            // Entry names are meant to be UTF-8; a malformed one is made valid first, as a path
            // cannot hold it on every system.
            path /= platform::PathFromUtf8(platform::WideToUtf8(platform::Utf8ToWide(part)));
        }
        start = end + 1;
    }
    return path;
}

UnpackReport UnpackUpdateArchive(std::string_view package, const fs::path& target,
                                 const UnpackOptions& options) {
    UnpackReport report;
    const auto log = [&](const std::string& line) {
        if (options.log) {
            options.log(line);
        }
    };
    MemoryStream memory{package, 0};
    zlib_filefunc64_def io{};
    io.zopen64_file = MemoryOpen;
    io.zread_file = MemoryRead;
    io.zwrite_file = MemoryWrite;
    io.ztell64_file = MemoryTell;
    io.zseek64_file = MemorySeek;
    io.zclose_file = MemoryClose;
    io.zerror_file = MemoryError;
    io.opaque = &memory;
    std::unique_ptr<void, ZipCloser> zip(unzOpen2_64("package", &io));
    if (!zip) {
        log("the package is not a ZIP archive");
        return report;
    }
    report.isArchive = true;

    // A hostile archive is refused before anything is written, whatever its directory claims.
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(zip.get(), &global) == UNZ_OK &&
        global.number_entry > kMaxArchiveEntries) {
        report.tooManyEntries = true;
        log("refused: the package holds " + std::to_string(global.number_entry) +
            " entries, more than " + std::to_string(kMaxArchiveEntries));
        return report;
    }

    // List the file entries first: their total size decides whether unpacking starts at all.
    std::vector<Entry> entries;
    std::size_t listed = 0;
    for (int status = unzGoToFirstFile(zip.get()); status == UNZ_OK;
         status = unzGoToNextFile(zip.get())) {
        if (++listed > kMaxArchiveEntries) {
            report.tooManyEntries = true;
            log("refused: the package holds more than " + std::to_string(kMaxArchiveEntries) +
                " entries");
            return report;
        }
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
            break;
        }
        std::string name(info.size_filename, '\0');
        if (unzGetCurrentFileInfo64(zip.get(), &info, name.data(), static_cast<uLong>(name.size()),
                                    nullptr, 0, nullptr, 0) != UNZ_OK) {
            break;
        }
        name.resize(std::strlen(name.c_str()));
        if (name.empty() || IsSeparator(name.back())) {
            continue;  // a folder entry creates nothing on its own
        }
        const fs::path relative = SafeEntryPath(name);
        if (relative.empty()) {
            report.unsafe.push_back(name);
            log("skipped entry outside the target folder: " + name);
            continue;
        }
        // The manifest is ours: a packaged one would contradict the files or be overwritten.
        if (IsManifestName(relative)) {
            report.skipped.push_back(name);
            log("skipped entry named like the manifest: " + name);
            continue;
        }
        Entry entry{name, {}, info.uncompressed_size};
        unzGetFilePos64(zip.get(), &entry.position);
        report.needed =
            report.needed > UINTMAX_MAX - entry.size ? UINTMAX_MAX : report.needed + entry.size;
        entries.push_back(std::move(entry));
    }

    if (options.checkFreeSpace) {
        std::optional<std::uintmax_t> available;
        if (options.freeSpace) {
            available = options.freeSpace(target);
        } else {
            std::error_code error;
            const fs::space_info space = fs::space(target, error);
            if (!error) {
                available = space.available;
            }
        }
        if (available) {
            report.available = *available;
            if (*available < report.needed) {
                report.enoughSpace = false;
                log("not enough free space in " + Text(target) + ": " +
                    std::to_string(report.needed) + " bytes needed, " + std::to_string(*available) +
                    " free");
                return report;
            }
        }
    }
    if (entries.empty()) {
        return report;
    }

    // Every folder is checked against the target's true place; without it nothing can be.
    std::error_code error;
    fs::create_directories(target, error);
    const fs::path root = fs::canonical(target, error);
    if (error) {
        report.targetResolved = false;
        log("refused: cannot resolve the target folder " + Text(target) + ": " + error.message());
        for (const Entry& entry : entries) {
            report.failed.push_back(entry.name);
        }
        return report;
    }

    std::string cryptoError;
    const platform::Sha256Functions* crypto =
        platform::LoadSha256(options.cryptoLibrary, cryptoError);
    bool digestsComplete = crypto != nullptr;
    if (!digestsComplete) {
        log("cannot compute file digests: " + cryptoError);
    }
    std::map<std::string, std::string> manifest;  // path as written -> digest; last one wins
    std::vector<fs::path> writtenFiles;
    std::vector<fs::path> madeFolders;
    std::vector<char> buffer(kChunk);
    std::size_t done = 0;
    const auto entryDone = [&] {
        if (options.progress) {
            options.progress(++done, entries.size());
        }
    };
    for (Entry& entry : entries) {
        if (IsCancelled(options)) {
            report.cancelled = true;
            break;
        }
        const fs::path relative = SafeEntryPath(entry.name);
        std::string folderError;
        const fs::path folder = MakeFolders(root, relative, madeFolders, folderError);
        if (folder.empty()) {
            if (folderError.empty()) {
                report.unsafe.push_back(entry.name);
                log("skipped entry leading outside the target folder: " + entry.name);
            } else {
                report.failed.push_back(entry.name);
                log(folderError);
            }
            entryDone();
            continue;
        }
        const fs::path output = folder / relative.filename();
        std::error_code createError;
        platform::OutputFile out(output, createError);
        if (!out.ok()) {
            report.failed.push_back(entry.name);
            log("cannot create " + Text(output) + ": " + createError.message());
            entryDone();
            continue;
        }
        writtenFiles.push_back(output);
        Copy copy = Copy::kFailed;
        platform::Sha256 digest(crypto);
        if (unzGoToFilePos64(zip.get(), &entry.position) == UNZ_OK &&
            unzOpenCurrentFile(zip.get()) == UNZ_OK) {
            copy = CopyEntry(zip.get(), out, entry.size, digest, buffer, options);
            // The CRC is checked when the entry is closed.
            if (unzCloseCurrentFile(zip.get()) != UNZ_OK && copy == Copy::kDone) {
                copy = Copy::kFailed;
            }
        }
        if (copy == Copy::kCancelled) {
            out.Close();
            report.cancelled = true;
            break;
        }
        if (copy == Copy::kFailed) {
            // A damaged entry leaves an empty file rather than a plausible-looking half.
            out.Truncate();
            out.Close();
            report.failed.push_back(entry.name);
            manifest.erase(ManifestKey(relative));
            log("cannot unpack entry " + entry.name);
            entryDone();
            continue;
        }
        if (!out.Close()) {
            report.failed.push_back(entry.name);
            log("cannot write " + Text(output));
            entryDone();
            continue;
        }
        std::string hex = digest.FinishHex();
        if (hex.empty() && digestsComplete) {
            digestsComplete = false;
            log("cannot compute the digest of " + entry.name);
        }
        manifest[ManifestKey(relative)] = std::move(hex);
        report.written.push_back(entry.name);
        entryDone();
    }

    if (report.cancelled) {
        RemoveWritten(writtenFiles, madeFolders);
        report.written.clear();
        log("unpacking cancelled; the files written are removed");
        return report;
    }
    if (options.writeManifest && !manifest.empty()) {
        const fs::path file = target / kManifestName;
        if (!digestsComplete) {
            // A manifest without every file's digest would contradict the files.
            log("cannot write " + Text(file) + ": the digests are missing");
        } else {
            std::string text;
            for (const auto& [name, digest] : manifest) {
                text += digest + "  " + name + "\n";
            }
            report.manifestWritten = platform::ReplaceFileAtomically(file, text);
            if (!report.manifestWritten) {
                log("cannot write " + Text(file));
            }
        }
    }
    return report;
}

}  // namespace vorn
