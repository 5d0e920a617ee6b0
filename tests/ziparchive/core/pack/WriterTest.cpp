// Writing archives: what is stored, how files are replaced, and the smartness flags.
#include "TestSupport.h"

#include "core/pack/ArchivePacker.h"

#include <fcntl.h>
#include <sys/stat.h>

using namespace zipcore;
using namespace ziptest;

namespace {

constexpr std::size_t kBuffer = 65536;

std::string Text(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += "entry text " + std::to_string(i) + "\n";
  text.resize(size);
  return text;
}

std::string Random(std::size_t size) {
  std::string data(size, '\0');
  std::uint32_t x = 12345;
  for (char& c : data) c = static_cast<char>((x = x * 1103515245 + 12345) >> 23);
  return data;
}

void SetTime(const std::string& path, std::int64_t time) {
  struct timespec times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST(Writer, RoundTripsEveryMethodWithNamesAndTimes) {
  TempFolder folder;
  const std::string text = Text(200000);
  WriteFile(folder / "src/text.txt", text);
  WriteFile(folder / "src/empty.txt", "");
  WriteFile(folder / "src/sub/na\xC3\xAFve.txt", "utf-8 name");
  SetTime(folder / "src/text.txt", 1500000000);
  for (std::uint16_t method : {0, 8, 12}) {
    SCOPED_TRACE(method);
    {
      ArchivePacker writer(Files(), folder / "out.zip");
      writer.SetMethod(method);
      writer.AddFile(folder / "src/text.txt", "text.txt", -1, 0, kBuffer);
      writer.AddFile(folder / "src/empty.txt", "empty.txt", -1, 0, kBuffer);
      writer.AddFile(folder / "src/sub/na\xC3\xAFve.txt", "sub\\na\xC3\xAFve.txt", 9, 0, kBuffer);
      writer.Finish();
    }
    ZipReader reader(Files(), folder / "out.zip");
    ASSERT_EQ(reader.Count(), 3u);
    EXPECT_EQ(reader.Entry(0).name, "text.txt");
    EXPECT_EQ(reader.Entry(0).method, method);
    EXPECT_EQ(reader.Entry(0).modified, 1500000000);
    EXPECT_EQ(reader.Entry(0).flags & kFlagUtf8, 0);
    EXPECT_EQ(reader.Entry(2).name, "sub/na\xC3\xAFve.txt");
    EXPECT_EQ(reader.Entry(2).flags & kFlagUtf8, kFlagUtf8);
    EXPECT_EQ(ReadAll(reader, 0), text);
    EXPECT_EQ(ReadAll(reader, 1), "");
    EXPECT_EQ(ReadAll(reader, 2), "utf-8 name");
    if (method != 0) {
      EXPECT_LT(reader.Entry(0).compressedSize, text.size() / 4);
    }
  }
}

TEST(Writer, DefaultMethodIsBzip2AndUnknownMethodsAreRefused) {
  TempFolder folder;
  ArchivePacker writer(Files(), folder / "a.zip");
  EXPECT_EQ(writer.Method(), 12);
  EXPECT_EQ(ErrorOf([&] { writer.SetMethod(14); }), ZipErrorKind::Unsupported);
  EXPECT_EQ(writer.Method(), 12);
}

TEST(Writer, StoresWhatDoesNotCompressOnlyWhenAsked) {
  TempFolder folder;
  // Random bytes are seen to be incompressible at once; a short text only by compressing it.
  const std::string contents[] = {Random(100000), "a short note"};
  WriteFile(folder / "random.bin", contents[0]);
  WriteFile(folder / "note.txt", contents[1]);
  for (int flags : {0, int{kSmartStoreIfNotSmaller}}) {
    {
      ArchivePacker writer(Files(), folder / "out.zip");
      writer.AddFile(folder / "random.bin", "random.bin", -1, flags, kBuffer);
      writer.AddFile(folder / "note.txt", "note.txt", -1, flags, kBuffer);
      writer.AddFile(folder / "random.bin", "again.bin", -1, flags, kBuffer);
      writer.Finish();
    }
    ZipReader reader(Files(), folder / "out.zip");
    ArchiveExtractor unzip(reader);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(reader.Entry(i).method, flags ? 0 : 12);
      EXPECT_TRUE(unzip.Test(i, kBuffer));
      EXPECT_EQ(ReadAll(reader, i), contents[i == 1 ? 1 : 0]);
    }
  }
}

// Already compressed data are stored without a trial; the guess must never cost the compression of
// data a compressor would shrink: repeats of random blocks, few byte values, text behind a random start.
TEST(Writer, StoresCompressedDataWithoutTrialButCompressesWhatShrinks) {
  TempFolder folder;
  std::string fewValues = Random(300000);
  for (char& c : fewValues) c = static_cast<char>('a' + (static_cast<unsigned char>(c) & 15));
  std::string repeats;
  while (repeats.size() < 1300000) repeats += Random(65536);
  std::string randomThenText = Random(1u << 20) + Text(3u << 20);
  struct Case {
    const char* name;
    std::string data;
    bool stored;
  } cases[] = {
      {"random-small.bin", Random(200000), true},   // read whole, compressed in the background
      {"random-large.bin", Random(5u << 20), true}, // streamed, judged by samples
      {"repeats-small.bin", repeats.substr(0, 600000), false},
      {"repeats-large.bin", repeats, false},
      {"few-values.bin", fewValues, false},
      {"random-then-text.bin", randomThenText, false},
  };
  {
    ArchivePacker writer(Files(), folder / "out.zip");
    for (const Case& c : cases) {
      WriteFile(folder / c.name, c.data);
      writer.AddFile(folder / c.name, c.name, -1, kSmartAll, kBuffer);
    }
    writer.Finish();
  }
  ZipReader reader(Files(), folder / "out.zip");
  ASSERT_EQ(reader.Count(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(reader.Entry(i).method, cases[i].stored ? 0 : 12);
    if (!cases[i].stored) {
      EXPECT_LT(reader.Entry(i).compressedSize, cases[i].data.size() * 3 / 4);
    }
    EXPECT_EQ(ReadAll(reader, i), cases[i].data);
  }
}

TEST(Writer, LevelZeroStores) {
  TempFolder folder;
  WriteFile(folder / "t.txt", Text(5000));
  {
    ArchivePacker writer(Files(), folder / "out.zip");
    writer.AddFile(folder / "t.txt", "t.txt", 0, 0, kBuffer);
    EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder / "t.txt", "u.txt", 10, 0, kBuffer); }), ZipErrorKind::Usage);
    writer.Finish();
  }
  ZipReader reader(Files(), folder / "out.zip");
  ASSERT_EQ(reader.Count(), 1u);
  EXPECT_EQ(reader.Entry(0).method, 0);
}

