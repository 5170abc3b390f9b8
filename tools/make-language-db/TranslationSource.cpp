#include "tools/make-language-db/TranslationSource.h"

#include <cstdint>
#include <optional>
#include <set>

namespace vorn::tools {

namespace {

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
            case 't':
                out.push_back('\t');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

// Well-formed UTF-8 without overlong forms or surrogates.
bool IsUtf8(std::string_view text) {
    static const std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (b >= 0x80) {
            if ((b >> 5) == 0x6) {
                extra = 1;
            } else if ((b >> 4) == 0xE) {
                extra = 2;
            } else if ((b >> 3) == 0x1E) {
                extra = 3;
            } else {
                return false;
            }
        }
        if (i + extra >= text.size() && extra != 0) {
            return false;
        }
        std::uint32_t cp = extra == 0 ? b : (b & (0x3Fu >> extra));
        for (std::size_t k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace

TranslationSource ParseTranslationSource(std::string_view text) {
    TranslationSource result;
    std::set<std::string> seen;
    int number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string_view line =
            text.substr(pos, end == std::string_view::npos ? text.size() - pos : end - pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        auto fail = [&](const std::string& why) {
            result.errors.push_back("line " + std::to_string(number) + ": " + why);
        };
        if (!IsUtf8(line)) {
            fail("not UTF-8");
            continue;
        }
        std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || line.find('\t', tab + 1) != std::string_view::npos) {
            fail("expected exactly one tab between the text and its translation");
            continue;
        }
        auto source = Unescape(line.substr(0, tab));
        auto translation = Unescape(line.substr(tab + 1));
        if (!source || !translation) {
            fail("unknown escape or a backslash at the end");
            continue;
        }
        if (source->empty() || translation->empty()) {
            fail("empty text or translation");
            continue;
        }
        if (!seen.insert(*source).second) {
            fail("the text has a translation already");
            continue;
        }
        result.pairs.push_back({std::move(*source), std::move(*translation), number});
    }
    return result;
}

}  // namespace vorn::tools
