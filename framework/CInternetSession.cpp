#include "CInternetSession.h"

#include <algorithm>
#include <string>

#include "CHttpFile.h"
#include "CInternetException.h"
#include "WinInetLibrary.h"

namespace {

bool IsRequestTimeout(DWORD option) {
    return option == INTERNET_OPTION_CONNECT_TIMEOUT || option == INTERNET_OPTION_SEND_TIMEOUT ||
           option == INTERNET_OPTION_RECEIVE_TIMEOUT;
}

// Releases the handles of a request that did not get as far as a reply.
void CloseAll(HINTERNET request, HINTERNET connection) {
    if (request) WinInet()->InternetCloseHandle(request);
    if (connection) WinInet()->InternetCloseHandle(connection);
}

HINTERNET OpenSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxyName, const wchar_t* proxyBypass,
                      DWORD flags) {
    const WinInetLibrary* inet = WinInet();
    return inet ? inet->InternetOpenW(agent, accessType, proxyName, proxyBypass, flags) : nullptr;
}

}   // namespace

CInternetSession::CInternetSession(const wchar_t* agent, DWORD_PTR context, DWORD accessType, const wchar_t* proxyName,
                                   const wchar_t* proxyBypass, DWORD flags)
    : m_hSession(OpenSession(agent, accessType, proxyName, proxyBypass, flags)) {
    if (!m_hSession) AfxThrowInternetException(context);
}

CInternetSession::~CInternetSession() { Close(); }

BOOL CInternetSession::SetOption(DWORD option, DWORD value) {
    if (!m_hSession) return FALSE;
    if (IsRequestTimeout(option)) {
        auto known = std::find_if(m_requestTimeouts.begin(), m_requestTimeouts.end(),
                                  [option](const std::pair<DWORD, DWORD>& entry) { return entry.first == option; });
        if (known != m_requestTimeouts.end()) known->second = value;
        else m_requestTimeouts.emplace_back(option, value);
    }
    return WinInet()->InternetSetOptionW(m_hSession, option, &value, sizeof(value));
}

CStdioFile* CInternetSession::OpenURL(const wchar_t* url, DWORD_PTR context, DWORD flags, const wchar_t* headers,
                                      DWORD headersLength) {
    if (!m_hSession) AfxThrowInternetException(context, ERROR_INVALID_HANDLE);

    // Non-zero lengths ask InternetCrackUrl for pointers into url instead of copies.
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwSchemeLength = 1;
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!url || !WinInet()->InternetCrackUrlW(url, 0, 0, &parts))
        AfxThrowInternetException(context, ERROR_INTERNET_INVALID_URL);
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        AfxThrowInternetException(context, ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty()) object = L"/";
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;

    // Connection, request and send are separate steps, not InternetOpenUrl, so that the time-outs
    // can be set on the request handle, the one place where Wine honours them.
    HINTERNET connection = WinInet()->InternetConnectW(m_hSession, host.c_str(), parts.nPort, nullptr, nullptr,
                                                       INTERNET_SERVICE_HTTP, 0, context);
    if (!connection) AfxThrowInternetException(context);
    HINTERNET request =
        WinInet()->HttpOpenRequestW(connection, L"GET", object.c_str(), nullptr, nullptr, nullptr, flags, context);
    if (!request) {
        const DWORD error = ::GetLastError();
        CloseAll(nullptr, connection);
        AfxThrowInternetException(context, error);
    }
    for (auto entry : m_requestTimeouts)
        WinInet()->InternetSetOptionW(request, entry.first, &entry.second, sizeof(entry.second));
    if (!WinInet()->HttpSendRequestW(request, headers, headers ? headersLength : 0, nullptr, 0)) {
        const DWORD error = ::GetLastError();
        CloseAll(request, connection);
        AfxThrowInternetException(context, error);
    }
    try {
        return new CHttpFile(connection, request, context);
    } catch (...) {
        CloseAll(request, connection);
        throw;
    }
}

void CInternetSession::Close() {
    if (m_hSession) WinInet()->InternetCloseHandle(m_hSession);
    m_hSession = nullptr;
}
