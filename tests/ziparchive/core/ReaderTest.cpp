// Reading sound archives of every supported shape: each row is an archive and the entries it holds.
#include "TestSupport.h"

#include "core/DosTime.h"

#include <ctime>

using namespace zipcore;
using namespace ziptest;

namespace {

struct Expected {
  std::string name;
  std::string data;
};

struct ReaderCase {
  std::string label;
  TestArchive archive;
  std::vector<Expected> expected;
};

std::string Text(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i) + " of the text\n";
  text.resize(size);
  return text;
}

TestEntry Entry(std::string name, std::string data, std::uint16_t method = 0) {
  TestEntry entry{std::move(name), std::move(data)};
  entry.method = method;
  return entry;
}

std::vector<ReaderCase> ReaderCases() {
  const std::string text = Text(100000);
  std::vector<ReaderCase> cases;
  cases.push_back({"empty archive", {}, {}});
  cases.push_back({"three methods",
                   {{Entry("stored.txt", "plain"), Entry("deflate.txt", text, 8), Entry("bzip2.txt", text, 12)}},
                   {{"stored.txt", "plain"}, {"deflate.txt", text}, {"bzip2.txt", text}}});
  {
    TestArchive a{{Entry("d/deflate.txt", text, 8), Entry("d/bz.txt", text, 12), Entry("s.txt", "abc")}};
    for (auto& e : a.entries) e.dataDescriptor = true;
    a.entries[2].descriptorSignature = false;
    cases.push_back({"data descriptors", a, {{"d/deflate.txt", text}, {"d/bz.txt", text}, {"s.txt", "abc"}}});
  }
  {
    TestArchive a{{Entry("big.txt", text, 8), Entry("small.txt", "x")}};
    for (auto& e : a.entries) e.zip64 = true;
    a.entries[1].dataDescriptor = true;
    a.zip64End = true;
    cases.push_back({"zip64 records", a, {{"big.txt", text}, {"small.txt", "x"}}});
  }
  {
    TestArchive a{{Entry("a.txt", "alpha", 8), Entry("b.txt", "beta")}};
    a.prefix = "MZ" + std::string(5000, '\x90');
    cases.push_back({"self-extractor stub", a, {{"a.txt", "alpha"}, {"b.txt", "beta"}}});
    a.offsetsIncludePrefix = true;
    cases.push_back({"stub with adjusted offsets", a, {{"a.txt", "alpha"}, {"b.txt", "beta"}}});
    a.zip64End = true;
    a.offsetsIncludePrefix = false;
    cases.push_back({"stub before zip64", a, {{"a.txt", "alpha"}, {"b.txt", "beta"}}});
  }
  {
    TestArchive a{{Entry("a.txt", "alpha")}};
    a.comment = "a comment PK\x05\x06 with a signature inside";
    a.trailing = std::string(3000, 'T');
    cases.push_back({"comment and trailing bytes", a, {{"a.txt", "alpha"}}});
  }
  {
    TestEntry deflate = Entry("empty-deflate", "", 8), bzip2 = Entry("empty-bzip2", "", 12);
    deflate.rawData = bzip2.rawData = true; // no compressed bytes at all
    cases.push_back({"empty entries without data", {{deflate, bzip2}}, {{"empty-deflate", ""}, {"empty-bzip2", ""}}});
  }
  {
    TestArchive a{{Entry("folder/", ""), Entry("folder/file.txt", "in folder", 12)}};
    cases.push_back({"folder entry", a, {{"folder/", ""}, {"folder/file.txt", "in folder"}}});
  }
  {
    TestEntry cp437 = Entry("caf\x82 \x94.txt", "cp437");
    TestEntry utf8 = Entry("na\xC3\xAFve.txt", "utf8");
    utf8.flags = kFlagUtf8;
    TestEntry unixName = Entry("\xE6\x97\xA5.txt", "unix");
    unixName.madeBy = (3 << 8) | 30;
    TestEntry dosBytes = Entry("\xE6\x97\xA5.txt", "dos"); // the same bytes from a DOS host: code page 437
    TestEntry unicodePath = Entry("old name.txt", "upath");
    const std::string newName = "new \xC3\xA9.txt";
    std::string field = "\x75\x70";
    field += char(5 + newName.size());
    field += '\0';
    field += '\x01';
    std::uint32_t crc = Crc("old name.txt");
    for (int i = 0; i < 4; ++i) field += char((crc >> (8 * i)) & 0xFF);
    field += newName;
    unicodePath.extra = field;
    TestArchive a{{cp437, utf8, unixName, dosBytes, unicodePath}};
    cases.push_back({"name encodings",
                     a,
                     {{"caf\xC3\xA9 \xC3\xB6.txt", "cp437"},
                      {"na\xC3\xAFve.txt", "utf8"},
                      {"\xE6\x97\xA5.txt", "unix"},
                      {"\xC2\xB5\xC3\xB9\xC3\x91.txt", "dos"},
                      {"new \xC3\xA9.txt", "upath"}}});
  }
  return cases;
}

