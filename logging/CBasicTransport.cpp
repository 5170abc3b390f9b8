#include "logging/CBasicTransport.h"

#include <chrono>

#include "platform/LocalPipe.h"

namespace Kavro::Greywick {

namespace {

void AppendLittleEndian(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFFu);
    }
}

}  // namespace

CBasicTransport::CBasicTransport(std::uint32_t tag, std::string clientName)
    : tag_(tag), clientName_(std::move(clientName)) {}

CBasicTransport::~CBasicTransport() = default;

int CBasicTransport::Send(const char* command, std::size_t length, std::uint32_t timeoutMs) const {
    using namespace vorn::platform;
    const Deadline deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);

    PipeStatus status = PipeStatus::Failed;
    const UniqueFd fd = ConnectPipe(clientName_, deadline, &status, PipeKind::Records);
    if (!fd) {
        return status == PipeStatus::NotFound ? kNoClient : kFailed;
    }

    std::string record;
    record.reserve(4 + length);
    AppendLittleEndian(record, tag_);
    if (command != nullptr) {
        record.append(command, length);
    }
    if (SendRecord(fd.get(), record, deadline) != PipeStatus::Ok) {
        return kFailed;
    }

    std::string reply;
    if (ReceiveRecord(fd.get(), reply, deadline, nullptr, 4) != PipeStatus::Ok ||
        reply.size() != 4) {
        return kFailed;
    }
    std::uint32_t result = 0;
    for (int i = 3; i >= 0; --i) {
        result = (result << 8) | static_cast<unsigned char>(reply[static_cast<std::size_t>(i)]);
    }
    return result == 1 ? kTaken : kFailed;
}

}  // namespace Kavro::Greywick
