#include "platform/RegistryStore.h"

#include "platform/FileRead.h"
#include "platform/FileWrite.h"
#include "platform/RegistryBackend.h"
#include "platform/TextConversion.h"

#include <system_error>
#include <vector>

namespace vorn::platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
// A registry file is small; anything far beyond this is not ours and is not read whole.
constexpr std::size_t kMaxFileBytes = 64u * 1024u * 1024u;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// Runs of backslashes become one; leading and trailing ones go.
std::string NormaliseKey(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (char c : key) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) {
            continue;
        }
        out.push_back(c);
    }
    while (!out.empty() && out.back() == '\\') {
        out.pop_back();
    }
    return out;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    return s;
}

// --- UTF-8 <-> UTF-16LE for hex(1)/hex(2) values -------------------------------------------

// UTF-16LE bytes up to the first NUL unit, as UTF-8.
std::string Utf16LeToUtf8(const std::string& bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0) {
            break;
        }
        units += unit;
    }
    return Utf16ToUtf8(units);
}

// UTF-8 to UTF-16LE bytes with a terminating NUL unit.
std::string Utf8ToUtf16Le(std::string_view text) {
    std::string out;
    for (const char16_t unit : Utf8ToUtf16(text)) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    out.append(2, '\0');
    return out;
}

// --- Parsing ------------------------------------------------------------------------------

struct Entry {
    enum class Kind { Section, Value, Other };
    Kind kind = Kind::Other;
    std::size_t first = 0;  // physical lines [first, last]
    std::size_t last = 0;
    std::string key;   // Section: normalised key text (empty for "[-...]" deletions)
    std::string name;  // Value
    std::optional<RegistryValue> value;  // Value: none for "-" (deleted) or unreadable data
};

// Parses a quoted string starting at s[0] == '"'. Returns the position after the closing quote.
std::optional<std::size_t> ParseQuoted(std::string_view s, std::string& out) {
    out.clear();
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            out.push_back(s[++i]);
        } else if (c == '"') {
            return i + 1;
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::string> ParseHexBytes(std::string_view s) {
    std::string out;
    s = TrimLeft(TrimRight(s));
    if (s.empty()) {
        return out;
    }
    while (true) {
        s = TrimLeft(s);
        if (s.size() < 2) {
            return std::nullopt;
        }
        int hi = HexDigit(s[0]);
        int lo = HexDigit(s[1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(hi * 16 + lo));
        s.remove_prefix(2);
        s = TrimLeft(s);
        if (s.empty()) {
            return out;
        }
        if (s.front() != ',') {
            return std::nullopt;
        }
        s.remove_prefix(1);
    }
}

std::optional<RegistryValue> ParseData(std::string_view data) {
    RegistryValue v;
    if (!data.empty() && data.front() == '"') {
        std::string text;
        auto end = ParseQuoted(data, text);
        if (!end || !TrimRight(data.substr(*end)).empty()) {
            return std::nullopt;
        }
        v.type = RegistryValue::Type::String;
        v.data = std::move(text);
        return v;
    }
    if (data.size() > 6 && EqualNoCase(data.substr(0, 6), "dword:")) {
        std::string_view digits = TrimRight(data.substr(6));
        if (digits.empty() || digits.size() > 8) {
            return std::nullopt;
        }
        std::uint32_t n = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) {
                return std::nullopt;
            }
            n = n * 16 + static_cast<std::uint32_t>(d);
        }
        v.type = RegistryValue::Type::Dword;
        v.dword = n;
        return v;
    }
    if (data.size() >= 4 && EqualNoCase(data.substr(0, 3), "hex")) {
        std::size_t colon = data.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view kind = data.substr(3, colon - 3);
        auto bytes = ParseHexBytes(data.substr(colon + 1));
        if (!bytes) {
            return std::nullopt;
        }
        if (kind == "(1)" || kind == "(2)") {
            v.type = RegistryValue::Type::String;
            v.data = Utf16LeToUtf8(*bytes);
        } else {
            v.type = RegistryValue::Type::Binary;
            v.data = std::move(*bytes);
        }
        return v;
    }
    return std::nullopt;
}

