// Encrypted entries as the tools people use write them: 7-Zip's ZipCrypto, AES-128 and AES-256 with
// deflate, bzip2 and LZMA inside, Info-ZIP's zip -P (also streamed, with a data descriptor), archives
// under several passwords, and what must never be written: data under a wrong password, data whose
// authentication code was changed.
#include "TestSupport.h"

#include "AesTestEntry.h"
#include "core/crypto/EntryDecryption.h"

#include <sys/stat.h>

#include <cstdlib>

using namespace zipcore;
using namespace ziptest;

namespace {

constexpr std::size_t kBuffer = 65536;

// Larger than a read buffer, compressible, with some random bytes.
std::string Content(const std::string& seedText, std::size_t size) {
  std::string data;
  std::uint32_t seed = static_cast<std::uint32_t>(seedText.size()) * 7919u + 17;
  while (data.size() < size) {
    data += seedText + " line " + std::to_string(data.size() % 1013) + "\n";
    for (int i = 0; i < 8; ++i) data += static_cast<char>('a' + ((seed = seed * 1103515245 + 12345) >> 27));
  }
  data.resize(size);
  return data;
}

// Runs `command` in `folder` (the shell quoting is the caller's).
void RunIn(const TempFolder& folder, const std::string& command) {
  const std::string line = "cd '" + folder.Path() + "' && (" + command + ") >/dev/null 2>&1";
  ASSERT_EQ(0, std::system(line.c_str())) << line;
}

struct Archive {
  std::unique_ptr<ZipReader> reader;
  std::string path;
};

Archive Open(const std::string& path) { return {std::make_unique<ZipReader>(Files(), path), path}; }

std::size_t IndexOf(const ZipReader& reader, const std::string& name) {
  for (std::size_t i = 0; i < reader.Count(); ++i)
    if (reader.Entry(i).name == name) return i;
  ADD_FAILURE() << "no entry " << name;
  return 0;
}

// The archive's bytes with one byte of `entry`'s data at `fromEnd` bytes before its end inverted.
void FlipDataByte(const std::string& path, const ZipEntry& entry, std::uint64_t fromEnd) {
  std::string bytes = ReadFile(path);
  bytes[entry.dataOffset + entry.compressedSize - fromEnd] ^= 0x5A;
  WriteFile(path, bytes);
}

// A password other than `right` that passes the entry's check byte (about 1 in 256 does).
std::string WrongButPassesCheckByte(InputFile& archive, const ZipEntry& entry, const std::string& right) {
  for (int i = 0; i < 100000; ++i) {
    const std::string candidate = "guess" + std::to_string(i);
    if (candidate == right) continue;
    try {
      EntryDecryption decryption(entry, archive, candidate);
      return candidate;
    } catch (const ZipError&) {
    }
  }
  ADD_FAILURE() << "no password passed the check byte";
  return {};
}

class Encryption : public ::testing::Test {
protected:
  void SetUp() override {
    WriteFile(folder / "in/text.txt", Content("text", 150000));
    WriteFile(folder / "in/small.txt", "short\n");
  }
  TempFolder folder;
};

struct ToolCase {
  const char* label;
  const char* command; // run in the test's folder, makes out.zip from in/
};

// Each archive unpacks completely with its password; without one, or with a wrong one, nothing of it
// is written and the reader says so.
TEST_F(Encryption, ArchivesOf7ZipAndInfoZipUnpackWithTheirPasswordAndNeverWithAnother) {
  const ToolCase cases[] = {
      {"7-Zip ZipCrypto deflate",
       "cd in && 7z a -tzip -psecret -mem=ZipCrypto -mm=Deflate ../out.zip text.txt small.txt"},
      {"7-Zip ZipCrypto bzip2", "cd in && 7z a -tzip -psecret -mem=ZipCrypto -mm=BZip2 ../out.zip text.txt small.txt"},
      {"7-Zip ZipCrypto LZMA", "cd in && 7z a -tzip -psecret -mem=ZipCrypto -mm=LZMA ../out.zip text.txt small.txt"},
      {"7-Zip AES-128 deflate", "cd in && 7z a -tzip -psecret -mem=AES128 -mm=Deflate ../out.zip text.txt small.txt"},
      {"7-Zip AES-128 bzip2", "cd in && 7z a -tzip -psecret -mem=AES128 -mm=BZip2 ../out.zip text.txt small.txt"},
      {"7-Zip AES-128 LZMA", "cd in && 7z a -tzip -psecret -mem=AES128 -mm=LZMA ../out.zip text.txt small.txt"},
      {"7-Zip AES-192 deflate", "cd in && 7z a -tzip -psecret -mem=AES192 -mm=Deflate ../out.zip text.txt small.txt"},
      {"7-Zip AES-256 deflate", "cd in && 7z a -tzip -psecret -mem=AES256 -mm=Deflate ../out.zip text.txt small.txt"},
      {"7-Zip AES-256 bzip2", "cd in && 7z a -tzip -psecret -mem=AES256 -mm=BZip2 ../out.zip text.txt small.txt"},
      {"7-Zip AES-256 LZMA", "cd in && 7z a -tzip -psecret -mem=AES256 -mm=LZMA ../out.zip text.txt small.txt"},
      {"7-Zip AES-256 stored", "cd in && 7z a -tzip -psecret -mem=AES256 -mx=0 ../out.zip text.txt small.txt"},
      {"Info-ZIP zip -P", "cd in && zip -q -P secret ../out.zip text.txt small.txt"},
      {"Info-ZIP zip -P stored", "cd in && zip -q -0 -P secret ../out.zip text.txt small.txt"},
  };
  for (const ToolCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::remove((folder / "out.zip").c_str());
    std::filesystem::remove_all(folder / "x");
    RunIn(folder, c.command);
    Archive archive = Open(folder / "out.zip");
    ZipReader& reader = *archive.reader;
    ArchiveExtractor unzip(reader);
    ASSERT_EQ(reader.Count(), 2u);
    for (std::size_t i = 0; i < reader.Count(); ++i) {
      EXPECT_TRUE(reader.NeedsPassword(i));
      EXPECT_EQ(unzip.WhyNotExtractable(i), "");
      EXPECT_EQ(ErrorOf([&] { unzip.Test(i, kBuffer); }), ZipErrorKind::WrongPassword);
    }
    reader.SetPasswords({"Secret"});
    EXPECT_EQ(ErrorOf([&] { unzip.Test(0, kBuffer); }), ZipErrorKind::WrongPassword);
    EXPECT_EQ(ErrorOf([&] { unzip.Extract(0, folder / "x", true, "", kBuffer); }), ZipErrorKind::WrongPassword);
    EXPECT_EQ(ListFolder(folder.Path()),
              (std::vector<std::string>{"in", "in/small.txt", "in/text.txt", "out.zip", "x"}));

    // Tried in order, as the UTF-8, ANSI and OEM forms of one password would be.
    reader.SetPasswords({"first form", "secret"});
    for (std::size_t i = 0; i < reader.Count(); ++i) {
      ASSERT_TRUE(unzip.Test(i, kBuffer));
      unzip.Extract(i, folder / "x", true, "", kBuffer);
    }
    EXPECT_EQ(ReadFile(folder / "x/text.txt"), ReadFile(folder / "in/text.txt"));
    EXPECT_EQ(ReadFile(folder / "x/small.txt"), "short\n");
  }
}

// Plain entries, entries under password A (ZipCrypto) and under password B (AES): each unpacks with
// its own password, none with the other's.
TEST_F(Encryption, MixedArchiveNeedsEachEntrysOwnPassword) {
  WriteFile(folder / "in/a.txt", Content("under A", 70000));
  WriteFile(folder / "in/b.txt", Content("under B", 90000));
  RunIn(folder,
        "cd in && 7z a -tzip ../out.zip small.txt && 7z a -tzip -pAlpha -mem=ZipCrypto ../out.zip a.txt"
        " && 7z a -tzip -pBravo -mem=AES256 ../out.zip b.txt");
  Archive archive = Open(folder / "out.zip");
  ZipReader& reader = *archive.reader;
  ArchiveExtractor unzip(reader);
  const std::size_t plain = IndexOf(reader, "small.txt"), a = IndexOf(reader, "a.txt"), b = IndexOf(reader, "b.txt");
  EXPECT_FALSE(reader.NeedsPassword(plain));
  EXPECT_TRUE(unzip.Test(plain, kBuffer));

  reader.SetPasswords({"Alpha"});
  EXPECT_TRUE(unzip.Test(a, kBuffer));
  EXPECT_EQ(ErrorOf([&] { unzip.Test(b, kBuffer); }), ZipErrorKind::WrongPassword);
  reader.SetPasswords({"Bravo"});
  EXPECT_EQ(ErrorOf([&] { unzip.Test(a, kBuffer); }), ZipErrorKind::WrongPassword);
  EXPECT_TRUE(unzip.Test(b, kBuffer));
  unzip.Extract(b, folder / "x", true, "", kBuffer);
  EXPECT_EQ(ReadFile(folder / "x/b.txt"), ReadFile(folder / "in/b.txt"));
}

// The keys of the next AES entries are derived ahead under the password in use: an entry under
// another password is still refused by that one and opened by its own.
TEST_F(Encryption, AesEntriesUnderTwoPasswordsOneAfterTheOther) {
  WriteFile(folder / "in/a.txt", Content("under A", 70000));
  WriteFile(folder / "in/b.txt", Content("under B", 90000));
  RunIn(folder,
        "cd in && 7z a -tzip -pAlpha -mem=AES128 ../out.zip a.txt"
        " && 7z a -tzip -pBravo -mem=AES256 ../out.zip b.txt");
  for (const bool bravoFirst : {false, true}) {
    SCOPED_TRACE(bravoFirst ? "Bravo tried first" : "Alpha tried first");
    Archive archive = Open(folder / "out.zip");
    ZipReader& reader = *archive.reader;
    ArchiveExtractor unzip(reader);
    const std::size_t a = IndexOf(reader, "a.txt"), b = IndexOf(reader, "b.txt");
    reader.SetPasswords({bravoFirst ? "Bravo" : "Alpha"});
    EXPECT_EQ(ErrorOf([&] { unzip.Test(bravoFirst ? a : b, kBuffer); }), ZipErrorKind::WrongPassword);
    reader.SetPasswords({"Alpha"});
    EXPECT_TRUE(unzip.Test(a, kBuffer));
    EXPECT_EQ(ErrorOf([&] { unzip.Test(b, kBuffer); }), ZipErrorKind::WrongPassword);
    reader.SetPasswords({"Bravo"});
    EXPECT_TRUE(unzip.Test(b, kBuffer));
    EXPECT_EQ(ReadAll(reader, b), ReadFile(folder / "in/b.txt"));
  }
}

// 7-Zip writes AE-2: the CRC-32 recorded as 0, the authentication code alone checks the data.
TEST_F(Encryption, Ae2EntryIsCheckedByItsAuthenticationCode) {
  RunIn(folder, "cd in && 7z a -tzip -psecret -mem=AES256 ../out.zip text.txt");
  Archive archive = Open(folder / "out.zip");
  ZipReader& reader = *archive.reader;
  ArchiveExtractor unzip(reader);
  EXPECT_EQ(reader.Entry(0).aesVersion, 2);
  EXPECT_EQ(reader.Entry(0).crc32, 0u);
  reader.SetPasswords({"secret"});
  EXPECT_TRUE(unzip.Test(0, kBuffer));
  EXPECT_EQ(ReadAll(reader, 0), ReadFile(folder / "in/text.txt"));
}

// A non-ASCII password is the bytes the writer took: UTF-8 from a tool of today (WinZip and 7-Zip
// take it for AES), a Windows code page from older ones. The reader is given every form the program
// makes of what was typed (UTF-8, ANSI, OEM); only the one written opens the entry, and the others
// are refused, not taken for it. The Debian 7z refuses any non-ASCII password for a zip archive
// (E_INVALIDARG), so Info-ZIP's zip, which takes the bytes as given, makes the traditional ones and
// the AES entry is made here.
TEST_F(Encryption, NonAsciiPasswordFitsInTheFormItWasWrittenIn) {
  const std::string utf8Form = "P\xC3\xA4ssw\xC3\xB6rd \xE2\x82\xAC"; // "Pässwörd €"
  const std::string ansiForm = "P\xE4ssw\xF6rd \x80";                 // Windows-1252
  const std::string oemForm = "P\x84ssw\x94rd ?";                     // code page 437, no euro sign
  RunIn(folder, "cd in && zip -q -P '" + utf8Form + "' ../utf8.zip text.txt && zip -q -P '" + ansiForm +
                    "' ../ansi.zip text.txt");
  const Bytes aes =
      Build(TestArchive({AesEntry("text.txt", ReadFile(folder / "in/text.txt"), utf8Form, kMethodDeflate)}));
  WriteFile(folder / "aes-utf8.zip", std::string(aes.begin(), aes.end()));
  const struct {
    const char* archive;
    std::string written;
  } cases[] = {{"utf8.zip", utf8Form}, {"ansi.zip", ansiForm}, {"aes-utf8.zip", utf8Form}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    Archive archive = Open(folder / c.archive);
    ZipReader& reader = *archive.reader;
    ArchiveExtractor unzip(reader);
    std::vector<std::string> others;
    for (const std::string& form : {utf8Form, ansiForm, oemForm})
      if (form != c.written) others.push_back(form);
    reader.SetPasswords(others);
    EXPECT_EQ(ErrorOf([&] { unzip.Test(0, kBuffer); }), ZipErrorKind::WrongPassword);
    EXPECT_EQ(ErrorOf([&] { ReadAll(reader, 0); }), ZipErrorKind::WrongPassword);
    others.push_back(c.written);
    reader.SetPasswords(others);
    EXPECT_TRUE(unzip.Test(0, kBuffer));
    EXPECT_EQ(ReadAll(reader, 0), ReadFile(folder / "in/text.txt"));
  }
}

// Streamed by Info-ZIP (a data descriptor, bit 3): the check byte is the time's high byte.
TEST_F(Encryption, StoredEntryWithADataDescriptor) {
  RunIn(folder, "zip -q -0 -P secret out.zip - < in/small.txt");
  Archive archive = Open(folder / "out.zip");
  ZipReader& reader = *archive.reader;
  ArchiveExtractor unzip(reader);
  ASSERT_TRUE(reader.Entry(0).flags & kFlagDataDescriptor);
  EXPECT_EQ(reader.Entry(0).method, kMethodStored);
  reader.SetPasswords({"secret"});
  EXPECT_TRUE(unzip.Test(0, kBuffer));
  EXPECT_EQ(ReadAll(reader, 0), "short\n");
}

// Changed encrypted data: found by the authentication code, reported as damage, and never written.
TEST_F(Encryption, AesEntryWithAChangedAuthenticationCodeIsDamagedAndNotWritten) {
  RunIn(folder, "cd in && 7z a -tzip -psecret -mem=AES256 -mx=0 ../out.zip text.txt");
  {
    Archive archive = Open(folder / "out.zip");
    FlipDataByte(archive.path, archive.reader->Entry(0), 3); // inside the 10-byte code
  }
  Archive archive = Open(folder / "out.zip");
  ZipReader& reader = *archive.reader;
  ArchiveExtractor unzip(reader);
  reader.SetPasswords({"secret"});
  EXPECT_FALSE(unzip.Test(0, kBuffer));
  EXPECT_EQ(ErrorOf([&] { unzip.Extract(0, folder / "x", true, "", kBuffer); }), ZipErrorKind::CorruptEntry);
  EXPECT_EQ(ListFolder(folder / "x"), std::vector<std::string>{});
}

// A wrong password passes the check byte 1 time in 256: the CRC-32 finds it, it counts as wrong
// (not as damage), nothing is written, and the right one still works.
TEST_F(Encryption, WrongPasswordThatPassesTheCheckByteIsFoundByTheCrc) {
  RunIn(folder, "cd in && 7z a -tzip -psecret -mem=ZipCrypto ../out.zip text.txt");
  Archive archive = Open(folder / "out.zip");
  ZipReader& reader = *archive.reader;
  ArchiveExtractor unzip(reader);
  auto file = Files().OpenForReading(archive.path);
  const std::string wrong = WrongButPassesCheckByte(*file, reader.Entry(0), "secret");
  reader.SetPasswords({wrong});
  EXPECT_EQ(ErrorOf([&] { unzip.Test(0, kBuffer); }), ZipErrorKind::WrongPassword);
  EXPECT_EQ(ErrorOf([&] { unzip.Extract(0, folder / "x", true, "", kBuffer); }), ZipErrorKind::WrongPassword);
  EXPECT_EQ(ListFolder(folder / "x"), std::vector<std::string>{});
  reader.SetPasswords({wrong, "secret"});
  EXPECT_TRUE(unzip.Test(0, kBuffer));
  unzip.Extract(0, folder / "x", true, "", kBuffer);
  EXPECT_EQ(ReadFile(folder / "x/text.txt"), ReadFile(folder / "in/text.txt"));
}

} // namespace
