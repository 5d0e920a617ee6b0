// The unzip job's worker thread: tests and unpacks the archive in g_selectedPath into a folder
// beside it, reports to g_jobWindow and opens the folder in the shell.
#pragma once

#include <windows.h>

#include "base/CString.h"

// Started by "Unzip" and by the progress dialog (StartJobWorker); the parameter is not used.
UINT UnzipThreadProc(LPVOID);

// The archive's size in bytes; 0 when it cannot be opened for reading.
LONGLONG ArchiveSize(const CString& path);
// True when path names an existing file (a folder does not count).
bool IsExistingFile(const CString& path);
