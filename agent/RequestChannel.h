#pragma once

#include <chrono>
#include <string>

namespace vorn {

// How long one request may take, from connecting to the last byte of the reply.
inline constexpr std::chrono::milliseconds kAgentCallTimeout{5000};

// One synchronous request to the agent on the request pipe: connects, sends `request` and
// shuts down sending (an empty request is a connection that sends nothing), reads the reply up
// to the end of the stream and closes. `reply` is emptied first and filled only on success; an
// agent that closes after reading the request without writing gave an empty reply. Fails at
// once when no agent listens; otherwise within kAgentCallTimeout. A reply is read whole,
// whatever its length, up to platform::kMaxMessageBytes; a larger one fails the call and is
// logged. Stateless; safe from any thread.
bool CallAgent(const std::string& request, std::string& reply);

}  // namespace vorn
