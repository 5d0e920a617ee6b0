// The folder picker with the shell's real folder browser, driven as a user would.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "ZipWindowRun.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

using namespace ziptest;

namespace {
const wchar_t kBrowserCaption[] = L"Browse for Folder";   // the platform's own caption
const int kBrowserTitle = 0x3742;                        // the static above the folder tree
}

TEST(FolderPicker, TheShellBrowserGivesTheChosenFolderOrNothingWhenCancelled) {
    // Below %TEMP% on drive C:: Wine's browser cannot read drive Z:'s volume, where the other tests work.
    testkit::TempFolder temp(L"picker");
    const std::wstring folder = temp / L"Chosen folder \u00e9";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring title;
    HWND owner = reinterpret_cast<HWND>(1);
    BOOL mainEnabled = FALSE;
    unziptest::WindowState chosen, cancelled;

    CTAVODlg dialog;
    testkit::Driver driver([&](testkit::Driver& d) {
        HWND main = d.WaitForWindow(testkit::WindowQuery::Dialog(unziptest::kMainCaption), TK_HERE);
        d.ClickButton(main, IDC_SELECT_FOLDER_TO_ZIP, TK_HERE);
        HWND browser = d.WaitForWindow(testkit::WindowQuery::Dialog(kBrowserCaption), TK_HERE);
        title = testkit::WindowText(::GetDlgItem(browser, kBrowserTitle));
        owner = ::GetWindow(browser, GW_OWNER);
        mainEnabled = ::IsWindowEnabled(main);
        // Wine's browser fills its tree as it goes: a selection asked for right after it opens can
        // be missed, so it is asked for again before OK.
        for (int i = 0; i < 3; ++i) {
            ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
            testkit::PumpMessagesFor(200);
        }
        d.ClickButton(browser, IDOK, TK_HERE);
        d.WaitFor([&] { return ReadState(d, main).zipSelected == 1; }, "a folder selected", TK_HERE);
        chosen = ReadState(d, main);

        d.ClickButton(main, IDC_SELECT_FOLDER_TO_ZIP, TK_HERE);
        browser = d.WaitForWindow(testkit::WindowQuery::Dialog(kBrowserCaption), TK_HERE);
        testkit::PressCancel(browser);
        d.WaitFor([&] { return ReadState(d, main).zipSelected == 0; }, "the selection dropped", TK_HERE);
        cancelled = ReadState(d, main);
        testkit::PressCancel(main);
    });
    dialog.DoModal();
    driver.Finish();

    EXPECT_EQ(L"Select a folder and click on the OK button below", title);
    EXPECT_EQ(nullptr, owner) << "the browser has no owner";
    EXPECT_TRUE(mainEnabled) << "so the main window stays enabled";
    EXPECT_EQ(folder, chosen.selectedPath);
    EXPECT_EQ(kFolderSelected, chosen.status);
    EXPECT_EQ(L"", cancelled.selectedPath);
    EXPECT_EQ(L"No file or folder has been selected !", cancelled.status);
}
