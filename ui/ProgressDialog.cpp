#include "ui/ProgressDialog.h"

#include "framework/CWinApp.h"
#include "jobs/UnzipWorker.h"
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"
#include "jobs/JobStop.h"
#include "jobs/ZipWorker.h"

BEGIN_MESSAGE_MAP(ProgressDLG, CDialog)
    ON_MESSAGE(WM_JOB_STEP, &ProgressDLG::OnJobStep)
    ON_MESSAGE(WM_JOB_DONE, &ProgressDLG::OnJobDone)
    ON_MESSAGE(WM_JOB_START, &ProgressDLG::OnJobStart)
    ON_MESSAGE(WM_TIMER, &ProgressDLG::OnJobBarTimer)
END_MESSAGE_MAP()

ProgressDLG::ProgressDLG(CWnd* parentWnd) : CDialog(IDD, parentWnd) {
    CWinApp* app = AfxGetApp();
    m_hIcon = app ? app->LoadIcon(IDR_MAINFRAME) : nullptr;
}

void ProgressDLG::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL ProgressDLG::OnInitDialog() {
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    g_commandLineMode = 1;
    g_jobWindow = m_hWnd;
    g_exitStatus = exitNotFinished;
    if (m_zipping) {
        // The same job as the main window's "Zip", with the item chosen by the caller.
        g_selectedPath = m_itemToZip;
        g_zipSourceIsFolder = IsExistingFolder(m_itemToZip) ? 1 : 0;
        g_zipSelected = 1;
        g_unzipSelected = 0;
        StartJobWorker(ZipThreadProc);
    } else {
        g_selectedPath = m_archivePath;
        g_unzipSelected = 1;
        StartJobWorker(UnzipThreadProc);
    }
    return TRUE;
}

LRESULT ProgressDLG::OnJobStep(WPARAM, LPARAM) {
    TakeJobStep(m_progress);
    return 1;
}

LRESULT ProgressDLG::OnJobBarTimer(WPARAM timer, LPARAM) {
    DrawDueJobProgress(m_progress, timer);
    return 0;
}

LRESULT ProgressDLG::OnJobDone(WPARAM, LPARAM) {
    // After a failure the worker's error box is still up: the worker ends the process itself.
    if (g_jobFailed.load() == 0) EndProcess(g_exitStatus.load());
    return 1;
}

LRESULT ProgressDLG::OnJobStart(WPARAM, LPARAM) {
    StartJobProgress(m_progress);
    return 1;
}

void ProgressDLG::EndProcess(int status) { EndProcessAfterJob(status); }
