// ShellLog: what the shell was asked to open. The test prefix routes folders and web addresses
// to the recorder shellrec.exe, which appends its command line to the file named by SHELLREC_LOG.
// A ShellLog gives each test its own fresh log and sets SHELLREC_LOG in this process (children
// inherit it, also through ShellExecuteW); the previous value comes back at its end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Windows.h"

namespace testkit {

class ShellLog {
public:
    ShellLog();
    ShellLog(const ShellLog&) = delete;
    ShellLog& operator=(const ShellLog&) = delete;
    ~ShellLog();

    const std::wstring& Path() const { return m_path; }
    // One entry per recorded call: the recorder's whole command line.
    std::vector<std::wstring> Lines() const;
    // Waits until at least count calls are recorded (the recorder starts a little after the call).
    std::vector<std::wstring> WaitForLines(size_t count, DWORD timeoutMs = kDefaultWaitMs) const;

private:
    std::wstring m_path;
    std::wstring m_previous;
    bool m_hadPrevious = false;
};

// A recorder's line for an opened target: "C:\shellrec.exe" "<target>".
std::wstring RecordedOpen(const std::wstring& target);

}   // namespace testkit
