// The extractor's work on worker threads: decoding ahead while entries are tested and extracted,
// large entries decoded block by block and spooled. What the caller sees must not change: every
// entry verified, damaged ones reported, no file left behind.
#include "ParallelTestData.h"
#include "TestSupport.h"

#include "core/pack/ArchivePacker.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <optional>
#include <random>

namespace {

using namespace zipcore;
using namespace ziptest;

constexpr std::size_t kBuffer = 65536;

std::string BuildArchive(const TempFolder& folder, const std::vector<std::pair<std::string, std::string>>& files,
                         std::uint16_t method = kMethodBzip2) {
  for (auto& [name, content] : files) {
    WriteFile(folder / ("in/" + name), content);
    // An old time, which no file written by the test itself has.
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, (folder / ("in/" + name)).c_str(), times, 0);
  }
  ArchivePacker writer(Files(), folder / "a.zip");
  writer.SetMethod(method);
  for (auto& [name, content] : files) writer.AddFile(folder / ("in/" + name), name, -1, kSmartAll, kBuffer);
  writer.Finish();
  return folder / "a.zip";
}

TEST(DecodeAhead, TestThenExtractGivesEveryEntryInAnyOrder) {
  TempFolder folder;
  auto files = MixedFiles();
  files.emplace_back("big.txt", TextOf(5u << 20, 99)); // above the decode-ahead limit
  files.emplace_back("hex.txt", HexOf(3u << 20, 98));  // decoded block by block
  ZipReader reader(Files(), BuildArchive(folder, files));
  ArchiveExtractor unzip(reader);
  std::uint64_t progress = 0;
  reader.SetProgress([&](std::uint64_t bytes) { progress += bytes; });

  // The unzip job's order: test, then extract, entry after entry.
  for (std::size_t i = 0; i < reader.Count(); ++i) {
    ASSERT_TRUE(unzip.Test(i, kBuffer)) << i;
    unzip.Extract(i, folder / "out", true, "", kBuffer);
    EXPECT_TRUE(ReadFile(folder / ("out/" + files[i].first)) == files[i].second) << files[i].first;
  }
  std::uint64_t compressed = 0;
  for (const ZipEntry& entry : reader.Entries()) compressed += entry.compressedSize;
  EXPECT_EQ(progress, 2 * compressed); // every entry read once to test, once to extract

  // Out of order, extracting what was not tested last, extracting without a test.
  ASSERT_TRUE(unzip.Test(30, kBuffer));
  ASSERT_TRUE(unzip.Test(11, kBuffer));
  unzip.Extract(30, folder / "again", true, "", kBuffer);
  unzip.Extract(11, folder / "again", true, "", kBuffer);
  unzip.Extract(7, folder / "again", true, "", kBuffer);
  for (std::size_t i : {30u, 11u, 7u})
    EXPECT_TRUE(ReadFile(folder / ("again/" + files[i].first)) == files[i].second) << files[i].first;
}

TEST(DecodeAhead, ADamagedEntryFailsItsTestAloneAndIsNeverExtracted) {
  TempFolder folder;
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 12; ++i) files.emplace_back("f" + std::to_string(i), TextOf(30000 + i, i));
  files[9].second = HexOf(3u << 20, 9); // a large entry, decoded block by block
  std::string archive = ReadFile(BuildArchive(folder, files));
  std::unique_ptr<ZipReader> clean = OpenMemory(Bytes(archive.begin(), archive.end()));
  for (std::size_t damaged : {5u, 9u}) {
    const ZipEntry& entry = clean->Entry(damaged);
    archive[entry.dataOffset + entry.compressedSize / 2] ^= 0x55;
  }

  auto reader = OpenMemory(Bytes(archive.begin(), archive.end()));
  ArchiveExtractor unzip(*reader);
  for (std::size_t i = 0; i < reader->Count(); ++i) {
    const bool damaged = i == 5 || i == 9;
    EXPECT_EQ(unzip.Test(i, kBuffer), !damaged) << i;
    if (!damaged) unzip.Extract(i, folder / "out", true, "", kBuffer);
  }
  for (std::size_t damaged : {5u, 9u}) {
    EXPECT_EQ(ErrorOf([&] { unzip.Extract(damaged, folder / "out", true, "", kBuffer); }), ZipErrorKind::CorruptEntry);
    EXPECT_FALSE(std::filesystem::exists(folder / ("out/" + files[damaged].first)));
  }
  EXPECT_EQ(ReadFile(folder / "out/f6"), files[6].second);
  EXPECT_EQ(ListFolder(folder / "out").size(), 10u); // nothing else left behind, no temporary files
}

