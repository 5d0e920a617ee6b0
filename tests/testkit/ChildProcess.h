// ChildProcess: a program started by a test, with a bounded wait for its end. Whatever happens,
// the child does not outlive the object: on a timeout its windows are listed (for the failure
// message), asked to close, and the process is terminated.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "Where.h"
#include "Windows.h"

namespace testkit {

struct LaunchOptions {
    std::wstring exe;             // Windows path of the program
    std::wstring arguments;       // appended after the quoted program path, as typed
    std::wstring workingFolder;   // empty: the test's own current directory
    std::vector<std::pair<std::wstring, std::wstring>> environment;   // added to (or replacing in) ours
};

class ChildProcess {
public:
    // Starts the program; a failure to start is reported at `where` (Started() is then false).
    ChildProcess(const LaunchOptions& options, Where where);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool Started() const { return m_process != nullptr; }
    DWORD Pid() const { return m_pid; }
    HANDLE Handle() const { return m_process; }
    bool Running() const;

    // The exit status, or -1 after reporting a timeout at `where` (the child is then ended).
    long WaitForExit(Where where, DWORD timeoutMs = kDefaultWaitMs);
    // Ends the child now: its windows are asked to close, then it is terminated.
    void Kill();
    // The child's current directory, read from its process parameters; empty when unreadable.
    std::wstring CurrentDirectory() const;

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

// The whole command line a child gets: the quoted program path, a blank, the arguments.
std::wstring CommandLineFor(const LaunchOptions& options);

}   // namespace testkit
