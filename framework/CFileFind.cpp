#include "CFileFind.h"

#include <vector>

#include "base/LongPath.h"

namespace {
bool IsSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

bool IsAbsolute(const CString& path) {
    if (path.GetLength() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
    return path.GetLength() >= 3 && path[1] == L':' && IsSeparator(path[2]);
}

CString FullPath(const CString& path) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFullPathNameW(path, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return path;   // leave it to the call that uses it to report the problem
        if (length < buffer.size()) return CString(buffer.data(), static_cast<int>(length));
        buffer.resize(length + 1);
    }
}

CString CurrentDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length < buffer.size()) return CString(buffer.data(), static_cast<int>(length));
        buffer.resize(length + 1);
    }
}

CString WithSeparator(const CString& folder) {
    if (folder.IsEmpty() || IsSeparator(folder[folder.GetLength() - 1])) return folder;
    return folder + L'\\';
}
}

CString ExtendedLengthPath(const CString& path) {
    const std::wstring longPath = longpath::Of(static_cast<const wchar_t*>(path));
    return longPath.empty() ? path : CString(longPath.c_str());   // the call that uses it reports the problem
}

BOOL CFileFind::FindFile(const wchar_t* name) {
    Close();
    CString pattern = name && *name ? CString(name) : CString(L"*");
    int lastSeparator = pattern.GetLength() - 1;
    while (lastSeparator >= 0 && !IsSeparator(pattern[lastSeparator])) --lastSeparator;
    m_root = pattern.Left(lastSeparator + 1);
    if (!IsAbsolute(m_root)) m_root = WithSeparator(m_root.IsEmpty() ? CurrentDirectory() : FullPath(m_root));

    m_find = FindFirstFileExW(ExtendedLengthPath(pattern), FindExInfoBasic, &m_next, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
    if (m_find == INVALID_HANDLE_VALUE) {
        m_error = GetLastError();
        return FALSE;
    }
    m_hasNext = true;
    m_error = ERROR_SUCCESS;
    return TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (!m_hasNext) return FALSE;
    m_found = m_next;
    m_hasNext = ::FindNextFileW(m_find, &m_next) != FALSE;
    if (!m_hasNext) m_error = GetLastError();
    return m_hasNext;
}

void CFileFind::Close() {
    if (m_find != INVALID_HANDLE_VALUE) FindClose(m_find);
    m_find = INVALID_HANDLE_VALUE;
    m_hasNext = false;
}

CString CFileFind::GetFilePath() const { return m_root + m_found.cFileName; }

BOOL CFileFind::IsDots() const {
    const wchar_t* name = m_found.cFileName;
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}
