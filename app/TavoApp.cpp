#include "app/TavoApp.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "app/ProgramFolder.h"
#include "ui/MainDialog.h"

BOOL CTAVOApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    AfxEnableControlContainer(nullptr);
    SetRegistryKey(L"Korrel Utilities");
    // Before the command line is looked at: relative paths resolve against the program's folder.
    MakeProgramFolderCurrent();

    if (__argc <= 1) {
        CTAVODlg dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
