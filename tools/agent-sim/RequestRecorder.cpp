#include "tools/agent-sim/RequestRecorder.h"

#include <fstream>

namespace vorn::sim {

std::string EscapeRequest(std::string_view request) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line;
    line.reserve(request.size());
    for (char c : request) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\\':
                line += "\\\\";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    line += "\\x";
                    line += kHex[byte >> 4];
                    line += kHex[byte & 0x0F];
                } else {
                    line += c;
                }
        }
    }
    return line;
}

bool RequestRecorder::Append(std::string_view request) {
    const std::string line = EscapeRequest(request) + "\n";
    std::lock_guard lock(mutex_);
    std::ofstream out(file_, std::ios::binary | std::ios::app);
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace vorn::sim
