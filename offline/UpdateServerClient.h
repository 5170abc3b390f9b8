#pragma once

// The update-server client: HTTP GET requests to the server named by the profile values
// "SpecificPlatforms"/"ServerName" and "ServerPort", read afresh for every request. Runs on the
// calling thread and blocks it for the request; every request has an end (its limits) and can
// be cancelled from another thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

inline constexpr const wchar_t* kSerialNotFound = L"Серийный номер не найден в базе данных";
inline constexpr const char* kHttpUserAgent = "Tulvo";
// A package larger than this is refused rather than held in memory.
inline constexpr std::size_t kMaxReplyBytes = 512u * 1024u * 1024u;

struct HttpCredentials {
    std::wstring user;
    std::wstring password;
};

// Asked when the server (401) or a proxy (407) wants credentials: the credentials to send the
// request again with, or nothing when the operator cancels.
using CredentialsPrompt = std::function<std::optional<HttpCredentials>(bool proxy)>;

// How long one request may take and how much it may bring.
struct HttpLimits {
    std::chrono::milliseconds connect{30'000};
    // The whole request, from connecting to the last byte (each resend after a credentials
    // prompt starts it again).
    std::chrono::milliseconds deadline{60'000};
    // Given up when fewer than this many bytes a second arrive over `slowWindow`; 0: no rule.
    long minBytesPerSecond = 0;
    std::chrono::seconds slowWindow{30};
    // Larger bodies are refused, at once when the server announces the length.
    std::size_t maxBody = kMaxReplyBytes;
    // The body of a 400 to 599 reply is never looked at: reading stops here.
    std::size_t maxErrorBody = 64u * 1024u;
};

// The model lookup: a short reply, a minute at most.
inline constexpr HttpLimits kLookupLimits{std::chrono::milliseconds(30'000),
                                          std::chrono::milliseconds(60'000),
                                          0,
                                          std::chrono::seconds(30),
                                          1024u * 1024u,
                                          64u * 1024u};
// The package download: as long as it keeps 10 KiB/s over 30 s, half an hour at most.
inline constexpr HttpLimits kDownloadLimits{std::chrono::milliseconds(30'000),
                                            std::chrono::milliseconds(30 * 60'000),
                                            10 * 1024,
                                            std::chrono::seconds(30),
                                            kMaxReplyBytes,
                                            64u * 1024u};

// What the caller adds to a request besides its target.
struct HttpControl {
    CredentialsPrompt prompt;
    // Set from any thread: the transfer ends within a second with an error.
    const std::atomic<bool>* cancel = nullptr;
    // Bytes of the body received so far and the length the server announced (0: unknown);
    // called on the requesting thread, often.
    std::function<void(std::uint64_t received, std::uint64_t announced)> progress;
    // The request's own limits when empty.
    std::optional<HttpLimits> limits;
};

// One GET of `path` (request target, used as given) on the configured server. Appends the body
// to `body` unless the status is 400 to 599. Returns the error text: empty on success, the
// translated status text for 400 to 599, the transport's own message for a failure to talk to
// the server, a limit that was passed or a cancellation. Redirections are not followed: a 3xx
// body is the reply. Limits: control.limits, else kLookupLimits.
std::wstring HttpGetFromServer(const std::string& path, std::string& body,
                               const HttpControl& control = {});

// UTF-8 percent-encoding of a query value: everything but letters, digits and "-._~".
std::string PercentEncode(std::string_view utf8);

// The model code in a lookup reply: the integer after "\"model\":" up to the next '}', read as
// atoi reads it (a quoted value gives 0); 0 when the key or the brace is missing.
std::int32_t ParseModelReply(std::string_view body);

// Asks the server for the model of a serial number. Sets `model` on success (the server's
// answer, 0 included) and returns the error text; "Серийный номер не найден в базе данных" when
// the model is 0. Limits: kLookupLimits unless control says otherwise.
std::wstring QueryDeviceModel(const std::wstring& serialNumber, std::int32_t& model,
                              const HttpControl& control = {});

// Downloads the package of a model into `body` (emptied first); true when error is empty.
// Limits: kDownloadLimits unless control says otherwise.
bool DownloadUpdate(std::int32_t model, std::string& body, std::wstring& error,
                    const HttpControl& control = {});

}  // namespace vorn
