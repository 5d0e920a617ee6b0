// The name under which AddNewFile stores a file, derived from the path it was given.
#pragma once

#include <string>

namespace zipfacade {

// fileName is relative to the current directory or absolute, with "\" or "/" separators.
// fullPath true: the whole path without its drive, UNC or root prefix and without "." components,
// joined with "/" ("docs\.\a.txt" and "C:\docs\a.txt" both give "docs/a.txt");
// fullPath false: the file name alone. Returns false (name left empty) when no name remains or a
// ".." component would name a file outside the archive's tree once extracted.
bool MakeEntryName(const std::wstring& fileName, bool fullPath, std::wstring& name);

} // namespace zipfacade
