// CDialog, message maps and DDX, on the real main-window template (its buttons and its bar).
#include <gtest/gtest.h>

#include <atomic>

#include "Testkit.h"
#include "framework/CDialog.h"
#include "framework/CWinApp.h"
#include "framework/CProgressCtrl.h"
#include "base/Exception.h"
#include "res/resource.h"

namespace {

using testkit::Driver;
using testkit::WindowQuery;

const UINT WM_PROBE_QUERY = WM_APP + 1;

// Records what its message map routes to it.
class ProbeDialog : public CDialog {
public:
    ProbeDialog() : CDialog(IDD_TAVOLINE_DIALOG) {}

    std::vector<std::string> calls;   // read on the UI thread, or after the dialog has closed
    std::atomic<int> clicks{0};
    CProgressCtrl m_bar;
    bool failInit = false;
    BOOL dataBound = FALSE;

protected:
    BOOL OnInitDialog() override {
        dataBound = CDialog::OnInitDialog() && UpdateData(FALSE);
        if (failInit) throw new CFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, L"C:\\missing.zip");
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_PROGRESS, m_bar); }
    void OnFirst() {
        calls.push_back("first");
        ++clicks;
    }
    void OnSecond() {
        calls.push_back("second");
        ++clicks;
    }
    void OnThrowFile() { throw new CFileException(CFileException::diskFull, ERROR_DISK_FULL, L"C:\\out.zip"); }
    void OnThrowOther() { throw 42; }
    LRESULT OnQuery(WPARAM wParam, LPARAM) {
        calls.push_back("query");
        return static_cast<LRESULT>(wParam) * 2;
    }
    void OnSysCommand(UINT id, LPARAM lParam) {
        calls.push_back("syscommand");
        CDialog::OnSysCommand(id, lParam);   // the default processing: SC_CLOSE closes
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ProbeDialog, CDialog)
    ON_WM_SYSCOMMAND()
    ON_BN_CLICKED(IDC_SELECT_FILE_TO_UNZIP, &ProbeDialog::OnFirst)
    ON_BN_CLICKED(IDC_UNZIP, &ProbeDialog::OnSecond)
    ON_BN_CLICKED(IDC_SELECT_FILE_TO_ZIP, &ProbeDialog::OnThrowFile)
    ON_BN_CLICKED(IDC_SELECT_FOLDER_TO_ZIP, &ProbeDialog::OnThrowOther)
    ON_MESSAGE(WM_PROBE_QUERY, &ProbeDialog::OnQuery)
    ON_BN_CLICKED(IDC_SELECT_FILE_TO_UNZIP, &ProbeDialog::OnSecond)   // never reached: the first entry wins
END_MESSAGE_MAP()

