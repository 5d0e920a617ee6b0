// The archive library's failures as seen by the program: one CException subclass with a cause,
// the system's error code where there is one, and a readable reason.
#pragma once

#include "base/Exception.h"

class CZipException : public CException {
public:
    enum Cause {
        generic = 0,
        ioError = 1,        // a file operation failed; m_osError holds the system's error code
        notAnArchive = 2,   // no zip directory could be found
        badArchive = 3,     // the archive's structure is damaged or truncated
        unsupported = 4,    // a compression method or an encryption this library does not read
        unsafeName = 5,     // an entry's name would write outside the target folder or to a device
        corruptData = 6,    // an entry's data failed its check
        wrongUse = 7,       // a call that does not fit the archive's state (for example adding to a read-only archive)
        noMemory = 8,
        stopped = 9,       // the caller's stop request was honoured; nothing half-written is left
        badPassword = 10   // no password, or not the right one, for an encrypted entry; nothing was written
    };

    CZipException(int cause, DWORD osError, const wchar_t* reason, const wchar_t* path)
        : m_iCause(cause), m_osError(osError), m_reason(reason), m_path(path) {}

    BOOL GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext = nullptr) const override {
        if (helpContext) *helpContext = 0;
        CString text = m_reason;
        if (m_osError != 0) text += L": " + SystemErrorText(m_osError);
        if (!m_path.IsEmpty()) text += L" (" + m_path + L")";
        return CopyErrorText(text, buffer, maxChars);
    }

    int m_iCause;
    DWORD m_osError;
    CString m_reason;
    CString m_path;
};
