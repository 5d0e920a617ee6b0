#include "pickers/FolderPicker.h"

#include <vector>

namespace {
const wchar_t kTitle[] = L"Select a folder and click on the OK button below";
// Room for a path of any length the file system allows, not only MAX_PATH.
constexpr DWORD kPathChars = 32768;

// The shell's browser needs COM in a single-threaded apartment on the calling thread.
class ComApartment {
public:
    ComApartment()
        : m_initialised(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (m_initialised) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_initialised;
};

void RunShellBrowser(BROWSEINFOW& request, wchar_t* path, DWORD pathChars) {
    ComApartment apartment;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&request);
    if (!chosen) return;
    // An item with no file-system path (a virtual folder) leaves the buffer empty.
    if (!::SHGetPathFromIDListEx(chosen, path, pathChars, GPFIDL_DEFAULT)) path[0] = L'\0';
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&allocator))) {
        allocator->Free(chosen);
        allocator->Release();
    }
}
}

FolderBrowserRunner g_runFolderBrowser = &RunShellBrowser;

CString PickFolder() {
    // Not owned by the main window, with the classic look: no edit box, no new-folder button.
    BROWSEINFOW request = {};
    request.hwndOwner = nullptr;
    request.pidlRoot = nullptr;
    request.pszDisplayName = nullptr;
    request.lpszTitle = kTitle;
    request.ulFlags = 0;
    request.lpfn = nullptr;
    request.lParam = 0;

    std::vector<wchar_t> path(kPathChars, L'\0');
    g_runFolderBrowser(request, path.data(), kPathChars);
    path.back() = L'\0';
    if (path[0] == L'\0') return CString();
    CString chosen(path.data());
    chosen.Trim();
    return chosen;
}
