#pragma once

// The update-server client: HTTP GET requests to the server named by the profile values
// "SpecificPlatforms"/"ServerName" and "ServerPort", read afresh for every request. Runs on the
// calling thread and blocks it for the request.

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

// One GET of `path` (request target, used as given) on the configured server. Appends the body
// to `body` unless the status is 400 to 599. Returns the error text: empty on success, the
// translated status text for 400 to 599, the transport's own message for a failure to talk to
// the server. Redirections are not followed: a 3xx body is the reply.
std::wstring HttpGetFromServer(const std::string& path, std::string& body,
                               const CredentialsPrompt& prompt = {});

// UTF-8 percent-encoding of a query value: everything but letters, digits and "-._~".
std::string PercentEncode(std::string_view utf8);

// The model code in a lookup reply: the integer after "\"model\":" up to the next '}', read as
// atoi reads it (a quoted value gives 0); 0 when the key or the brace is missing.
std::int32_t ParseModelReply(std::string_view body);

// Asks the server for the model of a serial number. Sets `model` on success (the server's
// answer, 0 included) and returns the error text; "Серийный номер не найден в базе данных" when
// the model is 0.
std::wstring QueryDeviceModel(const std::wstring& serialNumber, std::int32_t& model,
                              const CredentialsPrompt& prompt = {});

// Downloads the package of a model into `body` (emptied first); true when error is empty.
bool DownloadUpdate(std::int32_t model, std::string& body, std::wstring& error,
                    const CredentialsPrompt& prompt = {});

}  // namespace vorn
