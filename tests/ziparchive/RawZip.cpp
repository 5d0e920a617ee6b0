#include "RawZip.h"

#include <stdexcept>

namespace {

constexpr std::uint16_t kDosTime = (5 << 11) | (6 << 5) | 4;              // 05:06:08
constexpr std::uint16_t kDosDate = ((2021 - 1980) << 9) | (3 << 5) | 4;   // 2021-03-04

std::uint32_t Load(const std::string& bytes, std::size_t offset, int count) {
    if (offset + count > bytes.size()) throw std::runtime_error("the archive ends inside a header");
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

}   // namespace

void RawZip::Add(const std::string& name, const std::string& data, std::uint16_t method, std::uint16_t flags) {
    ziptest::TestEntry entry(name, data, method);
    entry.flags = flags;
    entry.rawData = true;   // the data are stored as given, whatever the method says
    entry.dosTime = kDosTime;
    entry.dosDate = kDosDate;
    m_overlaps.push_back(m_archive.entries.size());
    m_archive.entries.push_back(entry);
}

void RawZip::AddPacked(const std::string& name, std::uint16_t method, std::uint16_t flags, const std::string& packed,
                       const std::string& original) {
    Add(name, packed, method, flags);
    ziptest::TestEntry& entry = m_archive.entries.back();
    entry.crc = ziptest::Crc(original);
    entry.uncompressedSize = original.size();
}

void RawZip::AddOverlapping(const std::string& name, std::size_t index) {
    ziptest::TestEntry entry = m_archive.entries.at(index);
    entry.name = name;
    m_overlaps.push_back(index);
    m_archive.entries.push_back(entry);
}

std::vector<std::uint8_t> RawZip::Bytes() const {
    // Each entry's local header lies where the entries before it end (no extra fields).
    ziptest::TestArchive archive = m_archive;
    std::vector<std::uint64_t> offsets;
    std::uint64_t offset = 0;
    for (const ziptest::TestEntry& entry : archive.entries) {
        offsets.push_back(offset);
        offset += 30 + entry.name.size() + entry.data.size();
    }
    for (std::size_t i = 0; i < archive.entries.size(); ++i)
        if (m_overlaps[i] != i) archive.entries[i].recordedOffset = offsets[m_overlaps[i]];
    archive.zip64End = archive.entries.size() > 0xFFFF;
    return ziptest::Build(archive);
}

LocalHeader ReadLocalHeader(const std::string& archive, std::size_t offset) {
    if (Load(archive, offset, 4) != 0x04034b50) throw std::runtime_error("no local header there");
    LocalHeader header;
    header.flags = static_cast<std::uint16_t>(Load(archive, offset + 6, 2));
    header.method = static_cast<std::uint16_t>(Load(archive, offset + 8, 2));
    header.compressedSize = Load(archive, offset + 18, 4);
    const std::size_t nameLength = Load(archive, offset + 26, 2);
    const std::size_t extraLength = Load(archive, offset + 28, 2);
    header.name = archive.substr(offset + 30, nameLength);
    header.dataOffset = offset + 30 + nameLength + extraLength;
    return header;
}
