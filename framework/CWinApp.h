// CWinApp: the application object. The program defines exactly one, statically; the entry point
// (AppMain.cpp) hands it the command line and runs InitInstance.
#pragma once

#include <windows.h>

#include "base/CString.h"

class CWnd;

class CWinApp {
public:
    // A null name means: the executable's file name without its extension.
    explicit CWinApp(const wchar_t* appName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // FALSE ends the application at once (no message loop); TRUE runs Run's loop.
    virtual BOOL InitInstance() { return TRUE; }
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    HICON LoadIcon(UINT resourceId) const;
    // Records the key under which settings would be kept; this program keeps none.
    void SetRegistryKey(const wchar_t* key);

    HINSTANCE m_hInstance;
    const wchar_t* m_lpCmdLine = L"";   // command line after the program name and the blanks after it
    const wchar_t* m_pszAppName;
    const wchar_t* m_pszRegistryKey = nullptr;
    CWnd* m_pMainWnd = nullptr;

private:
    CString m_appName;
    CString m_registryKey;
};

// The application object, or null in a process that defines none.
CWinApp* AfxGetApp();
// The application's name; without an application object, the executable's name.
const wchar_t* AfxGetAppName();
// No ActiveX controls are hosted by this program, so there is nothing to enable.
inline void AfxEnableControlContainer(void* = nullptr) {}

// The executable's file name without folder and extension.
CString AfxModuleBaseName();
// The part of a command line after the program name (quoted or not) and the blanks after it.
const wchar_t* AfxCommandLineTail(const wchar_t* commandLine);
