// The program's own folder, which start-up and "MORE" make the current directory.
#pragma once

#include "base/CString.h"

// The text before the last backslash of path; empty when there is none.
CString FolderOfPath(const CString& path);
// Makes the folder of the executable the current directory; a failure changes nothing.
void MakeProgramFolderCurrent();
