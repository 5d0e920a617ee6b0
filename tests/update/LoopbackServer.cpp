#include "LoopbackServer.h"

#include <ws2tcpip.h>

namespace {

const DWORD kPollMs = 20;
const DWORD kResetDelayMs = 300;
const DWORD kFixedPortWaitMs = 30000;

struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { ::WSACleanup(); }
};

void UseWinsock() { static WinsockUser user; }

// Waits up to timeoutMs for the socket to become readable.
bool Readable(SOCKET socket, DWORD timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait = {static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
    return ::select(0, &set, nullptr, nullptr, &wait) == 1;
}

SOCKET ListenOn(unsigned short port, unsigned short& bound, std::string& error) {
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        error = "socket failed: " + std::to_string(::WSAGetLastError());
        return INVALID_SOCKET;
    }
    // A fixed port must not be shared with another process.
    BOOL exclusive = TRUE;
    ::setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof(exclusive));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof(address);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(listener, 8) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::to_string(::WSAGetLastError());
        ::closesocket(listener);
        return INVALID_SOCKET;
    }
    bound = ntohs(address.sin_port);
    return listener;
}

}   // namespace

LoopbackServer::LoopbackServer(std::string reply, Behaviour behaviour, unsigned short port)
    : m_reply(std::move(reply)), m_behaviour(behaviour) {
    UseWinsock();
    m_listener = ListenOn(port, m_port, m_error);
    // A fixed port may be held by a test running in parallel: wait for it to let go.
    for (DWORD waited = 0; m_listener == INVALID_SOCKET && port != 0 && waited < kFixedPortWaitMs; waited += kPollMs) {
        ::Sleep(kPollMs);
        m_listener = ListenOn(port, m_port, m_error);
    }
    if (m_listener == INVALID_SOCKET) return;
    m_thread = ::CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (!m_thread) {
        m_error = "no server thread";
        ::closesocket(m_listener);
        m_listener = INVALID_SOCKET;
    }
}

LoopbackServer::~LoopbackServer() {
    // A server thread that does not end would use this object after it is gone: end the process loudly instead.
    if (!Stop()) ::TerminateProcess(::GetCurrentProcess(), 99);
}

std::wstring LoopbackServer::Url() const {
    return L"http://127.0.0.1:" + std::to_wstring(m_port) + L"/software/updates/tavo.txt";
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_requests;
}

bool LoopbackServer::Stop(DWORD timeoutMs) {
    m_stopping = true;
    if (m_thread) {
        if (::WaitForSingleObject(m_thread, timeoutMs) != WAIT_OBJECT_0) return false;
        ::CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_listener != INVALID_SOCKET) ::closesocket(m_listener);
    m_listener = INVALID_SOCKET;
    return true;
}

DWORD WINAPI LoopbackServer::ThreadMain(LPVOID self) {
    static_cast<LoopbackServer*>(self)->Serve();
    return 0;
}

void LoopbackServer::Serve() {
    while (!m_stopping) {
        if (!Readable(m_listener, kPollMs)) continue;
        SOCKET connection = ::accept(m_listener, nullptr, nullptr);
        if (connection != INVALID_SOCKET) Handle(connection);
    }
    for (SOCKET connection : m_silentConnections) ::closesocket(connection);
    m_silentConnections.clear();
}

void LoopbackServer::Handle(SOCKET connection) {
    // The request's head, up to the blank line; a client that stops sending is given up on.
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && !m_stopping && Readable(connection, 2000)) {
        const int received = ::recv(connection, buffer, sizeof(buffer), 0);
        if (received <= 0) break;
        request.append(buffer, static_cast<size_t>(received));
    }
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_requests.push_back(request);
    }
    if (m_behaviour == Behaviour::Silent) {
        m_silentConnections.push_back(connection);
        return;
    }
    size_t sent = 0;
    while (sent < m_reply.size()) {
        const int count = ::send(connection, m_reply.data() + sent, static_cast<int>(m_reply.size() - sent), 0);
        if (count <= 0) break;
        sent += static_cast<size_t>(count);
    }
    if (m_behaviour == Behaviour::ResetAfter) {
        // Once the client has taken what was sent and waits for the rest.
        ::Sleep(kResetDelayMs);
        linger reset = {1, 0};   // closing with a zero linger time sends a reset instead of an orderly end
        ::setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof(reset));
    } else {
        ::shutdown(connection, SD_SEND);
    }
    ::closesocket(connection);
}

std::string HttpReply(int status, const std::string& body) {
    const char* reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Status";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

std::string CutHttpReply(const std::string& body, size_t declaredLength) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(declaredLength) +
           "\r\nConnection: close\r\n\r\n" + body;
}

unsigned short RefusedPort() {
    UseWinsock();
    unsigned short port = 0;
    std::string error;
    SOCKET listener = ListenOn(0, port, error);
    if (listener != INVALID_SOCKET) ::closesocket(listener);
    return port;
}
