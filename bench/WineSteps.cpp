// What each piece of the program's own work on many small files costs under Wine, each timed alone
// with the calls the program makes (bench/README.md, "Where the time goes"):
//   walk       one FindFirstFileExW (basic information, large fetch) enumeration per folder
//   read       per file: open, one read, close, alone and with what the library asks of the file
//              besides its data: GetFileInformationByHandle (as before), or the basic and standard
//              information and the file index (as now); with READ, also other ways of asking
//   progress   per file: one WM_JOB_STEP posted from a worker to a window whose thread sets a real
//              progress bar, as the job windows did (every step), and as they do now (drawn at most
//              every 50 ms); the worker's side and the time until the window has taken them all
//   write      the archive: one temporary file written in 256 KiB pieces, then renamed into place
//   unpack     per file: create under a temporary name, one write, the time set, then closed and
//              renamed by name (as before) or renamed through the open handle and closed (as now)
//   WineSteps.exe FOLDER SCRATCH_FOLDER [READ]   (FOLDER: the files to read, two levels deep at most;
//                                                READ: only the ways of reading, side by side)
#include <windows.h>
#include <commctrl.h>
#include <winternl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct File {
  std::wstring path;
  DWORD size;
};

void Walk(const std::wstring& folder, std::vector<File>& files) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileExW((L"\\\\?\\" + folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Walk(folder + L"\\" + name, files);
    else files.push_back({folder + L"\\" + name, found.nFileSizeLow});
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

// What adding a file asks of the open file besides its data: the library needs its size, its time
// and whether it is the archive being written (the file's identity).
enum class Ask {
  nothing,
  information,        // GetFileInformationByHandle (the library before)
  basicStandardIndex, // ...ByHandleEx FileBasicInfo and FileStandardInfo, the file index (the library now)
  sizeAndTime,        // GetFileSizeEx and GetFileTime
  fileIdInfo,         // ...ByHandleEx FileIdInfo: the volume's serial number and the file's id
};

double ReadAll(const std::vector<File>& files, Ask ask) {
  std::vector<char> buffer(1 << 20);
  const double start = Now();
  for (const File& file : files) {
    HANDLE handle = CreateFileW((L"\\\\?\\" + file.path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    IO_STATUS_BLOCK io;
    FILE_INTERNAL_INFORMATION internal;
    LARGE_INTEGER size;
    FILETIME written;
    FILE_ID_INFO id;
    switch (ask) {
    case Ask::nothing: break;
    case Ask::information: GetFileInformationByHandle(handle, &info); break;
    case Ask::basicStandardIndex:
      GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard);
      GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic);
      NtQueryInformationFile(handle, &io, &internal, sizeof internal, FileInternalInformation);
      break;
    case Ask::sizeAndTime:
      GetFileSizeEx(handle, &size);
      GetFileTime(handle, nullptr, nullptr, &written);
      break;
    case Ask::fileIdInfo: GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id); break;
    }
    DWORD got = 0;
    ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
    CloseHandle(handle);
  }
  return Now() - start;
}

// The progress window: a dialog-like window with a real progress bar on a thread of its own.
constexpr UINT kStep = WM_USER + 1;
constexpr UINT_PTR kDrawTimer = 1;
HWND g_bar;
int g_steps, g_expected;
bool g_everyStep;
HANDLE g_ready, g_taken;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kStep) {
    ++g_steps;
    if (g_everyStep || g_steps == g_expected) SendMessageW(g_bar, PBM_SETPOS, g_steps, 0);
    if (g_steps == g_expected) SetEvent(g_taken);
    return 0;
  }
  if (message == WM_TIMER && wParam == kDrawTimer) {
    SendMessageW(g_bar, PBM_SETPOS, g_steps, 0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI WindowThread(LPVOID) {
  WNDCLASSW type = {};
  type.lpfnWndProc = WindowProc;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"WineStepsWindow";
  RegisterClassW(&type);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, type.lpszClassName, L"steps", WS_POPUP | WS_VISIBLE, 0, 0, 320, 60,
                                nullptr, nullptr, type.hInstance, nullptr);
  g_bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 10, 300, 20, window, nullptr,
                          type.hInstance, nullptr);
  SendMessageW(g_bar, PBM_SETRANGE32, 0, g_expected);
  if (!g_everyStep) SetTimer(window, kDrawTimer, 50, nullptr);
  SetEvent(g_ready);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
    if (WaitForSingleObject(g_taken, 0) == WAIT_OBJECT_0) break;
  }
  DestroyWindow(window);
  return 0;
}

void Progress(int steps, bool everyStep, double& posting, double& taken) {
  g_steps = 0;
  g_expected = steps;
  g_everyStep = everyStep;
  g_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WindowThread, nullptr, 0, nullptr);
  WaitForSingleObject(g_ready, 10000);
  HWND window = GetParent(g_bar);
  const double start = Now();
  for (int i = 0; i < steps; ++i) PostMessageW(window, kStep, 0, 0);
  posting = Now() - start;
  WaitForSingleObject(g_taken, 120000);
  taken = Now() - start;
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
}

