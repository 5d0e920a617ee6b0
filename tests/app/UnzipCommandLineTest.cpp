// Tavoline.exe started with an archive, as the shell starts it for an opened .zip file: only the
// progress dialog, the archive unpacked, the folder opened, and an exit status that tells how it went.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "TestArchives.h"
#include "UnzipTexts.h"
#include "Testkit.h"
#include "res/resource.h"

namespace {

using namespace unziptest;
using testkit::ChildProcess;
using testkit::WindowQuery;

const wchar_t kDialogCaption[] = L"Tavoline 1.0";

// The exit statuses README.md documents for command-line mode.
const long kUnpacked = 0, kJobFailed = 1, kCorruptEntry = 2, kInputRefused = 3, kNotFinished = 4;

testkit::LaunchOptions Launch(const std::wstring& arguments, const std::wstring& folder = std::wstring()) {
    testkit::LaunchOptions options;
    options.exe = testkit::TavolineExe();
    options.arguments = arguments;
    options.workingFolder = folder;
    return options;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

HWND WaitForProgressDialog(const ChildProcess& child) {
    return testkit::WaitForWindow(WindowQuery::Dialog(kDialogCaption, child.Pid()));
}

HWND WaitForBox(const ChildProcess& child, HWND dialog, const wchar_t* text,
                DWORD timeoutMs = testkit::kDefaultWaitMs) {
    return testkit::WaitForWindow(WindowQuery::Dialog(kUnzipper, child.Pid()).WithText(text).OwnedBy(dialog),
                                  timeoutMs);
}

int BarPos(HWND dialog) { return static_cast<int>(::SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_GETPOS, 0, 0)); }
// The worker's last step is posted just before its success box: the dialog takes it soon after.
bool BarReaches100(HWND dialog) {
    return testkit::WaitUntil([&] { return BarPos(dialog) == 100; }, 3000);
}

// Runs an archive that unpacks without trouble and checks the whole road to exit status 0.
void ExpectUnpacked(const testkit::LaunchOptions& options, const std::wstring& target, testkit::ShellLog& shell) {
    ChildProcess child(options, TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = WaitForProgressDialog(child);
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    HWND box = WaitForBox(child, dialog, kSuccess);
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_TRUE(BarReaches100(dialog)) << "the bar is full when the job reports: " << BarPos(dialog);
    testkit::PressOk(box);
    EXPECT_EQ(kUnpacked, child.WaitForExit(TK_HERE)) << "the process ends by itself, no window left";
    EXPECT_EQ((std::vector<std::string>{"a.txt", "sub/b.txt"}), FilesBelow(target));
    EXPECT_EQ("alpha", ReadBytes(target + L"\\a.txt"));
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(target)}, shell.WaitForLines(1));
}

const std::vector<Entry> kSmall = {{"a.txt", "alpha"}, {"sub/b.txt", "bravo"}};

TEST(UnzipCommandLine, AQuotedPathWithBlanksShowsOnlyTheTopmostProgressDialog) {
    testkit::TempFolder temp(L"cmd quoted");
    const std::wstring archive = temp / L"holiday photos.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(kSmall)));
    testkit::ShellLog shell;
    ChildProcess child(Launch(Quoted(archive)), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = WaitForProgressDialog(child);
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_TRUE(::GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    std::vector<std::wstring> texts;
    for (HWND control : testkit::ChildWindows(dialog)) texts.push_back(testkit::WindowText(control));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"One action in progress please wait..."}), texts);
    for (HWND window : testkit::TopWindowsOf(child.Pid()))
        EXPECT_EQ(nullptr, ::GetDlgItem(window, IDC_SELECT_FILE_TO_UNZIP)) << "no main window in command-line mode";
    HWND box = WaitForBox(child, dialog, kSuccess);
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    EXPECT_TRUE(BarReaches100(dialog)) << BarPos(dialog);
    testkit::PressOk(box);
    EXPECT_EQ(kUnpacked, child.WaitForExit(TK_HERE));
    const std::wstring target = temp / L"holiday photos";
    EXPECT_EQ((std::vector<std::string>{"a.txt", "sub/b.txt"}), FilesBelow(target));
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(target)}, shell.WaitForLines(1));
}

