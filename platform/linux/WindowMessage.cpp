#include "platform/WindowMessage.h"

#include <string>

#include "platform/LocalPipe.h"
#include "platform/linux/LocalSocket.h"

namespace vorn::platform {

namespace {

void AppendLittleEndian(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFFu);
    }
}

}  // namespace

CopyDataResult SendCopyData(std::string_view windowTitle, std::uint32_t tag, std::string_view bytes,
                            std::chrono::milliseconds timeout) {
    const Deadline deadline = Clock::now() + timeout;
    PipeStatus status = PipeStatus::Failed;
    const UniqueFd fd = ConnectPipe(windowTitle, deadline, &status, PipeKind::Records);
    if (!fd) {
        return status == PipeStatus::NotFound ? CopyDataResult::NoWindow : CopyDataResult::Failed;
    }

    std::string record;
    record.reserve(4 + bytes.size());
    AppendLittleEndian(record, tag);
    record.append(bytes);
    if (SendRecord(fd.get(), record, deadline) != PipeStatus::Ok) {
        return CopyDataResult::Failed;
    }

    std::string reply;
    if (ReceiveRecord(fd.get(), reply, deadline, nullptr, 4) != PipeStatus::Ok ||
        reply.size() != 4) {
        return CopyDataResult::Failed;
    }
    std::uint32_t result = 0;
    for (int i = 3; i >= 0; --i) {
        result = (result << 8) | static_cast<unsigned char>(reply[static_cast<std::size_t>(i)]);
    }
    return result == 1 ? CopyDataResult::Taken : CopyDataResult::Failed;
}

}  // namespace vorn::platform
