// Creating archives: only a successful Close puts an archive under its name.
#include <algorithm>

#include "TestFolder.h"
#include "ZipTestSupport.h"

namespace {

class Create : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(m_folder / L"a.txt", CompressibleText(10000)); }

    // Names in the scratch folder besides the source file.
    std::vector<std::wstring> OtherNames() const {
        std::vector<std::wstring> names = FolderNames(m_folder.Path());
        names.erase(std::remove(names.begin(), names.end(), L"a.txt"), names.end());
        return names;
    }

    TestFolder m_folder;
    CurrentDirectory m_here{m_folder.Path()};
    std::wstring m_archive = m_folder / L"new.zip";
};

TEST_F(Create, CloseAfterAFailureAbandonsTheArchiveAndLeavesNoFile) {
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 4, 0);
    zip.AddNewFile(L"a.txt");
    EXPECT_EQ(1u, OtherNames().size());   // the archive being written, under a temporary name
    EXPECT_FALSE(FileExists(m_archive));
    zip.Close(1, false);
    EXPECT_TRUE(OtherNames().empty());
    EXPECT_EQ(0u, zip.GetCount());
}

TEST_F(Create, AnArchiveNeverClosedLeavesNoFile) {
    {
        CZipArchive zip;
        zip.Open(m_archive.c_str(), 4, 0);
        zip.AddNewFile(L"a.txt");
    }
    EXPECT_TRUE(OtherNames().empty());
}

TEST_F(Create, AnAbandonedArchiveLeavesAnExistingFileOfItsNameUntouched) {
    WriteBytes(m_archive, "precious");
    {
        CZipArchive zip;
        zip.Open(m_archive.c_str(), 4, 0);
        zip.AddNewFile(L"a.txt");
        auto failure = CatchZip([&] { zip.AddNewFile(L"missing.txt"); });
        ASSERT_TRUE(failure);
        zip.Close(1, false);
    }
    EXPECT_EQ("precious", ReadBytes(m_archive));
    EXPECT_EQ(std::vector<std::wstring>{L"new.zip"}, OtherNames());
}

TEST_F(Create, AnExistingFileIsReplacedOnlyByTheFinishedArchive) {
    WriteBytes(m_archive, "old contents");
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 4, 0);
    zip.AddNewFile(L"a.txt");
    EXPECT_EQ("old contents", ReadBytes(m_archive));
    zip.Close(0, false);
    EXPECT_EQ(std::vector<std::wstring>{L"new.zip"}, OtherNames());

    CZipArchive reader;
    reader.Open(m_archive.c_str(), 1, 0);
    EXPECT_EQ(1u, reader.GetCount());
    EXPECT_TRUE(reader.TestFile(0, 65536));
}

TEST_F(Create, AFailedAddKeepsTheEntriesBeforeIt) {
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 4, 0);
    zip.AddNewFile(L"a.txt");
    EXPECT_TRUE(CatchZip([&] { zip.AddNewFile(L"missing.txt"); }));
    WriteBytes(m_folder / L"b.txt", "b");
    zip.AddNewFile(L"b.txt");
    zip.Close(0, false);

    CZipArchive reader;
    reader.Open(m_archive.c_str(), 1, 0);
    ASSERT_EQ(2u, reader.GetCount());
    EXPECT_TRUE(reader.TestFile(0, 65536));
    EXPECT_TRUE(reader.TestFile(1, 65536));
}

TEST_F(Create, TheArchiveIsNeverAddedToItself) {
    WriteBytes(m_archive, "an older archive of the same name");
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 4, 0);
    auto own = CatchZip([&] { zip.AddNewFile(L"new.zip"); });
    ASSERT_TRUE(own);
    EXPECT_EQ(CZipException::wrongUse, own->m_iCause);

    std::vector<std::wstring> names = OtherNames();
    names.erase(std::remove(names.begin(), names.end(), L"new.zip"), names.end());
    ASSERT_EQ(1u, names.size());   // the temporary file
    auto temporary = CatchZip([&] { zip.AddNewFile(names[0].c_str()); });
    ASSERT_TRUE(temporary);
    EXPECT_EQ(CZipException::wrongUse, temporary->m_iCause);
    zip.Close(0, false);
}

TEST_F(Create, NamesThatWouldClimbOutOfTheFolderAreRefused) {
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 4, 0);
    for (const wchar_t* name : {L"..\\a.txt", L"sub\\..\\..\\a.txt", L"C:\\", L"."}) {
        auto failure = CatchZip([&] { zip.AddNewFile(name); });
        ASSERT_TRUE(failure) << Narrow(name);
        EXPECT_EQ(CZipException::unsafeName, failure->m_iCause) << Narrow(name);
    }
    EXPECT_EQ(0u, zip.GetCount());
    zip.Close(1, false);
}

TEST_F(Create, AddNewFileAsStoresAFileUnderTheGivenName) {
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 4, 0);
    zip.AddNewFileAs((m_folder / L"a.txt").c_str(), L"docs\\renamed.txt");
    auto unsafe = CatchZip([&] { zip.AddNewFileAs(L"a.txt", L"..\\outside.txt"); });
    ASSERT_TRUE(unsafe);
    EXPECT_EQ(CZipException::unsafeName, unsafe->m_iCause);
    zip.Close(0, false);
    const std::vector<LocalHeader> headers = LocalHeaders(ReadBytes(m_archive));
    ASSERT_EQ(1u, headers.size());
    EXPECT_EQ("docs/renamed.txt", headers[0].name);
}

TEST_F(Create, MethodsAndLevelsAreHonouredAndUnknownOnesRefused) {
    CZipArchive zip;
    zip.Open(m_archive.c_str(), 4, 0);
    zip.SetCompressionMethod(8);
    zip.AddNewFileAs(L"a.txt", L"deflated.txt", 9);
    zip.SetCompressionMethod(12);
    zip.AddNewFileAs(L"a.txt", L"stored.txt", 0);
    auto method = CatchZip([&] { zip.SetCompressionMethod(14); });
    ASSERT_TRUE(method);
    EXPECT_EQ(CZipException::unsupported, method->m_iCause);
    auto level = CatchZip([&] { zip.AddNewFileAs(L"a.txt", L"x.txt", 10); });
    ASSERT_TRUE(level);
    EXPECT_EQ(CZipException::wrongUse, level->m_iCause);
    zip.Close(0, false);
    const std::vector<LocalHeader> headers = LocalHeaders(ReadBytes(m_archive));
    ASSERT_EQ(2u, headers.size());
    EXPECT_EQ(8, headers[0].method);
    EXPECT_EQ(0, headers[1].method);
}

}   // namespace
