// The folder walk of a folder zip job: lists every file below a folder, at any depth.
#pragma once

#include "base/CString.h"

// Appends the full path of every file below folder to g_folderFiles: the path of the folder that
// holds the file, one "\" and the file's name. Depth-first in the order the file system lists each
// folder's entries, so a subfolder's files stand where the subfolder was met. Folders themselves are
// not listed. Links and junctions to folders are not followed, so no folder is walked twice and the
// walk always ends. The current directory is neither used nor changed.
// Throws CFileException when a folder cannot be read to its end: a partial list is never returned.
void CollectFolderFiles(const CString& folder);
