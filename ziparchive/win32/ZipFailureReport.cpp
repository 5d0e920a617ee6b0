#include "ziparchive/win32/ZipFailureReport.h"

#include <exception>
#include <new>

#include "core/ZipError.h"
#include "core/TextEncoding.h"
#include "ziparchive/win32/Win32Path.h"

namespace zipfacade {

namespace {

// Copies text into a fixed field; a text too long keeps its end (for a path, the file's own name).
template <size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text, bool keepEnd) {
    size_t start = 0;
    size_t count = text.size();
    if (count > N - 1) {
        count = N - 1;
        if (keepEnd) start = text.size() - count;
    }
    text.copy(field, count, start);
    field[count] = L'\0';
    if (keepEnd && start > 0) field[0] = L'\x2026';   // "…" marks the cut
}

int CauseOf(zipcore::ZipErrorKind kind) {
    switch (kind) {
    case zipcore::ZipErrorKind::Io: return CZipException::ioError;
    case zipcore::ZipErrorKind::NotAnArchive: return CZipException::notAnArchive;
    case zipcore::ZipErrorKind::BadArchive: return CZipException::badArchive;
    case zipcore::ZipErrorKind::Unsupported: return CZipException::unsupported;
    case zipcore::ZipErrorKind::UnsafeName: return CZipException::unsafeName;
    case zipcore::ZipErrorKind::CorruptEntry: return CZipException::corruptData;
    case zipcore::ZipErrorKind::SourceChanged: return CZipException::generic;
    case zipcore::ZipErrorKind::Usage: return CZipException::wrongUse;
    case zipcore::ZipErrorKind::Stopped: return CZipException::stopped;
    case zipcore::ZipErrorKind::WrongPassword: return CZipException::badPassword;
    }
    return CZipException::generic;
}

}   // namespace

void ReportFailure(ZipFailure& failure, int cause, DWORD osError, const std::wstring& reason,
                   const std::wstring& path) {
    failure.failed = true;
    failure.cause = cause;
    failure.osError = osError;
    CopyField(failure.reason, reason, false);
    if (failure.reason[0] >= L'a' && failure.reason[0] <= L'z')
        failure.reason[0] = static_cast<wchar_t>(failure.reason[0] - L'a' + L'A');
    std::wstring shown = WithoutLongPrefix(path);
    for (wchar_t& ch : shown)
        if (ch == L'/') ch = L'\\';   // the core joins paths with "/"
    CopyField(failure.path, shown, true);
}

void ReportCurrentException(ZipFailure& failure) noexcept {
    try {
        try {
            throw;
        } catch (const zipcore::ZipError& error) {
            ReportFailure(failure, CauseOf(error.Kind()), static_cast<DWORD>(error.OsError()),
                          zipcore::Utf8ToWide(error.what()), zipcore::Utf8ToWide(error.Path()));
        } catch (const std::bad_alloc&) {
            ReportFailure(failure, CZipException::noMemory, ERROR_NOT_ENOUGH_MEMORY, L"Not enough memory");
        } catch (const std::exception& error) {
            ReportFailure(failure, CZipException::generic, 0, zipcore::Utf8ToWide(error.what()));
        } catch (...) {
            ReportFailure(failure, CZipException::generic, 0, L"Unexpected failure in the archive library");
        }
    } catch (...) {   // describing the failure needed memory there was not
        failure.failed = true;
        failure.cause = CZipException::noMemory;
        failure.osError = ERROR_NOT_ENOUGH_MEMORY;
        lstrcpynW(failure.reason, L"Not enough memory",
                  static_cast<int>(sizeof failure.reason / sizeof failure.reason[0]));
        failure.path[0] = L'\0';
    }
}

}   // namespace zipfacade
