// Turns whatever went wrong inside the library into the plain ZipFailure record that crosses the
// DLL boundary: a cause, the system's error code, a readable reason and the file concerned.
#pragma once

#include <windows.h>

#include <string>

#include "ziparchive/CZipArchive.h"

namespace zipfacade {

// Throws only std::bad_alloc (from making the texts).
void ReportFailure(ZipFailure& failure, int cause, DWORD osError, const std::wstring& reason,
                   const std::wstring& path = std::wstring());

// Call only inside a catch block: describes the exception being handled.
void ReportCurrentException(ZipFailure& failure) noexcept;

}   // namespace zipfacade
