// Writes the fuzzer's seed corpus: small archives of every shape the reader knows, made in memory.
//   zipcore-fuzz-seeds FOLDER
#include "ArchiveBuilder.h"

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
  encrypted.flags = 1;
  seeds.push_back(TestArchive{{encrypted}});
  TestEntry emptyDeflate = Entry("empty", "", 8), emptyBzip2 = Entry("empty2", "", 12);
  emptyDeflate.rawData = emptyBzip2.rawData = true; // methods without a single compressed byte
  seeds.push_back(TestArchive{{emptyDeflate, emptyBzip2}});
  return seeds;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  int index = 0;
  for (const TestArchive& seed : Seeds()) {
    Bytes bytes = Build(seed);
    std::ofstream(std::string(argv[1]) + "/seed-" + std::to_string(index++) + ".zip", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  return 0;
}