TEST(Reader, ReadsEveryShapeOfSoundArchive) {
  for (const ReaderCase& c : ReaderCases()) {
    SCOPED_TRACE(c.label);
    auto reader = OpenMemory(Build(c.archive));
    ArchiveExtractor unzip(*reader);
    ASSERT_EQ(reader->Count(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(reader->Entry(i).name, c.expected[i].name);
      EXPECT_TRUE(unzip.Test(i, 65536)) << c.expected[i].name;
      EXPECT_EQ(ReadAll(*reader, i), c.expected[i].data) << c.expected[i].name;
    }
  }
}

TEST(Reader, SmallBuffersGiveTheSameData) {
  const std::string text = Text(300000);
  TestArchive a{{Entry("deflate.txt", text, 8), Entry("bzip2.txt", text, 12), Entry("stored.txt", text)}};
  auto reader = OpenMemory(Build(a));
  for (std::size_t i = 0; i < 3; ++i) {
    StringSink sink;
    reader->ReadData(i, sink, 1); // raised to the smallest buffer the reader uses
    EXPECT_EQ(sink.text, text);
  }
}

TEST(Reader, ModificationTimePrefersExtendedTimestamp) {
  TestEntry stamped = Entry("stamped.txt", "x");
  stamped.timestamp = 1234567890;
  TestEntry dosOnly = Entry("dos.txt", "y");
  auto reader = OpenMemory(Build({{stamped, dosOnly}}));
  EXPECT_EQ(reader->Entry(0).modified, 1234567890);
  std::tm local{};
  local.tm_year = 2021 - 1900;
  local.tm_mon = 5;
  local.tm_mday = 15;
  local.tm_hour = 13;
  local.tm_min = 45;
  local.tm_sec = 30;
  local.tm_isdst = -1;
  EXPECT_EQ(reader->Entry(1).modified, static_cast<std::int64_t>(std::mktime(&local)));
}

TEST(Reader, DosTimeRoundTripsInTwoSecondSteps) {
  for (std::int64_t t : {std::int64_t{315532800 + 86400}, std::int64_t{1600000000}, std::int64_t{1700000001}}) {
    std::int64_t back = DosToUnix(UnixToDos(t));
    EXPECT_LE(t - back, 1) << t;
    EXPECT_GE(t - back, 0) << t;
  }
}

TEST(Reader, UnsupportedMethodAndEncryptionFailClearly) {
  TestEntry ppmd = Entry("ppmd.bin", "not really PPMd");
  ppmd.method = 98;
  ppmd.rawData = true;
  TestEntry encrypted = Entry("secret.txt", "ciphertext here");
  encrypted.flags = kFlagEncrypted | kFlagStrongEncryption; // strong encryption: not read
  TestEntry aes = Entry("aes.txt", "ciphertext here");
  aes.method = 99; // without its AES field
  aes.rawData = true;
  auto reader = OpenMemory(Build({{ppmd, encrypted, aes, Entry("fine.txt", "ok")}}));
  ArchiveExtractor unzip(*reader);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(ErrorOf([&] { unzip.Test(i, 65536); }), ZipErrorKind::Unsupported) << i;
    StringSink sink;
    EXPECT_EQ(ErrorOf([&] { reader->ReadData(i, sink, 65536); }), ZipErrorKind::Unsupported) << i;
    EXPECT_EQ(sink.text, "") << "no output for an entry that cannot be decoded";
  }
  EXPECT_TRUE(unzip.Test(3, 65536));
}

