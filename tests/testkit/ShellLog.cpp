#include "ShellLog.h"

#include <fstream>
#include <sstream>

#include "TempFolder.h"
#include "Text.h"
#include "Wait.h"

namespace testkit {

ShellLog::ShellLog() {
    static int counter = 0;
    m_path =
        TempPath(L"shellrec-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".log");
    ::DeleteFileW(m_path.c_str());
    wchar_t previous[32768];
    const DWORD length = ::GetEnvironmentVariableW(L"SHELLREC_LOG", previous, 32768);
    m_hadPrevious = length > 0 && length < 32768;
    if (m_hadPrevious) m_previous.assign(previous, length);
    ::SetEnvironmentVariableW(L"SHELLREC_LOG", m_path.c_str());
}

ShellLog::~ShellLog() {
    ::SetEnvironmentVariableW(L"SHELLREC_LOG", m_hadPrevious ? m_previous.c_str() : nullptr);
    ::DeleteFileW(m_path.c_str());
}

std::vector<std::wstring> ShellLog::Lines() const {
    std::ifstream file(Narrow(m_path), std::ios::binary);
    std::vector<std::wstring> lines;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(Widen(line));
    }
    return lines;
}

std::vector<std::wstring> ShellLog::WaitForLines(size_t count, DWORD timeoutMs) const {
    std::vector<std::wstring> lines;
    WaitUntil([&] { return (lines = Lines()).size() >= count; }, timeoutMs);
    return lines;
}

std::wstring RecordedOpen(const std::wstring& target) { return L"\"C:\\shellrec.exe\" \"" + target + L"\""; }

}   // namespace testkit
