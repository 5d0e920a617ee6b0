// The network exchange on its own: what reaches the server, what comes back, and its deadline.
// (Cut, reset and refused exchanges: InternetSessionTests.cpp and UpdateCheckTests.cpp.)
#include <gtest/gtest.h>

#include <string>

#include "LoopbackServer.h"
#include "update/UpdateFetch.h"

namespace {

const DWORD kCheckTimeoutMs = 5000;
// A hang guard, not a speed check: far above the check's own five seconds would mean it hangs.
const DWORD kHangGuardMs = 8000;

TEST(UpdateFetch, SendsOneGetWithTheAgentAndAcceptHeader) {
    LoopbackServer server(HttpReply(200, "0000019\nhttp://t.test/a\n"));
    ASSERT_TRUE(server.Listening()) << server.Error();
    FetchedReply reply;
    ASSERT_TRUE(FetchUpdateReply(server.Url().c_str(), kCheckTimeoutMs, reply));
    ASSERT_TRUE(server.Stop());

    const auto requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    const std::string& request = requests[0];
    EXPECT_EQ(0u, request.find("GET /software/updates/tavo.txt HTTP/1.1\r\n")) << request;
    EXPECT_NE(std::string::npos, request.find("\r\nUser-Agent: MyTest agent\r\n")) << request;
    EXPECT_NE(std::string::npos, request.find("\r\nAccept: */*\r\n")) << request;
    EXPECT_NE(std::string::npos, request.find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"))
        << request;
}

TEST(UpdateFetch, ReadsTheStatusAndTheBodyUpToTheEndOfLine2) {
    LoopbackServer server(HttpReply(200, "0000020\r\nhttp://t.test/a\r\nanything after line 2\n"));
    ASSERT_TRUE(server.Listening()) << server.Error();
    FetchedReply reply;
    ASSERT_TRUE(FetchUpdateReply(server.Url().c_str(), kCheckTimeoutMs, reply));
    EXPECT_EQ(200u, reply.status);
    EXPECT_EQ("0000020\r\nhttp://t.test/a\r\n", reply.body);
}

TEST(UpdateFetch, HandsOnANotFoundPageWithItsStatus) {
    LoopbackServer server(HttpReply(404, "0000020\nhttp://t.test/a\n"));
    ASSERT_TRUE(server.Listening()) << server.Error();
    FetchedReply reply;
    ASSERT_TRUE(FetchUpdateReply(server.Url().c_str(), kCheckTimeoutMs, reply));
    EXPECT_EQ(404u, reply.status);
}

TEST(UpdateFetch, FailsOnAHostThatDoesNotExist) {
    FetchedReply reply;
    EXPECT_FALSE(
        FetchUpdateReply(L"http://updates.tavoline.invalid/software/updates/tavo.txt", kCheckTimeoutMs, reply));
}

TEST(UpdateFetch, GivesUpOnASilentServerAtItsDeadline) {
    LoopbackServer server("", LoopbackServer::Behaviour::Silent);
    ASSERT_TRUE(server.Listening()) << server.Error();
    FetchedReply reply;
    const DWORD start = ::GetTickCount();
    EXPECT_FALSE(FetchUpdateReply(server.Url().c_str(), kCheckTimeoutMs, reply));
    EXPECT_LT(::GetTickCount() - start, kHangGuardMs);
    EXPECT_EQ(1u, server.Requests().size());
}

}   // namespace
