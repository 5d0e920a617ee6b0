// The three zip buttons of the main window: picks, cancelled picks, Zip with nothing selected,
// and every button while a job runs.
#include <gtest/gtest.h>

#include "TestTree.h"
#include "ZipWindowRun.h"
#include "res/resource.h"
#include "jobs/JobState.h"
#include "ui/MainDialog.h"
#include "ui/StatusLabel.h"

using namespace ziptest;
using unziptest::WindowState;

namespace {
const wchar_t kBusy[] = L"One action in progress please wait!";
const wchar_t kNoFile[] = L"No File Selected!";

// Waits for a box owned by main with this caption and text, presses OK and waits for it to go.
void Answer(testkit::Driver& d, HWND main, const wchar_t* caption, const wchar_t* text, testkit::Where where) {
    HWND box = d.WaitForWindow(testkit::WindowQuery::Dialog(caption).WithText(text).OwnedBy(main), where);
    d.Check(testkit::MessageBoxText(box) == text, "the box reads " + testkit::Narrow(testkit::MessageBoxText(box)),
            where);
    testkit::PressOk(box);
    d.WaitForGone(box, where);
}

void ClickAndWait(testkit::Driver& d, HWND main, int button, const std::wstring& status, testkit::Where where) {
    d.ClickButton(main, button, where);
    d.WaitFor([&] { return ReadState(d, main).status == status; }, "the status " + testkit::Narrow(status), where);
}

bool Green(const WindowState& state) { return state.statusColour == kStatusSelectedColour; }
bool Red(const WindowState& state) { return state.statusColour == kStatusErrorColour; }
}   // namespace

TEST(ZipButtons, PicksReplaceTheSelectionAndACancelledPickDropsIt) {
    TestTree tree(L"buttons-pick");
    const std::wstring file = tree.AddFile(L"report.txt");
    const std::wstring folder = tree.AddFolder(L"Photos");
    FolderChoice folderChoice(L"  " + folder + L" \t");   // the browser's path comes back trimmed
    unziptest::PickerStub fileChoice(file);
    unziptest::JobMessageRecorder recorder;
    WindowState unzipPicked, filePicked, folderPicked, folderCancelled, fileCancelled, afterRefusal;

    CTAVODlg dialog;
    testkit::Driver driver([&](testkit::Driver& d) {
        HWND main = d.WaitForWindow(testkit::WindowQuery::Dialog(unziptest::kMainCaption), TK_HERE);
        ClickAndWait(d, main, IDC_SELECT_FILE_TO_UNZIP, L"One file has been selected for unzipping", TK_HERE);
        unzipPicked = ReadState(d, main);
        ClickAndWait(d, main, IDC_SELECT_FILE_TO_ZIP, kFileSelected, TK_HERE);
        filePicked = ReadState(d, main);
        ClickAndWait(d, main, IDC_SELECT_FOLDER_TO_ZIP, kFolderSelected, TK_HERE);
        folderPicked = ReadState(d, main);

        folderChoice.Answer(L"");
        ClickAndWait(d, main, IDC_SELECT_FOLDER_TO_ZIP, L"No file or folder has been selected !", TK_HERE);
        folderCancelled = ReadState(d, main);

        ClickAndWait(d, main, IDC_SELECT_FILE_TO_ZIP, kFileSelected, TK_HERE);
        fileChoice.Answer(L"");
        d.ClickButton(main, IDC_SELECT_FILE_TO_ZIP, TK_HERE);
        // The file picker itself reports a cancel, in a box with the program's name as its caption.
        HWND box = d.WaitForWindow(testkit::WindowQuery().WithText(kNoFile).OwnedBy(main), TK_HERE);
        testkit::PressOk(box);
        d.WaitFor([&] { return ReadState(d, main).zipSelected == 0; }, "the selection dropped", TK_HERE);
        fileCancelled = ReadState(d, main);

        d.ClickButton(main, IDC_ZIP, TK_HERE);
        Answer(d, main, kZipper, kNothingToZip, TK_HERE);
        testkit::PumpMessagesFor(200);
        afterRefusal = ReadState(d, main);
        testkit::PressCancel(main);
    });
    dialog.DoModal();
    driver.Finish();

    EXPECT_EQ(1, unzipPicked.unzipSelected);
    EXPECT_EQ(kFileSelected, filePicked.status);
    EXPECT_TRUE(Green(filePicked));
    EXPECT_EQ(file, filePicked.selectedPath);
    EXPECT_EQ(1, filePicked.zipSelected);
    EXPECT_EQ(0, filePicked.unzipSelected) << "a zip pick replaces the archive selected for unzipping";

    EXPECT_EQ(kFolderSelected, folderPicked.status);
    EXPECT_TRUE(Green(folderPicked));
    EXPECT_EQ(folder, folderPicked.selectedPath);
    EXPECT_EQ(1, folderPicked.zipSelected);
    EXPECT_EQ(L"Select a folder and click on the OK button below", folderChoice.Title());
    EXPECT_EQ(0u, folderChoice.Flags());
    EXPECT_EQ(nullptr, folderChoice.Owner()) << "the browser is not owned by the main window";

    for (const WindowState& state : {folderCancelled, fileCancelled, afterRefusal}) {
        EXPECT_TRUE(Red(state));
        EXPECT_EQ(0, state.zipSelected);
        EXPECT_EQ(0, state.unzipSelected);
        EXPECT_EQ(L"", state.selectedPath);
        EXPECT_EQ(0, state.jobRunning);
    }
    EXPECT_TRUE(recorder.Messages().empty()) << "Zip with nothing selected starts no job";
    EXPECT_EQ(0, afterRefusal.barPos);
}

