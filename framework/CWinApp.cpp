#include "CWinApp.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const wchar_t* appName) : m_hInstance(::GetModuleHandleW(nullptr)) {
    g_app = this;
    m_appName = appName ? CString(appName) : AfxModuleBaseName();
    m_pszAppName = m_appName.GetString();
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

void CWinApp::SetRegistryKey(const wchar_t* key) {
    m_registryKey = key;
    m_pszRegistryKey = m_registryKey.GetString();
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT resourceId) const { return ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(resourceId)); }

CWinApp* AfxGetApp() { return g_app; }

const wchar_t* AfxGetAppName() {
    if (g_app) return g_app->m_pszAppName;
    static const CString moduleName = AfxModuleBaseName();
    return moduleName.GetString();
}

CString AfxModuleBaseName() {
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString name(path, static_cast<int>(length < MAX_PATH ? length : MAX_PATH - 1));
    name = name.Mid(name.ReverseFind(L'\\') + 1);
    const int dot = name.ReverseFind(L'.');
    return dot > 0 ? name.Left(dot) : name;
}

const wchar_t* AfxCommandLineTail(const wchar_t* commandLine) {
    const wchar_t* p = commandLine ? commandLine : L"";
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p > L' ') ++p;
    }
    while (*p && *p <= L' ') ++p;
    return p;
}
