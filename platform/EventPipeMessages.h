#pragma once

// Inside the platform layer only: what the event pipe server of either platform keeps of its
// connections once they end, in the order they ended.

#include <cstddef>
#include <deque>
#include <string>

namespace vorn::platform::detail {

class EventPipeMessages {
public:
    // A connection ended, having sent `received` bytes of which `text` holds what was kept (its
    // beginning, once past the cap). `complete` when its writer ended the message; a message
    // cut off below the cap is dropped. One past the cap is refused whether complete or not,
    // and logged with its size. `text` is left empty.
    void ConnectionEnded(std::string& text, std::size_t received, bool complete);

    bool empty() const { return queue_.empty(); }
    void clear() { queue_.clear(); }

    // The oldest message into `text`; false when there is none, or it was refused: then
    // `refusedBytes` (when given) receives its size and `text` its beginning.
    bool Take(std::string& text, std::size_t* refusedBytes);

private:
    struct Message {
        std::string text;
        std::size_t refusedBytes = 0;
    };
    std::deque<Message> queue_;
};

}  // namespace vorn::platform::detail
