// Zip64: more than 65,535 entries, and entries and offsets beyond 4 GiB.
#include "TestSupport.h"

#include "core/ByteOrder.h"
#include "core/pack/ArchivePacker.h"

#include <cstring>
#include <map>

using namespace zipcore;
using namespace ziptest;

namespace {

TEST(Zip64, MoreThan65535EntriesAreAllAddressable) {
  TempFolder folder;
  WriteFile(folder / "one.txt", "1");
  constexpr std::size_t kCount = 70000;
  {
    ArchivePacker writer(Files(), folder / "many.zip");
    writer.SetMethod(0);
    for (std::size_t i = 0; i < kCount; ++i)
      writer.AddFile(folder / "one.txt", "e/" + std::to_string(i), -1, kSmartAll, 65536);
    writer.Finish();
  }
  std::string bytes = ReadFile(folder / "many.zip");
  const auto* end = reinterpret_cast<const std::uint8_t*>(bytes.data() + bytes.size() - 22);
  EXPECT_EQ(Load32(end), 0x06054b50u);
  EXPECT_EQ(Load16(end + 10), 0xFFFF) << "the classic count says: see the zip64 record";
  EXPECT_EQ(Load32(end - 20), 0x07064b50u) << "zip64 locator";

  ZipReader reader(Files(), folder / "many.zip");
  ASSERT_EQ(reader.Count(), kCount);
  for (std::size_t i : {std::size_t{0}, std::size_t{65535}, std::size_t{65536}, kCount - 1}) {
    EXPECT_EQ(reader.Entry(i).name, "e/" + std::to_string(i));
    EXPECT_EQ(ReadAll(reader, i), "1");
  }
}

TEST(Zip64, CountStoredModulo65536WithoutZip64IsReadInFull) {
  TestArchive archive;
  for (int i = 0; i < 65539; ++i) archive.entries.emplace_back("e" + std::to_string(i), "");
  archive.countOverride = 3; // 65,539 modulo 65,536, as some writers record it
  auto reader = OpenMemory(Build(archive));
  ASSERT_EQ(reader->Count(), 65539u);
  EXPECT_EQ(reader->Entry(65538).name, "e65538");
}

// Files kept in memory, with runs of zeros not stored, so that archives past 4 GiB fit in a test.
class SparseFiles : public FileAccess {
public:
  static constexpr std::uint64_t kZerosSize = (4ull << 30) + 1000; // "zeros": a file of zeros past 4 GiB

  using Chunks = std::map<std::uint64_t, std::vector<std::uint8_t>>;

  class Input : public InputFile {
  public:
    Input(const Chunks* chunks, std::uint64_t size) : chunks_(chunks), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
      if (offset >= size_) return 0;
      length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
      auto* out = static_cast<std::uint8_t*>(buffer);
      std::memset(out, 0, length);
      if (chunks_) {
        for (auto it = chunks_->begin(); it != chunks_->end(); ++it) {
          std::uint64_t start = std::max(offset, it->first),
                        stop = std::min(offset + length, it->first + it->second.size());
          if (start < stop) std::memcpy(out + (start - offset), it->second.data() + (start - it->first), stop - start);
        }
      }
      return length;
    }

  private:
    const Chunks* chunks_;
    std::uint64_t size_;
  };

  class Output : public OutputFile {
  public:
    Output(SparseFiles& owner, std::string path) : owner_(owner), path_(std::move(path)), temporary_(path_ + ".tmp") {}
    void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
      auto* bytes = static_cast<const std::uint8_t*>(data);
      if (std::any_of(bytes, bytes + length, [](std::uint8_t b) { return b != 0; }))
        chunks_[offset] = std::vector<std::uint8_t>(bytes, bytes + length);
      size_ = std::max(size_, offset + length);
    }
    void Truncate(std::uint64_t length) override { size_ = length; }
    const std::string& TemporaryPath() const override { return temporary_; }
    void SetModificationTime(std::int64_t) override {}
    void Commit() override {
      owner_.archive_ = chunks_;
      owner_.archiveSize_ = size_;
    }
    void Discard() noexcept override {}

  private:
    SparseFiles& owner_;
    std::string path_, temporary_;
    Chunks chunks_;
    std::uint64_t size_ = 0;
  };

  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
    if (path == "zeros") return std::make_unique<Input>(nullptr, kZerosSize);
    if (path == "small") return std::make_unique<Input>(&small_, 5);
    return std::make_unique<Input>(&archive_, archiveSize_);
  }
  std::unique_ptr<OutputFile> CreateBeside(const std::string& path) override {
    return std::make_unique<Output>(*this, path);
  }
  void CreateFolders(const std::string&) override {}
  void SetModificationTime(const std::string&, std::int64_t) override {}
  FileStatus Stat(const std::string& path) override {
    FileStatus status;
    status.exists = path == "zeros" || path == "small";
    status.size = path == "zeros" ? kZerosSize : 5;
    status.modified = 1500000000;
    return status;
  }

  Chunks small_{{0, {'s', 'm', 'a', 'l', 'l'}}};
  Chunks archive_;
  std::uint64_t archiveSize_ = 0;
};

TEST(Zip64, EntryAndOffsetsBeyond4GiB) {
  SparseFiles files;
  {
    ArchivePacker writer(files, "big.zip");
    writer.SetMethod(0);
    writer.AddFile("small", "before.txt", -1, kSmartAll, 1 << 20);
    writer.AddFile("zeros", "zeros.bin", -1, kSmartAll, 1 << 20);
    writer.AddFile("small", "after.txt", -1, kSmartAll, 1 << 20);
    writer.Finish();
  }
  ZipReader reader(files, "big.zip");
  ArchiveExtractor unzip(reader);
  ASSERT_EQ(reader.Count(), 3u);
  EXPECT_EQ(reader.Entry(1).uncompressedSize, SparseFiles::kZerosSize);
  EXPECT_GT(reader.Entry(2).localHeaderOffset, 4ull << 30);
  EXPECT_EQ(reader.Entry(2).modified, 1500000000);
  EXPECT_EQ(ReadAll(reader, 0), "small");
  EXPECT_EQ(ReadAll(reader, 2), "small");
  EXPECT_TRUE(unzip.Test(1, 1 << 20));
}

} // namespace
