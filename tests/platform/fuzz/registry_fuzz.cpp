// Fuzz target for the settings store's file reader: any bytes as the registry file of the
// current user. Reads must not fail whatever the file holds; a write to the file must keep every
// value that was readable before and read back exactly what was written.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileWrite.h"
#include "platform/RegistryStore.h"
#include "tests/support/FuzzFolder.h"

using vorn::platform::RegistryStore;
using vorn::platform::RegistryValue;

namespace {

struct Probe {
    const char* key;
    const char* name;
};
constexpr Probe kProbes[] = {
    {"Software\\Quorin\\Zelt\\AgentZelt", "ServerName"},
    {"Software\\Quorin\\Zelt\\AgentZelt", "Port"},
    {"Software\\Quorin\\Zelt\\AgentZelt", "Multi"},
    {"Software\\Quorin\\Zelt", "CurrentLanguage"},
    {"Software\\Quorin\\Zelt", "@"},
    {"Software\\Other", "Keep"},
};
constexpr const char* kWrittenKey = "Software\\Quorin\\Zelt\\Fuzz";

bool Same(const std::optional<RegistryValue>& a, const std::optional<RegistryValue>& b) {
    if (a.has_value() != b.has_value()) {
        return false;
    }
    return !a || (a->type == b->type && a->data == b->data && a->dword == b->dword);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vorn::test::FuzzFolder folder("vorn-registry-fuzz");
    const auto file = folder.path / "HKEY_CURRENT_USER.reg";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!vorn::platform::ReplaceFileAtomically(file, bytes)) {
        return 0;
    }
    RegistryStore store(file, "HKEY_CURRENT_USER");
    std::vector<std::optional<RegistryValue>> before;
    for (const auto& probe : kProbes) {
        store.KeyExists(probe.key);
        store.ReadString(probe.key, probe.name);
        store.ReadDword(probe.key, probe.name);
        before.push_back(store.Read(probe.key, probe.name));
    }
    // The name comes from the input as it is. The text carries what must be escaped and the
    // input's printable characters and line breaks (a string ends at NUL on the system, and
    // one with line breaks is stored as UTF-16, which holds only valid text).
    const std::string name = bytes.substr(0, std::min<std::size_t>(bytes.size(), 12));
    std::string value = "a\\b \"q\" ";
    for (std::size_t i = 0; i < std::min<std::size_t>(bytes.size(), 16); ++i) {
        const char c = bytes[i];
        if ((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n') {
            value.push_back(c);
        }
    }
    if (!store.WriteString(kWrittenKey, name, value)) {
        return 0;  // refused (a name it cannot write): the file is as it was
    }
    const auto read = store.ReadString(kWrittenKey, name);
    if (!read || *read != value) {
        std::fprintf(stderr, "written value reads back as %s\n", read ? read->c_str() : "nothing");
        std::abort();
    }
    for (std::size_t i = 0; i < std::size(kProbes); ++i) {
        if (!Same(store.Read(kProbes[i].key, kProbes[i].name), before[i])) {
            std::fprintf(stderr, "%s\\%s changed by the write\n", kProbes[i].key, kProbes[i].name);
            std::abort();
        }
    }
    return 0;
}
