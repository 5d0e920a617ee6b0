// Extracting entries into a folder: paths, folders, names, times, and no partial files.
#include "TestSupport.h"

#include <sys/stat.h>

using namespace zipcore;
using namespace ziptest;

namespace {

constexpr std::size_t kBuffer = 65536;

TestEntry Entry(std::string name, std::string data, std::uint16_t method = 0) {
  TestEntry entry{std::move(name), std::move(data)};
  entry.method = method;
  entry.timestamp = 1400000000;
  return entry;
}

std::int64_t ModifiedTime(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mtime : -1;
}

Bytes Sample() {
  return Build({{Entry("top.txt", "top", 8), Entry("empty/", ""), Entry("a/b/deep.txt", "deep", 12),
                 Entry("a\\win.txt", "backslash")}});
}

void ExtractAll(ZipReader& reader, const std::string& folder, bool fullPath) {
  ArchiveExtractor unzip(reader);
  for (std::size_t i = 0; i < reader.Count(); ++i) unzip.Extract(i, folder, fullPath, "", kBuffer);
}

TEST(Extract, RecreatesStoredFoldersBelowANewTargetFolder) {
  TempFolder folder;
  auto reader = OpenMemory(Sample());
  const std::string target = folder / "new/target";
  ExtractAll(*reader, target, true);
  EXPECT_EQ(ListFolder(target),
            (std::vector<std::string>{"a", "a/b", "a/b/deep.txt", "a/win.txt", "empty", "top.txt"}));
  EXPECT_EQ(ReadFile(target + "/a/b/deep.txt"), "deep");
  EXPECT_EQ(ReadFile(target + "/a/win.txt"), "backslash");
  EXPECT_EQ(ModifiedTime(target + "/a/b/deep.txt"), 1400000000);
  EXPECT_EQ(ModifiedTime(target + "/top.txt"), 1400000000);
}

TEST(Extract, WithoutFullPathKeepsOnlyFileNames) {
  TempFolder folder;
  auto reader = OpenMemory(Sample());
  ExtractAll(*reader, folder.Path(), false);
  EXPECT_EQ(ListFolder(folder.Path()), (std::vector<std::string>{"deep.txt", "top.txt", "win.txt"}));
}

TEST(Extract, NewNameReplacesTheStoredName) {
  TempFolder folder;
  auto reader = OpenMemory(Sample());
  ArchiveExtractor unzip(*reader);
  unzip.Extract(2, folder.Path(), true, "renamed\\copy.txt", kBuffer);
  EXPECT_EQ(ReadFile(folder / "renamed/copy.txt"), "deep");
  EXPECT_EQ(ListFolder(folder.Path()), (std::vector<std::string>{"renamed", "renamed/copy.txt"}));
}

TEST(Extract, ReplacesAnExistingFile) {
  TempFolder folder;
  WriteFile(folder / "top.txt", "older and longer content");
  auto reader = OpenMemory(Sample());
  ArchiveExtractor unzip(*reader);
  unzip.Extract(0, folder.Path(), true, "", kBuffer);
  EXPECT_EQ(ReadFile(folder / "top.txt"), "top");
}

TEST(Extract, CorruptEntryLeavesNoFileUnderItsName) {
  TempFolder folder;
  WriteFile(folder / "kept.txt", "the file that was there");
  for (std::uint16_t method : {0, 8, 12}) {
    TestEntry bad = Entry("new.txt", std::string(200000, 'n'), method);
    bad.crc = 42;
    TestEntry badOverExisting = bad;
    badOverExisting.name = "kept.txt";
    auto reader = OpenMemory(Build({{bad, badOverExisting}}));
    ArchiveExtractor unzip(*reader);
    EXPECT_EQ(ErrorOf([&] { unzip.Extract(0, folder.Path(), true, "", kBuffer); }), ZipErrorKind::CorruptEntry);
    EXPECT_EQ(ErrorOf([&] { unzip.Extract(1, folder.Path(), true, "", kBuffer); }), ZipErrorKind::CorruptEntry);
    EXPECT_EQ(ListFolder(folder.Path()), (std::vector<std::string>{"kept.txt"})) << method;
    EXPECT_EQ(ReadFile(folder / "kept.txt"), "the file that was there");
  }
}

TEST(Extract, UnsupportedEntryWritesNothing) {
  TempFolder folder;
  TestEntry encrypted = Entry("secret.txt", "xxxx");
  encrypted.flags = kFlagEncrypted | kFlagStrongEncryption; // strong encryption: not read
  auto reader = OpenMemory(Build({{encrypted}}));
  ArchiveExtractor unzip(*reader);
  EXPECT_EQ(ErrorOf([&] { unzip.Extract(0, folder.Path(), true, "", kBuffer); }), ZipErrorKind::Unsupported);
  EXPECT_TRUE(ListFolder(folder.Path()).empty());
}

TEST(Extract, FileWhereAFolderMustGoIsAnIoError) {
  TempFolder folder;
  WriteFile(folder / "a", "a file named like the entry's folder");
  auto reader = OpenMemory(Sample());
  ArchiveExtractor unzip(*reader);
  EXPECT_EQ(ErrorOf([&] { unzip.Extract(2, folder.Path(), true, "", kBuffer); }), ZipErrorKind::Io);
}

TEST(Extract, ArchiveFileOnDiskWithProgress) {
  TempFolder folder;
  Bytes bytes = Sample();
  WriteFile(folder / "s.zip", std::string(bytes.begin(), bytes.end()));
  ZipReader reader(Files(), folder / "s.zip");
  std::uint64_t seen = 0;
  reader.SetProgress([&](std::uint64_t n) { seen += n; });
  ExtractAll(reader, folder / "out", true);
  std::uint64_t packed = 0;
  for (const ZipEntry& e : reader.Entries()) packed += e.compressedSize;
  EXPECT_EQ(seen, packed);
  EXPECT_EQ(ReadFile(folder / "out/top.txt"), "top");
}

} // namespace
