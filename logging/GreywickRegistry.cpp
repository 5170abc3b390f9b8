#include "logging/GreywickRegistry.h"

#include "logging/MarkupCase.h"
#include "platform/RegistryStore.h"

namespace Kavro::Greywick {

using Kavro::Utilities::XML::EqualsFolded;

std::optional<std::string> ReadGreywickString(std::string_view name) {
    const vorn::platform::RegistryStore machine(vorn::platform::RegistryRoot::LocalMachine);
    return machine.ReadString(kGreywickKey, name);
}

bool ParseRegistryBool(std::string_view text, bool ifEmpty, bool ifUnrecognised) {
    if (text.empty()) {
        return ifEmpty;
    }
    if (text == "1" || EqualsFolded(text, "true") || EqualsFolded(text, "yes")) {
        return true;
    }
    if (text == "0" || EqualsFolded(text, "false") || EqualsFolded(text, "no")) {
        return false;
    }
    return ifUnrecognised;
}

}  // namespace Kavro::Greywick
