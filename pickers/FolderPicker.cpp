#include "pickers/FolderPicker.h"

#include <vector>

#include "ui/MainDialog.h"

namespace {
const wchar_t kTitle[] = L"Select a folder and click on the OK button below";
// Room for a path of any length the file system allows, not only MAX_PATH.
constexpr DWORD kPathChars = 32768;

void RunShellBrowser(BROWSEINFOW& request, wchar_t* path, DWORD pathChars) {
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

CString CTAVODlg::BrowseForFolder() {
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
