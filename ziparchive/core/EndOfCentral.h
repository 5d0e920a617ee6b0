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
};

// Throws NotAnArchive when no end record exists, BadArchive when the records are inconsistent
// with the file, Unsupported for archives split over several disks.
DirectoryLocation FindCentralDirectory(InputFile& file);

} // namespace zipcore
