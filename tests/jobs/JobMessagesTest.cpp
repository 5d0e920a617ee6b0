// The job messages on a real progress bar, the pseudo-progress thread and the workers' message box.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "Testkit.h"
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"

namespace {

// A real progress bar in a window of this thread, with the job state reset around each test.
class JobMessages : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        m_barWindow = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, m_barWindow);
        m_bar.Attach(m_barWindow);
        g_jobRunning = 0;
        g_zipSelected = 0;
        g_zipSourceIsFolder = 0;
        g_progressPos = 0;
    }
    void TearDown() override {
        m_bar.Detach();
        if (m_barWindow) ::DestroyWindow(m_barWindow);
        g_jobRunning = 0;
    }
    int High() const { return static_cast<int>(::SendMessageW(m_barWindow, PBM_GETRANGE, FALSE, 0)); }
    int Pos() const { return static_cast<int>(::SendMessageW(m_barWindow, PBM_GETPOS, 0, 0)); }

    HWND m_barWindow = nullptr;
    CProgressCtrl m_bar;
};

TEST_F(JobMessages, AStepWithoutARunningJobChangesNothing) {
    m_bar.SetPos(7);
    g_progressPos = 7;
    StepJobProgress(m_bar);
    EXPECT_EQ(7, Pos());
    EXPECT_EQ(7, g_progressPos.load());
}

TEST_F(JobMessages, StepsStopAt100UnlessAFolderIsBeingPacked) {
    g_jobRunning = 1;
    StartJobProgress(m_bar);
    EXPECT_EQ(100, High());
    for (int i = 0; i < 120; ++i) StepJobProgress(m_bar);
    EXPECT_EQ(100, g_progressPos.load());
    EXPECT_EQ(100, Pos());

    g_zipSelected = 1;
    g_zipSourceIsFolder = 1;
    g_entryCount = 150;
    g_progressPos = 0;   // as the Zip button leaves it before it starts a worker
    StartJobProgress(m_bar);
    EXPECT_EQ(0, Pos());
    EXPECT_EQ(150, High());
    for (int i = 0; i < 120; ++i) StepJobProgress(m_bar);
    EXPECT_EQ(120, g_progressPos.load()) << "a folder counts one step per file, past 100";
    EXPECT_EQ(120, Pos());
}

TEST_F(JobMessages, AFolderOfMoreThan65535FilesGetsItsWholeRange) {
    g_zipSelected = 1;
    g_zipSourceIsFolder = 1;
    g_entryCount = 70001;
    StartJobProgress(m_bar);
    EXPECT_EQ(70001, High()) << "the range is not cut to 16 bits";
    g_jobRunning = 1;
    g_progressPos = 69999;
    StepJobProgress(m_bar);
    EXPECT_EQ(70000, Pos());
}

TEST_F(JobMessages, AJobThatEndedBeforeItsStartWasTakenStillEndsFull) {
    g_jobRunning = 1;
    g_progressPos = 100;   // the worker was done before the window took WM_JOB_START
    StartJobProgress(m_bar);
    EXPECT_EQ(0, Pos());
    StepJobProgress(m_bar);   // the worker's last step
    StepJobProgress(m_bar);   // the pseudo-progress thread's first
    EXPECT_EQ(100, Pos());
}

TEST_F(JobMessages, TheWorkersFinal100IsNeverOverwrittenBySmallerSteps) {
    g_jobRunning = 1;
    StartJobProgress(m_bar);
    for (int i = 0; i < 40; ++i) StepJobProgress(m_bar);
    g_progressPos = 100;   // the worker, just before its last step
    StepJobProgress(m_bar);
    StepJobProgress(m_bar);   // a late pseudo-progress step
    EXPECT_EQ(100, Pos());
}

