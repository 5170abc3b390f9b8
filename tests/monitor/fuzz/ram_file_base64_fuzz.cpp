// Fuzz target for the Base64 content of a RAM file the agent sends: the printable bytes of the
// input become the content attribute of a ram_file_get notification. Content that is strict
// Base64 must be saved as exactly the bytes a plain decoder gives; anything else must be refused
// with the error box and nothing saved.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "monitor/NotificationHandler.h"
#include "tests/monitor/RecordingWindow.h"
#include "tests/support/FuzzFolder.h"

namespace {

int Sextet(char c) {
    const std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto at = alphabet.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// The reference: bit by bit, "=" only as the last one or two characters of the whole text.
std::optional<std::string> Decode(const std::string& text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') {
        ++padding;
    }
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    for (std::size_t i = 0; i + padding < text.size(); ++i) {
        const int v = Sextet(text[i]);
        if (v < 0) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vorn::test::FuzzFolder folder("vorn-ram-fuzz");
    const std::filesystem::path target = folder.path / "saved.zip";
    std::filesystem::remove(target);

    // Printable ASCII only: an attribute value keeps no control characters as they were.
    std::string content;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] >= 0x20 && data[i] < 0x7F) {
            content.push_back(static_cast<char>(data[i]));
        }
    }
    vorn::test::RecordingWindow window;
    window.answer = target;
    vorn::HandleNotification(
        "<ram_file_get id=\"1\" filename=\"a.zip\" content=\"" + Escaped(content) + "\"/>", window);

    const auto count = [&](const std::wstring& prefix) {
        std::size_t n = 0;
        for (const std::wstring& call : window.calls) {
            n += call.rfind(prefix, 0) == 0 ? 1 : 0;
        }
        return n;
    };
    const std::size_t errorBoxes = count(L"error box ");
    const std::size_t saveQuestions = count(L"ask save ");
    const auto expected = Decode(content);
    if (!expected) {
        if (errorBoxes != 1 || saveQuestions != 0) {
            std::abort();
        }
        return 0;
    }
    std::ifstream in(target, std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (errorBoxes != 0 || saveQuestions != 1 || saved != *expected) {
        std::abort();
    }
    return 0;
}
