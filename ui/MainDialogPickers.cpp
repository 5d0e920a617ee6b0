// The main window's pickers: the file picker of both jobs and the folder picker of the zip job.
#include "pickers/FilePicker.h"
#include "pickers/FolderPicker.h"
#include "ui/MainDialog.h"

CString CTAVODlg::BrowseForFile(BOOL zipFilter) {
    CString pathName;
    if (PickFile(zipFilter, pathName) != IDOK) MessageBox(L"No File Selected!", nullptr, MB_OK);
    return pathName;
}

CString CTAVODlg::BrowseForFolder() { return PickFolder(); }
