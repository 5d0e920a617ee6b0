// The file picker: how it is set up for each use, and the system's own dialog driven for real.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include "MainWindowRun.h"
#include "TestArchives.h"
#include "Testkit.h"
#include "framework/CWinApp.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

namespace {

using namespace unziptest;
using testkit::Driver;
using testkit::WindowQuery;

const wchar_t kPickerTitle[] = L"Select only one file and click on the Select button below";
const int kFileNameEdit = 0x480;
const int kFileTypeCombo = 0x470;

TEST(FilePicker, OffersArchivesOnlyWhenAskedWithTheSameTitle) {
    testkit::TempFolder temp(L"picker setup");
    PickerStub picker(temp / L"chosen.zip");
    CString withFilter, withoutFilter;
    CTAVODlg dialog;
    Driver driver([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
        d.OnUiThread(
            [&] {
                withFilter = dialog.BrowseForFile(TRUE);
                withoutFilter = dialog.BrowseForFile(FALSE);
            },
            TK_HERE);
        d.Check(testkit::FindWindowNow(WindowQuery::Dialog(AfxGetAppName())) == nullptr,
                "no message after a confirmed pick", TK_HERE);
        testkit::PressCancel(main);
    });
    dialog.DoModal();
    driver.Finish();

    EXPECT_EQ(temp / L"chosen.zip", withFilter.Str());
    EXPECT_EQ(temp / L"chosen.zip", withoutFilter.Str());
    const auto shown = picker.ShownPickers();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(kPickerTitle, shown[0].title);
    EXPECT_EQ(L"Zip Files(*.zip)|*.zip|", shown[0].filter);
    EXPECT_EQ(kPickerTitle, shown[1].title);
    EXPECT_EQ(L"", shown[1].filter) << "every file is offered";
    for (const auto& one : shown) {
        EXPECT_EQ(static_cast<DWORD>(OFN_OVERWRITEPROMPT), one.flags) << "no multiple selection among them";
    }
}

// The system's own open dialog, as Wine shows it: found by its title, filled in and confirmed.
TEST(FilePicker, TheRealPickerChoosesAnArchiveAndCanBeCancelled) {
    testkit::TempFolder temp(L"real picker");
    const std::wstring archive = temp / L"holiday photos.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes({{"a.txt", "a"}})));
    std::wstring okLabel, fileTypes, selected;
    CTAVODlg dialog;
    Driver driver([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
        d.ClickButton(main, IDC_SELECT_FILE_TO_UNZIP, TK_HERE);
        HWND picker = d.WaitForWindow(WindowQuery::Dialog(kPickerTitle), TK_HERE);
        okLabel = testkit::WindowText(::GetDlgItem(picker, IDOK));
        fileTypes = testkit::WindowText(::GetDlgItem(picker, kFileTypeCombo));
        ::SendMessageW(::GetDlgItem(picker, kFileNameEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(archive.c_str()));
        d.ClickButton(picker, IDOK, TK_HERE);
        d.WaitForGone(picker, TK_HERE);
        d.WaitFor([&] { return ReadWindowState(d, main).unzipSelected == 1; }, "the archive selected", TK_HERE);
        selected = ReadWindowState(d, main).selectedPath;

        // A second pick, cancelled: the message, then nothing selected.
        d.ClickButton(main, IDC_SELECT_FILE_TO_UNZIP, TK_HERE);
        picker = d.WaitForWindow(WindowQuery::Dialog(kPickerTitle), TK_HERE);
        testkit::PressCancel(picker);
        HWND none =
            d.WaitForWindow(WindowQuery::Dialog(AfxGetAppName()).WithText(L"No File Selected!").OwnedBy(main), TK_HERE);
        testkit::PressOk(none);
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        testkit::PressCancel(main);
    });
    dialog.DoModal();
    driver.Finish();

    EXPECT_EQ(L"Select", okLabel);
    EXPECT_EQ(L"Zip Files(*.zip)", fileTypes);
    EXPECT_EQ(archive, selected);
}

}   // namespace
