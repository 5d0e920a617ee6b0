#include "jobs/JobState.h"

std::atomic<int> g_jobRunning{0};
std::atomic<uint32_t> g_entryCount{0};
std::atomic<int> g_zipSourceIsFolder{0};
std::atomic<int> g_unzipSelected{0};
std::atomic<int> g_zipSelected{0};
std::atomic<HWND> g_jobWindow{nullptr};
std::atomic<int64_t> g_progressDelay{0};
std::atomic<int> g_jobFailed{0};
std::atomic<int> g_commandLineMode{0};
std::atomic<int> g_progressPos{0};
std::atomic<int> g_exitStatus{exitNotFinished};
std::atomic<int> g_stopRequested{0};
std::atomic<int> g_workersActive{0};
std::atomic<unsigned> g_jobNumber{0};

std::vector<CString> g_folderFiles;
CString g_selectedPath;
