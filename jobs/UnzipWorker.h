// The unzip job's worker thread: tests and unpacks the archive in g_selectedPath into a folder
// beside it, reports to g_jobWindow and opens the folder in the shell.
#pragma once

#include <windows.h>

#include "base/CString.h"

// Started by "Unzip" and by the progress dialog (StartJobWorker); the parameter is not used.
UINT UnzipThreadProc(LPVOID);

// True when path names an existing file (a folder does not count).
bool IsExistingFile(const CString& path);
