#include "jobs/JobStop.h"

#include "jobs/JobState.h"
#include "ziparchive/CZipArchive.h"

namespace {
// The library looks at the stop word after every buffer (64 KiB), so a worker returns within a
// fraction of a second; the bound only matters for a worker stuck in a system call.
constexpr DWORD kStopWait = 1500;
constexpr DWORD kPollInterval = 5;
}

void ThrowIfStopRequested() {
    if (g_stopRequested.load() != 0) throw new CZipException(CZipException::stopped, 0, L"The job was stopped", L"");
}

WorkerEndMark::~WorkerEndMark() { --g_workersActive; }

bool StopJobAndWait(DWORD timeoutMs) {
    g_stopRequested = 1;
    const DWORD start = ::GetTickCount();
    while (g_workersActive.load() > 0) {
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(kPollInterval);
    }
    return true;
}

void EndProcessAfterJob(int status) {
    // ExitProcess ends the other threads and tells the DLLs, but runs none of this module's static
    // destructors. A worker still inside the library after the wait might hold a lock a DLL needs
    // on its way out: then the process is ended outright.
    if (StopJobAndWait(kStopWait)) ::ExitProcess(static_cast<UINT>(status));
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(status));
    ::ExitProcess(static_cast<UINT>(status));
}