// A derived map is asked first; what it leaves goes on to the base class's map.
class DerivedProbeDialog : public ProbeDialog {
protected:
    void OnSecondHere() {
        calls.push_back("second in derived");
        ++clicks;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedProbeDialog, ProbeDialog)
    ON_BN_CLICKED(IDC_UNZIP, &DerivedProbeDialog::OnSecondHere)
END_MESSAGE_MAP()

INT_PTR ShowProbe(CDialog& dialog, const Driver::Script& script) {
    Driver driver(script);
    const INT_PTR result = dialog.DoModal();
    driver.Finish();
    return result;
}

HWND WaitForProbe(Driver& d) { return d.WaitForWindow(WindowQuery::Dialog(L"Tavoline 1.0"), TK_HERE); }

TEST(MessageMap, RoutesEachMessageToTheFirstMatchingEntryDerivedClassFirst) {
    DerivedProbeDialog dialog;
    LRESULT answer = 0;
    const INT_PTR result = ShowProbe(dialog, [&](Driver& d) {
        HWND probe = WaitForProbe(d);
        d.ClickButton(probe, IDC_SELECT_FILE_TO_UNZIP, TK_HERE);
        d.ClickButton(probe, IDC_UNZIP, TK_HERE);
        d.ClickButton(probe, IDC_ZIP, TK_HERE);   // no entry: nothing happens
        d.WaitFor([&] { return dialog.clicks == 2; }, "two clicks handled", TK_HERE);
        answer = ::SendMessageW(probe, WM_PROBE_QUERY, 21, 0);
        testkit::PressCancel(probe);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ((std::vector<std::string>{"first", "second in derived", "query"}), dialog.calls);
    EXPECT_EQ(42, answer) << "the handler's result did not reach the sender";
}

TEST(MessageMap, DefaultProcessingRunsWhenAHandlerAsksForIt) {
    ProbeDialog dialog;
    const INT_PTR result = ShowProbe(dialog, [&](Driver& d) {
        HWND probe = WaitForProbe(d);
        ::PostMessageW(probe, WM_SYSCOMMAND, SC_CLOSE, 0);
        d.WaitForGone(probe, TK_HERE);
    });
    EXPECT_EQ(IDCANCEL, result) << "the close box did not end the dialog";
    EXPECT_EQ(std::vector<std::string>{"syscommand"}, dialog.calls);
}

TEST(MessageMap, AFailureInAHandlerIsShownAndTheDialogLivesOn) {
    ProbeDialog dialog;
    std::wstring fileFailure, otherFailure, fileCaption;
    bool aliveAfterwards = false;
    const INT_PTR result = ShowProbe(dialog, [&](Driver& d) {
        HWND probe = WaitForProbe(d);
        d.ClickButton(probe, IDC_SELECT_FILE_TO_ZIP, TK_HERE);
        WindowQuery box;
        box.className = L"#32770";
        box.owner = probe;
        HWND first = d.WaitForWindow(box, TK_HERE);
        fileFailure = testkit::MessageBoxText(first);
        fileCaption = testkit::WindowText(first);
        testkit::PressOk(first);
        d.WaitForGone(first, TK_HERE);

        d.ClickButton(probe, IDC_SELECT_FOLDER_TO_ZIP, TK_HERE);
        HWND second = d.WaitForWindow(box, TK_HERE);
        otherFailure = testkit::MessageBoxText(second);
        testkit::PressOk(second);
        d.WaitForGone(second, TK_HERE);

        d.ClickButton(probe, IDC_SELECT_FILE_TO_UNZIP, TK_HERE);
        d.WaitFor([&] { return dialog.clicks == 1; }, "the dialog to handle a click after the failures", TK_HERE);
        aliveAfterwards = ::IsWindowVisible(probe) != FALSE;
        testkit::PressCancel(probe);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_NE(std::wstring::npos, fileFailure.find(L"C:\\out.zip")) << testkit::Narrow(fileFailure);
    EXPECT_EQ(AfxGetApp()->m_pszAppName, fileCaption);
    EXPECT_EQ(L"An unexpected error occurred.", otherFailure);
    EXPECT_TRUE(aliveAfterwards);
}

TEST(Dialog, ASetUpThatFailsIsReportedAndTheDialogIsNotShown) {
    ProbeDialog dialog;
    dialog.failInit = true;
    std::wstring failure;
    const INT_PTR result = ShowProbe(dialog, [&](Driver& d) {
        WindowQuery box;
        box.className = L"#32770";
        box.textContains = L"C:\\missing.zip";
        HWND shown = d.WaitForWindow(box, TK_HERE);
        failure = testkit::MessageBoxText(shown);
        testkit::PressOk(shown);
    });
    EXPECT_EQ(-1, result);
    EXPECT_FALSE(failure.empty());
}

TEST(Dialog, DataExchangeBindsTheControlsOfTheTemplate) {
    ProbeDialog dialog;
    int position = 0, lower = -1, upper = -1, previous = -1;
    ShowProbe(dialog, [&](Driver& d) {
        HWND probe = WaitForProbe(d);
        d.OnUiThread(
            [&] {
                dialog.m_bar.SetRange(0, 300);
                previous = dialog.m_bar.SetPos(250);
                position = dialog.m_bar.GetPos();
                dialog.m_bar.GetRange(lower, upper);
            },
            TK_HERE);
        testkit::PressCancel(probe);
    });
    EXPECT_TRUE(dialog.dataBound);
    EXPECT_EQ(0, previous);
    EXPECT_EQ(250, position);
    EXPECT_EQ(0, lower);
    EXPECT_EQ(300, upper);
    EXPECT_EQ(nullptr, dialog.m_bar.m_hWnd) << "the control object still names a destroyed window";
}

// Binds a control the template does not have.
class MissingControlDialog : public CDialog {
public:
    MissingControlDialog() : CDialog(IDD_ABOUTBOX) {}
    CProgressCtrl m_bar;
    BOOL bound = TRUE;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        bound = UpdateData(FALSE);
        EndDialog(IDOK);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_PROGRESS, m_bar); }
};

TEST(Dialog, DataExchangeReportsAControlTheTemplateLacks) {
    MissingControlDialog dialog;
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_FALSE(dialog.bound);
}

}   // namespace
