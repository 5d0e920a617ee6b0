#include "jobs/PasswordPrompt.h"

#include "framework/CDialog.h"
#include "jobs/JobState.h"
#include "res/resource.h"

namespace {

constexpr UINT_PTR kStopTimer = 1;
constexpr UINT kStopPollMs = 100;
constexpr int kMaxPasswordChars = 512;

class PasswordPrompt : public CDialog {
public:
    enum { IDD = IDD_PASSWORD };

    PasswordPrompt(CWnd* owner, const CString& prompt, bool wrongBefore, std::wstring& password)
        : CDialog(IDD, owner), m_prompt(prompt), m_wrongBefore(wrongBefore), m_password(password) {}

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ::SetDlgItemTextW(m_hWnd, IDC_PASSWORD_PROMPT, m_prompt);
        ::ShowWindow(::GetDlgItem(m_hWnd, IDC_PASSWORD_WRONG), m_wrongBefore ? SW_SHOW : SW_HIDE);
        ::SendDlgItemMessageW(m_hWnd, IDC_PASSWORD, EM_LIMITTEXT, kMaxPasswordChars - 1, 0);
        ::SetTimer(m_hWnd, kStopTimer, kStopPollMs, nullptr);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_PASSWORD));
        return FALSE;   // the focus was set
    }

    void OnOK() override {
        wchar_t typed[kMaxPasswordChars] = {};
        const int length = ::GetDlgItemTextW(m_hWnd, IDC_PASSWORD, typed, kMaxPasswordChars);
        m_password.assign(typed, static_cast<std::size_t>(length > 0 ? length : 0));
        ::SecureZeroMemory(typed, sizeof typed);
        ::SetDlgItemTextW(m_hWnd, IDC_PASSWORD, L"");
        EndDialog(IDOK);
    }

    // The job's window is closing: the box goes as Skip would, and the worker stops.
    LRESULT OnTimerMessage(WPARAM, LPARAM) {
        if (g_stopRequested.load() != 0) EndDialog(IDCANCEL);
        return 0;
    }

    DECLARE_MESSAGE_MAP()

private:
    CString m_prompt;
    bool m_wrongBefore;
    std::wstring& m_password;
};

BEGIN_MESSAGE_MAP(PasswordPrompt, CDialog)
    ON_MESSAGE(WM_TIMER, &PasswordPrompt::OnTimerMessage)
END_MESSAGE_MAP()

CString FileName(const CString& path) {
    const std::wstring& text = path.Str();
    const std::size_t slash = text.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : CString(text.substr(slash + 1));
}

}   // namespace

bool AskPassword(const CString& archivePath, const CString& entryName, bool wrongBefore, std::wstring& password) {
    if (g_stopRequested.load() != 0) return false;
    const CString prompt = CString(L"\u201C") + entryName + L"\u201D in \u201C" + FileName(archivePath) +
                           L"\u201D is encrypted. Enter its password:";
    CWnd owner;
    owner.Attach(g_jobWindow.load());
    PasswordPrompt box(&owner, prompt, wrongBefore, password);
    const INT_PTR answer = box.DoModal();
    owner.Detach();
    return answer == IDOK && g_stopRequested.load() == 0;
}
