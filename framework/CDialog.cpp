#include "CDialog.h"

#include "CWinApp.h"

namespace {
// Messages whose result a dialog procedure returns directly instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return true;
    default: return false;
    }
}
}

CDialog::CDialog(UINT templateId, CWnd* parentWnd) : m_nIDTemplate(templateId), m_pParentWnd(parentWnd) {}

INT_PTR CDialog::DoModal() {
    // Without a parent of its own, a dialog belongs to the application's main window (if that is another one).
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    CWinApp* app = AfxGetApp();
    if (!m_pParentWnd && app && app->m_pMainWnd && app->m_pMainWnd != this) parent = app->m_pMainWnd->m_hWnd;
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), parent, &CDialog::DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_failed;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return TRUE;
    }
    // Esc and the close box arrive as IDCANCEL; Enter as the focused button's ID, or IDOK.
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            *pResult = 0;
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            *pResult = 0;
            return TRUE;
        }
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

INT_PTR CDialog::InitDialog(HWND hWnd) {
    m_hWnd = hWnd;
    Bind(hWnd, this);
    LRESULT focusDefault = TRUE;
    bool failed = false;
    RouteMessage(WM_INITDIALOG, 0, 0, &focusDefault, &failed);
    // A dialog whose set-up failed is not left on screen half-made.
    if (failed) ::EndDialog(hWnd, -1);
    return focusDefault;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return reinterpret_cast<CDialog*>(lParam)->InitDialog(hWnd);
    CDialog* dialog = static_cast<CDialog*>(FromHandlePermanent(hWnd));
    if (!dialog) return FALSE;   // messages before WM_INITDIALOG get the default processing
    if (message == WM_NCDESTROY) {
        Unbind(hWnd);
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (!dialog->RouteMessage(message, wParam, lParam, &result)) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
