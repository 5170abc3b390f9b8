#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/linux/LocalSocket.h"

namespace vorn::tools {

// One reply the server sends instead of what it would have answered.
struct HttpReply {
    HttpReply() = default;
    HttpReply(int status_, std::string body_,
              std::vector<std::pair<std::string, std::string>> headers_ = {})
        : status(status_), body(std::move(body_)), headers(std::move(headers_)) {}
    // A hostile reply: `body` sent `repeat_` times, `pause_` after every `chunk_` bytes, under
    // the announced length.
    static HttpReply Hostile(int status_, std::string body_, std::uint64_t announced,
                             std::uint64_t repeat_, std::size_t chunk_,
                             std::chrono::milliseconds pause_) {
        HttpReply reply(status_, std::move(body_));
        reply.announcedLength = announced;
        reply.repeat = repeat_;
        reply.chunk = chunk_;
        reply.pause = pause_;
        return reply;
    }

    int status = 200;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    // A hostile server: the length announced instead of the true one (the connection closes
    // where the sent body ends), the body sent `repeat` times over, and a pause after every
    // `chunk` bytes (0: no pauses).
    std::optional<std::uint64_t> announcedLength;
    std::uint64_t repeat = 1;
    std::size_t chunk = 0;
    std::chrono::milliseconds pause{0};
};

// What the server saw of one request.
struct SeenRequest {
    std::string method;
    std::string target;  // as sent, not decoded
    std::string userAgent;
    std::string authorization;
    std::string head;  // the whole request head
};

// A small HTTP/1.1 update server on 127.0.0.1 for tests and demonstrations:
//   GET /getmodel?serialno=S  -> {"serialno":"S","model":N}, N from the model table, 0 unknown
//   GET /update?model=N       -> the file <packages>/model-N.zip, 404 when there is none
// Every answer closes its connection. A fixed reply may be set for any target, and a
// user name and password may be required (Basic), which answers 401 until they come.
class UpdateServer {
public:
    struct Config {
        std::filesystem::path packages;
        std::map<std::string, int> models;       // serial number -> model code
        std::optional<std::string> credentials;  // "user:password"
    };

    explicit UpdateServer(Config config);
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    // Listens on 127.0.0.1:port (0: any free port) and serves on a thread of its own.
    bool Start(std::uint16_t port, std::string& error);
    void Stop();
    std::uint16_t Port() const { return port_; }

    // Answers requests for exactly this target (path and query as sent) with `reply`.
    void SetReply(const std::string& target, HttpReply reply);
    void SetModel(const std::string& serial, int model);
    std::vector<SeenRequest> Requests() const;

    // The answer to one request head; public so that the routing is testable without a socket.
    HttpReply Answer(const SeenRequest& request);

private:
    void Serve();
    void ServeClient(int fd);
    // Sends all of `bytes` unless the client goes or Stop is called; false then.
    bool Send(int fd, std::string_view bytes);
    // Waits `pause` unless Stop is called; false then.
    bool Pause(std::chrono::milliseconds pause);

    Config config_;
    mutable std::mutex mutex_;
    std::map<std::string, HttpReply> fixed_;
    std::vector<SeenRequest> seen_;
    platform::UniqueFd listener_;
    platform::UniqueFd stop_;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

// Percent-decoding of a query value ('+' stays a '+'); malformed escapes are kept as they are.
std::string PercentDecode(std::string_view text);
// The value of `name` in the query part of a request target, decoded; nothing when absent.
std::optional<std::string> QueryValue(std::string_view target, std::string_view name);

}  // namespace vorn::tools
