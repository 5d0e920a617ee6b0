// The "ZIPPER" group's buttons of the main window: choose a file or a folder, and pack it.
#include "jobs/ZipWorker.h"
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"
#include "ui/MainDialog.h"

namespace {
const wchar_t kCaption[] = L"Zipper";

// Every zip button refuses while a job runs, and changes nothing then.
bool RefuseWhileJobRuns(CTAVODlg& window) {
    if (g_jobRunning.load() == 0) return false;
    window.MessageBox(L"One action in progress please wait!", kCaption, MB_OK);
    return true;
}

// A pick replaces the selection; a cancelled one (an empty path) leaves nothing selected.
void SelectToZip(CTAVODlg& window, const CString& chosen, const wchar_t* selectedText, int isFolder) {
    g_selectedPath = chosen;
    if (!g_selectedPath.IsEmpty()) {
        window.ShowStatus(selectedText, 0);
        g_zipSourceIsFolder = isFolder;
        g_zipSelected = 1;
        g_unzipSelected = 0;
    } else {
        g_zipSelected = 0;
        g_unzipSelected = 0;
        window.ShowStatus(L"No file or folder has been selected !", 1);
    }
}
}

void CTAVODlg::OnSelectFileToZip() {
    if (RefuseWhileJobRuns(*this)) return;
    SelectToZip(*this, BrowseForFile(FALSE), L"One file has been selected for zipping", 0);
}

void CTAVODlg::OnSelectFolderToZip() {
    if (RefuseWhileJobRuns(*this)) return;
    SelectToZip(*this, BrowseForFolder(), L"One folder has been selected for zipping", 1);
}

void CTAVODlg::OnZip() {
    if (RefuseWhileJobRuns(*this)) return;
    g_jobWindow = m_hWnd;
    g_progressPos = 0;
    m_progress.SetPos(0);
    // Marks the job running before the worker exists; the worker takes the mark back if it refuses.
    StartJobWorker(ZipThreadProc);
}
