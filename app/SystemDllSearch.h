// Where the program's DLLs come from: ZipArchive.dll from the program's own folder, every other one
// from the system folder. The portable program is often started from a Downloads folder, where an
// earlier download may have left a DLL named like a system one.
#pragma once

// Called first thing at start-up, before any DLL is loaded by name. ZipArchive.dll is imported the
// ordinary way: the loader has found it beside the program already. WinInet, the one system DLL that
// is not a known DLL, is loaded by its full path (framework/WinInetLibrary.h).
void LimitDllSearchToSystemFolder();
