// Damaged and hostile archives made in memory: every one fails clearly, none crashes or hangs.
#include "TestSupport.h"

#include <functional>

using namespace zipcore;
using namespace ziptest;

namespace {

std::string Text(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += std::to_string(i * 7919) + " text ";
  text.resize(size);
  return text;
}

TestEntry Entry(std::string name, std::string data, std::uint16_t method = 0) {
  TestEntry entry{std::move(name), std::move(data)};
  entry.method = method;
  return entry;
}

TestArchive ThreeMethods() {
  return {{Entry("stored.txt", Text(300)), Entry("deflate.txt", Text(5000), 8), Entry("bzip2.txt", Text(5000), 12)}};
}

std::size_t EndRecord(const Bytes& bytes) { return Find(bytes, "PK\x05\x06"); }

struct OpenCase {
  std::string label;
  std::function<Bytes()> make;
  ZipErrorKind expected;
};

std::vector<OpenCase> OpenCases() {
  std::vector<OpenCase> cases;
  cases.push_back({"empty file", [] { return Bytes{}; }, ZipErrorKind::NotAnArchive});
  cases.push_back({"text file",
                   [] {
                     Bytes b(5000, 'x');
                     return b;
                   },
                   ZipErrorKind::NotAnArchive});
  cases.push_back({"end record cut short",
                   [] {
                     Bytes b = Build(ThreeMethods());
                     b.pop_back();
                     return b;
                   },
                   ZipErrorKind::NotAnArchive});
  cases.push_back({"directory offset past the end",
                   [] {
                     Bytes b = Build(ThreeMethods());
                     b[EndRecord(b) + 19] = 0x7F;
                     return b;
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"directory larger than the file",
                   [] {
                     Bytes b = Build(ThreeMethods());
                     b[EndRecord(b) + 15] = 0x7F;
                     return b;
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"huge entry count",
                   [] {
                     TestArchive a = ThreeMethods();
                     a.countOverride = 0xFFFE;
                     return Build(a);
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"count larger than the records",
                   [] {
                     TestArchive a = ThreeMethods();
                     a.countOverride = 4;
                     return Build(a);
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"central signature damaged",
                   [] {
                     Bytes b = Build(ThreeMethods());
                     b[Find(b, "PK\x01\x02") + 3] = 9;
                     return b;
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"local signature damaged",
                   [] {
                     Bytes b = Build(ThreeMethods());
                     b[Find(b, "PK\x03\x04", 10) + 2] = 9;
                     return b;
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"local header offset past the data",
                   [] {
                     TestArchive a = ThreeMethods();
                     a.entries[1].recordedOffset = 1u << 30;
                     return Build(a);
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"two entries sharing their data (overlap bomb)",
                   [] {
                     TestArchive a = ThreeMethods();
                     a.entries[2].recordedOffset = 0;
                     return Build(a);
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"compressed size reaching into the next entry",
                   [] {
                     TestArchive a = ThreeMethods();
                     a.entries[1].compressedSize = Compress(8, Text(5000)).size() + 40;
                     return Build(a);
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"compressed size running into the directory",
                   [] {
                     TestArchive a = ThreeMethods();
                     a.entries[2].compressedSize = 1u << 20;
                     return Build(a);
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"size 0xFFFFFFFF without zip64 field, taken as it is, runs past the entries",
                   [] {
                     Bytes b = Build(ThreeMethods());
                     std::size_t central = Find(b, "PK\x01\x02");
                     for (int i = 0; i < 4; ++i) b[central + 20 + i] = 0xFF;
                     return b;
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"zip64 locator pointing nowhere",
                   [] {
                     TestArchive a = ThreeMethods();
                     a.zip64End = true;
                     Bytes b = Build(a);
                     std::size_t record = Find(b, "PK\x06\x06");
                     b[record] = 'X';
                     return b;
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"zip64 record with an absurd count",
                   [] {
                     TestArchive a = ThreeMethods();
                     a.zip64End = true;
                     Bytes b = Build(a);
                     std::size_t record = Find(b, "PK\x06\x06");
                     for (int i = 0; i < 8; ++i) b[record + 24 + i] = b[record + 32 + i] = 0x7F;
                     return b;
                   },
                   ZipErrorKind::BadArchive});
  cases.push_back({"second disk of a split archive",
                   [] {
                     Bytes b = Build(ThreeMethods());
                     b[EndRecord(b) + 4] = 1;
                     return b;
                   },
                   ZipErrorKind::Unsupported});
  cases.push_back({"directory spread over volumes",
                   [] {
                     Bytes b = Build(ThreeMethods());
                     b[EndRecord(b) + 4] = b[EndRecord(b) + 6] = 1;
                     b[EndRecord(b) + 8] = 1;
                     return b;
                   },
                   ZipErrorKind::Unsupported});
  return cases;
}

TEST(DamagedArchive, RefusedAtOpenWithTheRightKind) {
  for (const OpenCase& c : OpenCases()) EXPECT_EQ(ErrorOf([&] { OpenMemory(c.make()); }), c.expected) << c.label;
}

struct DataCase {
  std::string label;
  std::function<void(TestEntry&)> damage;
};

TEST(DamagedEntry, TestReturnsFalseAndReadThrowsCorruptEntry) {
  const std::vector<DataCase> damages = {
      {"wrong CRC-32", [](TestEntry& e) { e.crc = Crc(e.data) ^ 1; }},
      {"recorded size too large", [](TestEntry& e) { e.uncompressedSize = e.data.size() + 1; }},
      {"recorded size too small", [](TestEntry& e) { e.uncompressedSize = e.data.size() - 1; }},
  };
  for (std::uint16_t method : {0, 8, 12}) {
    for (const DataCase& d : damages) {
      TestEntry bad = Entry("bad.txt", Text(4000), method);
      d.damage(bad);
      auto reader = OpenMemory(Build({{Entry("good.txt", "fine"), bad}}));
      ArchiveExtractor unzip(*reader);
      SCOPED_TRACE(d.label + " with method " + std::to_string(method));
      EXPECT_TRUE(unzip.Test(0, 65536));
      EXPECT_FALSE(unzip.Test(1, 65536));
      StringSink sink;
      EXPECT_EQ(ErrorOf([&] { reader->ReadData(1, sink, 65536); }), ZipErrorKind::CorruptEntry);
    }
  }
}

TEST(DamagedEntry, DamagedOrCutCompressedStreams) {
  for (std::uint16_t method : {8, 12}) {
    const std::string text = Text(20000);
    std::string packed = Compress(method, text);
    std::string flipped = packed;
    flipped[packed.size() / 2] ^= 0x55;
    std::string cut = packed.substr(0, packed.size() - 10);
    std::string garbage(200, '\xAB');
    for (const std::string& data : {flipped, cut, garbage}) {
      TestEntry bad = Entry("bad.bin", data, method);
      bad.rawData = true;
      bad.crc = Crc(text);
      bad.uncompressedSize = text.size();
      auto reader = OpenMemory(Build({{bad}}));
      ArchiveExtractor unzip(*reader);
      EXPECT_FALSE(unzip.Test(0, 65536)) << "method " << method;
    }
  }
}

TEST(DamagedEntry, StoredEntryWithTwoSizesIsCorrupt) {
  TestEntry bad = Entry("stored.txt", "0123456789");
  bad.uncompressedSize = 5;
  auto reader = OpenMemory(Build({{bad}}));
  ArchiveExtractor unzip(*reader);
  EXPECT_FALSE(unzip.Test(0, 65536));
}

TEST(DamagedEntry, OutputStopsAtTheRecordedSize) {
  const std::string zeros(4 << 20, '\0');
  TestEntry bomb = Entry("bomb.bin", zeros, 8);
  bomb.uncompressedSize = 100;
  auto reader = OpenMemory(Build({{bomb}}));
  StringSink sink;
  EXPECT_EQ(ErrorOf([&] { reader->ReadData(0, sink, 65536); }), ZipErrorKind::CorruptEntry);
  EXPECT_LE(sink.text.size(), 100u);
}

// Whatever is cut off or flipped, the reader answers with a ZipError or a result, nothing else.
void ExpectOnlyCleanOutcomes(const Bytes& bytes) {
  try {
    auto reader = OpenMemory(bytes);
    ArchiveExtractor unzip(*reader);
    for (std::size_t i = 0; i < reader->Count(); ++i) {
      try {
        unzip.Test(i, 4096);
      } catch (const ZipError&) {
      }
    }
  } catch (const ZipError&) {
  }
}

TEST(DamagedArchive, EveryTruncationFailsCleanly) {
  TestArchive a = ThreeMethods();
  a.entries[1].dataDescriptor = true;
  Bytes full = Build(a);
  for (std::size_t length = 0; length < full.size(); ++length) {
    Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_NO_THROW(ExpectOnlyCleanOutcomes(cut)) << "cut at " << length;
  }
}

TEST(DamagedArchive, EveryFlippedByteFailsCleanlyAndDataFlipsAreCaught) {
  TestArchive a = ThreeMethods();
  a.zip64End = true;
  a.entries[2].zip64 = true;
  const Bytes full = Build(a);
  const std::size_t storedData = Find(full, "stored.txt") + 10;
  for (std::size_t pos = 0; pos < full.size(); ++pos) {
    Bytes flipped = full;
    flipped[pos] ^= 0xFF;
    EXPECT_NO_THROW(ExpectOnlyCleanOutcomes(flipped)) << "flip at " << pos;
    if (pos >= storedData && pos < storedData + 300) {
      auto reader = OpenMemory(flipped);
      EXPECT_FALSE(ArchiveExtractor(*reader).Test(0, 65536)) << pos;
    }
  }
}

} // namespace
