// AFileDialog: the file picker of both jobs, a file-open dialog whose confirm button reads "Select".
#pragma once

#include "framework/CFileDialog.h"

class AFileDialog : public CFileDialog {
public:
    AFileDialog(BOOL openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags,
                const wchar_t* filter, CWnd* parentWnd);
    ~AFileDialog() override;

protected:
    BOOL OnInitDialog() override;
};

// Shows a configured picker and gives its DoModal result and chosen path. Tests replace it to
// pick without the system dialog; the program never changes it.
using FilePickerRunner = INT_PTR (*)(AFileDialog& dialog, CString& pathName);
extern FilePickerRunner g_runFilePicker;

// Shows the picker (zipFilter offers only .zip files) and gives its DoModal result and the full path
// of the file the user chose, empty when none.
INT_PTR PickFile(BOOL zipFilter, CString& pathName);
