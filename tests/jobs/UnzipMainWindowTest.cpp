// Unzipping from the main window, from the pick to the reset: the real template, buttons clicked
// by message, the workers' boxes answered, the folder checked file by file and the shell's open
// request seen by the recorder.
#include <gtest/gtest.h>

#include "MainWindowRun.h"
#include "TestArchives.h"
#include "Testkit.h"
#include "framework/CWinApp.h"
#include "res/resource.h"
#include "jobs/JobState.h"
#include "ui/MainDialog.h"
#include "ui/StatusLabel.h"

namespace {

using namespace unziptest;
using testkit::Driver;
using testkit::WindowQuery;

void RunMainWindow(const Driver::Script& script, DWORD limitMs = 30000) {
    CTAVODlg dialog;
    Driver driver(script, limitMs);
    dialog.DoModal();
    driver.Finish();
}

HWND WaitForMain(Driver& d) { return d.WaitForWindow(WindowQuery::Dialog(kMainCaption), TK_HERE); }

// Clicks "Select A File To Unzip" (the stub answers) and waits for the green selection.
void PickArchive(Driver& d, HWND main) {
    d.ClickButton(main, IDC_SELECT_FILE_TO_UNZIP, TK_HERE);
    d.WaitFor(
        [&] {
            const WindowState s = ReadWindowState(d, main);
            return s.status == L"One file has been selected for unzipping" && s.statusColour == kStatusSelectedColour &&
                   s.unzipSelected == 1 && s.zipSelected == 0;
        },
        "the green selection", TK_HERE);
}

const std::vector<Entry> kSample = {
    {"a.txt", "alpha"}, {"docs/", ""}, {"docs/b.txt", "bravo"}, {"docs/deep/c.bin", std::string("\0\1\2\3\xFF\xFE", 6)},
    {"empty/", ""},
};

TEST(UnzipFromMainWindow, PicksUnpacksOpensTheFolderAndResets) {
    testkit::TempFolder temp(L"unzip main");
    const std::wstring archive = temp / L"photo album.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(kSample)));
    PickerStub picker(archive);
    testkit::ShellLog shell;
    JobMessageRecorder recorder;
    int okPressed = -1;
    RunMainWindow([&](Driver& d) {
        HWND main = WaitForMain(d);
        PickArchive(d, main);
        d.ClickButton(main, IDC_UNZIP, TK_HERE);
        HWND box = d.WaitForWindow(WindowQuery::Dialog(kUnzipper).WithText(kSuccess).OwnedBy(main), TK_HERE);
        d.Check(ReadWindowState(d, main).jobRunning == 1, "busy until the success box is answered", TK_HERE);
        okPressed = recorder.Mark();
        testkit::PressOk(box);
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        testkit::PressCancel(main);
    });

    const std::vector<SeenMessage> seen = recorder.Messages();
    EXPECT_EQ("", CheckSequence(seen, CompleteJobTable()));
    for (const SeenMessage& m : seen) {
        if (m.message == WM_JOB_START) {
            EXPECT_EQ(0, m.barPos);
        }
        if (m.message != WM_JOB_DONE) continue;
        EXPECT_EQ(100, m.barPos) << "the bar is full when the job ends";
        EXPECT_EQ(100, m.barHigh);
        EXPECT_GT(m.order, okPressed) << "the job ends only after its success box was answered";
    }
    const std::wstring target = temp / L"photo album";
    EXPECT_EQ((std::vector<std::string>{"a.txt", "docs/b.txt", "docs/deep/c.bin"}), FilesBelow(target));
    EXPECT_EQ("alpha", ReadBytes(target + L"\\a.txt"));
    EXPECT_EQ("bravo", ReadBytes(target + L"\\docs\\b.txt"));
    EXPECT_EQ(kSample[3].data, ReadBytes(target + L"\\docs\\deep\\c.bin"));
    EXPECT_TRUE(FolderExists(target + L"\\empty"));
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(target)}, shell.WaitForLines(1));
}

