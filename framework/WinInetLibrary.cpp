#include "WinInetLibrary.h"

#include <string>

namespace {

struct Loaded {
    WinInetLibrary functions = {};
    DWORD error = ERROR_SUCCESS;
};

template <typename Function>
bool Find(HMODULE module, const char* name, Function& function) {
    // Through a plain function pointer type: GCC warns about casting FARPROC to another signature.
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
    return function != nullptr;
}

Loaded Load() {
    Loaded loaded;
    // By full path, which also works where LOAD_LIBRARY_SEARCH_SYSTEM32 is unknown (Windows 7 without
    // its loader update); the altered search path makes WinInet's own imports come from that folder too.
    // A 32-bit program on 64-bit Windows gets the 32-bit DLL: system32 is redirected for it.
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        loaded.error = length ? ERROR_BUFFER_OVERFLOW : ::GetLastError();
        return loaded;
    }
    const std::wstring path = std::wstring(folder, length) + L"\\wininet.dll";
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        loaded.error = ::GetLastError();
        return loaded;
    }
    WinInetLibrary& f = loaded.functions;
    const bool all =
        Find(module, "InternetOpenW", f.InternetOpenW) && Find(module, "InternetCloseHandle", f.InternetCloseHandle) &&
        Find(module, "InternetSetOptionW", f.InternetSetOptionW) &&
        Find(module, "InternetCrackUrlW", f.InternetCrackUrlW) &&
        Find(module, "InternetConnectW", f.InternetConnectW) && Find(module, "HttpOpenRequestW", f.HttpOpenRequestW) &&
        Find(module, "HttpSendRequestW", f.HttpSendRequestW) && Find(module, "HttpQueryInfoW", f.HttpQueryInfoW) &&
        Find(module, "InternetReadFile", f.InternetReadFile);
    if (!all) {
        loaded.error = ::GetLastError();
        loaded.functions = {};
    }
    // Kept loaded for the life of the process: sessions may outlive any one caller.
    return loaded;
}

}   // namespace

const WinInetLibrary* WinInet() {
    static const Loaded loaded = Load();
    if (!loaded.functions.InternetOpenW) {
        ::SetLastError(loaded.error);
        return nullptr;
    }
    return &loaded.functions;
}
