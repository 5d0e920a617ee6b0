// Tavoline.exe /zip "<item>", as Explorer's "Zip with Tavoline" starts it: only the progress dialog,
// the item packed beside itself as "Zip" packs it, its folder opened, and an exit status.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "ArchiveCheck.h"
#include "TestTree.h"
#include "ZipWindowRun.h"
#include "Testkit.h"
#include "res/resource.h"

using namespace ziptest;
using testkit::ChildProcess;
using testkit::WindowQuery;

namespace {
// The exit statuses README.md documents for /zip.
const long kPacked = 0, kJobFailed = 1, kInputRefused = 3;

testkit::LaunchOptions Launch(const std::wstring& arguments) {
    testkit::LaunchOptions options;
    options.exe = testkit::TavolineExe();
    options.arguments = arguments;
    return options;
}

HWND WaitForProgressDialog(const ChildProcess& child) {
    return testkit::WaitForWindow(WindowQuery::Dialog(L"Tavoline 1.0", child.Pid()));
}

HWND WaitForBox(const ChildProcess& child, HWND dialog, const wchar_t* text) {
    return testkit::WaitForWindow(WindowQuery::Dialog(kZipper, child.Pid()).WithText(text).OwnedBy(dialog), 60000);
}

int BarPos(HWND dialog) { return static_cast<int>(::SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0)); }
// The bar's upper end: 100 for a file, the number of files + 1 for a folder, as with "Zip".
int BarHigh(HWND dialog) {
    return static_cast<int>(::SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETRANGE, FALSE, 0));
}

// Runs /zip on an item that packs without trouble: the topmost progress dialog alone, the success
// box over a full bar, the folder holding the archive opened, status 0.
void ExpectPacked(const std::wstring& item, const std::wstring& holdingFolder) {
    testkit::ShellLog shell;
    ChildProcess child(Launch(L"/zip \"" + item + L"\""), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = WaitForProgressDialog(child);
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_TRUE(::GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    for (HWND window : testkit::TopWindowsOf(child.Pid()))
        EXPECT_EQ(nullptr, ::GetDlgItem(window, IDC_SELECT_FILE_TO_UNZIP)) << "no main window with /zip";
    HWND box = WaitForBox(child, dialog, kZipped);
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_TRUE(testkit::WaitUntil([&] { return BarPos(dialog) == BarHigh(dialog); }, 3000))
        << BarPos(dialog) << " of " << BarHigh(dialog);
    testkit::PressOk(box);
    EXPECT_EQ(kPacked, child.WaitForExit(TK_HERE));
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(holdingFolder)}, shell.WaitForLines(1));
}
}   // namespace

TEST(ZipCommandLine, PacksAFolderBesideItselfLikeTheZipButton) {
    ForgetExport(L"cmdline-folder");
    TestTree tree(L"zip-cmd-folder");
    const std::vector<std::wstring> names{L"a.txt", L"2019\\b.txt", L"\u65e5\u672c\\caf\u00e9.txt"};
    for (const std::wstring& name : names) tree.AddFile(L"My Photos\\" + name);

    ExpectPacked(tree.Path(L"My Photos"), tree.Root());

    const Extracted archive = ExtractAll(tree.Path(L"My Photos.zip"));
    EXPECT_EQ("", archive.problem);
    EXPECT_EQ(Expected(names), archive.files);
    ExportForNativeCheck(L"cmdline-folder", tree.Path(L"My Photos.zip"), Expected(names));
}

TEST(ZipCommandLine, PacksAFileUnderItsBareName) {
    ForgetExport(L"cmdline-file");
    TestTree tree(L"zip-cmd-file");
    tree.AddFile(L"in\\r\u00e9sum\u00e9 2024.txt");

    ExpectPacked(tree.Path(L"in\\r\u00e9sum\u00e9 2024.txt"), tree.Path(L"in"));

    const Extracted archive = ExtractAll(tree.Path(L"in\\r\u00e9sum\u00e9 2024.txt.zip"));
    EXPECT_EQ("", archive.problem);
    EXPECT_EQ(Expected({L"r\u00e9sum\u00e9 2024.txt"}), archive.files);
    ExportForNativeCheck(L"cmdline-file", tree.Path(L"in\\r\u00e9sum\u00e9 2024.txt.zip"),
                         Expected({L"r\u00e9sum\u00e9 2024.txt"}));
}

TEST(ZipCommandLine, AMissingItemFailsWithItsBoxAndLeavesNoArchive) {
    TestTree tree(L"zip-cmd-missing");
    testkit::ShellLog shell;
    ChildProcess child(Launch(L"/zip \"" + tree.Path(L"gone.txt") + L"\""), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = WaitForProgressDialog(child);
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    HWND box = WaitForBox(child, dialog, kZipFailed);
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    testkit::PumpMessagesFor(300);
    EXPECT_TRUE(child.Running()) << "the process waits for the box to be answered";
    testkit::PressOk(box);
    EXPECT_EQ(kJobFailed, child.WaitForExit(TK_HERE));
    EXPECT_TRUE(ListFolder(tree.Root()).empty());
    EXPECT_TRUE(shell.Lines().empty());
}

TEST(ZipCommandLine, NoItemIsRefusedAndTheDialogStaysUntilClosed) {
    for (const std::wstring arguments : {L"/zip", L"/zip \"\""}) {
        SCOPED_TRACE(testkit::Narrow(arguments));
        ChildProcess child(Launch(arguments), TK_HERE);
        ASSERT_TRUE(child.Started());
        HWND dialog = WaitForProgressDialog(child);
        ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
        HWND box = WaitForBox(child, dialog, kNothingToZip);
        ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
        testkit::PressOk(box);
        ASSERT_TRUE(testkit::WaitForGone(box));
        testkit::PumpMessagesFor(300);
        EXPECT_TRUE(child.Running()) << "the dialog waits for the user";
        testkit::PressCancel(dialog);
        EXPECT_EQ(kInputRefused, child.WaitForExit(TK_HERE));
    }
}
