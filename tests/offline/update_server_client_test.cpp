#include <gtest/gtest.h>

#include <string>
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
    EXPECT_EQ(QueryDeviceModel(L"S", model, answer), L"");
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
    EXPECT_EQ(QueryDeviceModel(L"S", model, wrongThenCancel), HttpStatusText(401));
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

}  // namespace
}  // namespace vorn