TEST(UnzipCommandLine, AnUnquotedPathIsTakenWhole) {
    testkit::TempFolder temp(L"cmd-unquoted");
    const std::wstring archive = temp / L"photos.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(kSmall)));
    testkit::ShellLog shell;
    ExpectUnpacked(Launch(archive), temp / L"photos", shell);
}

TEST(UnzipCommandLine, ARelativePathIsTakenFromTheFolderTheProgramWasStartedIn) {
    testkit::TempFolder temp(L"cmd relative");
    ASSERT_TRUE(::CreateDirectoryW((temp / L"in here").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(temp / L"in here\\relative.zip", ZipBytes(kSmall)));
    testkit::ShellLog shell;
    ExpectUnpacked(Launch(Quoted(L"in here\\relative.zip"), temp.Path()), temp / L"in here\\relative", shell);
}

TEST(UnzipCommandLine, AnEmptyArgumentIsRefusedAndTheDialogStaysUntilClosed) {
    ChildProcess child(Launch(L"\"\""), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = WaitForProgressDialog(child);
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    HWND box = WaitForBox(child, dialog, kRefused);
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    testkit::PressOk(box);
    ASSERT_TRUE(testkit::WaitForGone(box));
    testkit::PumpMessagesFor(500);
    EXPECT_TRUE(child.Running());
    EXPECT_TRUE(::IsWindowVisible(dialog)) << "the dialog waits for the user";
    EXPECT_EQ(0, BarPos(dialog));
    testkit::PressCancel(dialog);
    EXPECT_EQ(kInputRefused, child.WaitForExit(TK_HERE));
}

TEST(UnzipCommandLine, AFailedJobShowsItsBoxThenEndsWithItsStatus) {
    testkit::TempFolder temp(L"cmd failure");
    const std::wstring archive = temp / L"not an archive.zip";
    ASSERT_TRUE(WriteBytes(archive, "plain text, no zip directory anywhere"));
    testkit::ShellLog shell;
    ChildProcess child(Launch(Quoted(archive)), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = WaitForProgressDialog(child);
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    HWND box = WaitForBox(child, dialog, kFailure);
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    testkit::PumpMessagesFor(300);
    EXPECT_TRUE(child.Running()) << "the process waits for the box to be answered";
    EXPECT_TRUE(::IsWindow(dialog));
    testkit::PressOk(box);
    EXPECT_EQ(kJobFailed, child.WaitForExit(TK_HERE));
    EXPECT_TRUE(shell.Lines().empty());
}

TEST(UnzipCommandLine, ACorruptEntryIsReportedAndEndsWithItsStatus) {
    testkit::TempFolder temp(L"cmd corrupt");
    const std::wstring archive = temp / L"damaged.zip";
    ASSERT_TRUE(
        WriteBytes(archive, ZipBytes({{"one.txt", "first"}, {"two.txt", "second"}, {"three.txt", "third"}}, 2)));
    testkit::ShellLog shell;
    ChildProcess child(Launch(Quoted(archive)), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = WaitForProgressDialog(child);
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    HWND box = WaitForBox(child, dialog, kCorrupt);
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    testkit::PressOk(box);
    EXPECT_EQ(kCorruptEntry, child.WaitForExit(TK_HERE));
    EXPECT_EQ((std::vector<std::string>{"one.txt", "two.txt"}), FilesBelow(temp / L"damaged"));
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(temp / L"damaged")}, shell.WaitForLines(1));
}

TEST(UnzipCommandLine, ClosingTheDialogMidJobEndsTheProcessAtOnce) {
    testkit::TempFolder temp(L"cmd closed");
    const std::wstring archive = temp / L"many.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(ManyEntries(40000))));
    ChildProcess child(Launch(Quoted(archive)), TK_HERE);
    ASSERT_TRUE(child.Started());
    HWND dialog = WaitForProgressDialog(child);
    ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    // Under way: files are arriving in the target folder.
    ASSERT_TRUE(testkit::WaitUntil([&] { return FolderExists(temp / L"many\\d000"); }, 20000));
    testkit::PressCancel(dialog);
    EXPECT_EQ(kNotFinished, child.WaitForExit(TK_HERE));
    EXPECT_LT(FilesBelow(temp / L"many").size(), 40000u) << "the job was stopped, not finished";
}

}   // namespace
