#include "app/TavoApp.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/CommandLine.h"
#include "ui/ProgramFolder.h"
#include "jobs/JobState.h"
#include "jobs/JobStop.h"
#include "ui/MainDialog.h"
#include "ui/ProgressDialog.h"
#include "update/UpdateCheck.h"

BOOL CTAVOApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    AfxEnableControlContainer(nullptr);
    SetRegistryKey(L"Korrel Utilities");
    // The archive on the command line is relative to the folder the program was started from,
    // so it is made absolute before the program's own folder becomes the current directory.
    const std::vector<CString> arguments = SplitCommandLine(::GetCommandLineW());
    const CString archivePath = arguments.size() > 1 ? ArchivePathFromArgument(arguments[1]) : CString();
    MakeProgramFolderCurrent();

    if (arguments.size() <= 1) {
        CTAVODlg dialog;
        m_pMainWnd = &dialog;
        // The window does not exist yet, so the check's message box has no owner.
        CheckForUpdate(dialog.GetSafeHwnd());
        dialog.DoModal();
        m_pMainWnd = nullptr;
        // Closed while a job runs: the job stops and cleans up before the process ends.
        if (g_workersActive.load() > 0) EndProcessAfterJob(0);
    } else {
        ProgressDLG dialog;
        dialog.m_archivePath = archivePath;
        m_pMainWnd = &dialog;
        CheckForUpdate(dialog.GetSafeHwnd());
        dialog.DoModal();
        m_pMainWnd = nullptr;
        // Closed by the user: before the job ended, or after it refused its input.
        EndProcessAfterJob(g_exitStatus.load());
    }
    return FALSE;
}
