#include "offline/PackageUnpacker.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/FileWrite.h"
#include "platform/RuntimeLibrary.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 256 * 1024;
// Beyond this an archive is taken for hostile rather than a firmware package.
constexpr std::size_t kMaxEntries = 1'000'000;

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

// OpenSSL's digest functions, loaded with the first unpacking instead of at program start; the
// library is large and most starts never unpack anything.
struct Crypto {
    decltype(&::EVP_MD_CTX_new) contextNew = nullptr;
    decltype(&::EVP_MD_CTX_free) contextFree = nullptr;
    decltype(&::EVP_sha256) sha256 = nullptr;
    decltype(&::EVP_DigestInit_ex) init = nullptr;
    decltype(&::EVP_DigestUpdate) update = nullptr;
    decltype(&::EVP_DigestFinal_ex) final = nullptr;
};

struct CryptoLoad {
    std::optional<Crypto> api;
    std::string error;  // the loader's words when `api` is empty
};

const CryptoLoad& LoadCryptoOnce() {
    static const CryptoLoad loaded = [] {
        static platform::RuntimeLibrary library("libcrypto.so.3");
        Crypto c;
        if (library.Resolve("EVP_MD_CTX_new", c.contextNew) &&
            library.Resolve("EVP_MD_CTX_free", c.contextFree) &&
            library.Resolve("EVP_sha256", c.sha256) &&
            library.Resolve("EVP_DigestInit_ex", c.init) &&
            library.Resolve("EVP_DigestUpdate", c.update) &&
            library.Resolve("EVP_DigestFinal_ex", c.final)) {
            return CryptoLoad{c, {}};
        }
        return CryptoLoad{std::nullopt, library.error()};
    }();
    return loaded;
}

// nullptr when the library cannot be loaded: every digest then fails, and so the unpacking.
const Crypto* LoadCrypto() {
    const CryptoLoad& loaded = LoadCryptoOnce();
    return loaded.api ? &*loaded.api : nullptr;
}

// A SHA-256 computation; false from each step once anything failed.
class Digest {
public:
    Digest() : crypto_(LoadCrypto()) {
        if (crypto_ != nullptr) {
            context_ = crypto_->contextNew();
            if (context_ != nullptr && crypto_->init(context_, crypto_->sha256(), nullptr) != 1) {
                crypto_->contextFree(context_);
                context_ = nullptr;
            }
        }
    }
    ~Digest() {
        if (context_ != nullptr) {
            crypto_->contextFree(context_);
        }
    }
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;

    explicit operator bool() const { return context_ != nullptr; }

    bool Update(std::string_view bytes) {
        return context_ != nullptr && crypto_->update(context_, bytes.data(), bytes.size()) == 1;
    }

    // The digest in lower-case hexadecimal, as sha256sum writes it; empty after a failure.
    std::string Finish() {
        unsigned char value[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (context_ == nullptr || crypto_->final(context_, value, &length) != 1) {
            return {};
        }
        static constexpr char kHex[] = "0123456789abcdef";
        std::string hex;
        for (unsigned int i = 0; i < length; ++i) {
            hex += kHex[value[i] >> 4];
            hex += kHex[value[i] & 15];
        }
        return hex;
    }

private:
    const Crypto* crypto_;
    EVP_MD_CTX* context_ = nullptr;
};

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// Writes the open entry to `fd`, at most its declared size; the digest follows what was written.
bool CopyEntry(unzFile zip, int fd, std::uintmax_t declared, Digest& digest,
               std::vector<char>& buffer) {
    std::uintmax_t total = 0;
    for (;;) {
        const int n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return total == declared;
        }
        total += static_cast<std::uintmax_t>(n);
        // An entry that inflates beyond what it declared would defeat the free-space check.
        if (total > declared) {
            return false;
        }
        const std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
        if (!platform::WriteAll(fd, chunk) || !digest.Update(chunk)) {
            return false;
        }
    }
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
    Digest digest;
    if (!digest.Update(bytes)) {
        return {};
    }
    return digest.Finish();
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
            path /= std::string(part);
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

    // List the file entries first: their total size decides whether unpacking starts at all.
    std::vector<Entry> entries;
    for (int status = unzGoToFirstFile(zip.get()); status == UNZ_OK && entries.size() < kMaxEntries;
         status = unzGoToNextFile(zip.get())) {
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
        if (SafeEntryPath(name).empty()) {
            report.unsafe.push_back(name);
            log("skipped entry outside the target folder: " + name);
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
                log("not enough free space in " + target.string() + ": " +
                    std::to_string(report.needed) + " bytes needed, " + std::to_string(*available) +
                    " free");
                return report;
            }
        }
    }

    if (!entries.empty() && LoadCrypto() == nullptr) {
        // Every entry will fail; say once why.
        log("cannot compute file digests: " + LoadCryptoOnce().error);
    }

    std::error_code error;
    fs::create_directories(target, error);
    const fs::path root = fs::weakly_canonical(target, error);
    std::map<std::string, std::string> manifest;  // path as written -> digest; last one wins
    std::vector<char> buffer(kChunk);
    for (Entry& entry : entries) {
        const fs::path relative = SafeEntryPath(entry.name);
        const fs::path output = target / relative;
        fs::create_directories(output.parent_path(), error);
        // A link already in the target must not lead the file elsewhere.
        const fs::path folder = fs::weakly_canonical(output.parent_path(), error);
        const auto [rootEnd, folderAt] =
            std::mismatch(root.begin(), root.end(), folder.begin(), folder.end());
        if (error || rootEnd != root.end()) {
            report.unsafe.push_back(entry.name);
            log("skipped entry leading outside the target folder: " + entry.name);
            continue;
        }
        const int fd =
            ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            report.failed.push_back(entry.name);
            log("cannot create " + output.string() + ": " + std::strerror(errno));
            continue;
        }
        bool ok = unzGoToFilePos64(zip.get(), &entry.position) == UNZ_OK &&
                  unzOpenCurrentFile(zip.get()) == UNZ_OK;
        Digest digest;
        if (ok) {
            ok = digest && CopyEntry(zip.get(), fd, entry.size, digest, buffer);
            // The CRC is checked when the entry is closed.
            ok = unzCloseCurrentFile(zip.get()) == UNZ_OK && ok;
        }
        if (!ok) {
            // A damaged entry leaves an empty file rather than a plausible-looking half.
            [[maybe_unused]] const int cut = ::ftruncate(fd, 0);
            ::close(fd);
            report.failed.push_back(entry.name);
            manifest.erase(relative.generic_string());
            log("cannot unpack entry " + entry.name);
            continue;
        }
        if (::close(fd) != 0) {
            report.failed.push_back(entry.name);
            log("cannot write " + output.string());
            continue;
        }
        manifest[relative.generic_string()] = digest.Finish();
        report.written.push_back(entry.name);
    }

    if (options.writeManifest && !manifest.empty()) {
        std::string text;
        for (const auto& [name, digest] : manifest) {
            text += digest + "  " + name + "\n";
        }
        report.manifestWritten = platform::ReplaceFileAtomically(target / kManifestName, text);
        if (!report.manifestWritten) {
            log("cannot write " + (target / kManifestName).string());
        }
    }
    return report;
}

}  // namespace vorn
