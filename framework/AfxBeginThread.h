// AfxBeginThread: starts a worker thread that runs proc(param) at the given priority.
// The thread handle is closed at once: callers never wait on or stop their workers.
#pragma once

#include <windows.h>

using AFX_THREADPROC = UINT (*)(LPVOID);

// TRUE when the thread was started. Only flags 0 are taken (a suspended thread could never be
// resumed without its handle); other flags start nothing and return FALSE.
BOOL AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                    DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
