#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "agent/AgentEventPipe.h"
#include "agent/AgentProtocol.h"
#include "agent/RequestChannel.h"
#include "platform/LocalPipe.h"
#include "platform/RegistryStore.h"
#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"
#include "tools/agent-sim/AgentSimulator.h"
#include "tools/agent-sim/RequestRecorder.h"
#include "tools/agent-sim/Scenario.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(AgentSimulatorPartsTest, RecordLinesEscapeControlBytes) {
    EXPECT_EQ(sim::EscapeRequest("<updatefw id=\"1\" />\n"), "<updatefw id=\"1\" />\\n");
    EXPECT_EQ(sim::EscapeRequest(std::string("a\\b\r\t\x01\x7f\0z", 9)),
              "a\\\\b\\r\\t\\x01\\x7f\\x00z");
    EXPECT_EQ(sim::EscapeRequest("Файл"), "Файл");
}

TEST(AgentSimulatorPartsTest, ScriptLinesAndWaits) {
    std::string error;
    const auto steps = sim::ParseScript(
        "# comment\r\n<ok/>\r\nwait 100\nwait 50\n\n<devremove id=\"1\"/>\n<ok a=\"1\"/>", error);
    ASSERT_TRUE(steps) << error;
    ASSERT_EQ(steps->size(), 3u);
    EXPECT_EQ((*steps)[0].text, "<ok/>");
    EXPECT_EQ((*steps)[0].delay, 0ms);
    EXPECT_EQ((*steps)[1].text, "<devremove id=\"1\"/>");
    EXPECT_EQ((*steps)[1].delay, 150ms);
    EXPECT_EQ((*steps)[2].delay, 0ms);
    for (const char* bad : {"wait\n", "wait x\n", "wait 10ms\n", "wait -1\n"}) {
        EXPECT_FALSE(sim::ParseScript(bad, error)) << bad;
        EXPECT_NE(error.find("line 1"), std::string::npos);
    }
    EXPECT_FALSE(sim::LoadScript("/nonexistent/script", error));

    const auto marked = sim::ParseScript("\xEF\xBB\xBF# saved with a mark\n<ok/>\n", error);
    ASSERT_TRUE(marked) << error;
    ASSERT_EQ(marked->size(), 1u);
    EXPECT_EQ((*marked)[0].text, "<ok/>");
}

TEST(AgentSimulatorPartsTest, RepliesWithoutRunning) {
    sim::SimulatorConfig config;
    config.optionsInRegistry = false;
    config.devices.push_back({7, 2, 0, "Q200M1", "U&7", "", "", false});
    sim::AgentSimulator simulator(config);
    const auto list = AgentMessage::Parse(simulator.Respond(request::GetAllDevInfo()));
    ASSERT_TRUE(list);
    const auto devices = ReadDeviceList(*list);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, L"U&7");
    EXPECT_EQ(devices[0].updates, 0);

    const AgentOptions options{true, L"сервер \"1\"", 24, 5, true};
    EXPECT_EQ(simulator.Respond(request::AppOptions(options)), "<ok/>");
    EXPECT_EQ(ReadOptions(*AgentMessage::Parse(simulator.Respond(request::GetOptions()))), options);
    EXPECT_EQ(simulator.Respond("not xml"), "<ok/>");

    // A serial number set through the agent is the one it reports from then on.
    EXPECT_EQ(simulator.Respond(request::SetSerialNo(7, L"Z-№5")), "<ok/>");
    EXPECT_EQ(simulator.Respond(request::SetSerialNo(8, L"other")), "<ok/>");
    ASSERT_EQ(simulator.Devices().size(), 1u);
    EXPECT_EQ(simulator.Devices()[0].serialno,
              "Z-\xE2\x84\x96"
              "5");
}

// A request for a device the agent does not know, such as one removed a moment before, draws no
// notification; the known device's answer is the first to arrive.
TEST(AgentSimulatorPartsTest, RequestsForUnknownDevicesDrawNoNotification) {
    test::PrivatePipeNamespace ns;
    AgentEventPipe events;
    ASSERT_EQ(events.Create(), platform::PipeStatus::Ok);
    sim::SimulatorConfig config;
    config.optionsInRegistry = false;
    config.reactions = sim::DemoReactions();
    config.devices.push_back({7, 2, 2, "Q200M1", "UIN-7", "", "", false});
    sim::AgentSimulator simulator(config);
    std::string error;
    ASSERT_TRUE(simulator.Start(error)) << error;
    std::string reply;
    ASSERT_TRUE(CallAgent(request::UpdateConnection(99), reply));
    ASSERT_TRUE(CallAgent(request::UpdateConnection(7), reply));
    platform::StopSignal stop;
    std::string text;
    ASSERT_EQ(events.WaitForClient(stop), AgentEventPipe::WaitOutcome::ClientConnected);
    ASSERT_TRUE(events.ReadMessage(text, stop));
    EXPECT_EQ(text,
              "<deviceinfo id=\"7\" connect=\"2\" updates=\"2\" type=\"Q200M1\" name=\"UIN-7\" "
              "msgtype=\"0\" message=\"\"/>");
    simulator.Stop();
    EXPECT_EQ(simulator.SentCount(), 1);
}

