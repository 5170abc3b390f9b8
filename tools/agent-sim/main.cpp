// AgentZelt: a simulator of the agent service, for development and demonstrations.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/ThisProcess.h"
#include "tools/agent-sim/AgentSimulator.h"

namespace {

constexpr const char* kHelp =
    "Usage: AgentZelt [--demo | --script FILE | --idle] [--devices N] [--record FILE]\n"
    "\n"
    "A development and demo tool: it simulates the agent service so that Vorn Update runs\n"
    "without devices. It does not talk to any device.\n"
    "\n"
    "It serves the request pipe, answering every request (the device list of its simulated\n"
    "devices, the options it keeps under the agent's registry key, \"ok\" for the rest), and\n"
    "sends notifications to the event pipe, waiting for the program to listen.\n"
    "\n"
    "  --demo          built-in scenario (the default): devices arrive, an update check finds\n"
    "                  an update, update requests show firmware download and write progress\n"
    "  --script FILE   send the notifications of FILE instead: one per line, \"wait MS\" lines\n"
    "                  between them, '#' starts a comment line; requests still get the demo's\n"
    "                  reactions\n"
    "  --idle          send no notifications of its own\n"
    "  --devices N     start with N connected devices (ids 1..N)\n"
    "  --record FILE   append every request received to FILE, one a line, with \\n \\r \\t \\\\\n"
    "                  and \\xNN escapes\n"
    "  --scans N       scans a device delivers per scanning session (default 12); they are\n"
    "                  stored under ScanData/ of the data folder (VORN_DATA_DIR)\n"
    "  --scan-interval MS  time between two scans fetched or uploaded (default 300)\n"
    "  --scan-upload-fails  an upload of scans fails half way, with an error description\n"
    "  --help          this text\n"
    "\n"
    "An offline update prepared for a UIN ending in -00000000 fails a third of the way.\n"
    "\n"
    "Wire form (for a compatible agent): both pipes are Unix-domain stream sockets at the\n"
    "abstract addresses NUL + $VORN_PIPE_NS + \"ws-quorin-vorn01\" (requests, served by the\n"
    "agent) and NUL + $VORN_PIPE_NS + \"ws-quorin-vorn02\" (notifications, served by the\n"
    "program). A message is every byte its writer sends until it shuts down its sending side;\n"
    "it is 8-bit XML with UTF-8 values, no byte-order mark, no length prefix, no terminator.\n"
    "  requests: the program connects, writes one request and shuts down writing; the agent\n"
    "  reads to the end of the stream, writes the reply and closes. Closing without writing\n"
    "  after reading the whole request is an empty reply; closing before reading all of it\n"
    "  fails the call. The program waits 5000 ms for the whole call.\n"
    "  notifications: the agent connects, writes one notification and closes; one\n"
    "  connection per notification. The program drops a writer that stalls for 5 s.\n"
    "  A message larger than 64 MiB is refused by its reader.\n"
    "\n"
    "VORN_PIPE_NS selects the pipe namespace, VORN_REGISTRY_DIR the registry folder;\n"
    "VORN_AGENT_PID_FILE names a file to write the process id to once the request pipe is\n"
    "served.\n"
    "It ends on SIGTERM or SIGINT.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "AgentZelt: %s\n\n%s", problem, kHelp);
    return 2;
}

// The scanning options. True when `arg` is one of them; `index` moves past a value it took, or
// becomes -1 when the value is wrong.
bool ParseScanOption(std::string_view arg, const char* value, vorn::sim::ScanSimulation& scans,
                     int& index) {
    if (arg == "--scan-upload-fails") {
        scans.uploadFails = true;
        return true;
    }
    if ((arg != "--scans" && arg != "--scan-interval") || value == nullptr) {
        return false;
    }
    char* end = nullptr;
    const long number = std::strtol(value, &end, 10);
    if (*end != '\0' || end == value || number < 0 || number > 100000) {
        index = -1;
        return true;
    }
    ++index;
    if (arg == "--scans") {
        scans.scans = static_cast<int>(number);
    } else {
        scans.interval = std::chrono::milliseconds(number);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using vorn::sim::SimulatorConfig;
    SimulatorConfig config;
    enum class Mode { Demo, Script, Idle } mode = Mode::Demo;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "--demo") {
            mode = Mode::Demo;
        } else if (arg == "--idle") {
            mode = Mode::Idle;
        } else if (arg == "--script" && hasValue) {
            mode = Mode::Script;
            script = argv[++i];
        } else if (arg == "--record" && hasValue) {
            config.recordFile = argv[++i];
        } else if (arg == "--devices" && hasValue) {
            char* end = nullptr;
            const long count = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || count < 0 || count > 10000) {
                return Usage("--devices needs a number from 0 to 10000");
            }
            for (int32_t id = 1; id <= count; ++id) {
                vorn::sim::SimulatedDevice device;
                device.id = id;
                device.type = id % 2 != 0 ? "Q750M1" : "Q200M1";
                device.name = "SIM" + std::to_string(100000 + id);
                config.devices.push_back(device);
            }
        } else if (ParseScanOption(arg, hasValue ? argv[i + 1] : nullptr, config.scans, i)) {
            if (i < 0) {
                return Usage("--scans and --scan-interval need a number from 0 to 100000");
            }
        } else {
            return Usage(("unknown or incomplete option " + std::string(arg)).c_str());
        }
    }
    config.reactions = vorn::sim::DemoReactions();
    if (mode == Mode::Demo) {
        config.steps = vorn::sim::DemoSteps();
    } else if (mode == Mode::Script) {
        std::string error;
        auto steps = vorn::sim::LoadScript(script, error);
        if (!steps) {
            std::fprintf(stderr, "AgentZelt: %s\n", error.c_str());
            return 2;
        }
        config.steps = std::move(*steps);
    }

    // Taken by the wait at the end; no thread is interrupted by them.
    vorn::platform::TakeTerminationRequests();

    // Error descriptions go out in the locale's character set, as the program reads them.
    std::setlocale(LC_CTYPE, "");

    vorn::sim::AgentSimulator simulator(std::move(config));
    std::string error;
    if (!simulator.Start(error)) {
        std::fprintf(stderr, "AgentZelt: %s\n", error.c_str());
        return 1;
    }
    // Whoever started the program that started this simulator can end exactly this process.
    const char* pidFile = std::getenv("VORN_AGENT_PID_FILE");
    if (pidFile != nullptr && *pidFile != '\0') {
        if (FILE* file = std::fopen(pidFile, "w")) {
            std::fprintf(file, "%lld\n",
                         static_cast<long long>(vorn::platform::CurrentProcessId()));
            std::fclose(file);
        }
    }
    vorn::platform::WaitForTerminationRequest();
    simulator.Stop();
    return 0;
}
