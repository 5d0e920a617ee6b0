#include "app/SystemDllSearch.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace {

// A delay-loaded DLL is loaded by its full path in the system folder; that folder then also comes
// first for the DLLs it imports itself. This holds on systems without SetDefaultDllDirectories
// (Vista and 7 without their loader update), where the default search starts in our folder.
FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    for (const char* c = info->szDll; *c; ++c) path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return reinterpret_cast<FARPROC>(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace

void LimitDllSearchToSystemFolder() {
    __pfnDliNotifyHook2 = LoadFromSystemFolder;
    // Every later load by name, ours or a system DLL's, looks in the system folder only. Looked
    // up at run time: the program still starts where the function is missing.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found)))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else
        ::SetDllDirectoryW(L"");  // at least not the current directory
}
