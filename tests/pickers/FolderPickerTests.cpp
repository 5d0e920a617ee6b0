// The folder picker with the shell's real folder browser, driven as a user would.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <commctrl.h>

#include <functional>

#include "ZipWindowRun.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

using namespace ziptest;

namespace {
const wchar_t kBrowserCaption[] = L"Browse for Folder";   // the platform's own caption
const int kBrowserTitle = 0x3742;                         // the static above the folder tree

// The text of the item selected in the browser's folder tree.
std::wstring SelectedItemText(HWND browser) {
    HWND tree = ::FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
    if (!tree) return std::wstring();
    TVITEMW item = {};
    wchar_t text[MAX_PATH] = {};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!item.hItem || !TreeView_GetItem(tree, &item)) return std::wstring();
    return text;
}

// Wine's browser fills its tree as it goes: a selection asked for right after it opens can be
// missed, so it is asked for again, for a folder until the tree shows it selected (a busy machine
// can take seconds), before OK.
void Select(HWND browser, BOOL isPath, const void* what) {
    const std::wstring path = isPath ? static_cast<const wchar_t*>(what) : L"";
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    for (int i = 0; i < 50; ++i) {
        ::SendMessageW(browser, BFFM_SETSELECTIONW, isPath, reinterpret_cast<LPARAM>(what));
        testkit::PumpMessagesFor(200);
        if (isPath ? SelectedItemText(browser) == name : i == 2) return;
    }
}
}   // namespace

TEST(FolderPicker, TheShellBrowserGivesTheChosenFolderOrNothing) {
    // On drive C:, since Wine's browser cannot read drive Z:'s volume, where the other tests work; and
    // not in %TEMP%: the browser knows a folder by its time of last change too, and %TEMP% changes
    // whenever a test running beside this one makes or removes its folder there. A path through a
    // folder changed after the browser listed it is never found again.
    testkit::TempFolder temp(L"picker", L"C:\\");
    const std::wstring folder = temp / L"Chosen folder \u00e9";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring title;
    HWND owner = reinterpret_cast<HWND>(1);
    BOOL mainEnabled = FALSE;
    unziptest::WindowState chosen, virtualItem, cancelled;

    CTAVODlg dialog;
    testkit::Driver driver([&](testkit::Driver& d) {
        HWND main = d.WaitForWindow(testkit::WindowQuery::Dialog(unziptest::kMainCaption), TK_HERE);
        // Opens the browser from "Select A Folder To Zip", lets `answer` work it, and waits for it to close.
        auto pick = [&](const std::function<void(HWND)>& answer) {
            d.ClickButton(main, IDC_SELECT_FOLDER_TO_ZIP, TK_HERE);
            HWND browser = d.WaitForWindow(testkit::WindowQuery::Dialog(kBrowserCaption), TK_HERE);
            answer(browser);
            d.WaitForGone(browser, TK_HERE);
            testkit::PumpMessagesFor(200);
        };
        auto chooseFolder = [&](HWND browser) {
            Select(browser, TRUE, folder.c_str());
            d.ClickButton(browser, IDOK, TK_HERE);
        };

        pick([&](HWND browser) {
            title = testkit::WindowText(::GetDlgItem(browser, kBrowserTitle));
            owner = ::GetWindow(browser, GW_OWNER);
            mainEnabled = ::IsWindowEnabled(main);
            chooseFolder(browser);
        });
        chosen = ReadState(d, main);

        // OK on "My Computer", which has no file-system path.
        pick([&](HWND browser) {
            PIDLIST_ABSOLUTE computer = nullptr;
            if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer))) {
                Select(browser, FALSE, computer);
                ::CoTaskMemFree(computer);
            }
            d.ClickButton(browser, IDOK, TK_HERE);
        });
        virtualItem = ReadState(d, main);

        pick(chooseFolder);
        pick([&](HWND browser) { testkit::PressCancel(browser); });
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
    for (const unziptest::WindowState& state : {virtualItem, cancelled}) {
        EXPECT_EQ(L"", state.selectedPath);
        EXPECT_EQ(0, state.zipSelected);
        EXPECT_EQ(L"No file or folder has been selected !", state.status);
    }
}
