// CInternetException: a failed WinInet exchange, carrying WinInet's (or the system's) error code.
#pragma once

#include <windows.h>

#include "base/Exception.h"

class CInternetException : public CException {
public:
    explicit CInternetException(DWORD error, DWORD_PTR context = 0) : m_dwError(error), m_dwContext(context) {}
    BOOL GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext = nullptr) const override;

    DWORD m_dwError;
    DWORD_PTR m_dwContext;
};

// Throws a CInternetException with the given code; 0 means the calling thread's last error.
[[noreturn]] void AfxThrowInternetException(DWORD_PTR context, DWORD error = 0);
