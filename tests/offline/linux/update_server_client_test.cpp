#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "app/AppProfile.h"
#include "monitor/ErrorTexts.h"
#include "offline/UpdateServerClient.h"
#include "support/TestEnvironment.h"
#include "tools/update-server/UpdateServer.h"

namespace vorn {
namespace {

using tools::HttpReply;
using tools::UpdateServer;

class UpdateServerClient : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server_.Start(0, error)) << error;
        SetHttpServerName(L"127.0.0.1");
        SetHttpServerPort(server_.Port());
    }

    test::TempDir registry_;
    test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    UpdateServer server_{UpdateServer::Config{{}, {{"QN-1", 4}}, std::nullopt}};
};

TEST(ModelReply, IsReadAsAtoiReadsTheValueBeforeTheBrace) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {R"({"serialno":"x","model":4})", 4},
        {R"({"model": 3,"name":"y"})", 3},
        {R"({"model":-2})", -2},
        {R"({"model":0})", 0},
        {R"({"model":"3"})", 0},
        {R"({"serialno":"x"})", 0},
        {R"({"model":3)", 0},
        {R"({"model":99999999999})", 0},
        {"", 0},
    };
    for (const auto& [body, model] : cases) {
        EXPECT_EQ(ParseModelReply(body), model) << body;
    }
}

TEST_F(UpdateServerClient, LookupSendsTheEncodedSerialNumberAndReadsTheModel) {
    std::int32_t model = -1;
    EXPECT_EQ(QueryDeviceModel(L"QN-1", model), L"");
    EXPECT_EQ(model, 4);

    // A blank and an '&' stay part of the value instead of breaking the request.
    server_.SetModel("AB 12&model=9", 2);
    EXPECT_EQ(QueryDeviceModel(L"AB 12&model=9", model), L"");
    EXPECT_EQ(model, 2);

    EXPECT_EQ(QueryDeviceModel(L"unknown", model), kSerialNotFound);
    EXPECT_EQ(model, 0);
    server_.SetReply("/getmodel?serialno=Q", {200, R"({"model":"1"})", {}});
    EXPECT_EQ(QueryDeviceModel(L"Q", model), kSerialNotFound);

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1].target, "/getmodel?serialno=AB%2012%26model%3D9");
    EXPECT_EQ(requests[0].userAgent, kHttpUserAgent);
    EXPECT_EQ(requests[0].method, "GET");
}

TEST_F(UpdateServerClient, ErrorStatusesGiveTheirTextAndRedirectsAreNotFollowed) {
    server_.SetReply("/a", {404, "missing", {}});
    server_.SetReply("/b", {490, "old program", {}});
    server_.SetReply("/c", {302, "moved", {{"Location", "/a"}}});
    server_.SetReply("/d", {600, "odd", {}});
    std::string body;
    EXPECT_EQ(HttpGetFromServer("/a", body), HttpStatusText(404));
    EXPECT_EQ(HttpGetFromServer("/b", body), HttpStatusText(490));
    EXPECT_EQ(body, "");
    EXPECT_EQ(HttpGetFromServer("/c", body), L"");
    EXPECT_EQ(body, "moved");
    EXPECT_EQ(HttpGetFromServer("/d", body), L"");
    EXPECT_EQ(body, "movedodd");
    EXPECT_EQ(server_.Requests().size(), 4u);  // the 302 brought no second request

    // A model that has no package.
    std::wstring error;
    EXPECT_FALSE(DownloadUpdate(7, body, error));
    EXPECT_EQ(error, HttpStatusText(404));
    EXPECT_EQ(body, "");
}

TEST_F(UpdateServerClient, CredentialsAreAskedForAndTheRequestIsSentAgain) {
    UpdateServer guarded(UpdateServer::Config{{}, {{"S", 3}}, std::string("tech:s3cret")});
    std::string error;
    ASSERT_TRUE(guarded.Start(0, error)) << error;
    SetHttpServerPort(guarded.Port());

    std::vector<bool> asked;
    std::int32_t model = 0;
    const auto answer = [&](bool proxy) {
        asked.push_back(proxy);
        return std::optional<HttpCredentials>(HttpCredentials{L"tech", L"s3cret"});
    };
    HttpControl control;
    control.prompt = answer;
    EXPECT_EQ(QueryDeviceModel(L"S", model, control), L"");
    EXPECT_EQ(model, 3);
    EXPECT_EQ(asked, std::vector<bool>{false});

    // Wrong credentials are asked again; cancelling ends with the 401 text.
    int rounds = 0;
    const auto wrongThenCancel = [&](bool) -> std::optional<HttpCredentials> {
        if (++rounds == 1) {
            return HttpCredentials{L"tech", L"wrong"};
        }
        return std::nullopt;
    };
    model = 5;
    control.prompt = wrongThenCancel;
    EXPECT_EQ(QueryDeviceModel(L"S", model, control), HttpStatusText(401));
    EXPECT_EQ(rounds, 2);
    EXPECT_EQ(model, 5);                                            // left as it was
    EXPECT_EQ(QueryDeviceModel(L"S", model), HttpStatusText(401));  // nobody to ask
}

