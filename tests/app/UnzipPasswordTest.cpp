// Password-protected archives from 7-Zip and Info-ZIP, unpacked by Tavoline.exe in command-line mode
// and from the main window: the password box found and answered the way a screen reader sees it
// (its caption, its one edit control, IDOK, IDCANCEL), right and wrong passwords, Skip, two
// passwords in one archive, changed data, a non-ASCII password, and the window closed while the box
// is up. The archives are made before this program runs by make_password_archives.py into
// PASSWORD_ARCHIVES_DIR.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "MainWindowRun.h"
#include "TestArchives.h"
#include "Testkit.h"
#include "UnzipTexts.h"
#include "jobs/JobState.h"
#include "jobs/JobStop.h"
#include "res/resource.h"
#include "ui/MainDialog.h"

namespace {

using namespace unziptest;
using testkit::ChildProcess;
using testkit::Driver;
using testkit::WindowQuery;

const long kUnpacked = 0, kCorruptEntry = 2, kNotFinished = 4, kEntriesSkipped = 5;
const wchar_t kPasswordCaption[] = L"Password";
const wchar_t kSkip[] = L"";   // an answer: press Skip
const wchar_t kCheckBytePassword[] = L"<passes the check byte>";

std::wstring MadeArchivePath(const std::wstring& name) {
    return testkit::FromHostPath(PASSWORD_ARCHIVES_DIR) + L"\\" + name;
}

// A wrong password that passes the Info-ZIP entry's check byte, found by the script that made it.
std::wstring CheckBytePassword() { return testkit::Widen(ReadBytes(MadeArchivePath(L"infozip-check-byte.txt"))); }

// The content make_password_archives.py gives every file.
std::string ContentOf(const std::string& name) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "content of " + name + "\n";
    return text;
}

std::wstring CopyArchive(const testkit::TempFolder& temp, const std::wstring& name) {
    const std::string made = ReadBytes(MadeArchivePath(name));
    EXPECT_FALSE(made.empty()) << "make_password_archives.py ran first";
    const std::wstring archive = temp / name;
    EXPECT_TRUE(WriteBytes(archive, made));
    return archive;
}

struct Prompt {
    std::wstring entry;    // the entry the box names
    bool saysWrong;        // "Wrong password." shows
    std::wstring answer;   // typed before OK; kSkip presses Skip
};

struct PasswordCase {
    const char* label;
    const wchar_t* archive;
    std::vector<Prompt> prompts;
    std::vector<std::wstring> boxes;   // the Unzipper boxes that follow, by a piece of their text
    std::vector<std::string> files;    // what lands in the target folder
    long exitStatus;
};

const PasswordCase kCases[] = {
    {"AES-256, right password first",
     L"aes.zip",
     {{L"data/numbers.txt", false, L"secret"}},
     {kSuccess},
     {"data/numbers.txt", "report.txt"},
     kUnpacked},
    {"Info-ZIP, wrong then right",
     L"infozip.zip",
     {{L"report.txt", false, L"Secret"}, {L"report.txt", true, L"secret"}},
     {kSuccess},
     {"data/numbers.txt", "report.txt"},
     kUnpacked},
    {"Info-ZIP, a wrong password that passes the check byte",
     L"infozip.zip",
     {{L"report.txt", false, kCheckBytePassword}, {L"report.txt", true, L"secret"}},
     {kSuccess},
     {"data/numbers.txt", "report.txt"},
     kUnpacked},
    {"two passwords: the second asked for where the first does not fit",
     L"two.zip",
     {{L"a.txt", false, L"alpha"}, {L"b1.txt", false, L"bravo"}},
     {kSuccess},
     {"a.txt", "b1.txt", "b2.txt", "plain.txt"},
     kUnpacked},
    {"Skip: that entry and the others under a password not given are left out",
     L"two.zip",
     {{L"a.txt", false, kSkip}},
     {kSuccess,
      L"3 entries were left out; everything else was unpacked:\na.txt: encrypted (no password given)\n"
      L"b1.txt: encrypted (no password given)\nb2.txt: encrypted (no password given)"},
     {"plain.txt"},
     kEntriesSkipped},
    {"AES entry whose authentication code was changed",
     L"tampered.zip",
     {{L"report.txt", false, L"secret"}},
     {kCorrupt},
     {},
     kCorruptEntry},
    {"AES-256 under a non-ASCII password written in UTF-8: typed once, its UTF-8 form opens it",
     L"aes-utf8.zip",
     {{L"report.txt", false, L"P\u00e4ssw\u00f6rd \u20ac"}},
     {kSuccess},
     {"report.txt"},
     kUnpacked},
};

