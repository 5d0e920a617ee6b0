// CHttpFile: the reply to one HTTP request, owning its WinInet connection and request handles.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "CStdioFile.h"

class CHttpFile : public CStdioFile {
public:
    // Takes over a connection and a request that has been sent.
    CHttpFile(HINTERNET connection, HINTERNET request, DWORD_PTR context);
    ~CHttpFile() override;

    // Reads the reply's body. Raises CInternetException when the network fails, and also when the
    // server closes the connection before it has sent the length it declared: a cut reply is a failure.
    UINT Read(void* buffer, UINT count) override;
    void Close() override;

    // The reply's HTTP status code (200, 404, ...); FALSE when it cannot be read.
    BOOL QueryInfoStatusCode(DWORD& status) const;

private:
    HINTERNET m_hConnection;
    HINTERNET m_hRequest;
    DWORD_PTR m_context;
    bool m_lengthDeclared = false;
    ULONGLONG m_declaredLength = 0;
    ULONGLONG m_bytesRead = 0;
};
