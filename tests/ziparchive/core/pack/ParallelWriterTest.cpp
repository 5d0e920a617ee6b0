// The packer's work on worker threads: background compression of small files. What the caller sees
// must not change: entries in the order added, the bytes one compressor alone would write, failures
// reported.
#include "ParallelTestData.h"
#include "TestSupport.h"

#include "core/pack/ParallelBzip2Compressor.h"
#include "core/pack/ArchivePacker.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <optional>
#include <random>

namespace {

using namespace zipcore;
using namespace ziptest;

constexpr std::size_t kBuffer = 65536;

// The stream of one compressor on one thread, given the whole content at once.
std::string Alone(const std::string& data) {
  ParallelBzip2Compressor compressor(-1, std::make_shared<Bzip2EncoderPool>(1));
  StringSink out;
  compressor.Write(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), out);
  compressor.Finish(out);
  return out.text;
}

TEST(ParallelWriter, EntriesKeepTheirOrderContentAndBytes) {
  TempFolder folder;
  auto files = MixedFiles();
  for (auto& [name, content] : files) WriteFile(folder / name, content);
  {
    ArchivePacker writer(Files(), folder / "out.zip");
    for (auto& [name, content] : files) writer.AddFile(folder / name, name, -1, kSmartAll, kBuffer);
    EXPECT_EQ(writer.Count(), files.size());
    writer.Finish();
  }
  ZipReader reader(Files(), folder / "out.zip");
  ASSERT_EQ(reader.Count(), files.size());
  const std::string archive = ReadFile(folder / "out.zip");
  for (std::size_t i = 0; i < files.size(); ++i) {
    const ZipEntry& entry = reader.Entry(i);
    const std::string& content = files[i].second;
    EXPECT_EQ(entry.name, files[i].first);
    EXPECT_EQ(ReadAll(reader, i), content) << entry.name;
    const std::string stored = archive.substr(entry.dataOffset, entry.compressedSize);
    if (Alone(content).size() >= content.size()) {
      EXPECT_EQ(entry.method, kMethodStored) << entry.name;
    } else {
      ASSERT_EQ(entry.method, kMethodBzip2) << entry.name;
      EXPECT_TRUE(stored == Alone(content)) << entry.name << ": not the stream one compressor writes";
    }
  }
}

// An archive file that refuses to grow past a limit, like a full disk.
class FullDisk : public PosixFileAccess {
public:
  explicit FullDisk(std::uint64_t limit) : limit_(limit) {}
  std::unique_ptr<OutputFile> CreateBeside(const std::string& finalPath) override {
    class Limited : public PassThroughOutput {
    public:
      Limited(std::unique_ptr<OutputFile> inner, std::uint64_t limit)
          : PassThroughOutput(std::move(inner)), limit_(limit) {}
      void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
        if (offset + length > limit_) throw ZipError(ZipErrorKind::Io, "no space left on the disk", 28);
        PassThroughOutput::WriteAt(offset, data, length);
      }

    private:
      std::uint64_t limit_;
    };
    return std::make_unique<Limited>(PosixFileAccess::CreateBeside(finalPath), limit_);
  }

private:
  std::uint64_t limit_;
};

TEST(ParallelWriter, AFailureWritingAnEarlierEntryStopsTheArchive) {
  TempFolder folder;
  for (int i = 0; i < 30; ++i) WriteFile(folder / ("in/" + std::to_string(i)), TextOf(40000, i));
  FullDisk disk(100000);
  ArchivePacker writer(disk, folder / "out.zip");
  std::optional<ZipErrorKind> failure;
  int added = 0;
  for (int i = 0; i < 30 && !failure; ++i) {
    failure = ErrorOf(
        [&] { writer.AddFile(folder / ("in/" + std::to_string(i)), std::to_string(i), -1, kSmartAll, kBuffer); });
    if (!failure) ++added;
  }
  if (!failure) failure = ErrorOf([&] { writer.Finish(); });
  EXPECT_EQ(failure, ZipErrorKind::Io);
  // Files whose adds returned are not all in the archive, so it must never be finished.
  EXPECT_EQ(ErrorOf([&] { writer.Finish(); }), ZipErrorKind::Usage);
  EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder / "in/0", "again", -1, kSmartAll, kBuffer); }), ZipErrorKind::Usage);
  writer.Abandon();
  EXPECT_FALSE(std::filesystem::exists(folder / "out.zip"));
  EXPECT_GT(added, 0);
}

} // namespace