TEST(ZipButtons, EveryButtonIsRefusedWhileAJobRuns) {
    TestTree tree(L"buttons-busy");
    const std::wstring folder = tree.AddFolder(L"F");
    tree.AddFile(L"F\\a.txt");
    FolderChoice folderChoice(folder);
    unziptest::PickerStub fileChoice(tree.Path(L"F\\a.txt"));
    WindowState whileBusy;
    int foldersAskedWhileBusy = -1;
    size_t filesAskedWhileBusy = 99;

    CTAVODlg dialog;
    testkit::Driver driver([&](testkit::Driver& d) {
        HWND main = d.WaitForWindow(testkit::WindowQuery::Dialog(unziptest::kMainCaption), TK_HERE);
        ClickAndWait(d, main, IDC_SELECT_FOLDER_TO_ZIP, kFolderSelected, TK_HERE);
        d.OnUiThread([] { g_jobRunning = 1; }, TK_HERE);   // as while a job works
        for (int button : {IDC_SELECT_FILE_TO_ZIP, IDC_SELECT_FOLDER_TO_ZIP, IDC_ZIP}) {
            d.ClickButton(main, button, TK_HERE);
            Answer(d, main, kZipper, kBusy, TK_HERE);
        }
        foldersAskedWhileBusy = folderChoice.TimesAsked() - 1;
        filesAskedWhileBusy = fileChoice.ShownPickers().size();
        whileBusy = ReadState(d, main);
        d.OnUiThread([] { g_jobRunning = 0; }, TK_HERE);
        testkit::PressCancel(main);
    });
    dialog.DoModal();
    driver.Finish();

    EXPECT_EQ(0, foldersAskedWhileBusy) << "no picker while a job runs";
    EXPECT_EQ(0u, filesAskedWhileBusy);
    EXPECT_EQ(kFolderSelected, whileBusy.status) << "nothing changes";
    EXPECT_EQ(folder, whileBusy.selectedPath);
    EXPECT_EQ(1, whileBusy.zipSelected);
}

// Two clicks on Zip that arrive together: the first marks the job running before its worker
// starts, so the second is refused instead of starting a second worker on the same selection.
TEST(ZipButtons, ASecondZipClickRightAfterTheFirstIsRefused) {
    TestTree tree(L"buttons-twice");
    const std::wstring folder = tree.AddFolder(L"F");
    tree.AddFile(L"F\\a.txt");
    FolderChoice folderChoice(folder);
    unziptest::JobMessageRecorder recorder;

    CTAVODlg dialog;
    testkit::Driver driver([&](testkit::Driver& d) {
        HWND main = d.WaitForWindow(testkit::WindowQuery::Dialog(unziptest::kMainCaption), TK_HERE);
        ClickAndWait(d, main, IDC_SELECT_FOLDER_TO_ZIP, kFolderSelected, TK_HERE);
        const LPARAM zip = reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_ZIP));
        ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_ZIP, BN_CLICKED), zip);
        ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_ZIP, BN_CLICKED), zip);
        Answer(d, main, kZipper, kBusy, TK_HERE);
        Answer(d, main, kZipper, kZipped, TK_HERE);
        d.WaitFor([&] { return IsIdleWithNothingSelected(ReadState(d, main)); }, "the window idle", TK_HERE);
        testkit::PumpMessagesFor(300);
        if (HWND extra = testkit::FindWindowNow(testkit::WindowQuery::Dialog(kZipper)))
            d.Fail("a second job reported: " + testkit::Narrow(testkit::MessageBoxText(extra)), TK_HERE);
        testkit::PressCancel(main);
    });
    dialog.DoModal();
    driver.Finish();

    EXPECT_EQ("", unziptest::CheckSequence(recorder.Messages(), FolderJobTable(1))) << "one job only";
    EXPECT_TRUE(Exists(tree.Path(L"F.zip")));
}
