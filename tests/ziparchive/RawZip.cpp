#include "RawZip.h"

#include <stdexcept>

#include <zlib.h>

namespace {

constexpr std::uint16_t kDosTime = (5 << 11) | (6 << 5) | 4;             // 05:06:08
constexpr std::uint16_t kDosDate = ((2021 - 1980) << 9) | (3 << 5) | 4;   // 2021-03-04

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

std::uint32_t Load(const std::string& bytes, std::size_t offset, int count) {
    if (offset + count > bytes.size()) throw std::runtime_error("the archive ends inside a header");
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

} // namespace

void RawZip::Add(const std::string& name, const std::string& data, std::uint16_t method, std::uint16_t flags) {
    AddPacked(name, method, flags, data, data);
}

void RawZip::AddPacked(const std::string& name, std::uint16_t method, std::uint16_t flags, const std::string& packed,
                       const std::string& original) {
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(original.data()), static_cast<uInt>(original.size())));
    const Record record{name, method, flags, crc, static_cast<std::uint32_t>(packed.size()),
                        static_cast<std::uint32_t>(original.size()), static_cast<std::uint32_t>(m_locals.size())};
    Put(m_locals, 0x04034b50, 4);
    Put(m_locals, 20, 2);
    Put(m_locals, flags, 2);
    Put(m_locals, method, 2);
    Put(m_locals, kDosTime, 2);
    Put(m_locals, kDosDate, 2);
    Put(m_locals, crc, 4);
    Put(m_locals, packed.size(), 4);
    Put(m_locals, original.size(), 4);
    Put(m_locals, name.size(), 2);
    Put(m_locals, 0, 2);
    PutText(m_locals, name);
    PutText(m_locals, packed);
    m_records.push_back(record);
}

void RawZip::AddOverlapping(const std::string& name, std::size_t index) {
    Record record = m_records.at(index);
    record.name = name;
    m_records.push_back(record);
}

std::vector<std::uint8_t> RawZip::Bytes() const {
    std::vector<std::uint8_t> out = m_locals;
    const std::uint64_t directoryOffset = out.size();
    for (const Record& record : m_records) {
        Put(out, 0x02014b50, 4);
        Put(out, 20, 2);   // made by: MS-DOS, 2.0
        Put(out, 20, 2);
        Put(out, record.flags, 2);
        Put(out, record.method, 2);
        Put(out, kDosTime, 2);
        Put(out, kDosDate, 2);
        Put(out, record.crc, 4);
        Put(out, record.compressedSize, 4);
        Put(out, record.size, 4);
        Put(out, record.name.size(), 2);
        Put(out, 0, 2);    // extra
        Put(out, 0, 2);    // comment
        Put(out, 0, 2);    // disk
        Put(out, 0, 2);    // internal attributes
        Put(out, !record.name.empty() && record.name.back() == '/' ? 0x10 : 0x20, 4);
        Put(out, record.offset, 4);
        PutText(out, record.name);
    }
    const std::uint64_t directorySize = out.size() - directoryOffset;
    const std::uint64_t count = m_records.size();
    const bool zip64 = count > 0xFFFF;
    if (zip64) {
        const std::uint64_t zip64EndOffset = out.size();
        Put(out, 0x06064b50, 4);
        Put(out, 44, 8);
        Put(out, 45, 2);
        Put(out, 45, 2);
        Put(out, 0, 4);
        Put(out, 0, 4);
        Put(out, count, 8);
        Put(out, count, 8);
        Put(out, directorySize, 8);
        Put(out, directoryOffset, 8);
        Put(out, 0x07064b50, 4);
        Put(out, 0, 4);
        Put(out, zip64EndOffset, 8);
        Put(out, 1, 4);
    }
    Put(out, 0x06054b50, 4);
    Put(out, 0, 2);
    Put(out, 0, 2);
    Put(out, zip64 ? 0xFFFF : count, 2);
    Put(out, zip64 ? 0xFFFF : count, 2);
    Put(out, directorySize, 4);
    Put(out, directoryOffset, 4);
    Put(out, 0, 2);
    return out;
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
