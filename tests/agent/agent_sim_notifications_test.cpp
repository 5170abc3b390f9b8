#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "agent/AgentProtocolMessage.h"
#include "tools/agent-sim/ScanSession.h"
#include "tools/agent-sim/Scenario.h"

namespace vorn::sim {
namespace {

// Every root element the program acts on.
const std::set<std::string> kKinds = {"ok",
                                      "devarrival",
                                      "deviceinfo",
                                      "devremove",
                                      "message",
                                      "hasfwupdate",
                                      "taskprocess",
                                      "upload_scan_to_server",
                                      "get_scan_from_device",
                                      "offline_update",
                                      "check_update_time",
                                      "ram_file_list",
                                      "ram_file_get",
                                      "app_actual_version"};

// Root names of the texts; every text must be a well-formed document.
std::set<std::string> Kinds(const std::vector<ScenarioStep>& steps) {
    std::set<std::string> kinds;
    for (const ScenarioStep& step : steps) {
        const auto message = AgentMessage::Parse(step.text);
        EXPECT_TRUE(message) << step.text;
        if (message) {
            kinds.insert(message->name());
        }
    }
    return kinds;
}

TEST(AgentSimNotificationsTest, DemoWithItsReactionsSendsEveryKind) {
    std::set<std::string> kinds = Kinds(DemoSteps());
    std::set<std::string> answered;
    for (const Reaction& reaction : DemoReactions()) {
        answered.insert(reaction.request);
        kinds.merge(Kinds(reaction.steps));
    }
    // Scan progress comes from the scan session simulator, which stores the scans it reports.
    std::set<std::string> expected = kKinds;
    expected.erase("get_scan_from_device");
    expected.erase("upload_scan_to_server");
    EXPECT_EQ(kinds, expected);
    // The requests whose answer comes only as a notification all get one.
    for (const char* request : {"ram_file_list", "ram_file_get", "prepare_offline_update",
                                "get_actual_software_version"}) {
        EXPECT_TRUE(answered.contains(request)) << request;
    }
    for (const char* request : {"SessionData", "stop_load_scan_data", "send_scan_data"}) {
        EXPECT_TRUE(ScanSessionSimulator::Handles(request)) << request;
        EXPECT_FALSE(answered.contains(request)) << request << " has a reaction nothing reaches";
    }
}

TEST(AgentSimNotificationsTest, SampleScriptSendsEveryKind) {
    std::string error;
    const auto steps = LoadScript(AGENT_SIM_SCRIPTS "/every-notification.txt", error);
    ASSERT_TRUE(steps) << error;
    EXPECT_EQ(Kinds(*steps), kKinds);
}

}  // namespace
}  // namespace vorn::sim
