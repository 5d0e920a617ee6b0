#include "jobs/FailureCause.h"

#include <windows.h>

#include "ziparchive/CZipArchive.h"

namespace {
// The library reports long paths with their "\\?\" prefix; a user knows them without it.
CString PlainPath(const CString& path) {
    if (path.Left(8).CompareNoCase(L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.Mid(8);
    if (path.Left(4) == L"\\\\?\\") return path.Mid(4);
    return path;
}

CString FolderOf(const CString& path) {
    const int separator = path.ReverseFind(L'\\');
    return separator > 0 ? path.Left(separator) : path;
}
}

CString FailureCause(const CException* failure) {
    const auto* zip = dynamic_cast<const CZipException*>(failure);
    if (!zip || zip->m_iCause != CZipException::ioError) return CString();
    const CString where = PlainPath(zip->m_path);
    switch (zip->m_osError) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return where.IsEmpty() ? CString(L"The disk is full.") : L"The disk holding " + FolderOf(where) + L" is full.";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return L"Tavoline may not write here: " + where;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return L"Another program is using the file: " + where;
    default: return CString();
    }
}
