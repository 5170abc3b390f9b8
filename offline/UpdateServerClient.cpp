#include "offline/UpdateServerClient.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "app/AppProfile.h"
#include "monitor/ErrorTexts.h"
#include "offline/CurlLibrary.h"
#include "platform/TextConversion.h"

namespace vorn {

namespace {

constexpr int kMaxAuthenticationRounds = 10;

struct CurlDeleter {
    const CurlLibrary* api;
    void operator()(CURL* curl) const { api->easyCleanup(curl); }
};
struct HeaderListDeleter {
    const CurlLibrary* api;
    void operator()(curl_slist* list) const { api->slistFreeAll(list); }
};

struct Transfer {
    const CurlLibrary* api = nullptr;
    CURL* curl = nullptr;
    std::string* body = nullptr;
    const HttpControl* control = nullptr;
    const HttpLimits* limits = nullptr;
    std::size_t errorBodyRead = 0;
    bool tooLarge = false;
    bool errorBodyCut = false;
    bool cancelled = false;
};

bool IsErrorStatus(long status) {
    return status >= 400 && status <= 599;
}

long Status(const Transfer& transfer) {
    long status = 0;
    transfer.api->easyGetinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

bool Cancelled(Transfer& transfer) {
    if (transfer.control->cancel != nullptr && transfer.control->cancel->load()) {
        transfer.cancelled = true;
    }
    return transfer.cancelled;
}

// The length the server announced is checked before any of the body is read, so that a
// 1 GB announcement ends the request at once.
std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (Cancelled(*transfer)) {
        return 0;
    }
    const std::string_view line(data, bytes);
    if (line != "\r\n" && line != "\n") {
        return bytes;
    }
    curl_off_t announced = -1;
    transfer->api->easyGetinfo(transfer->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    const long status = Status(*transfer);
    if (announced > 0 && !IsErrorStatus(status) && status >= 200 &&
        static_cast<std::uint64_t>(announced) > transfer->limits->maxBody) {
        transfer->tooLarge = true;
        return 0;
    }
    return bytes;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (Cancelled(*transfer)) {
        return 0;
    }
    // An error reply's body is never looked at; a credentials challenge is sent again anyway.
    if (IsErrorStatus(Status(*transfer))) {
        transfer->errorBodyRead += bytes;
        if (transfer->errorBodyRead > transfer->limits->maxErrorBody) {
            transfer->errorBodyCut = true;
            return 0;
        }
        return bytes;
    }
    if (transfer->body->size() + bytes > transfer->limits->maxBody) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->body->append(data, bytes);
    return bytes;
}

// libcurl calls this at least once a second, also while nothing arrives.
int OnProgress(void* user, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t,
               curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    if (Cancelled(*transfer)) {
        return 1;
    }
    if (transfer->control->progress && !IsErrorStatus(Status(*transfer))) {
        transfer->control->progress(
            static_cast<std::uint64_t>(std::max<curl_off_t>(downloaded, 0)),
            static_cast<std::uint64_t>(std::max<curl_off_t>(downloadTotal, 0)));
    }
    return 0;
}

std::string ServerUrl(const std::string& path) {
    std::string host = platform::WideToUtf8(GetHttpServerName());
    if (host.find(':') != std::string::npos && host.front() != '[') {
        host = "[" + host + "]";  // an IPv6 address
    }
    const unsigned port = static_cast<unsigned>(GetHttpServerPort()) & 0xFFFFu;
    return "http://" + host + ":" + std::to_string(port) + path;
}

}  // namespace

std::wstring HttpGetFromServer(const std::string& path, std::string& body,
                               const HttpControl& control) {
    const HttpLimits& limits = control.limits ? *control.limits : kLookupLimits;
    std::string loadError;
    const CurlLibrary* api = LoadCurlLibrary(loadError);
    if (api == nullptr) {
        return platform::Utf8ToWide(loadError);
    }
    std::unique_ptr<CURL, CurlDeleter> curl(api->easyInit(), CurlDeleter{api});
    if (!curl) {
        return platform::Utf8ToWide(api->easyStrerror(CURLE_OUT_OF_MEMORY));
    }
    char errorText[CURL_ERROR_SIZE] = {};
    Transfer transfer{api, curl.get(), &body, &control, &limits};
    // Never a cached copy, from us or a proxy on the way.
    std::unique_ptr<curl_slist, HeaderListDeleter> headers(nullptr, HeaderListDeleter{api});
    for (const char* header : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
        // A failed append returns nullptr and leaves the list as it was, still ours to free.
        curl_slist* list = api->slistAppend(headers.get(), header);
        if (list == nullptr) {
            return platform::Utf8ToWide(api->easyStrerror(CURLE_OUT_OF_MEMORY));
        }
        static_cast<void>(headers.release());
        headers.reset(list);
    }
    const std::string url = ServerUrl(path);
    CURL* c = curl.get();
    api->easySetopt(c, CURLOPT_URL, url.c_str());
    api->easySetopt(c, CURLOPT_HTTPGET, 1L);
    api->easySetopt(c, CURLOPT_USERAGENT, kHttpUserAgent);
    api->easySetopt(c, CURLOPT_HTTPHEADER, headers.get());
    api->easySetopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    api->easySetopt(c, CURLOPT_NOSIGNAL, 1L);
    api->easySetopt(c, CURLOPT_ERRORBUFFER, errorText);
    api->easySetopt(c, CURLOPT_WRITEFUNCTION, OnBody);
    api->easySetopt(c, CURLOPT_WRITEDATA, &transfer);
    api->easySetopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
    api->easySetopt(c, CURLOPT_HEADERDATA, &transfer);
    api->easySetopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    api->easySetopt(c, CURLOPT_XFERINFODATA, &transfer);
    api->easySetopt(c, CURLOPT_NOPROGRESS, 0L);
    // A server that trickles or stops sending must not hold the caller for ever.
    api->easySetopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
    api->easySetopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.deadline.count()));
    if (limits.minBytesPerSecond > 0) {
        api->easySetopt(c, CURLOPT_LOW_SPEED_LIMIT, limits.minBytesPerSecond);
        api->easySetopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.slowWindow.count()));
    }
    api->easySetopt(c, CURLOPT_PROTOCOLS_STR, "http");

    long status = 0;
    std::string user;
    std::string password;
    for (int round = 0;; ++round) {
        errorText[0] = '\0';
        transfer.errorBodyRead = 0;
        transfer.errorBodyCut = false;
        const CURLcode result = api->easyPerform(c);
        if (result != CURLE_OK && !transfer.errorBodyCut) {
            if (transfer.cancelled) {
                return platform::Utf8ToWide(api->easyStrerror(CURLE_ABORTED_BY_CALLBACK));
            }
            if (transfer.tooLarge) {
                return platform::Utf8ToWide(api->easyStrerror(CURLE_FILESIZE_EXCEEDED));
            }
            return platform::Utf8ToWide(errorText[0] != '\0' ? errorText
                                                             : api->easyStrerror(result));
        }
        api->easyGetinfo(c, CURLINFO_RESPONSE_CODE, &status);
        const bool proxy = status == 407;
        if ((status != 401 && !proxy) || !control.prompt || round >= kMaxAuthenticationRounds) {
            break;
        }
        const std::optional<HttpCredentials> answer = control.prompt(proxy);
        if (!answer) {
            break;
        }
        user = platform::WideToUtf8(answer->user);
        password = platform::WideToUtf8(answer->password);
        api->easySetopt(c, proxy ? CURLOPT_PROXYUSERNAME : CURLOPT_USERNAME, user.c_str());
        api->easySetopt(c, proxy ? CURLOPT_PROXYPASSWORD : CURLOPT_PASSWORD, password.c_str());
        api->easySetopt(c, proxy ? CURLOPT_PROXYAUTH : CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }
    if (IsErrorStatus(status)) {
        return HttpStatusText(static_cast<int>(status));
    }
    return {};
}