TEST_F(UpdateServerClient, AServerThatIsDownGivesTheTransportMessage) {
    const std::uint16_t port = server_.Port();
    server_.Stop();
    SetHttpServerPort(port);
    std::string body = "kept";
    const std::wstring error = HttpGetFromServer("/getmodel?serialno=x", body);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find(L"Неизвестная"), std::wstring::npos);
    EXPECT_EQ(body, "kept");
}

// Hostile servers: every request ends by its limits, and soon. The tests' own bound only catches
// a hang: past it the request is cancelled and the case fails.
TEST_F(UpdateServerClient, HostileServersAreLetGoByTheRequestsLimits) {
    using namespace std::chrono_literals;
    constexpr std::uint64_t kGigabyte = 1024ull * 1024 * 1024;
    HttpLimits shortLookup = kLookupLimits;
    shortLookup.deadline = 1500ms;
    HttpLimits slowDownload = kDownloadLimits;
    slowDownload.slowWindow = 1s;
    HttpLimits smallBody = kDownloadLimits;
    smallBody.maxBody = 1024 * 1024;
    const std::string block(64 * 1024, 'x');
    struct Case {
        const char* name;
        HttpReply reply;
        HttpLimits limits;
        std::wstring error;  // empty: any transport message
    };
    const Case cases[] = {
        // Two bytes a second within the announced length: the lookup's deadline ends it.
        {"trickle-lookup", HttpReply::Hostile(200, "{\"", 100000, 1000, 2, 500ms), shortLookup, {}},
        // The download lives while it keeps its speed, not longer.
        {"trickle-download",
         HttpReply::Hostile(200, "PK", 100000, 1000, 2, 500ms),
         slowDownload,
         {}},
        // 1 GB announced is refused before the body is read.
        {"huge-length", HttpReply::Hostile(200, block, kGigabyte, 16384, 0, 0ms), smallBody,
         L"Maximum file size exceeded"},
        // An endless error page is not read past its first 64 KiB.
        {"error-body", HttpReply::Hostile(500, block, kGigabyte, 16384, block.size(), 20ms),
         kDownloadLimits, HttpStatusText(500)},
    };
    for (const Case& c : cases) {
        server_.SetReply(std::string("/") + c.name, c.reply);
        std::atomic<bool> cancel{false};
        std::string body;
        HttpControl control;
        control.cancel = &cancel;
        control.limits = c.limits;
        auto request = std::async(std::launch::async, [&] {
            return HttpGetFromServer(std::string("/") + c.name, body, control);
        });
        const bool ended = request.wait_for(20s) == std::future_status::ready;
        cancel = true;
        const std::wstring error = request.get();
        EXPECT_TRUE(ended) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        if (!c.error.empty()) {
            EXPECT_EQ(error, c.error) << c.name;
        }
        EXPECT_TRUE(body.empty() || c.reply.chunk == 2) << c.name << ": " << body.size();
    }
}

TEST_F(UpdateServerClient, CancelEndsATransferThatIsStillGoing) {
    using namespace std::chrono_literals;
    server_.SetReply("/update?model=2", HttpReply::Hostile(200, "PK", 100000, 1000, 2, 200ms));
    std::atomic<bool> cancel{false};
    std::atomic<std::uint64_t> received{0};
    HttpControl control;
    control.cancel = &cancel;
    control.progress = [&](std::uint64_t bytes, std::uint64_t) { received = bytes; };
    std::string body;
    std::wstring error;
    auto request =
        std::async(std::launch::async, [&] { return DownloadUpdate(2, body, error, control); });
    // Cancelled once the body has started to arrive.
    while (received.load() == 0 && request.wait_for(10ms) != std::future_status::ready) {
    }
    cancel = true;
    ASSERT_EQ(request.wait_for(20s), std::future_status::ready);
    EXPECT_FALSE(request.get());
    EXPECT_GT(received.load(), 0u);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vorn