double WriteArchive(const std::wstring& scratch, DWORD size) {
  std::vector<char> piece(256 * 1024, 'x');
  const std::wstring temporary = scratch + L"\\archive.tmp", final = scratch + L"\\archive.zip";
  const double start = Now();
  HANDLE handle =
      CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  for (DWORD done = 0; done < size; done += static_cast<DWORD>(piece.size())) {
    DWORD wrote = 0;
    WriteFile(handle, piece.data(), static_cast<DWORD>(piece.size()), &wrote, nullptr);
  }
  CloseHandle(handle);
  MoveFileExW(temporary.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING);
  const double seconds = Now() - start;
  DeleteFileW(final.c_str());
  return seconds;
}

// Renames an open file through its handle (the library's way now) instead of by name after closing it.
bool RenameOpen(HANDLE handle, const std::wstring& path) {
  std::wstring native = L"\\??\\" + path;
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + native.size() * sizeof(wchar_t), 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->FileNameLength = static_cast<DWORD>(native.size() * sizeof(wchar_t));
  std::copy(native.begin(), native.end(), info->FileName);
  return SetFileInformationByHandle(handle, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

void Unpack(const std::wstring& scratch, const std::vector<File>& files, bool byHandle, double& create, double& write,
            double& time, double& rename) {
  std::vector<char> data(4096, 'y');
  FILETIME stamp = {0x12345678, 0x01d00000};
  create = write = time = rename = 0;
  int n = 0;
  for (const File& file : files) {
    // As many files a folder as the small-files corpus has: Wine looks through a folder for a name
    // that differs only in case before it creates one.
    const std::wstring folder = scratch + L"\\d" + std::to_wstring(n / 200);
    if (n % 200 == 0) CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring temporary = folder + L"\\~t" + std::to_wstring(n) + L".tmp";
    const std::wstring final = folder + L"\\f" + std::to_wstring(n++);
    double t0 = Now();
    HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    double t1 = Now();
    DWORD wrote = 0;
    WriteFile(handle, data.data(), file.size < data.size() ? file.size : static_cast<DWORD>(data.size()), &wrote,
              nullptr);
    double t2 = Now();
    SetFileTime(handle, nullptr, nullptr, &stamp);
    double t3 = Now();
    if (byHandle && RenameOpen(handle, final)) {
      CloseHandle(handle);
    } else {
      CloseHandle(handle);
      MoveFileExW(temporary.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    double t4 = Now();
    create += t1 - t0;
    write += t2 - t1;
    time += t3 - t2;
    rename += t4 - t3;
  }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && !(argc == 4 && std::wstring(argv[3]) == L"READ")) {
    std::fwprintf(stderr, L"usage: WineSteps FOLDER SCRATCH_FOLDER [READ]\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  std::vector<File> files;
  double start = Now();
  Walk(argv[1], files);
  const double walk = Now() - start;
  DWORD total = 0;
  for (const File& file : files) total += file.size;
  std::printf("%zu files, %.1f MB\n", files.size(), total / 1e6);
  std::printf("walk (one enumeration per folder)          %7.3f s\n", walk);
  // READ alone: the ways to ask for the file's size, time and identity side by side.
  const bool readOnly = argc == 4;
  std::printf("per file: open, read, close                      %7.3f s\n", ReadAll(files, Ask::nothing));
  std::printf("  + GetFileInformationByHandle (before)          %7.3f s\n", ReadAll(files, Ask::information));
  std::printf("  + basic, standard information, index (now)    %7.3f s\n", ReadAll(files, Ask::basicStandardIndex));
  if (readOnly) {
    std::printf("  + GetFileSizeEx, GetFileTime                   %7.3f s\n", ReadAll(files, Ask::sizeAndTime));
    std::printf("  + GetFileInformationByHandleEx FileIdInfo      %7.3f s\n", ReadAll(files, Ask::fileIdInfo));
    return 0;
  }
  double posting, taken;
  Progress(static_cast<int>(files.size()), true, posting, taken);
  std::printf("progress, bar set at every step: posting   %7.3f s, all taken %7.3f s\n", posting, taken);
  Progress(static_cast<int>(files.size()), false, posting, taken);
  std::printf("progress, bar drawn every 50 ms: posting   %7.3f s, all taken %7.3f s\n", posting, taken);
  std::printf("archive written (%.1f MB) and renamed      %7.3f s\n", total / 2e6, WriteArchive(argv[2], total / 2));
  double create, write, time, rename;
  for (bool byHandle : {false, true}) {
    const std::wstring scratch = std::wstring(argv[2]) + (byHandle ? L"\\handle" : L"\\name");
    CreateDirectoryW(scratch.c_str(), nullptr);
    Unpack(scratch, files, byHandle, create, write, time, rename);
    std::printf("unpack per file: create %.3f s, write %.3f s, time %.3f s, %s %.3f s\n", create, write, time,
                byHandle ? "rename through the handle + close" : "close + rename by name", rename);
  }
  return 0;
}
