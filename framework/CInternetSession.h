// CInternetSession: one WinInet session, from which http:// and https:// addresses are opened.
// One thread uses a session and the files it opens.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>
#include <vector>

#include "CStdioFile.h"

class CInternetSession {
public:
    // Starts WinInet (InternetOpen); raises CInternetException when it cannot.
    explicit CInternetSession(const wchar_t* agent = nullptr, DWORD_PTR context = 1,
                              DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG, const wchar_t* proxyName = nullptr,
                              const wchar_t* proxyBypass = nullptr, DWORD flags = 0);
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;
    ~CInternetSession();

    // Sets a session option. The connect, send and receive time-outs also go to every request the
    // session opens afterwards: Wine's WinInet does not pass them on from the session by itself.
    BOOL SetOption(DWORD option, DWORD value);

    // Sends a GET request for an http:// or https:// address and returns the reply (a CHttpFile),
    // which the caller owns and deletes. Raises CInternetException when no reply arrives.
    // headersLength (DWORD)-1 means the headers are zero-terminated.
    CStdioFile* OpenURL(const wchar_t* url, DWORD_PTR context = 1, DWORD flags = INTERNET_FLAG_TRANSFER_ASCII,
                        const wchar_t* headers = nullptr, DWORD headersLength = 0);

    // Ends the session. Files it opened must be closed first. Closing twice does nothing.
    void Close();

    operator HINTERNET() const { return m_hSession; }

private:
    HINTERNET m_hSession;
    std::vector<std::pair<DWORD, DWORD>> m_requestTimeouts;
};
