// libFuzzer target: any bytes given to the reader give a ZipError or a result, never a crash, a hang
// or unbounded memory. Entries are tested and "extracted" into a file seam that keeps nothing.
#include "core/MemoryInputFile.h"
#include "core/ZipError.h"
#include "core/ZipReader.h"

#include <cstddef>
#include <cstdint>

using namespace zipcore;

namespace {

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
    for (std::size_t i = 0; i < reader.Count() && i < 64; ++i) {
      try {
        if (reader.Test(i, 4096)) reader.Extract(i, "out", i % 2 == 0, "", 4096);
      } catch (const ZipError&) {
      }
    }
  } catch (const ZipError&) {
  }
  return 0;
}
