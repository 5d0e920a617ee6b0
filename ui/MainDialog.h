// CTAVODlg: the main window. Two groups of job buttons (unzip, zip), a progress bar shared by
// both jobs, a coloured status line and "MORE", which opens the About box.
// Its members are defined by concern: MainDialog.cpp (the window itself), MainDialogUnzip.cpp and
// MainDialogZip.cpp (the job buttons), MainDialogJobs.cpp (the job messages), MainDialogPickers.cpp.
#pragma once

#include "framework/CButton.h"
#include "framework/CDialog.h"
#include "framework/CProgressCtrl.h"
#include "res/resource.h"

class AStatic;

class CTAVODlg : public CDialog {
public:
    enum { IDD = IDD_TAVOLINE_DIALOG };

    explicit CTAVODlg(CWnd* parentWnd = nullptr);
    ~CTAVODlg() override;

    // Replaces the status line by a new label with this text, red when isError is non-zero.
    void ShowStatus(CString text, int isError);
    // The file picker: the full path of the file the user chose, empty
    // when none; zipFilter offers only .zip files.
    CString BrowseForFile(BOOL zipFilter);
    // The folder picker: the full path of the folder the user chose,
    // empty when none.
    CString BrowseForFolder();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnMore();

    // The unzip job.
    void OnSelectFileToUnzip();
    void OnUnzip();

    // The zip job.
    void OnSelectFileToZip();
    void OnSelectFolderToZip();
    void OnZip();

    // The job messages.
    LRESULT OnJobStep(WPARAM, LPARAM);
    LRESULT OnJobDone(WPARAM, LPARAM);
    LRESULT OnJobStart(WPARAM, LPARAM);
    LRESULT OnJobBarTimer(WPARAM, LPARAM);
    // After a job: nothing selected, bar at 0, no job running.
    void ResetAfterJob();

    HICON m_hIcon;
    CButton m_selectFileToUnzip;
    CButton m_unzip;
    AStatic* m_statusLabel = nullptr;   // owned
    CButton m_selectFileToZip;
    CButton m_selectFolderToZip;
    CButton m_zip;

public:
    CProgressCtrl m_progress;

    DECLARE_MESSAGE_MAP()
};