// Reports a different size than the file turns out to have: as if the file changed while read.
class ChangingFiles : public PosixFileAccess {
public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
    class Shifted : public InputFile {
    public:
      explicit Shifted(std::unique_ptr<InputFile> inner) : inner_(std::move(inner)) {}
      std::uint64_t Size() const override { return inner_->Size() + 1; }
      std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
        return inner_->ReadAt(offset, buffer, length);
      }

    private:
      std::unique_ptr<InputFile> inner_;
    };
    return std::make_unique<Shifted>(PosixFileAccess::OpenForReading(path));
  }
};

TEST(Writer, FileThatChangesWhileReadFailsTheAddAndLeavesTheArchiveSound) {
  TempFolder folder;
  WriteFile(folder / "a.txt", Text(1000));
  ChangingFiles files;
  {
    ArchivePacker writer(files, folder / "out.zip");
    writer.AddFile(folder / "a.txt", "first.txt", -1, 0, kBuffer); // not asked to check: stored as read
    EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder / "a.txt", "changed.txt", -1, kSmartFailIfChanged, kBuffer); }),
              ZipErrorKind::SourceChanged);
    writer.AddFile(folder / "a.txt", "last.txt", -1, 0, kBuffer);
    writer.Finish();
  }
  ZipReader reader(Files(), folder / "out.zip");
  ASSERT_EQ(reader.Count(), 2u);
  EXPECT_EQ(reader.Entry(1).name, "last.txt");
  for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(ReadAll(reader, i), Text(1000));
}

