#include "app/TavoApp.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/CommandLine.h"
#include "app/SystemDllSearch.h"
#include "ui/ProgramFolder.h"
#include "jobs/JobState.h"
#include "jobs/JobStop.h"
#include "ui/MainDialog.h"
#include "ui/ProgressDialog.h"
#include "update/UpdateCheck.h"

BOOL CTAVOApp::InitInstance() {
    LimitDllSearchToSystemFolder();
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    AfxEnableControlContainer(nullptr);
    SetRegistryKey(L"Korrel Utilities");
    // The archive on the command line is relative to the folder the program was started from,
    // so it is made absolute before the program's own folder becomes the current directory.
    const std::vector<CString> arguments = SplitCommandLine(::GetCommandLineW());
    // "/zip <item>" packs the item; any other first argument is an archive to unpack (a Windows
    // path is never "/zip" alone).
    const bool zipping = arguments.size() > 1 && arguments[1] == L"/zip";
    const size_t pathIndex = zipping ? 2 : 1;
    const CString path = arguments.size() > pathIndex ? ArchivePathFromArgument(arguments[pathIndex]) : CString();
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
        dialog.m_zipping = zipping;
        (zipping ? dialog.m_itemToZip : dialog.m_archivePath) = path;
        m_pMainWnd = &dialog;
        CheckForUpdate(dialog.GetSafeHwnd());
        dialog.DoModal();
        m_pMainWnd = nullptr;
        // Closed by the user: before the job ended, or after it refused its input.
        EndProcessAfterJob(g_exitStatus.load());
    }
    return FALSE;
}
