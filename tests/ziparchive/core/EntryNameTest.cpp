// Entry-name safety: names the writer refuses, and that the reader turns into safe ones.
#include "TestSupport.h"

#include "core/EntryName.h"
#include "core/TextEncoding.h"

using namespace zipcore;
using namespace ziptest;

namespace {

const char* const kHostileNames[] = {
    "../evil.txt",
    "a/../../evil.txt",
    "a/..",
    "..",
    "..\\evil.txt",
    "a\\..\\..\\evil.txt",
    "/etc/passwd",
    "\\Windows\\win.ini",
    "\\\\server\\share\\x",
    "//server/share/x",
    "C:\\evil.txt",
    "C:evil.txt",
    "c:/evil.txt",
    "file.txt:stream",
    "a/b.txt::$DATA",
    "nul",
    "NUL.txt",
    "a/con",
    "Con.tar.gz",
    "aux",
    "prn.log",
    "com1",
    "COM9.txt",
    "lpt1",
    "lpt5.dat",
    "nul .txt",
    "CONIN$",
    "conout$.txt",
    "com\xC2\xB9",
    "LPT\xC2\xB3.txt",
    "what?.txt",
    "star*.txt",
    "less<.txt",
    "more>.txt",
    "pipe|.txt",
    "quote\".txt",
    "tab\tname",
    "new\nline",
    "bell\x07",
    "dot.",
    "a/dot./b",
    "blank ",
    "a/blank /b",
    "a//b",
    "./a",
    "a/./b",
    "",
    "/",
    "\xFF\xFE",
    "caf\xC3",
    "over\xC0\xAF",
    "surrogate\xED\xA0\x80",
};

const char* const kSafeNames[] = {
    "a.txt",
    "dir/",
    "dir/sub/file.bin",
    "dir\\sub\\file.bin",
    ".hidden",
    "..hidden",
    "a..b",
    "nul_file.txt",
    "console.txt",
    "com10",
    "lpt",
    "comet/1",
    "na\xC3\xAFve.txt",
    "\xE6\x97\xA5\xE6\x9C\xAC.txt",
    "emoji \xF0\x9F\x98\x80.txt",
    "spaces inside name.txt",
    "trailing.dots.txt",
    "a b/c d/e f",
};

TEST(EntryNameSafety, RefusesEveryHostileName) {
  for (const char* name : kHostileNames) EXPECT_NE(WhyUnsafe(name), "") << "accepted: " << name;
}

TEST(EntryNameSafety, AcceptsOrdinaryNames) {
  for (const char* name : kSafeNames) EXPECT_EQ(WhyUnsafe(name), "") << "refused: " << name;
}

// The reader refuses no name: every hostile one is changed into a safe name inside the target.
TEST(EntryNameSafety, ReaderChangesEveryHostileNameIntoASafeOne) {
  for (const char* hostile : kHostileNames) {
    TestArchive archive;
    archive.entries.push_back({"good.txt", "fine"});
    TestEntry bad{hostile, "bad"};
    bad.flags = kFlagUtf8; // UTF-8, so the name reaches the reader as it is
    archive.entries.push_back(bad);
    auto reader = OpenMemory(Build(archive));
    ArchiveExtractor unzip(*reader);
    EXPECT_EQ(unzip.DiskName(0), "good.txt");
    const std::string& changed = unzip.DiskName(1);
    if (changed.empty()) {
      EXPECT_EQ(unzip.WhyNotExtractable(1), "no name is left once made safe") << hostile;
      continue;
    }
    EXPECT_EQ(WhyUnsafe(changed), "") << hostile << " became " << changed;
    EXPECT_NE(changed, "good.txt") << hostile;
  }
}

TEST(EntryNameSafety, ExtractRefusesUnsafeNewName) {
  TestArchive archive;
  archive.entries.push_back({"good.txt", "fine"});
  auto reader = OpenMemory(Build(archive));
  ArchiveExtractor unzip(*reader);
  TempFolder folder;
  EXPECT_EQ(ErrorOf([&] { unzip.Extract(0, folder.Path(), true, "../escape.txt", 65536); }), ZipErrorKind::UnsafeName);
  EXPECT_TRUE(ListFolder(folder.Path()).empty());
}

TEST(EntryNames, WriterFormUsesForwardSlashes) {
  EXPECT_EQ(NormalizeEntryName("2019\\a.jpg"), "2019/a.jpg");
  EXPECT_EQ(NormalizeEntryName("a/b\\c"), "a/b/c");
  EXPECT_EQ(LastComponent("a/b/c.txt"), "c.txt");
  EXPECT_EQ(LastComponent("a/b/"), "b");
  EXPECT_EQ(LastComponent("c.txt"), "c.txt");
}

TEST(EntryNames, FromPathIsTheRelativePathWithSlashesWithoutRootOrDotComponents) {
  struct Case {
    const char* fileName;
    bool fullPath;
    const char* expected; // null: refused
  } cases[] = {
      {"Photos\\2020\\a.jpg", true, "Photos/2020/a.jpg"},
      {".\\Photos\\a.jpg", true, "Photos/a.jpg"},
      {"Photos/./a.jpg", true, "Photos/a.jpg"},
      {"C:\\Data\\a.txt", true, "Data/a.txt"},
      {"C:a.txt", true, "a.txt"},
      {"\\Data\\a.txt", true, "Data/a.txt"},
      {"\\\\server\\share\\Data\\a.txt", true, "Data/a.txt"},
      {"\\\\?\\C:\\Data\\a.txt", true, "Data/a.txt"},
      {"\\\\?\\UNC\\server\\share\\a.txt", true, "a.txt"},
      {"Photos\\2020\\a.jpg", false, "a.jpg"},
      {"..\\a.txt", false, "a.txt"},
      {"..\\a.txt", true, nullptr},
      {"a\\..\\..\\b.txt", true, nullptr},
      {"C:\\", true, nullptr},
      {".", false, nullptr},
      {"", true, nullptr},
  };
  for (const Case& c : cases) {
    std::string name;
    const bool made = EntryNameFromPath(c.fileName, c.fullPath, name);
    EXPECT_EQ(c.expected != nullptr, made) << c.fileName;
    if (c.expected) {
      EXPECT_EQ(c.expected, name) << c.fileName;
    }
  }
}

TEST(NameDecoding, CodePage437HighHalf) {
  EXPECT_EQ(Cp437ToUtf8("caf\x82"), "caf\xC3\xA9");                               // é
  EXPECT_EQ(Cp437ToUtf8("\x80\x9B\xE1\xFF"), "\xC3\x87\xC2\xA2\xC3\x9F\xC2\xA0"); // Ç ¢ ß nbsp
  EXPECT_EQ(Cp437ToUtf8("\xC9\xCD\xBB"), "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97"); // ╔═╗
  EXPECT_EQ(Cp437ToUtf8("plain"), "plain");
}

TEST(NameDecoding, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8("na\xC3\xAFve \xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));         // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE6\x97"));         // cut short
}

} // namespace