// A notification over the program's cap is refused by it once, not sent again and again
// holding back the rest.
TEST(AgentSimulatorPartsTest, OversizedNotificationDoesNotBlockTheNext) {
    test::PrivatePipeNamespace ns;
    AgentEventPipe events;
    ASSERT_EQ(events.Create(), platform::PipeStatus::Ok);
    sim::SimulatorConfig config;
    config.optionsInRegistry = false;
    config.steps = {
        {0ms, "<message message=\"" + std::string(platform::kMaxMessageBytes, 'x') + "\"/>"},
        {0ms, "<devremove id=\"3\"/>"}};
    sim::AgentSimulator simulator(config);
    std::string error;
    ASSERT_TRUE(simulator.Start(error)) << error;
    platform::StopSignal stop;
    std::string text;
    ASSERT_EQ(events.WaitForClient(stop), AgentEventPipe::WaitOutcome::ClientConnected);
    std::size_t refusedBytes = 0;
    EXPECT_FALSE(events.ReadMessage(text, stop, &refusedBytes));
    EXPECT_GT(refusedBytes, platform::kMaxMessageBytes);
    ASSERT_EQ(events.WaitForClient(stop), AgentEventPipe::WaitOutcome::ClientConnected);
    ASSERT_TRUE(events.ReadMessage(text, stop));
    EXPECT_EQ(text, "<devremove id=\"3\"/>");
    simulator.Stop();
}

// The built AgentZelt, started in the test's private pipe namespace and registry folder.
class AgentZeltProcess : public test::ChildProcess {
public:
    explicit AgentZeltProcess(const std::vector<std::string>& args, const std::string& output = {})
        : ChildProcess(AGENTZELT_PATH, args, output) {
        EXPECT_TRUE(started());
    }

    // Waits until the request pipe answers.
    bool WaitReady() {
        std::string reply;
        return test::WaitFor([&] { return CallAgent("<ready/>", reply); });
    }
};

class AgentZeltTest : public ::testing::Test {
protected:
    test::PrivatePipeNamespace ns;
    test::TempDir dir;
    test::ScopedEnv registry{"VORN_REGISTRY_DIR", dir.path().string()};
};

TEST_F(AgentZeltTest, AnswersRequestsKeepsOptionsAndRecordsEveryRequest) {
    const auto record = dir / "requests.txt";
    AgentZeltProcess agent({"--idle", "--devices", "30", "--record", record.string()});
    ASSERT_TRUE(agent.WaitReady());

    std::string reply;
    ASSERT_TRUE(CallAgent(request::GetAllDevInfo(), reply));
    EXPECT_GT(reply.size(), 2048u);
    const auto devices = ReadDeviceList(*AgentMessage::Parse(reply));
    ASSERT_EQ(devices.size(), 30u);
    EXPECT_EQ(devices[29].id, 30);
    EXPECT_EQ(devices[29].connect, 2);

    ASSERT_TRUE(CallAgent(request::GetOptions(), reply));
    EXPECT_EQ(ReadOptions(*AgentMessage::Parse(reply)), AgentOptions{});
    const AgentOptions changed{true, L"обновления \"&\" <srv>", 7, 30, true};
    ASSERT_TRUE(CallAgent(request::AppOptions(changed), reply));
    EXPECT_EQ(reply, "<ok/>");
    ASSERT_TRUE(CallAgent(request::GetOptions(), reply));
    EXPECT_EQ(ReadOptions(*AgentMessage::Parse(reply)), changed);
    // Kept where the agent keeps them: the registry (its stand-in file on Linux).
    EXPECT_EQ(platform::RegistryStore(platform::RegistryRoot::CurrentUser)
                  .ReadString("Software\\Quorin\\Zelt\\AgentZelt", "CheckFirmwareUpdatesTime"),
              "07:30");

    ASSERT_TRUE(CallAgent(request::UpdateDevice(-1), reply));
    EXPECT_EQ(reply, "<ok/>");
    ASSERT_TRUE(CallAgent(request::RamFileGet(3, L"Файлы"), reply));
    ASSERT_TRUE(CallAgent(std::string("a\tb\x02"), reply));
    EXPECT_EQ(agent.Terminate(), 0);

    EXPECT_EQ(test::ReadFileBytes(record),
              "<ready/>\n"
              "<getalldevinfo/>\n"
              "<getoptions/>\n" +
                  request::AppOptions(changed) +
                  "\n"
                  "<getoptions/>\n"
                  "<updatefw id=\"4294967295\" />\\n\n"
                  "<ram_file_get id=\"3\" filename=\"Файлы\" />\n"
                  "a\\tb\\x02\n");
}

