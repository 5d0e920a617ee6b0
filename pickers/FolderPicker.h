// The folder picker of the zip job: the shell's folder browser.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "base/CString.h"

// Shows a prepared browse request and writes the path the user chose into path (pathChars
// characters), leaving it empty when nothing usable was chosen. Tests replace it to choose without
// the browser; the program never changes it.
using FolderBrowserRunner = void (*)(BROWSEINFOW& request, wchar_t* path, DWORD pathChars);
extern FolderBrowserRunner g_runFolderBrowser;

// Shows the folder browser (not owned by any window, the classic look: no edit box, no new-folder
// button) and returns the full path of the folder the user chose, empty when none.
CString PickFolder();
