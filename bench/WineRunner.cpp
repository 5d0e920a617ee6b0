// Runs Tavoline.exe in command-line mode on one archive, the way the shell starts it for an opened
// .zip file, answers its final message box and prints the seconds from start to that box (start-up,
// update check, test and extraction of every entry). Built and run under Wine by bench/wine.sh.
//   WineRunner.exe TAVOLINE_EXE ARCHIVE
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
  DWORD pid;
  HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t className[32] = {}, caption[64] = {};
  GetClassNameW(window, className, 32);
  GetWindowTextW(window, caption, 64);
  if (pid == search->pid && std::wcscmp(className, L"#32770") == 0 && std::wcscmp(caption, L"Unzipper") == 0) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: WineRunner TAVOLINE_EXE ARCHIVE\n");
    return 2;
  }
  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\" \"" + argv[2] + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER started, boxShown;
  QueryPerformanceCounter(&started);
  if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fwprintf(stderr, L"cannot start %ls (%lu)\n", argv[1], GetLastError());
    return 2;
  }
  Search search{process.dwProcessId, nullptr};
  const ULONGLONG deadline = GetTickCount64() + 900000;
  while (!search.box && GetTickCount64() < deadline) {
    if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) break;
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
  }
  QueryPerformanceCounter(&boxShown);
  int status = 1;
  if (search.box) {
    wchar_t text[512] = {};
    GetDlgItemTextW(search.box, 0xFFFF, text, 512);
    std::wprintf(L"%.2f s to \"%ls\"\n", Seconds(started, boxShown), text);
    PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    status = 0;
  } else {
    std::fwprintf(stderr, L"no message box within the time limit\n");
  }
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 3);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}
