// The zip job's worker thread: packs the selected file or folder into an archive beside it named
// after it with ".zip" appended, reports to g_jobWindow and opens the folder that holds the archive.
#pragma once

#include <windows.h>

#include "base/CString.h"

// Started by "Zip" and by the progress dialog for /zip (StartJobWorker); the parameter is not used.
UINT ZipThreadProc(LPVOID);

// The path names an existing folder (the zip job then packs its files rather than itself).
bool IsExistingFolder(const CString& path);

// The name under which a file below folder is stored: its path below the folder ("2019\a.jpg").
CString EntryNameBelow(const CString& folder, const CString& filePath);
// The folder the shell is asked to show after packing: the one that holds the archive, with its
// separator kept for a drive root ("C:\"); empty when the path holds no folder.
CString FolderHoldingArchive(const CString& archivePath);
