#include "jobs/JobMessages.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>

#include "jobs/JobState.h"

namespace {
constexpr int kPseudoSteps = 95;

bool PackingFolder() { return g_zipSelected.load() != 0 && g_zipSourceIsFolder.load() != 0; }

// The last drawing of the bar, and whether steps counted since wait for the timer (UI thread only).
ULONGLONG g_barDrawnAt = 0;
bool g_barDrawDue = false;

// Counts one step and returns the new position.
int AdvanceJobProgress() {
    // A worker may write 100 into the position from its own thread at any moment: a
    // compare-and-swap never overwrites that with a smaller value computed just before.
    int pos = g_progressPos.load();
    int next = pos;
    do {
        next = (pos < 100 || PackingFolder()) ? pos + 1 : pos;
    } while (!g_progressPos.compare_exchange_weak(pos, next));
    return next;
}

void DrawJobProgress(CProgressCtrl& bar, int pos) {
    bar.SetPos(pos);
    g_barDrawnAt = ::GetTickCount64();
}
}

void StepJobProgress(CProgressCtrl& bar) {
    if (g_jobRunning.load() == 0) return;
    DrawJobProgress(bar, AdvanceJobProgress());
}

void TakeJobStep(CProgressCtrl& bar) {
    if (g_jobRunning.load() == 0) return;
    const int pos = AdvanceJobProgress();
    const bool last = pos >= static_cast<int>(std::min<uint32_t>(g_entryCount.load(), INT_MAX));
    if (!PackingFolder() || last || ::GetTickCount64() - g_barDrawnAt >= kJobBarDrawInterval) {
        DrawJobProgress(bar, pos);
        return;
    }
    HWND window = ::GetParent(bar);
    if (!g_barDrawDue && window) g_barDrawDue = ::SetTimer(window, kJobBarTimer, kJobBarDrawInterval, nullptr) != 0;
    // Without a timer the bar is drawn at every step.
    if (!g_barDrawDue) DrawJobProgress(bar, pos);
}

bool DrawDueJobProgress(CProgressCtrl& bar, UINT_PTR timer) {
    if (timer != kJobBarTimer) return false;
    ::KillTimer(::GetParent(bar), kJobBarTimer);
    g_barDrawDue = false;
    // A job that ended meanwhile has reset the bar already.
    if (g_jobRunning.load() != 0) DrawJobProgress(bar, g_progressPos.load());
    return true;
}

void StartJobProgress(CProgressCtrl& bar) {
    // A small archive may be done, and its worker's final 100 written, before the window takes
    // this message: nothing before the start can have moved the position, so 100 is that mark
    // and stays for the worker's last step to show.
    int pos = g_progressPos.load();
    while (pos != 100 && !g_progressPos.compare_exchange_weak(pos, 0)) {
    }
    int upper = 100;
    if (PackingFolder()) {
        const uint32_t steps = g_entryCount.load();
        upper = steps > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(steps);
    }
    bar.SendMessage(PBM_SETRANGE32, 0, upper);
    bar.SetPos(0);
    g_barDrawnAt = 0;   // the job's first step is drawn at once
}

UINT PseudoProgressProc(LPVOID jobNumber) {
    const unsigned job = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(jobNumber));
    for (int step = 0; step < kPseudoSteps; ++step) {
        ::Sleep(static_cast<DWORD>(g_progressDelay.load()));
        // Once its job has ended, a step would move the bar of the next job.
        if (g_jobNumber.load() != job) break;
        ::PostMessageW(g_jobWindow.load(), WM_JOB_STEP, 0, 0);
        if (g_jobRunning.load() == 0) break;
    }
    return 0;
}

void StartPseudoProgress() {
    const UINT_PTR job = g_jobNumber.load();
    AfxBeginThread(PseudoProgressProc, reinterpret_cast<LPVOID>(job), THREAD_PRIORITY_HIGHEST, 0, 0, nullptr);
}

void ShowJobMessage(const wchar_t* text, const wchar_t* caption) {
    ::MessageBoxW(g_jobWindow.load(), text, caption, MB_OK);
}

BOOL StartJobWorker(AFX_THREADPROC worker) {
    g_jobRunning = 1;
    ++g_jobNumber;       // the pseudo-progress thread of an earlier job steps no more
    ++g_workersActive;   // taken back by the worker's WorkerEndMark
    if (AfxBeginThread(worker, g_jobWindow.load(), THREAD_PRIORITY_HIGHEST, 0, 0, nullptr)) return TRUE;
    --g_workersActive;
    g_jobRunning = 0;
    return FALSE;
}
