// Runs one program under Wine for the benchmarks and prints how long it took. Tavoline.exe is run as
// the shell starts it (an archive to unpack, or /zip and an item); its final message box ("Zipper" or
// "Unzipper") is answered, and the time is the seconds from start to that box (start-up, update check
// and the whole job, the archive or the last file in place). Any other program (7z.exe) is timed from
// start to its exit. Built and run under Wine by bench/wine.sh and bench/wine-vs-7z.sh.
//   WineRunner.exe [--in FOLDER] PROGRAM [ARGUMENT...]
//   WineRunner.exe --hold-desktop READY-FILE
// The second form keeps a hidden window open (until its process is killed, at most three hours) and
// writes READY-FILE once it exists. On Windows the desktop is always there; under Wine its process
// (explorer.exe /desktop) starts with the first window of a prefix and ends with the last, so without
// a window held open every run of a windowed program would pay for starting it, and 7z.exe, which
// has no window, would not.
// Prints "<seconds> s to "<box text>"" or "<seconds> s to exit status <n>"; exits 0 when the
// program succeeded (a box that is not a failure, or status 0), 1 otherwise, 2 on wrong use.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr ULONGLONG kTimeLimitMs = 900000;

// The final box of process `pid`, if it is up. Two lookups by class and caption: under Wine every
// window looked at is a request to the server, paid for on the cores the program runs on, so the
// poll does not go through all windows.
HWND FindBox(DWORD pid) {
  for (const wchar_t* caption : {L"Unzipper", L"Zipper"}) {
    for (HWND box = nullptr; (box = FindWindowExW(nullptr, box, L"#32770", caption)) != nullptr;) {
      DWORD owner = 0;
      GetWindowThreadProcessId(box, &owner);
      if (owner == pid) return box;
    }
  }
  return nullptr;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One argument as CommandLineToArgvW splits it back (quotes only where needed).
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t ch : argument) {
    if (ch == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(ch == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += ch;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

bool IsTavoline(const std::wstring& program) {
  const std::size_t slash = program.find_last_of(L"\\/");
  const std::wstring name = program.substr(slash == std::wstring::npos ? 0 : slash + 1);
  return _wcsicmp(name.c_str(), L"Tavoline.exe") == 0;
}

int HoldDesktop(const wchar_t* readyFile) {
  HWND window = CreateWindowExW(0, L"STATIC", L"desktop holder", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!window) return 2;
  HANDLE ready = CreateFileW(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 2;
  CloseHandle(ready);
  SetTimer(nullptr, 0, 3 * 3600 * 1000, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) DispatchMessageW(&message);
  return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"--hold-desktop") == 0) return HoldDesktop(argv[2]);
  int first = 1;
  const wchar_t* folder = nullptr;
  if (argc > 2 && std::wcscmp(argv[1], L"--in") == 0) {
    folder = argv[2];
    first = 3;
  }
  if (argc <= first) {
    std::fwprintf(stderr, L"usage: WineRunner [--in FOLDER] PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  const std::wstring program = argv[first];
  std::wstring commandLine = Quoted(program);
  for (int i = first + 1; i < argc; ++i) commandLine += L" " + Quoted(argv[i]);
  const bool answerBox = IsTavoline(program);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER started, ended;
  QueryPerformanceCounter(&started);
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &process)) {
    std::fwprintf(stderr, L"cannot start %ls (%lu)\n", program.c_str(), GetLastError());
    return 2;
  }
  int status = 1;
  if (answerBox) {
    HWND box = nullptr;
    const ULONGLONG deadline = GetTickCount64() + kTimeLimitMs;
    while (!box && GetTickCount64() < deadline) {
      if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) break;
      box = FindBox(process.dwProcessId);
    }
    QueryPerformanceCounter(&ended);
    if (box) {
      wchar_t text[512] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 512);
      std::wprintf(L"%.3f s to \"%ls\"\n", Seconds(started, ended), text);
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      status = std::wcsncmp(text, L"Error", 5) == 0 ? 1 : 0;
    } else {
      std::fwprintf(stderr, L"no message box within the time limit\n");
    }
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 3);
  } else {
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(kTimeLimitMs)) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 3);
      std::fwprintf(stderr, L"%ls did not end within the time limit\n", program.c_str());
    }
    QueryPerformanceCounter(&ended);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    std::wprintf(L"%.3f s to exit status %lu\n", Seconds(started, ended), exitCode);
    status = exitCode == 0 ? 0 : 1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}
