#include "base/Exception.h"

BOOL CopyErrorText(const CString& text, wchar_t* buffer, UINT maxChars) {
    if (!buffer || maxChars == 0) return FALSE;
    const UINT count =
        static_cast<UINT>(text.GetLength()) < maxChars - 1 ? static_cast<UINT>(text.GetLength()) : maxChars - 1;
    for (UINT i = 0; i < count; ++i) buffer[i] = text[static_cast<int>(i)];
    buffer[count] = L'\0';
    return !text.IsEmpty();
}

CString SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    CString result;
    if (length && text) result = CString(text, static_cast<int>(length));
    if (text) LocalFree(text);
    result.TrimRight();
    if (result.IsEmpty()) result.Format(L"system error %lu", static_cast<unsigned long>(error));
    return result;
}

BOOL CException::GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext) const {
    if (helpContext) *helpContext = 0;
    return CopyErrorText(CString(), buffer, maxChars);
}

CString CException::GetReason() const {
    wchar_t buffer[1024];
    return GetErrorMessage(buffer, 1024) ? CString(buffer) : CString();
}

BOOL CMemoryException::GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext) const {
    if (helpContext) *helpContext = 0;
    return CopyErrorText(L"Out of memory.", buffer, maxChars);
}

BOOL CFileException::GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext) const {
    if (helpContext) *helpContext = 0;
    CString text =
        m_lOsError >= 0 ? SystemErrorText(static_cast<DWORD>(m_lOsError)) : CString(L"A file operation failed.");
    if (!m_strFileName.IsEmpty()) text += L" (" + m_strFileName + L")";
    return CopyErrorText(text, buffer, maxChars);
}

void AfxThrowMemoryException() { throw new CMemoryException(); }

void AfxThrowFileException(int cause, LONG osError, const wchar_t* fileName) {
    throw new CFileException(cause, osError, fileName);
}

void AfxThrowLastError(DWORD error, const wchar_t* fileName) {
    if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) AfxThrowMemoryException();
    int cause = CFileException::genericException;
    if (error == ERROR_FILE_NOT_FOUND) cause = CFileException::fileNotFound;
    else if (error == ERROR_PATH_NOT_FOUND) cause = CFileException::badPath;
    else if (error == ERROR_ACCESS_DENIED) cause = CFileException::accessDenied;
    else if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) cause = CFileException::diskFull;
    AfxThrowFileException(cause, static_cast<LONG>(error), fileName);
}
