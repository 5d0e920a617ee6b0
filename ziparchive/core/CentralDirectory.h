// Reads the entries of a central directory and checks them against the file before any use.
#pragma once

#include "core/EndOfCentral.h"
#include "core/FileAccess.h"
#include "core/ZipEntry.h"

#include <vector>

namespace zipcore {

// Parses every central record, decodes names (UTF-8 or code page 437), refuses unsafe names,
// reads each local header to find where the data start, and refuses entries whose data run past
// the directory or overlap another entry. Throws ZipError.
std::vector<ZipEntry> ReadCentralDirectory(InputFile& file, const DirectoryLocation& location);

} // namespace zipcore