TEST(Writer, RefusesToAddItsOwnArchive) {
  TempFolder folder;
  WriteFile(folder / "out.zip", "an older archive");
  ArchivePacker writer(Files(), folder / "out.zip");
  EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder / "out.zip", "out.zip", -1, kSmartRefuseOwnArchive, kBuffer); }),
            ZipErrorKind::Usage);
  std::string temporary;
  for (const std::string& name : ListFolder(folder.Path()))
    if (name != "out.zip") temporary = folder / name;
  ASSERT_NE(temporary, "");
  EXPECT_EQ(ErrorOf([&] { writer.AddFile(temporary, "self.zip", -1, kSmartAll, kBuffer); }), ZipErrorKind::Usage);
  writer.Finish();
  EXPECT_EQ(ZipReader(Files(), folder / "out.zip").Count(), 0u);
}

TEST(Writer, ReplacesAnExistingFileOnlyWhenFinished) {
  TempFolder folder;
  WriteFile(folder / "data.txt", "data");
  WriteFile(folder / "out.zip", "previous content");
  {
    ArchivePacker writer(Files(), folder / "out.zip");
    writer.AddFile(folder / "data.txt", "data.txt", -1, kSmartAll, kBuffer);
    EXPECT_EQ(ReadFile(folder / "out.zip"), "previous content");
    writer.Finish();
  }
  EXPECT_EQ(ListFolder(folder.Path()), (std::vector<std::string>{"data.txt", "out.zip"}));
  ZipReader reader(Files(), folder / "out.zip");
  EXPECT_EQ(ReadAll(reader, 0), "data");
}

TEST(Writer, AbandonedWriterLeavesNothingBehind) {
  TempFolder folder;
  WriteFile(folder / "data.txt", Text(50000));
  WriteFile(folder / "kept.zip", "previous content");
  {
    ArchivePacker fresh(Files(), folder / "new.zip");
    fresh.AddFile(folder / "data.txt", "data.txt", -1, kSmartAll, kBuffer);
    ArchivePacker replacing(Files(), folder / "kept.zip");
    replacing.AddFile(folder / "data.txt", "data.txt", -1, kSmartAll, kBuffer);
    replacing.Abandon();
    EXPECT_FALSE(replacing.IsOpen());
  }
  EXPECT_EQ(ListFolder(folder.Path()), (std::vector<std::string>{"data.txt", "kept.zip"}));
  EXPECT_EQ(ReadFile(folder / "kept.zip"), "previous content");
}

TEST(Writer, MisuseAndBadInputFailClearly) {
  TempFolder folder;
  WriteFile(folder / "data.txt", "x");
  ArchivePacker writer(Files(), folder / "out.zip");
  EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder / "missing.txt", "m.txt", -1, 7, kBuffer); }), ZipErrorKind::Io);
  EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder.Path(), "folder", -1, 7, kBuffer); }), ZipErrorKind::Usage);
  EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder / "data.txt", "../up.txt", -1, 7, kBuffer); }),
            ZipErrorKind::UnsafeName);
  EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder / "data.txt", "C:\\abs.txt", -1, 7, kBuffer); }),
            ZipErrorKind::UnsafeName);
  writer.Finish();
  EXPECT_EQ(ErrorOf([&] { writer.AddFile(folder / "data.txt", "late.txt", -1, 7, kBuffer); }), ZipErrorKind::Usage);
  EXPECT_EQ(ErrorOf([&] { writer.Finish(); }), ZipErrorKind::Usage);
  EXPECT_EQ(ZipReader(Files(), folder / "out.zip").Count(), 0u);
}

TEST(Writer, MissingFolderOfTheArchiveIsAnIoError) {
  TempFolder folder;
  EXPECT_EQ(ErrorOf([&] { ArchivePacker writer(Files(), folder / "no/such/folder/out.zip"); }), ZipErrorKind::Io);
}

TEST(Writer, ReportsProgressOfEveryByteRead) {
  TempFolder folder;
  WriteFile(folder / "data.txt", Text(300000));
  ArchivePacker writer(Files(), folder / "out.zip");
  std::uint64_t seen = 0;
  writer.SetProgress([&](std::uint64_t bytes) { seen += bytes; });
  writer.AddFile(folder / "data.txt", "data.txt", -1, 0, 4096);
  writer.Finish();
  EXPECT_EQ(seen, 300000u);
}

} // namespace
