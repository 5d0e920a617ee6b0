#include "ChildProcess.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <map>

#include "Text.h"
#include "Wait.h"

namespace testkit {

namespace {
// An environment block: ours with the options' variables added or replaced (names compare without case).
std::wstring EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& extra) {
    struct NoCase {
        bool operator()(const std::wstring& a, const std::wstring& b) const {
            return _wcsicmp(a.c_str(), b.c_str()) < 0;
        }
    };
    std::map<std::wstring, std::wstring, NoCase> variables;
    std::vector<std::wstring> hidden;   // "=C:=C:\..." entries keep their place in front
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        const size_t equals = text.find(L'=', 1);
        if (text[0] == L'=' || equals == std::wstring::npos) hidden.push_back(text);
        else variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    ::FreeEnvironmentStringsW(block);
    for (const auto& variable : extra) variables[variable.first] = variable.second;
    std::wstring out;
    for (const std::wstring& entry : hidden) out += entry + L'\0';
    for (const auto& variable : variables) out += variable.first + L'=' + variable.second + L'\0';
    return out + L'\0';
}

bool ReadRemote(HANDLE process, const void* address, void* buffer, size_t size) {
    SIZE_T read = 0;
    return ::ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}
}   // namespace

std::wstring CommandLineFor(const LaunchOptions& options) {
    std::wstring line = L"\"" + options.exe + L"\"";
    if (!options.arguments.empty()) line += L" " + options.arguments;
    return line;
}

ChildProcess::ChildProcess(const LaunchOptions& options, Where where) {
    std::wstring commandLine = CommandLineFor(options);
    std::wstring environment = EnvironmentBlock(options.environment);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(options.exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          &environment[0], options.workingFolder.empty() ? nullptr : options.workingFolder.c_str(),
                          &startup, &info)) {
        ADD_FAILURE_AT(where.file, where.line)
            << "could not start " << Narrow(commandLine) << ": error " << ::GetLastError();
        return;
    }
    ::CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_pid = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (!m_process) return;
    if (Running()) Kill();
    ::CloseHandle(m_process);
}

bool ChildProcess::Running() const { return m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

long ChildProcess::WaitForExit(Where where, DWORD timeoutMs) {
    if (!m_process) return -1;
    if (!WaitForHandle(m_process, timeoutMs)) {
        ADD_FAILURE_AT(where.file, where.line)
            << "expected process " << m_pid << " to end within " << timeoutMs << " ms; it still shows:\n"
            << DescribeWindowsOf(m_pid);
        Kill();
        return -1;
    }
    DWORD status = 0;
    ::GetExitCodeProcess(m_process, &status);
    return static_cast<long>(status);
}

void ChildProcess::Kill() {
    if (!Running()) return;
    CloseWindowsOf(m_pid);
    if (WaitForHandle(m_process, 2000)) return;
    ::TerminateProcess(m_process, 0xDEAD);
    ::WaitForSingleObject(m_process, 5000);
}

std::wstring ChildProcess::CurrentDirectory() const {
    // PEB -> RTL_USER_PROCESS_PARAMETERS -> CurrentDirectory.DosPath, at the offsets of this build.
#ifdef _WIN64
    const size_t kParametersInPeb = 0x20, kCurrentDirectoryInParameters = 0x38;
#else
    const size_t kParametersInPeb = 0x10, kCurrentDirectoryInParameters = 0x24;
#endif
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    if (!m_process || NtQueryInformationProcess(m_process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return std::wstring();
    const char* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
    const char* parameters = nullptr;
    UNICODE_STRING path = {};
    if (!ReadRemote(m_process, peb + kParametersInPeb, &parameters, sizeof parameters) ||
        !ReadRemote(m_process, parameters + kCurrentDirectoryInParameters, &path, sizeof path))
        return std::wstring();
    std::wstring text(path.Length / sizeof(wchar_t), L'\0');
    if (!text.empty() && !ReadRemote(m_process, path.Buffer, &text[0], path.Length)) return std::wstring();
    return text;
}

}   // namespace testkit
