// The exception family: failures travel as heap-allocated objects thrown by pointer
// (`throw new CFileException(...)`), caught as `CException*` and released with Delete().
#pragma once

#include <windows.h>

#include "base/CString.h"

class CException {
public:
    CException() = default;
    CException(const CException&) = delete;
    CException& operator=(const CException&) = delete;
    virtual ~CException() = default;

    // Copies a readable reason (at most maxChars including the terminator); FALSE when there is none.
    virtual BOOL GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext = nullptr) const;
    // The same reason as a string, empty when there is none.
    CString GetReason() const;
    void Delete() { delete this; }
};

class CMemoryException : public CException {
public:
    BOOL GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext = nullptr) const override;
};

// A failure of a file or system call, carrying the system's error code (GetLastError) and the file's name.
class CFileException : public CException {
public:
    enum { none = 0, genericException = 1, fileNotFound = 2, badPath = 3, accessDenied = 5, diskFull = 14 };

    CFileException(int cause = genericException, LONG osError = -1, const wchar_t* fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
    BOOL GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, const wchar_t* fileName = nullptr);
// Throws CMemoryException for ERROR_NOT_ENOUGH_MEMORY/ERROR_OUTOFMEMORY, else CFileException with the code.
[[noreturn]] void AfxThrowLastError(DWORD error, const wchar_t* fileName = nullptr);

// Copies text into a caller's buffer, truncating; shared by the GetErrorMessage overrides.
BOOL CopyErrorText(const CString& text, wchar_t* buffer, UINT maxChars);
// The system's own text for an error code, without the trailing line break.
CString SystemErrorText(DWORD error);
