// The folder picker of the zip job: the shell's folder browser. CTAVODlg::BrowseForFolder (defined
// with it) shows it and returns the chosen folder's path.
#pragma once

#include <windows.h>
#include <shlobj.h>

// Shows a prepared browse request and writes the path the user chose into path (pathChars
// characters), leaving it empty when nothing usable was chosen. Tests replace it to choose without
// the browser; the program never changes it.
using FolderBrowserRunner = void (*)(BROWSEINFOW& request, wchar_t* path, DWORD pathChars);
extern FolderBrowserRunner g_runFolderBrowser;
