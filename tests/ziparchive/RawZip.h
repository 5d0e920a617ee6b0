// Writes zip archives byte by byte, to make the archives a careful writer never would: unsafe
// names, overlapping entries, unknown methods, and archives too large to build file by file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveBuilder.h"

class RawZip {
public:
    // A stored entry (method 0 unless given); a name ending in "/" is a folder entry.
    void Add(const std::string& name, const std::string& data, std::uint16_t method = 0, std::uint16_t flags = 0);
    // An entry whose data are already packed by `method`: `original` is what they unpack to.
    void AddPacked(const std::string& name, std::uint16_t method, std::uint16_t flags, const std::string& packed,
                   const std::string& original);
    // A second directory record for the data of entry `index`: the two entries overlap.
    void AddOverlapping(const std::string& name, std::size_t index);
    // The whole archive; zip64 end records when there are more than 65,535 entries.
    std::vector<std::uint8_t> Bytes() const;

private:
    ziptest::TestArchive m_archive;
    std::vector<std::size_t> m_overlaps;   // for each entry: its own index, or the one it overlaps
};

// Fields of the local header at `offset` of an archive.
struct LocalHeader {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t compressedSize = 0;
    std::string name;
    std::size_t dataOffset = 0;
};
LocalHeader ReadLocalHeader(const std::string& archive, std::size_t offset);
