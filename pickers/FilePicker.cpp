#include "pickers/FilePicker.h"

namespace {
const wchar_t kZipFilter[] = L"Zip Files(*.zip)|*.zip|";
const wchar_t kTitle[] = L"Select only one file and click on the Select button below";

INT_PTR RunSystemPicker(AFileDialog& dialog, CString& pathName) {
    const INT_PTR result = dialog.DoModal();
    pathName = dialog.GetPathName();
    return result;
}
}

FilePickerRunner g_runFilePicker = &RunSystemPicker;

AFileDialog::AFileDialog(BOOL openFileDialog, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, CWnd* parentWnd)
    : CFileDialog(openFileDialog, defaultExt, fileName, flags, filter, parentWnd, 0, TRUE) {}

AFileDialog::~AFileDialog() = default;

BOOL AFileDialog::OnInitDialog() {
    CFileDialog::OnInitDialog();
    SetControlText(IDOK, L"Select");
    return TRUE;
}

INT_PTR PickFile(BOOL zipFilter, CString& pathName) {
    AFileDialog dialog(TRUE, nullptr, nullptr, OFN_OVERWRITEPROMPT, zipFilter ? kZipFilter : nullptr, nullptr);
    dialog.GetOFN().lpstrTitle = kTitle;
    return g_runFilePicker(dialog, pathName);
}