TEST_F(AgentZeltTest, SendsScriptToALateListenerAndReactsToUpdates) {
    const auto script = dir / "script.txt";
    test::WriteFileBytes(script,
                         "<devarrival id=\"4\" connect=\"2\" updates=\"0\" type=\"Q750M1\" "
                         "name=\"UIN-4\" msgtype=\"0\" message=\"\"/>\n"
                         "wait 50\n"
                         "<message msgtype=\"1\" message=\"a &amp; b\"/>\n");
    AgentZeltProcess agent({"--script", script.string()});
    ASSERT_TRUE(agent.WaitReady());
    // The program starts listening only now; nothing may have been lost meanwhile.
    std::this_thread::sleep_for(500ms);
    AgentEventPipe events;
    ASSERT_EQ(events.Create(), platform::PipeStatus::Ok);
    platform::StopSignal stop;
    auto next = [&]() -> std::string {
        std::string text;
        if (events.WaitForClient(stop) != AgentEventPipe::WaitOutcome::ClientConnected ||
            !events.ReadMessage(text, stop)) {
            return "(nothing)";
        }
        return text;
    };
    EXPECT_EQ(next(),
              "<devarrival id=\"4\" connect=\"2\" updates=\"0\" type=\"Q750M1\" name=\"UIN-4\" "
              "msgtype=\"0\" message=\"\"/>");
    EXPECT_EQ(next(), "<message msgtype=\"1\" message=\"a &amp; b\"/>");

    // The device it announced is in its device list.
    std::string reply;
    ASSERT_TRUE(CallAgent(request::GetAllDevInfo(), reply));
    auto devices = ReadDeviceList(*AgentMessage::Parse(reply));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, L"UIN-4");

    ASSERT_TRUE(CallAgent(request::ForceUpdate(4), reply));
    std::vector<std::string> phases;
    for (;;) {
        const auto message = AgentMessage::Parse(next());
        ASSERT_TRUE(message);
        if (message->name() != "taskprocess") {
            EXPECT_EQ(message->name(), "deviceinfo");
            EXPECT_EQ(message->Int("updates"), 2);
            break;
        }
        EXPECT_EQ(message->Int("id"), 4);
        phases.push_back(*message->Raw("taskname") + ":" + *message->Raw("phase"));
    }
    ASSERT_EQ(phases.size(), 12u);
    EXPECT_EQ(phases.front(), "downloadfw:begin");
    EXPECT_EQ(phases[5], "downloadfw:end");
    EXPECT_EQ(phases.back(), "updatefw:end");
    ASSERT_TRUE(CallAgent(request::GetAllDevInfo(), reply));
    devices = ReadDeviceList(*AgentMessage::Parse(reply));
    EXPECT_EQ(devices.at(0).updates, 2);
    EXPECT_EQ(agent.Terminate(), 0);
}

TEST_F(AgentZeltTest, HelpSecondInstanceAndBadArguments) {
    const auto output = (dir / "out.txt").string();
    EXPECT_EQ(AgentZeltProcess({"--help"}, output).WaitExit(), 0);
    EXPECT_NE(test::ReadFileBytes(output).find("development and demo tool"), std::string::npos);
    EXPECT_EQ(AgentZeltProcess({"--devices", "x"}, output).WaitExit(), 2);
    EXPECT_EQ(AgentZeltProcess({"--script"}, output).WaitExit(), 2);
    EXPECT_EQ(AgentZeltProcess({"--script", (dir / "none").string()}, output).WaitExit(), 2);

    AgentZeltProcess first({"--idle"});
    ASSERT_TRUE(first.WaitReady());
    EXPECT_EQ(AgentZeltProcess({"--idle"}, output).WaitExit(), 1);
    EXPECT_NE(test::ReadFileBytes(output).find("request pipe"), std::string::npos);
    EXPECT_EQ(first.Terminate(), 0);
}

}  // namespace
}  // namespace vorn
