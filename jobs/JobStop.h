// How a job ends early: the window that closes asks the worker to stop, the worker leaves the
// archive library at its next buffer (which removes every file it was writing), and the process
// ends without destroying its static objects under threads that may still use them.
#pragma once

#include <windows.h>

// Thrown by a worker (as CException*) between files or entries once a stop has been asked for.
void ThrowIfStopRequested();

// Marks the end of a worker started by StartJobWorker: one at the top of each worker procedure.
class WorkerEndMark {
public:
    WorkerEndMark() = default;
    WorkerEndMark(const WorkerEndMark&) = delete;
    WorkerEndMark& operator=(const WorkerEndMark&) = delete;
    ~WorkerEndMark();
};

// Asks the running worker, if any, to stop and waits at most timeoutMs for it to return.
// True when no worker is left running.
bool StopJobAndWait(DWORD timeoutMs);

// Stops the job (bounded wait) and ends the process with status. Static destructors are not run:
// a worker that did not return in time, the pseudo-progress thread or a library worker thread
// may still be using the objects they would destroy.
[[noreturn]] void EndProcessAfterJob(int status);
