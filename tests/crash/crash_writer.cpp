// A writer of each kind that scripts/crash-test kills at random moments, and the check of what
// it left. Every writer here is the program's own; only the content is made up, one version per
// generation number, so that "the old or the new whole content" can be told exactly.
//
//   crash_writer init KIND FOLDER      writes generation 0 (the content before the first kill)
//   crash_writer run KIND FOLDER       writes the next generations until killed
//   crash_writer check KIND FOLDER     after a kill: the file is generation n-1 or n whole, where
//                                      n is the last one begun; then one more write must leave
//                                      no temporary file behind (leftovers are aged first: the
//                                      writer keeps those younger than a minute)
//
// KIND: blacklist, settings, ramfile, session, unpack. Exit status 0 when all is well, 1 when
// the check failed (the reason on standard error), 2 on wrong use.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "agent/AgentProtocol.h"
#include "blacklist/BlackListText.h"
#include "blacklist/BlackListTree.h"
#include "blacklist/Composer.h"
#include "monitor/NotificationHandler.h"
#include "offline/PackageUnpacker.h"
#include "platform/FileWrite.h"
#include "platform/RegistryStore.h"
#include "scan/SessionData.h"
#include "scan/StoredScans.h"
#include "tests/monitor/RecordingWindow.h"
#include "tests/offline/ZipTestSupport.h"

namespace fs = std::filesystem;
using namespace vorn;

