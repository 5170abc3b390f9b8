// update-server: a small HTTP update server for tests and demonstrations of Vorn Update.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pthread.h>

#include "tools/update-server/UpdateServer.h"

namespace {

constexpr const char* kHelp =
    "Usage: update-server [--port N] [--packages DIR] [--model SERIAL=CODE]...\n"
    "                     [--credentials USER:PASSWORD] [--status TARGET=CODE]...\n"
    "\n"
    "A development and demo tool: a small update server on 127.0.0.1.\n"
    "\n"
    "  GET /getmodel?serialno=S   {\"serialno\":\"S\",\"model\":N}, N from the --model table\n"
    "                             (0 for an unknown serial number)\n"
    "  GET /update?model=N        the file DIR/model-N.zip, 404 when there is none\n"
    "\n"
    "  --port N             port to listen on (default 3000; 0 picks a free one)\n"
    "  --packages DIR       folder of the packages model-N.zip\n"
    "  --model SERIAL=CODE  the model code of a serial number\n"
    "  --credentials U:P    answer 401 until Basic credentials U and P come\n"
    "  --status TARGET=CODE answer requests for exactly TARGET with status CODE\n"
    "  --help               this text\n"
    "\n"
    "It prints the port it listens on and ends on SIGTERM or SIGINT.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "update-server: %s\n\n%s", problem, kHelp);
    return 2;
}

bool SplitAt(std::string_view text, std::string& left, int& right) {
    const std::size_t eq = text.rfind('=');
    if (eq == std::string_view::npos || eq == 0) {
        return false;
    }
    left = std::string(text.substr(0, eq));
    char* end = nullptr;
    const std::string number(text.substr(eq + 1));
    const long value = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || value < -2147483647L || value > 2147483647L) {
        return false;
    }
    right = static_cast<int>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    vorn::tools::UpdateServer::Config config;
    std::vector<std::pair<std::string, int>> statuses;
    long port = 3000;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (!hasValue) {
            return Usage("missing value or unknown option");
        }
        const std::string value = argv[++i];
        if (arg == "--port") {
            char* end = nullptr;
            port = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || port < 0 || port > 65535) {
                return Usage("--port needs a number from 0 to 65535");
            }
        } else if (arg == "--packages") {
            config.packages = value;
        } else if (arg == "--model") {
            std::string serial;
            int code = 0;
            if (!SplitAt(value, serial, code)) {
                return Usage("--model needs SERIAL=CODE");
            }
            config.models[serial] = code;
        } else if (arg == "--credentials") {
            config.credentials = value;
        } else if (arg == "--status") {
            std::string target;
            int code = 0;
            if (!SplitAt(value, target, code) || code < 100 || code > 999) {
                return Usage("--status needs TARGET=CODE");
            }
            statuses.emplace_back(target, code);
        } else {
            return Usage("unknown option");
        }
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    vorn::tools::UpdateServer server(config);
    for (const auto& [target, code] : statuses) {
        server.SetReply(target, {code, "", {}});
    }
    std::string error;
    if (!server.Start(static_cast<std::uint16_t>(port), error)) {
        std::fprintf(stderr, "update-server: cannot listen on port %ld: %s\n", port, error.c_str());
        return 1;
    }
    std::printf("update-server: listening on 127.0.0.1:%u\n", server.Port());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    server.Stop();
    return 0;
}
