#include "ZipWindowRun.h"

#include <cwchar>
#include <mutex>

#include "TestTree.h"
#include "pickers/FolderPicker.h"
#include "res/resource.h"
#include "jobs/JobState.h"
#include "ui/MainDialog.h"

namespace ziptest {

const wchar_t kZipper[] = L"Zipper";
const wchar_t kZipped[] = L"Zipping completed successfully.";
const wchar_t kZipFailed[] = L"Error: Zipping did not complete. Make sure you have enough disk space!";
const wchar_t kNothingToZip[] = L"Please select a file or a folder for zipping ";
const wchar_t kFolderSelected[] = L"One folder has been selected for zipping";
const wchar_t kFileSelected[] = L"One file has been selected for zipping";

namespace {
std::mutex g_choiceLock;
std::wstring g_answer;
int g_asked = 0;
std::wstring g_title;
UINT g_flags = 0;
HWND g_owner = nullptr;
FolderBrowserRunner g_previousRunner = nullptr;

void AnswerRunner(BROWSEINFOW& request, wchar_t* path, DWORD pathChars) {
    std::lock_guard<std::mutex> guard(g_choiceLock);
    ++g_asked;
    g_title = request.lpszTitle ? request.lpszTitle : L"";
    g_flags = request.ulFlags;
    g_owner = request.hwndOwner;
    lstrcpynW(path, g_answer.c_str(), static_cast<int>(pathChars));
}
}   // namespace

FolderChoice::FolderChoice(std::wstring path) {
    std::lock_guard<std::mutex> guard(g_choiceLock);
    g_answer = std::move(path);
    g_asked = 0;
    g_previousRunner = g_runFolderBrowser;
    g_runFolderBrowser = &AnswerRunner;
}

FolderChoice::~FolderChoice() {
    std::lock_guard<std::mutex> guard(g_choiceLock);
    g_runFolderBrowser = g_previousRunner;
}

void FolderChoice::Answer(std::wstring path) {
    std::lock_guard<std::mutex> guard(g_choiceLock);
    g_answer = std::move(path);
}

int FolderChoice::TimesAsked() const {
    std::lock_guard<std::mutex> guard(g_choiceLock);
    return g_asked;
}

std::wstring FolderChoice::Title() const {
    std::lock_guard<std::mutex> guard(g_choiceLock);
    return g_title;
}

UINT FolderChoice::Flags() const {
    std::lock_guard<std::mutex> guard(g_choiceLock);
    return g_flags;
}

HWND FolderChoice::Owner() const {
    std::lock_guard<std::mutex> guard(g_choiceLock);
    return g_owner;
}

unziptest::WindowState ReadState(testkit::Driver& d, HWND main) { return unziptest::ReadWindowState(d, main); }

bool IsIdleWithNothingSelected(const unziptest::WindowState& state) {
    return unziptest::ShowsNothingSelected(state) && state.zipSelected == 0;
}

std::vector<unziptest::Expect> FolderJobTable(size_t files) {
    std::vector<unziptest::Expect> table{{WM_JOB_START, unziptest::Times::Once}};
    for (size_t i = 0; i <= files; ++i) table.push_back({WM_JOB_STEP, unziptest::Times::Once});
    table.push_back({WM_JOB_DONE, unziptest::Times::Once});
    return table;
}

ZipRun RunZipJob(const std::wstring& selection, bool folder) {
    ZipRun run;
    testkit::ShellLog shell;
    FolderChoice folderChoice(folder ? selection : L"");
    unziptest::PickerStub fileChoice(folder ? L"" : selection);
    unziptest::JobMessageRecorder recorder;
    run.directoryBefore = CurrentDirectory();
    {
        CTAVODlg dialog;
        testkit::Driver driver([&](testkit::Driver& d) {
            HWND main = d.WaitForWindow(testkit::WindowQuery::Dialog(unziptest::kMainCaption), TK_HERE);
            d.ClickButton(main, folder ? IDC_SELECT_FOLDER_TO_ZIP : IDC_SELECT_FILE_TO_ZIP, TK_HERE);
            d.WaitFor([&] { return ReadState(d, main).zipSelected == 1; }, "a zip selection", TK_HERE);
            d.ClickButton(main, IDC_ZIP, TK_HERE);
            HWND box = d.WaitForWindow(testkit::WindowQuery::Dialog(kZipper).OwnedBy(main), TK_HERE, 60000);
            run.boxText = testkit::MessageBoxText(box);
            if (run.boxText.compare(0, std::wcslen(kZipFailed), kZipFailed) == 0) {
                // The job has posted its end before the box: the window resets while the box is up.
                d.WaitFor([&] { return IsIdleWithNothingSelected(ReadState(d, main)); },
                          "the window reset while the error is on screen", TK_HERE);
                run.boxStillShown = ::IsWindow(box) && ::IsWindowVisible(box);
            }
            run.boxMark = recorder.Mark();
            run.atBox = ReadState(d, main);
            testkit::PressOk(box);
            d.WaitForGone(box, TK_HERE);
            d.WaitFor([&] { return IsIdleWithNothingSelected(ReadState(d, main)); }, "the window idle", TK_HERE);
            testkit::PumpMessagesFor(300);   // late steps, and boxes that should not come
            if (HWND extra = testkit::FindWindowNow(testkit::WindowQuery::Dialog(kZipper)))
                d.Fail("an unexpected box: " + testkit::Narrow(testkit::MessageBoxText(extra)), TK_HERE);
            run.after = ReadState(d, main);
            d.OnUiThread([&] { run.folderFilesAfter = g_folderFiles.size(); }, TK_HERE);
            run.shell = run.boxText == kZipped ? shell.WaitForLines(1) : shell.Lines();
            testkit::PressCancel(main);
        });
        dialog.DoModal();
        driver.Finish();
    }
    run.messages = recorder.Messages();
    run.directoryAfter = CurrentDirectory();
    return run;
}

}   // namespace ziptest
