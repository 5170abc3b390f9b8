#include "platform/EventPipeMessages.h"

#include <utility>

#include "platform/LocalPipe.h"
#include "platform/ProgramLog.h"

namespace vorn::platform::detail {

void EventPipeMessages::ConnectionEnded(std::string& text, std::size_t received, bool complete) {
    if (received > kMaxMessageBytes) {
        // Refused whether it ended or was cut off: what arrived is already past the cap.
        ProgramLog("event channel: a message of %s%zu bytes refused (limit %zu)",
                   complete ? "" : "at least ", received, kMaxMessageBytes);
        queue_.push_back({std::move(text), received});
    } else if (complete) {
        queue_.push_back({std::move(text), 0});
    }
    std::string().swap(text);
}

bool EventPipeMessages::Take(std::string& text, std::size_t* refusedBytes) {
    text.clear();
    if (refusedBytes) {
        *refusedBytes = 0;
    }
    if (queue_.empty()) {
        return false;
    }
    Message message = std::move(queue_.front());
    queue_.pop_front();
    if (message.refusedBytes > 0) {
        if (refusedBytes) {
            *refusedBytes = message.refusedBytes;
            text = std::move(message.text);
        }
        return false;
    }
    text = std::move(message.text);
    return true;
}

}  // namespace vorn::platform::detail