struct Parsed {
    std::vector<std::string> lines;
    std::vector<Entry> entries;
};

Parsed Parse(std::string content) {
    Parsed p;
    if (content.starts_with("\xEF\xBB\xBF")) {
        content.erase(0, 3);
    }
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t nl = content.find('\n', pos);
        std::size_t end = nl == std::string::npos ? content.size() : nl;
        std::string line = content.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        p.lines.push_back(std::move(line));
        pos = end + 1;
    }

    for (std::size_t i = 0; i < p.lines.size(); ++i) {
        Entry e;
        e.first = e.last = i;
        std::string_view line = p.lines[i];
        std::string_view trimmed = TrimRight(line);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            e.kind = Entry::Kind::Section;
            std::string_view inside = trimmed.substr(1, trimmed.size() - 2);
            if (inside.empty() || inside.front() != '-') {
                e.key = NormaliseKey(inside);
            }
            p.entries.push_back(std::move(e));
            continue;
        }
        if (!line.empty() && (line.front() == '"' || line.front() == '@')) {
            std::string name;
            std::size_t after = 1;
            bool ok = true;
            if (line.front() == '"') {
                auto end = ParseQuoted(line, name);
                ok = end.has_value();
                after = end.value_or(0);
            }
            std::string_view rest = ok ? TrimLeft(line.substr(after)) : std::string_view{};
            if (ok && !rest.empty() && rest.front() == '=') {
                // Hex data may run over several lines, each ending in a backslash. A string
                // never does (a damaged one ending in a backslash must not swallow what
                // follows), and a key's line always begins a new entry.
                std::string data(TrimLeft(rest.substr(1)));
                const bool quoted = !data.empty() && data.front() == '"';
                while (!quoted && !TrimRight(data).empty() && TrimRight(data).back() == '\\' &&
                       e.last + 1 < p.lines.size() &&
                       !TrimLeft(p.lines[e.last + 1]).starts_with('[')) {
                    data = std::string(TrimRight(data));
                    data.pop_back();
                    ++e.last;
                    data += TrimLeft(p.lines[e.last]);
                }
                e.kind = Entry::Kind::Value;
                e.name = std::move(name);
                if (TrimRight(data) != "-") {
                    e.value = ParseData(data);
                }
                i = e.last;
                p.entries.push_back(std::move(e));
                continue;
            }
        }
        p.entries.push_back(std::move(e));
    }
    return p;
}

std::string QuoteString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string ValueName(std::string_view name) {
    return (name.empty() || name == "@") ? std::string("@") : QuoteString(name);
}

bool SameName(const std::string& stored, std::string_view wanted) {
    if (wanted == "@") {
        wanted = {};
    }
    return EqualNoCase(stored, wanted);
}

std::string ReadText(const std::filesystem::path& file) {
    return ReadWholeFile(file, kMaxFileBytes).value_or(std::string());
}

std::string FormatLine(std::string_view name, const RegistryValue& value) {
    static const char* kDigits = "0123456789abcdef";
    std::string line = ValueName(name) + "=";
    if (value.type == RegistryValue::Type::Dword) {
        char digits[9];
        std::uint32_t n = value.dword;
        for (int i = 7; i >= 0; --i) {
            digits[i] = kDigits[n & 0xF];
            n >>= 4;
        }
        digits[8] = '\0';
        return line + "dword:" + digits;
    }
    std::string bytes;
    if (value.type == RegistryValue::Type::Binary) {
        line += "hex:";
        bytes = value.data;
    } else if (value.data.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) {
        return line + QuoteString(value.data);
    } else {
        // A line break cannot stand inside a quoted value of this format; such text is stored
        // as a UTF-16 string in hex, as the export format does for multi-line strings.
        line += "hex(1):";
        bytes = Utf8ToUtf16Le(value.data);
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (i != 0) {
            line.push_back(',');
        }
        line.push_back(kDigits[b >> 4]);
        line.push_back(kDigits[b & 0xF]);
    }
    return line;
}

