#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "agent/AgentProtocolMessage.h"
#include "agent/AgentProtocolTypes.h"
#include "platform/LocalPipe.h"
#include "tools/agent-sim/RequestRecorder.h"
#include "tools/agent-sim/ScanSession.h"
#include "tools/agent-sim/Scenario.h"

namespace vorn::sim {

// A device as the simulated agent knows it. Texts are UTF-8.
struct SimulatedDevice {
    int32_t id = 0;
    int32_t connect = 2;
    int32_t updates = 6;
    std::string type;
    std::string name;
    std::string serialno;
    std::string attributeName;
    bool allowScanning = false;
};

struct SimulatorConfig {
    std::vector<ScenarioStep> steps;       // sent once, from the start
    std::vector<Reaction> reactions;       // sent after matching requests
    std::vector<SimulatedDevice> devices;  // known before any notification
    std::optional<std::filesystem::path> recordFile;
    // Keep the options under the agent's registry key (else in memory only).
    bool optionsInRegistry = true;
    // Fetching and uploading scans.
    ScanSimulation scans;
};

// The agent writes "error_description" in the character set of the machine's locale, not in
// UTF-8 like every other text, and the program reads it that way. Takes a notification written
// in UTF-8 and re-encodes that one value of its root element; the rest stays byte for byte.
std::string WithLocaleErrorDescription(std::string_view notification);

// Serves the request pipe and sends notifications to the event pipe, as the agent does. The
// devices it reports follow the notifications it sends: an arrival adds one, a removal drops
// it, an update check and a firmware write change its state.
class AgentSimulator {
public:
    explicit AgentSimulator(SimulatorConfig config);
    ~AgentSimulator();
    AgentSimulator(const AgentSimulator&) = delete;
    AgentSimulator& operator=(const AgentSimulator&) = delete;

    // Listens on the request pipe and starts both threads. False, with a reason, when the pipe
    // is served by someone else.
    bool Start(std::string& error);
    // Ends both threads; notifications not sent yet are dropped. Safe to call twice.
    void Stop();

    // The reply to one request; schedules the notifications that react to it.
    std::string Respond(const std::string& request);

    std::vector<SimulatedDevice> Devices() const;
    AgentOptions Options() const;
    // Notifications delivered to a listener so far.
    int SentCount() const;

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        uint64_t order;
        std::string text;
    };

    void ServeRequests();
    void SendNotifications();
    void Schedule(const std::vector<ScenarioStep>& steps,
                  const std::map<std::string, std::string>& values);
    void React(const AgentMessage& message);
    bool Deliver(const std::string& text);
    void Observe(const std::string& text);
    std::string DeviceListReply() const;
    std::string OptionsReply() const;
    void StoreOptions(const AgentOptions& options);

    SimulatorConfig config_;
    std::unique_ptr<RequestRecorder> recorder_;
    platform::PipeListener listener_;
    platform::StopSignal stopSignal_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::vector<SimulatedDevice> devices_;
    AgentOptions options_;
    std::vector<Pending> queue_;
    uint64_t nextOrder_ = 0;
    std::chrono::steady_clock::time_point lastDue_;
    int sent_ = 0;

    std::thread requestThread_;
    std::thread senderThread_;
    std::unique_ptr<ScanSessionSimulator> scanSessions_;
};

}  // namespace vorn::sim
