// The main window shown from its real template, driven by messages as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "Testkit.h"
#include "framework/CWinApp.h"
#include "TemplateCheck.h"
#include "res/resource.h"
#include "jobs/JobState.h"
#include "ui/MainDialog.h"

namespace {

using testkit::Driver;
using testkit::WindowQuery;

const wchar_t kMainCaption[] = L"Tavoline 1.0";
const wchar_t kAboutCaption[] = L"About Tavoline 1.0";

// Shows the main window on this thread while script drives it; returns what DoModal returned.
// As start-up does, the dialog is the application's main window meanwhile.
INT_PTR RunMainWindow(const Driver::Script& script) {
    CTAVODlg dialog;
    AfxGetApp()->m_pMainWnd = &dialog;
    Driver driver(script);
    const INT_PTR result = dialog.DoModal();
    driver.Finish();
    AfxGetApp()->m_pMainWnd = nullptr;
    return result;
}

const wchar_t kByClicking[] = L"by clicking on this button on the left";
const std::vector<ExpectedControl> kMainWindowControls = {
    {1000, Kind::PushButton, L"Select A File To Unzip", {41, 58, 90, 17}},
    {1001, Kind::PushButton, L"Unzip", {40, 85, 90, 16}},
    {-1, Kind::Static, L"File Selection :", {14, 7, 47, 12}},
    {-1, Kind::Static, L"2 - ", {26, 62, 12, 10}},
    {-1, Kind::Static, kByClicking, {140, 63, 123, 12}},
    {-1, Kind::Static, L"3 - ", {26, 88, 12, 11}},
    {-1, Kind::Static, L"by clicking on this button on the left (That's it!)", {138, 88, 153, 12}},
    {-1,
     Kind::Static,
     L"4 -   The unzipped files will be in a directory with the same name as the zip file",
     {26, 108, 259, 12}},
    {-1, Kind::Static, L"1 -  Click or double click on a zip file to unzip it (That's it)", {26, 34, 251, 11}},
    {-1, Kind::Static, L"OR", {66, 47, 13, 10}},
    {-1, Kind::GroupBox, L"UNZIPPER", {15, 18, 297, 113}},
    {1002, Kind::PushButton, L"Select A File To Zip", {37, 154, 93, 17}},
    {1003, Kind::PushButton, L"Select A Folder To Zip", {36, 190, 95, 18}},
    {1004, Kind::PushButton, L"Zip", {36, 219, 95, 16}},
    {1005, Kind::Progress, L"", {18, 287, 283, 12}},
    {-1, Kind::Static, L"1 - ", {19, 157, 15, 12}},
    {-1, Kind::Static, L"OR", {63, 177, 15, 13}},
    {-1, Kind::Static, kByClicking, {141, 158, 143, 14}},
    {-1, Kind::Static, L"2 - ", {18, 220, 15, 13}},
    {-1,
     Kind::Static,
     L"3 -   The zip file will be in the same directory as the zipped file or folder",
     {17, 246, 235, 11}},
    {-1, Kind::Static, kByClicking, {139, 195, 117, 11}},
    {-1, Kind::Static, kByClicking, {141, 225, 119, 9}},
    {-1, Kind::GroupBox, L"ZIPPER", {14, 139, 298, 126}},
    {-1, Kind::GroupBox, L"Action Progress", {14, 273, 298, 30}},
    {1006, Kind::PushButton, L"MORE", {247, 5, 65, 12}},
};

TEST(MainWindow, TemplateHoldsTheControlsWithTheirStylesInTabOrder) {
    const DialogTemplate dialog = ReadDialogTemplate(IDD_TAVOLINE_DIALOG);
    ASSERT_TRUE(dialog.found);
    EXPECT_EQ(DescribeExpectedAsTemplate(kMainWindowControls), DescribeTemplateItems(dialog));
    EXPECT_EQ(DWORD(DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                    WS_MINIMIZEBOX),
              dialog.style);
    EXPECT_EQ(DWORD(WS_EX_APPWINDOW), dialog.exStyle);
    EXPECT_EQ(328, dialog.size.cx);
    EXPECT_EQ(314, dialog.size.cy);
    EXPECT_EQ(L"Tavoline 1.0", dialog.caption);
    EXPECT_EQ(8, dialog.pointSize);
    EXPECT_EQ(L"MS Shell Dlg", dialog.typeface);
}

TEST(MainWindow, ShowsTheControlsInTemplateOrderAtTheirPlaces) {
    std::vector<std::string> controls;
    SIZE size = {};
    std::wstring caption;
    LONG exStyle = 0;
    RunMainWindow([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
        std::vector<HWND> children;
        for (HWND child : testkit::ChildWindows(main))
            if (::GetDlgCtrlID(child) != IDC_STATUS_LABEL) children.push_back(child);
        controls = DescribeControlsOnScreen(main, children);
        size = ClientSizeInDialogUnits(main);
        caption = testkit::WindowText(main);
        exStyle = ::GetWindowLongW(main, GWL_EXSTYLE);
        testkit::PressCancel(main);
    });
    EXPECT_EQ(DescribeExpectedOnScreen(kMainWindowControls), controls);
    EXPECT_EQ(328, size.cx);
    EXPECT_EQ(314, size.cy);
    EXPECT_EQ(std::wstring(kMainCaption), caption);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW) << "no taskbar button";
}

