#include "CInternetException.h"

#include <wininet.h>

namespace {

// WinInet keeps the texts of its own codes (12000 to 12999) in wininet.dll's message table.
CString WinInetErrorText(DWORD error) {
    HMODULE wininet = ::GetModuleHandleW(L"wininet.dll");
    if (!wininet || error < INTERNET_ERROR_BASE || error > INTERNET_ERROR_LAST) return SystemErrorText(error);
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                         wininet, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    CString result;
    if (length && text) result = CString(text, static_cast<int>(length));
    if (text) ::LocalFree(text);
    result.TrimRight();
    if (result.IsEmpty()) result.Format(L"internet error %lu", static_cast<unsigned long>(error));
    return result;
}

}   // namespace

BOOL CInternetException::GetErrorMessage(wchar_t* buffer, UINT maxChars, UINT* helpContext) const {
    if (helpContext) *helpContext = 0;
    return CopyErrorText(WinInetErrorText(m_dwError), buffer, maxChars);
}

void AfxThrowInternetException(DWORD_PTR context, DWORD error) {
    throw new CInternetException(error ? error : ::GetLastError(), context);
}
