#pragma once

#include <exception>
#include <string>

namespace Localization {

// Failure of the SQLite layer: an SQLite result code, or LayerError for what the layer finds
// itself. what() reads "NAME [CODE]" or "NAME [CODE]: message".
class SqlException : public std::exception {
public:
    static constexpr int LayerError = 1000;

    SqlException(int code, const std::string& message);

    int code() const noexcept { return code_; }
    const char* what() const noexcept override { return text_.c_str(); }

    // "SQLITE_ERROR" for 1, "LAYER_ERROR" for 1000, "UNKNOWN_ERROR" for codes without a name.
    static const char* codeName(int code) noexcept;

private:
    int code_;
    std::string text_;
};

}  // namespace Localization
