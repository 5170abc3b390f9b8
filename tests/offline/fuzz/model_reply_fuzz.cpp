// Fuzz target for the update server's reply to a model lookup: any bytes as the body. The
// model read must be what a plain reading of the body gives.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "offline/UpdateServerClient.h"

namespace {

// The reference: after the first "\"model\":", blanks, a sign, digits up to the first other
// character, all before the next '}'; 0 when anything is missing or the number is too large.
std::int32_t Expected(std::string_view body) {
    const auto key = body.find("\"model\":");
    if (key == std::string_view::npos) {
        return 0;
    }
    std::string_view rest = body.substr(key + 8);
    const auto brace = rest.find('}');
    if (brace == std::string_view::npos) {
        return 0;
    }
    rest = rest.substr(0, brace);
    std::size_t i = rest.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string_view::npos) {
        return 0;
    }
    bool negative = false;
    if (rest[i] == '+' || rest[i] == '-') {
        negative = rest[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i) {
        value = value * 10 + (rest[i] - '0');
        if (value > INT_MAX) {
            return 0;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    if (vorn::ParseModelReply(body) != Expected(body)) {
        std::abort();
    }
    return 0;
}
