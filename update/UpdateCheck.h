// The update check at every start.
#pragma once

#include <windows.h>

// Asks the update server whether a newer version exists. When one does, says so in a message box
// owned by owner (which may be null), has the shell open the download address and ends the
// process with exit status 0. Otherwise it returns, silently, within about five seconds.
void CheckForUpdate(HWND owner);

// The same check against the given address instead of the one the build sets.
void CheckForUpdateAt(HWND owner, const wchar_t* url);