TEST(MainWindow, StartsIdleWithTheFirstButtonFocusedAndAnEmptyBar) {
    g_commandLineMode = 1;   // left over from an earlier run: the window resets what it owns
    g_progressPos = 7;
    g_zipSelected = 1;
    g_unzipSelected = 1;
    g_jobRunning = 1;
    int focusedId = 0, position = -1, lower = -1, upper = -1;
    RunMainWindow([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
        d.OnUiThread([&] { focusedId = ::GetDlgCtrlID(::GetFocus()); }, TK_HERE);
        HWND bar = ::GetDlgItem(main, IDC_PROGRESS);
        position = static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
        lower = static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
        upper = static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        testkit::PressCancel(main);
    });
    EXPECT_EQ(IDC_SELECT_FILE_TO_UNZIP, focusedId);
    EXPECT_EQ(0, position);
    EXPECT_EQ(0, lower);
    EXPECT_EQ(100, upper);
    EXPECT_EQ(0, g_commandLineMode);
    EXPECT_EQ(0, g_progressPos);
    EXPECT_EQ(0, g_zipSelected);
    EXPECT_EQ(0, g_unzipSelected);
    EXPECT_EQ(0, g_jobRunning);
}

TEST(MainWindow, EscAndTheCloseBoxEndIt) {
    // Esc, as the dialog manager sees it from the focused button.
    EXPECT_EQ(IDCANCEL, RunMainWindow([](Driver& d) {
                  HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
                  HWND button = ::GetDlgItem(main, IDC_SELECT_FILE_TO_UNZIP);
                  ::PostMessageW(button, WM_KEYDOWN, VK_ESCAPE, 0);
                  ::PostMessageW(button, WM_KEYUP, VK_ESCAPE, 0);
              }));
    // The close box of the caption.
    EXPECT_EQ(IDCANCEL, RunMainWindow([](Driver& d) {
                  HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
                  ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
              }));
}

TEST(MainWindow, CarriesTheApplicationIcon) {
    HICON big = nullptr, small = nullptr, dragged = nullptr;
    RunMainWindow([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
        big = reinterpret_cast<HICON>(::SendMessageW(main, WM_GETICON, ICON_BIG, 0));
        small = reinterpret_cast<HICON>(::SendMessageW(main, WM_GETICON, ICON_SMALL, 0));
        dragged = reinterpret_cast<HICON>(::SendMessageW(main, WM_QUERYDRAGICON, 0, 0));
        testkit::PressCancel(main);
    });
    EXPECT_NE(nullptr, big);
    EXPECT_EQ(big, small);
    EXPECT_EQ(big, dragged) << "dragging the minimised window shows another icon";
}

