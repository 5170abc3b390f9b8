// Fuzz target for the agent's replies and notifications as the protocol reader sees them: any
// bytes are parsed as a message, and every reader of the protocol is run over what parsed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/AgentProtocol.h"
#include "agent/AgentProtocolMessage.h"

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto message = AgentMessage::Parse(text);
    if (!message) {
        return 0;
    }
    for (const auto& [name, value] : message->attributes()) {
        message->Text(name);
        message->Int(name);
        message->Int64(name);
        message->Fraction(name);
        ParseCheckTime(value);
        IsOptionSwitchOn(value);
    }
    for (const auto& child : message->children()) {
        ReadDeviceInfo(child);
    }
    ReadDeviceInfo(*message);
    ReadDeviceList(*message);
    ReadOptions(*message);
    ReadError(*message);
    ReadAllowScanning(*message);
    return 0;
}
