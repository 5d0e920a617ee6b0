#include "base/CString.h"

#include <cstdarg>
#include <cwchar>
#include <cwctype>

namespace {
size_t Clamp(int value, size_t upper) {
    if (value < 0) return 0;
    return static_cast<size_t>(value) > upper ? upper : static_cast<size_t>(value);
}
}

CString CString::Left(int count) const { return CString(m_text.substr(0, Clamp(count, m_text.size()))); }

CString CString::Mid(int first) const {
    const size_t start = Clamp(first, m_text.size());
    return CString(m_text.substr(start));
}

CString CString::Mid(int first, int count) const {
    const size_t start = Clamp(first, m_text.size());
    return CString(m_text.substr(start, Clamp(count, m_text.size() - start)));
}

CString CString::Right(int count) const {
    const size_t n = Clamp(count, m_text.size());
    return CString(m_text.substr(m_text.size() - n));
}

int CString::Find(wchar_t ch, int start) const {
    if (start < 0 || static_cast<size_t>(start) > m_text.size()) return -1;
    const size_t at = m_text.find(ch, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const wchar_t* sub, int start) const {
    if (!sub || start < 0 || static_cast<size_t>(start) > m_text.size()) return -1;
    const size_t at = m_text.find(sub, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(wchar_t ch) const {
    const size_t at = m_text.rfind(ch);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft() {
    size_t n = 0;
    while (n < m_text.size() && std::iswspace(m_text[n])) ++n;
    m_text.erase(0, n);
    return *this;
}

CString& CString::TrimRight() {
    size_t n = m_text.size();
    while (n > 0 && std::iswspace(m_text[n - 1])) --n;
    m_text.resize(n);
    return *this;
}

int CString::Delete(int index, int count) {
    const size_t start = Clamp(index, m_text.size());
    m_text.erase(start, Clamp(count, m_text.size() - start));
    return GetLength();
}

int CString::Insert(int index, const wchar_t* text) {
    if (text) m_text.insert(Clamp(index, m_text.size()), text);
    return GetLength();
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText) {
    if (!oldText || !*oldText) return 0;
    const std::wstring from(oldText), to(newText ? newText : L"");
    int count = 0;
    for (size_t at = m_text.find(from); at != std::wstring::npos; at = m_text.find(from, at + to.size())) {
        m_text.replace(at, from.size(), to);
        ++count;
    }
    return count;
}

void CString::MakeLower() {
    if (!m_text.empty()) CharLowerBuffW(&m_text[0], static_cast<DWORD>(m_text.size()));
}

int CString::CompareNoCase(const wchar_t* other) const {
    return CompareStringOrdinal(m_text.c_str(), -1, other ? other : L"", -1, TRUE) - CSTR_EQUAL;
}

void CString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    va_list probe;
    va_copy(probe, args);
    const int needed = _vscwprintf(format, probe);
    va_end(probe);
    if (needed < 0) {
        m_text.clear();
    } else {
        m_text.assign(static_cast<size_t>(needed) + 1, L'\0');
        _vsnwprintf(&m_text[0], m_text.size(), format, args);
        m_text.resize(static_cast<size_t>(needed));
    }
    va_end(args);
}

BOOL CString::LoadString(UINT id) {
    const wchar_t* resource = nullptr;
    // With a zero buffer size LoadStringW hands out a read-only pointer to the resource text.
    const int length = ::LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&resource), 0);
    if (length <= 0 || !resource) {
        m_text.clear();
        return FALSE;
    }
    m_text.assign(resource, static_cast<size_t>(length));
    return TRUE;
}

wchar_t* CString::GetBuffer(int minLength) {
    const size_t wanted = Clamp(minLength, static_cast<size_t>(INT_MAX));
    if (m_text.size() < wanted) m_text.resize(wanted);
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        m_text.resize(std::wcslen(m_text.c_str()));
    } else {
        m_text.resize(Clamp(newLength, m_text.size()));
    }
}
