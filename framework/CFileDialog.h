// CFileDialog: the system's file dialog in its newer (Vista) form, IFileOpenDialog or
// IFileSaveDialog, configured through the familiar OPENFILENAME fields before DoModal.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "base/CString.h"

class CWnd;
struct IFileDialog;

class CFileDialog {
public:
    // filter: "Description|pattern|…|" pairs (null: every file, no file-type list). Of the flags,
    // OFN_OVERWRITEPROMPT, OFN_FILEMUSTEXIST, OFN_PATHMUSTEXIST and OFN_NOCHANGEDIR are honoured.
    // A null parent means the application's main window. size and vistaStyle keep the familiar
    // signature: the newer dialog is always used.
    CFileDialog(BOOL openFileDialog, const wchar_t* defaultExt = nullptr, const wchar_t* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const wchar_t* filter = nullptr,
                CWnd* parentWnd = nullptr, DWORD size = 0, BOOL vistaStyle = TRUE);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;
    virtual ~CFileDialog();

    // lpstrTitle, Flags and lpstrFilter ("\0"-separated) are read when DoModal runs.
    OPENFILENAMEW& GetOFN() { return m_ofn; }
    const OPENFILENAMEW& GetOFN() const { return m_ofn; }

    // IDOK with a chosen file, IDCANCEL when the user cancelled, -1 when the dialog could not be shown.
    virtual INT_PTR DoModal();
    // The chosen file's full path; empty unless DoModal returned IDOK.
    CString GetPathName() const { return m_pathName; }
    // Relabels a control while the dialog is being set up (from OnInitDialog). Only the confirm
    // button (IDOK) can be relabelled in the newer dialog; other IDs are ignored.
    void SetControlText(int id, const wchar_t* text);

protected:
    // Called once the dialog is configured and before it is shown; FALSE cancels it.
    virtual BOOL OnInitDialog() { return TRUE; }

    CWnd* m_pParentWnd;

private:
    bool Configure(IFileDialog* dialog);

    BOOL m_openFileDialog;
    OPENFILENAMEW m_ofn;
    CString m_defaultExt;
    CString m_initialFileName;
    std::wstring m_filter;   // "\0"-separated, as lpstrFilter points to it
    CString m_pathName;
    IFileDialog* m_dialog = nullptr;   // only while DoModal runs
};
