// The "UNZIPPER" group's buttons of the main window: choose an archive, and unpack it.
#include "jobs/UnzipWorker.h"
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"
#include "ui/MainDialog.h"

namespace {
const wchar_t kCaption[] = L"Unzipper";
}

void CTAVODlg::OnSelectFileToUnzip() {
    if (g_jobRunning.load() != 0) {
        MessageBox(L"One action in progress please wait!", kCaption, MB_OK);
        return;
    }
    g_selectedPath = BrowseForFile(TRUE);
    if (!g_selectedPath.IsEmpty()) {
        ShowStatus(L"One file has been selected for unzipping", 0);
        g_zipSelected = 0;
        g_unzipSelected = 1;
    } else {
        g_zipSelected = 0;
        g_unzipSelected = 0;
        ShowStatus(L"No file or folder has been selected !", 1);
    }
}

void CTAVODlg::OnUnzip() {
    if (g_jobRunning.load() != 0) {
        MessageBox(L"One action in progress please wait!", kCaption, MB_OK);
        return;
    }
    g_jobWindow = m_hWnd;
    g_progressPos = 0;
    m_progress.SetPos(0);
    StartJobWorker(UnzipThreadProc);
}