std::vector<HWND> ControlsOfClass(HWND box, const wchar_t* className) {
    std::vector<HWND> found;
    for (HWND control : testkit::ChildWindows(box)) {
        wchar_t name[64] = {};
        ::GetClassNameW(control, name, 64);
        if (lstrcmpiW(name, className) == 0) found.push_back(control);
    }
    return found;
}

// Reads the box as a screen reader would, checks it against `expected`, and answers it. Empty when
// all was as expected, else what was not.
std::string AnswerPrompt(HWND box, const Prompt& expected, const std::wstring& archiveName) {
    std::string problems;
    const std::vector<HWND> edits = ControlsOfClass(box, L"Edit");
    if (edits.size() != 1) return "the box has " + std::to_string(edits.size()) + " edit controls";
    if (!(::GetWindowLongW(edits[0], GWL_STYLE) & ES_PASSWORD)) problems += "the edit control is not masked; ";
    if (!::GetDlgItem(box, IDOK) || !::GetDlgItem(box, IDCANCEL)) problems += "OK or Skip is missing; ";
    bool namesBoth = false, saysWrong = false;
    for (HWND control : ControlsOfClass(box, L"Static")) {
        const std::wstring text = testkit::WindowText(control);
        if (text.find(expected.entry) != std::wstring::npos && text.find(archiveName) != std::wstring::npos)
            namesBoth = true;
        if (text == L"Wrong password." && ::IsWindowVisible(control)) saysWrong = true;
    }
    if (!namesBoth) problems += "no line names " + testkit::Narrow(expected.entry) + " and the archive; ";
    if (saysWrong != expected.saysWrong)
        problems += saysWrong ? "says \"Wrong password.\"; " : "does not say \"Wrong password.\"; ";
    if (expected.answer == kSkip) {
        testkit::PressCancel(box);
    } else {
        const std::wstring typed = expected.answer == kCheckBytePassword ? CheckBytePassword() : expected.answer;
        ::SendMessageW(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        testkit::PressOk(box);
    }
    return problems;
}

// No file of the archive is in the target, nor a temporary file anywhere below the folder.
std::vector<std::string> FilesSoFar(const testkit::TempFolder& temp, const std::wstring& archiveName) {
    std::vector<std::string> files;
    for (const std::string& file : FilesBelow(temp.Path()))
        if (file != testkit::Narrow(archiveName)) files.push_back(file);
    return files;
}

void ExpectFiles(const std::wstring& target, const std::vector<std::string>& expected) {
    EXPECT_EQ(expected, FilesBelow(target));
    for (const std::string& file : FilesBelow(target)) {
        EXPECT_EQ(ContentOf(file), ReadBytes(target + L"\\" + testkit::Widen(file))) << file;
    }
}

testkit::LaunchOptions LaunchWith(const std::wstring& archive) {
    testkit::LaunchOptions options;
    options.exe = testkit::TavolineExe();
    options.arguments = L"\"" + archive + L"\"";
    return options;
}

TEST(UnzipPassword, CommandLine) {
    for (const PasswordCase& c : kCases) {
        SCOPED_TRACE(c.label);
        testkit::TempFolder temp(L"password cmd");
        const std::wstring archive = CopyArchive(temp, c.archive);
        ChildProcess child(LaunchWith(archive), TK_HERE);
        ASSERT_TRUE(child.Started());
        HWND dialog = testkit::WaitForWindow(WindowQuery::Dialog(kMainCaption, child.Pid()));
        ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
        for (const Prompt& prompt : c.prompts) {
            HWND box = testkit::WaitForWindow(WindowQuery::Dialog(kPasswordCaption, child.Pid()).OwnedBy(dialog));
            ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
            if (prompt.saysWrong) {
                EXPECT_EQ(std::vector<std::string>{}, FilesSoFar(temp, c.archive)) << "nothing written";
            }
            EXPECT_EQ("", AnswerPrompt(box, prompt, c.archive));
            ASSERT_TRUE(testkit::WaitForGone(box));
        }
        for (const std::wstring& text : c.boxes) {
            HWND box =
                testkit::WaitForWindow(WindowQuery::Dialog(kUnzipper, child.Pid()).WithText(text).OwnedBy(dialog));
            ASSERT_NE(nullptr, box) << testkit::Narrow(text) << "\n" << testkit::DescribeWindowsOf(child.Pid());
            testkit::PressOk(box);
            ASSERT_TRUE(testkit::WaitForGone(box));
        }
        EXPECT_EQ(c.exitStatus, child.WaitForExit(TK_HERE));
        const std::wstring target = archive.substr(0, archive.size() - 4);
        ExpectFiles(target, c.files);
    }
}

void RunMainWindow(const Driver::Script& script, DWORD limitMs = 60000) {
    g_stopRequested = 0;   // this process may run a job again after a stop; the program never does
    g_jobRunning = 0;
    CTAVODlg dialog;
    Driver driver(script, limitMs);
    dialog.DoModal();
    driver.Finish();
}

TEST(UnzipPassword, MainWindow) {
    for (const PasswordCase& c : kCases) {
        SCOPED_TRACE(c.label);
        testkit::TempFolder temp(L"password main");
        const std::wstring archive = CopyArchive(temp, c.archive);
        PickerStub picker(archive);
        RunMainWindow([&](Driver& d) {
            HWND main = PickAndStartUnzip(d, TK_HERE);
            for (const Prompt& prompt : c.prompts) {
                HWND box = d.WaitForWindow(WindowQuery::Dialog(kPasswordCaption).OwnedBy(main), TK_HERE);
                if (prompt.saysWrong)
                    d.Check(FilesSoFar(temp, c.archive).empty(), "nothing written before the right password", TK_HERE);
                const std::string problems = AnswerPrompt(box, prompt, c.archive);
                d.Check(problems.empty(), problems, TK_HERE);
                d.WaitForGone(box, TK_HERE);
            }
            for (const std::wstring& text : c.boxes) AnswerBox(d, main, text.c_str(), TK_HERE);
            WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
            testkit::PressCancel(main);
        });
        ExpectFiles(archive.substr(0, archive.size() - 4), c.files);
    }
}

// The window closed while the box is up: the job stops as any close stops it, nothing is written.
TEST(UnzipPassword, ClosingTheWindowWhileThePasswordIsAskedStopsTheJob) {
    {
        SCOPED_TRACE("command line");
        testkit::TempFolder temp(L"password closed cmd");
        const std::wstring archive = CopyArchive(temp, L"aes.zip");
        ChildProcess child(LaunchWith(archive), TK_HERE);
        ASSERT_TRUE(child.Started());
        HWND dialog = testkit::WaitForWindow(WindowQuery::Dialog(kMainCaption, child.Pid()));
        ASSERT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
        ASSERT_NE(nullptr, testkit::WaitForWindow(WindowQuery::Dialog(kPasswordCaption, child.Pid()).OwnedBy(dialog)));
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        EXPECT_EQ(kNotFinished, child.WaitForExit(TK_HERE, 3000)) << "the process ends soon after the close";
        EXPECT_EQ(std::vector<std::string>{}, FilesSoFar(temp, L"aes.zip"));
    }
    {
        SCOPED_TRACE("main window");
        testkit::TempFolder temp(L"password closed main");
        const std::wstring archive = CopyArchive(temp, L"aes.zip");
        PickerStub picker(archive);
        RunMainWindow([&](Driver& d) {
            HWND main = PickAndStartUnzip(d, TK_HERE);
            d.WaitForWindow(WindowQuery::Dialog(kPasswordCaption).OwnedBy(main), TK_HERE);
            ::PostMessageW(main, WM_CLOSE, 0, 0);
        });
        // What start-up does once the main window has closed, before it ends the process.
        EXPECT_TRUE(StopJobAndWait(2000)) << "the worker returned within 2 s of the close";
        EXPECT_EQ(nullptr, testkit::FindWindowNow(WindowQuery::Dialog(kPasswordCaption)))
            << "the box went with the job";
        EXPECT_EQ(std::vector<std::string>{}, FilesSoFar(temp, L"aes.zip"));
    }
}

}   // namespace
