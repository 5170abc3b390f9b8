#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Kavro::Greywick {

// Offers log commands to the configuration client, a program outside this system whose window
// has a fixed title: the command goes to that window with the tag, and the window answers 1
// when it took it (platform/WindowMessage.h).
class CBasicTransport {
public:
    static constexpr const char* kClientName = "_grey_wick_EF195BD5-E33E-42a9-9625-E3989EE3CDE1";

    // Results of Send.
    static constexpr int kTaken = 0;     // the client answered 1
    static constexpr int kFailed = 1;    // delivery failed, timed out or was not acknowledged
    static constexpr int kNoClient = 2;  // no such window

    explicit CBasicTransport(std::uint32_t tag, std::string clientName = kClientName);
    virtual ~CBasicTransport();

    CBasicTransport(const CBasicTransport&) = delete;
    CBasicTransport& operator=(const CBasicTransport&) = delete;

    int Send(const char* command, std::size_t length, std::uint32_t timeoutMs) const;

private:
    std::uint32_t tag_;
    std::string clientName_;
};

}  // namespace Kavro::Greywick
