#include "update/UpdateFetch.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "framework/CHttpFile.h"
#include "framework/CInternetSession.h"
#include "base/Exception.h"
#include "update/UpdateReply.h"

namespace {

const wchar_t kAgent[] = L"MyTest agent";
const wchar_t kHeaders[] = L"Accept: */*\r\n\r\n";
constexpr DWORD_PTR kContext = 1;
// Always from the server, never from a cache; the transfer flag is WinInet's ASCII mode.
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_ASCII;

// Shared by the waiting thread and the helper, and freed by whichever lets go of it last.
struct Exchange {
    std::wstring url;
    DWORD timeoutMs = 0;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;        // guarded by lock
    bool succeeded = false;   // guarded by lock
    bool abandoned = false;   // guarded by lock: the waiting thread has stopped waiting
    FetchedReply reply;       // guarded by lock
};

bool Abandoned(Exchange& exchange) {
    std::lock_guard<std::mutex> hold(exchange.lock);
    return exchange.abandoned;
}

// The helper thread: the whole WinInet exchange, every failure caught.
void RunExchange(std::shared_ptr<Exchange> exchange) {
    FetchedReply reply;
    bool succeeded = false;
    try {
        CInternetSession session(kAgent, kContext, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        session.SetOption(INTERNET_OPTION_CONNECT_TIMEOUT, exchange->timeoutMs);
        session.SetOption(INTERNET_OPTION_SEND_TIMEOUT, exchange->timeoutMs);
        session.SetOption(INTERNET_OPTION_RECEIVE_TIMEOUT, exchange->timeoutMs);
        std::unique_ptr<CStdioFile> file(
            session.OpenURL(exchange->url.c_str(), kContext, kOpenFlags, kHeaders, static_cast<DWORD>(-1)));
        if (auto* http = dynamic_cast<CHttpFile*>(file.get())) http->QueryInfoStatusCode(reply.status);
        // One byte per read: the reading stops right after line 2, even if the server sends more.
        char byte = 0;
        while (!ReplyIsComplete(reply.body) && !Abandoned(*exchange) && file->Read(&byte, 1) == 1) reply.body += byte;
        file->Close();
        session.Close();
        succeeded = true;
    } catch (CException* failure) {
        failure->Delete();
    } catch (...) {
    }
    std::lock_guard<std::mutex> hold(exchange->lock);
    exchange->reply = std::move(reply);
    exchange->succeeded = succeeded;
    exchange->done = true;
    exchange->finished.notify_all();
}

}   // namespace

bool FetchUpdateReply(const wchar_t* url, DWORD timeoutMs, FetchedReply& reply) {
    try {
        auto exchange = std::make_shared<Exchange>();
        exchange->url = url ? url : L"";
        exchange->timeoutMs = timeoutMs;
        std::thread(RunExchange, exchange).detach();

        std::unique_lock<std::mutex> hold(exchange->lock);
        if (!exchange->finished.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return exchange->done; })) {
            exchange->abandoned = true;
            return false;
        }
        if (!exchange->succeeded) return false;
        reply = std::move(exchange->reply);
        return true;
    } catch (...) {   // no thread, no memory: as silent as any other failure
        return false;
    }
}
