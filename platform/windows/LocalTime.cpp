#include "platform/LocalTime.h"

namespace vorn::platform {

std::optional<std::tm> ToLocalTime(std::time_t time) {
    std::tm local{};
    if (::localtime_s(&local, &time) != 0) {
        return std::nullopt;
    }
    return local;
}

}  // namespace vorn::platform
