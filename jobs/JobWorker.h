// What the zip and unzip workers share: the guarded top frame of their thread, the failure report,
// the message they post, the file-size helper and the pace of the pseudo-progress.
#pragma once

#include <windows.h>

#include "base/CString.h"
#include "base/Exception.h"

// The buffer both jobs hand the library.
constexpr unsigned long kJobBufferSize = 65536;

// Posts a job message (WM_JOB_START, WM_JOB_STEP, WM_JOB_DONE) to g_jobWindow.
void PostJobMessage(UINT message);

// The size of a file in bytes, any path length; 0 when it cannot be opened (the job then fails when
// it reads the file).
LONGLONG FileSizeOf(const CString& path);

// The g_progressDelay for a job that works through `bytes` in one piece: its 95 pseudo-progress steps
// should roughly cover the time it takes.
LONGLONG PseudoProgressDelay(LONGLONG bytes);

struct JobWorkerSteps {
    const wchar_t* caption;   // of every box the worker shows
    bool (*selected)();       // false: the job is refused, with the box `refusal`
    const wchar_t* refusal;
    void (*run)();   // the job; throws CException* when it fails
    // The failure box's text for a failure the job threw, or (nullptr) for one of no known kind.
    CString (*failureText)(const CException* failure);
};

// A worker thread's whole body. Refuses the job when nothing is selected (the starter marked it
// running; the mark is taken back, and no WM_JOB_DONE follows). Otherwise marks the job running and
// runs it; a failure, unless the window is closing (then the library has removed its files and there
// is nothing to say), sets the failed status, posts WM_JOB_DONE so that the window resets while the
// error is on screen, shows the box, and in command-line mode ends the process from this thread
// (static objects are left alone while other threads may still run).
UINT RunJobWorker(const JobWorkerSteps& steps);
