// Reading the command line the way Windows splits it into arguments.
#pragma once

#include <vector>

#include "base/CString.h"

// The arguments of a whole command line, the program's name first. The program's name ends at
// the first blank outside double quotes and takes its quotes away; every other argument follows
// the usual rules: blanks (space, tab) separate arguments outside double quotes, quotes are
// removed, 2n backslashes before a quote give n backslashes, 2n+1 give n and a literal quote,
// other backslashes are literal, and "" inside quotes gives one literal quote.
std::vector<CString> SplitCommandLine(const wchar_t* commandLine);

// The archive (or, for /zip, the item to pack) named by an argument, made absolute against the
// current directory (so this must run before start-up changes it). Empty when the argument is empty ("").
CString ArchivePathFromArgument(const CString& argument);
