// A file handle that closes itself, and the one way the Win32 file seam reports a refused call.
#pragma once

#include <windows.h>

#include <string>

#include "core/ZipError.h"
#include "ziparchive/win32/Win32Path.h"
#include "core/TextEncoding.h"

namespace zipfacade {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Close(); }

    void Reset(HANDLE handle) {
        Close();
        m_handle = handle;
    }
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    // Closes now; false (with GetLastError) when the system reports a failure, for example a
    // delayed write that could not be completed.
    bool Close() {
        if (!Valid()) return true;
        const BOOL ok = CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// Throws the core's I/O error with the system's error code and the path as people write it.
[[noreturn]] inline void ThrowSystemError(const char* reason, DWORD error, const std::wstring& path) {
    throw zipcore::ZipError(zipcore::ZipErrorKind::Io, reason, static_cast<int>(error),
                            zipcore::WideToUtf8(WithoutLongPrefix(path)));
}

[[noreturn]] inline void ThrowLastError(const char* reason, const std::wstring& path) {
    ThrowSystemError(reason, GetLastError(), path);
}

}   // namespace zipfacade
