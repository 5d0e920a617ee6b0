#include "CFileDialog.h"

#include <shobjidl.h>

#include <vector>

#include "CWinApp.h"
#include "CWnd.h"

namespace {
// OPENFILENAME flags and the newer dialog's options that mean the same.
struct FlagOption {
    DWORD flag;
    FILEOPENDIALOGOPTIONS option;
};
const FlagOption kFlagOptions[] = {
    {OFN_OVERWRITEPROMPT, FOS_OVERWRITEPROMPT},
    {OFN_FILEMUSTEXIST, FOS_FILEMUSTEXIST},
    {OFN_PATHMUSTEXIST, FOS_PATHMUSTEXIST},
    {OFN_NOCHANGEDIR, FOS_NOCHANGEDIR},
};

// "Zip Files(*.zip)|*.zip|" becomes "Zip Files(*.zip)\0*.zip\0\0".
std::wstring FilterWithNulls(const wchar_t* filter) {
    std::wstring nulls(filter);
    for (wchar_t& ch : nulls) {
        if (ch == L'|') ch = L'\0';
    }
    if (nulls.empty() || nulls.back() != L'\0') nulls += L'\0';
    nulls += L'\0';
    return nulls;
}

// Pairs of description and pattern from a "\0"-separated filter that ends with an empty string.
std::vector<COMDLG_FILTERSPEC> FilterSpecs(const wchar_t* filter) {
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const wchar_t* p = filter; p && *p;) {
        const wchar_t* description = p;
        p += wcslen(p) + 1;
        if (!*p) break;
        const wchar_t* pattern = p;
        p += wcslen(p) + 1;
        specs.push_back({description, pattern});
    }
    return specs;
}

struct ComApartment {
    ComApartment()
        : initialised(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (initialised) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    const bool initialised;
};

CString ChosenPath(IFileDialog* dialog) {
    IShellItem* item = nullptr;
    if (FAILED(dialog->GetResult(&item)) || !item) return CString();
    wchar_t* path = nullptr;
    CString result;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) result = path;
    ::CoTaskMemFree(path);
    item->Release();
    return result;
}
}

CFileDialog::CFileDialog(BOOL openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, CWnd* parentWnd, DWORD, BOOL)
    : m_pParentWnd(parentWnd),
      m_openFileDialog(openFileDialog),
      m_ofn(),
      m_defaultExt(defaultExt),
      m_initialFileName(fileName) {
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.Flags = flags;
    m_ofn.lpstrDefExt = defaultExt ? m_defaultExt.GetString() : nullptr;
    if (filter) {
        m_filter = FilterWithNulls(filter);
        m_ofn.lpstrFilter = m_filter.c_str();
    }
}

CFileDialog::~CFileDialog() = default;

bool CFileDialog::Configure(IFileDialog* dialog) {
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options))) return false;
    options |= FOS_FORCEFILESYSTEM;
    for (const FlagOption& pair : kFlagOptions) {
        if (m_ofn.Flags & pair.flag) options |= pair.option;
    }
    if (FAILED(dialog->SetOptions(options))) return false;
    if (m_ofn.lpstrTitle && FAILED(dialog->SetTitle(m_ofn.lpstrTitle))) return false;
    const std::vector<COMDLG_FILTERSPEC> specs = FilterSpecs(m_ofn.lpstrFilter);
    if (!specs.empty() && FAILED(dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data()))) return false;
    if (m_ofn.lpstrDefExt && FAILED(dialog->SetDefaultExtension(m_ofn.lpstrDefExt))) return false;
    if (!m_initialFileName.IsEmpty() && FAILED(dialog->SetFileName(m_initialFileName))) return false;
    return true;
}

INT_PTR CFileDialog::DoModal() {
    m_pathName.Empty();
    ComApartment apartment;
    IFileDialog* dialog = nullptr;
    const HRESULT created = m_openFileDialog
                                ? ::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                                     IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog))
                                : ::CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                                                     IID_IFileSaveDialog, reinterpret_cast<void**>(&dialog));
    if (FAILED(created) || !dialog) return -1;

    INT_PTR result = -1;
    m_dialog = dialog;
    if (Configure(dialog)) {
        if (!OnInitDialog()) {
            result = IDCANCEL;
        } else {
            HWND owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
            CWinApp* app = AfxGetApp();
            if (!owner && app && app->m_pMainWnd) owner = app->m_pMainWnd->GetSafeHwnd();
            const HRESULT shown = dialog->Show(owner);
            if (SUCCEEDED(shown)) {
                m_pathName = ChosenPath(dialog);
                result = IDOK;
            } else if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
                result = IDCANCEL;
            }
        }
    }
    m_dialog = nullptr;
    dialog->Release();
    return result;
}

void CFileDialog::SetControlText(int id, const wchar_t* text) {
    if (m_dialog && id == IDOK) m_dialog->SetOkButtonLabel(text);
}
