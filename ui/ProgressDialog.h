// ProgressDLG: command-line mode's only window. A small topmost dialog with a progress bar that
// unpacks the archive it was given (or, for /zip, packs the file or folder) at once and ends the
// process when the job is over.
#pragma once

#include "framework/CDialog.h"
#include "framework/CProgressCtrl.h"
#include "res/resource.h"

class ProgressDLG : public CDialog {
public:
    enum { IDD = IDD_PROGRESS };

    explicit ProgressDLG(CWnd* parentWnd = nullptr);

    HICON m_hIcon;
    CString m_archivePath;    // set by start-up before DoModal
    bool m_zipping = false;   // /zip: pack m_itemToZip beside itself instead of unpacking
    CString m_itemToZip;
    CProgressCtrl m_progress;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT OnJobStep(WPARAM, LPARAM);
    LRESULT OnJobDone(WPARAM, LPARAM);
    LRESULT OnJobStart(WPARAM, LPARAM);
    LRESULT OnJobBarTimer(WPARAM, LPARAM);

    // Ends the process with the job's exit status (g_exitStatus); tests replace it.
    virtual void EndProcess(int status);

    DECLARE_MESSAGE_MAP()
};
