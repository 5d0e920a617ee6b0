#include "ui/MainDialog.h"

#include "ui/ProgramFolder.h"
#include "framework/CPaintDC.h"
#include "framework/CRect.h"
#include "framework/CWinApp.h"
#include "ui/AboutDialog.h"
#include "jobs/JobState.h"
#include "ui/StatusLabel.h"

BEGIN_MESSAGE_MAP(CTAVODlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_SELECT_FILE_TO_UNZIP, &CTAVODlg::OnSelectFileToUnzip)
    ON_BN_CLICKED(IDC_UNZIP, &CTAVODlg::OnUnzip)
    ON_BN_CLICKED(IDC_SELECT_FILE_TO_ZIP, &CTAVODlg::OnSelectFileToZip)
    ON_BN_CLICKED(IDC_SELECT_FOLDER_TO_ZIP, &CTAVODlg::OnSelectFolderToZip)
    ON_BN_CLICKED(IDC_ZIP, &CTAVODlg::OnZip)
    ON_MESSAGE(WM_JOB_STEP, &CTAVODlg::OnJobStep)
    ON_MESSAGE(WM_JOB_DONE, &CTAVODlg::OnJobDone)
    ON_MESSAGE(WM_JOB_START, &CTAVODlg::OnJobStart)
    ON_MESSAGE(WM_TIMER, &CTAVODlg::OnJobBarTimer)
    ON_BN_CLICKED(IDC_MORE, &CTAVODlg::OnMore)
END_MESSAGE_MAP()

CTAVODlg::CTAVODlg(CWnd* parentWnd) : CDialog(IDD, parentWnd) {
    CWinApp* app = AfxGetApp();
    m_hIcon = app ? app->LoadIcon(IDR_MAINFRAME) : nullptr;
}

CTAVODlg::~CTAVODlg() { delete m_statusLabel; }

void CTAVODlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SELECT_FILE_TO_UNZIP, m_selectFileToUnzip);
    DDX_Control(pDX, IDC_UNZIP, m_unzip);
    DDX_Control(pDX, IDC_SELECT_FILE_TO_ZIP, m_selectFileToZip);
    DDX_Control(pDX, IDC_SELECT_FOLDER_TO_ZIP, m_selectFolderToZip);
    DDX_Control(pDX, IDC_ZIP, m_zip);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CTAVODlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CMenu systemMenu = GetSystemMenu(FALSE);
    if (systemMenu.GetSafeHmenu()) {
        CString aboutText;
        aboutText.LoadString(IDS_ABOUTBOX);
        if (!aboutText.IsEmpty()) {
            systemMenu.AppendMenu(MF_SEPARATOR);
            systemMenu.AppendMenu(MF_STRING, IDM_ABOUTBOX, aboutText);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    g_commandLineMode = 0;
    // A label left from an earlier showing of this dialog lost its window with that dialog.
    delete m_statusLabel;
    m_statusLabel = nullptr;
    ShowStatus(L"No file or folder has been selected !", 1);

    g_progressPos = 0;
    g_zipSelected = 0;
    g_unzipSelected = 0;
    g_jobRunning = 0;
    return TRUE;   // the focus goes to the first button
}

void CTAVODlg::OnSysCommand(UINT id, LPARAM lParam) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    CDialog::OnSysCommand(id, lParam);
}

void CTAVODlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    // Minimised: draw the icon centred in the client area.
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - iconWidth + 1) / 2;
    const int y = (rect.Height() - iconHeight + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CTAVODlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CTAVODlg::OnMore() {
    CAboutDlg about;
    about.DoModal();
    // A picker may have moved the current directory; "MORE" puts it back.
    MakeProgramFolderCurrent();
}
