#include "AfxBeginThread.h"

#include <process.h>

#include <new>

#include "base/Exception.h"

namespace {
struct ThreadStart {
    AFX_THREADPROC proc;
    LPVOID param;
};

unsigned __stdcall ThreadEntry(void* argument) {
    const ThreadStart start = *static_cast<ThreadStart*>(argument);
    delete static_cast<ThreadStart*>(argument);
    // A thread procedure is expected to catch its own failures; one that escapes ends only
    // this thread (exit code 0xFFFFFFFF), never the process through std::terminate.
    try {
        return start.proc(start.param);
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return 0xFFFFFFFFu;
}
}

BOOL AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD createFlags,
                    LPSECURITY_ATTRIBUTES security) {
    if (!proc || createFlags != 0) return FALSE;
    ThreadStart* start = new (std::nothrow) ThreadStart{proc, param};
    if (!start) return FALSE;
    // Started suspended so that the priority is in force before the first instruction runs.
    const uintptr_t handle = _beginthreadex(security, stackSize, &ThreadEntry, start, CREATE_SUSPENDED, nullptr);
    if (!handle) {
        delete start;
        return FALSE;
    }
    HANDLE thread = reinterpret_cast<HANDLE>(handle);
    ::SetThreadPriority(thread, priority);
    ::ResumeThread(thread);
    ::CloseHandle(thread);
    return TRUE;
}