TEST(Reader, IndexOutOfRangeIsAUsageError) {
  auto reader = OpenMemory(Build({{Entry("a", "b")}}));
  ArchiveExtractor unzip(*reader);
  EXPECT_EQ(ErrorOf([&] { unzip.Test(1, 65536); }), ZipErrorKind::Usage);
}

TEST(Reader, MissingFileIsAnIoErrorWithItsCode) {
  TempFolder folder;
  try {
    ZipReader reader(Files(), folder / "missing.zip");
    FAIL();
  } catch (const ZipError& e) {
    EXPECT_EQ(e.Kind(), ZipErrorKind::Io);
    EXPECT_EQ(e.OsError(), ENOENT);
    EXPECT_EQ(e.Path(), folder / "missing.zip");
  }
}

// What Extract cannot write is named in a few words, so that a caller can skip it and unpack the rest.
TEST(Reader, SaysWhyAnEntryCannotBeExtracted) {
  TestEntry ppmd = Entry("ppmd.bin", "not really ppmd");
  ppmd.method = 98;
  ppmd.rawData = true;
  TestEntry unknown = Entry("odd.bin", "unknown method");
  unknown.method = 77;
  unknown.rawData = true;
  TestEntry encrypted = Entry("secret.txt", "ciphertext here");
  encrypted.flags = kFlagEncrypted | kFlagStrongEncryption; // strong encryption: not read
  TestEntry aes = Entry("aes.txt", "ciphertext here");
  aes.method = 99; // without its AES field
  aes.rawData = true;
  Bytes bytes =
      Build({{ppmd, unknown, encrypted, aes, Entry("elsewhere.txt", "in volume 2"), Entry("fine.txt", "ok")}});
  std::size_t record = 0;
  for (int i = 0; i < 5; ++i) record = Find(bytes, "PK\x01\x02", record + 1);
  bytes[record + 34] = 1; // the fifth entry's data lie in the first volume of a split archive
  auto reader = OpenMemory(bytes);
  ArchiveExtractor unzip(*reader);
  const std::vector<std::string> expected = {"compression method PPMd not supported",
                                             "compression method 77 not supported",
                                             "encrypted",
                                             "encrypted",
                                             "part of a split archive",
                                             ""};
  TempFolder folder;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(unzip.WhyNotExtractable(i), expected[i]) << i;
    if (expected[i].empty()) continue;
    EXPECT_EQ(ErrorOf([&] { unzip.Extract(i, folder.Path(), true, "", 65536); }), ZipErrorKind::Unsupported) << i;
  }
  EXPECT_TRUE(unzip.Test(5, 65536));
  EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{}) << "nothing written for what cannot be read";
}

// 0xFFFFFFFF means "see the zip64 field" only where there is one: without it, it is the size itself.
TEST(Reader, SizeOf4GiBMinusOneWithoutZip64FieldIsTheSize) {
  TestEntry edge = Entry("edge.bin", "short stand-in", 8);
  edge.uncompressedSize = 0xFFFFFFFFu;
  auto reader = OpenMemory(Build({{edge, Entry("after.txt", "after")}}));
  ArchiveExtractor unzip(*reader);
  EXPECT_EQ(reader->Entry(0).uncompressedSize, 0xFFFFFFFFu);
  EXPECT_FALSE(unzip.Test(0, 65536)) << "the stand-in data do not have that size";
  EXPECT_EQ(ReadAll(*reader, 1), "after");
}

} // namespace
