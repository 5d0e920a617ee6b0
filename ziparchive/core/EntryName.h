// Entry names: the form the writer stores and the safety rules it enforces, and the pieces the
// unpacker uses to make names safe (extract/DiskNames.h).
#pragma once

#include <cstddef>
#include <string>

namespace zipcore {

// "\" separators become "/", the zip format's separator.
std::string NormalizeEntryName(const std::string& name);

// Empty when `name` (UTF-8) is safe to extract below a folder on any system, otherwise the reason.
// Both "/" and "\" are separators. Refused: empty names and components, absolute and UNC paths,
// ":" anywhere (drive letters, alternate data streams), "." and ".." components, characters
// Windows forbids (<>"|?* and control characters), components ending in a dot or blank, Windows
// device names (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9, also with an extension),
// and text that is not valid UTF-8. One trailing separator (a folder entry) is allowed.
std::string WhyUnsafe(const std::string& name);

// True for a component Windows opens as a device, whatever extension follows ("nul.txt", "com1 .log").
bool IsDeviceName(const std::string& component);

// Length of the prefix that only says where a path starts: "\\?\", "\\?\UNC\server\share",
// "\\server\share", "C:", "\\?\C:", or nothing.
std::size_t RootPrefixLength(const std::string& path);

// A name in double quotes, as messages show it.
inline std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// The last component of a normalised name (a folder entry's trailing "/" dropped).
std::string LastComponent(const std::string& name);

// The name under which a file added by its path is stored. path is relative or absolute (UTF-8,
// "\" or "/" separators). fullPath true: the whole path without its drive, UNC or root prefix and
// without "." components, joined with "/" ("docs\.\a.txt" and "C:\docs\a.txt" both give
// "docs/a.txt"); fullPath false: the file name alone. Returns false (name left empty) when no name
// remains or a ".." component would name a file outside the archive's tree once extracted.
bool EntryNameFromPath(const std::string& path, bool fullPath, std::string& name);

} // namespace zipcore
