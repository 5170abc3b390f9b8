#pragma once

// The registry: on Windows the system's own (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE); on Linux,
// and on both platforms for a store on an explicit file, one text file per root in the Windows
// registry export format ("Windows Registry Editor Version 5.00", UTF-8). Sections name keys,
// lines under them name values:
//
//   [HKEY_CURRENT_USER\Software\Quorin\Zelt\AgentZelt]
//   "ServerName"="updates.example"
//   "LoadTimeout"=dword:0000001e
//
// Key and value names compare case-insensitively. In a file, reads take no lock: writers replace
// the file whole with a complete new one, so a reader always sees a whole file. Writes are
// read-modify-write under an exclusive lock on "<file>.lock" and keep every line they do not
// change, including lines this class does not understand. Text is UTF-8 in this interface and
// REG_SZ (UTF-16) in the system's registry.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vorn::platform {

enum class RegistryRoot { CurrentUser, LocalMachine };

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* RegistryRootName(RegistryRoot root);

#if !defined(_WIN32)
// The file that stands in for a root on Linux: $VORN_REGISTRY_DIR/<root name>.reg; without the
// variable $XDG_CONFIG_HOME/Quorin (or ~/.config/Quorin) for the current user and /etc/Quorin
// for the machine.
std::filesystem::path RegistryFile(RegistryRoot root);
#endif

namespace detail {
class RegistryBackend;
}

struct RegistryValue {
    enum class Type { String, Dword, Binary };
    Type type = Type::String;
    // String: the UTF-8 text. Binary: the raw bytes (in a file hex: and hex(n): lines, where
    // hex(1) and hex(2) are decoded from UTF-16 into UTF-8 text and reported as String; in the
    // system's registry REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ are String, up to the first NUL,
    // REG_DWORD is Dword and every other type Binary).
    std::string data;
    std::uint32_t dword = 0;
};

class RegistryStore {
public:
    // The system's registry under `root` (Linux: the file RegistryFile(root)).
    explicit RegistryStore(RegistryRoot root);
    // A store on an explicit file; `rootName` is the first component of its section names.
    RegistryStore(std::filesystem::path file, std::string rootName);
    ~RegistryStore();

    // The file the store keeps its keys in; empty for the system's registry on Windows.
    const std::filesystem::path& file() const { return file_; }

    // `keyPath` is relative to the root ("Software\Quorin\Zelt\AgentZelt"); empty and "@"
    // value names both mean the key's default value.
    bool KeyExists(std::string_view keyPath) const;
    std::optional<RegistryValue> Read(std::string_view keyPath, std::string_view name) const;

    // The value as text: strings as they are, double words as decimal text, binary data up to
    // its first NUL byte.
    std::optional<std::string> ReadString(std::string_view keyPath, std::string_view name) const;
    // Double words as they are; strings holding a decimal number are accepted too.
    std::optional<std::uint32_t> ReadDword(std::string_view keyPath, std::string_view name) const;

    // Create the key when it is missing. False when the file cannot be locked or written (the
    // key cannot be created or the value set), or a key or value name holds a line break or
    // NUL; the old file (value) is then left as it was.
    bool WriteString(std::string_view keyPath, std::string_view name, std::string_view value);
    bool WriteDword(std::string_view keyPath, std::string_view name, std::uint32_t value);
    bool CreateKey(std::string_view keyPath);

private:
    bool Write(std::string_view keyPath, std::string_view name, const RegistryValue* value);

    std::filesystem::path file_;
    std::shared_ptr<detail::RegistryBackend> backend_;
};

}  // namespace vorn::platform
