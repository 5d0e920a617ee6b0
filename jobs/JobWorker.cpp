#include "jobs/JobWorker.h"

#include "framework/CFileFind.h"
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"
#include "jobs/JobStop.h"

namespace {
constexpr LONGLONG kBytesPerMillisecond = 5500;
constexpr LONGLONG kPseudoStepsSpread = 90;

void FailJob(const CString& text, const wchar_t* caption) {
    g_jobFailed = 1;
    g_exitStatus = exitJobFailed;
    PostJobMessage(WM_JOB_DONE);
    ShowJobMessage(text, caption);
    if (g_commandLineMode.load() != 0) ::ExitProcess(exitJobFailed);
}
}

void PostJobMessage(UINT message) { ::PostMessageW(g_jobWindow.load(), message, 0, 0); }

LONGLONG FileSizeOf(const CString& path) {
    HANDLE file =
        ::CreateFileW(ExtendedLengthPath(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size = {};
    const BOOL known = ::GetFileSizeEx(file, &size);
    ::CloseHandle(file);
    return known ? size.QuadPart : 0;
}

LONGLONG PseudoProgressDelay(LONGLONG bytes) { return bytes / kBytesPerMillisecond / kPseudoStepsSpread + 1; }

UINT RunJobWorker(const JobWorkerSteps& steps) {
    WorkerEndMark endMark;
    g_jobFailed = 0;
    CString text = steps.failureText(nullptr);
    try {
        if (!steps.selected()) {
            g_exitStatus = exitInputRefused;
            g_jobRunning = 0;
            ShowJobMessage(steps.refusal, steps.caption);
            return 0;
        }
        g_jobRunning = 1;
        steps.run();
        return 0;
    } catch (CException* e) {
        text = steps.failureText(e);
        e->Delete();
    } catch (...) {
        // out of memory and the like: the same report, and the window is never left busy
    }
    if (g_stopRequested.load() == 0) FailJob(text, steps.caption);
    return 0;
}
