// CString: the program's wide string, an MFC-named value type over std::wstring.
#pragma once

#include <windows.h>

#include <string>

class CString {
public:
    CString() = default;
    CString(const wchar_t* text) : m_text(text ? text : L"") {}
    CString(const wchar_t* text, int length)
        : m_text(text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring()) {}
    CString(wchar_t ch, int repeat = 1) : m_text(static_cast<size_t>(repeat > 0 ? repeat : 0), ch) {}
    CString(const std::wstring& text) : m_text(text) {}
    CString(std::wstring&& text) : m_text(std::move(text)) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const wchar_t* GetString() const { return m_text.c_str(); }
    operator const wchar_t*() const { return m_text.c_str(); }
    const std::wstring& Str() const { return m_text; }

    wchar_t GetAt(int index) const { return m_text.at(static_cast<size_t>(index)); }
    wchar_t operator[](int index) const { return GetAt(index); }

    CString& operator=(const wchar_t* text) {
        m_text = text ? text : L"";
        return *this;
    }
    CString& operator+=(const CString& more) {
        m_text += more.m_text;
        return *this;
    }
    CString& operator+=(const wchar_t* more) {
        if (more) m_text += more;
        return *this;
    }
    CString& operator+=(wchar_t ch) {
        m_text += ch;
        return *this;
    }
    void Append(const wchar_t* more) { *this += more; }
    void AppendChar(wchar_t ch) { m_text += ch; }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_text + b.m_text); }
    friend CString operator+(const CString& a, const wchar_t* b) { return a + CString(b); }
    friend CString operator+(const wchar_t* a, const CString& b) { return CString(a) + b; }
    friend CString operator+(const CString& a, wchar_t b) { return CString(a.m_text + b); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.m_text == (b ? b : L""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }

    // Substrings clamp their arguments like MFC's: out-of-range counts never throw.
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    // Positions or -1 when not found.
    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* sub, int start = 0) const;
    int ReverseFind(wchar_t ch) const;

    // Remove white space (as iswspace) from both ends, the left or the right; return *this.
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

    // Removes up to count characters from index; returns the new length.
    int Delete(int index, int count = 1);
    int Insert(int index, const wchar_t* text);
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    void MakeLower();
    int CompareNoCase(const wchar_t* other) const;

    void Format(const wchar_t* format, ...);
    // Loads a string resource of the current module; false (and empty) when it does not exist.
    BOOL LoadString(UINT id);

    // A writable buffer of at least minLength characters plus the terminator;
    // ReleaseBuffer(-1) takes the length up to the first zero.
    wchar_t* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

private:
    std::wstring m_text;
};