TEST(UnzipFromMainWindow, ACorruptThirdEntryStopsAfterTheFirstTwo) {
    testkit::TempFolder temp(L"corrupt");
    const std::wstring archive = temp / L"damaged.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes({{"one.txt", "first entry"},
                                              {"two.txt", "second entry"},
                                              {"three.txt", "third entry"},
                                              {"four.txt", "fourth entry"}},
                                             2)));
    PickerStub picker(archive);
    testkit::ShellLog shell;
    JobMessageRecorder recorder;
    RunMainWindow([&](Driver& d) {
        HWND main = WaitForMain(d);
        PickArchive(d, main);
        d.ClickButton(main, IDC_UNZIP, TK_HERE);
        AnswerBox(d, main, kCorrupt, TK_HERE);
        // The success box would hold the job before its end: an idle window proves there was none.
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        testkit::PressCancel(main);
    });
    EXPECT_EQ("", CheckSequence(recorder.Messages(), CompleteJobTable()));
    const std::wstring target = temp / L"damaged";
    EXPECT_EQ((std::vector<std::string>{"one.txt", "two.txt"}), FilesBelow(target));
    EXPECT_EQ(std::vector<std::wstring>{testkit::RecordedOpen(target)}, shell.WaitForLines(1));
}

TEST(UnzipFromMainWindow, AFileThatIsNotAnArchiveFailsWithTheWindowResetBeforeTheBox) {
    testkit::TempFolder temp(L"not zip");
    const std::wstring archive = temp / L"letter.zip";
    ASSERT_TRUE(WriteBytes(archive, "Dear reader, this is not a zip archive.\r\n"));
    PickerStub picker(archive);
    testkit::ShellLog shell;
    JobMessageRecorder recorder;
    RunMainWindow([&](Driver& d) {
        HWND main = WaitForMain(d);
        PickArchive(d, main);
        d.ClickButton(main, IDC_UNZIP, TK_HERE);
        HWND box = d.WaitForWindow(WindowQuery::Dialog(kUnzipper).WithText(kFailure).OwnedBy(main), TK_HERE);
        d.Check(testkit::MessageBoxText(box) == std::wstring(kFailure) + L"\n\nThe file is not a zip archive.",
                "the fixed text, then the cause: " + testkit::Narrow(testkit::MessageBoxText(box)), TK_HERE);
        d.WaitFor([&] { return ShowsNothingSelected(ReadWindowState(d, main)); },
                  "the window reset while the failure box is still up", TK_HERE, 3000);
        d.Check(::IsWindow(box) != FALSE, "the box is still up", TK_HERE);
        testkit::PressOk(box);
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        testkit::PressCancel(main);
    });
    EXPECT_EQ("", CheckSequence(recorder.Messages(), {{WM_JOB_DONE, Times::Once}}));
    EXPECT_EQ(1, g_jobFailed.load());
    testkit::PumpMessagesFor(300);
    EXPECT_TRUE(shell.Lines().empty()) << "nothing is opened after a failure";
    EXPECT_FALSE(FolderExists(temp / L"letter"));
}

TEST(UnzipFromMainWindow, UnzipIsRefusedWithoutAnArchiveSelection) {
    testkit::TempFolder temp(L"refused");
    const std::wstring somefile = temp / L"notes.txt";
    ASSERT_TRUE(WriteBytes(somefile, "notes"));
    PickerStub picker(L"");
    JobMessageRecorder recorder;
    RunMainWindow([&](Driver& d) {
        HWND main = WaitForMain(d);
        // Before any pick.
        d.ClickButton(main, IDC_UNZIP, TK_HERE);
        AnswerBox(d, main, kRefused, TK_HERE);
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        // After a zip pick (a file chosen to be packed): still no archive to unpack.
        picker.Answer(somefile);
        d.ClickButton(main, IDC_SELECT_FILE_TO_ZIP, TK_HERE);
        d.WaitFor([&] { return ReadWindowState(d, main).zipSelected == 1; }, "the zip selection", TK_HERE);
        picker.Answer(L"");
        d.ClickButton(main, IDC_UNZIP, TK_HERE);
        AnswerBox(d, main, kRefused, TK_HERE);
        d.WaitFor([&] { return ReadWindowState(d, main).jobRunning == 0; }, "the window not left busy", TK_HERE);
        d.Check(ReadWindowState(d, main).selectedPath == somefile, "the zip selection is kept", TK_HERE);
        // Not busy: the next click opens the picker.
        d.ClickButton(main, IDC_SELECT_FILE_TO_UNZIP, TK_HERE);
        HWND none =
            d.WaitForWindow(WindowQuery::Dialog(AfxGetAppName()).WithText(L"No File Selected!").OwnedBy(main), TK_HERE);
        testkit::PressOk(none);
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        testkit::PressCancel(main);
    });
    EXPECT_EQ("", CheckSequence(recorder.Messages(), {})) << "a refused job posts nothing";
    EXPECT_EQ(2u, picker.ShownPickers().size());
}

