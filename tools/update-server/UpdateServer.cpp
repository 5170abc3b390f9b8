#include "tools/update-server/UpdateServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vorn::tools {

namespace {

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr int kClientTimeoutMs = 5000;

std::string Base64(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == bytes.size()) {
        const unsigned v = static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        const unsigned v = (static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << 16) |
                           (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::string HeaderValue(const std::string& head, std::string_view name) {
    std::size_t pos = head.find("\r\n");
    while (pos != std::string::npos && pos + 2 < head.size()) {
        const std::size_t start = pos + 2;
        const std::size_t end = head.find("\r\n", start);
        const std::string_view line(head.data() + start,
                                    (end == std::string::npos ? head.size() : end) - start);
        const std::size_t colon = line.find(':');
        if (colon == name.size() && strncasecmp(line.data(), name.data(), name.size()) == 0) {
            std::string_view value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') {
                value.remove_prefix(1);
            }
            return std::string(value);
        }
        pos = end;
    }
    return {};
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> QueryValue(std::string_view target, std::string_view name) {
    const std::size_t q = target.find('?');
    if (q == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view query = target.substr(q + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name) {
            return PercentDecode(eq == std::string_view::npos ? std::string_view()
                                                              : pair.substr(eq + 1));
        }
        if (amp == std::string_view::npos) {
            break;
        }
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

UpdateServer::UpdateServer(Config config) : config_(std::move(config)) {}

UpdateServer::~UpdateServer() {
    Stop();
}

bool UpdateServer::Start(std::uint16_t port, std::string& error) {
    listener_.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener_) {
        error = std::strerror(errno);
        return false;
    }
    const int one = 1;
    setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_.get(), 16) != 0) {
        error = std::strerror(errno);
        listener_.reset();
        return false;
    }
    socklen_t length = sizeof address;
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    stop_.reset(eventfd(0, EFD_CLOEXEC));
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void UpdateServer::Stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(stop_.get(), &one, sizeof one);
        thread_.join();
    }
    listener_.reset();
    stop_.reset();
}

void UpdateServer::SetReply(const std::string& target, HttpReply reply) {
    std::lock_guard lock(mutex_);
    fixed_[target] = std::move(reply);
}

void UpdateServer::SetModel(const std::string& serial, int model) {
    std::lock_guard lock(mutex_);
    config_.models[serial] = model;
}

std::vector<SeenRequest> UpdateServer::Requests() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

HttpReply UpdateServer::Answer(const SeenRequest& request) {
    std::lock_guard lock(mutex_);
    seen_.push_back(request);
    if (config_.credentials && request.authorization != "Basic " + Base64(*config_.credentials)) {
        return {401, "authorization required", {{"WWW-Authenticate", "Basic realm=\"updates\""}}};
    }
    if (const auto fixed = fixed_.find(request.target); fixed != fixed_.end()) {
        return fixed->second;
    }
    if (request.method != "GET") {
        return {400, "", {}};
    }
    const std::string_view target = request.target;
    const std::string_view path = target.substr(0, target.find('?'));
    if (path == "/getmodel") {
        const auto serial = QueryValue(target, "serialno");
        if (!serial) {
            return {400, "", {}};
        }
        const auto found = config_.models.find(*serial);
        const int model = found == config_.models.end() ? 0 : found->second;
        return {200,
                "{\"serialno\":\"" + *serial + "\",\"model\":" + std::to_string(model) + "}",
                {{"Content-Type", "application/json"}}};
    }
    if (path == "/update") {
        const auto model = QueryValue(target, "model");
        if (!model || model->empty() ||
            model->find_first_not_of("0123456789-") != std::string::npos) {
            return {400, "", {}};
        }
        std::ifstream in(config_.packages / ("model-" + *model + ".zip"), std::ios::binary);
        if (config_.packages.empty() || !in) {
            return {404, "no package", {}};
        }
        std::string body{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        return {200, std::move(body), {{"Content-Type", "application/zip"}}};
    }
    return {404, "", {}};
}

void UpdateServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        platform::UniqueFd client(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client) {
            ServeClient(client.get());
        }
    }
}

void UpdateServer::ServeClient(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kClientTimeoutMs) <= 0) {
            return;
        }
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return;
        }
        head.append(buffer, static_cast<std::size_t>(n));
        if (head.size() > kMaxHead) {
            return;
        }
    }
    head.resize(head.find("\r\n\r\n"));
    SeenRequest request;
    request.head = head;
    const std::string_view line(head.data(), std::min(head.find("\r\n"), head.size()));
    const std::size_t sp1 = line.find(' ');
    const std::size_t sp2 = line.rfind(' ');
    HttpReply reply;
    if (sp1 == std::string_view::npos || sp2 == sp1) {
        reply = {400, "", {}};
    } else {
        request.method = std::string(line.substr(0, sp1));
        request.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
        request.userAgent = HeaderValue(head, "User-Agent");
        request.authorization = HeaderValue(head, "Authorization");
        reply = Answer(request);
    }
    const std::uint64_t length =
        reply.announcedLength ? *reply.announcedLength : reply.body.size() * reply.repeat;
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) +
                      "\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : reply.headers) {
        out += name + ": " + value + "\r\n";
    }
    out += "\r\n";
    if (!Send(fd, out)) {
        return;
    }
    for (std::uint64_t round = 0; round < reply.repeat; ++round) {
        std::string_view body = reply.body;
        while (!body.empty()) {
            const std::size_t part =
                reply.chunk == 0 ? body.size() : std::min(reply.chunk, body.size());
            if (!Send(fd, body.substr(0, part))) {
                return;
            }
            body.remove_prefix(part);
            if (reply.chunk != 0 && !Pause(reply.pause)) {
                return;
            }
        }
    }
}

bool UpdateServer::Send(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        pollfd fds[2] = {{fd, POLLOUT, 0}, {stop_.get(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[1].revents != 0) {
            return false;
        }
        // The client may have gone: no SIGPIPE for that.
        const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool UpdateServer::Pause(std::chrono::milliseconds pause) {
    pollfd stop{stop_.get(), POLLIN, 0};
    return poll(&stop, 1, static_cast<int>(pause.count())) == 0;
}

}  // namespace vorn::tools
