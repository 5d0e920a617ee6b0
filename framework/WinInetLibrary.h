// WinInet, loaded at its first use from the system folder by full path, and called through the
// addresses found there. WinInet is not one of Windows' known DLLs: imported the ordinary way it
// would be searched for in the program's folder first, where a download may have left a DLL of that
// name. Loaded by hand rather than through a delay-load import library, whose load stubs the i686
// linker dropped, leaving every import slot empty.
#pragma once

#include <windows.h>
#include <wininet.h>

struct WinInetLibrary {
    decltype(&::InternetOpenW) InternetOpenW;
    decltype(&::InternetCloseHandle) InternetCloseHandle;
    decltype(&::InternetSetOptionW) InternetSetOptionW;
    decltype(&::InternetCrackUrlW) InternetCrackUrlW;
    decltype(&::InternetConnectW) InternetConnectW;
    decltype(&::HttpOpenRequestW) HttpOpenRequestW;
    decltype(&::HttpSendRequestW) HttpSendRequestW;
    decltype(&::HttpQueryInfoW) HttpQueryInfoW;
    decltype(&::InternetReadFile) InternetReadFile;
};

// The functions, loaded once for the whole process (any thread may be first). nullptr when WinInet
// or one of them cannot be had; GetLastError then tells why.
const WinInetLibrary* WinInet();
