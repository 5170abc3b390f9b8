#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "logging/LoggerTestSupport.h"
#include "platform/LocalPipe.h"
#include "platform/linux/LocalSocket.h"

using namespace vorn::logging_test;
using namespace vorn::platform;
using namespace vorn::test;

namespace {

// Stands in for the configuration client: takes one record per connection and answers with
// `reply`, or never answers when there is none.
class FakeClient {
public:
    explicit FakeClient(std::optional<std::string> reply,
                        std::string name = CBasicTransport::kClientName)
        : reply_(std::move(reply)),
          listener_(vorn::platform::ListenPipe(name, nullptr, vorn::platform::PipeKind::Records)) {
        EXPECT_TRUE(listener_.IsListening());
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeClient() {
        stop_.Signal();
        thread_.join();
    }

    std::vector<std::string> Received() {
        std::lock_guard guard(mutex_);
        return received_;
    }

private:
    void Serve() {
        for (;;) {
            UniqueFd fd = listener_.Accept(&stop_, std::nullopt);
            if (!fd) {
                return;
            }
            std::string record;
            if (ReceiveRecord(fd.get(), record, std::nullopt, &stop_) != PipeStatus::Ok) {
                continue;
            }
            {
                std::lock_guard guard(mutex_);
                received_.push_back(record);
            }
            if (reply_) {
                SendRecord(fd.get(), *reply_);
            } else {
                // Hold the connection until the sender gives up or the test ends.
                WaitReadable(fd.get(), &stop_, std::nullopt);
            }
        }
    }

    std::optional<std::string> reply_;
    PipeListener listener_;
    StopSignal stop_;
    std::mutex mutex_;
    std::vector<std::string> received_;
    std::thread thread_;
};

// What the client answers decides where a record goes: only a four-byte 1 takes it; refused,
// garbled or unanswered (after the delivery bound), the client still got the escaped command and
// the file gets the line unescaped. The transport alone gives the same verdicts.
TEST_F(LoggerFixture, ClientRepliesDecideWhereTheRecordGoes) {
    const std::optional<std::string> replies[] = {
        LittleEndian(1),        LittleEndian(0),       LittleEndian(2), LittleEndian(0x101),
        std::string("\x01", 1), LittleEndian(1) + "x", std::string(),   std::nullopt};
    environment_.deliveryTimeout = std::chrono::milliseconds(300);
    CommandFields fields;
    fields.moduleName = "vorn_update.exe";
    fields.level = 50;
    fields.message = "x<y> \"q\" & z";
    fields.timestamp = "2026.03.07 09:05:01.042";
    fields.threadId = Logger::CurrentThreadId();
    fields.processId = static_cast<std::uint32_t>(vorn::platform::CurrentProcessId());
    const std::string command = "<command/>";
    for (const auto& reply : replies) {
        const bool taken = reply == LittleEndian(1);
        SCOPED_TRACE(reply ? "reply of " + std::to_string(reply->size()) + " bytes" : "no reply");
        FakeClient client(reply);
        auto logger = MakeLogger();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(logger->Log(50, "%s", "x<y> \"q\" & z"),
                  taken ? Logger::kDone : Logger::kDeliveryFailed);
        if (!reply) {
            EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
        }
        const auto file = LogFile(*logger, programFolder_ / "lostlogs");
        if (taken) {
            EXPECT_FALSE(std::filesystem::exists(file));
        } else {
            EXPECT_EQ(ReadFileBytes(file), ExpectedLine(50, "x<y> \"q\" & z"));
        }
        CBasicTransport transport(0x11223344);
        EXPECT_EQ(transport.Send(command.data(), command.size(), 300),
                  taken ? CBasicTransport::kTaken : CBasicTransport::kFailed);
        EXPECT_EQ(client.Received(),
                  (std::vector<std::string>{LittleEndian(0) + BuildCommand(fields),
                                            "\x44\x33\x22\x11" + command}));
    }
    // Nobody, or a client under another name, is no client.
    EXPECT_EQ(CBasicTransport(0).Send(command.data(), command.size(), 100),
              CBasicTransport::kNoClient);
    FakeClient client(LittleEndian(1));
    EXPECT_EQ(CBasicTransport(0, "another-client").Send(command.data(), command.size(), 100),
              CBasicTransport::kNoClient);
}

}  // namespace
