#pragma once

#include <chrono>
#include <string>

namespace vorn {

// How long one request may take, from connecting to the last byte of the reply.
inline constexpr std::chrono::milliseconds kAgentCallTimeout{5000};

// One synchronous request to the agent on the request pipe: connects, sends `request` as one
// message (an empty request is a zero-length message), reads one reply and closes. `reply` is
// emptied first and filled only on success. Fails at once when no agent listens; otherwise
// within kAgentCallTimeout. A reply is read whole, whatever its length, up to the largest
// record the pipe accepts. Stateless; safe from any thread.
bool CallAgent(const std::string& request, std::string& reply);

}  // namespace vorn
