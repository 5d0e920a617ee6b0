// Builds the records the writer puts into an archive: local headers, central headers, end records.
#pragma once

#include "core/ZipEntry.h"

#include <cstdint>
#include <vector>

namespace zipcore {

// The local header of `entry` with its current sizes and CRC. With `zip64` the sizes go into a
// zip64 field (which keeps the header's length the same whatever the sizes turn out to be).
std::vector<std::uint8_t> BuildLocalHeader(const ZipEntry& entry, bool zip64);

void AppendCentralHeader(std::vector<std::uint8_t>& out, const ZipEntry& entry);

// The end of central directory record, preceded by the zip64 end record and its locator when the
// count, the directory's size or its offset do not fit the classic fields.
void AppendEndRecords(std::vector<std::uint8_t>& out, std::uint64_t entryCount, std::uint64_t directoryOffset,
                      std::uint64_t directorySize);

} // namespace zipcore
