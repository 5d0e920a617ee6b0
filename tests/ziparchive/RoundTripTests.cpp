// An archive made as the zip job makes it, then read back as the unzip job reads it, all through
// ZipArchive.dll.
#include <map>

#include "TestFolder.h"
#include "ZipTestSupport.h"
#include "core/ZipFormat.h"

namespace {

constexpr std::int64_t kMay2020 = 1589710830;   // 2020-05-17 10:20:30 UTC

// 7 folders of 40 characters: with the scratch folder, paths of well over 300 characters.
std::wstring LongRelativeFolder() {
    std::wstring path = L"pack";
    for (int i = 0; i < 7; ++i) path += L"\\folder-with-a-rather-long-name-number-" + std::to_wstring(i);
    return path;
}

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        m_files = {
            {L"pack\\report.txt", CompressibleText(200000)},
            {L"pack\\sub\\deeper\\notes.txt", "a few notes"},
            {L"pack\\donn\u00e9es\\\u65e5\u672c\u8a9e \u00f1.txt", CompressibleText(5000)},
            {L"pack\\emoji \U0001F600.bin", RandomBytes(30000, 7)},
            {L"pack\\empty.txt", ""},
            {LongRelativeFolder() + L"\\deep file.txt", CompressibleText(3000)},
        };
        std::int64_t time = kMay2020;
        for (const auto& [name, bytes] : m_files) {
            WriteBytes(m_folder / name, bytes);
            SetModified(m_folder / name, time += 3600);
        }
        ASSERT_GT((m_folder / LongRelativeFolder()).size(), 300u);

        CurrentDirectory here(m_folder.Path());
        CZipArchive zip;
        zip.Open(m_archive.c_str(), 4, 0);
        zip.SetCompressionMethod(12);
        for (const auto& entry : m_files) zip.AddNewFile(entry.first.c_str(), -1, true, 7, 65536);
        EXPECT_EQ(m_files.size(), zip.GetCount());
        EXPECT_EQ(CString(m_archive.c_str()), zip.Close(0, false));
    }

    TestFolder m_folder;
    std::wstring m_archive = m_folder / L"pack.zip";
    std::map<std::wstring, std::string> m_files;   // relative name -> contents
};

TEST_F(RoundTrip, EveryEntryTestsAndExtractsWithItsNameContentsAndTime) {
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 1, 0);
    ASSERT_EQ(m_files.size(), zip.GetCount());
    const std::wstring target = m_folder / L"out";
    for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) {
        EXPECT_TRUE(zip.TestFile(i, 65536)) << "entry " << i;
        EXPECT_TRUE(zip.ExtractFile(i, target.c_str(), true, nullptr, 65536)) << "entry " << i;
    }
    zip.Close(0, false);
    EXPECT_GT(zip.m_progressDone, 0u);

    std::int64_t time = kMay2020;
    for (const auto& [name, bytes] : m_files) {
        const std::wstring extracted = target + L"\\" + name;
        ASSERT_TRUE(FileExists(extracted)) << Narrow(CString(name.c_str()));
        EXPECT_EQ(bytes, ReadBytes(extracted)) << Narrow(CString(name.c_str()));
        EXPECT_EQ(time += 3600, Modified(extracted)) << Narrow(CString(name.c_str()));
    }
    EXPECT_EQ(std::vector<std::wstring>{L"pack"}, FolderNames(target));
}

TEST_F(RoundTrip, NamesAreStoredWithSlashesAndUnicodeNamesAsFlaggedUtf8) {
    std::map<std::string, LocalHeader> headers;
    for (const LocalHeader& header : LocalHeaders(ReadBytes(m_archive))) headers[header.name] = header;
    ASSERT_EQ(m_files.size(), headers.size());
    ASSERT_TRUE(headers.count("pack/sub/deeper/notes.txt"));
    EXPECT_EQ(0, headers["pack/sub/deeper/notes.txt"].flags & zipcore::kFlagUtf8);
    const std::string unicodeName =
        "pack/donn\xC3\xA9"
        "es/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xC3\xB1.txt";
    ASSERT_TRUE(headers.count(unicodeName));
    EXPECT_EQ(zipcore::kFlagUtf8, headers[unicodeName].flags & zipcore::kFlagUtf8);
    ASSERT_TRUE(headers.count("pack/emoji \xF0\x9F\x98\x80.bin"));
}

