#include "app/SystemDllSearch.h"

#include <windows.h>

void LimitDllSearchToSystemFolder() {
    // Every later load by name, ours or a system DLL's, looks in the system folder only. Looked
    // up at run time: the program still starts where the function is missing (Windows 7 without
    // its loader update), and there WinInet is loaded by its full path all the same.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found)))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else ::SetDllDirectoryW(L"");   // at least not the current directory
}
