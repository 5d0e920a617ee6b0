// CDataExchange and DDX_Control: bind member control objects to the controls of a dialog.
#pragma once

#include <windows.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlgWnd) {}

    BOOL m_bSaveAndValidate;   // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;
    bool m_failed = false;   // a control was missing from the dialog
};

// Subclasses the dialog's control controlId with control, once; marks the exchange failed
// when the dialog has no such control.
void DDX_Control(CDataExchange* pDX, int controlId, CWnd& control);
