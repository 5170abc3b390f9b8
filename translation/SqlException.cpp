#include "translation/SqlException.h"

namespace Localization {

namespace {

constexpr const char* kNames[] = {
    "SQLITE_OK",       "SQLITE_ERROR",   "SQLITE_INTERNAL", "SQLITE_PERM",     "SQLITE_ABORT",
    "SQLITE_BUSY",     "SQLITE_LOCKED",  "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
    "SQLITE_IOERR",    "SQLITE_CORRUPT", "SQLITE_NOTFOUND", "SQLITE_FULL",     "SQLITE_CANTOPEN",
    "SQLITE_PROTOCOL", "SQLITE_EMPTY",   "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
    "SQLITE_MISMATCH", "SQLITE_MISUSE",  "SQLITE_NOLFS",    "SQLITE_AUTH",     "SQLITE_FORMAT",
    "SQLITE_RANGE",
};

}  // namespace

SqlException::SqlException(int code, const std::string& message) : code_(code) {
    text_ = codeName(code);
    text_ += " [" + std::to_string(code) + "]";
    if (!message.empty()) {
        text_ += ": " + message;
    }
}

const char* SqlException::codeName(int code) noexcept {
    if (code >= 0 && code < static_cast<int>(std::size(kNames))) {
        return kNames[code];
    }
    switch (code) {
        case 100:
            return "SQLITE_ROW";
        case 101:
            return "SQLITE_DONE";
        case LayerError:
            return "LAYER_ERROR";
        default:
            return "UNKNOWN_ERROR";
    }
}

}  // namespace Localization
