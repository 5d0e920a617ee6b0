// LoopbackServer: an HTTP server for one test, on 127.0.0.1 only, that answers every request
// with the same canned bytes (or misbehaves as told). It listens before the constructor returns
// and is stopped, with a deadline, by the destructor.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class LoopbackServer {
public:
    enum class Behaviour {
        Answer,       // sends the reply, then closes the connection
        Silent,       // accepts, reads the request and never answers
        ResetAfter,   // sends the reply, waits a moment, then resets the connection
    };

    // port 0: any free port (see Port()). A fixed port held by another server is waited for, up to 30 s.
    explicit LoopbackServer(std::string reply, Behaviour behaviour = Behaviour::Answer, unsigned short port = 0);
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer();

    // False (with the reason in Error()) when the server could not start listening.
    bool Listening() const { return m_listener != INVALID_SOCKET; }
    const std::string& Error() const { return m_error; }
    unsigned short Port() const { return m_port; }
    // http://127.0.0.1:<port>/software/updates/tavo.txt
    std::wstring Url() const;
    // Every request received so far, head only.
    std::vector<std::string> Requests() const;
    // Stops accepting and closes every connection; false when the server thread did not end in time.
    bool Stop(DWORD timeoutMs = 5000);

private:
    static DWORD WINAPI ThreadMain(LPVOID self);
    void Serve();
    void Handle(SOCKET connection);

    std::string m_reply;
    Behaviour m_behaviour;
    SOCKET m_listener = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::string m_error;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_lock;
    std::vector<std::string> m_requests;       // guarded by m_lock
    std::vector<SOCKET> m_silentConnections;   // only the server thread touches these
};

// A whole HTTP/1.1 reply with a Content-Length for the body and "Connection: close".
std::string HttpReply(int status, const std::string& body);
// A reply that declares declaredLength bytes but carries only the body given.
std::string CutHttpReply(const std::string& body, size_t declaredLength);
// A port of 127.0.0.1 where nothing listens: connections to it are refused.
unsigned short RefusedPort();
