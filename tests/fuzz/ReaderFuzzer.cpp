// libFuzzer target: any bytes given to the reader give a ZipError or a result, never a crash, a hang
// or unbounded memory. Entries are tested and "extracted" into a file seam that keeps nothing. The
// reader is closed after its first entry, after 64 or after all of them (chosen by the input's
// length), so that whatever it decoded ahead and never handed out must be released (LeakSanitizer
// checks). An input whose entries would decompress to more than kMaxInflated bytes in all is only
// partly read: a legitimately huge entry is no finding, and must not become a time-out.
#include "MemoryInputFile.h"
#include "core/ZipError.h"
#include "core/ZipReader.h"
#include "core/extract/ArchiveExtractor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace zipcore;

namespace {

constexpr std::uint64_t kMaxInflated = 64u << 20;

std::size_t EntriesToRead(std::size_t inputSize, std::size_t count) {
  static const std::size_t kStops[] = {1, 64, SIZE_MAX};
  return std::min(count, kStops[inputSize % 3]);
}

class DiscardingOutput : public OutputFile {
public:
  void WriteAt(std::uint64_t, const void*, std::size_t) override {}
  void Truncate(std::uint64_t) override {}
  const std::string& TemporaryPath() const override { return path_; }
  void SetModificationTime(std::int64_t) override {}
  void Commit() override {}
  void Discard() noexcept override {}

private:
  std::string path_ = "out/.tmp";
};

class NoFiles : public FileAccess {
public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
    throw ZipError(ZipErrorKind::Io, "no files here", 2, path);
  }
  std::unique_ptr<OutputFile> CreateBeside(const std::string&) override { return std::make_unique<DiscardingOutput>(); }
  void CreateFolders(const std::string&) override {}
  void SetModificationTime(const std::string&, std::int64_t) override {}
  FileStatus Stat(const std::string&) override { return {}; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static NoFiles files;
  try {
    ZipReader reader(files, std::make_unique<MemoryInputFile>(std::vector<std::uint8_t>(data, data + size)));
    ArchiveExtractor unzip(reader);
    std::uint64_t inflated = 0;
    for (std::size_t i = 0; i < EntriesToRead(size, reader.Count()); ++i) {
      const std::uint64_t entrySize = reader.Entry(i).uncompressedSize;
      if (entrySize > kMaxInflated - inflated) break;
      inflated += entrySize;
      try {
        if (unzip.Test(i, 4096)) unzip.Extract(i, "out", i % 2 == 0, "", 4096);
      } catch (const ZipError&) {
      }
    }
  } catch (const ZipError&) {
  }
  return 0;
}