TEST(UnzipFromMainWindow, ACancelledPickDropsTheSelection) {
    testkit::TempFolder temp(L"cancel");
    const std::wstring archive = temp / L"photos.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(kSample)));
    PickerStub picker(archive);
    RunMainWindow([&](Driver& d) {
        HWND main = WaitForMain(d);
        PickArchive(d, main);
        picker.Answer(L"");
        d.ClickButton(main, IDC_SELECT_FILE_TO_UNZIP, TK_HERE);
        HWND none =
            d.WaitForWindow(WindowQuery::Dialog(AfxGetAppName()).WithText(L"No File Selected!").OwnedBy(main), TK_HERE);
        d.Check(testkit::MessageBoxText(none) == L"No File Selected!", "the cancel message", TK_HERE);
        testkit::PressOk(none);
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        d.ClickButton(main, IDC_UNZIP, TK_HERE);
        AnswerBox(d, main, kRefused, TK_HERE);
        testkit::PressCancel(main);
    });
    EXPECT_FALSE(FolderExists(temp / L"photos"));
}

TEST(UnzipFromMainWindow, BothButtonsRefuseWhileAJobRuns) {
    testkit::TempFolder temp(L"busy");
    const std::wstring archive = temp / L"photos.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(kSample)));
    PickerStub picker(archive);
    JobMessageRecorder recorder;
    RunMainWindow([&](Driver& d) {
        HWND main = WaitForMain(d);
        PickArchive(d, main);
        d.ClickButton(main, IDC_UNZIP, TK_HERE);
        // The job runs until its success box is answered.
        HWND success = d.WaitForWindow(WindowQuery::Dialog(kUnzipper).WithText(kSuccess).OwnedBy(main), TK_HERE);
        const WindowState before = ReadWindowState(d, main);
        for (int button : {IDC_SELECT_FILE_TO_UNZIP, IDC_UNZIP}) {
            d.ClickButton(main, button, TK_HERE);
            AnswerBox(d, main, kBusy, TK_HERE);
            const WindowState after = ReadWindowState(d, main);
            d.Check(after.status == before.status && after.statusColour == before.statusColour &&
                        after.selectedPath == before.selectedPath && after.barPos == before.barPos &&
                        after.unzipSelected == 1,
                    "the busy refusal leaves selection, status and bar as they were", TK_HERE);
        }
        testkit::PressOk(success);
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        testkit::PressCancel(main);
    });
    EXPECT_EQ(1u, picker.ShownPickers().size()) << "no picker while busy";
    EXPECT_EQ("", CheckSequence(recorder.Messages(), CompleteJobTable())) << "one job only";
}

TEST(UnzipFromMainWindow, TwoQuickClicksOnUnzipStartOneJob) {
    testkit::TempFolder temp(L"double");
    const std::wstring archive = temp / L"photos.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes(kSample)));
    PickerStub picker(archive);
    JobMessageRecorder recorder;
    RunMainWindow([&](Driver& d) {
        HWND main = WaitForMain(d);
        PickArchive(d, main);
        // Both clicks are queued before the window handles the first.
        HWND unzip = ::GetDlgItem(main, IDC_UNZIP);
        ::PostMessageW(unzip, BM_CLICK, 0, 0);
        ::PostMessageW(unzip, BM_CLICK, 0, 0);
        AnswerBox(d, main, kBusy, TK_HERE);
        AnswerBox(d, main, kSuccess, TK_HERE);
        WaitForIdleWithoutMoreBoxes(d, main, TK_HERE);
        testkit::PressCancel(main);
    });
    EXPECT_EQ("", CheckSequence(recorder.Messages(), CompleteJobTable())) << "exactly one worker ran";
}

}   // namespace
