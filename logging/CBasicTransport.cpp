#include "logging/CBasicTransport.h"

#include <chrono>
#include <string_view>

#include "platform/WindowMessage.h"

namespace Kavro::Greywick {

CBasicTransport::CBasicTransport(std::uint32_t tag, std::string clientName)
    : tag_(tag), clientName_(std::move(clientName)) {}

CBasicTransport::~CBasicTransport() = default;

int CBasicTransport::Send(const char* command, std::size_t length, std::uint32_t timeoutMs) const {
    using vorn::platform::CopyDataResult;
    const std::string_view bytes =
        command != nullptr ? std::string_view(command, length) : std::string_view();
    switch (vorn::platform::SendCopyData(clientName_, tag_, bytes,
                                         std::chrono::milliseconds(timeoutMs))) {
        case CopyDataResult::Taken:
            return kTaken;
        case CopyDataResult::NoWindow:
            return kNoClient;
        case CopyDataResult::Failed:
            break;
    }
    return kFailed;
}

}  // namespace Kavro::Greywick