namespace {

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes that change with the generation, in content and in length, so that a cut-off or mixed
// file never passes for a whole one.
std::string Payload(long generation, std::size_t base) {
    std::string bytes = "generation " + std::to_string(generation) + "\n";
    const std::size_t size = base + static_cast<std::size_t>(generation % 997) * 131;
    std::uint32_t x = static_cast<std::uint32_t>(generation) * 2654435761u + 1;
    while (bytes.size() < size) {
        x = x * 1664525u + 1013904223u;
        bytes.push_back(static_cast<char>('a' + (x >> 24) % 26));
    }
    return bytes;
}

std::string Base64(const std::string& bytes) {
    static const char* kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const auto n = (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16) |
                       (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) {
            out.push_back(kAlphabet[(n >> k) & 63]);
        }
    }
    if (i < bytes.size()) {
        std::uint32_t n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (i + 1 < bytes.size()) {
            n |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        out.push_back(kAlphabet[(n >> 18) & 63]);
        out.push_back(kAlphabet[(n >> 12) & 63]);
        out.push_back(i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

struct Writer {
    const char* kind;
    const char* fileName;  // the file whose content is checked, in the writer's folder
    std::function<bool(const fs::path& folder, long generation)> write;
};

bool WriteBlackList(const fs::path& folder, long generation) {
    std::wstring text = L"G" + std::to_wstring(generation) + L"\n";
    for (long d = 0; d < 5 + generation % 40; ++d) {
        text += L"  " + std::to_wstring(d + 1) + L" 2000 *\n";
        for (int s = 0; s < 20; ++s) {
            text += L"    " + std::to_wstring(generation * 100 + s) + L"\n";
        }
    }
    const auto parsed = blacklist::TextToTree(text);
    if (!parsed.root) {
        return false;
    }
    blacklist::Composer composer(folder / "list.blist");
    return blacklist::WriteTree(composer, *parsed.root) == blacklist::kComposeOk && composer.Save();
}

bool WriteSettings(const fs::path& folder, long generation) {
    platform::RegistryStore store(folder / "HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER");
    return store.WriteString("Software\\Quorin\\Zelt\\Crash", "Value", Payload(generation, 20000));
}

bool WriteRamFile(const fs::path& folder, long generation) {
    test::RecordingWindow window;
    window.answer = folder / "ram.zip";
    HandleNotification("<ram_file_get id=\"1\" filename=\"ram.zip\" content=\"" +
                           Base64(Payload(generation, 200000)) + "\"/>",
                       window);
    // Saved when the save question was asked once and no error box came.
    return window.calls.size() == 1 && window.calls[0].rfind(L"ask save ", 0) == 0;
}

bool WriteSession(const fs::path& folder, long generation) {
    SessionData session;
    session.uin = L"ABC-123-" + std::to_wstring(generation);
    session.timestamp = {2026, 12, 9, 19, 0, 0};
    session.authenticity = 0;
    session.currency = L"RUB";
    session.denomination = 5000;
    session.year = 1997;
    session.version = L"A";
    session.rotation = 0;
    session.side = 0;
    const std::string comment = Payload(generation, 2000);
    session.comment.assign(comment.begin(), comment.end());
    return platform::ReplaceFileAtomically(folder / kSessionDocumentName,
                                           FormatSessionData(session));
}

bool WriteUnpacked(const fs::path& folder, long generation) {
    const std::string package = test::MakeZip({
        {"firmware/main.bin", Payload(generation, 300000)},
        {"firmware/boot.bin", Payload(generation + 1, 50000)},
        {"readme.txt", "generation " + std::to_string(generation) + "\n"},
    });
    UnpackOptions options;
    options.checkFreeSpace = false;
    return UnpackUpdateArchive(package, folder, options).Succeeded();
}

const Writer kWriters[] = {
    {"blacklist", "list.blist", WriteBlackList},
    {"settings", "HKEY_CURRENT_USER.reg", WriteSettings},
    {"ramfile", "ram.zip", WriteRamFile},
    {"session", kSessionDocumentName, WriteSession},
    {"unpack", kManifestName, WriteUnpacked},
};

// The generation about to be written, kept where a killed writer cannot leave it half-written:
// a few bytes at the start of a file, in one write.
fs::path BegunFile(const fs::path& folder) {
    return folder.parent_path() / (folder.filename().string() + ".begun");
}

void MarkBegun(const fs::path& folder, long generation) {
    char text[24] = {};
    std::snprintf(text, sizeof text, "%20ld\n", generation);
    const int fd = ::open(BegunFile(folder).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd, text, 21, 0);
        ::close(fd);
    }
}

long LastBegun(const fs::path& folder) {
    const std::string text = ReadAll(BegunFile(folder));
    return text.empty() ? -1 : std::atol(text.c_str());
}

// Temporary files of a whole-file replacement anywhere under the folder.
std::vector<fs::path> Leftovers(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 8 && name.front() == '.' &&
            platform::IsReplacementLeftover(name, name.substr(1, name.size() - 8))) {
            found.push_back(it->path());
        }
    }
    return found;
}

// The content generation `g` gives, written by the same writer into a scratch folder.
std::optional<std::string> Expected(const Writer& writer, const fs::path& scratch, long g) {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    fs::create_directories(scratch);
    if (!writer.write(scratch, g)) {
        return std::nullopt;
    }
    return ReadAll(scratch / writer.fileName);
}

int Check(const Writer& writer, const fs::path& folder) {
    const long begun = LastBegun(folder);
    const fs::path scratch = folder.parent_path() / (folder.filename().string() + ".scratch");
    const std::string actual = ReadAll(folder / writer.fileName);
    bool whole = false;
    for (const long g : {begun, begun - 1}) {
        if (g < 0) {
            continue;
        }
        const auto expected = Expected(writer, scratch, g);
        if (expected && *expected == actual) {
            whole = true;
            std::printf("generation %ld%s\n", g, g == begun ? " (new)" : " (old)");
            break;
        }
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    if (!whole) {
        std::fprintf(stderr, "%s: %s is neither generation %ld nor %ld whole (%zu bytes)\n",
                     writer.kind, writer.fileName, begun - 1, begun, actual.size());
        return 1;
    }
    // The next write comes a while later: leftovers are then older than the writer's minute.
    const auto leftovers = Leftovers(folder);
    const timespec old{::time(nullptr) - 120, 0};
    const timespec times[2] = {old, old};
    for (const auto& file : leftovers) {
        ::utimensat(AT_FDCWD, file.c_str(), times, 0);
    }
    MarkBegun(folder, begun + 1);
    if (!writer.write(folder, begun + 1)) {
        std::fprintf(stderr, "%s: the write after the kill failed\n", writer.kind);
        return 1;
    }
    const auto remaining = Leftovers(folder);
    std::printf("leftovers %zu, after the next write %zu\n", leftovers.size(), remaining.size());
    if (!remaining.empty()) {
        std::fprintf(stderr, "%s: %s outlived the next write\n", writer.kind,
                     remaining.front().c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: crash_writer init|run|check KIND FOLDER\n");
        return 2;
    }
    const std::string command = argv[1];
    const Writer* writer = nullptr;
    for (const auto& w : kWriters) {
        if (std::strcmp(w.kind, argv[2]) == 0) {
            writer = &w;
        }
    }
    const fs::path folder = argv[3];
    if (writer == nullptr || (command != "init" && command != "run" && command != "check")) {
        std::fprintf(stderr, "usage: crash_writer init|run|check KIND FOLDER\n");
        return 2;
    }
    fs::create_directories(folder);
    if (command == "check") {
        return Check(*writer, folder);
    }
    if (command == "init") {
        MarkBegun(folder, 0);
        return writer->write(folder, 0) ? 0 : 1;
    }
    for (long g = LastBegun(folder) + 1;; ++g) {
        MarkBegun(folder, g);
        if (!writer->write(folder, g)) {
            std::fprintf(stderr, "%s: write of generation %ld failed\n", writer->kind, g);
            return 1;
        }
    }
}
