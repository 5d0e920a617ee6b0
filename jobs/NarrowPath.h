// 8-bit text in the thread's ANSI code page, for the rare interface that takes nothing else.
// Paths never go through it: a name with a character outside the code page would come out
// with that character replaced, and then name another file or none.
#pragma once

#include <string>

#include "base/CString.h"

// The same text in the current thread's ANSI code page (CP_THREAD_ACP). A character the code page
// lacks becomes the system's default character. Throws CMemoryException when the system runs out
// of memory and CFileException with the system's error code for any other refusal.
std::string ToNarrowPath(const CString& text);