TEST(MainWindow, SystemMenuEndsWithTheAboutEntry) {
    std::vector<UINT> types;
    UINT lastId = 0;
    std::wstring lastText;
    RunMainWindow([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
        d.OnUiThread(
            [&] {
                HMENU menu = ::GetSystemMenu(main, FALSE);
                const int count = ::GetMenuItemCount(menu);
                for (int i = count - 2; i >= 0 && i < count; ++i) {
                    MENUITEMINFOW item = {};
                    wchar_t text[64] = L"";
                    item.cbSize = sizeof item;
                    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
                    item.dwTypeData = text;
                    item.cch = 64;
                    ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
                    types.push_back(item.fType);
                    lastId = item.wID;
                    lastText = text;
                }
            },
            TK_HERE);
        testkit::PressCancel(main);
    });
    ASSERT_EQ(2u, types.size());
    EXPECT_TRUE(types[0] & MFT_SEPARATOR);
    EXPECT_EQ(16u, lastId);
    EXPECT_EQ(L"&About TAVO...", lastText);
}

// Opens the About box from the main window with open(main), checks it and closes it.
struct AboutSeen {
    bool opened = false;
    bool ownedByMain = false;
    bool mainStillOpen = false;
};

AboutSeen OpenAbout(const std::function<void(Driver&, HWND)>& open, const std::function<void(HWND)>& close) {
    AboutSeen seen;
    RunMainWindow([&](Driver& d) {
        HWND main = d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE);
        open(d, main);
        HWND about = d.WaitForWindow(WindowQuery::Dialog(kAboutCaption), TK_HERE);
        seen.opened = true;
        seen.ownedByMain = ::GetWindow(about, GW_OWNER) == main;
        close(about);
        d.WaitForGone(about, TK_HERE);
        seen.mainStillOpen = ::IsWindowVisible(main) != FALSE;
        testkit::PressCancel(main);
    });
    return seen;
}

TEST(MainWindow, TheSystemMenuEntryOpensTheAboutBox) {
    // Any command whose ID masked with 0xFFF0 is 16 is the About entry.
    for (WPARAM command : {WPARAM(16), WPARAM(0x1F)}) {
        SCOPED_TRACE(command);
        const AboutSeen seen =
            OpenAbout([command](Driver&, HWND main) { ::PostMessageW(main, WM_SYSCOMMAND, command, 0); },
                      [](HWND about) { testkit::PressCancel(about); });
        EXPECT_TRUE(seen.opened);
        EXPECT_TRUE(seen.ownedByMain);
        EXPECT_TRUE(seen.mainStillOpen) << "closing the About box closed the main window";
    }
}

TEST(MainWindow, MoreOpensTheAboutBoxAndReturnsToTheProgramFolder) {
    testkit::TempFolder elsewhere;
    ASSERT_TRUE(::SetCurrentDirectoryW(elsewhere.Path().c_str()));   // as a picker may leave it
    const AboutSeen seen = OpenAbout([](Driver& d, HWND main) { d.ClickButton(main, IDC_MORE, TK_HERE); },
                                     [](HWND about) { testkit::PressOk(about); });
    EXPECT_TRUE(seen.opened);
    EXPECT_TRUE(seen.ownedByMain);
    EXPECT_TRUE(seen.mainStillOpen);
    EXPECT_PRED2(testkit::SameFolder, testkit::ThisProgramFolder(), testkit::CurrentDirectory());
}

TEST(MainWindow, TheSystemMenuEntryLeavesTheCurrentDirectory) {
    testkit::TempFolder elsewhere;
    ASSERT_TRUE(::SetCurrentDirectoryW(elsewhere.Path().c_str()));
    OpenAbout([](Driver&, HWND main) { ::PostMessageW(main, WM_SYSCOMMAND, 16, 0); },
              [](HWND about) { testkit::PressCancel(about); });
    EXPECT_PRED2(testkit::SameFolder, elsewhere.Path(), testkit::CurrentDirectory());
    ::SetCurrentDirectoryW(testkit::ThisProgramFolder().c_str());
}

}   // namespace
