// The unzip job's password box: asked for from the worker thread, as its message boxes are, and
// owned by the job's window. The caption is "Password"; a line names the archive and the entry; one
// masked edit control takes the password; OK (IDOK, Enter) gives it, Skip (IDCANCEL, Esc, the close
// box) leaves the entry out. A stop request (the job's window closing) ends the box as Skip.
#pragma once

#include <string>

#include "base/CString.h"

// Blocks the calling worker until the box is answered. True with `password` set for OK; false for
// Skip or a stop. `wrongBefore` adds "Wrong password." for a second try at the same entry. The
// password read from the control is copied into `password` only; the caller wipes it.
bool AskPassword(const CString& archivePath, const CString& entryName, bool wrongBefore, std::wstring& password);