TEST_F(RoundTrip, TextIsBzip2CompressedAndWhatDoesNotShrinkIsStored) {
    std::map<std::string, LocalHeader> headers;
    for (const LocalHeader& header : LocalHeaders(ReadBytes(m_archive))) headers[header.name] = header;
    EXPECT_EQ(12, headers["pack/report.txt"].method);
    EXPECT_LT(headers["pack/report.txt"].compressedSize, 20000u);
    EXPECT_EQ(0, headers["pack/emoji \xF0\x9F\x98\x80.bin"].method);   // random bytes
    EXPECT_EQ(30000u, headers["pack/emoji \xF0\x9F\x98\x80.bin"].compressedSize);
}

TEST_F(RoundTrip, WithoutFullPathsEntriesLandInTheTargetFolderItself) {
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 1, 0);
    const std::wstring target = m_folder / L"flat";
    for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) zip.ExtractFile(i, target.c_str(), false, nullptr, 65536);
    zip.Close(0, false);
    EXPECT_EQ("a few notes", ReadBytes(target + L"\\notes.txt"));
    EXPECT_TRUE(FileExists(target + L"\\deep file.txt"));
    EXPECT_FALSE(FolderExists(target + L"\\pack"));
}

TEST_F(RoundTrip, ExtractingAgainReplacesFilesAndLeavesNoTemporaryFiles) {
    const std::wstring target = m_folder / L"again";
    WriteBytes(target + L"\\pack\\sub\\deeper\\notes.txt", "an older version that is longer than the new one");
    for (int pass = 0; pass < 2; ++pass) {
        CZipArchive zip;
        zip.Open(m_archive.c_str(), 1, 0);
        for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) zip.ExtractFile(i, target.c_str(), true, nullptr, 65536);
        zip.Close(0, false);
    }
    EXPECT_EQ("a few notes", ReadBytes(target + L"\\pack\\sub\\deeper\\notes.txt"));
    EXPECT_EQ((std::vector<std::wstring>{L"notes.txt"}), FolderNames(target + L"\\pack\\sub\\deeper"));
}

TEST_F(RoundTrip, EntryNamesGivenWithoutFullPathAreTheFileNamesAlone) {
    const std::wstring flat = m_folder / L"flat.zip";
    {
        CurrentDirectory here(m_folder.Path());
        CZipArchive zip;
        zip.Open(flat.c_str(), 4, 0);
        zip.AddNewFile(L".\\pack\\sub\\deeper\\notes.txt", -1, false, 7, 65536);
        zip.AddNewFile((m_folder / L"pack\\report.txt").c_str(), -1, true, 7, 65536);   // absolute: drive dropped
        zip.Close(0, false);
    }
    const std::vector<LocalHeader> headers = LocalHeaders(ReadBytes(flat));
    ASSERT_EQ(2u, headers.size());
    EXPECT_EQ("notes.txt", headers[0].name);
    const std::string folder = Narrow(CString(m_folder.Path().c_str())).substr(3);   // without "C:\"
    std::string expected = folder + "\\pack\\report.txt";
    for (char& ch : expected)
        if (ch == '\\') ch = '/';
    EXPECT_EQ(expected, headers[1].name);
}

TEST_F(RoundTrip, CloseCanStampTheArchiveWithItsNewestEntry) {
    const std::wstring stamped = m_folder / L"stamped.zip";
    CurrentDirectory here(m_folder.Path());
    CZipArchive zip;
    zip.Open(stamped.c_str(), 4, 0);
    zip.AddNewFile(L"pack\\report.txt");
    zip.AddNewFile(L"pack\\empty.txt");
    zip.Close(0, true);
    EXPECT_EQ(std::max(Modified(m_folder / L"pack\\report.txt"), Modified(m_folder / L"pack\\empty.txt")),
              Modified(stamped));
}

}   // namespace
