// Where the reader writes each entry: hostile and Windows-impossible names changed (never refused),
// collisions numbered, every entry inside the target and none over another.
#include "TestSupport.h"

#include "core/EntryName.h"

using namespace zipcore;
using namespace ziptest;

namespace {

struct Case {
  std::string stored;
  std::string onDisk; // empty: skipped
};

const std::string kLong(300, 'x');

const Case kSingleNames[] = {
    {"plain/name.txt", "plain/name.txt"},
    {"dir\\sub\\file.bin", "dir/sub/file.bin"},
    {"../evil.txt", "evil.txt"},
    {"a/../../evil.txt", "a/evil.txt"},
    {"/etc/passwd", "etc/passwd"},
    {"\\Windows\\win.ini", "Windows/win.ini"},
    {"C:\\evil.txt", "evil.txt"},
    {"C:evil.txt", "C_evil.txt"},
    {"c:/evil.txt", "evil.txt"},
    {"\\\\server\\share\\x.txt", "x.txt"},
    {"\\\\?\\C:\\deep\\x.txt", "deep/x.txt"},
    {"\\\\?\\UNC\\server\\share\\x.txt", "x.txt"},
    {"\\\\.\\COM1", "_COM1"},
    {"aux.c", "_aux.c"},
    {"src/con.h", "src/_con.h"},
    {"Con.tar.gz", "_Con.tar.gz"},
    {"nul .txt", "_nul .txt"},
    {"CONIN$", "_CONIN$"},
    {"lpt9", "_lpt9"},
    {"console.txt", "console.txt"},
    {"Icon\r", "Icon_"},
    {"notes.", "notes_"},
    {"draft ", "draft_"},
    {"dots../x", "dots__/x"},
    {"a:b.txt", "a_b.txt"},
    {"what?.txt", "what_.txt"},
    {"<>\"|*.txt", "_____.txt"},
    {"file.txt:stream", "file.txt_stream"},
    {"tab\tname", "tab_name"},
    {"a//b/./c", "a/b/c"},
    {"caf\xC3", "caf_"},
    {"\xFF\xFEname", "__name"},
    {"", ""},
    {"/", ""},
    {"..", ""},
    {"../..//./", ""},
};

TEST(DiskNames, EachKindOfNameLandsInsideUnderANameWindowsCanHold) {
  for (const Case& c : kSingleNames) {
    TestEntry entry{c.stored, "data"};
    entry.flags = kFlagUtf8;
    auto reader = OpenMemory(Build({{entry}}));
    ArchiveExtractor unzip(*reader);
    EXPECT_EQ(unzip.DiskName(0), c.onDisk) << c.stored;
    EXPECT_EQ(unzip.WhyNotExtractable(0), c.onDisk.empty() ? "no name is left once made safe" : "") << c.stored;
  }
}

TEST(DiskNames, LongComponentsAreShortenedKeepingExtensionAndStayApart) {
  auto reader =
      OpenMemory(Build({{{kLong + "a.txt", "one"}, {kLong + "b.txt", "two"}, {"d/" + kLong + "/f", "three"}}}));
  ArchiveExtractor unzip(*reader);
  const std::string first = unzip.DiskName(0), second = unzip.DiskName(1);
  EXPECT_LE(first.size(), 255u);
  EXPECT_EQ(first.substr(first.size() - 4), ".txt");
  EXPECT_EQ(first.substr(0, 100), kLong.substr(0, 100));
  EXPECT_NE(first, second) << "the tag keeps names that share their start apart";
  EXPECT_LE(unzip.DiskName(2).size(), 2 + 255 + 2u);
  TempFolder folder;
  for (std::size_t i = 0; i < reader->Count(); ++i) unzip.Extract(i, folder.Path(), true, "", 65536);
  EXPECT_EQ(ReadFile(folder / first), "one");
  EXPECT_EQ(ReadFile(folder / second), "two");
  EXPECT_EQ(ReadFile(folder / unzip.DiskName(2)), "three");
}

// Windows ignores case: names equal but for case, or equal once changed, or a file and a folder of
// one name, are numbered in entry order; extracting leaves every entry complete.
TEST(DiskNames, CollisionsAreNumberedAndNoEntryOverwritesAnother) {
  const std::vector<Case> entries = {
      {"Readme.txt", "Readme.txt"},
      {"README.TXT", "README (2).TXT"},
      {"readme.txt", "readme (3).txt"},
      {"aux.c", "_aux.c"},
      {"_AUX.c", "_AUX (2).c"},
      {"x", "x"},
      {"X/inner.txt", "X (2)/inner.txt"},
      {"x/second.txt", "X (2)/second.txt"},
      {"dir/", "dir"},
      {"DIR/in.txt", "dir/in.txt"},
      {"f/g.txt", "f/g.txt"},
      {"F", "F (2)"},
      {"twice.txt", "twice.txt"},
      {"twice.txt", "twice (2).txt"},
      {"../twice.txt", "twice (3).txt"},
      {"what?.txt", "what_.txt"},
      {"what_.txt", "what_ (2).txt"},
  };
  TestArchive archive;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const bool folder = entries[i].stored.back() == '/';
    archive.entries.push_back({entries[i].stored, folder ? "" : "content " + std::to_string(i)});
  }
  auto reader = OpenMemory(Build(archive));
  ArchiveExtractor unzip(*reader);
  TempFolder target;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(unzip.DiskName(i), entries[i].onDisk) << entries[i].stored;
    unzip.Extract(i, target.Path(), true, "", 65536);
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].stored.back() == '/') continue;
    EXPECT_EQ(ReadFile(target / entries[i].onDisk), "content " + std::to_string(i)) << entries[i].stored;
  }
}

TEST(DiskNames, OneArchiveAlwaysLandsTheSameWay) {
  TestArchive archive({{"A.txt", "1"}, {"a.txt", "2"}, {"con", "3"}, {"CON", "4"}});
  auto firstReader = OpenMemory(Build(archive)), secondReader = OpenMemory(Build(archive));
  ArchiveExtractor first(*firstReader), second(*secondReader);
  for (std::size_t i = 0; i < archive.entries.size(); ++i) EXPECT_EQ(first.DiskName(i), second.DiskName(i));
  EXPECT_EQ(first.DiskName(3), "_CON (2)");
}

} // namespace
