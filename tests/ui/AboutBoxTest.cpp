// The About box from its real template, and the template of the progress dialog.
#include <gtest/gtest.h>

#include "Testkit.h"
#include "TemplateCheck.h"
#include "res/resource.h"
#include "ui/AboutDialog.h"

namespace {

using testkit::Driver;
using testkit::WindowQuery;

const DWORD kShellDialog = DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

TEST(AboutBox, TemplateNamesTheProductInAnAboutGroup) {
    const DialogTemplate dialog = ReadDialogTemplate(IDD_ABOUTBOX);
    ASSERT_TRUE(dialog.found);
    const std::vector<ExpectedControl> expected = {
        {-1, Kind::Static, L"Tavoline 1.0", {34, 23, 79, 8}, SS_NOPREFIX},
        {-1, Kind::GroupBox, L"About", {20, 7, 247, 78}},
    };
    EXPECT_EQ(DescribeExpectedAsTemplate(expected), DescribeTemplateItems(dialog));
    EXPECT_EQ(kShellDialog, dialog.style) << "no minimise box, nothing else";
    EXPECT_EQ(L"About Tavoline 1.0", dialog.caption);
    EXPECT_EQ(8, dialog.pointSize);
    EXPECT_EQ(L"MS Shell Dlg", dialog.typeface);
    // The group fits inside the box with a margin like its left one.
    EXPECT_GE(dialog.size.cx, 20 + 247 + 20);
    EXPECT_GE(dialog.size.cy, 7 + 78 + 7);
}

// Shows the About box, lets answer() close it, and returns what DoModal returned.
INT_PTR ShowAbout(const std::function<void(HWND)>& answer, std::wstring* text = nullptr) {
    CAboutDlg about;
    Driver driver([&](Driver& d) {
        HWND box = d.WaitForWindow(WindowQuery::Dialog(L"About Tavoline 1.0"), TK_HERE);
        if (text) *text = testkit::MessageBoxText(box);
        answer(box);
    });
    const INT_PTR result = about.DoModal();
    driver.Finish();
    return result;
}

TEST(AboutBox, EnterEscAndTheCloseBoxEndIt) {
    std::wstring text;
    EXPECT_EQ(IDOK, ShowAbout([](HWND box) { ::PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0); }, &text));
    EXPECT_EQ(L"Tavoline 1.0", text);
    EXPECT_EQ(IDCANCEL, ShowAbout([](HWND box) { ::PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0); }));
    EXPECT_EQ(IDCANCEL, ShowAbout([](HWND box) { ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }));
}

TEST(ProgressDialog, TemplateHoldsTheBarAndTheWaitLineAndStaysOnTop) {
    const DialogTemplate dialog = ReadDialogTemplate(IDD_PROGRESS);
    ASSERT_TRUE(dialog.found);
    const std::vector<ExpectedControl> expected = {
        {1005, Kind::Progress, L"", {15, 31, 281, 12}},
        {-1, Kind::Static, L"One action in progress please wait...", {18, 15, 126, 11}},
    };
    EXPECT_EQ(DescribeExpectedAsTemplate(expected), DescribeTemplateItems(dialog));
    EXPECT_EQ(DWORD(kShellDialog | WS_MINIMIZEBOX), dialog.style);
    EXPECT_EQ(DWORD(WS_EX_TOPMOST), dialog.exStyle);
    EXPECT_EQ(315, dialog.size.cx);
    EXPECT_EQ(58, dialog.size.cy);
    EXPECT_EQ(L"Tavoline 1.0", dialog.caption);
    EXPECT_EQ(L"MS Shell Dlg", dialog.typeface);
}

}   // namespace
