// What only the named pipes have: replies past the 2048 bytes a bare call would take, an absent
// pipe, instances that are all busy, and who may open the pipes we serve.
#include "platform/windows/WindowsApi.h"
// windows.h first
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/EventPipeServer.h"
#include "platform/LocalPipe.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

using namespace std::chrono_literals;

std::wstring FullPipeName(const std::string& name) {
    const std::string ns = std::getenv("VORN_PIPE_NS") ? std::getenv("VORN_PIPE_NS") : "";
    const std::string path = "\\\\.\\pipe\\" + ns + name;
    return std::wstring(path.begin(), path.end());
}

// Answers `count` calls with `answer(request)`.
std::thread Serve(PipeListener& listener, int count,
                  std::function<std::string(const std::string&)> answer) {
    return std::thread([&listener, count, answer] {
        for (int i = 0; i < count; ++i) {
            PipeHandle client = listener.Accept(nullptr, Clock::now() + 10s);
            std::string request;
            if (client &&
                ReceiveRecord(client.get(), request, Clock::now() + 10s) == PipeStatus::Ok) {
                SendRecord(client.get(), answer(request), Clock::now() + 10s);
            }
        }
    });
}

// The bare call reads at most 2048 bytes; CallPipe reads every reply whole, the empty request
// going as an empty message.
TEST(NamedPipe, RepliesAreReadWholeWhateverTheirLength) {
    struct Case {
        std::size_t requestBytes;
        std::size_t replyBytes;
    };
    const Case cases[] = {{0, 0}, {0, 1}, {5, 2048}, {5, 2049}, {100000, 100000}, {5, 1u << 20}};
    test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("whole");
    ASSERT_TRUE(listener.IsListening());
    std::thread server =
        Serve(listener, static_cast<int>(std::size(cases)), [](const std::string& r) {
            // The request says how long the reply is to be.
            const std::size_t size = r.empty() ? 0 : std::stoul(r.substr(0, r.find(';')));
            std::string reply(size, 'r');
            for (std::size_t i = 0; i < size; ++i) {
                reply[i] = static_cast<char>('a' + i % 23);
            }
            return reply;
        });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replyBytes);
        std::string request;
        if (c.requestBytes > 0) {
            request = std::to_string(c.replyBytes) + ";";
            request.resize(std::max(request.size(), c.requestBytes), 'q');
        }
        std::string reply = "stale";
        std::size_t size = 0;
        ASSERT_EQ(CallPipe("whole", request, reply, 5000ms, kMaxMessageBytes, &size),
                  PipeStatus::Ok);
        const std::size_t expected = c.requestBytes == 0 ? 0 : c.replyBytes;
        ASSERT_EQ(reply.size(), expected);
        EXPECT_EQ(size, expected);
        for (std::size_t i = 0; i < reply.size(); ++i) {
            ASSERT_EQ(reply[i], static_cast<char>('a' + i % 23)) << i;
        }
    }
    server.join();
}

TEST(NamedPipe, AbsentPipeFailsAtOnce) {
    test::PrivatePipeNamespace ns;
    std::string reply = "stale";
    const auto started = Clock::now();
    EXPECT_EQ(CallPipe("nobody-serves-this", "<x/>", reply, 5000ms), PipeStatus::NotFound);
    EXPECT_LT(Clock::now() - started, 1s);
    EXPECT_TRUE(reply.empty());
}