std::string PercentEncode(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::int32_t ParseModelReply(std::string_view body) {
    constexpr std::string_view kKey = "\"model\":";
    const std::size_t key = body.find(kKey);
    if (key == std::string_view::npos) {
        return 0;
    }
    const std::size_t start = key + kKey.size();
    const std::size_t brace = body.find('}', start);
    if (brace == std::string_view::npos) {
        return 0;
    }
    // As atoi: white space, a sign, digits; anything else ends the number.
    std::string_view value = body.substr(start, brace - start);
    while (!value.empty() &&
           (value.front() == ' ' || (value.front() >= '\t' && value.front() <= '\r'))) {
        value.remove_prefix(1);
    }
    bool negative = false;
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    long long number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + (c - '0');
        if (number > INT_MAX) {
            return 0;  // out of range: no model the server could mean
        }
    }
    return static_cast<std::int32_t>(negative ? -number : number);
}

std::wstring QueryDeviceModel(const std::wstring& serialNumber, std::int32_t& model,
                              const HttpControl& control) {
    std::string body;
    // Encoded: a blank would break the request line and a '&' would start another parameter.
    const std::wstring error = HttpGetFromServer(
        "/getmodel?serialno=" + PercentEncode(platform::WideToUtf8(serialNumber)), body, control);
    if (!error.empty()) {
        return error;
    }
    model = ParseModelReply(body);
    return model == 0 ? std::wstring(kSerialNotFound) : std::wstring();
}

bool DownloadUpdate(std::int32_t model, std::string& body, std::wstring& error,
                    const HttpControl& control) {
    body.clear();
    HttpControl download = control;
    if (!download.limits) {
        download.limits = kDownloadLimits;
    }
    error = HttpGetFromServer("/update?model=" + std::to_string(model), body, download);
    return error.empty();
}

}  // namespace vorn
