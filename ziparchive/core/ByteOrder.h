// Little-endian reading and writing, the zip format's byte order, kept in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zipcore {

inline std::uint16_t Load16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Load64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Load32(p)) | (static_cast<std::uint64_t>(Load32(p + 4)) << 32);
}

// Reads fields in order from a byte range; reading past the end sets a sticky failure flag and
// yields zeros, so a parser checks Ok() once after a group of reads.
class ByteReader {
public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint16_t U16() { return Has(2) ? Load16(Advance(2)) : 0; }
  std::uint32_t U32() { return Has(4) ? Load32(Advance(4)) : 0; }
  std::uint64_t U64() { return Has(8) ? Load64(Advance(8)) : 0; }
  const std::uint8_t* Bytes(std::size_t n) { return Has(n) ? Advance(n) : nullptr; }
  void Skip(std::size_t n) {
    if (Has(n)) pos_ += n;
  }
  std::size_t Remaining() const { return size_ - pos_; }
  bool Ok() const { return ok_; }

private:
  bool Has(std::size_t n) {
    if (ok_ && n <= size_ - pos_) return true;
    ok_ = false;
    return false;
  }
  const std::uint8_t* Advance(std::size_t n) {
    const std::uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// Appends fields to a byte vector.
class ByteWriter {
public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void U16(std::uint16_t v) { Put(v, 2); }
  void U32(std::uint32_t v) { Put(v, 4); }
  void U64(std::uint64_t v) { Put(v, 8); }
  void Bytes(const std::string& s) { out_.insert(out_.end(), s.begin(), s.end()); }
  void Bytes(const std::vector<std::uint8_t>& b) { out_.insert(out_.end(), b.begin(), b.end()); }

private:
  void Put(std::uint64_t v, int count) {
    for (int i = 0; i < count; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t>& out_;
};

} // namespace zipcore