// A window that hands its timers to the job's bar drawing, as the job windows do.
CProgressCtrl* g_timerBar = nullptr;
LRESULT CALLBACK BarParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && g_timerBar && DrawDueJobProgress(*g_timerBar, wParam)) return 0;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(JobBar, AFoldersStepsAreAllCountedTheFirstAndLastDrawnAtOnceTheRestWithinTheDrawingInterval) {
    WNDCLASSW type = {};
    type.lpfnWndProc = BarParentProc;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.lpszClassName = L"JobBarTestParent";
    ::RegisterClassW(&type);
    HWND parent = ::CreateWindowExW(0, type.lpszClassName, L"", WS_POPUP, 0, 0, 300, 40, nullptr, nullptr,
                                    type.hInstance, nullptr);
    HWND barWindow = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, parent, nullptr,
                                       type.hInstance, nullptr);
    ASSERT_NE(nullptr, barWindow);
    CProgressCtrl bar;
    bar.Attach(barWindow);
    g_timerBar = &bar;
    auto pos = [&] { return static_cast<int>(::SendMessageW(barWindow, PBM_GETPOS, 0, 0)); };
    g_zipSelected = 1;
    g_zipSourceIsFolder = 1;
    g_entryCount = 2001;
    g_progressPos = 0;
    g_jobRunning = 1;
    StartJobProgress(bar);

    TakeJobStep(bar);
    EXPECT_EQ(1, pos()) << "the first step is drawn at once";
    for (int i = 0; i < 1000; ++i) TakeJobStep(bar);
    EXPECT_EQ(1001, g_progressPos.load());
    EXPECT_TRUE(testkit::WaitUntil([&] { return pos() == 1001; }, 5000)) << "the bar stands at " << pos();
    for (int i = 0; i < 1000; ++i) TakeJobStep(bar);
    EXPECT_EQ(2001, pos()) << "the last step is drawn at once";

    g_jobRunning = 0;
    testkit::PumpMessagesFor(2 * kJobBarDrawInterval);   // a timer still due finds no job
    g_timerBar = nullptr;
    bar.Detach();
    ::DestroyWindow(parent);
    g_zipSelected = 0;
    g_zipSourceIsFolder = 0;
}

// A message-only window of this thread that collects what the pseudo-progress thread posts.
struct StepCounter {
    StepCounter() {
        window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~StepCounter() { ::DestroyWindow(window); }
    int TakeSteps() {
        int steps = 0;
        MSG msg;
        while (::PeekMessageW(&msg, window, WM_JOB_STEP, WM_JOB_STEP, PM_REMOVE)) ++steps;
        return steps;
    }
    HWND window;
};

// Runs the pseudo-progress thread of the job that is current when it is started.
DWORD WINAPI RunPseudoProgress(LPVOID job) { return PseudoProgressProc(job); }

bool RunPseudoProgressToItsEnd(bool nextJobStarts = false) {
    const UINT_PTR job = g_jobNumber.load();
    HANDLE thread = ::CreateThread(nullptr, 0, &RunPseudoProgress, reinterpret_cast<LPVOID>(job), 0, nullptr);
    if (nextJobStarts) ++g_jobNumber;
    const bool ended = ::WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0;
    if (!ended) ::TerminateThread(thread, 1);
    ::CloseHandle(thread);
    return ended;
}

TEST_F(JobMessages, PseudoProgressPostsOnceAfterTheJobHasEndedAnd95TimesAtMostAndNeverForTheNextJob) {
    StepCounter counter;
    g_jobWindow = counter.window;
    g_progressDelay = 1;

    g_jobRunning = 0;
    ASSERT_TRUE(RunPseudoProgressToItsEnd());
    EXPECT_EQ(1, counter.TakeSteps()) << "it posts before it looks at the job";

    g_jobRunning = 1;
    ASSERT_TRUE(RunPseudoProgressToItsEnd());
    EXPECT_EQ(95, counter.TakeSteps());

    // Its job ended and the next one started before its first step: that job's bar is not its own.
    g_progressDelay = 200;
    ASSERT_TRUE(RunPseudoProgressToItsEnd(true));
    EXPECT_EQ(0, counter.TakeSteps());
}

DWORD WINAPI ShowTestMessage(LPVOID) {
    ShowJobMessage(L"Unzipping completed successfully.", L"Unzipper");
    return 0;
}

TEST_F(JobMessages, AWorkersMessageIsOwnedByTheJobWindowWithOnlyOk) {
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"Tavoline 1.0", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                   nullptr, nullptr, nullptr);
    g_jobWindow = owner;
    HANDLE worker = ::CreateThread(nullptr, 0, &ShowTestMessage, nullptr, 0, nullptr);
    HWND box = testkit::WaitForWindow(testkit::WindowQuery::Dialog(L"Unzipper").OwnedBy(owner));
    ASSERT_NE(nullptr, box) << testkit::DescribeWindowsOf(::GetCurrentProcessId());
    EXPECT_EQ(L"Unzipping completed successfully.", testkit::MessageBoxText(box));
    std::vector<int> buttons;
    for (HWND child : testkit::ChildWindows(box))
        if (testkit::ClassName(child) == L"Button" && ::IsWindowVisible(child))
            buttons.push_back(::GetDlgCtrlID(child));
    EXPECT_EQ(std::vector<int>{IDOK}, buttons);
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(worker, 100)) << "the worker waits for the user";
    testkit::PressOk(box);
    EXPECT_TRUE(testkit::WaitForHandle(worker, 5000));
    ::CloseHandle(worker);
    ::DestroyWindow(owner);
}

}   // namespace
