#include "ui/ProgramFolder.h"

#include <windows.h>

CString FolderOfPath(const CString& path) { return path.Left(path.ReverseFind(L'\\')); }

void MakeProgramFolderCurrent() {
    wchar_t modulePath[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    ::SetCurrentDirectoryW(FolderOfPath(modulePath));
}
