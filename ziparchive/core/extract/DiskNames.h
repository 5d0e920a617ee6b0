// The names under which the extractor writes an archive's entries: every entry below the target
// folder, under a name Windows can hold, and no entry over another.
#pragma once

#include "core/ZipEntry.h"

#include <string>
#include <vector>

namespace zipcore {

// The name of every entry on disk, from its name, in entry order, so that the same archive always
// lands the same way:
//  - drive letters ("C:\", "C:/"), UNC and "\\?\" or "\\.\" prefixes, leading separators and "." and ".."
//    components are dropped (the entry lands where the rest of its path says);
//  - <>:"|?* and control characters become "_", as do trailing dots and blanks; a device name
//    (CON, NUL.txt, com1 …) gets a leading "_"; a component over 255 UTF-16 units is shortened,
//    keeping its extension and adding a tag made from the whole component;
//  - a name that then equals, ignoring case, a file or folder an earlier entry uses gets " (2)",
//    " (3)" … before its extension (a folder entry of an existing folder name simply shares it).
// An entry left without any component gets an empty name: it cannot be written.
std::vector<std::string> MakeDiskNames(const std::vector<ZipEntry>& entries);

// The entry's name as a path on disk takes it ("/" separators, no trailing "/"), for comparing
// with its name on disk.
std::string StoredPath(const ZipEntry& entry);

} // namespace zipcore
