// Writes the fuzzers' seed corpora, made in memory: small archives of every shape and method the reader
// knows into READER_FOLDER, and deflate and Deflate64 streams (after the inflater fuzzer's piece-size
// byte) into INFLATER_FOLDER.
//   zipcore-fuzz-seeds READER_FOLDER INFLATER_FOLDER
#include "ArchiveBuilder.h"
#include "core/ZipFormat.h"
#include "samples/MethodSamples.h"

#include <fstream>
#include <string>

using namespace ziptest;

namespace {

TestEntry Entry(std::string name, std::string data, std::uint16_t method = 0) { return TestEntry(name, data, method); }

std::vector<TestArchive> Seeds() {
  const std::string text = "seed text, seed text, some more seed text\n";
  std::vector<TestArchive> seeds;
  seeds.push_back(TestArchive{});
  seeds.push_back(TestArchive{{Entry("s.txt", text), Entry("d.txt", text, 8), Entry("b.txt", text, 12)}});
  TestArchive descriptors{{Entry("d.txt", text, 8), Entry("b.txt", text, 12)}};
  for (auto& e : descriptors.entries) e.dataDescriptor = true;
  seeds.push_back(descriptors);
  TestArchive zip64{{Entry("z.txt", text, 8), Entry("dir/", "")}};
  for (auto& e : zip64.entries) e.zip64 = true;
  zip64.zip64End = true;
  seeds.push_back(zip64);
  TestArchive stub{{Entry("a.txt", text)}};
  stub.prefix = "MZ stub";
  stub.trailing = "tail";
  stub.comment = "comment";
  seeds.push_back(stub);
  TestEntry named = Entry("caf\x82/na\xC3\xAFve.txt", text, 12);
  named.timestamp = 1600000000;
  seeds.push_back(TestArchive{{named}});
  TestEntry encrypted = Entry("e.txt", text);
  encrypted.flags = zipcore::kFlagEncrypted;
  seeds.push_back(TestArchive{{encrypted}});
  TestEntry emptyDeflate = Entry("empty", "", 8), emptyBzip2 = Entry("empty2", "", 12);
  emptyDeflate.rawData = emptyBzip2.rawData = true; // methods without a single compressed byte
  seeds.push_back(TestArchive{{emptyDeflate, emptyBzip2}});
  const std::string sampleText = samples::SampleText();
  for (const samples::MethodSample& sample : samples::kMethodSamples) {
    TestEntry packed =
        Entry(sample.name, std::string(reinterpret_cast<const char*>(sample.data), sample.size), sample.method);
    packed.rawData = true;
    packed.flags = sample.flags;
    packed.crc = Crc(sampleText);
    packed.uncompressedSize = sampleText.size();
    seeds.push_back(TestArchive{{packed}});
  }
  return seeds;
}

std::vector<std::string> InflaterSeeds() {
  const std::string text = "seed text, seed text, some more seed text\n";
  std::string longer;
  for (int i = 0; i < 400; ++i) longer += std::to_string(i * 7919) + text;
  const auto& deflate64 = samples::kMethodSamples[0];
  return {std::string(1, '\0') + Compress(8, text), std::string(1, '\3') + Compress(8, longer),
          std::string(1, '\20') + std::string(reinterpret_cast<const char*>(deflate64.data), deflate64.size)};
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  int index = 0;
  for (const TestArchive& seed : Seeds()) {
    Bytes bytes = Build(seed);
    Write(std::string(argv[1]) + "/seed-" + std::to_string(index++) + ".zip", std::string(bytes.begin(), bytes.end()));
  }
  index = 0;
  for (const std::string& seed : InflaterSeeds())
    Write(std::string(argv[2]) + "/seed-" + std::to_string(index++), seed);
  return 0;
}