class FileRegistry final : public detail::RegistryBackend {
public:
    FileRegistry(std::filesystem::path file, std::string rootName)
        : file_(std::move(file)), rootName_(std::move(rootName)) {}

    bool KeyExists(const std::string& key) const override {
        const std::string full = NormaliseKey(rootName_ + "\\" + key);
        Parsed parsed = Parse(ReadText(file_));
        for (const Entry& e : parsed.entries) {
            if (e.kind != Entry::Kind::Section || e.key.size() < full.size()) {
                continue;
            }
            // The key itself or any key below it.
            if (EqualNoCase(std::string_view(e.key).substr(0, full.size()), full) &&
                (e.key.size() == full.size() || e.key[full.size()] == '\\')) {
                return true;
            }
        }
        return false;
    }

    std::optional<RegistryValue> Read(const std::string& key,
                                      std::string_view name) const override {
        const std::string full = NormaliseKey(rootName_ + "\\" + key);
        Parsed parsed = Parse(ReadText(file_));
        bool inKey = false;
        std::optional<RegistryValue> found;
        // A key may appear in several sections; as on import, the last line for a name wins.
        for (const Entry& e : parsed.entries) {
            if (e.kind == Entry::Kind::Section) {
                inKey = !e.key.empty() && EqualNoCase(e.key, full);
            } else if (e.kind == Entry::Kind::Value && inKey && SameName(e.name, name)) {
                found = e.value;
            }
        }
        return found;
    }

    bool Write(const std::string& key, std::string_view name, const RegistryValue* value) override {
        const std::string full = NormaliseKey(rootName_ + "\\" + key);
        const std::optional<std::string> formatted =
            value != nullptr ? std::optional<std::string>(FormatLine(name, *value)) : std::nullopt;
        const std::string* line = formatted ? &*formatted : nullptr;

        std::error_code ec;
        std::filesystem::create_directories(file_.parent_path(), ec);
        std::filesystem::path lockFile = file_;
        lockFile += ".lock";
        detail::RegistryFileLock lock(lockFile);
        if (!lock.locked()) {
            return false;
        }

        std::error_code existsError;
        bool exists = std::filesystem::exists(file_, existsError);
        std::optional<std::string> content = ReadWholeFile(file_, kMaxFileBytes);
        if (exists && !content) {
            // A file that exists but cannot be read (or is too large) must not be replaced by one
            // holding only our value.
            return false;
        }
        const std::string before = content.value_or(std::string());
        Parsed parsed = Parse(before);
        std::vector<std::string>& lines = parsed.lines;
        if (lines.empty() || TrimRight(lines.front()) != kHeader) {
            bool hasOtherContent = !lines.empty();
            lines.insert(lines.begin(), std::string(kHeader));
            if (hasOtherContent) {
                lines.insert(lines.begin() + 1, std::string());
            }
            parsed = Parse([&] {
                std::string joined;
                for (const auto& l : lines) {
                    joined += l;
                    joined += '\n';
                }
                return joined;
            }());
        }

        bool inKey = false;
        std::optional<std::size_t> lastValue;    // entry index of the value to replace
        std::optional<std::size_t> insertAfter;  // physical line after which a new value goes
        for (std::size_t i = 0; i < parsed.entries.size(); ++i) {
            const Entry& e = parsed.entries[i];
            if (e.kind == Entry::Kind::Section) {
                inKey = !e.key.empty() && EqualNoCase(e.key, full);
                if (inKey) {
                    insertAfter = e.last;
                }
                continue;
            }
            if (!inKey) {
                continue;
            }
            if (!TrimRight(lines[e.first]).empty()) {
                insertAfter = e.last;
            }
            if (e.kind == Entry::Kind::Value && line != nullptr && SameName(e.name, name)) {
                lastValue = i;
            }
        }

        if (line != nullptr && lastValue) {
            const Entry& e = parsed.entries[*lastValue];
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(e.first),
                        lines.begin() + static_cast<std::ptrdiff_t>(e.last + 1));
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(e.first), *line);
        } else if (insertAfter) {
            if (line == nullptr) {
                return true;  // the key is there already
            }
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1), *line);
        } else {
            while (!lines.empty() && TrimRight(lines.back()).empty()) {
                lines.pop_back();
            }
            lines.emplace_back();
            lines.push_back("[" + full + "]");
            if (line != nullptr) {
                lines.push_back(*line);
            }
        }

        std::string out;
        for (const auto& l : lines) {
            out += l;
            out += '\n';
        }
        // Writing what is stored already (the window title at every start) would only cost a sync
        // to disk.
        if (exists && out == before) {
            return true;
        }
        return ReplaceFileAtomically(file_, out);
    }

