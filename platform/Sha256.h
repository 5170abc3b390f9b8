#pragma once

// SHA-256 from the system's own cryptography: OpenSSL's libcrypto on Linux, CNG (bcrypt.dll) on
// Windows. The library is opened when the first digest is asked for, not at program start: it is
// large, and most starts never compute one.

#include <memory>
#include <string>
#include <string_view>

namespace vorn::platform {

// The library that provides the digest on this platform.
extern const char* const kSha256Library;

struct Sha256Functions;

// The digest functions of `library`, loaded once per name and kept until the program ends (a
// digest may be running on another thread); nullptr, with `error` saying why, when the library
// cannot be opened or lacks a function. Safe from any thread.
const Sha256Functions* LoadSha256(const std::string& library, std::string& error);

// One SHA-256 computation; each step returns false once anything failed.
class Sha256 {
public:
    // Without functions every step fails.
    explicit Sha256(const Sha256Functions* functions);
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool Update(std::string_view bytes);
    // The digest in lower-case hexadecimal, as sha256sum writes it; empty after a failure.
    std::string FinishHex();

private:
    struct State;
    const Sha256Functions* functions_;
    std::unique_ptr<State> state_;
};

}  // namespace vorn::platform
