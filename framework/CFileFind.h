// CFileFind: one enumeration of a folder's entries, over FindFirstFileExW/FindNextFileW.
//
//   CFileFind finder;
//   BOOL more = finder.FindFile(L"C:\\Data\\*");
//   while (more) {
//       more = finder.FindNextFile();   // FALSE: this entry is the last one; it is still valid
//       ... finder.GetFilePath(), finder.IsDirectory(), finder.IsDots() ...
//   }
//   if (finder.GetFindError() != ERROR_NO_MORE_FILES) ... the folder could not be read to its end
//
// Searches go through the "\\?\" form of the path, so folders beyond MAX_PATH are enumerated too;
// GetFilePath reports paths in the form the caller gave.
#pragma once

#include <windows.h>

#include "base/CString.h"

class CFileFind {
public:
    CFileFind() = default;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;
    ~CFileFind() { Close(); }

    // Starts an enumeration of the entries matching name ("folder\\*"; null: every entry of the
    // current directory). FALSE when nothing matches or the folder cannot be read (GetFindError says which).
    BOOL FindFile(const wchar_t* name = nullptr);
    // Moves to the next entry; FALSE when the entry moved to is the last one.
    BOOL FindNextFile();
    void Close();

    // The system's error code that ended the enumeration: ERROR_NO_MORE_FILES after a complete one,
    // ERROR_FILE_NOT_FOUND when nothing matched, anything else when the folder could not be read.
    DWORD GetFindError() const { return m_error; }

    CString GetFileName() const { return CString(m_found.cFileName); }
    // The folder part of the searched name, one "\", and the entry's name.
    CString GetFilePath() const;
    DWORD GetAttributes() const { return m_found.dwFileAttributes; }
    BOOL MatchesMask(DWORD mask) const { return (m_found.dwFileAttributes & mask) != 0; }
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    // A link or junction (a reparse point) rather than a plain file or folder.
    BOOL IsReparsePoint() const { return MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT); }
    BOOL IsHidden() const { return MatchesMask(FILE_ATTRIBUTE_HIDDEN); }
    BOOL IsSystem() const { return MatchesMask(FILE_ATTRIBUTE_SYSTEM); }
    // "." or "..".
    BOOL IsDots() const;

private:
    HANDLE m_find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_found = {};   // the entry the caller looks at
    WIN32_FIND_DATAW m_next = {};    // the entry after it, read ahead
    bool m_hasNext = false;
    DWORD m_error = ERROR_NO_MORE_FILES;
    CString m_root;   // the searched folder as the caller named it, ending in "\"
};

// The "\\?\" (or "\\?\UNC\") form of a full path, which Win32 file calls accept beyond MAX_PATH.
// A relative path is made full first (against the current directory); "." and ".." are resolved.
CString ExtendedLengthPath(const CString& path);
