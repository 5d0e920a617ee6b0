// The methods read through liblzma, libzstd and our Deflate64 inflater: entries written by the real
// tools (xz and zstd run here; 7-Zip's samples), Deflate64 streams that use what plain deflate lacks,
// and damage in each.
#include "TestSupport.h"

#include "core/methods/Inflater.h"
#include "samples/MethodSamples.h"

#include <cstdlib>

using namespace zipcore;
using namespace ziptest;

namespace {

// Text with long repeats and random bytes, larger than one read buffer.
std::string Mixed(std::size_t size) {
  std::string data;
  std::uint32_t seed = 12345;
  while (data.size() < size) {
    data += "row " + std::to_string(data.size() % 977) + " of the mixed input\n";
    for (int i = 0; i < 40; ++i) data += static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
  }
  data.resize(size);
  return data;
}

TestEntry Packed(const std::string& name, std::uint16_t method, const std::string& packed,
                 const std::string& original) {
  TestEntry entry(name, packed, method);
  entry.rawData = true;
  entry.crc = Crc(original);
  entry.uncompressedSize = original.size();
  return entry;
}

// `command` (a shell filter, e.g. "xz -c") applied to `input`, through files in `folder`.
std::string Filter(const TempFolder& folder, const std::string& command, const std::string& input) {
  WriteFile(folder / "in", input);
  const std::string line = command + " < '" + (folder / "in") + "' > '" + (folder / "out") + "'";
  EXPECT_EQ(0, std::system(line.c_str())) << line;
  return ReadFile(folder / "out");
}

// Deflate's bits, first bit first; Huffman codes go most significant bit first.
class DeflateBits {
public:
  void Put(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  // A symbol of the fixed literal/length code, and a distance code of the fixed distance code.
  void Literal(int symbol) {
    if (symbol < 144) Code(0x30 + symbol, 8);
    else if (symbol < 256) Code(0x190 + symbol - 144, 9);
    else if (symbol < 280) Code(symbol - 256, 7);
    else Code(0xC0 + symbol - 280, 8);
  }
  void Distance(int code) { Code(static_cast<std::uint32_t>(code), 5); }
  void Align() { used_ = 0; }
  std::string bytes;

private:
  void Code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  void Bit(std::uint32_t bit) {
    if (used_ == 0) bytes.push_back(0);
    bytes.back() = static_cast<char>(bytes.back() | (bit << used_));
    used_ = (used_ + 1) % 8;
  }
  int used_ = 0;
};

void CopyBack(std::string& out, std::size_t length, std::size_t distance) {
  for (std::size_t i = 0; i < length; ++i) out += out[out.size() - distance];
}

struct Deflate64Case {
  std::string label;
  std::string stream;
  std::string expected;
};

// Streams that only Deflate64 reads: zlib must refuse each as method 8.
std::vector<Deflate64Case> Deflate64Only() {
  std::vector<Deflate64Case> cases;
  {
    // Length code 285: 3 plus 16 extra bits, here the longest match (65538) and the shortest.
    DeflateBits bits;
    bits.Put(0b011, 3); // last block, fixed codes
    bits.Literal('a');
    bits.Literal(285), bits.Put(65535, 16), bits.Distance(0);
    bits.Literal('b');
    bits.Literal(285), bits.Put(0, 16), bits.Distance(0);
    bits.Literal(256);
    cases.push_back({"length code 285", bits.bytes, std::string(65539, 'a') + "bbbb"});
  }
  {
    // Distance codes 30 and 31 (14 extra bits) reach back past deflate's 32 KiB, after a stored block.
    const std::string start = Mixed(60000);
    DeflateBits bits;
    bits.Put(0b000, 3), bits.Align();
    bits.Put(60000, 16), bits.Put(60000 ^ 0xFFFF, 16);
    bits.bytes += start;
    bits.Put(0b011, 3);
    bits.Literal(284), bits.Put(31, 5), bits.Distance(31), bits.Put(50000 - 49153, 14);
    bits.Literal(264), bits.Distance(30), bits.Put(40000 - 32769, 14);
    bits.Literal(256);
    std::string expected = start;
    CopyBack(expected, 258, 50000);
    CopyBack(expected, 10, 40000);
    cases.push_back({"distance codes 30 and 31", bits.bytes, expected});
  }
  return cases;
}

class StringOut : public ByteSink {
public:
  void Put(const std::uint8_t* data, std::size_t length) override {
    text.append(reinterpret_cast<const char*>(data), length);
  }
  std::string text;
};

} // namespace

TEST(Methods, SamplesOfOtherToolsAreReadAndVerified) {
  const std::string text = samples::SampleText();
  TestArchive archive;
  for (const samples::MethodSample& sample : samples::kMethodSamples) {
    archive.entries.push_back(
        Packed(sample.name, sample.method, std::string(reinterpret_cast<const char*>(sample.data), sample.size), text));
    archive.entries.back().flags = sample.flags;
  }
  auto reader = OpenMemory(Build(archive));
  ArchiveExtractor unzip(*reader);
  for (std::size_t i = 0; i < reader->Count(); ++i) {
    EXPECT_TRUE(unzip.Test(i, 65536)) << reader->Entry(i).name;
    EXPECT_EQ(ReadAll(*reader, i), text) << reader->Entry(i).name;
  }
}

TEST(Methods, XzAndZstandardFromTheirToolsInEveryShape) {
  TempFolder folder;
  const std::string data = Mixed(300000);
  const std::string half = data.substr(0, data.size() / 2), rest = data.substr(data.size() / 2);
  const struct {
    std::uint16_t method;
    std::string command;
    bool twoStreams;
  } kinds[] = {
      {95, "xz -c -T1", false},
      {95, "xz -c -T1 -9e --check=sha256", false},
      {95, "xz -c -T1 --check=none --x86 --delta=dist=4 --lzma2=dict=64KiB", false},
      {95, "xz -c -T1 --check=crc32", true},
      {93, "zstd -c -q", false},
      {93, "zstd -c -q -19 --no-check", false},
      {93, "zstd -c -q --no-content-size", true},
  };
  for (const auto& kind : kinds) {
    const std::string first = Filter(folder, kind.command, kind.twoStreams ? half : data);
    const std::string packed = kind.twoStreams ? first + Filter(folder, kind.command, rest) : first;
    const TestEntry sound = Packed("sound", kind.method, packed, data);
    TestEntry flipped = Packed("flipped", kind.method, packed, data);
    flipped.data[flipped.data.size() / 3] ^= 0x04;
    const TestEntry cut = Packed("cut", kind.method, packed.substr(0, packed.size() - 9), data);
    const TestEntry trailing = Packed("trailing", kind.method, packed + "garbage!", data);
    auto reader = OpenMemory(Build({{sound, flipped, cut, trailing}}));
    ArchiveExtractor unzip(*reader);
    EXPECT_EQ(ReadAll(*reader, 0), data) << kind.command;
    // Read in pieces that end where the first stream ends: the entry goes on after it.
    StringSink pieces;
    reader->ReadData(0, pieces, first.size());
    EXPECT_EQ(pieces.text, data) << kind.command;
    for (std::size_t damaged = 1; damaged < 4; ++damaged) {
      EXPECT_FALSE(unzip.Test(damaged, 65536)) << kind.command << " " << reader->Entry(damaged).name;
      EXPECT_EQ(ErrorOf([&] { ReadAll(*reader, damaged); }), ZipErrorKind::CorruptEntry) << kind.command;
    }
  }
}

TEST(Methods, Deflate64StreamsBeyondDeflateAreReadAndRefusedAsDeflate) {
  for (const Deflate64Case& c : Deflate64Only()) {
    auto reader =
        OpenMemory(Build({{Packed("64", 9, c.stream, c.expected), Packed("plain", 8, c.stream, c.expected)}}));
    EXPECT_EQ(ReadAll(*reader, 0), c.expected) << c.label;
    EXPECT_EQ(ErrorOf([&] { ReadAll(*reader, 1); }), ZipErrorKind::CorruptEntry) << c.label << ": zlib read it";
  }
}

TEST(Methods, InflaterGivesTheSameOutputForInputInPiecesOfAnySize) {
  std::vector<std::string> streams;
  for (const Deflate64Case& c : Deflate64Only()) streams.push_back(c.stream);
  streams.emplace_back(reinterpret_cast<const char*>(samples::kDeflate64Data), sizeof samples::kDeflate64Data);
  for (const std::string& stream : streams) {
    StringOut whole;
    ASSERT_TRUE(Inflater(Inflater::Variant::Deflate64)
                    .Write(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size(), whole));
    for (std::size_t piece : {1, 3, 1000}) {
      Inflater inflater(Inflater::Variant::Deflate64);
      StringOut out;
      bool finished = false;
      for (std::size_t at = 0; at < stream.size(); at += piece) {
        EXPECT_FALSE(finished) << "finished before its last byte";
        finished = inflater.Write(reinterpret_cast<const std::uint8_t*>(stream.data()) + at,
                                  std::min(piece, stream.size() - at), out);
      }
      EXPECT_TRUE(finished) << piece;
      EXPECT_EQ(out.text, whole.text) << piece;
    }
  }
}

TEST(Methods, DamagedDeflate64IsReportedAsCorrupt) {
  DeflateBits early; // a distance longer than the output so far
  early.Put(0b011, 3), early.Literal('a'), early.Literal(257), early.Distance(1), early.Literal(256);
  DeflateBits reserved; // block type 3
  reserved.Put(0b111, 3), reserved.Put(0, 13);
  std::string cut(reinterpret_cast<const char*>(samples::kDeflate64Data), sizeof samples::kDeflate64Data - 20);
  for (const std::string& stream : {early.bytes, reserved.bytes, cut}) {
    auto reader = OpenMemory(Build({{Packed("bad", 9, stream, "aaaa")}}));
    ArchiveExtractor unzip(*reader);
    EXPECT_FALSE(unzip.Test(0, 65536));
  }
}
