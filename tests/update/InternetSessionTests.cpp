// The framework's WinInet classes as the update check uses them, against a loopback server.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "LoopbackServer.h"
#include "framework/CHttpFile.h"
#include "framework/CInternetException.h"
#include "framework/CInternetSession.h"

namespace {

const DWORD kHangGuardMs = 8000;

// The WinInet code of the CInternetException that work raises; 0 when it raises none.
template <typename Work>
DWORD InternetErrorOf(Work work, std::wstring* reason = nullptr) {
    try {
        work();
    } catch (CInternetException* failure) {
        const DWORD code = failure->m_dwError;
        if (reason) *reason = failure->GetReason().Str();
        failure->Delete();
        return code;
    }
    return 0;
}

std::unique_ptr<CStdioFile> Open(CInternetSession& session, const std::wstring& url) {
    return std::unique_ptr<CStdioFile>(session.OpenURL(url.c_str(), 1,
                                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_ASCII,
                                                       L"Accept: */*\r\n\r\n", static_cast<DWORD>(-1)));
}

std::string ReadAll(CStdioFile& file) {
    std::string bytes;
    char buffer[7];
    for (UINT count; (count = file.Read(buffer, sizeof(buffer))) > 0;) bytes.append(buffer, count);
    return bytes;
}

TEST(InternetSession, OpensAReplyWithItsStatusAndBody) {
    LoopbackServer server(HttpReply(404, "no such file\r\n"));
    ASSERT_TRUE(server.Listening()) << server.Error();
    CInternetSession session(L"MyTest agent", 1, INTERNET_OPEN_TYPE_DIRECT);
    std::unique_ptr<CStdioFile> file = Open(session, server.Url());
    auto* http = dynamic_cast<CHttpFile*>(file.get());
    ASSERT_NE(nullptr, http);
    DWORD status = 0;
    EXPECT_TRUE(http->QueryInfoStatusCode(status));
    EXPECT_EQ(404u, status);
    EXPECT_EQ("no such file\r\n", ReadAll(*file));
    file->Close();
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), InternetErrorOf([&] { ReadAll(*file); }));
}

TEST(InternetSession, ACutReplyFailsWhenItsEndIsRead) {
    LoopbackServer server(CutHttpReply("0000020\nhttp://t.test/", 100));
    ASSERT_TRUE(server.Listening()) << server.Error();
    CInternetSession session(L"MyTest agent", 1, INTERNET_OPEN_TYPE_DIRECT);
    std::unique_ptr<CStdioFile> file = Open(session, server.Url());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_CONNECTION_ABORTED), InternetErrorOf([&] { ReadAll(*file); }));
}

TEST(InternetSession, RaisesWinInetsCodeWhenNoReplyComes) {
    CInternetSession session(L"MyTest agent", 1, INTERNET_OPEN_TYPE_DIRECT);
    std::wstring reason;
    const std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(RefusedPort()) + L"/software/updates/tavo.txt";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT),
              InternetErrorOf([&] { Open(session, refused); }, &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_UNRECOGNIZED_SCHEME),
              InternetErrorOf([&] { Open(session, L"ftp://127.0.0.1/tavo.txt"); }));
}

TEST(InternetSession, ItsReceiveTimeOutReachesTheRequest) {
    LoopbackServer server("", LoopbackServer::Behaviour::Silent);
    ASSERT_TRUE(server.Listening()) << server.Error();
    CInternetSession session(L"MyTest agent", 1, INTERNET_OPEN_TYPE_DIRECT);
    ASSERT_TRUE(session.SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, 1000));
    // Without the time-out the request would wait for ever: the server is then stopped, which ends it.
    std::promise<void> answered;
    std::thread guard([&server, done = answered.get_future()] {
        if (done.wait_for(std::chrono::milliseconds(kHangGuardMs)) == std::future_status::timeout) server.Stop();
    });
    const DWORD start = ::GetTickCount();
    EXPECT_NE(0u, InternetErrorOf([&] { Open(session, server.Url()); }));
    answered.set_value();
    guard.join();
    EXPECT_LT(::GetTickCount() - start, kHangGuardMs);
}

}   // namespace
