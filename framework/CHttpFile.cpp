#include "CHttpFile.h"

#include <cwchar>

#include "CInternetException.h"
#include "WinInetLibrary.h"

// A CHttpFile comes from a session, which has loaded WinInet already.
CHttpFile::CHttpFile(HINTERNET connection, HINTERNET request, DWORD_PTR context)
    : m_hConnection(connection), m_hRequest(request), m_context(context) {
    // Content-Length is read as text: the numeric query is limited to 32 bits.
    wchar_t text[32] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    DWORD index = 0;
    if (WinInet()->HttpQueryInfoW(m_hRequest, HTTP_QUERY_CONTENT_LENGTH, text, &size, &index)) {
        wchar_t* end = nullptr;
        const ULONGLONG length = std::wcstoull(text, &end, 10);
        m_lengthDeclared = end != text && *end == L'\0';
        m_declaredLength = length;
    }
}

CHttpFile::~CHttpFile() { Close(); }

UINT CHttpFile::Read(void* buffer, UINT count) {
    if (!m_hRequest) AfxThrowInternetException(m_context, ERROR_INVALID_HANDLE);
    DWORD delivered = 0;
    if (!WinInet()->InternetReadFile(m_hRequest, buffer, count, &delivered)) AfxThrowInternetException(m_context);
    m_bytesRead += delivered;
    if (delivered == 0 && count > 0 && m_lengthDeclared && m_bytesRead < m_declaredLength)
        AfxThrowInternetException(m_context, ERROR_INTERNET_CONNECTION_ABORTED);
    return delivered;
}

void CHttpFile::Close() {
    if (m_hRequest) WinInet()->InternetCloseHandle(m_hRequest);
    if (m_hConnection) WinInet()->InternetCloseHandle(m_hConnection);
    m_hRequest = nullptr;
    m_hConnection = nullptr;
}

BOOL CHttpFile::QueryInfoStatusCode(DWORD& status) const {
    if (!m_hRequest) return FALSE;
    DWORD size = sizeof(status);
    DWORD index = 0;
    return WinInet()->HttpQueryInfoW(m_hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                                     &index);
}
