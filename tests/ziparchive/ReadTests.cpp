// Reading archives: damaged and hostile archives, very many entries, and what the failures say.
#include "TestFolder.h"
#include "ZipTestSupport.h"
#include "samples/MethodSamples.h"

namespace {

class Read : public ::testing::Test {
protected:
    std::wstring WriteArchive(const RawZip& zip, const wchar_t* name = L"raw.zip") {
        const std::wstring path = m_folder / name;
        WriteBytes(path, zip.Bytes());
        return path;
    }

    TestFolder m_folder;
};

TEST_F(Read, NothingOpenCountsNoEntries) {
    CZipArchive zip;
    EXPECT_EQ(0u, zip.GetCount());
    auto failure = CatchZip([&] { zip.TestFile(0); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(CZipException::wrongUse, failure->m_iCause);
}

TEST_F(Read, AFileThatIsNotAnArchiveFailsToOpenWithAClearReason) {
    const std::wstring path = m_folder / L"notes.zip";
    WriteBytes(path, CompressibleText(3000));
    CZipArchive zip;
    try {
        zip.Open(path.c_str(), 1, 0);
        FAIL() << "Open accepted a text file";
    } catch (CException* e) {
        const std::string reason = Narrow(e->GetReason());
        EXPECT_NE(std::string::npos, reason.find("not a zip archive")) << reason;
        EXPECT_NE(std::string::npos, reason.find("notes.zip")) << reason;
        auto* zipException = dynamic_cast<CZipException*>(e);
        ASSERT_NE(nullptr, zipException);
        EXPECT_EQ(CZipException::notAnArchive, zipException->m_iCause);
        e->Delete();
    }
    EXPECT_EQ(0u, zip.GetCount());
}

TEST_F(Read, SystemFailuresCarryTheSystemsErrorCodeAndThePath) {
    CZipArchive zip;
    auto missing = CatchZip([&] { zip.Open((m_folder / L"missing.zip").c_str(), 1, 0); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(CZipException::ioError, missing->m_iCause);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), missing->m_osError);
    EXPECT_EQ(CString((m_folder / L"missing.zip").c_str()), missing->m_path);
    const CString reason = missing->GetReason();
    EXPECT_NE(-1, reason.Find(SystemErrorText(ERROR_FILE_NOT_FOUND))) << Narrow(reason);

    auto noFolder = CatchZip([&] { zip.Open((m_folder / L"no such folder\\new.zip").c_str(), 4, 0); });
    ASSERT_TRUE(noFolder);
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), noFolder->m_osError);

    // A file where the target folder should be.
    RawZip raw;
    raw.Add("a.txt", "a");
    const std::wstring archive = WriteArchive(raw);
    WriteBytes(m_folder / L"blocked", "a file, not a folder");
    zip.Open(archive.c_str(), 1, 0);
    auto blocked = CatchZip([&] { zip.ExtractFile(0, (m_folder / L"blocked").c_str()); });
    ASSERT_TRUE(blocked);
    EXPECT_EQ(CZipException::ioError, blocked->m_iCause);
    EXPECT_NE(0u, blocked->m_osError);
    EXPECT_EQ(CString((m_folder / L"blocked").c_str()), blocked->m_path);

    // An entry whose file cannot replace what is in its way: the path is the file's own.
    MakeFolders(m_folder / L"out\\a.txt");
    auto inTheWay = CatchZip([&] { zip.ExtractFile(0, (m_folder / L"out").c_str()); });
    ASSERT_TRUE(inTheWay);
    EXPECT_EQ(CZipException::ioError, inTheWay->m_iCause);
    EXPECT_NE(0u, inTheWay->m_osError);
    EXPECT_EQ(CString((m_folder / L"out\\a.txt").c_str()), inTheWay->m_path);
    EXPECT_EQ(std::vector<std::wstring>{L"a.txt"}, FolderNames(m_folder / L"out"));   // no temporary file left
    zip.Close();
}

TEST_F(Read, AnArchiveOpenElsewhereForWritingCanStillBeRead) {
    RawZip raw;
    raw.Add("a.txt", "a");
    const std::wstring archive = WriteArchive(raw);
    HANDLE other =
        CreateFileW(archive.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    CZipArchive zip;
    zip.Open(archive.c_str(), 1, 0);
    EXPECT_TRUE(zip.TestFile(0));
    zip.Close();
    CloseHandle(other);
}

TEST_F(Read, ACorruptEntryTestsFalseAndIsNeverExtracted) {
    const std::wstring source = m_folder / L"src";
    WriteBytes(source + L"\\first.txt", CompressibleText(100000));
    WriteBytes(source + L"\\second.txt", CompressibleText(1000));
    const std::wstring archive = m_folder / L"damaged.zip";
    {
        CurrentDirectory here(source);
        CZipArchive zip;
        zip.Open(archive.c_str(), 4, 0);
        zip.SetCompressionMethod(12);
        zip.AddNewFile(L"first.txt", -1, true, 7, 65536);
        zip.AddNewFile(L"second.txt", -1, true, 7, 65536);
        zip.Close(0, false);
    }
    std::string bytes = ReadBytes(archive);
    const LocalHeader first = ReadLocalHeader(bytes, 0);
    bytes[first.dataOffset + first.compressedSize / 2] ^= 0x55;
    WriteBytes(archive, bytes);

    CZipArchive zip;
    zip.Open(archive.c_str(), 1, 0);
    ASSERT_EQ(2u, zip.GetCount());
    EXPECT_FALSE(zip.TestFile(0, 65536));
    EXPECT_TRUE(zip.TestFile(1, 65536));
    const std::wstring target = m_folder / L"out";
    auto failure = CatchZip([&] { zip.ExtractFile(0, target.c_str(), true, nullptr, 65536); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(CZipException::corruptData, failure->m_iCause);
    EXPECT_TRUE(FolderNames(target).empty());   // neither the file nor a temporary file
    zip.Close();
}

TEST_F(Read, DamagedAndUnsupportedArchivesFailClearly) {
    RawZip unknownMethod;
    unknownMethod.Add("a.txt", "abc", 99);
    CZipArchive zip;
    zip.Open(WriteArchive(unknownMethod, L"method.zip").c_str(), 1, 0);
    auto method = CatchZip([&] { zip.TestFile(0); });
    ASSERT_TRUE(method);
    EXPECT_EQ(CZipException::unsupported, method->m_iCause);
    auto extract = CatchZip([&] { zip.ExtractFile(0, (m_folder / L"out").c_str()); });
    ASSERT_TRUE(extract);
    EXPECT_FALSE(FileExists(m_folder / L"out\\a.txt"));
    zip.Close();

    RawZip overlapping;
    overlapping.Add("a.txt", CompressibleText(1000));
    overlapping.AddOverlapping("b.txt", 0);
    auto overlap = CatchZip([&] { zip.Open(WriteArchive(overlapping, L"overlap.zip").c_str(), 1, 0); });
    ASSERT_TRUE(overlap);
    EXPECT_EQ(CZipException::badArchive, overlap->m_iCause);

    RawZip whole;
    whole.Add("a.txt", CompressibleText(1000));
    std::vector<std::uint8_t> truncated = whole.Bytes();
    truncated.resize(truncated.size() - 30);
    WriteBytes(m_folder / L"truncated.zip", truncated);
    auto cut = CatchZip([&] { zip.Open((m_folder / L"truncated.zip").c_str(), 1, 0); });
    ASSERT_TRUE(cut);
    EXPECT_TRUE(cut->m_iCause == CZipException::badArchive || cut->m_iCause == CZipException::notAnArchive);
    EXPECT_EQ(0u, zip.GetCount());
}

TEST_F(Read, EntriesOfEveryMethodOtherToolsWriteAreTestedAndExtracted) {
    const std::string text = samples::SampleText();
    RawZip raw;
    for (const samples::MethodSample& sample : samples::kMethodSamples)
        raw.AddPacked(std::string(sample.name) + ".txt", sample.method, sample.flags,
                      std::string(reinterpret_cast<const char*>(sample.data), sample.size), text);
    std::string damaged(reinterpret_cast<const char*>(samples::kXZData), sizeof samples::kXZData);
    damaged[damaged.size() / 2] ^= 0x20;
    raw.AddPacked("damaged.txt", 95, 0, damaged, text);

    CZipArchive zip;
    zip.Open(WriteArchive(raw, L"methods.zip").c_str(), 1, 0);
    const std::wstring target = m_folder / L"out";
    for (unsigned short i = 0; i < 4; ++i) {
        const std::string name = samples::kMethodSamples[i].name;
        EXPECT_TRUE(zip.TestFile(i, 65536)) << name;
        EXPECT_TRUE(zip.ExtractFile(i, target.c_str(), true, nullptr, 65536)) << name;
        EXPECT_EQ(text, ReadBytes(target + L"\\" + std::wstring(name.begin(), name.end()) + L".txt")) << name;
    }
    EXPECT_FALSE(zip.TestFile(4, 65536));
    zip.Close();
}

TEST_F(Read, FolderEntriesCreateFolders) {
    RawZip raw;
    raw.Add("empty folder/", "");
    raw.Add("docs/readme.txt", "read me");
    CZipArchive zip;
    zip.Open(WriteArchive(raw).c_str(), 1, 0);
    const std::wstring target = m_folder / L"out";
    for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) zip.ExtractFile(i, (target + L"\\").c_str());
    zip.Close();
    EXPECT_TRUE(FolderExists(target + L"\\empty folder"));
    EXPECT_EQ("read me", ReadBytes(target + L"\\docs\\readme.txt"));
}

// Each of these names would write outside the target folder, to a device, or to a hidden stream: the
// entry is written inside the target under a safe name, which GetEntryPlan tells.
TEST_F(Read, UnsafeNamesAreChangedAndWrittenInsideTheTarget) {
    const std::pair<const char*, const wchar_t*> unsafeNames[] = {{"../evil.txt", L"evil.txt"},
                                                                  {"..\\evil.txt", L"evil.txt"},
                                                                  {"sub/../../evil.txt", L"sub\\evil.txt"},
                                                                  {"/evil.txt", L"evil.txt"},
                                                                  {"C:/evil.txt", L"evil.txt"},
                                                                  {"C:evil.txt", L"C_evil.txt"},
                                                                  {"\\\\server\\share\\evil.txt", L"evil.txt"},
                                                                  {"CON", L"_CON"},
                                                                  {"sub/nul.txt", L"sub\\_nul.txt"},
                                                                  {"COM1.log", L"_COM1.log"},
                                                                  {"a.txt:hidden", L"a.txt_hidden"},
                                                                  {"trailing dot.", L"trailing dot_"},
                                                                  {"trailing blank ", L"trailing blank_"},
                                                                  {"sub/./evil.txt", L"sub\\evil.txt"}};
    const std::wstring target = m_folder / L"inner\\target";
    int number = 0;
    for (const auto& [name, expected] : unsafeNames) {
        RawZip raw;
        raw.Add("fine.txt", "fine");
        raw.Add(name, "evil");
        const std::wstring archive = WriteArchive(raw, L"inner\\unsafe.zip");
        CZipArchive zip;
        zip.Open(archive.c_str(), 1, 0);
        ASSERT_EQ(2u, zip.GetCount()) << name;
        CString stored, disk, skipReason;
        EXPECT_FALSE(zip.GetEntryPlan(0, stored, disk, skipReason));
        EXPECT_TRUE(zip.GetEntryPlan(1, stored, disk, skipReason)) << name;
        EXPECT_EQ(std::wstring(expected), disk.Str()) << name;
        EXPECT_TRUE(skipReason.IsEmpty());
        const std::wstring into = target + std::to_wstring(++number);
        for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) zip.ExtractFile(i, into.c_str());
        zip.Close();
        EXPECT_EQ("evil", ReadBytes(into + L"\\" + expected)) << name;
    }
    EXPECT_EQ(std::vector<std::wstring>{L"inner"}, FolderNames(m_folder.Path()));
}

TEST_F(Read, AnUnsafeNewNameIsRefused) {
    RawZip raw;
    raw.Add("a.txt", "a");
    CZipArchive zip;
    zip.Open(WriteArchive(raw).c_str(), 1, 0);
    auto failure = CatchZip([&] { zip.ExtractFile(0, (m_folder / L"out").c_str(), true, L"..\\escaped.txt"); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(CZipException::unsafeName, failure->m_iCause);
    EXPECT_FALSE(FileExists(m_folder / L"escaped.txt"));
    zip.ExtractFile(0, (m_folder / L"out").c_str(), true, L"renamed.txt");
    EXPECT_EQ("a", ReadBytes(m_folder / L"out\\renamed.txt"));
    zip.Close();
}

TEST_F(Read, EveryOneOfMoreThan65535EntriesIsAddressed) {
    constexpr ZIP_INDEX_TYPE kCount = 70000;
    RawZip raw;
    for (ZIP_INDEX_TYPE i = 0; i < kCount; ++i) raw.Add("f" + std::to_string(i) + ".txt", std::to_string(i));
    CZipArchive zip;
    zip.Open(WriteArchive(raw, L"many.zip").c_str(), 1, 0);
    ASSERT_EQ(kCount, zip.GetCount());
    const std::wstring target = m_folder / L"out";
    for (ZIP_INDEX_TYPE i : {0u, 65535u, 65536u, kCount - 1}) {
        EXPECT_TRUE(zip.TestFile(i));
        zip.ExtractFile(i, target.c_str());
        EXPECT_EQ(std::to_string(i), ReadBytes(target + L"\\f" + std::to_wstring(i) + L".txt"));
    }
    auto beyond = CatchZip([&] { zip.TestFile(kCount); });
    ASSERT_TRUE(beyond);
    EXPECT_EQ(CZipException::wrongUse, beyond->m_iCause);
    zip.Close();
}

TEST_F(Read, OpenAcceptsOnlyItsModesAndOneArchiveAtATime) {
    RawZip raw;
    raw.Add("a.txt", "a");
    const std::wstring archive = WriteArchive(raw);
    CZipArchive zip;
    auto mode = CatchZip([&] { zip.Open(archive.c_str(), 2, 0); });
    ASSERT_TRUE(mode);
    EXPECT_EQ(CZipException::wrongUse, mode->m_iCause);
    auto volumes = CatchZip([&] { zip.Open(archive.c_str(), 1, 1000000); });
    ASSERT_TRUE(volumes);
    EXPECT_EQ(CZipException::unsupported, volumes->m_iCause);
    zip.Open(archive.c_str(), 1, 0);
    auto twice = CatchZip([&] { zip.Open(archive.c_str(), 1, 0); });
    ASSERT_TRUE(twice);
    EXPECT_EQ(CZipException::wrongUse, twice->m_iCause);
    auto adding = CatchZip([&] { zip.AddNewFile(L"a.txt"); });
    ASSERT_TRUE(adding);
    EXPECT_EQ(CZipException::wrongUse, adding->m_iCause);
    EXPECT_EQ(CString(archive.c_str()), zip.Close());
    EXPECT_EQ(CString(), zip.Close());   // closing again does nothing
}

}   // namespace
