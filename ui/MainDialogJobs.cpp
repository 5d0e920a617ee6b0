// The main window's side of the job messages.
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"
#include "ui/MainDialog.h"

LRESULT CTAVODlg::OnJobStep(WPARAM, LPARAM) {
    TakeJobStep(m_progress);
    return 1;
}

LRESULT CTAVODlg::OnJobBarTimer(WPARAM timer, LPARAM) {
    DrawDueJobProgress(m_progress, timer);
    return 0;
}

LRESULT CTAVODlg::OnJobDone(WPARAM, LPARAM) {
    ResetAfterJob();
    return 1;
}

LRESULT CTAVODlg::OnJobStart(WPARAM, LPARAM) {
    StartJobProgress(m_progress);
    return 1;
}

void CTAVODlg::ResetAfterJob() {
    g_progressPos = 0;
    m_progress.SetPos(0);
    ShowStatus(L"No file or folder has been selected !", 1);
    g_selectedPath.Empty();
    g_folderFiles.clear();
    g_zipSelected = 0;
    g_unzipSelected = 0;
    g_jobRunning = 0;
}
