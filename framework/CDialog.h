// CDialog: a modal dialog made from a dialog template of the executable's resources.
// One dialog procedure serves every dialog: it finds the object (passed to DialogBoxParamW)
// and runs each message through the object's message map.
#pragma once

#include <windows.h>

#include "CDataExchange.h"
#include "CWnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parentWnd = nullptr);

    // Shows the dialog and returns the value given to EndDialog, or -1 when it could not be shown.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    // Moves data between the controls and the members; FALSE when a control was missing.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR InitDialog(HWND hWnd);
};