private:
    std::filesystem::path file_;
    std::string rootName_;
};

}  // namespace

const char* RegistryRootName(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

namespace detail {

std::shared_ptr<RegistryBackend> MakeFileRegistry(std::filesystem::path file,
                                                  std::string rootName) {
    return std::make_shared<FileRegistry>(std::move(file), std::move(rootName));
}

}  // namespace detail

RegistryStore::RegistryStore(RegistryRoot root)
    : backend_(detail::MakeSystemRegistry(root, file_)) {}

RegistryStore::RegistryStore(std::filesystem::path file, std::string rootName)
    : file_(std::move(file)), backend_(detail::MakeFileRegistry(file_, std::move(rootName))) {}

RegistryStore::~RegistryStore() = default;

bool RegistryStore::KeyExists(std::string_view keyPath) const {
    return backend_->KeyExists(NormaliseKey(keyPath));
}

std::optional<RegistryValue> RegistryStore::Read(std::string_view keyPath,
                                                 std::string_view name) const {
    return backend_->Read(NormaliseKey(keyPath), name);
}

std::optional<std::string> RegistryStore::ReadString(std::string_view keyPath,
                                                     std::string_view name) const {
    auto value = Read(keyPath, name);
    if (!value) {
        return std::nullopt;
    }
    switch (value->type) {
        case RegistryValue::Type::String:
            return value->data;
        case RegistryValue::Type::Dword:
            return std::to_string(value->dword);
        case RegistryValue::Type::Binary:
            return value->data.substr(0, value->data.find('\0'));
    }
    return std::nullopt;
}

std::optional<std::uint32_t> RegistryStore::ReadDword(std::string_view keyPath,
                                                      std::string_view name) const {
    auto value = Read(keyPath, name);
    if (!value) {
        return std::nullopt;
    }
    if (value->type == RegistryValue::Type::Dword) {
        return value->dword;
    }
    if (value->type != RegistryValue::Type::String || value->data.empty() ||
        value->data.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t n = 0;
    for (char c : value->data) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (n > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(n);
}

bool RegistryStore::WriteString(std::string_view keyPath, std::string_view name,
                                std::string_view value) {
    RegistryValue v;
    v.type = RegistryValue::Type::String;
    v.data = std::string(value);
    return Write(keyPath, name, &v);
}

bool RegistryStore::WriteDword(std::string_view keyPath, std::string_view name,
                               std::uint32_t value) {
    RegistryValue v;
    v.type = RegistryValue::Type::Dword;
    v.dword = value;
    return Write(keyPath, name, &v);
}

bool RegistryStore::CreateKey(std::string_view keyPath) {
    return Write(keyPath, {}, nullptr);
}

bool RegistryStore::Write(std::string_view keyPath, std::string_view name,
                          const RegistryValue* value) {
    const std::string key = NormaliseKey(keyPath);
    // A line break would end the line early and let the rest read as lines of its own (a
    // section or value nobody wrote); NUL ends a name on the system.
    constexpr std::string_view kLineBreaks("\r\n\0", 3);
    if (key.empty() || key.find_first_of(kLineBreaks) != std::string::npos ||
        name.find_first_of(kLineBreaks) != std::string_view::npos) {
        return false;
    }
    return backend_->Write(key, name, value);
}

}  // namespace vorn::platform