// A server whose only instance is taken: the call waits for a free instance up to its bound and
// fails then, or goes through when the instance comes free in time.
TEST(NamedPipe, BusyInstancesAreWaitedForUpToTheBound) {
    struct Case {
        std::chrono::milliseconds freedAfter;  // negative: never
        std::chrono::milliseconds bound;
        PipeStatus expected;
    };
    const Case cases[] = {
        {-1ms, 600ms, PipeStatus::TimedOut},
        {300ms, 5000ms, PipeStatus::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bound.count());
        test::PrivatePipeNamespace ns;
        const std::wstring name = FullPipeName("busy");
        const HANDLE only = ::CreateNamedPipeW(
            name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
            1, 4096, 4096, 0, nullptr);
        ASSERT_NE(only, INVALID_HANDLE_VALUE);
        // Another client holds the only instance.
        PipeStatus status = PipeStatus::Failed;
        PipeHandle holder = ConnectPipe("busy", Clock::now() + 1s, &status);
        ASSERT_EQ(status, PipeStatus::Ok);
        std::thread server([&] {
            if (c.freedAfter < 0ms) {
                return;
            }
            std::this_thread::sleep_for(c.freedAfter);
            holder.reset();
            ::DisconnectNamedPipe(only);
            if (!::ConnectNamedPipe(only, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
                return;
            }
            char buffer[64];
            DWORD got = 0;
            ::ReadFile(only, buffer, sizeof(buffer), &got, nullptr);
            DWORD written = 0;
            ::WriteFile(only, "<free/>", 7, &written, nullptr);
            ::FlushFileBuffers(only);
        });
        std::string reply;
        const auto started = Clock::now();
        EXPECT_EQ(CallPipe("busy", "<q/>", reply, c.bound), c.expected);
        const auto took = Clock::now() - started;
        server.join();
        if (c.expected == PipeStatus::TimedOut) {
            EXPECT_GE(took, c.bound - 50ms);  // the system's wait may round down a little
            EXPECT_LT(took, c.bound + 2s);
            EXPECT_TRUE(reply.empty());
        } else {
            EXPECT_EQ(reply, "<free/>");
            EXPECT_GE(took, c.freedAfter - 50ms);
        }
        ::CloseHandle(only);
    }
}

// Reads the access list of a pipe handle back from the system.
struct AccessEntry {
    BYTE type;  // ACCESS_ALLOWED_ACE_TYPE or ACCESS_DENIED_ACE_TYPE
    std::wstring sid;
};

std::vector<AccessEntry> AccessListOf(HANDLE handle, bool& hasList) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::vector<AccessEntry> entries;
    hasList = false;
    if (::GetSecurityInfo(handle, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return entries;
    }
    hasList = dacl != nullptr;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) {
            continue;
        }
        const auto* header = static_cast<ACE_HEADER*>(ace);
        PSID sid = nullptr;
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
        } else if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
            sid = &static_cast<ACCESS_DENIED_ACE*>(ace)->SidStart;
        }
        wchar_t* text = nullptr;
        if (sid != nullptr && ::ConvertSidToStringSidW(sid, &text)) {
            entries.push_back({header->AceType, text});
            ::LocalFree(text);
        } else {
            entries.push_back({header->AceType, L"?"});
        }
    }
    ::LocalFree(descriptor);
    return entries;
}

std::wstring OwnUserSid() {
    HANDLE token = nullptr;
    EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    EXPECT_TRUE(::GetTokenInformation(token, TokenUser, buffer.data(), size, &size));
    ::CloseHandle(token);
    wchar_t* text = nullptr;
    EXPECT_TRUE(
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text));
    std::wstring sid = text ? text : L"";
    ::LocalFree(text);
    return sid;
}

// Both the request listener and the event pipe: a real access list (never a null one) that
// allows the system, the administrators and this user only, and refuses network logons.
TEST(NamedPipe, ServedPipesAdmitOnlySystemAdministratorsAndTheUser) {
    test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("guarded");
    ASSERT_TRUE(listener.IsListening());
    EventPipeServer events;
    ASSERT_EQ(events.Create("guarded-events"), PipeStatus::Ok);
    // A client handle of the event pipe reads the same object's list.
    PipeHandle eventClient = ConnectPipe("guarded-events", Clock::now() + 2s);
    ASSERT_TRUE(eventClient);

    const std::wstring user = OwnUserSid();
    for (HANDLE handle : {listener.native(), eventClient.get()}) {
        bool hasList = false;
        const auto entries = AccessListOf(handle, hasList);
        ASSERT_TRUE(hasList) << "null access list";
        std::vector<std::wstring> allowed;
        std::vector<std::wstring> denied;
        for (const auto& e : entries) {
            (e.type == ACCESS_ALLOWED_ACE_TYPE ? allowed : denied).push_back(e.sid);
        }
        std::sort(allowed.begin(), allowed.end());
        std::vector<std::wstring> expected = {L"S-1-5-18", L"S-1-5-32-544", user};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(allowed, expected);
        EXPECT_EQ(denied, std::vector<std::wstring>{L"S-1-5-2"});  // network logons
        for (const auto& sid : allowed) {
            EXPECT_NE(sid, L"S-1-1-0");  // Everyone
            EXPECT_NE(sid, L"S-1-5-7");  // anonymous
        }
    }
}

}  // namespace
}  // namespace vorn::platform
