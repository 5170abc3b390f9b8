#include "logging/CHtmlTokenizer.h"

#include <cstring>

namespace Kavro::Utilities::XML {

CHtmlTokenizer::CHtmlTokenizer(const char* text, std::size_t length)
    : start_(text == nullptr ? "" : text), length_(text == nullptr ? 0 : length) {}

std::string_view CHtmlTokenizer::NextToken() {
    const std::size_t p = position_;
    const std::size_t n = length_;
    if (p >= n) {
        return {start_ + n, 0};
    }
    std::size_t end = n;
    if (start_[p] == '<') {
        if (n - p - 1 > 3 && std::memcmp(start_ + p, "<!--", 4) == 0) {
            for (std::size_t i = p + 4; i < n; ++i) {
                if (start_[i] == '>' && start_[i - 1] == '-' && start_[i - 2] == '-') {
                    end = i + 1;
                    break;
                }
            }
        } else {
            for (std::size_t i = p + 1; i < n; ++i) {
                const char c = start_[i];
                if (c == '>') {
                    end = i + 1;
                    break;
                }
                if (c == '<') {  // an unclosed tag ends where the next one begins
                    end = i;
                    break;
                }
                if (c == '"' || c == '\'') {
                    const void* close = std::memchr(start_ + i + 1, c, n - i - 1);
                    if (close == nullptr) {
                        break;
                    }
                    i = static_cast<std::size_t>(static_cast<const char*>(close) - start_);
                }
            }
        }
    } else {
        const void* open = std::memchr(start_ + p, '<', n - p);
        if (open != nullptr) {
            end = static_cast<std::size_t>(static_cast<const char*>(open) - start_);
        }
    }
    position_ = end;
    return {start_ + p, end - p};
}

}  // namespace Kavro::Utilities::XML