// Counts what is read from the archive, and can refuse temporary files beside it.
class WatchedFiles : public PosixFileAccess {
public:
  std::uint64_t archiveBytesRead = 0;
  bool refuseBesideArchive = false;
  std::string archive;

  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
    class Counted : public InputFile {
    public:
      Counted(std::unique_ptr<InputFile> inner, std::uint64_t& count) : inner_(std::move(inner)), count_(count) {}
      std::uint64_t Size() const override { return inner_->Size(); }
      std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
        std::size_t got = inner_->ReadAt(offset, buffer, length);
        count_ += got;
        return got;
      }

    private:
      std::unique_ptr<InputFile> inner_;
      std::uint64_t& count_;
    };
    auto file = PosixFileAccess::OpenForReading(path);
    if (path != archive) return file;
    return std::make_unique<Counted>(std::move(file), archiveBytesRead);
  }
  std::unique_ptr<OutputFile> CreateBeside(const std::string& finalPath) override {
    if (refuseBesideArchive && finalPath == archive) throw ZipError(ZipErrorKind::Io, "read-only folder", 30);
    if (fillBesideArchive && finalPath == archive)
      return std::make_unique<FillsUp>(PosixFileAccess::CreateBeside(finalPath));
    if (!refuseMoves) return PosixFileAccess::CreateBeside(finalPath);
    // As if every other path were on another file system: files can only be copied there.
    return std::make_unique<PassThroughOutput>(PosixFileAccess::CreateBeside(finalPath));
  }
  bool refuseMoves = false;
  bool fillBesideArchive = false; // the disk beside the archive is full after 2 MiB

private:
  class FillsUp : public PassThroughOutput {
  public:
    using PassThroughOutput::PassThroughOutput;
    void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
      if (offset + length > (2u << 20)) throw ZipError(ZipErrorKind::Io, "disk full", 28);
      PassThroughOutput::WriteAt(offset, data, length);
    }
  };
};

// The spool file becomes the extracted file where it can be moved, and is copied where it cannot;
// a spool that cannot be made or filled is not used. Bzip2 data reach it in decoded blocks, deflate
// data in small pieces written on the spool's own thread.
TEST(VerifiedSpool, ALargeEntryIsDecompressedOnceWithItsSpoolRemovedAfterwards) {
  enum Disk { kMovable, kOtherVolume, kReadOnly, kFillsUp };
  for (std::uint16_t method : {kMethodBzip2, kMethodDeflate}) {
    for (Disk disk : {kMovable, kOtherVolume, kReadOnly, kFillsUp}) {
      SCOPED_TRACE(testing::Message() << "method " << method << ", disk " << disk);
      const bool spoolUsed = disk == kMovable || disk == kOtherVolume;
      TempFolder folder;
      const std::string content = HexOf(6u << 20, 5);
      WatchedFiles files;
      files.archive = BuildArchive(folder, {{"large.txt", content}}, method);
      files.refuseBesideArchive = disk == kReadOnly;
      files.fillBesideArchive = disk == kFillsUp;
      files.refuseMoves = disk == kOtherVolume;
      ZipReader reader(files, files.archive);
      ArchiveExtractor unzip(reader);
      const std::uint64_t compressed = reader.Entry(0).compressedSize;
      files.archiveBytesRead = 0;

      ASSERT_TRUE(unzip.Test(0, kBuffer));
      unzip.Extract(0, folder / "out", true, "", kBuffer);
      EXPECT_TRUE(ReadFile(folder / "out/large.txt") == content);
      EXPECT_EQ(files.Stat(folder / "out/large.txt").modified, 1000000000);
      EXPECT_EQ(files.archiveBytesRead, spoolUsed ? compressed : 2 * compressed);
      EXPECT_EQ(ListFolder(folder.Path()),
                (std::vector<std::string>{"a.zip", "in", "in/large.txt", "out", "out/large.txt"}));
    }
  }
}

} // namespace
