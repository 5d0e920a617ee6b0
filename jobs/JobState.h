// What a zip or unzip job shares between the UI thread and its worker threads.
// Every word that more than one thread touches while a job runs is an atomic.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "base/CString.h"

// Posted by the workers to g_jobWindow with wParam 0 and lParam 0.
constexpr UINT WM_JOB_STEP = WM_USER + 1;    // advance the progress bar by one step
constexpr UINT WM_JOB_DONE = WM_USER + 2;    // the job has ended, successfully or not
constexpr UINT WM_JOB_START = WM_USER + 3;   // the job has started: reset the bar and set its range

extern std::atomic<int> g_jobRunning;          // 1 while a job runs; the job buttons refuse meanwhile
extern std::atomic<uint32_t> g_entryCount;     // steps of the job (entries of the archive, files + 1)
extern std::atomic<int> g_zipSourceIsFolder;   // the zip selection is a folder
extern std::atomic<int> g_unzipSelected;       // an archive is selected for unzipping
extern std::atomic<int> g_zipSelected;         // a file or folder is selected for zipping
extern std::atomic<HWND> g_jobWindow;          // receives the job messages, owns the workers' boxes
extern std::atomic<int64_t> g_progressDelay;   // milliseconds between two pseudo-progress steps
extern std::atomic<int> g_jobFailed;           // the running job ended through its failure handler
extern std::atomic<int> g_commandLineMode;     // started with arguments: progress dialog only
extern std::atomic<int> g_progressPos;         // the position last given to the bar
extern std::atomic<int> g_stopRequested;       // the window is closing: the worker stops and cleans up
extern std::atomic<int> g_workersActive;       // job workers started and not yet returned
extern std::atomic<unsigned> g_jobNumber;      // counts the jobs started; a pseudo-progress thread serves one

// How a command-line run ends the process (README, "Command-line mode"): the worker sets the
// status as it learns the outcome; it stays exitNotFinished until then.
enum ExitStatus : int {
    exitUnpacked = 0,        // the archive was unpacked completely
    exitPacked = 0,          // (/zip) the item was packed completely
    exitJobFailed = 1,       // the job stopped on a failure (not an archive, disk full, access denied …)
    exitCorruptEntry = 2,    // an entry failed its test; the entries before it were unpacked
    exitInputRefused = 3,    // no archive path (or, with /zip, no item) was given
    exitNotFinished = 4,     // the dialog was closed before the job had ended
    exitEntriesSkipped = 5   // unpacked, but entries that cannot be read (encrypted …) were left out
};
extern std::atomic<int> g_exitStatus;

// Written by the UI thread before a worker starts and after it has ended; read by the worker.
extern CString g_selectedPath;
extern std::vector<CString> g_folderFiles;
