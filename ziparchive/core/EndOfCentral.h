// Finds an archive's central directory from its end records (zip64 included).
#pragma once

#include "core/FileAccess.h"

#include <cstdint>

namespace zipcore {

struct DirectoryLocation {
  std::uint64_t offset = 0;     // where the central directory starts in the file
  std::uint64_t size = 0;       // its size in bytes
  std::uint64_t entryCount = 0; // entries it claims
  std::uint64_t end = 0;        // where the end records start (nothing of the entries lies beyond)
  // Added to every offset the archive records: the length of bytes put in front of it (for
  // example a self-extractor stub).
  std::uint64_t shift = 0;
  // The number of this file in a split archive (its last volume), 0 for a whole archive.
  std::uint32_t disk = 0;
};

// One reading of every file: the end record is the last one in the file that is not text in the
// comment of an earlier one, its comment cut at the end of the file if it runs past; a zip64 record
// is taken only where that end record's locator points (bytes put in front of the archive accounted
// for). Throws NotAnArchive when no end record exists, BadArchive when the records are inconsistent
// with the file (never falling back on another record), Unsupported when the archive is split and
// its directory does not lie whole in this file.
DirectoryLocation FindCentralDirectory(InputFile& file);

} // namespace zipcore
